// The calendar loader's set-up and its load: range, settings, the protocol
// around a load, and the walk over "Appointments Database".
#include "engine/calendar_thread.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/data_tasks.h"
#include "engine/scoped_data_lock.h"
#include "engine/tasks_compare.h"
#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/base/local_memory.h"
#include "platform/files/registry.h"
#include "platform/modules/string_resources.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/wide_string.h"
#include "platform/time/clock.h"
#include "platform/time/variant_time.h"
#include "storage/c_registry.h"

namespace {

constexpr ULONG kTaskPropIds[kCalendarTaskProps] = {
    kTaskSensitivity, kTaskComplete,   kTaskStartDate,       kTaskDueDate,     kTaskImportance,
    kTaskIconText,    kTaskSubject,    kTaskRecurring,       kTaskReminderSet, kTaskDateCompleted,
    kItemNote,        kItemCategories, kTaskPercentComplete,
};
constexpr int kDefaultTaskSort = 6;   // priority
constexpr int kDefaultTaskSort2 = 3;  // start date

void DeleteCalendarTask(DATATASKS* task) { delete task; }

// ClearList deals rows into 2^this bands of their address range.
constexpr int kClearBandBits = 12;

LONG DayOf(const SYSTEMTIME& st)
{
    SYSTEMTIME day = st;
    day.wHour = day.wMinute = day.wSecond = day.wMilliseconds = 0;
    DATE date = 0;
    if (!SystemTimeToVariantTime(&day, &date)) return kCalendarNoDay;
    return static_cast<LONG>(std::floor(date));
}

bool ToSystemTime(double date, SYSTEMTIME& st) { return VariantTimeToSystemTime(date, &st) != 0; }

}  // namespace

CCalendarThread::CCalendarThread(const WCHAR* key)
    : m_hNotify(nullptr), m_list(1), m_handedOver(0), m_viewKey{}, m_firstDay(kCalendarNoDay),
      m_lastDay(kCalendarNoDay), m_firstTime{}, m_lastTime{}, m_appointmentProps{}, m_taskProps{}, m_deviceZone{},
      m_today(0), m_bInFullLoad(false), m_bNoHeaderDates(false), m_matchText{}, m_ageWord{}
{
    // Task rows of the calendar carry a DATATASKS each, which the row frees.
    if (DATACALENDAR::s_pfnDeleteTask == nullptr) DATACALENDAR::s_pfnDeleteTask = &DeleteCalendarTask;
    m_list.SetDeletePolicy(1);
    std::memcpy(m_appointmentProps, kCalendarAppointmentPropIds, sizeof(kCalendarAppointmentPropIds));
    SetTaskProps(m_taskProps);
    CKSDataThread::SetSettingsKey(kCalendarSettingsKey);
    SetSettingsKey(key);
    if (LoadStringW(nullptr, kCalendarAgeWordString, m_ageWord, kCalendarAgeWordChars) == 0) m_ageWord[0] = 0;
    SettingChange();
}

CCalendarThread::~CCalendarThread()
{
    // PostKill is ours: the thread must stop while this object is whole.
    Stop(true);
    ClearList();
}

void CCalendarThread::ClearList()
{
    // A sorted list holds its rows in no order of memory: freeing them in
    // list order costs a cache miss or two a row (the row, the texts a
    // series' rows share). Dealt by address into a few thousand bands first,
    // the rows are met nearly in the order they lie in, and a series' rows,
    // made together, find their texts still in cache. The list frees them,
    // as its policy says.
    std::uintptr_t low = UINTPTR_MAX, high = 0;
    for (DATACALENDAR* row : m_list) {
        const auto at = reinterpret_cast<std::uintptr_t>(row);
        low = std::min(low, at);
        high = std::max(high, at);
    }
    if (!m_list.IsEmpty()) {
        const int shift = std::max(0, static_cast<int>(std::bit_width(high - low)) - kClearBandBits);
        auto bandOf = [low, shift](const DATACALENDAR* row) {
            return (reinterpret_cast<std::uintptr_t>(row) - low) >> shift;
        };
        std::vector<std::uint32_t>& starts = m_freeBands;
        starts.assign((size_t{1} << kClearBandBits) + 1, 0);
        for (const DATACALENDAR* row : m_list) ++starts[bandOf(row) + 1];
        for (size_t i = 1; i < starts.size(); ++i) starts[i] += starts[i - 1];
        std::vector<DATACALENDAR*>& dealt = m_freeDealt;
        dealt.resize(static_cast<size_t>(m_list.GetCount()));
        for (DATACALENDAR* row : m_list) dealt[starts[bandOf(row)]++] = row;
        auto node = m_list.begin();
        for (DATACALENDAR* row : dealt) *node++ = row;
    }
    m_list.RemoveAll();
    m_handedOver = 0;
}

