// Random operations on random databases, checked step by step against an in-memory model.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/base/error_codes.h"
#include "tests/platform/objectstore/cedb_test_support.h"
#include "tests/platform/objectstore/cedb_value_order.h"
#include "tests/support/locale_pin.h"

namespace {

using namespace cedbtest;

// A model record: its sort value (absent or from the pool) and a serial number in property 2.
struct ModelRecord {
    CEOID oid;
    std::optional<CEPROPVAL> value;
    LONG serial;
};

// A place in the order: a record's (value, OID), or before everything.
struct Anchor {
    bool start = true;
    std::optional<CEPROPVAL> value;
    CEOID oid = 0;
};

// A handle's position: at the anchor, or at whatever follows it.
struct ModelPosition {
    bool at = false;
    Anchor anchor;
};

class Model {
public:
    Model(WORD type, DWORD flags) : order_(type, flags, "en_US") {}

    int Compare(const Anchor& a, const Anchor& b) const
    {
        if (a.start || b.start) return a.start == b.start ? 0 : a.start ? -1 : 1;
        int c = order_.Compare(a.value ? &*a.value : nullptr, b.value ? &*b.value : nullptr);
        if (c) return c;
        return a.oid < b.oid ? -1 : a.oid > b.oid ? 1 : 0;
    }
    static Anchor AnchorOf(const ModelRecord& r) { return Anchor{false, r.value, r.oid}; }

    std::vector<const ModelRecord*> Sorted() const
    {
        std::vector<const ModelRecord*> out;
        for (const auto& [oid, r] : records_) out.push_back(&r);
        std::sort(out.begin(), out.end(),
                  [&](const ModelRecord* a, const ModelRecord* b) { return Compare(AnchorOf(*a), AnchorOf(*b)) < 0; });
        return out;
    }
    const ModelRecord* Find(CEOID oid) const
    {
        auto it = records_.find(oid);
        return it == records_.end() ? nullptr : &it->second;
    }

    // The k-th record after the anchor (k >= 1).
    const ModelRecord* Forward(const Anchor& anchor, size_t k) const
    {
        for (const ModelRecord* r : Sorted())
            if (Compare(AnchorOf(*r), anchor) > 0 && --k == 0) return r;
        return nullptr;
    }
    // The m-th record before it (m >= 1); with inclusive the anchor counts.
    const ModelRecord* Backward(const Anchor& anchor, size_t m, bool inclusive) const
    {
        auto sorted = Sorted();
        for (auto it = sorted.rbegin(); it != sorted.rend(); ++it) {
            int c = Compare(AnchorOf(**it), anchor);
            if ((c < 0 || (inclusive && c == 0)) && --m == 0) return *it;
        }
        return nullptr;
    }
    DWORD IndexOf(const ModelRecord* r) const
    {
        auto sorted = Sorted();
        return static_cast<DWORD>(std::find(sorted.begin(), sorted.end(), r) - sorted.begin());
    }

    // A seek: the record reached (the position moves there) or null.
    const ModelRecord* Seek(ModelPosition& pos, DWORD type, LONG n, const CEPROPVAL* value) const
    {
        const ModelRecord* r = nullptr;
        auto sorted = Sorted();
        switch (type) {
            case CEDB_SEEK_CEOID:
                r = Find(static_cast<CEOID>(n));
                break;
            case CEDB_SEEK_BEGINNING:
                r = static_cast<DWORD>(n) < sorted.size() ? sorted[static_cast<DWORD>(n)] : nullptr;
                break;
            case CEDB_SEEK_END: {
                size_t m = static_cast<size_t>(n < 0 ? -static_cast<long long>(n) : n);
                r = m < sorted.size() ? sorted[sorted.size() - 1 - m] : nullptr;
                break;
            }
            case CEDB_SEEK_CURRENT:
                if (n == 0)
                    r = pos.at ? Find(pos.anchor.oid) : Forward(pos.anchor, 1);
                else if (n > 0)
                    r = Forward(pos.anchor, static_cast<size_t>(n) + (pos.at ? 0 : 1));
                else
                    r = Backward(pos.anchor, static_cast<size_t>(-n), !pos.at);
                break;
            case CEDB_SEEK_VALUESMALLER:  // the last smaller
            case CEDB_SEEK_VALUEFIRSTEQUAL:
            case CEDB_SEEK_VALUEGREATER:
                for (const ModelRecord* c : sorted) {
                    const int cmp = c->value ? order_.Compare(&*c->value, value) : 2;
                    if (type == CEDB_SEEK_VALUESMALLER ? cmp < 0 : type == CEDB_SEEK_VALUEGREATER ? cmp == 1 : !cmp) {
                        r = c;
                        if (type != CEDB_SEEK_VALUESMALLER) break;
                    }
                }
                break;
            case CEDB_SEEK_VALUENEXTEQUAL: {
                const ModelRecord* next = Forward(pos.anchor, pos.at ? 1 : 2);
                if (next && next->value && order_.Compare(&*next->value, value) == 0) r = next;
                break;
            }
        }
        if (r) pos = ModelPosition{true, AnchorOf(*r)};
        return r;
    }

