// Sections: The rows of the table; The appointments; From a row to a plan.

#include "tools/kstools/sample/sample_appointment_coverage.h"

#include <array>

#include "tools/kstools/sample/sample_attendees.h"
#include "tools/kstools/sample/sample_occurrences.h"
#include "tools/kstools/sample/sample_time_zones.h"

namespace kstools {
namespace {

constexpr LONG kSunday = 0, kMonday = 1, kTuesday = 2, kWednesday = 3, kThursday = 4, kFriday = 5, kSaturday = 6;

constexpr LONG Mask(LONG weekday) { return 1 << weekday; }

// ---- The rows of the table ----

// Where an entry starts, counted from the sample's today.
enum class StartKind {
    kDaysAhead,        // `days` from today (negative: before), at hour:minute
    kWeekdayFrom,      // the first `weekday` on or after today + `days`
    kThisMonth,        // day `day` of this month
    kNthWeekdayAhead,  // the `nth` `weekday` of the month `month` months ahead
    kNthWeekdayOf,     // the `nth` `weekday` of month `month` this year
    kSameDayInYear,    // the month and day of today + `days`, in `year` (0: this year)
    kThisYear,         // month `month`, day `day` of this year
};

struct StartRow {
    StartKind kind = StartKind::kDaysAhead;
    int days = 0;
    LONG weekday = 0;
    int nth = 0;
    int month = 0;
    int day = 0;
    int year = 0;
    int hour = 0;  // timed entries only
    int minute = 0;
};

constexpr StartRow DaysAhead(int days, int hour = 0, int minute = 0)
{
    return {.kind = StartKind::kDaysAhead, .days = days, .hour = hour, .minute = minute};
}
constexpr StartRow WeekdayFrom(int days, LONG weekday, int hour = 0, int minute = 0)
{
    return {.kind = StartKind::kWeekdayFrom, .days = days, .weekday = weekday, .hour = hour, .minute = minute};
}
constexpr StartRow ThisMonth(int day, int hour = 0)
{
    return {.kind = StartKind::kThisMonth, .day = day, .hour = hour};
}
constexpr StartRow NthWeekdayAhead(int months, LONG weekday, int nth, int hour, int minute = 0)
{
    return {.kind = StartKind::kNthWeekdayAhead,
            .weekday = weekday,
            .nth = nth,
            .month = months,
            .hour = hour,
            .minute = minute};
}
constexpr StartRow NthWeekdayOf(int month, LONG weekday, int nth)
{
    return {.kind = StartKind::kNthWeekdayOf, .weekday = weekday, .nth = nth, .month = month};
}
constexpr StartRow SameDayIn(int year, int days, int hour = 0)
{
    return {.kind = StartKind::kSameDayInYear, .days = days, .year = year, .hour = hour};
}
constexpr StartRow ThisYear(int month, int day) { return {.kind = StartKind::kThisYear, .month = month, .day = day}; }

// How a pattern ends: never, after a count, or on a day (today + `daysAhead`,
// or `month`/`day` of the year `yearsAhead` years on).
struct EndRow {
    SampleEnd kind = SampleEnd::kNever;
    LONG count = 0;
    int daysAhead = 0;
    int yearsAhead = 0;
    int month = 0;
    int day = 0;
};

constexpr EndRow Never() { return {}; }
constexpr EndRow AfterCount(LONG count) { return {.kind = SampleEnd::kAfterCount, .count = count}; }
constexpr EndRow ByDayAhead(int days) { return {.kind = SampleEnd::kByDate, .daysAhead = days}; }
constexpr EndRow ByDate(int yearsAhead, int month, int day)
{
    return {.kind = SampleEnd::kByDate, .yearsAhead = yearsAhead, .month = month, .day = day};
}

enum class Repeat { kNone, kDaily, kWeekdays, kWeekly, kMonthly, kMonthNth, kYearly, kYearNth };

struct PatternRow {
    Repeat repeat = Repeat::kNone;
    LONG interval = 1;
    LONG mask = 0;  // weekly: the weekdays
    LONG dayOfMonth = 0;
    LONG instance = 0;  // 1..4, 5 = last
    LONG weekday = 0;
    LONG month = 0;
    EndRow end;
};

constexpr PatternRow Daily(LONG interval, EndRow end)
{
    return {.repeat = Repeat::kDaily, .interval = interval, .end = end};
}
constexpr PatternRow Weekdays(EndRow end) { return {.repeat = Repeat::kWeekdays, .end = end}; }
constexpr PatternRow Weekly(LONG mask, LONG interval, EndRow end)
{
    return {.repeat = Repeat::kWeekly, .interval = interval, .mask = mask, .end = end};
}
constexpr PatternRow Monthly(LONG day, LONG interval, EndRow end)
{
    return {.repeat = Repeat::kMonthly, .interval = interval, .dayOfMonth = day, .end = end};
}
constexpr PatternRow MonthNth(LONG instance, LONG weekday, LONG interval, EndRow end)
{
    return {.repeat = Repeat::kMonthNth, .interval = interval, .instance = instance, .weekday = weekday, .end = end};
}
// On the month and day the entry starts.
constexpr PatternRow Yearly(EndRow end) { return {.repeat = Repeat::kYearly, .end = end}; }
constexpr PatternRow YearNth(LONG instance, LONG weekday, LONG month, EndRow end)
{
    return {.repeat = Repeat::kYearNth, .instance = instance, .weekday = weekday, .month = month, .end = end};
}

// A change to the occurrence numbered `occurrence` (from 0); -1: none.
struct ExceptionRow {
    SampleExceptionKind kind = SampleExceptionKind::kDeleted;
    int occurrence = -1;
    double byDays = 0;                  // kMoved
    const char16_t* subject = nullptr;  // kSubject
};

constexpr ExceptionRow Deleted(int k) { return {.kind = SampleExceptionKind::kDeleted, .occurrence = k}; }
constexpr ExceptionRow Renamed(int k, const char16_t* subject)
{
    return {.kind = SampleExceptionKind::kSubject, .occurrence = k, .subject = subject};
}
constexpr ExceptionRow Moved(int k, double byDays)
{
    return {.kind = SampleExceptionKind::kMoved, .occurrence = k, .byDays = byDays};
}

constexpr LONG kUsualBusy = -1;  // busy when timed, free when all day

struct PlanRow {
    const char16_t* subject = u"";
    const char16_t* categories = u"";
    StartRow start;
    LONG length = 60;  // minutes; whole days for all-day entries
    bool allDay = false;
    PatternRow pattern;  // kNone: a one-off entry
    const char16_t* location = nullptr;
    int firstAttendee = 0;
    int attendees = 0;
    LONG reminderMinutes = -1;  // -1: no reminder
    bool isPrivate = false;
    LONG busyStatus = kUsualBusy;
    int zone = -1;  // index into SampleTimeZones::All(); -1: the device's
    const char16_t* body = nullptr;
    std::array<ExceptionRow, 3> exceptions{};
};

// ---- The appointments ----

// One appointment to a row or two.
// clang-format off
constexpr PlanRow kPlanRows[] = {
    // Daily.
    {.subject = u"Morning run", .categories = u"Health", .start = DaysAhead(-10, 7), .length = 45,
     .pattern = Daily(1, AfterCount(30)), .exceptions = {Deleted(3), Renamed(5, u"Morning run (long route)")}},
    {.subject = u"Take vitamins", .categories = u"Health", .start = DaysAhead(-30, 8), .length = 5,
     .pattern = Daily(1, Never()), .reminderMinutes = 0, .isPrivate = true, .busyStatus = olFree},
    {.subject = u"Water the seedlings", .start = DaysAhead(-5, 18, 30), .length = 15,
     .pattern = Daily(2, ByDayAhead(40))},

    // Every weekday.
    {.subject = u"Stand-up meeting", .categories = u"Business", .start = WeekdayFrom(-14, kMonday, 9, 15), .length = 15,
     .pattern = Weekdays(Never()), .location = u"Room 4B",
     .exceptions = {Moved(2, 45.0 / 1440), Renamed(4, u"Stand-up meeting (remote)"), Deleted(6)}},
    {.subject = u"Commute reading", .start = WeekdayFrom(-7, kMonday, 7, 30), .length = 30,
     .pattern = Weekdays(AfterCount(40))},
    {.subject = u"Check the post", .start = WeekdayFrom(0, kMonday, 12), .length = 10,
     .pattern = Weekdays(ByDayAhead(60))},

    // Weekly.
    {.subject = u"Team meeting", .categories = u"Business", .start = WeekdayFrom(-21, kTuesday, 14), .length = 60,
     .pattern = Weekly(Mask(kTuesday) | Mask(kThursday), 1, ByDayAhead(90)), .location = u"Conference room 2",
     .firstAttendee = 0, .attendees = 3, .reminderMinutes = 10,
     .exceptions = {Renamed(3, u"Team meeting: quarterly review")}},
    {.subject = u"Piano lesson", .categories = u"Family", .start = WeekdayFrom(-14, kSaturday, 10), .length = 45,
     .pattern = Weekly(Mask(kSaturday), 2, AfterCount(12)), .exceptions = {Moved(1, 1.0 / 24)}},
    {.subject = u"Football practice", .categories = u"Family", .start = WeekdayFrom(-30, kMonday, 17, 30), .length = 90,
     .pattern = Weekly(Mask(kMonday) | Mask(kWednesday), 1, Never())},

    // Monthly on a day.
    {.subject = u"Pay rent", .categories = u"Finance", .start = ThisMonth(1), .length = 1, .allDay = true,
     .pattern = Monthly(1, 1, Never()), .reminderMinutes = 0},
    {.subject = u"Credit card statement", .categories = u"Finance", .start = ThisMonth(15, 10), .length = 15,
     .pattern = Monthly(15, 1, ByDayAhead(365))},
    {.subject = u"Haircut", .categories = u"Personal", .start = ThisMonth(20, 16), .length = 45,
     .pattern = Monthly(20, 2, AfterCount(6)), .exceptions = {Deleted(1)}},

    // Monthly on the nth weekday.
    {.subject = u"Book club", .categories = u"Personal", .start = NthWeekdayAhead(0, kWednesday, 2, 19, 30),
     .length = 120, .pattern = MonthNth(2, kWednesday, 1, AfterCount(10)), .location = u"Library",
     .exceptions = {Moved(2, 1.0)}},
    {.subject = u"Board meeting", .categories = u"Business", .start = NthWeekdayAhead(0, kFriday, 5, 10), .length = 180,
     .pattern = MonthNth(5, kFriday, 3, Never()), .firstAttendee = 5, .attendees = 4},
    {.subject = u"Neighbourhood clean-up", .start = NthWeekdayAhead(1, kSaturday, 1, 9), .length = 120,
     .pattern = MonthNth(1, kSaturday, 1, ByDayAhead(180))},

    // Yearly on a date: birthdays, anniversaries, renewals, holidays.
    {.subject = u"Alex Walsh's birthday", .categories = u"Birthdays", .start = SameDayIn(1985, 12), .length = 1,
     .allDay = true, .pattern = Yearly(Never())},
    {.subject = u"Wedding anniversary", .categories = u"Anniversaries", .start = SameDayIn(2009, 40), .length = 1,
     .allDay = true, .pattern = Yearly(Never())},
    {.subject = u"Car insurance renewal", .categories = u"Finance", .start = SameDayIn(0, 75, 10), .length = 30,
     .pattern = Yearly(AfterCount(5)), .reminderMinutes = 1440},
    {.subject = u"Independence Day", .categories = u"Holiday", .start = ThisYear(7, 4), .length = 1, .allDay = true,
     .pattern = Yearly(ByDate(10, 7, 4))},
    {.subject = u"New Year's Day", .categories = u"Holiday", .start = ThisYear(1, 1), .length = 1, .allDay = true,
     .pattern = Yearly(Never())},

    // Yearly on the nth weekday.
    {.subject = u"Mother's Day", .categories = u"Holiday", .start = NthWeekdayOf(5, kSunday, 2), .length = 1,
     .allDay = true, .pattern = YearNth(2, kSunday, 5, Never())},
    {.subject = u"Thanksgiving Day", .categories = u"Holiday", .start = NthWeekdayOf(11, kThursday, 4), .length = 1,
     .allDay = true, .pattern = YearNth(4, kThursday, 11, AfterCount(10))},
    {.subject = u"Spring bank holiday", .categories = u"Holiday", .start = NthWeekdayOf(5, kMonday, 5), .length = 1,
     .allDay = true, .pattern = YearNth(5, kMonday, 5, ByDate(5, 6, 1))},

    // One-off entries.
    {.subject = u"Conference in Berlin", .categories = u"Business, Travel", .start = DaysAhead(20), .length = 3,
     .allDay = true, .location = u"Berlin", .busyStatus = olOutOfOffice},
    {.subject = u"Flight to Tokyo", .categories = u"Travel", .start = DaysAhead(19, 11), .length = 14 * 60,
     .location = u"JFK Terminal 1", .reminderMinutes = 120, .zone = 0},
    {.subject = u"Call with Sydney office", .categories = u"Business", .start = DaysAhead(2, 17), .length = 60,
     .firstAttendee = 9, .attendees = 2, .zone = 3},
    {.subject = u"Project kickoff", .categories = u"Business", .start = DaysAhead(1, 10), .length = 90,
     .location = u"Conference room 2", .firstAttendee = 12, .attendees = 4, .reminderMinutes = 15,
     .body = u"Agenda: scope, milestones, risks. Please read the brief beforehand."},
    {.subject = u"Doctor's appointment", .categories = u"Health", .start = DaysAhead(4, 8, 30), .length = 30,
     .location = u"Clinic", .reminderMinutes = 60, .isPrivate = true},
    {.subject = u"Summer vacation", .categories = u"Personal, Travel", .start = DaysAhead(45), .length = 10,
     .allDay = true, .busyStatus = olOutOfOffice},
    {.subject = u"Lunch with Sam", .start = DaysAhead(0, 12, 30), .length = 60, .location = u"Café Rio",
     .busyStatus = olTentative},
    {.subject = u"London client visit", .categories = u"Business, Travel", .start = DaysAhead(9, 9), .length = 8 * 60,
     .zone = 1},
    {.subject = u"Camping trip", .categories = u"Family", .start = WeekdayFrom(25, kSaturday), .length = 2,
     .allDay = true},
    {.subject = u"Overnight charity walk", .categories = u"Personal", .start = DaysAhead(33, 20), .length = 10 * 60,
     .location = u"Town hall"},
};
// clang-format on

// ---- From a row to a plan ----

// A date of this year with the month and day of `sample`, in another year.
DATE InYear(int year, DATE sample)
{
    const SampleDay day = SampleCalendar::DayOf(sample);
    return SampleCalendar::Date(year, day.month, day.day);
}

// All-day entries start at midnight; timed ones at the row's hour.
DATE StartOf(const PlanRow& row, const SampleCalendar& c)
{
    const StartRow& s = row.start;
    if (s.kind == StartKind::kDaysAhead) return c.At(s.days, s.hour, s.minute);
    const DATE today = c.Today();
    const SampleDay now = SampleCalendar::DayOf(today);
    DATE day = 0;
    switch (s.kind) {
        case StartKind::kWeekdayFrom:
            day = SampleCalendar::OnOrAfter(today + s.days, s.weekday);
            break;
        case StartKind::kThisMonth:
            day = SampleCalendar::Date(now.year, now.month, s.day);
            break;
        case StartKind::kNthWeekdayAhead:
            day = SampleCalendar::NthWeekday(now.year, now.month + s.month, s.weekday, s.nth);
            break;
        case StartKind::kNthWeekdayOf:
            day = SampleCalendar::NthWeekday(now.year, s.month, s.weekday, s.nth);
            break;
        case StartKind::kSameDayInYear:
            day = InYear(s.year != 0 ? s.year : now.year, today + s.days);
            break;
        case StartKind::kThisYear:
            day = SampleCalendar::Date(now.year, s.month, s.day);
            break;
        case StartKind::kDaysAhead:
            break;
    }
    return row.allDay ? day : SampleCalendar::WithTime(day, s.hour * 60 + s.minute);
}

// Midnight of the pattern's last day; 0 for the other ends.
DATE EndDateOf(const EndRow& end, const SampleCalendar& c)
{
    if (end.kind != SampleEnd::kByDate) return 0;
    if (end.month == 0) return c.Today() + end.daysAhead;
    return SampleCalendar::Date(SampleCalendar::DayOf(c.Today()).year + end.yearsAhead, end.month, end.day);
}

SamplePattern PatternOf(const PatternRow& row, DATE start, const SampleCalendar& c)
{
    const DATE last = EndDateOf(row.end, c);
    auto make = [&](LONG type, LONG interval) {
        return MakePattern(type, interval, row.end.kind, row.end.count, last);
    };
    SamplePattern p;
    switch (row.repeat) {
        case Repeat::kNone:
        case Repeat::kDaily:
            p = make(olRecursDaily, row.interval);
            break;
        case Repeat::kWeekdays:
            p = make(olRecursDaily, 1);
            p.dayOfWeekMask = 62;
            break;
        case Repeat::kWeekly:
            p = make(olRecursWeekly, row.interval);
            p.dayOfWeekMask = row.mask;
            break;
        case Repeat::kMonthly:
            p = make(olRecursMonthly, row.interval);
            p.dayOfMonth = row.dayOfMonth;
            break;
        case Repeat::kMonthNth:
            p = make(olRecursMonthNth, row.interval);
            p.instance = row.instance;
            p.dayOfWeekMask = Mask(row.weekday);
            break;
        case Repeat::kYearly: {
            p = make(olRecursYearly, 1);
            const SampleDay day = SampleCalendar::DayOf(start);
            p.monthOfYear = day.month;
            p.dayOfMonth = day.day;
            break;
        }
        case Repeat::kYearNth:
            p = make(olRecursYearNth, 1);
            p.instance = row.instance;
            p.dayOfWeekMask = Mask(row.weekday);
            p.monthOfYear = row.month;
            break;
    }
    return p;
}

// The occurrence's start comes from the plan's pattern, which must be set.
void AddException(SampleAppointmentPlan& plan, const ExceptionRow& row)
{
    if (row.occurrence < 0) return;
    const DATE original = SampleOccurrences::Start(plan, row.occurrence);
    switch (row.kind) {
        case SampleExceptionKind::kDeleted:
            plan.exceptions.push_back({SampleExceptionKind::kDeleted, original, 0, {}});
            break;
        case SampleExceptionKind::kSubject:
            plan.exceptions.push_back({SampleExceptionKind::kSubject, original, 0, row.subject});
            break;
        case SampleExceptionKind::kMoved:
            plan.exceptions.push_back({SampleExceptionKind::kMoved, original, original + row.byDays, {}});
            break;
    }
}

SampleAppointmentPlan MakePlan(const PlanRow& row, const SampleCalendar& c)
{
    SampleAppointmentPlan plan;
    plan.subject = row.subject;
    plan.categories = row.categories;
    plan.start = StartOf(row, c);
    plan.durationMinutes = row.allDay ? row.length * 1440 : row.length;
    plan.allDay = row.allDay;
    if (row.busyStatus != kUsualBusy)
        plan.busyStatus = row.busyStatus;
    else if (row.allDay)
        plan.busyStatus = olFree;
    if (row.location) plan.location = row.location;
    if (row.attendees > 0) plan.attendees = SampleAttendees::Fixed(row.firstAttendee, row.attendees);
    plan.reminderMinutes = row.reminderMinutes;
    plan.isPrivate = row.isPrivate;
    if (row.zone >= 0) plan.zone = &SampleTimeZones::All()[static_cast<size_t>(row.zone)];
    if (row.body) plan.body = row.body;
    if (row.pattern.repeat != Repeat::kNone) plan.pattern = PatternOf(row.pattern, plan.start, c);
    for (const ExceptionRow& exception : row.exceptions) AddException(plan, exception);
    return plan;
}

}  // namespace

std::vector<SampleAppointmentPlan> SampleAppointmentCoverage::Plans(const SampleCalendar& c)
{
    std::vector<SampleAppointmentPlan> plans;
    plans.reserve(std::size(kPlanRows));
    for (const PlanRow& row : kPlanRows) plans.push_back(MakePlan(row, c));
    return plans;
}

}  // namespace kstools
