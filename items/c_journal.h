// CJournal: the journal store. Entries live in the object-store database
// "KestrelJournal_2", one record per entry, found by record OID, by parent
// item (sort order on the parent) or by creation time. Every operation opens
// the database for itself, so any thread may call them.
//
// Times are local SYSTEMTIMEs stored as FILETIMEs without time-zone
// conversion. Without an ink control the notes are stored as they are.
#pragma once

#include "items/c_journal_data.h"
#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/objectstore/cedb.h"
#include "platform/objectstore/store_schema.h"

class CeDbRecord;

// The settings key whose DWORD values switch automatic entries on, one value
// per action name.
inline constexpr const WCHAR* kAutoJournalKey = u"Software\\Corvid\\Kestrel\\AutoJournal";

// Subjects of the automatic entries and the daily note's title, in the
// suite's string table.
inline constexpr UINT kJournalNewAppointmentString = 42123;
inline constexpr UINT kJournalAppointmentForContactString = 42437;
inline constexpr UINT kJournalTaskString = 42481;
inline constexpr UINT kJournalEmailString = 42435;
inline constexpr UINT kJournalSmsString = 42458;
inline constexpr UINT kJournalNewContactString = 44099;
inline constexpr UINT kJournalCompletedString = 44181;
inline constexpr UINT kJournalReopenedString = 44177;
inline constexpr UINT kJournalThisIsMeString = 42485;
inline constexpr UINT kJournalDailyNoteString = 44673;

class KSTOOLS_API CJournal {
public:
    // Once per process and object store: renames an older "KestrelJournal"
    // (with the four sort orders), then makes "KestrelJournal_2" when it
    // cannot be opened.
    static void CheckAndCreateDB();
    // Reads record into data. False only for record 0 or a null data; a
    // record that is not there (or a journal that cannot be opened) leaves
    // data as it was and still gives true.
    static bool ReadEntry(CEOID record, CJournalData* data);
    // Updates data's record when it exists, else adds a new one (created now
    // when stampCreated, else data's created time). Modified is now. On
    // success data's record, created and modified are those stored; open or
    // write failures are shown through the UI host.
    static void WriteEntry(CJournalData& data, bool stampCreated);
    static void DeleteEntry(CEOID record);
    // Whether any entry has this parent.
    static bool HasEntries(CEOID parent);
    // Writes the automatic entry of an action when the action's AutoJournal
    // setting is on: subject the string stringId (": " and extraText
    // appended when given), type the action, notes the subject.
    static void AutoJournal(const WCHAR* action, UINT stringId, CEOID parent, const WCHAR* parentText,
                            const WCHAR* extraText);
    // Reads the entry and shows it in the journal dialog.
    static void DisplayEditor(CEOID record, HWND parent);
    // The daily note of the day whose object-model date is date: from the
    // first entry created exactly at that time on, in created order, the
    // first without a parent whose subject begins with the daily-note
    // title. 0 when there is none.
    static CEOID FindByDate(double date);

    // Fills data from a record read with the journal's properties (see
    // ReadEntry for the defaults of absent ones). Record OID included.
    static void EntryFromRecord(const CeDbRecord& record, CJournalData& data);
};