    void Put(const ModelRecord& r) { records_[r.oid] = r; }
    void Erase(CEOID oid) { records_.erase(oid); }
    // A handle at a record follows it to its new place when it is next used;
    // a handle after the record it read stays where the record was. A deleted
    // record leaves the anchor where the handle last saw it.
    void Refresh(ModelPosition& p) const
    {
        if (const ModelRecord* r = p.at ? Find(p.anchor.oid) : nullptr) p.anchor.value = r->value;
    }
    size_t Size() const { return records_.size(); }
    std::vector<CEOID> Oids() const
    {
        std::vector<CEOID> out;
        for (const auto& [oid, r] : records_) out.push_back(oid);
        return out;
    }

private:
    ValueOrder order_;
    std::map<CEOID, ModelRecord> records_;
};

class CedbModel : public CedbSandbox {
protected:
    // One random database and one random run of operations on it.
    void RunSequence(int seq, size_t initialRecords, int operations)
    {
        std::mt19937 random(static_cast<unsigned>(seq) * 7919u + 17u);
        auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
        WORD type = kValueTypes[pick(std::size(kValueTypes))];
        DWORD flags = static_cast<DWORD>(pick(16));
        SCOPED_TRACE("sequence " + std::to_string(seq) + " type " + std::to_string(type) + " flags " +
                     std::to_string(flags));
        const CEPROPID sortId = MAKEPROPID(1, type);
        std::u16string name = u"model" + Utf8ToWide(std::to_string(seq));
        CEOID db = CreateDb(name.c_str(), {{MAKEPROPID(9, CEVT_I4), 0}, {sortId, flags}});
        ASSERT_NE(db, 0u) << GetLastError();
        HANDLE plain = OpenDb(db, sortId);
        HANDLE autoInc = OpenDb(db, sortId, CEDB_AUTOINCREMENT);
        ASSERT_NE(plain, INVALID_HANDLE_VALUE);
        ASSERT_NE(autoInc, INVALID_HANDLE_VALUE);

        Model model(type, flags);
        ModelPosition plainPos, autoPos;
        ValuePool pool(type);
        std::vector<CEOID> gone;
        LONG serial = 0;

        auto write = [&](CEOID oid) {
            ModelRecord r{oid, std::nullopt, ++serial};
            if (pick(5)) r.value = pool.Draw(random);
            const std::vector<CEPROPVAL> props = {I4(2, r.serial), r.value ? *r.value : Delete(sortId)};
            bool viaPlain = pick(2);
            model.Refresh(viaPlain ? plainPos : autoPos);
            CEOID written = Write(viaPlain ? plain : autoInc, oid, props);
            ASSERT_NE(written, 0u) << GetLastError();
            ASSERT_TRUE(!oid || written == oid) << written;
            r.oid = written;
            model.Put(r);
        };
        auto checkRead = [&](HANDLE h, ModelPosition& pos, bool advance) {
            model.Refresh(pos);
            const ModelRecord* expected = nullptr;
            DWORD expectedError = 0;
            if (pos.at) {
                expected = model.Find(pos.anchor.oid);
                if (!expected) expectedError = ERROR_KEY_DELETED;
            } else {
                expected = model.Forward(pos.anchor, 1);
                if (!expected) expectedError = ERROR_NOT_FOUND;
            }
            ReadResult got = Read(h, {MAKEPROPID(2, CEVT_I4), sortId});
            if (!expected) {
                ASSERT_EQ(got.oid, 0u);
                ASSERT_EQ(got.error, expectedError);
                return;
            }
            ASSERT_EQ(got.oid, expected->oid) << got.error;
            ASSERT_EQ(got.props.at(0), Describe(I4(2, expected->serial)));
            ASSERT_EQ(got.props.at(1), expected->value ? Describe(*expected->value) : Key(sortId) + "missing");
            pos = ModelPosition{!advance, Model::AnchorOf(*expected)};
        };

        for (size_t i = 0; i < initialRecords && !HasFatalFailure(); ++i) write(0);
        for (int op = 0; op < operations && !HasFatalFailure(); ++op) {
            SCOPED_TRACE("operation " + std::to_string(op));
            size_t kind = pick(20);
            bool onPlain = pick(2);
            HANDLE h = onPlain ? plain : autoInc;
            ModelPosition& pos = onPlain ? plainPos : autoPos;
            if (kind < 4) {
                write(0);
            } else if (kind < 6 && model.Size()) {
                auto oids = model.Oids();
                write(oids[pick(oids.size())]);
            } else if (kind < 8 && model.Size()) {
                auto oids = model.Oids();
                CEOID victim = oids[pick(oids.size())];
                model.Refresh(pos);
                ASSERT_TRUE(CeDeleteRecord(h, victim)) << GetLastError();
                model.Erase(victim);
                // Deleting its own record moves an auto-increment handle on.
                if (!onPlain && pos.at && pos.anchor.oid == victim) pos.at = false;
                gone.push_back(victim);
            } else if (kind < 10) {
                checkRead(h, pos, !onPlain);
            } else if (kind < 12) {
                // A walk: reads in order, as loaders do.
                for (int step = 0, steps = static_cast<int>(pick(12)); step < steps; ++step) {
                    if (HasFatalFailure()) return;
                    if (onPlain) {
                        model.Refresh(pos);
                        const ModelRecord* expected = model.Seek(pos, CEDB_SEEK_CURRENT, 1, nullptr);
                        ASSERT_EQ(Seek(h, CEDB_SEEK_CURRENT, 1), expected ? expected->oid : 0u);
                    } else {
                        checkRead(h, pos, true);
                    }
                }
            } else {
                static const DWORD seeks[] = {CEDB_SEEK_CEOID,        CEDB_SEEK_BEGINNING,
                                              CEDB_SEEK_END,          CEDB_SEEK_CURRENT,
                                              CEDB_SEEK_VALUESMALLER, CEDB_SEEK_VALUEFIRSTEQUAL,
                                              CEDB_SEEK_VALUEGREATER, CEDB_SEEK_VALUENEXTEQUAL};
                DWORD seek = seeks[pick(8)];
                LONG n = 0;
                CEPROPVAL value = pool.Draw(random);
                DWORD_PTR argument = 0;
                if (seek == CEDB_SEEK_CEOID) {
                    auto oids = model.Oids();
                    if (!oids.empty() && pick(4))
                        n = static_cast<LONG>(oids[pick(oids.size())]);
                    else if (!gone.empty())
                        n = static_cast<LONG>(gone[pick(gone.size())]);
                    argument = static_cast<CEOID>(n);
                } else if (seek == CEDB_SEEK_BEGINNING || seek == CEDB_SEEK_END) {
                    n = static_cast<LONG>(pick(model.Size() + 2));
                    if (seek == CEDB_SEEK_END && pick(2)) n = -n;
                    argument = static_cast<DWORD>(n);
                } else if (seek == CEDB_SEEK_CURRENT) {
                    n = static_cast<LONG>(pick(9)) - 4;
                    if (pick(10) == 0) n *= 40;
                    argument = static_cast<DWORD>(n);
                } else {
                    argument = reinterpret_cast<DWORD_PTR>(&value);
                }
                model.Refresh(pos);
                ModelPosition before = pos;
                const ModelRecord* expected = model.Seek(pos, seek, n, &value);
                DWORD index = 0xDEAD;
                bool wantIndex = pick(3) == 0;
                CEOID got = CeSeekDatabase(h, seek, argument, wantIndex ? &index : nullptr);
                ASSERT_EQ(got, expected ? expected->oid : 0u)
                    << "seek " << seek << " n " << n << " value " << Describe(value);
                if (!expected) {
                    EXPECT_TRUE(GetLastError() == ERROR_NOT_FOUND || GetLastError() == ERROR_KEY_DELETED)
                        << GetLastError();
                    pos = before;
                } else if (wantIndex) {
                    ASSERT_EQ(index, model.IndexOf(expected));
                }
            }
        }
        if (HasFatalFailure()) return;
        // Read in full through a new handle, the order must be the model's.
        HANDLE check = OpenDb(db, sortId, CEDB_AUTOINCREMENT);
        std::vector<CEOID> order;
        for (ReadResult r = Read(check); r.oid; r = Read(check)) order.push_back(r.oid);
        std::vector<CEOID> expected;
        for (const ModelRecord* r : model.Sorted()) expected.push_back(r->oid);
        EXPECT_EQ(order, expected);
        CloseHandle(check);
        CloseHandle(plain);
        CloseHandle(autoInc);
        ASSERT_TRUE(CeDeleteDatabase(db));
    }

    PinnedLocale english_{"en-US"};
};

TEST_F(CedbModel, SmallAndLargerDatabasesFollowTheModel)
{
    auto start = std::chrono::steady_clock::now();
    int seq = 0;
    // Thousands of short runs; bounded in time for slow (sanitizer) builds.
    for (; seq < 3000 && std::chrono::steady_clock::now() - start < std::chrono::seconds(20); ++seq) {
        RunSequence(seq, static_cast<size_t>(seq % 9), 30);
        if (HasFatalFailure()) return;
    }
    EXPECT_GE(seq, 500);
    // A few larger ones for long walks and far moves.
    for (seq = 0; seq < 4; ++seq) {
        RunSequence(100000 + seq, 600, 150);
        if (HasFatalFailure()) return;
    }
    EXPECT_EQ(StoreProblems(), "");
}

}  // namespace
