#include "tools/kstools/sample/sample_appointment_planner.h"

#include <cmath>

#include "tools/kstools/sample/sample_attendees.h"
#include "tools/kstools/sample/sample_occurrences.h"
#include "tools/kstools/sample/sample_vocabulary.h"

namespace kstools {
namespace {

constexpr LONG kDurations[] = {15, 30, 45, 60, 60, 90, 120};
constexpr LONG kReminders[] = {0, 5, 10, 15, 30, 60};

}  // namespace

std::u16string SampleAppointmentPlanner::RandomCategories()
{
    const SampleWords words = SampleVocabulary::Categories();
    std::u16string first = m_random.Pick(words);
    if (!m_random.Chance(25)) return first;
    std::u16string second = m_random.Pick(words);
    return second == first ? first : first + u", " + second;
}

SampleAppointmentPlan SampleAppointmentPlanner::Next()
{
    SampleAppointmentPlan plan;
    const bool meeting = m_random.Chance(30);
    plan.subject = meeting ? m_random.Pick(SampleVocabulary::MeetingSubjects())
                           : m_random.Pick(SampleVocabulary::AppointmentSubjects());
    plan.location = m_random.Pick(SampleVocabulary::Locations());
    const int day = m_random.Between(-60, 120);
    const int minute = m_random.Between(8 * 4, 18 * 4 + 3) * 15;
    plan.start = SampleCalendar::WithTime(m_calendar.At(day), minute);
    plan.durationMinutes = m_random.Pick(std::span<const LONG>(kDurations));
    if (m_random.Chance(50)) plan.categories = meeting ? std::u16string(u"Business") : RandomCategories();
    if (meeting) plan.attendees = SampleAttendees::Random(m_random, m_random.Between(2, 4));
    if (m_random.Chance(8)) plan.isPrivate = true;
    if (m_random.Chance(40)) plan.reminderMinutes = m_random.Pick(std::span<const LONG>(kReminders));
    if (m_random.Chance(10)) plan.busyStatus = olTentative;
    if (m_random.Chance(15)) plan.body = m_random.Pick(SampleVocabulary::Notes());

    if (m_random.Chance(20)) {
        MakeRecurring(plan);
    } else if (m_random.Chance(8)) {
        plan.allDay = true;
        plan.start = std::floor(plan.start);
        plan.durationMinutes = 1440 * m_random.Between(1, 3);
        plan.busyStatus = olFree;
    }
    return plan;
}

void SampleAppointmentPlanner::MakeRecurring(SampleAppointmentPlan& plan)
{
    const DATE time = plan.start - std::floor(plan.start);
    const DATE day = std::floor(plan.start);
    const SampleDay date = SampleCalendar::DayOf(day);
    const int weekday = SampleCalendar::Weekday(day);
    SamplePattern p;
    bool birthday = false;
    switch (m_random.Below(7)) {
        case 0:
            p = MakePattern(olRecursDaily, m_random.Between(1, 3), SampleEnd::kNever);
            break;
        case 1:
            p = MakePattern(olRecursDaily, 1, SampleEnd::kNever);
            p.dayOfWeekMask = 62;
            if (weekday == 0 || weekday == 6) plan.start = SampleCalendar::OnOrAfter(day, 1) + time;
            break;
        case 2:
            p = MakePattern(olRecursWeekly, m_random.Between(1, 2), SampleEnd::kNever);
            p.dayOfWeekMask = (1 << weekday) | (m_random.Chance(30) ? (1 << ((weekday + 2) % 7)) : 0);
            break;
        case 3:
            p = MakePattern(olRecursMonthly, m_random.Between(1, 3), SampleEnd::kNever);
            p.dayOfMonth = m_random.Between(1, 28);
            plan.start = SampleCalendar::Date(date.year, date.month, p.dayOfMonth) + time;
            break;
        case 4:
            p = MakePattern(olRecursMonthNth, m_random.Between(1, 2), SampleEnd::kNever);
            p.instance = m_random.Between(1, 5);
            p.dayOfWeekMask = 1 << weekday;
            plan.start = SampleCalendar::NthWeekday(date.year, date.month, weekday, p.instance) + time;
            break;
        case 5: {
            p = MakePattern(olRecursYearly, 1, SampleEnd::kNever);
            birthday = m_random.Chance(50);
            const int year = birthday ? m_random.Between(1950, 2005) : date.year;
            plan.start = SampleCalendar::Date(year, date.month, date.day) + (birthday ? 0.0 : time);
            p.monthOfYear = date.month;
            p.dayOfMonth = SampleCalendar::DayOf(plan.start).day;
            break;
        }
        default:
            p = MakePattern(olRecursYearNth, 1, SampleEnd::kNever);
            p.instance = m_random.Between(1, 5);
            p.dayOfWeekMask = 1 << weekday;
            p.monthOfYear = date.month;
            plan.start = SampleCalendar::NthWeekday(date.year, date.month, weekday, p.instance) + time;
            break;
    }
    switch (m_random.Below(3)) {
        case 0:
            break;
        case 1:
            p.end = SampleEnd::kAfterCount;
            p.occurrences = m_random.Between(5, 30);
            break;
        default:
            p.end = SampleEnd::kByDate;
            p.endDate = std::floor(plan.start) + m_random.Between(30, 400);
            break;
    }
    plan.pattern = p;
    plan.attendees.clear();
    if (birthday) {
        const std::u16string first = m_random.Pick(SampleVocabulary::FirstNames());
        const std::u16string last = m_random.Pick(SampleVocabulary::LastNames());
        plan.subject = first + u" " + last + u"'s birthday";
        plan.categories = u"Birthdays";
        plan.location.clear();
        plan.allDay = true;
        plan.durationMinutes = 1440;
        plan.busyStatus = olFree;
        return;
    }
    if (m_random.Chance(40)) AddExceptions(plan);
}

void SampleAppointmentPlanner::AddExceptions(SampleAppointmentPlan& plan)
{
    const SamplePattern& p = *plan.pattern;
    const int changes = m_random.Between(1, 2);
    for (int n = 0; n < changes; ++n) {
        // Occurrences 1 and 3 are never the same, nor the first.
        const int k = 1 + 2 * n;
        if (p.end == SampleEnd::kAfterCount && k >= p.occurrences) break;
        const DATE original = SampleOccurrences::Start(plan, k);
        if (p.end == SampleEnd::kByDate && original >= p.endDate) break;
        SampleException change;
        change.originalStart = original;
        switch (m_random.Below(3)) {
            case 0:
                change.kind = SampleExceptionKind::kDeleted;
                break;
            case 1:
                change.kind = SampleExceptionKind::kMoved;
                change.newStart = original + 1.0 / 24;
                break;
            default:
                change.kind = SampleExceptionKind::kSubject;
                change.subject = plan.subject + u" (changed)";
                break;
        }
        plan.exceptions.push_back(std::move(change));
    }
}

}  // namespace kstools
