#include "items/c_journal.h"

#include <mutex>
#include <string>

#include "items/journal_dialog.h"
#include "items/journal_notes.h"
#include "platform/base/last_error.h"
#include "platform/base/local_block.h"
#include "platform/text/utf8.h"
#include "platform/time/clock.h"
#include "platform/time/system_time.h"
#include "platform/time/variant_time.h"
#include "platform/ui/ui_host.h"
#include "storage/c_registry.h"
#include "storage/ce_db.h"
#include "storage/ce_db_record.h"

namespace {

SORTORDERSPEC g_sorts[4] = {
    {kJournalParent, 0},
    {kJournalCreated, 0},
    {kJournalModified, 0},
    {kJournalNumber1, 0},
};

// The order of a read request: subject first, as the stored records were
// always read.
CEPROPID g_readIds[16] = {
    kJournalSubject, kJournalPlainNotes, kJournalType,    kJournalDuration,   kJournalFalseFlag, kJournalParent,
    kJournalCreated, kJournalModified,   kJournalStart,   kJournalParentText, kJournalText3,     kJournalPageFlag,
    kJournalNumber1, kJournalNumber2,    kJournalNumber3, kJournalNotes,
};

FILETIME ToFileTime(const SYSTEMTIME& st)
{
    FILETIME ft{};
    if (!SystemTimeToFileTime(&st, &ft)) ft = FILETIME{};
    return ft;
}

bool ReadTime(const CeDbRecord& record, CEPROPID id, SYSTEMTIME& st)
{
    FILETIME ft{};
    if (!record.GetIndexVal(record.FindProp(id), ft)) return false;
    SYSTEMTIME read{};
    if (!FileTimeToSystemTime(&ft, &read)) return false;
    st = read;
    return true;
}

SYSTEMTIME LocalNow()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return now;
}

// Shows the system's text for the thread's last error.
void ShowLastError()
{
    CeString text;
    text.FormatMessageW(GetLastError());
    MessageBoxW(nullptr, text, nullptr, MB_OK | MB_ICONERROR);
}

bool OpenJournal(CeDb& db, CEPROPID sort)
{
    CJournal::CheckAndCreateDB();
    return db.Open(kJournalDatabase, sort, 0, nullptr);
}

}  // namespace

void CJournal::CheckAndCreateDB()
{
    // One check per object store: tests and tools may point the process at
    // a fresh data directory, which deserves its own check.
    static std::mutex mutex;
    static std::string checkedStore;
    static bool checked = false;
    std::lock_guard<std::mutex> lock(mutex);
    const std::string store = platform::ObjectStorePath();
    if (checked && store == checkedStore) return;
    checked = true;
    checkedStore = store;

    CeDb db;
    if (db.Open(kOldJournalDatabase, 0, 0, nullptr)) {
        const CEOID oid = db.GetOid();
        CEDBASEINFO info{};
        info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDSORTSPEC;
        const std::u16string name = kJournalDatabase;
        name.copy(info.szDbaseName, CEDB_MAXDBASENAMELEN - 1);
        info.wNumSortOrder = 4;
        for (int i = 0; i < 4; ++i) info.rgSortSpecs[i] = g_sorts[i];
        if (!db.SetInfo(oid, &info)) db.HandleError(u"CheckAndCreateDB");
    }
    if (!db.Open(kJournalDatabase, kJournalParent, 0, nullptr)) {
        if (!db.Create(kJournalDatabase, 0, 4, g_sorts)) db.HandleError(u"CheckAndCreateDB");
    }
}

