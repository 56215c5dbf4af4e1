#include "engine/contacts_compare.h"

#include <string>

#include "engine/contacts_view_settings.h"
#include "platform/locale/compare_string.h"

namespace {

int Compare(DWORD flags, std::u16string_view a, std::u16string_view b)
{
    // An empty view may have no data pointer, which the comparison refuses.
    const int r = CompareStringW(LOCALE_USER_DEFAULT, flags, a.empty() ? u"" : a.data(), static_cast<int>(a.size()),
                                 b.empty() ? u"" : b.data(), static_cast<int>(b.size()));
    return r == 0 ? 0 : r - CSTR_EQUAL;
}

int Strict(std::u16string_view a, std::u16string_view b) { return Compare(0, a, b); }

// Formats 0 and 1: key 1 and then key 2 when both have a key 1; otherwise
// the joined keys, each standing in for by the file-as name when empty.
int CompareNames(const CCatCache& a, const CCatCache& b, bool givenFirst)
{
    auto key1 = [&](const CCatCache& e) { return CCatCache::View(givenFirst ? e.givenName : e.surname); };
    auto key2 = [&](const CCatCache& e) { return CCatCache::View(givenFirst ? e.surname : e.givenName); };
    if (!key1(a).empty() && !key1(b).empty()) {
        const int first = Strict(key1(a), key1(b));
        return first != 0 ? first : Strict(key2(a), key2(b));
    }
    auto joined = [&](const CCatCache& e) {
        std::u16string text(key1(e));
        text += key2(e);
        return text.empty() ? std::u16string(CCatCache::View(e.fileAs)) : text;
    };
    return Strict(joined(a), joined(b));
}

// Null rows last and last rows after the others; 2 when neither decides.
int CompareEnds(const DATACONTACTS* a, const DATACONTACTS* b)
{
    if (!a || !b) return a == b ? 0 : (a ? -1 : 1);
    if (a->lastRow || b->lastRow) return a->lastRow && b->lastRow ? 0 : (a->lastRow ? 1 : -1);
    return 2;
}

std::u16string_view NameOf(const DATACONTACTS* row) { return row->displayName ? row->displayName : u""; }

}  // namespace

int CompareContactTextLoose(std::u16string_view a, std::u16string_view b)
{
    return Compare(kContactsLooseCompareFlags, a, b);
}

namespace {

bool IsAsciiAlnum(WCHAR c) { return (c >= u'0' && c <= u'9') || ((c | 0x20) >= u'a' && (c | 0x20) <= u'z'); }

}  // namespace

bool ContactNameHasPrefix(std::u16string_view name, std::u16string_view prefix)
{
    if (name.size() < prefix.size()) return false;
    // The typed search tries every name of every contact at each keystroke.
    // Texts of plain ASCII letters and digits compare loosely as they do
    // ignoring ASCII case, so those are decided here without the collator;
    // anything else (accents, symbols, other scripts) goes to it.
    bool plain = true;
    for (size_t i = 0; i < prefix.size() && plain; ++i) {
        const WCHAR a = name[i], b = prefix[i];
        plain = IsAsciiAlnum(a) && IsAsciiAlnum(b);
        if (plain && (a | 0x20) != (b | 0x20)) return false;
    }
    if (plain) return true;
    return Compare(kContactsLooseCompareFlags, name.substr(0, prefix.size()), prefix) == 0;
}

int CompareCatCacheItem(const CCatCache* a, const CCatCache* b, unsigned long format)
{
    if (a == b) return 0;
    if (!a || !b) return a ? -1 : 1;
    switch (format) {
        case kContactsGivenFirst:
        case kContactsSurnameFirst:
            return CompareNames(*a, *b, format == kContactsGivenFirst);
        case kContactsByCategory: {
            const int group = Strict(CCatCache::View(a->groupValue), CCatCache::View(b->groupValue));
            return group != 0 ? group : Strict(CCatCache::View(a->fileAs), CCatCache::View(b->fileAs));
        }
        default:
            if (IsContactsGroupFormat(static_cast<int>(format)))
                return Strict(CCatCache::View(a->groupValue), CCatCache::View(b->groupValue));
            return Strict(CCatCache::View(a->fileAs), CCatCache::View(b->fileAs));
    }
}

int CompareFunc(const DATACONTACTS* a, const DATACONTACTS* b)
{
    const int ends = CompareEnds(a, b);
    if (ends != 2) return ends;
    if (a->groupIndex != b->groupIndex) return a->groupIndex < b->groupIndex ? -1 : 1;
    if (a->header != b->header) return a->header ? -1 : 1;
    return CompareContactTextLoose(NameOf(a), NameOf(b));
}

int CompareFuncSimple(const DATACONTACTS* a, const DATACONTACTS* b)
{
    const int ends = CompareEnds(a, b);
    if (ends != 2) return ends;
    const bool specialA = a->oid == kContactsSpecialRowOid, specialB = b->oid == kContactsSpecialRowOid;
    if (specialA != specialB) return specialA ? -1 : 1;
    return CompareContactTextLoose(NameOf(a), NameOf(b));
}

bool SameContactGroup(std::u16string_view a, std::u16string_view b)
{
    return a.size() == b.size() && Compare(NORM_IGNORECASE, a, b) == 0;
}
