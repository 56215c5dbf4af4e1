// The orders of the contact list: the cache order of each display format
// (case-sensitive locale order) and the two row comparisons of the display
// list (locale order ignoring case, accents, symbols, kana type and width).
#pragma once

#include <string_view>

#include "engine/contacts_cat_cache.h"
#include "engine/data_contacts.h"
#include "platform/base/types.h"

// The flags of every comparison that ignores case and accents: case,
// non-spacing marks, symbols, kana type and width.
inline constexpr DWORD kContactsLooseCompareFlags = 0x30007;

// Negative, 0 or positive: a before, with or after b in the cache order of
// format. The same entry is 0; a null entry goes after the other.
int CompareCatCacheItem(const CCatCache* a, const CCatCache* b, unsigned long format);

// Display order: null rows last; last rows after the others (two of them
// equal); group index ascending; the header first in its group; then the
// display names in loose order.
int CompareFunc(const DATACONTACTS* a, const DATACONTACTS* b);
// Null rows last; last rows after the others; the special row (OID
// 0xFFFFFFFF) first; then the display names in loose order.
int CompareFuncSimple(const DATACONTACTS* a, const DATACONTACTS* b);

// Loose order of two texts (negative, 0, positive).
int CompareContactTextLoose(std::u16string_view a, std::u16string_view b);
// Whether name begins with prefix in loose order (a shorter name does not).
bool ContactNameHasPrefix(std::u16string_view name, std::u16string_view prefix);
// Whether two grouping values are the same group: equal length and equal
// ignoring case.
bool SameContactGroup(std::u16string_view a, std::u16string_view b);
