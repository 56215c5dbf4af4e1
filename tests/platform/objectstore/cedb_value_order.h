// Orders worked out on the values themselves, and value pools full of ties and edges.
#pragma once

#include <unicode/coll.h>

#include <memory>
#include <random>

#include "tests/platform/objectstore/cedb_test_support.h"

namespace cedbtest {

inline int Sign(double d) { return d < 0 ? -1 : d > 0 ? 1 : 0; }

class ValueOrder {
public:
    ValueOrder(WORD type, DWORD flags, const char* locale) : type_(type), flags_(flags)
    {
        UErrorCode err = U_ZERO_ERROR;
        icu::Locale where = (flags & CEDB_SORT_GENERICORDER) ? icu::Locale::getRoot() : icu::Locale(locale);
        collator_.reset(icu::Collator::createInstance(where, err));
        collator_->setStrength((flags & CEDB_SORT_CASEINSENSITIVE) ? icu::Collator::SECONDARY
                                                                   : icu::Collator::TERTIARY);
        collator_->setAttribute(UCOL_NORMALIZATION_MODE, UCOL_ON, err);
    }
    // Missing values are null.
    int Compare(const CEPROPVAL* a, const CEPROPVAL* b) const
    {
        if (!a || !b) {
            if (!a && !b) return 0;
            int missingLast = (flags_ & CEDB_SORT_UNKNOWNFIRST) ? -1 : 1;
            return !a ? missingLast : -missingLast;
        }
        int c = Values(*a, *b);
        return (flags_ & CEDB_SORT_DESCENDING) ? -c : c;
    }

private:
    int Values(const CEPROPVAL& a, const CEPROPVAL& b) const
    {
        switch (type_) {
            case CEVT_I2:
                return Sign(a.val.iVal - b.val.iVal);
            case CEVT_UI2:
                return Sign(a.val.uiVal - b.val.uiVal);
            case CEVT_I4:
            case CEVT_BOOL:
                return Sign(static_cast<double>(a.val.lVal) - b.val.lVal);
            case CEVT_UI4:
                return Sign(static_cast<double>(a.val.ulVal) - b.val.ulVal);
            case CEVT_R8:
                return Sign(a.val.dblVal - b.val.dblVal);
            case CEVT_FILETIME: {
                auto u = [](const FILETIME& f) { return platform::FileTimeValue(f); };
                return u(a.val.filetime) < u(b.val.filetime) ? -1 : u(a.val.filetime) > u(b.val.filetime) ? 1 : 0;
            }
            case CEVT_LPWSTR: {
                UErrorCode err = U_ZERO_ERROR;
                UCollationResult r = collator_->compare(a.val.lpwstr, -1, b.val.lpwstr, -1, err);
                return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
            }
            case CEVT_BLOB: {
                std::string x(reinterpret_cast<char*>(a.val.blob.lpb), a.val.blob.dwCount);
                std::string y(reinterpret_cast<char*>(b.val.blob.lpb), b.val.blob.dwCount);
                return x < y ? -1 : x > y ? 1 : 0;
            }
            default:
                return 0;
        }
    }

    WORD type_;
    DWORD flags_;
    std::unique_ptr<icu::Collator> collator_;
};

// Random values of one type drawn from a small pool, so that ties happen.
class ValuePool {
public:
    explicit ValuePool(WORD type) : type_(type) {}
    CEPROPVAL Draw(std::mt19937& random)
    {
        static const char16_t* const words[] = {u"apple",  u"Apple", u"APPLE", u"\u00e4pple", u"apples", u"b",
                                                u"B",      u"",      u"zebra", u"co-op",      u"coop",   u"\u00c9clair",
                                                u"eclair", u"ab",    u"abc",   u"a b"};
        static const BYTE bytes[] = {0, 0, 1, 0xFF, 'a', 'b', 0};
        const WORD id = 1;
        auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        switch (type_) {
            case CEVT_I2:
                return I2(id, static_cast<short>(pick(7) - 3 + (pick(4) == 0 ? -32768 : 0)));
            case CEVT_UI2:
                return UI2(id, static_cast<USHORT>(pick(2) ? pick(5) : 65535 - pick(3)));
            case CEVT_I4:
                return I4(id, pick(2) ? pick(7) - 3 : static_cast<LONG>(random()));
            case CEVT_UI4:
                return UI4(id, pick(2) ? static_cast<ULONG>(pick(5)) : static_cast<ULONG>(random()));
            case CEVT_BOOL:
                return Bool(id, pick(3) - 1);
            case CEVT_R8: {
                static const double values[] = {0.0, -0.0, 1.5, -1.5, 1e300, -1e300, 1e-300, -1e-300, 2.0, 3.0};
                return R8(id, values[pick(10)]);
            }
            case CEVT_FILETIME:
                return Time(id, pick(2) ? static_cast<unsigned long long>(pick(4)) << 31 : random());
            case CEVT_LPWSTR:
                return Str(id, words[pick(16)]);
            default: {
                int start = pick(7);
                return Blob(id, bytes + start, static_cast<DWORD>(pick(8 - start)));
            }
        }
    }

private:
    WORD type_;
};

}  // namespace cedbtest