void CCalendarThread::SetSettingsKey(const WCHAR* key)
{
    const WCHAR* use = key ? key : kCalendarSettingsKey;
    wcsncpy(m_viewKey, use, kLoaderSettingsKeyChars - 1);
    m_viewKey[kLoaderSettingsKeyChars - 1] = 0;
}

void CCalendarThread::SetRestrict(const SYSTEMTIME& first, const SYSTEMTIME& last)
{
    m_firstTime = first;
    m_lastTime = last;
    m_firstDay = DayOf(first);
    m_lastDay = DayOf(last);
    m_recurrence.SetRange(m_firstDay, m_lastDay, RangeMode());
    // The rows loaded are of the old range.
    m_bListWhole = false;
}

bool CCalendarThread::IsInCache(const SYSTEMTIME& day) const { return IsInCache(day, 0); }

bool CCalendarThread::IsInCache(double date) const
{
    if (!HasRange()) return false;
    const LONG d = static_cast<LONG>(std::floor(date));
    return d >= m_firstDay && d <= m_lastDay;
}

bool CCalendarThread::IsInCache(const SYSTEMTIME& day, int days) const
{
    if (!HasRange()) return false;
    const LONG d = DayOf(day);
    if (d == kCalendarNoDay) return false;
    return d >= m_firstDay && static_cast<long long>(d) + days <= m_lastDay;
}

void CCalendarThread::SettingChange()
{
    m_settings.Read(m_viewKey);
    // The category flags come from the base key, where SetCategoryRestrict
    // saves them, whatever key the view reads its other settings from.
    ReadCategoryRestrictSettings();
    ULONG showNoteIcons = 1;
    CRegistry settings;
    if (settings.Exists(HKEY_CURRENT_USER, m_viewKey) != 1 ||
        settings.QueryValue(u"ShowHasNoteIcons", &showNoteIcons) != 0) {
        showNoteIcons = 1;
    }
    m_bShowHasNoteIcons = showNoteIcons;

    GetTimeZoneInformation(&m_deviceZone);
    m_recurrence.SetDeviceZone(&m_deviceZone);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    m_today = DayOf(now);
    s_today.store(m_today, std::memory_order_relaxed);
    s_showTaskOnTop.store(m_settings.showTaskOnTop, std::memory_order_relaxed);
    if (HasRange()) m_recurrence.SetRange(m_firstDay, m_lastDay, RangeMode());
}

void CCalendarThread::LoadSortPrefs()
{
    CRegistry settings;
    const bool open = settings.OpenKey(HKEY_CURRENT_USER, m_viewKey) == 0;
    auto read = [&](const WCHAR* name, int fallback, bool writeBack) {
        int value = fallback;
        if (!open) return fallback;
        if (settings.QueryValue(name, &value) != 0) {
            value = fallback;
            if (writeBack) settings.SetValue(name, static_cast<ULONG>(fallback));
        }
        return value;
    };
    TasksSortPrefs prefs;
    prefs.primaryKey = read(u"TaskSort", kDefaultTaskSort, true);
    prefs.primaryDescending = read(u"TaskSortDescending", 0, false) != 0;
    prefs.secondaryKey = read(u"TaskSort2", kDefaultTaskSort2, true);
    prefs.secondaryDescending = read(u"TaskSortDescending2", 0, false) != 0;
    m_taskSort.SetPrefs(prefs);
}

int CCalendarThread::SetTaskProps(ULONG* ids) const
{
    std::memcpy(ids, kTaskPropIds, sizeof(kTaskPropIds));
    return kCalendarTaskProps;
}

