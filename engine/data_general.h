// DATAGENERAL: one hit of the search list. The search fills the fields it
// needs; the rest stay 0. The record owns its five texts (malloc'ed).
#pragma once

#include "platform/base/types.h"

class DATAGENERAL {
public:
    DATAGENERAL();
    DATAGENERAL(const DATAGENERAL&) = delete;
    DATAGENERAL& operator=(const DATAGENERAL&) = delete;
    virtual ~DATAGENERAL();

    // Frees the texts, zeroes numbers and flags; date "no date", importance 1.
    void NullData();

    DWORD oid;  // the last sort key
    DWORD kind;
    WCHAR* displayText;    // the formatted mark-up line of the list
    WCHAR* groupText;      // compared first when sorting
    WCHAR* categoryText;   // ", "-joined names
    WCHAR* secondaryText;  // may be null
    WCHAR* furtherText;    // may be null
    double date;           // OLE automation date; 949998.0 when none
    WORD hasJournal;
    WORD hasLinks;
    WORD isPrivate;
    WORD hasNote;
    DWORD importance;  // 0 low, 1 normal, 2 high
    BYTE filled;

private:
    void SetEmpty();
};