void CJournal::EntryFromRecord(const CeDbRecord& record, CJournalData& data)
{
    auto index = [&](CEPROPID id) { return record.FindProp(id); };

    CEBLOB blob{};
    std::vector<BYTE> notes;
    const bool hasNotes = record.GetIndexVal(index(kJournalNotes), blob);
    const platform::LocalBlock notesCopy(blob.lpb);
    if (hasNotes && blob.dwCount > 0) {
        notes.assign(blob.lpb, blob.lpb + blob.dwCount);
    } else {
        CeString plain;
        if (record.GetIndexVal(index(kJournalPlainNotes), plain)) {
            const std::string bytes = WideToUtf8(static_cast<const WCHAR*>(plain), plain.Length());
            notes.assign(bytes.begin(), bytes.end());
        }
    }
    data.m_notes = std::move(notes);

    record.GetIndexVal(index(kJournalSubject), data.m_subject);
    record.GetIndexVal(index(kJournalType), data.m_type);
    record.GetIndexVal(index(kJournalParentText), data.m_parentText);
    record.GetIndexVal(index(kJournalText3), data.m_text3);

    ULONG duration = 0;
    data.m_duration = record.GetIndexVal(index(kJournalDuration), duration) ? duration : 0;
    LONG parent = 0;
    data.m_parent = record.GetIndexVal(index(kJournalParent), parent) ? static_cast<CEOID>(parent) : 0;
    bool pageFlag = false;
    data.m_pageFlag = record.GetIndexVal(index(kJournalPageFlag), pageFlag) && pageFlag;
    // Numbers the record lacks keep the entry's values.
    record.GetIndexVal(index(kJournalNumber1), data.m_number1);
    record.GetIndexVal(index(kJournalNumber2), data.m_number2);
    record.GetIndexVal(index(kJournalNumber3), data.m_number3);

    if (!ReadTime(record, kJournalModified, data.m_modified)) data.m_modified = LocalNow();
    if (!ReadTime(record, kJournalStart, data.m_start)) data.m_start = LocalNow();
    data.m_createdMissing = !ReadTime(record, kJournalCreated, data.m_created);
    if (data.m_createdMissing) data.m_created = data.m_start;

    data.m_record = record.GetOid();
}

bool CJournal::ReadEntry(CEOID record, CJournalData* data)
{
    if (!record || !data) return false;
    CeDb db;
    if (!OpenJournal(db, kJournalParent)) return true;
    if (db.SeekTo(record) != record) return true;
    CeDbRecord stored;
    if (!db.ReadRec(stored, 16, g_readIds)) return true;
    EntryFromRecord(stored, *data);
    return true;
}

void CJournal::WriteEntry(CJournalData& data, bool stampCreated)
{
    CeDb db;
    if (!OpenJournal(db, kJournalParent)) {
        ShowLastError();
        return;
    }
    const bool update = data.m_record != 0 && db.SeekTo(data.m_record) == data.m_record;

    CeDbRecord record;
    const CEPROPID ids[] = {kJournalModified, kJournalStart,     kJournalParent,     kJournalSubject, kJournalType,
                            kJournalDuration, kJournalFalseFlag, kJournalParentText, kJournalText3,   kJournalPageFlag,
                            kJournalNumber1,  kJournalNumber2,   kJournalNumber3,    kJournalNotes};
    record.AddProps(ids, static_cast<int>(std::size(ids)));

    SYSTEMTIME created = data.m_created;
    if (!update) {
        if (stampCreated) created = LocalNow();
        record.AddProp(PropIdNumber(kJournalCreated), TypeFromPropID(kJournalCreated));
        record.SetIdVal(PropIdNumber(kJournalCreated), ToFileTime(created), CEVT_FILETIME);
    }
    const SYSTEMTIME modified = LocalNow();
    auto index = [&](CEPROPID id) { return record.FindProp(id); };
    record.SetIndexVal(index(kJournalModified), ToFileTime(modified));
    record.SetIndexVal(index(kJournalStart), ToFileTime(data.m_start));
    record.SetIndexVal(index(kJournalParent), static_cast<LONG>(data.m_parent));
    record.SetIndexVal(index(kJournalSubject), static_cast<const WCHAR*>(data.m_subject));
    record.SetIndexVal(index(kJournalType), static_cast<const WCHAR*>(data.m_type));
    record.SetIndexVal(index(kJournalDuration), data.m_duration);
    record.SetIndexVal(index(kJournalFalseFlag), false);
    record.SetIndexVal(index(kJournalParentText), static_cast<const WCHAR*>(data.m_parentText));
    record.SetIndexVal(index(kJournalText3), static_cast<const WCHAR*>(data.m_text3));
    record.SetIndexVal(index(kJournalPageFlag), data.m_pageFlag);
    record.SetIndexVal(index(kJournalNumber1), data.m_number1);
    record.SetIndexVal(index(kJournalNumber2), data.m_number2);
    record.SetIndexVal(index(kJournalNumber3), data.m_number3);

    // Without an ink control there is no other format to convert from: the
    // notes are stored as they are, less a trailing empty paragraph.
    std::vector<BYTE> notes = data.m_notes;
    if (!notes.empty()) {
        DropTrailingEmptyParagraph(notes);
        record.SetIndexVal(index(kJournalNotes), CEBLOB{static_cast<DWORD>(notes.size()), notes.data()});
    } else {
        record.RemProp(index(kJournalNotes));
    }

    bool written;
    if (update) {
        record.SetOid(data.m_record);
        written = db.UpdateRec(record);
    } else {
        written = db.AddRec(record);
    }
    if (!written) {
        ShowLastError();
        return;
    }
    data.m_record = record.GetOid();
    data.m_modified = modified;
    if (!update) {
        data.m_created = created;
        data.m_createdMissing = false;
    }
}

