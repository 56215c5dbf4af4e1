// CePtrList and CeStrList. Sections: Random operations against a vector; Bases,
// integer elements and moves; Sorting; Delete policies; Compare policies.
#include "foundation/ce_ptr_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "foundation/list_policies.h"
#include "platform/base/local_memory.h"
#include "platform/text/bstr.h"

namespace {

// ---- Random operations against a vector -----------------------------------

constexpr int kDefaultValue = 99;

// Text elements "v<n>" (LocalAlloc for copy kind 2, malloc otherwise; -1 is null).
// Kind 7 is no copy kind: the list stores the pointer itself.
template <class Ch, int CopyKind>
struct TextKind {
    using T = Ch*;
    static constexpr int kCopy = CopyKind;
    static constexpr bool kOwns = CopyKind != 7;
    std::vector<Ch*> made;
    ~TextKind()
    {
        for (Ch* p : made) CopyKind == 2 ? static_cast<void>(LocalFree(p)) : std::free(p);
    }
    T Source(int v)
    {
        if (v < 0) return nullptr;
        std::string s = "v";
        s += std::to_string(v);
        size_t bytes = (s.size() + 1) * sizeof(Ch);
        auto* p = static_cast<Ch*>(CopyKind == 2 ? LocalAlloc(LMEM_FIXED, bytes) : std::malloc(bytes));
        std::copy(s.c_str(), s.c_str() + s.size() + 1, p);
        made.push_back(p);
        return p;
    }
    int Value(T e) const
    {
        EXPECT_TRUE(CopyKind != 6 || e != nullptr);  // null is stored as the empty BSTR
        if (!e || e[0] != Ch('v')) return -1;
        std::string digits(e + 1, e + 1 + std::char_traits<Ch>::length(e + 1));
        if (CopyKind == 2) {
            EXPECT_EQ(LocalSize(e), (digits.size() + 2) * sizeof(Ch));  // the source's size
        } else if (CopyKind == 6) {
            EXPECT_EQ(SysStringLen(reinterpret_cast<BSTR>(e)), digits.size() + 1);
        }
        return std::stoi(digits);
    }
    void Check(const std::vector<int>&) const {}
};

// An interface-like object: copy kind 3 keeps one reference per element.
struct Counted {
    LONG refs = 1;
    int value = 0;
    ULONG AddRef() { return static_cast<ULONG>(++refs); }
    ULONG Release() { return static_cast<ULONG>(--refs); }
};
struct InterfaceKind {
    using T = Counted*;
    static constexpr int kCopy = 3;
    static constexpr bool kOwns = false;
    std::vector<Counted> pool = std::vector<Counted>(100);
    T Source(int v) { return v < 0 ? nullptr : &pool[static_cast<size_t>(v)]; }
    int Value(T e) const { return e ? static_cast<int>(e - pool.data()) : -1; }
    void Check(const std::vector<int>& model) const
    {
        for (int v = 0; v < 100; ++v)
            ASSERT_EQ(pool[static_cast<size_t>(v)].refs, 1 + std::count(model.begin(), model.end(), v)) << v;
    }
};

struct ValueKind {
    using T = LONG;
    static constexpr int kCopy = 0;
    static constexpr bool kOwns = false;
    T Source(int v) { return v; }
    int Value(T e) const { return e; }
    void Check(const std::vector<int>&) const {}
};

template <class Kind>
class CePtrListModel : public ::testing::Test {
protected:
    using T = typename Kind::T;

    void Verify(CePtrList<T>& list, const std::vector<int>& model, Kind& kind, int base)
    {
        ASSERT_EQ(list.GetCount(), static_cast<int>(model.size()));
        std::vector<int> seen;
        for (T e : list) seen.push_back(kind.Value(e));
        ASSERT_EQ(seen, model);
        if (model.empty()) {
            EXPECT_EQ(list.GetCurrentPosition(), base - 1);
        } else {
            ASSERT_EQ(kind.Value(list.GetHead()), model.front());
            ASSERT_EQ(kind.Value(list.GetTail()), model.back());
        }
        kind.Check(model);
    }

