// CJournalData: one journal entry in memory, as the journal store reads and
// writes it (see c_journal.h).
#pragma once

#include <vector>

#include "foundation/ce_string.h"
#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/objectstore/cedb.h"
#include "platform/time/system_time.h"

class KSTOOLS_API CJournalData {
public:
    CJournalData();

    // Back to a blank entry: record 0, empty texts and notes, zero numbers,
    // every time zeroed.
    void Clear();

    CEOID m_record;         // the stored record; 0 for an entry not yet stored
    CeString m_subject;     // title
    CeString m_type;        // automatic entries: the action's name
    CeString m_parentText;  // describes the parent item
    CeString m_text3;       // a further text edited in the journal page
    ULONG m_duration;       // minutes
    bool m_pageFlag;
    SYSTEMTIME m_start;     // the entry's local date and time
    SYSTEMTIME m_created;   // first stored (local)
    SYSTEMTIME m_modified;  // last stored (local)
    bool m_createdMissing;  // read without a created time: m_created is m_start
    LONG m_number1;
    LONG m_number2;
    LONG m_number3;
    CEOID m_parent;  // contact, appointment or task; 0 for none
    // Rich notes in the ink control's data. Without an ink control they are
    // kept as they are: plain text is held as UTF-8 bytes.
    std::vector<BYTE> m_notes;

    // The notes as text (bytes read as UTF-8), and plain text as notes.
    CeString NotesText() const;
    void SetNotesText(const WCHAR* text);
};