void CJournal::DeleteEntry(CEOID record)
{
    CeDb db;
    if (OpenJournal(db, kJournalParent)) db.DeleteRecord(record);
}

bool CJournal::HasEntries(CEOID parent)
{
    CeDb db;
    if (!OpenJournal(db, kJournalParent)) return false;
    CEPROPVAL value{};
    value.propid = kJournalParent;
    value.val.lVal = static_cast<LONG>(parent);
    return db.SeekRec(&value) != 0;
}

void CJournal::AutoJournal(const WCHAR* action, UINT stringId, CEOID parent, const WCHAR* parentText,
                           const WCHAR* extraText)
{
    if (!action || !*action) return;
    ULONG on = 0;
    {
        CRegistry settings;
        if (settings.Exists(HKEY_CURRENT_USER, kAutoJournalKey) != 1) return;
        if (settings.QueryValue(action, &on) != ERROR_SUCCESS || on == 0) return;
    }

    CeString subject;
    subject.LoadStringW(stringId);
    if (extraText && *extraText) {
        subject += u": ";
        subject += extraText;
    }

    CJournalData entry;
    entry.m_start = LocalNow();
    entry.m_created = entry.m_start;
    entry.m_parent = parent;
    if (parentText) entry.m_parentText = parentText;
    entry.m_subject = subject;
    entry.m_type = action;
    entry.SetNotesText(subject);
    WriteEntry(entry, true);
}

void CJournal::DisplayEditor(CEOID record, HWND parent)
{
    CJournalData entry;
    if (ReadEntry(record, &entry)) CJournalDialog::Show(parent, entry);
}

CEOID CJournal::FindByDate(double date)
{
    CeDb db;
    if (!OpenJournal(db, kJournalCreated)) return 0;
    SYSTEMTIME st{};
    if (!VariantTimeToSystemTime(date, &st)) return 0;
    CEPROPVAL value{};
    value.propid = kJournalCreated;
    value.val.filetime = ToFileTime(st);
    if (!db.SeekRec(&value)) return 0;

    CeString title;
    title.LoadStringW(kJournalDailyNoteString);
    const int titleLength = title.Length() > 4 ? title.Length() - 4 : 0;
    CEPROPID ids[2] = {kJournalParent, kJournalSubject};
    for (;;) {
        CeDbRecord record;
        if (db.ReadRec(record, 2, ids)) {
            LONG parent = 0;
            record.GetIndexVal(record.FindProp(kJournalParent), parent);
            CeString subject;
            record.GetIndexVal(record.FindProp(kJournalSubject), subject);
            if (parent == 0 && subject.Compare(title, titleLength) == 0) return record.GetOid();
        }
        if (!db.SeekNext()) return 0;
    }
}