    void RunRandom(unsigned seed, int base)
    {
        std::mt19937 rng(seed);
        Kind kind;
        CePtrList<T> list(base, Kind::kCopy, 0);
        list.SetDefaultElement(kind.Source(kDefaultValue));
        std::vector<int> model;
        auto size = [&] { return static_cast<int>(model.size()); };
        // A position from `below` before the first to `above` past the last, and its index.
        auto randomPos = [&](int below, int above) {
            int pos = base - below + static_cast<int>(rng() % static_cast<unsigned>(size() + below + above));
            return std::pair{pos, pos - base + 1};
        };
        for (int step = 0; step < 250; ++step) {
            SCOPED_TRACE("seed " + std::to_string(seed) + " base " + std::to_string(base) + " step " +
                         std::to_string(step));
            int v = static_cast<int>(rng() % 51) - 1;
            switch (rng() % 9) {
                case 0: {
                    T source = kind.Source(v);
                    ASSERT_EQ(list.Append(source), CELIST_OK);
                    model.push_back(v);
                    EXPECT_EQ(list.GetCurrentPosition(), size() - 1 + base);
                    EXPECT_TRUE(!Kind::kOwns || !source || list.GetTail() != source);  // a copy
                    break;
                }
                case 1: {  // set at, one past the end and outside; sometimes an element with itself
                    auto [pos, i] = randomPos(2, 3);
                    bool self = i >= 1 && i <= size() && rng() % 4 == 0;
                    if (self) v = model[static_cast<size_t>(i - 1)];
                    int r = list.SetAt(pos, self ? list.GetAt(pos) : kind.Source(v));
                    ASSERT_EQ(r, i >= 1 && i <= size() + 1 ? CELIST_OK : CELIST_BADPOSITION);
                    if (i == size() + 1)
                        model.push_back(v);
                    else if (r == CELIST_OK)
                        model[static_cast<size_t>(i - 1)] = v;
                    break;
                }
                case 2: {
                    auto [pos, i] = randomPos(1, 3);
                    int r = list.InsertAt(pos, kind.Source(v));
                    ASSERT_EQ(r, i >= 1 && i <= size() + 1 ? CELIST_OK : CELIST_BADPOSITION);
                    if (r == CELIST_OK) {
                        model.insert(model.begin() + (i - 1), v);
                        EXPECT_EQ(list.GetCurrentPosition(), pos);
                    }
                    break;
                }
                case 3: {  // grow with the default element or shrink from the tail
                    int n = rng() % 4 == 0 ? size() / 2 : static_cast<int>(rng() % static_cast<unsigned>(size() + 4));
                    ASSERT_EQ(list.SetCount(n), CELIST_OK);
                    model.resize(static_cast<size_t>(n), kDefaultValue);
                    ASSERT_EQ(list.SetCount(-1), CELIST_BADPOSITION);
                    break;
                }
                case 4: {
                    bool head = rng() % 2;
                    ASSERT_EQ(head ? list.RemoveHead() : list.RemoveTail(),
                              model.empty() ? CELIST_BADPOSITION : CELIST_OK);
                    if (!model.empty()) model.erase(head ? model.begin() : model.end() - 1);
                    break;
                }
                case 5: {
                    auto [pos, i] = randomPos(1, 2);
                    int r = list.RemoveAt(pos);
                    ASSERT_EQ(r, i >= 1 && i <= size() ? CELIST_OK : CELIST_BADPOSITION);
                    if (r != CELIST_OK) break;
                    model.erase(model.begin() + (i - 1));
                    if (i > 1 && i <= size()) {  // a middle node: its follower is current at the same position
                        EXPECT_EQ(list.GetCurrentPosition(), pos);
                        EXPECT_EQ(kind.Value(list.GetAt(pos)), model[static_cast<size_t>(i - 1)]);
                    }
                    break;
                }
                case 6:
                case 7: {  // positional reads, random and in runs either way
                    auto [pos, i] = randomPos(2, 2);
                    int dir = rng() % 2 ? 1 : -1;
                    for (int k = 1 + static_cast<int>(rng() % 6); k > 0; --k, pos += dir, i += dir) {
                        T out{};
                        if (i >= 1 && i <= size()) {
                            ASSERT_EQ(list.GetAt(pos, out), CELIST_OK);
                            EXPECT_EQ(kind.Value(out), model[static_cast<size_t>(i - 1)]);
                            EXPECT_EQ(list.GetCurrentPosition(), pos);
                        } else {
                            ASSERT_EQ(list.GetAt(pos, out), CELIST_BADPOSITION);
                            EXPECT_EQ(out, T{});
                            EXPECT_EQ(list.GetAt(pos), T{});
                            EXPECT_EQ(list.SetCurrentPosition(pos), CELIST_BADPOSITION);
                        }
                    }
                    break;
                }
                case 8:
                    if (rng() % 8 == 0) {
                        list.RemoveAll();
                        model.clear();
                    }
                    break;
            }
            Verify(list, model, kind, base);
            if (this->HasFatalFailure()) return;
        }
    }
};

using ElementKinds = ::testing::Types<TextKind<char, 1>, TextKind<char, 2>, InterfaceKind, TextKind<WCHAR, 4>,
                                      TextKind<char, 5>, TextKind<WCHAR, 6>, TextKind<WCHAR, 7>, ValueKind>;
TYPED_TEST_SUITE(CePtrListModel, ElementKinds);

TYPED_TEST(CePtrListModel, RandomOperationsMatchAVector)
{
    for (int base : {0, 1}) {
        for (unsigned seed = 1; seed <= 12 && !this->HasFatalFailure(); ++seed)
            this->RunRandom(seed * 7919u + base, base);
    }
}

// ---- Bases, integer elements and moves ------------------------------------

TEST(CePtrList, BasesSequentialAccessMoveAndIntegerElements)
{
    EXPECT_EQ(CePtrList<LONG>(7).GetIndexBase(), 0);  // a base other than 0 or 1 is taken as 0
    CePtrList<LONG> list(1);
    for (LONG v = 1; v <= 1000; ++v) list.Append(v * 3);
    for (int pos = 1000; pos >= 1; pos -= 7) ASSERT_EQ(list.GetAt(pos), pos * 3);
    EXPECT_EQ(list.SetCurrentPosition(500), CELIST_OK);
    EXPECT_EQ(list.GetAt(501), 1503);
    CePtrList<LONG> moved(std::move(list));
    EXPECT_EQ(moved.GetCount(), 1000);
    EXPECT_EQ(moved.GetIndexBase(), 1);
    EXPECT_EQ(list.GetCount(), 0);  // NOLINT(bugprone-use-after-move)
    // Both lists grow again on nodes of their own: no spare node went with the move twice.
    for (LONG v = 1; v <= 30; ++v) list.Append(-v);  // NOLINT(bugprone-use-after-move)
    for (LONG v = 1; v <= 30; ++v) moved.Append(v);
    for (int pos = 1; pos <= 30; ++pos) ASSERT_EQ(list.GetAt(pos) + moved.GetAt(1000 + pos), 0) << pos;
    CePtrList<WCHAR*> a(0, 4, 1), b(0, 4, 1);
    a.Append(const_cast<WCHAR*>(u"x"));
    b.Append(const_cast<WCHAR*>(u"y"));
    b = std::move(a);  // b's own string is freed (a leak would show under the sanitizers)
    EXPECT_EQ(std::u16string(b.GetAt(0)), u"x");
    CePtrList<DWORD> numbers(0, 4, 1);  // string kinds make no sense for numbers
    numbers.Append(0xFFFFFFFFu);
    numbers.Append(7);
    EXPECT_EQ(numbers.GetAt(0), 0xFFFFFFFFu);
    EXPECT_EQ(numbers.Find(7u), 1);
    EXPECT_GT(numbers.Compare(0xFFFFFFFFu, 7u), 0);
    EXPECT_GT(CePtrList<LONG>(0).Compare(-1, 1), 0);  // unsigned order
    EXPECT_EQ(numbers.AddHead(5u), CELIST_OK);
    EXPECT_EQ(numbers.GetAt(0), 5u);
}

// ---- Sorting --------------------------------------------------------------

int ByTens(const LONG& a, const LONG& b, unsigned long descending)
{
    int r = static_cast<int>(a / 10) - static_cast<int>(b / 10);
    return descending ? -r : r;
}
int Inconsistent(const LONG& a, const LONG& b, unsigned long) { return (a ^ b) & 1 ? 1 : -1; }

TEST(CePtrList, SortIsStableAndPassesTheCallersValue)
{
    std::mt19937 rng(9);
    CePtrList<LONG> list(1);
    for (int i = 0; i < 300; ++i) list.Append(static_cast<LONG>(rng() % 20) * 10 + (i % 10));
    for (unsigned long descending : {0ul, 1ul}) {
        std::vector<LONG> expected(list.begin(), list.end());
        std::stable_sort(expected.begin(), expected.end(),
                         [&](LONG a, LONG b) { return ByTens(a, b, descending) < 0; });
        list.Sort(&ByTens, descending);
        EXPECT_EQ(std::vector<LONG>(list.begin(), list.end()), expected);
        EXPECT_EQ(list.GetCurrentPosition(), 1);
        EXPECT_EQ(list.GetTail(), expected.back());
        for (int pos = list.GetCount(); pos >= 1; --pos)
            ASSERT_EQ(list.GetAt(pos), expected[static_cast<size_t>(pos - 1)]);
    }
    std::vector<LONG> before(list.begin(), list.end()), after;
    list.Sort(&Inconsistent, 0);  // a comparison that contradicts itself loses nothing
    after.assign(list.begin(), list.end());
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, before);
    CeStrList<WCHAR*> names(0, 4, 2);
    for (const WCHAR* s : {u"delta", u"Alpha", u"charlie", u"Bravo"}) names.Append(s);
    names.Sort();
    std::u16string joined;
    for (WCHAR* s : names) joined += std::u16string(s) + u" ";
    EXPECT_EQ(joined, u"Alpha Bravo charlie delta ");
    names.Sort(nullptr, 0);  // no comparison: unchanged
    EXPECT_EQ(std::u16string(names.GetHead()), u"Alpha");
}