bool CCalendarThread::FiltersOn() const
{
    if (!RangeMode()) return false;
    const bool selected = m_categoryRestrict.m_pSelected && !m_categoryRestrict.m_pSelected->IsEmpty();
    return selected || m_settings.statusFilter != kCalendarStatusAll || m_categoryRestrict.bHideCategories != 0;
}

bool CCalendarThread::IsAppointmentToBeDisplayed(const WCHAR* subject)
{
    if (m_settings.displayCompletedAppointments) return true;
    return !(subject && wcsncmp(subject, u"<\u2022>", 3) == 0);
}

CalendarCompareFn CCalendarThread::ViewComparison() const
{
    const int view = m_settings.view;
    return view == kCalendarViewBirthdays || view == kCalendarViewAnniversaries ? &CompareFuncBirthday : &CompareFunc;
}

void CCalendarThread::SortAscending()
{
    LoadSortPrefs();
    SortList(ViewComparison(), false);
}

bool CCalendarThread::SortDataList(bool ascending)
{
    const ScopedDataLock lock(*this);
    if (!lock.Acquired()) return false;
    SettingChange();
    const CalendarCompareFn compare = ViewComparison();
    LoadSortPrefs();
    SortList(compare, !ascending);
    return true;
}

bool CCalendarThread::ReadCurrent(CeDb& db, USHORT count, ULONG* ids)
{
    CEPROPVAL* buffer = m_record.GetProps();
    if (buffer == nullptr) {
        // The buffer is made once and kept by the record across loads.
        buffer = static_cast<CEPROPVAL*>(LocalAlloc(LPTR, kCalendarReadBufferSize));
        if (buffer == nullptr) return false;
    }
    return db.ReadRec(m_record, buffer, kCalendarReadBufferSize, count, ids);
}

DWORD CCalendarThread::ThreadProc()
{
    return RunLoaderProtocol(
        m_hNotify, [this] { return HasRange(); }, [this](CeManualEvent* stop) { return CalendarThreadProc(stop, 0); });
}

DWORD CCalendarThread::CalendarThreadProc(CeManualEvent* stopEvent, CEOID oid)
{
    ScopedDataLock lock(*this);
    if (!lock.Acquired()) return 0;
    SetupThreadResources();
    InitiateLinksDB();
    if (oid == 0) {
        m_bListWhole = false;
        ClearList();
        SettingChange();
        m_categoryStateOfLoad = CategoryStateNow();
    }
    m_recurrence.SetRange(m_firstDay, m_lastDay, RangeMode());

    bool aborted = false;
    LoadAppointments(stopEvent, oid, aborted);
    CloseLinksDB();
    m_handedOver = m_list.GetCount();
    if (aborted || oid != 0) return 0;

    m_bInFullLoad = true;
    AddTasks(false);
    AddJournal();
    AddContactInfo();
    AddCalendarDate();
    m_bInFullLoad = false;
    m_bListWhole = true;
    m_handedOver = m_list.GetCount();
    const int count = m_handedOver;
    lock.Unlock();
    if (m_hNotify && IsRunning()) ReportLoaderData(m_hNotify, LOADER_DATA_COMPLETE, count, false);
    return 0;
}

void CCalendarThread::LoadAppointments(CeManualEvent* stop, CEOID single, bool& aborted)
{
    CeDb* db = GetDatabaseClass();
    // Each read moves on to the next record by itself, which saves a seek per
    // record. A range view reads only the records that can touch the range
    // where the store's sort orders let it; otherwise the records are read in
    // OID order, the store's cheapest walk. Either way the list is sorted
    // once it is whole, and its order decides every tie (by OID last), so
    // the order of the reads never shows.
    if (!db) return;
    int walked = 0;
    const bool nearRange = single == 0 && RangeMode() && WalkNearRange(*db, stop, walked);
    if (!nearRange) {
        if (!db->Open(kAppointmentsDatabase, 0, CEDB_AUTOINCREMENT | CEDB_OIDORDER, nullptr)) return;
        if (single != 0) {
            if (db->SeekTo(single) == single) FileAppointment();
        } else {
            walked = WalkAppointments(*db, stop, 0);
        }
    }
    if (walked) {
        // A load stopped early keeps the earliest appointments: what a walk
        // in start order files in as many steps, filed again in that order.
        aborted = true;
        m_list.RemoveAll();
        if (db->Open(kAppointmentsDatabase, kAppointmentStart, CEDB_AUTOINCREMENT, nullptr))
            WalkAppointments(*db, nullptr, walked);
    }
    db->Close();
    m_recurrence.DeletedOccurrences().RemoveAll();
    m_working.NullData();
}

