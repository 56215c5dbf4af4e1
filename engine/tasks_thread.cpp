#include "engine/tasks_thread.h"

#include <cstring>
#include <vector>

#include "engine/scoped_data_lock.h"
#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/base/local_memory.h"
#include "platform/files/registry.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/objectstore/store_schema.h"
#include "platform/time/clock.h"
#include "platform/time/variant_time.h"
#include "storage/c_registry.h"

namespace {

// The properties a load reads, in the order the filing code indexes them.
constexpr ULONG kTaskPropIds[kTasksPropertyCount] = {
    kTaskSensitivity, kTaskComplete,   kTaskStartDate, kTaskDueDate,         kTaskImportance,
    kTaskIconText,    kTaskSubject,    kTaskRecurring, kTaskReminderSet,     kTaskDateCompleted,
    kItemNote,        kItemCategories, kTaskParent,    kTaskPercentComplete,
};

// Records visited between two looks at the stop event: before the 1st, 26th,
// 51st ... record, so a stop takes effect within 25 records. Without the
// category pre-pass the worker's stop flag (no system call) is also tested at
// every record. The calendar loader keeps its own cadence of 20
// (calendar_thread.cpp); nothing in the loader frame depends on the two
// being equal.
constexpr int kStopCheckInterval = 25;

}  // namespace

CTasksThread::CTasksThread()
    : m_list(1), m_groups(0), m_onDate(kTaskNoDate), m_today(0), m_bManualSettings(false),
      m_hNotify(nullptr), m_propIds{}, m_propCount(0), m_readIds{}, m_readCount(0)
{
    m_list.SetPolicies(nullptr, nullptr, nullptr);
    m_groups.SetDeletePolicy(1);
    SetSettingsKey(kTasksSettingsKey);
    SettingChange();
}

CTasksThread::~CTasksThread()
{
    // PostKill is ours: the thread must stop while this object is whole.
    Stop(true);
    ClearData();
    m_list.RemoveAll();
    DeleteAllHeaders();
}

void CTasksThread::DeleteAllHeaders()
{
    m_categoryHeaders.clear();
    m_groups.RemoveAll();
}

void CTasksThread::Override(const WCHAR* keyPath) { SetSettingsKey(keyPath); }

void CTasksThread::SetTodayFromClock()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    DATE today = 0;
    SystemTimeToVariantTime(&now, &today);
    m_today = static_cast<int>(today);
}

void CTasksThread::SettingChange()
{
    m_settings.Read(GetSettingsKey());
    ReadCategoryRestrictSettings();
    SetTodayFromClock();
}

void CTasksThread::LoadSortPrefs()
{
    TasksSortPrefs prefs;
    CRegistry settings;
    const bool open = settings.OpenKey(HKEY_CURRENT_USER, GetSettingsKey()) == 0;
    auto read = [&](const WCHAR* name, int fallback) {
        int value = fallback;
        if (!open || settings.QueryValue(name, &value) != 0) value = fallback;
        return value;
    };
    const int rule = m_settings.filterRule;
    if (rule == kTasksRuleOnDate || rule == kTasksRuleUnplanned || rule == kTasksRuleProject) {
        prefs.primaryKey = kTasksSortCompletion;
        prefs.secondaryKey = kTasksSortImportance;
    } else {
        prefs.primaryKey = read(u"TV_Sort0", kTasksSortImportance);
        prefs.secondaryKey = read(u"TV_Sort1", kTasksSortSubject);
        prefs.primaryDescending = read(u"TV_SortDescending0", 0) != 0;
        prefs.secondaryDescending = read(u"TV_SortDescending1", 0) != 0;
    }
    prefs.undatedTaskSort = read(u"UndatedTaskSort", -1);
    if (m_settings.groupBy == kTasksGroupPriorityManager) {
        prefs.primaryKey = kTasksSortTpm;
        prefs.secondaryKey = kTasksSortSubject;
        prefs.primaryDescending = prefs.secondaryDescending = false;
    }
    m_sortState.SetPrefs(prefs);
}

int CTasksThread::SetPropIds(ULONG* ids)
{
    std::memcpy(ids, kTaskPropIds, sizeof(kTaskPropIds));
    m_propCount = kTasksPropertyCount;
    return kTasksPropertyCount;
}

int CTasksThread::InitiateLinksDB() { return CKSDataThread::InitiateLinksDB(); }

DWORD CTasksThread::ThreadProc()
{
    return RunLoaderProtocol(
        m_hNotify, [] { return true; }, [this](CeManualEvent* stop) { return TasksThreadProc(stop); });
}