// ---- Delete policies ------------------------------------------------------

struct Tracked {
    static inline int destroyed = 0;
    int id;
    explicit Tracked(int i) : id(i) {}
    ~Tracked() { ++destroyed; }
};

TEST(CePtrList, DeletePolicies)
{
    Tracked::destroyed = 0;
    {
        CePtrList<Tracked*> owned(1);
        owned.SetDeletePolicy(1);
        for (int i = 0; i < 5; ++i) owned.Append(new Tracked(i));
        EXPECT_EQ(owned.RemoveAt(3), CELIST_OK);
        owned.SetAt(1, new Tracked(10));
        EXPECT_EQ(Tracked::destroyed, 2);
        Tracked* kept = owned.GetAt(2);
        EXPECT_EQ(owned.RemoveAt(2, false), CELIST_OK);  // detached, not deleted
        EXPECT_EQ(Tracked::destroyed, 2);
        delete kept;
        owned.SetCount(1);
        EXPECT_EQ(Tracked::destroyed, 5);
    }
    EXPECT_EQ(Tracked::destroyed, 6);

    Tracked::destroyed = 0;
    alignas(Tracked) unsigned char arena[sizeof(Tracked) * 3];
    Tracked outside(9);
    {
        CePtrList<Tracked*> inPlace(0), unowned(0);
        inPlace.SetDeletePolicy(6);  // the destructor only: the memory is the arena's
        for (int i = 0; i < 3; ++i) inPlace.Append(new (arena + i * sizeof(Tracked)) Tracked(i));
        unowned.SetDeletePolicy(0);
        unowned.Append(&outside);
    }
    EXPECT_EQ(Tracked::destroyed, 3);

    Counted a, b;
    {
        CePtrList<Counted*> interfaces(0);
        interfaces.SetDeletePolicy(4);
        a.AddRef();
        b.AddRef();
        interfaces.Append(&a);  // stored as it is: the list owns one reference
        interfaces.Append(&b);
        EXPECT_EQ(a.refs, 2);
        interfaces.RemoveHead();
        EXPECT_EQ(a.refs, 1);
    }
    EXPECT_EQ(b.refs, 1);

    // Mismatched frees or leaks show under the sanitizers.
    CePtrList<char*> viaFree(0), viaLocal(0);
    viaFree.SetDeletePolicy(2);
    viaFree.Append(static_cast<char*>(std::malloc(16)));
    viaLocal.SetDeletePolicy(3);
    viaLocal.Append(static_cast<char*>(LocalAlloc(LPTR, 16)));
    CePtrList<WCHAR*> viaBstr(0);
    viaBstr.SetDeletePolicy(5);
    viaBstr.Append(SysAllocString(u"bstr"));
}

