#include "platform/objectstore/cedb_sort_key.h"

#include <unicode/coll.h>
#include <unicode/locid.h>

#include <bit>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace platform::cedb {
namespace {

constexpr char kPresentFirst = 0x01;
constexpr char kPresentLast = 0x02;

char PresentByte(const SORTORDERSPEC& order)
{
    return (order.dwFlags & CEDB_SORT_UNKNOWNFIRST) ? kPresentLast : kPresentFirst;
}
char MissingByte(const SORTORDERSPEC& order)
{
    return (order.dwFlags & CEDB_SORT_UNKNOWNFIRST) ? kPresentFirst : kPresentLast;
}

// Collators are costly to make and not safe to share between threads: one
// configured prototype per (locale, strength) for the process, cloned once per
// thread.
class CollatorCache {
public:
    static icu::Collator* ForThread(const std::string& locale, bool ignoreCase)
    {
        thread_local std::map<std::pair<std::string, bool>, std::unique_ptr<icu::Collator>> mine;
        auto key = std::make_pair(locale, ignoreCase);
        auto it = mine.find(key);
        if (it == mine.end()) it = mine.emplace(key, Instance().Clone(locale, ignoreCase)).first;
        return it->second.get();
    }

private:
    static CollatorCache& Instance()
    {
        static CollatorCache* cache = new CollatorCache();  // used by threads that outlive static destruction
        return *cache;
    }

    std::unique_ptr<icu::Collator> Clone(const std::string& locale, bool ignoreCase)
    {
        std::lock_guard lock(mutex_);
        auto [it, added] = prototypes_.try_emplace({locale, ignoreCase});
        if (added) it->second = Make(locale, ignoreCase);
        return it->second ? std::unique_ptr<icu::Collator>(it->second->clone()) : nullptr;
    }

    static std::unique_ptr<icu::Collator> Make(const std::string& locale, bool ignoreCase)
    {
        UErrorCode err = U_ZERO_ERROR;
        icu::Locale where = locale.empty() ? icu::Locale::getRoot() : icu::Locale(locale.c_str());
        std::unique_ptr<icu::Collator> c(icu::Collator::createInstance(where, err));
        if (U_FAILURE(err) || !c) {
            err = U_ZERO_ERROR;
            c.reset(icu::Collator::createInstance(icu::Locale::getRoot(), err));
            if (U_FAILURE(err) || !c) return nullptr;
        }
        c->setAttribute(UCOL_NORMALIZATION_MODE, UCOL_ON, err);
        c->setStrength(ignoreCase ? icu::Collator::SECONDARY : icu::Collator::TERTIARY);
        if (U_FAILURE(err)) return nullptr;
        return c;
    }

    std::mutex mutex_;
    std::map<std::pair<std::string, bool>, std::unique_ptr<icu::Collator>> prototypes_;
};

template <class T>
void PutBigEndian(std::string& out, T v)
{
    for (int shift = (sizeof(T) - 1) * 8; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void PutDouble(std::string& out, double d)
{
    if (d == 0) d = 0;                                             // -0 and +0 are one value
    if (d != d) d = std::bit_cast<double>(0x7FF8000000000000ull);  // one NaN, above every number
    auto bits = std::bit_cast<std::uint64_t>(d);
    bits = (bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull;
    PutBigEndian(out, bits);
}

void PutString(std::string& out, const StoredProp& prop, const std::string& locale, bool ignoreCase)
{
    std::u16string text(prop.length, u'\0');
    if (prop.length) std::memcpy(text.data(), prop.data, static_cast<size_t>(prop.length) * 2);
    icu::Collator* c = CollatorCache::ForThread(locale, ignoreCase);
    if (!c) {  // no collation data at all: code unit order, kept prefix-free
        for (char16_t u : text) PutBigEndian(out, static_cast<std::uint16_t>(u + 1));
        out.append(2, '\0');
        return;
    }
    uint8_t stack[256];
    auto length = static_cast<int32_t>(text.size());
    int32_t need = c->getSortKey(text.data(), length, stack, sizeof stack);
    if (need <= static_cast<int32_t>(sizeof stack)) {
        out.append(reinterpret_cast<const char*>(stack), static_cast<size_t>(need));
        return;
    }
    std::string big(static_cast<size_t>(need), '\0');
    c->getSortKey(text.data(), length, reinterpret_cast<uint8_t*>(big.data()), need);
    out += big;
}

// Zero bytes become 00 FF and the end is 00 00: no encoding is a prefix of
// another and byte order is kept.
void PutBlob(std::string& out, const StoredProp& prop)
{
    for (DWORD i = 0; i < prop.length; ++i) {
        out.push_back(static_cast<char>(prop.data[i]));
        if (prop.data[i] == 0) out.push_back(static_cast<char>(0xFF));
    }
    out.append(2, '\0');
}

}  // namespace

std::string SortKeyBuilder::RecordKey(const SORTORDERSPEC& order, const StoredProp* prop) const
{
    std::string key(1, prop ? PresentByte(order) : MissingByte(order));
    if (!prop) return key;
    const CEVALUNION& v = prop->value;
    switch (TypeFromPropID(order.propid)) {
        case CEVT_I2:
            PutBigEndian(key, static_cast<std::uint16_t>(static_cast<std::uint16_t>(v.iVal) ^ 0x8000u));
            break;
        case CEVT_UI2:
            PutBigEndian(key, v.uiVal);
            break;
        case CEVT_I4:
        case CEVT_BOOL:
            PutBigEndian(key, static_cast<std::uint32_t>(v.lVal) ^ 0x80000000u);
            break;
        case CEVT_UI4:
            PutBigEndian(key, v.ulVal);
            break;
        case CEVT_R8:
            PutDouble(key, v.dblVal);
            break;
        case CEVT_FILETIME:
            PutBigEndian(key, (static_cast<std::uint64_t>(v.filetime.dwHighDateTime) << 32) | v.filetime.dwLowDateTime);
            break;
        case CEVT_LPWSTR:
            PutString(key, *prop, (order.dwFlags & CEDB_SORT_GENERICORDER) ? std::string() : locale_,
                      (order.dwFlags & CEDB_SORT_CASEINSENSITIVE) != 0);
            break;
        case CEVT_BLOB:
            PutBlob(key, *prop);
            break;
        default:
            break;
    }
    if (order.dwFlags & CEDB_SORT_DESCENDING)
        for (size_t i = 1; i < key.size(); ++i) key[i] = static_cast<char>(~key[i]);
    return key;
}

std::string SortKeyBuilder::PresentLow(const SORTORDERSPEC& order) { return std::string(1, PresentByte(order)); }

std::string SortKeyBuilder::PresentHigh(const SORTORDERSPEC& order)
{
    return std::string(1, static_cast<char>(PresentByte(order) + 1));
}

std::string SortKeyBuilder::CollationIdentity(const std::string& icuLocale)
{
    std::string id = icuLocale;
    if (icu::Collator* c = CollatorCache::ForThread(icuLocale, false)) {
        UVersionInfo version;
        c->getVersion(version);
        char text[32];
        std::snprintf(text, sizeof text, "|%u.%u.%u.%u", version[0], version[1], version[2], version[3]);
        id += text;
    }
    return id;
}

}  // namespace platform::cedb
