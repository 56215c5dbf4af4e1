// DATACONTACTS: one row of the contact list, a contact or a group header.
//
// Rows and their strings live on the loader's private heap: a row is made
// with `new (heap) DATACONTACTS` and never freed by itself; clearing the
// list destroys the heap, and with it every row and string at once.
#pragma once

#include <string_view>

#include "platform/base/export.h"
#include "platform/base/types.h"

class CCatCache;

// The OID of a special row that sorts first in the simple comparison.
inline constexpr DWORD kContactsSpecialRowOid = 0xFFFFFFFF;
// The OID of the header of contacts without a grouping value.
inline constexpr DWORD kContactsNoValueHeaderOid = 1;

class KSTOOLS_API DATACONTACTS {
public:
    DATACONTACTS() = default;
    DATACONTACTS(const DATACONTACTS&) = delete;
    DATACONTACTS& operator=(const DATACONTACTS&) = delete;

    // Takes the row's memory from heap (HeapAlloc, zeroed); null when the
    // heap is full or null. Rows are never deleted one by one.
    static void* operator new(size_t size, void* heap) noexcept;
    static void operator delete(void*, void*) noexcept {}
    static void operator delete(void*) = delete;

    // A copy of text on heap, zero-terminated; null for empty text or when
    // the heap is full.
    static WCHAR* HeapText(void* heap, std::u16string_view text);

    DWORD oid = 0;
    WCHAR* displayName = nullptr;
    WCHAR* secondLine = nullptr;
    CCatCache* cacheEntry = nullptr;
    WCHAR* categories = nullptr;
    WCHAR* iconText = nullptr;
    WORD hasLinks = 0;
    WORD hasJournal = 0;
    WORD hasNote = 0;
    DWORD secondLineField = 0;  // the property shown on the second line
    BYTE lastRow = 0;           // sorts after every other row
    BYTE header = 0;            // a group header; first within its group
    WORD expanded = 0;          // a header's open state
    LONG memberCount = 0;       // a header's number of members
    LONG groupIndex = 0;
    BYTE filled = 0;
    // Call-log rows only: when the call began (UTC), and how it went.
    FILETIME callStart{};
    BYTE callOutgoing = 0;
    BYTE callMissed = 0;
};
