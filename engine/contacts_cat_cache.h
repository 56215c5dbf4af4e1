// CCatCache: one contact in the contact list's index, the category cache.
// The cache holds one small entry per contact, read once from the whole
// database: every view of the list is built, searched and grouped from it.
//
// An entry owns its copies: the categories blob (a LocalAlloc block) and
// five counted strings (BSTRs, SysStringLen gives their length; null when
// the contact lacks the property).
#pragma once

#include <string_view>

#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/objectstore/cedb.h"
#include "platform/text/bstr.h"

class KSTOOLS_API CCatCache {
public:
    CCatCache() = default;
    ~CCatCache() { Clear(); }
    CCatCache(const CCatCache&) = delete;
    CCatCache& operator=(const CCatCache&) = delete;

    // Frees every copy; the entry is then empty (OID kept).
    void Clear();
    // Replaces the blob by a copy of blob (no copy, size 0, for a missing or
    // empty one); false when memory runs out (the entry then has none).
    bool SetBlob(const CEBLOB* blob);
    // Replaces one string by a copy of text (null for null or empty text);
    // false when memory runs out.
    static bool SetText(BSTR& field, std::u16string_view text);

    CEBLOB Blob() const { return CEBLOB{blobSize, blob}; }
    // A string as a view (empty for null).
    static std::u16string_view View(BSTR text) { return text ? std::u16string_view(text, SysStringLen(text)) : u""; }

    DWORD oid = 0;
    DWORD blobSize = 0;
    BYTE* blob = nullptr;
    BSTR givenName = nullptr;
    BSTR surname = nullptr;
    BSTR groupValue = nullptr;  // the grouping value of the current group view
    BSTR company = nullptr;
    BSTR fileAs = nullptr;
};
