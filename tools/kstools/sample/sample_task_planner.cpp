#include "tools/kstools/sample/sample_task_planner.h"

#include <string>

#include "tools/kstools/sample/sample_vocabulary.h"

namespace kstools {
namespace {

SampleTaskPlan Task(const char16_t* subject, DATE start, DATE due, const char16_t* categories = u"")
{
    SampleTaskPlan plan;
    plan.subject = subject;
    plan.start = start;
    plan.due = due;
    plan.categories = categories;
    return plan;
}

std::u16string Number(int value)
{
    std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace

std::vector<SampleTaskPlan> SampleTaskPlanner::Coverage(const SampleCalendar& c)
{
    const DATE today = c.Today();
    const SampleDay date = SampleCalendar::DayOf(today);
    std::vector<SampleTaskPlan> plans;
    auto add = [&plans](SampleTaskPlan plan) -> SampleTaskPlan& {
        plans.push_back(std::move(plan));
        return plans.back();
    };

    {
        auto& t = add(Task(u"A01: Call the plumber", today, today, u"Personal"));
        t.importance = olImportanceHigh;
        t.reminder = c.At(0, 9);
    }
    add(Task(u"A02: Finish the quarterly report", today - 3, today + 2, u"Business")).importance = olImportanceHigh;
    add(Task(u"A03: Reply to Priya", today - 6, today - 3, u"Business"));  // overdue
    add(Task(u"B01: Renew passport", kNoOleDate, today + 30, u"Travel"));
    add(Task(u"B12|7: Water plants", today - 1, today + 6, u"Personal"));
    add(Task(u"|14: Clean the gutters", kNoOleDate, today + 10));
    add(Task(u"C3: Sort holiday photos", kNoOleDate, kNoOleDate, u"Family")).importance = olImportanceLow;
    add(Task(u"D05|3: Feed the sourdough starter", today, today + 3));
    {
        const DATE thursday = SampleCalendar::OnOrAfter(today, 4);
        auto& t = add(Task(u"Take out the recycling", thursday, thursday));
        SamplePattern p = MakePattern(olRecursWeekly, 1, SampleEnd::kNever);
        p.dayOfWeekMask = 1 << 4;
        t.pattern = p;
    }
    {
        const DATE day = SampleCalendar::Date(date.year, date.month + 1, 20);
        auto& t = add(Task(u"B02: Pay the phone bill", day, day, u"Finance"));
        SamplePattern p = MakePattern(olRecursMonthly, 1, SampleEnd::kAfterCount, 12);
        p.dayOfMonth = 20;
        t.pattern = p;
    }
    {
        const DATE sunday = SampleCalendar::OnOrAfter(today, 0);
        auto& t = add(Task(u"Back up the laptop", sunday, sunday));
        SamplePattern p = MakePattern(olRecursWeekly, 2, SampleEnd::kByDate, 0, today + 180);
        p.dayOfWeekMask = 1;
        t.pattern = p;
    }
    {
        auto& t = add(Task(u"A01: Submit expense report", today - 10, today - 2, u"Business"));
        t.complete = true;
        t.completed = today - 3;
    }
    {
        auto& t = add(Task(u"Book flights", today - 20, today - 14, u"Travel"));
        t.complete = true;
        t.completed = today - 15;
        t.importance = olImportanceLow;
    }
    {
        auto& t = add(Task(u"Buy anniversary gift", kNoOleDate, today + 38, u"Personal"));
        t.isPrivate = true;
        t.body = u"Something for the garden?";
    }
    add(Task(u"Read chapter 4", kNoOleDate, kNoOleDate));
    return plans;
}

std::u16string SampleTaskPlanner::RandomPrefix()
{
    std::u16string prefix;
    if (m_random.Chance(60)) {
        prefix += static_cast<char16_t>(u'A' + m_random.Below(4));
        const int number = m_random.Between(1, 20);
        // One digit is written with a leading zero, as the suite pads it.
        prefix += (number < 10 ? u"0" : u"") + Number(number);
    }
    if (m_random.Chance(10)) {
        static constexpr int kDays[] = {1, 2, 3, 7, 14, 30};
        prefix += u"|" + Number(m_random.Pick(std::span<const int>(kDays)));
    }
    return prefix.empty() ? prefix : prefix + u": ";
}

SampleTaskPlan SampleTaskPlanner::Next()
{
    SampleTaskPlan plan;
    plan.subject = RandomPrefix() + m_random.Pick(SampleVocabulary::TaskSubjects());
    if (m_random.Chance(70)) {
        plan.due = m_calendar.At(m_random.Between(-20, 60));
        if (m_random.Chance(60)) plan.start = plan.due - m_random.Between(0, 7);
    }
    const std::uint32_t importance = m_random.Below(10);
    plan.importance = importance < 2 ? olImportanceHigh : importance < 8 ? olImportanceNormal : olImportanceLow;
    if (m_random.Chance(50)) plan.categories = m_random.Pick(SampleVocabulary::Categories());
    if (m_random.Chance(8)) plan.isPrivate = true;
    if (m_random.Chance(10)) plan.body = m_random.Pick(SampleVocabulary::Notes());

    if (plan.due != kNoOleDate && m_random.Chance(8)) {
        if (plan.start == kNoOleDate) plan.start = plan.due;
        SamplePattern p = MakePattern(olRecursWeekly, m_random.Between(1, 2), SampleEnd::kNever);
        p.dayOfWeekMask = 1 << SampleCalendar::Weekday(plan.start);
        if (m_random.Chance(50)) {
            p.end = SampleEnd::kAfterCount;
            p.occurrences = m_random.Between(3, 20);
        }
        plan.pattern = p;
        return plan;
    }
    if (m_random.Chance(20)) {
        plan.complete = true;
        plan.completed = m_calendar.At(-m_random.Between(0, 20));
    } else if (plan.due != kNoOleDate && plan.due >= m_calendar.Today() && m_random.Chance(20)) {
        plan.reminder = plan.due + 9.0 / 24;
    }
    return plan;
}

}  // namespace kstools