void CTasksThread::PostKill()
{
    // The frame closes the databases and gives back the data lock.
    CKSDataThread::PostKill();
    m_busy = 0;
    if (m_hNotify) PostMessageW(m_hNotify, WM_LOADER_END, 0, 0);
}

void CTasksThread::ClearData()
{
    for (DATATASKS* row : m_list) {
        if (row && !row->IsHeader()) delete row;
    }
    m_list.RemoveAll();
    // The texts found by blob are the rows' copies, which go with them.
    m_categoryTexts.clear();
    m_rowCategoryTexts.clear();
    m_subjectTexts.Clear();
}

void CTasksThread::ClearGroups()
{
    if (m_list.IsEmpty()) DeleteAllHeaders();
}

DWORD CTasksThread::TasksThreadProc(CeManualEvent* stopEvent)
{
    ScopedDataLock lock(*this);
    if (!lock.Acquired()) return 0;
    ++m_busy;
    SetupThreadResources();
    CeDb* db = GetDatabaseClass();
    ResetForLoad();
    const bool open = OpenTasksDatabase(db);
    ClearPreviousLoad();

    // Whether the database holds a record at all (cheaper than counting).
    const bool hasRecords = open && db->SeekFirst() != 0;
    CeDbRecord record;
    CEPROPVAL* const buffer = hasRecords ? AttachReadBuffer(record) : nullptr;
    const bool prePass = buffer && RestrictsCategories();
    const std::vector<CEOID> chosen = prePass ? ChooseByCategory(*db, record) : std::vector<CEOID>();

    InitiateLinksDB();
    bool finished = true;
    if (buffer) {
        finished = prePass ? FileChosenRecords(*db, record, chosen, stopEvent) : FileAllRecords(*db, record, stopEvent);
    }
    // The read buffer is not needed by the rest of the load (parents are
    // read into buffers of their own).
    record.Reset();
    if (finished) CompleteList(buffer != nullptr);
    CloseLoad(db, finished);
    m_bListWhole = finished;

    const int visible = m_displayed;
    lock.Unlock();
    --m_busy;
    if (finished) ReportLoaderData(m_hNotify, LOADER_DATA_COMPLETE, visible, true);
    return 0;
}

void CTasksThread::ResetForLoad()
{
    if (!m_bManualSettings) SettingChange();
    m_included = m_completed = m_overdue = m_dueToday = 0;
    m_high = m_normal = m_low = m_partial = 0;
    m_treeRows = m_withParent = 0;
    m_bFixedHeadersMade = false;
    m_bTreeExpanded = false;
    LoadSortPrefs();
    SetPropIds(m_propIds);
    ChooseReadProps();
    m_categoryTexts.clear();
    m_excluded.clear();
    m_bListWhole = false;
    m_countedUnlisted.clear();
    m_categoryStateOfLoad = CategoryStateNow();
}

void CTasksThread::ChooseReadProps()
{
    // The parent is read only where the list uses it: the tree, the day
    // rules and the project view.
    const bool parent = m_settings.readParent || m_settings.DayRule() || m_settings.ProjectView();
    m_readCount = 0;
    for (ULONG id : m_propIds) {
        if (id != kTaskParent || parent) m_readIds[m_readCount++] = id;
    }
}

bool CTasksThread::OpenTasksDatabase(CeDb* db)
{
    if (!db) return false;
    // Each read moves the handle on to the next record: the main pass needs
    // no seek per record. The records are read in OID order, the store's
    // cheapest walk (no index look-up per record): the list is sorted once it
    // is whole, so the order of the reads does not decide the rows' order.
    constexpr DWORD kWalk = CEDB_AUTOINCREMENT | CEDB_OIDORDER;
    if (!m_settings.ProjectView()) return db->Open(kTasksDatabase, 0, kWalk, nullptr);
    if (!m_projects) m_projects = std::make_unique<CTaskProjects>(m_hNotify);
    m_projects->LoadProjects();
    return m_settings.projectOid != 0 && db->Open(kTasksDatabase, 0, kWalk, nullptr);
}

void CTasksThread::ClearPreviousLoad()
{
    ClearData();
    // Headers of the previous load go with it; the fixed ones are made again.
    DeleteAllHeaders();
    m_displayed = 0;
}

CEPROPVAL* CTasksThread::AttachReadBuffer(CeDbRecord& record)
{
    auto* buffer = static_cast<CEPROPVAL*>(LocalAlloc(LPTR, kTasksFirstReadBufferSize));
    record.Attach(0, 0, kTasksFirstReadBufferSize, buffer, nullptr);
    return buffer;
}

