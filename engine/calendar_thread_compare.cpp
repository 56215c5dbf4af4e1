// The calendar list's row orders: by day (headers first, then contact dates,
// appointments, tasks and journal entries), by start only, and by the day of
// the year for the birthday and anniversary lists.
#include "engine/calendar_thread.h"

#include "engine/tasks_compare.h"
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
