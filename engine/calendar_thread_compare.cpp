// The calendar list's row orders: by day (headers first, then contact dates,
// appointments, tasks and journal entries), by start only, and by the day of
// the year for the birthday and anniversary lists.
#include "engine/calendar_thread.h"

#include <algorithm>
#include <cmath>

#include "engine/tasks_compare.h"
#include "platform/kernel/thread.h"
#include "platform/locale/compare_string.h"
#include "platform/time/variant_time.h"

std::atomic<LONG> CCalendarThread::s_today{0};
std::atomic<bool> CCalendarThread::s_showTaskOnTop{false};

namespace {

template <class T>
int Order(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

int LocaleCompare(const WCHAR* a, const WCHAR* b)
{
    const int r = CompareStringW(LOCALE_USER_DEFAULT, 0, a ? a : u"", -1, b ? b : u"", -1);
    return r == 0 ? 0 : r - 2;
}

// Steps every order starts with: the same row is equal, a missing row and
// rows with the trailing flag go last. True with *result when one decides.
bool Decided(DATACALENDAR* a, DATACALENDAR* b, int* result)
{
    if (a == b) {
        *result = 0;
        return true;
    }
    if (!a || !b) {
        *result = a ? -1 : 1;
        return true;
    }
    if ((a->trailing != 0) != (b->trailing != 0) || a->trailing) {
        *result = a->trailing && b->trailing ? 0 : (a->trailing ? 1 : -1);
        return true;
    }
    return false;
}

bool IsHeader(const DATACALENDAR* row) { return row->oid == 0; }

// Month * 100 + day of a day number.
int DayOfYearKey(LONG day)
{
    SYSTEMTIME st{};
    if (!VariantTimeToSystemTime(static_cast<double>(day), &st)) return 0;
    return st.wMonth * 100 + st.wDay;
}

}  // namespace

int CCalendarThread::CompareFunc(DATACALENDAR* const& a, DATACALENDAR* const& b, unsigned long)
{
    int result = 0;
    if (Decided(a, b, &result)) return result;
    if (a->day != b->day) return Order(a->day, b->day);
    if (IsHeader(a) != IsHeader(b)) return IsHeader(a) ? -1 : 1;
    if (IsHeader(a)) return 0;

    if (a->kind == b->kind) {
        if (a->kind == kCalendarKindTask && a->task && b->task) {
            // The task list's own order (with its tie-breaks), then the OID.
            TasksSortState& order = TasksSortState::Current();
            order.BeginPrimaryPhase();
            const int r = TasksPrimaryComparison(order.Prefs().primaryKey)(a->task, b->task, 0);
            if (r != 0) return r;
            return Order(a->oid, b->oid);
        }
        if (a->kind == kCalendarKindJournal) return Order(a->start, b->start);
        if ((a->allDay != 0) != (b->allDay != 0)) return a->allDay ? -1 : 1;
        if (a->start != b->start) return Order(a->start, b->start);
        const int r = LocaleCompare(a->subject, b->subject);
        if (r != 0) return r;
        return Order(a->oid, b->oid);
    }
    if (s_showTaskOnTop.load(std::memory_order_relaxed)) {
        if (a->kind == kCalendarKindTask && b->kind == kCalendarKindAppointment) return -1;
        if (b->kind == kCalendarKindTask && a->kind == kCalendarKindAppointment) return 1;
    }
    return Order(a->kind, b->kind);
}

namespace {

// CompareFunc's steps held by value beside the row, so that a sort of a
// month's tens of thousands of rows reads the rows themselves only where
// those steps leave two rows level: rows with different keys compare as
// their keys do, rows with equal keys as CompareFunc says.
struct DayOrderKey {
    DATACALENDAR* row;
    bool trailing;
    // An appointment or contact date with a start: after the start, by
    // subject and OID, the last steps of CompareFunc for its kind.
    bool bySubject;
    LONG day;
    // 0 for a header; else 1 + twice the kind's place (with the all-day bit
    // below it for the kinds that order all-day rows first).
    DWORD rank;
    DWORD oid;
    double start;  // 0 for the kinds CompareFunc does not order by start
    const WCHAR* subject;
};

// Kinds above this are left to CompareFunc alone.
constexpr DWORD kLargestKeyedKind = 0xFFFF;

// Twice the kind, or 5 for a task shown on top: after the contact dates
// (4), before the appointments (6), as CompareFunc places it.
DWORD KindPlace(DWORD kind, bool taskOnTop)
{
    return taskOnTop && kind == kCalendarKindTask ? 2 * kCalendarKindAppointment - 1 : 2 * kind;
}

DayOrderKey KeyOf(DATACALENDAR* row, bool taskOnTop)
{
    DayOrderKey key{row, row->trailing != 0, false, row->day, 0, row->oid, 0, row->subject};
    if (key.trailing || IsHeader(row)) return key;
    const bool ordersByStart = row->kind != kCalendarKindTask;
    const bool allDayFirst = ordersByStart && row->kind != kCalendarKindJournal;
    key.rank = 1 + 2 * KindPlace(row->kind, taskOnTop) + (allDayFirst && !row->allDay ? 1 : 0);
    if (ordersByStart) key.start = row->start;
    // CompareFunc takes two unordered (NaN) starts as equal, ending there.
    key.bySubject = allDayFirst && !std::isnan(row->start);
    return key;
}

int CompareKeys(const DayOrderKey& a, const DayOrderKey& b)
{
    if (a.trailing != b.trailing) return a.trailing ? 1 : -1;
    if (!a.trailing) {
        if (a.day != b.day) return Order(a.day, b.day);
        if (a.rank != b.rank) return Order(a.rank, b.rank);
        if (a.start < b.start) return -1;
        if (b.start < a.start) return 1;
        if (a.bySubject && b.bySubject) {
            const int r = LocaleCompare(a.subject, b.subject);
            return r != 0 ? r : Order(a.oid, b.oid);
        }
    }
    return CCalendarThread::CompareFunc(a.row, b.row, 0);
}

// The sort looks whether its thread is being killed once per this many comparisons.
constexpr unsigned kCheckPointInterval = 1024;

}  // namespace

bool CCalendarThread::SortByCompareFunc(std::vector<DATACALENDAR*>& rows, bool descending)
{
    const bool taskOnTop = s_showTaskOnTop.load(std::memory_order_relaxed);
    std::vector<DayOrderKey> keys;
    keys.reserve(rows.size());
    for (DATACALENDAR* row : rows) {
        if (!row || row->kind > kLargestKeyedKind) return false;
        keys.push_back(KeyOf(row, taskOnTop));
    }
    unsigned compared = 0;
    std::stable_sort(keys.begin(), keys.end(), [descending, &compared](const DayOrderKey& a, const DayOrderKey& b) {
        // A killed loader leaves a long sort here.
        if (++compared % kCheckPointInterval == 0) platform::ThreadCheckPoint();
        return descending ? CompareKeys(b, a) < 0 : CompareKeys(a, b) < 0;
    });
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = keys[i].row;
    return true;
}

int CCalendarThread::CompareFuncDate(DATACALENDAR* const& a, DATACALENDAR* const& b, unsigned long)
{
    if (a == b) return 0;
    if (!a || !b) return a ? -1 : 1;
    return Order(a->start, b->start);
}

int CCalendarThread::CompareFuncBirthday(DATACALENDAR* const& a, DATACALENDAR* const& b, unsigned long)
{
    int result = 0;
    if (Decided(a, b, &result)) return result;
    const int keyA = DayOfYearKey(a->day), keyB = DayOfYearKey(b->day);
    if (keyA != keyB) return Order(keyA, keyB);
    if (IsHeader(a) != IsHeader(b)) return IsHeader(a) ? -1 : 1;
    const int r = LocaleCompare(a->subject, b->subject);
    if (r != 0) return r;
    return Order(a->oid, b->oid);
}
