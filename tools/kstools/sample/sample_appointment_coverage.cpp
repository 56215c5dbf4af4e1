#include "tools/kstools/sample/sample_appointment_coverage.h"

#include "tools/kstools/sample/sample_attendees.h"
#include "tools/kstools/sample/sample_occurrences.h"
#include "tools/kstools/sample/sample_time_zones.h"

namespace kstools {
namespace {

constexpr LONG kSunday = 0, kMonday = 1, kTuesday = 2, kWednesday = 3, kThursday = 4, kFriday = 5, kSaturday = 6;

LONG Mask(LONG weekday) { return 1 << weekday; }

SampleAppointmentPlan Timed(const char16_t* subject, DATE start, LONG minutes, const char16_t* categories = u"")
{
    SampleAppointmentPlan plan;
    plan.subject = subject;
    plan.start = start;
    plan.durationMinutes = minutes;
    plan.categories = categories;
    return plan;
}

SampleAppointmentPlan AllDay(const char16_t* subject, DATE day, int days, const char16_t* categories = u"")
{
    SampleAppointmentPlan plan = Timed(subject, day, days * 1440, categories);
    plan.allDay = true;
    plan.busyStatus = olFree;
    return plan;
}

SamplePattern Weekdays(SampleEnd end, LONG count = 0, DATE last = 0)
{
    SamplePattern p = MakePattern(olRecursDaily, 1, end, count, last);
    p.dayOfWeekMask = 62;
    return p;
}

SamplePattern Weekly(LONG mask, LONG interval, SampleEnd end, LONG count = 0, DATE last = 0)
{
    SamplePattern p = MakePattern(olRecursWeekly, interval, end, count, last);
    p.dayOfWeekMask = mask;
    return p;
}

SamplePattern Monthly(LONG day, LONG interval, SampleEnd end, LONG count = 0, DATE last = 0)
{
    SamplePattern p = MakePattern(olRecursMonthly, interval, end, count, last);
    p.dayOfMonth = day;
    return p;
}

SamplePattern MonthNth(LONG instance, LONG weekday, LONG interval, SampleEnd end, LONG count = 0, DATE last = 0)
{
    SamplePattern p = MakePattern(olRecursMonthNth, interval, end, count, last);
    p.instance = instance;
    p.dayOfWeekMask = Mask(weekday);
    return p;
}

SamplePattern Yearly(DATE start, SampleEnd end, LONG count = 0, DATE last = 0)
{
    SamplePattern p = MakePattern(olRecursYearly, 1, end, count, last);
    const SampleDay day = SampleCalendar::DayOf(start);
    p.monthOfYear = day.month;
    p.dayOfMonth = day.day;
    return p;
}

SamplePattern YearNth(LONG instance, LONG weekday, LONG month, SampleEnd end, LONG count = 0, DATE last = 0)
{
    SamplePattern p = MakePattern(olRecursYearNth, 1, end, count, last);
    p.instance = instance;
    p.dayOfWeekMask = Mask(weekday);
    p.monthOfYear = month;
    return p;
}

void Delete(SampleAppointmentPlan& plan, int k)
{
    plan.exceptions.push_back({SampleExceptionKind::kDeleted, SampleOccurrences::Start(plan, k), 0, {}});
}

void Rename(SampleAppointmentPlan& plan, int k, const char16_t* subject)
{
    plan.exceptions.push_back({SampleExceptionKind::kSubject, SampleOccurrences::Start(plan, k), 0, subject});
}

void Move(SampleAppointmentPlan& plan, int k, double byDays)
{
    const DATE original = SampleOccurrences::Start(plan, k);
    plan.exceptions.push_back({SampleExceptionKind::kMoved, original, original + byDays, {}});
}

// A date of this year with the month and day of `sample`, in another year.
DATE InYear(int year, DATE sample)
{
    const SampleDay day = SampleCalendar::DayOf(sample);
    return SampleCalendar::Date(year, day.month, day.day);
}

}  // namespace

std::vector<SampleAppointmentPlan> SampleAppointmentCoverage::Plans(const SampleCalendar& c)
{
    using E = SampleEnd;
    const DATE today = c.Today();
    const int year = SampleCalendar::DayOf(today).year;
    const int month = SampleCalendar::DayOf(today).month;
    auto at = [](DATE day, int hour, int minute = 0) { return SampleCalendar::WithTime(day, hour * 60 + minute); };
    const std::span<const TIME_ZONE_INFORMATION> zones = SampleTimeZones::All();
    std::vector<SampleAppointmentPlan> plans;
    auto add = [&plans](SampleAppointmentPlan plan, SamplePattern pattern) -> SampleAppointmentPlan& {
        plan.pattern = pattern;
        plans.push_back(std::move(plan));
        return plans.back();
    };

    // Daily.
    {
        auto& p =
            add(Timed(u"Morning run", c.At(-10, 7), 45, u"Health"), MakePattern(olRecursDaily, 1, E::kAfterCount, 30));
        Delete(p, 3);
        Rename(p, 5, u"Morning run (long route)");
    }
    {
        auto& p = add(Timed(u"Take vitamins", c.At(-30, 8), 5, u"Health"), MakePattern(olRecursDaily, 1, E::kNever));
        p.isPrivate = true;
        p.reminderMinutes = 0;
        p.busyStatus = olFree;
    }
    add(Timed(u"Water the seedlings", c.At(-5, 18, 30), 15), MakePattern(olRecursDaily, 2, E::kByDate, 0, today + 40));

    // Every weekday.
    {
        SampleAppointmentPlan plan =
            Timed(u"Stand-up meeting", at(SampleCalendar::OnOrAfter(today - 14, kMonday), 9, 15), 15, u"Business");
        plan.location = u"Room 4B";
        auto& p = add(std::move(plan), Weekdays(E::kNever));
        Move(p, 2, 45.0 / 1440);
        Rename(p, 4, u"Stand-up meeting (remote)");
        Delete(p, 6);
    }
    add(Timed(u"Commute reading", at(SampleCalendar::OnOrAfter(today - 7, kMonday), 7, 30), 30),
        Weekdays(E::kAfterCount, 40));
    add(Timed(u"Check the post", at(SampleCalendar::OnOrAfter(today, kMonday), 12), 10),
        Weekdays(E::kByDate, 0, today + 60));

    // Weekly.
    {
        SampleAppointmentPlan plan =
            Timed(u"Team meeting", at(SampleCalendar::OnOrAfter(today - 21, kTuesday), 14), 60, u"Business");
        plan.location = u"Conference room 2";
        plan.attendees = SampleAttendees::Fixed(0, 3);
        plan.reminderMinutes = 10;
        auto& p = add(std::move(plan), Weekly(Mask(kTuesday) | Mask(kThursday), 1, E::kByDate, 0, today + 90));
        Rename(p, 3, u"Team meeting: quarterly review");
    }
    {
        auto& p = add(Timed(u"Piano lesson", at(SampleCalendar::OnOrAfter(today - 14, kSaturday), 10), 45, u"Family"),
                      Weekly(Mask(kSaturday), 2, E::kAfterCount, 12));
        Move(p, 1, 1.0 / 24);
    }
    add(Timed(u"Football practice", at(SampleCalendar::OnOrAfter(today - 30, kMonday), 17, 30), 90, u"Family"),
        Weekly(Mask(kMonday) | Mask(kWednesday), 1, E::kNever));

    // Monthly on a day.
    {
        SampleAppointmentPlan plan = AllDay(u"Pay rent", SampleCalendar::Date(year, month, 1), 1, u"Finance");
        plan.reminderMinutes = 0;
        add(std::move(plan), Monthly(1, 1, E::kNever));
    }
    add(Timed(u"Credit card statement", at(SampleCalendar::Date(year, month, 15), 10), 15, u"Finance"),
        Monthly(15, 1, E::kByDate, 0, today + 365));
    {
        auto& p = add(Timed(u"Haircut", at(SampleCalendar::Date(year, month, 20), 16), 45, u"Personal"),
                      Monthly(20, 2, E::kAfterCount, 6));
        Delete(p, 1);
    }

    // Monthly on the nth weekday.
    {
        SampleAppointmentPlan plan =
            Timed(u"Book club", at(SampleCalendar::NthWeekday(year, month, kWednesday, 2), 19, 30), 120, u"Personal");
        plan.location = u"Library";
        auto& p = add(std::move(plan), MonthNth(2, kWednesday, 1, E::kAfterCount, 10));
        Move(p, 2, 1.0);
    }
    {
        SampleAppointmentPlan plan =
            Timed(u"Board meeting", at(SampleCalendar::NthWeekday(year, month, kFriday, 5), 10), 180, u"Business");
        plan.attendees = SampleAttendees::Fixed(5, 4);
        add(std::move(plan), MonthNth(5, kFriday, 3, E::kNever));
    }
    add(Timed(u"Neighbourhood clean-up", at(SampleCalendar::NthWeekday(year, month + 1, kSaturday, 1), 9), 120),
        MonthNth(1, kSaturday, 1, E::kByDate, 0, today + 180));

    // Yearly on a date: birthdays, anniversaries, renewals, holidays.
    {
        const DATE born = InYear(1985, today + 12);
        add(AllDay(u"Alex Walsh's birthday", born, 1, u"Birthdays"), Yearly(born, E::kNever));
    }
    {
        const DATE married = InYear(2009, today + 40);
        add(AllDay(u"Wedding anniversary", married, 1, u"Anniversaries"), Yearly(married, E::kNever));
    }
    {
        const DATE renewal = at(InYear(year, today + 75), 10);
        SampleAppointmentPlan plan = Timed(u"Car insurance renewal", renewal, 30, u"Finance");
        plan.reminderMinutes = 1440;
        add(std::move(plan), Yearly(renewal, E::kAfterCount, 5));
    }
    {
        const DATE day = SampleCalendar::Date(year, 7, 4);
        add(AllDay(u"Independence Day", day, 1, u"Holiday"),
            Yearly(day, E::kByDate, 0, SampleCalendar::Date(year + 10, 7, 4)));
    }
    {
        const DATE day = SampleCalendar::Date(year, 1, 1);
        add(AllDay(u"New Year's Day", day, 1, u"Holiday"), Yearly(day, E::kNever));
    }

    // Yearly on the nth weekday.
    add(AllDay(u"Mother's Day", SampleCalendar::NthWeekday(year, 5, kSunday, 2), 1, u"Holiday"),
        YearNth(2, kSunday, 5, E::kNever));
    add(AllDay(u"Thanksgiving Day", SampleCalendar::NthWeekday(year, 11, kThursday, 4), 1, u"Holiday"),
        YearNth(4, kThursday, 11, E::kAfterCount, 10));
    add(AllDay(u"Spring bank holiday", SampleCalendar::NthWeekday(year, 5, kMonday, 5), 1, u"Holiday"),
        YearNth(5, kMonday, 5, E::kByDate, 0, SampleCalendar::Date(year + 5, 6, 1)));

    // One-off entries.
    {
        SampleAppointmentPlan plan = AllDay(u"Conference in Berlin", c.At(20), 3, u"Business, Travel");
        plan.location = u"Berlin";
        plan.busyStatus = olOutOfOffice;
        plans.push_back(std::move(plan));
    }
    {
        SampleAppointmentPlan plan = Timed(u"Flight to Tokyo", c.At(19, 11), 14 * 60, u"Travel");
        plan.location = u"JFK Terminal 1";
        plan.zone = &zones[0];
        plan.reminderMinutes = 120;
        plans.push_back(std::move(plan));
    }
    {
        SampleAppointmentPlan plan = Timed(u"Call with Sydney office", c.At(2, 17), 60, u"Business");
        plan.zone = &zones[3];
        plan.attendees = SampleAttendees::Fixed(9, 2);
        plans.push_back(std::move(plan));
    }
    {
        SampleAppointmentPlan plan = Timed(u"Project kickoff", c.At(1, 10), 90, u"Business");
        plan.location = u"Conference room 2";
        plan.attendees = SampleAttendees::Fixed(12, 4);
        plan.reminderMinutes = 15;
        plan.body = u"Agenda: scope, milestones, risks. Please read the brief beforehand.";
        plans.push_back(std::move(plan));
    }
    {
        SampleAppointmentPlan plan = Timed(u"Doctor's appointment", c.At(4, 8, 30), 30, u"Health");
        plan.location = u"Clinic";
        plan.isPrivate = true;
        plan.reminderMinutes = 60;
        plans.push_back(std::move(plan));
    }
    {
        SampleAppointmentPlan plan = AllDay(u"Summer vacation", c.At(45), 10, u"Personal, Travel");
        plan.busyStatus = olOutOfOffice;
        plans.push_back(std::move(plan));
    }
    {
        SampleAppointmentPlan plan = Timed(u"Lunch with Sam", c.At(0, 12, 30), 60);
        plan.location = u"Café Rio";
        plan.busyStatus = olTentative;
        plans.push_back(std::move(plan));
    }
    {
        SampleAppointmentPlan plan = Timed(u"London client visit", c.At(9, 9), 8 * 60, u"Business, Travel");
        plan.zone = &zones[1];
        plans.push_back(std::move(plan));
    }
    plans.push_back(AllDay(u"Camping trip", SampleCalendar::OnOrAfter(today + 25, kSaturday), 2, u"Family"));
    {
        SampleAppointmentPlan plan = Timed(u"Overnight charity walk", c.At(33, 20), 10 * 60, u"Personal");
        plan.location = u"Town hall";
        plans.push_back(std::move(plan));
    }
    return plans;
}

}  // namespace kstools