// ---- Compare policies -----------------------------------------------------

TEST(CeStrList, OwnedCopiesFoundByTheComparePolicyAndEveryCompareKindOrdersAsDocumented)
{
    CeStrList<> list;
    WCHAR source[] = u"Alpha";
    list.Append(source);
    list.Append(u"beta");
    source[0] = u'X';
    EXPECT_EQ(std::u16string(list.GetAt(0)), u"Alpha");
    EXPECT_EQ(list.Find(u"BETA"), 1);  // case ignored by default
    EXPECT_EQ(list.Find(u"gamma"), -1);
    EXPECT_EQ(list.Find(u"alpha", 1), -1);
    CeStrList<> contains(1, 4, 8);
    contains.Append(u"Weekly Meeting");
    contains.Append(u"Lunch");
    EXPECT_EQ(contains.Find(u"MEET"), 1);
    CeStrList<> nulls(0);
    nulls.Append(static_cast<const WCHAR*>(nullptr));
    nulls.SetCount(3);  // the default element is null too
    for (WCHAR* s : nulls) EXPECT_EQ(s, nullptr);
    EXPECT_EQ(nulls.Find(static_cast<const WCHAR*>(nullptr)), 0);

    auto n = [](std::uintptr_t v) { return reinterpret_cast<const void*>(v); };
    const struct {
        int kind;
        const void* a;
        const void* b;
        int sign;
    } rows[] = {
        {1, u"abc", u"abd", -1},
        {1, u"b", u"B", 1},
        {2, u"ABC", u"abc", 0},
        {2, u"abc", u"ABD", -1},
        {3, "abc", "ABC", 1},
        {3, "abc", "abd", -1},
        {4, "abc", "ABC", 0},
        {4, "abd", "ABC", 1},
        {5, u"apple", u"Banana", -1},
        {5, u"apple", u"APPLE", -1},
        {6, u"apple", u"APPLE", 0},
        {7, u"weekly meeting", u"meet", 0},
        {7, u"weekly meeting", u"Meet", 1},
        {8, u"weekly meeting", u"MEET", 0},
        {8, u"meet", u"weekly meeting", 1},
        {7, nullptr, u"x", 1},
        {8, u"x", nullptr, 1},
        {0, n(1), n(2), -1},
        {9, n(2), n(2), 0},
        {-1, n(UINTPTR_MAX), n(0), 1},
    };
    auto sign = [](int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.kind);
        EXPECT_EQ(sign(CeListComparePolicy(r.kind)(r.a, r.b, 0)), r.sign);
    }
    for (int kind = 1; kind <= 6; ++kind) {  // null sorts first
        const void* text = kind == 3 || kind == 4 ? static_cast<const void*>("x") : u"x";
        EXPECT_LT(CeListComparePolicy(kind)(nullptr, text, 0), 0) << kind;
        EXPECT_GT(CeListComparePolicy(kind)(text, nullptr, 0), 0) << kind;
        EXPECT_EQ(CeListComparePolicy(kind)(nullptr, nullptr, 0), 0) << kind;
    }
    EXPECT_EQ(CeListLocaleCompare(u"b", u"B", true), 0);
}

}  // namespace
