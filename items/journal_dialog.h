// CJournalDialog: the least journal dialog a headless library can offer. It
// shows one entry through the UI host, asks for the minutes spent on it and,
// when the user accepts, stores it. Richer editing (pages, stopwatch, parent
// picker) belongs to a real user interface.
#pragma once

#include "foundation/ce_string.h"
#include "items/c_journal_data.h"
#include "platform/base/types.h"

// The question id under which the dialog asks for the duration (minutes).
inline constexpr const WCHAR* kJournalDurationQuestion = u"journal.duration";

class CJournalDialog {
public:
    // Shows entry (OK/Cancel). On OK asks for the duration, keeping the
    // entry's when the answer is negative, and writes the entry (a new entry
    // gets its created time stamped). Returns IDOK or IDCANCEL.
    static int Show(HWND owner, CJournalData& entry);
    // A new entry for a parent item, started now, collected through Show.
    // Returns the stored record's OID, 0 when cancelled or not stored.
    static CEOID Collect(HWND owner, CEOID parent, const WCHAR* parentText, const WCHAR* subject);
    // The text the dialog shows for entry.
    static CeString Describe(const CJournalData& entry);
};