bool CTasksThread::ReadIntoRecord(CeDb& db, CeDbRecord& record, USHORT count, ULONG* ids)
{
    const DWORD size = record.GetSize();
    if (db.ReadRec(record, record.GetProps(), size, count, ids)) return true;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size >= kTasksReadBufferSize) return false;
    // A record larger than the buffer so far: the buffer grows to the
    // largest a task may fill, and the record (which a failed read does not
    // leave) is read again.
    auto* larger = static_cast<CEPROPVAL*>(LocalAlloc(LPTR, kTasksReadBufferSize));
    if (!larger) return false;
    record.Attach(0, 0, kTasksReadBufferSize, larger, nullptr);
    return db.ReadRec(record, larger, kTasksReadBufferSize, count, ids);
}

bool CTasksThread::RestrictsCategories() const
{
    return m_categoryRestrict.bHideCategories != kCategoryShowSelected ||
           (m_categoryRestrict.m_pSelected && !m_categoryRestrict.m_pSelected->IsEmpty());
}

std::vector<CEOID> CTasksThread::ChooseByCategory(CeDb& db, CeDbRecord& record)
{
    std::vector<CEOID> chosen;
    ULONG blobId = kItemCategories;
    if (db.SeekFirst() == 0) return chosen;
    for (bool read = false; ReadNextRecord(db, record, 1, &blobId, read);) {
        if (!read) continue;
        CEBLOB blob{0, nullptr};
        if (const CEPROPVAL* stored = record.StoredAt(0)) blob = stored->val.blob;
        if (CategoryFilterHighLevel(&blob, &m_categoryRestrict)) chosen.push_back(record.GetOid());
    }
    return chosen;
}

bool CTasksThread::FileChosenRecords(CeDb& db, CeDbRecord& record, const std::vector<CEOID>& chosen,
                                     CeManualEvent* stopEvent)
{
    int visited = 0;
    for (CEOID oid : chosen) {
        if (visited++ % kStopCheckInterval == 0 && StopRequested(stopEvent)) return false;
        if (db.SeekTo(oid) == 0) continue;
        FileCurrentRecord(db, record);
    }
    return true;
}

bool CTasksThread::FileAllRecords(CeDb& db, CeDbRecord& record, CeManualEvent* stopEvent)
{
    // The handle stands at the first record (TasksThreadProc looked for one).
    int visited = 0;
    for (bool read = false; ReadNextRecord(db, record, static_cast<USHORT>(m_readCount), m_readIds, read);) {
        // The worker's stop flag is set with the event and costs no system
        // call; the event itself is looked at every few records.
        if (IsStopSet() || (visited++ % kStopCheckInterval == 0 && StopRequested(stopEvent))) return false;
        if (read) FileRecord(record);
    }
    return true;
}

bool CTasksThread::ReadNextRecord(CeDb& db, CeDbRecord& record, USHORT count, ULONG* ids, bool& read)
{
    read = ReadIntoRecord(db, record, count, ids);
    if (read) return true;
    // Past the last record; or a record that cannot be read (deleted
    // meanwhile, damaged, too large for the buffer), which the handle does
    // not leave by itself.
    if (GetLastError() == ERROR_NOT_FOUND) return false;
    return db.SeekNext() != 0;
}

void CTasksThread::FileCurrentRecord(CeDb& db, CeDbRecord& record)
{
    if (!ReadIntoRecord(db, record, static_cast<USHORT>(m_readCount), m_readIds)) return;
    FileRecord(record);
}

void CTasksThread::FileRecord(CeDbRecord& record)
{
    bool shown = false;
    AddNewTask(&record, &shown, -1, false, false);
}

void CTasksThread::CompleteList(bool read)
{
    // The group headers' arrays are whole: what they grew beyond their rows
    // goes before the sort needs its own room.
    for (DATATASKS* header : m_groups) header->children.ShrinkToFit();
    if (m_withParent > 0 && m_settings.readParent && read) {
        SetChildToParents(nullptr, m_propIds, kTasksReadBufferSize, false);
    }
    SetActiveCountFromTree();
    SortDataList();
    SortPriorityManager();
}

void CTasksThread::CloseLoad(CeDb* db, bool finished)
{
    if (finished) {
        if (db) db->Close();
    } else {
        // A stopped load drops the database object; the next load makes a
        // new one.
        delete m_pMainDB;
        m_pMainDB = nullptr;
    }
    CloseLinksDB();
    m_categoryTexts.clear();
}