int CCalendarThread::WalkAppointments(CeDb& db, CeManualEvent* stop, int steps)
{
    // The store's record count is only 16 bits wide, so it does not bound
    // the walk: a store of more than 65,535 appointments is read to its end
    // instead of losing the records past the count's low bits.
    if (db.SeekFirst() == 0) return 0;
    for (int n = 1;; ++n) {
        // A record that cannot be read is skipped; no current record is the end.
        if (!FileAppointment() && (GetLastError() == ERROR_NOT_FOUND || db.SeekNext() == 0)) return 0;
        if (n == steps) return 0;
        if (steps == 0 && n % kCalendarStopCheckInterval == 0 && StopRequested(stop)) return n;
    }
}

bool CCalendarThread::FileAppointment(bool readFirst)
{
    m_recurrence.DeletedOccurrences().RemoveAll();
    m_working.NullData();
    m_working.frequency = 0;
    m_working.patternType = 0;
    bool read = false;
    if (fReadRecord(read, readFirst)) {
        if (m_working.recurring) {
            const CEPROPVAL* props = m_record.GetProps();
            const int patternAt = m_record.FindProp(m_appointmentProps[12], 12);
            const CEBLOB pattern = props[patternAt].val.blob;  // present: fReadRecord checked
            CEBLOB zone{0, nullptr};
            if (const CEPROPVAL* stored = m_record.StoredAt(m_record.FindProp(m_appointmentProps[14], 14)))
                zone = stored->val.blob;
            // The parser keeps the pattern's own dates in start and end.
            const double start = m_working.start, end = m_working.end;
            const LONG day = m_working.day;
            if (m_recurrence.ParseAndCheckRecurring(pattern.lpb, pattern.dwCount, zone.lpb, zone.dwCount, m_working)) {
                if (RangeMode()) {
                    m_recurrence.fFillEventList(m_working, *this);
                } else {
                    // The list views show a series once, at its first occurrence.
                    m_working.start = start;
                    m_working.end = end;
                    m_working.day = day;
                    if (fReadRestOfRecord(m_working)) AddCalendarItemToList(m_working.CopySharingTexts());
                }
            }
        } else {
            bool add = true;
            if (RangeMode()) {
                const LONG last = LastDayOf(m_working);
                add = last >= m_firstDay && m_working.day <= m_lastDay && m_working.day >= 0 &&
                      m_working.day <= kCalendarLastAcceptedDay && last >= 0 && last <= kCalendarLastAcceptedDay;
            }
            if (add && fReadRestOfRecord(m_working)) AddCalendarItemToList(m_working.CopySharingTexts());
        }
    }
    m_working.NullData();
    return read;
}

void CCalendarThread::PostKill()
{
    m_side.Close();
    m_recurrence.DeletedOccurrences().RemoveAll();
    m_working.NullData();
    m_bInFullLoad = false;
    // The frame closes the side stores and the main store and gives back the lock.
    CKSDataThread::PostKill();
    m_handedOver = m_list.GetCount();
    if (m_hNotify) PostMessageW(m_hNotify, WM_LOADER_END, 0, 0);
}

bool CCalendarThread::ReadRecordRest(DATACALENDARDB& working) { return fReadRestOfRecord(working); }

void CCalendarThread::AddEntry(DATACALENDAR* entry) { AddCalendarItemToList(entry); }

bool CCalendarThread::YearOf(double date, WORD& year)
{
    SYSTEMTIME st{};
    if (!ToSystemTime(date, st)) return false;
    year = st.wYear;
    return true;
}
