// Recurrence rules: validation, blobs built from rules, published examples, reading back.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <random>
#include <string>

#include "platform/recurrence/recurrence_dates.h"
#include "platform/recurrence/recurrence_rule.h"
#include "tests/support/recurrence_published_blobs.h"
#include "tests/support/recurrence_random_rule.h"

using namespace platform;

namespace {

using publishedblobs::Hex;

std::string Encoded(const RecurrenceRule& rule)
{
    auto blob = BuildRecurrencePatternBlob(rule);
    if (!blob) return "(invalid)";
    return Hex(EncodeRecurrencePatternBlob(*blob));
}

RecurrenceDay Day(int y, int m, int d) { return RecurrenceDayFromDate(y, m, d); }

RecurrenceRule Rule(int type, int interval, RecurrenceDay start)
{
    RecurrenceRule r;
    r.type = type;
    r.interval = interval;
    r.patternStartDay = start;
    return r;
}

}  // namespace

// ---- Day numbers and validation -------------------------------------------

TEST(RecurrenceDayNumbers, PublishedAnchors)
{
    EXPECT_EQ(Day(1601, 1, 1), 0);
    EXPECT_EQ(RecurrenceDayOfWeek(0), 1);  // a Monday
    EXPECT_EQ(Day(1970, 1, 1), 134774);
    EXPECT_EQ(Day(2024, 5, 1), 154618);
    EXPECT_EQ(Day(2400, 2, 29), 291887);  // 2400 is a leap year
    EXPECT_EQ(Day(4500, 12, 31), kRecurrenceLastDay);
    EXPECT_EQ(RecurrenceDateFromDay(100000), (RecurrenceCivilDate{1874, 10, 17}));
    EXPECT_EQ(RecurrenceDaysInMonth(1900, 2), 28);
    EXPECT_EQ(RecurrenceDaysInMonth(2000, 2), 29);
    EXPECT_EQ(RecurrenceDaysInMonth(2000, 13), 0);
    EXPECT_EQ(RecurrenceDaysInMonth(2000, 0), 0);
}

TEST(RecurrenceRuleValidation, NamesTheWrongField)
{
    using F = RecurrenceRuleField;
    const RecurrenceDay may1 = Day(2024, 5, 1);
    auto daily = [&](auto change) {
        RecurrenceRule r = Rule(kRecursDaily, 1, may1);
        change(r);
        return r;
    };
    auto nth = [&](int mask, int instance) {
        return RecurrenceRule{.type = kRecursMonthNth,
                              .interval = 1,
                              .dayOfWeekMask = mask,
                              .instance = instance,
                              .patternStartDay = may1};
    };
    auto yearly = [&](int month, int interval) {
        return RecurrenceRule{.type = kRecursYearly,
                              .interval = interval,
                              .dayOfMonth = 29,
                              .monthOfYear = month,
                              .patternStartDay = may1};
    };
    const struct {
        RecurrenceRule rule;
        RecurrenceRuleField field;
    } cases[] = {
        {daily([](auto&) {}), F::kNone},
        {daily([](auto& r) { r.type = 4; }), F::kType},
        {daily([](auto& r) { r.interval = 0; }), F::kInterval},
        {daily([](auto& r) { r.interval = 999; }), F::kInterval},
        {daily([](auto& r) { r.interval = 998; }), F::kNone},
        {daily([](auto& r) { r.dayOfWeekMask = 2; }), F::kDayOfWeekMask},
        {daily([](auto& r) { r.dayOfWeekMask = 62, r.interval = 2; }), F::kInterval},  // every weekday
        {daily([](auto& r) { r.startMinute = 1440; }), F::kStartMinute},
        {daily([](auto& r) { r.durationMinutes = -1; }), F::kDuration},
        {daily([](auto& r) { r.patternStartDay = kRecurrenceLastDay + 1; }), F::kPatternStartDay},
        {daily([](auto& r) { r.patternStartDay = -1; }), F::kPatternStartDay},
        {daily([](auto& r) { r.end = static_cast<RecurrenceEnd>(7); }), F::kEnd},
        {daily([](auto& r) { r.end = RecurrenceEnd::kAfterOccurrences; }), F::kOccurrences},
        {daily([](auto& r) { r.end = RecurrenceEnd::kAfterOccurrences, r.occurrences = 1000; }), F::kOccurrences},
        {daily([](auto& r) { r.end = RecurrenceEnd::kByDate, r.patternEndDay = r.patternStartDay - 1; }),
         F::kPatternEndDay},
        {daily([](auto& r) { r.end = RecurrenceEnd::kByDate, r.patternEndDay = r.patternStartDay; }), F::kNone},
        {daily([](auto& r) { r.firstDayOfWeek = 7; }), F::kFirstDayOfWeek},
        {{.type = kRecursWeekly, .interval = 2, .patternStartDay = may1}, F::kDayOfWeekMask},  // no weekday
        {{.type = kRecursWeekly, .interval = 2, .dayOfWeekMask = 128, .patternStartDay = may1}, F::kDayOfWeekMask},
        {{.type = kRecursWeekly, .interval = 2, .dayOfWeekMask = 0x55, .patternStartDay = may1}, F::kNone},
        {{.type = kRecursMonthly, .interval = 1, .patternStartDay = may1}, F::kDayOfMonth},
        {{.type = kRecursMonthly, .interval = 1, .dayOfMonth = 32, .patternStartDay = may1}, F::kDayOfMonth},
        {{.type = kRecursMonthly, .interval = 1, .dayOfMonth = 31, .patternStartDay = may1}, F::kNone},
        {nth(3, 1), F::kDayOfWeekMask},  // Sunday and Monday: not a choice the readers know
        {nth(1, 6), F::kInstance},
        {yearly(0, 1), F::kMonthOfYear},
        {yearly(13, 1), F::kMonthOfYear},
        {yearly(2, 1), F::kNone},
        {yearly(2, 2), F::kInterval},  // the readers ignore a yearly period: refuse it rather than lose it
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(ValidateRecurrenceRule(cases[i].rule), cases[i].field) << "case " << i;
        EXPECT_EQ(BuildRecurrencePatternBlob(cases[i].rule).has_value(), cases[i].field == F::kNone) << "case " << i;
    }
    for (int mask : {1, 2, 4, 8, 16, 32, 64, 62, 65, 127}) EXPECT_EQ(ValidateRecurrenceRule(nth(mask, 1)), F::kNone);
}

// ---- Blobs built from rules -----------------------------------------------

TEST(RecurrenceRuleBlob, EveryKindByteByByte)
{
    // Minute values checked with Python's datetime. FirstDateTime: the first period's start modulo the period,
    // from 1601; EndDate: the end day, the last occurrence or the no-end marker; a date end has a count too.
    const struct {
        const char* what;
        RecurrenceRule rule;
        const char* hex;
    } cases[] = {
        {"every two days from Thursday 2 May 2024 (an odd day number), 09:00 for an hour, 5 times: EndDate 10 May",
         {.type = kRecursDaily,
          .interval = 2,
          .patternStartDay = Day(2024, 5, 2),
          .startMinute = 540,
          .durationMinutes = 60,
          .end = RecurrenceEnd::kAfterOccurrences,
          .occurrences = 5},
         "043004300A2000000000A0050000400B0000000000002220000005000000000000000000000000000000E063450DE090450D"
         "05300000053000001C0200005802000000000000000000000000"},
        {"every weekday from Wednesday 1 to Friday 10 May 2024: 8 occurrences; FirstDateTime of Sunday 28 April",
         {.type = kRecursDaily,
          .interval = 1,
          .dayOfWeekMask = kRecurMaskWeekdays,
          .patternStartDay = Day(2024, 5, 1),
          .startMinute = 510,
          .durationMinutes = 30,
          .end = RecurrenceEnd::kByDate,
          .patternEndDay = Day(2024, 5, 10)},
         "043004300A2001000000C021000001000000000000003E0000002120000008000000000000000000000000000000405E450D"
         "E090450D0530000005300000FE0100001C02000000000000000000000000"},
        {"Mondays and Thursdays every two weeks from Monday 6 May 2024, without end: count 10, the no-end marker",
         {.type = kRecursWeekly,
          .interval = 2,
          .dayOfWeekMask = 0x12,
          .patternStartDay = Day(2024, 5, 6),
          .startMinute = 780,
          .durationMinutes = 90},
         "043004300B2001000000C0210000020000000000000012000000232000000A000000000000000000000000000000607A450D"
         "DF80E95A05300000053000000C0300006603000000000000000000000000"},
        {"day 31 from 31 January 2024, 3 times (31 Jan, 29 Feb, 31 Mar); FirstDOW Monday",
         {.type = kRecursMonthly,
          .interval = 1,
          .dayOfMonth = 31,
          .patternStartDay = Day(2024, 1, 31),
          .end = RecurrenceEnd::kAfterOccurrences,
          .occurrences = 3,
          .firstDayOfWeek = 1},
         "043004300C20020000000000000001000000000000001F0000002220000003000000010000000000000000000000605E430D"
         "E0AF440D0530000005300000000000000000000000000000000000000000"},
        {"the last Friday every three months from 1 May 2024, twice: StartDate 31 May; (423 * 12 + 4) % 3 = 1 month",
         {.type = kRecursMonthNth,
          .interval = 3,
          .dayOfWeekMask = 32,
          .instance = 5,
          .patternStartDay = Day(2024, 5, 1),
          .startMinute = 600,
          .durationMinutes = 60,
          .end = RecurrenceEnd::kAfterOccurrences,
          .occurrences = 2},
         "043004300C200300000060AE0000030000000000000020000000050000002220000002000000000000000000000000000000"
         "0007460DE006480D0530000005300000580200009402000000000000000000000000"},
        {"29 February from 2024, twice: EndDate 28 February 2025",
         {.type = kRecursYearly,
          .interval = 1,
          .dayOfMonth = 29,
          .monthOfYear = 2,
          .patternStartDay = Day(2024, 2, 29),
          .durationMinutes = 1440,
          .end = RecurrenceEnd::kAfterOccurrences,
          .occurrences = 2},
         "043004300D200200000060AE00000C000000000000001D00000022200000020000000000000000000000000000008001440D"
         "A0064C0D053000000530000000000000A005000000000000000000000000"},
        {"the last weekday of August until 15 January 2025: only 30 August 2024",
         {.type = kRecursYearNth,
          .interval = 1,
          .dayOfWeekMask = kRecurMaskWeekdays,
          .instance = 5,
          .monthOfYear = 8,
          .patternStartDay = Day(2024, 1, 1),
          .end = RecurrenceEnd::kByDate,
          .patternEndDay = Day(2025, 1, 15)},
         "043004300D200300000080A804000C000000000000003E000000050000002120000001000000000000000000000000000000"
         "E006480D200F4B0D0530000005300000000000000000000000000000000000000000"},
    };
    for (const auto& c : cases) EXPECT_EQ(Encoded(c.rule), c.hex) << c.what;
}

TEST(RecurrenceRuleBlob, FirstDateTimeAndEndDateOfOddRules)
{
    // Yearly: the first of the month in 1601 (a common year), in minutes.
    const DWORD firsts[] = {0, 44640, 84960, 129600, 172800, 217440, 260640, 305280, 349920, 393120, 437760, 480960};
    for (int month = 1; month <= 12; ++month) {
        auto blob = BuildRecurrencePatternBlob({.type = kRecursYearly,
                                                .interval = 1,
                                                .dayOfMonth = 1,
                                                .monthOfYear = month,
                                                .patternStartDay = Day(2030, 1, 1)});
        ASSERT_TRUE(blob);
        EXPECT_EQ(blob->firstDateTime, firsts[month - 1]) << month;
        EXPECT_EQ(RecurrenceMonthFromFirstDateTime(blob->firstDateTime), month);
    }
    // Every 998 months: (423 * 12 + 4) % 998 = 90 months after January 1601.
    RecurrenceRule monthly = Rule(kRecursMonthly, 998, Day(2024, 5, 1));
    monthly.dayOfMonth = 1;
    auto blob = BuildRecurrencePatternBlob(monthly);
    ASSERT_TRUE(blob);
    EXPECT_EQ(blob->firstDateTime, static_cast<DWORD>(Day(1608, 7, 1)) * 1440);

    // A week starting on Monday moves the week of Sunday 5 May 2024 back to Monday 29 April.
    RecurrenceRule weekly = Rule(kRecursWeekly, 3, Day(2024, 5, 5));
    weekly.dayOfWeekMask = 1;
    weekly.firstDayOfWeek = 1;
    blob = BuildRecurrencePatternBlob(weekly);
    ASSERT_TRUE(blob);
    EXPECT_EQ(blob->firstDateTime, static_cast<DWORD>(Day(2024, 4, 29)) * 1440 % (3 * 10080));
    EXPECT_EQ(blob->firstDayOfWeek, 1u);
    weekly.firstDayOfWeek = 0;
    blob = BuildRecurrencePatternBlob(weekly);
    EXPECT_EQ(blob->firstDateTime, static_cast<DWORD>(Day(2024, 5, 5)) * 1440 % (3 * 10080));

    // A count-ended series reaching past 4500 is refused.
    RecurrenceRule r = Rule(kRecursYearly, 1, Day(4400, 1, 1));
    r.monthOfYear = 6;
    r.dayOfMonth = 1;
    r.end = RecurrenceEnd::kAfterOccurrences;
    r.occurrences = 101;  // 4400..4500
    blob = BuildRecurrencePatternBlob(r);
    ASSERT_TRUE(blob);
    EXPECT_EQ(blob->endDate, static_cast<DWORD>(Day(4500, 6, 1)) * 1440);
    r.occurrences = 102;
    EXPECT_FALSE(BuildRecurrencePatternBlob(r).has_value());
}

// ---- Published examples ---------------------------------------------------

// Up to the examples' second version pair the built blob must match the published bytes.
TEST(RecurrenceRuleBlob, PublishedExamplesUpToTheirVersions)
{
    // Monday, Thursday and Friday from Monday 26 March 2007, 10:00 to 10:30, twelve times.
    const RecurrenceRule weeklyRule{.type = kRecursWeekly,
                                    .interval = 1,
                                    .dayOfWeekMask = 0x32,
                                    .patternStartDay = Day(2007, 3, 26),
                                    .startMinute = 600,
                                    .durationMinutes = 30,
                                    .end = RecurrenceEnd::kAfterOccurrences,
                                    .occurrences = 12};
    const RecurrencePatternBlob weekly = *BuildRecurrencePatternBlob(weeklyRule);
    // Every three days from 7 April 2011 until 4 May 2011, 08:00 to 08:30; 19 and 22 April deleted.
    RecurrencePatternBlob daily = *BuildRecurrencePatternBlob({.type = kRecursDaily,
                                                               .interval = 3,
                                                               .patternStartDay = Day(2011, 4, 7),
                                                               .startMinute = 480,
                                                               .durationMinutes = 30,
                                                               .end = RecurrenceEnd::kByDate,
                                                               .patternEndDay = Day(2011, 5, 4)});
    daily.deletedInstanceDates = {static_cast<DWORD>(Day(2011, 4, 19)) * 1440,
                                  static_cast<DWORD>(Day(2011, 4, 22)) * 1440};
    // The yearly example holds what no rule expresses (a Hebrew calendar type).
    RecurrencePatternBlob yearly;
    yearly.frequency = kRecurFrequencyYearly;
    yearly.patternType = kRecurPatternMonth;
    yearly.calendarType = 8;
    yearly.firstDateTime = 685440;
    yearly.period = 12;
    yearly.dayOfMonth = 3;
    yearly.deletedInstanceDates = yearly.modifiedInstanceDates = {0x0CDC7E20};
    yearly.startDate = 0x0CC47460;
    yearly.startTimeOffset = 480;
    yearly.endTimeOffset = 510;
    const struct {
        const RecurrencePatternBlob& blob;
        std::string published;
        size_t versionsAt;
    } examples[] = {{weekly, publishedblobs::kWeekly, publishedblobs::kWeeklyVersionsAt},
                    {daily, publishedblobs::kDaily, publishedblobs::kDailyVersionsAt},
                    {yearly, publishedblobs::kYearly, publishedblobs::kYearlyVersionsAt}};
    for (const auto& e : examples) {
        EXPECT_EQ(Hex(EncodeRecurrencePatternBlob(e.blob)).substr(0, e.versionsAt * 2),
                  e.published.substr(0, e.versionsAt * 2));
    }
    // After EndDate: the device's versions 0x3005, the same offsets, no changes, reserved sizes 0.
    EXPECT_EQ(Encoded(weeklyRule).substr(54 * 2), "0530000005300000580200007602000000000000000000000000");

    // The meeting example: the weekly one with 16 April 2007 moved to 11:00.
    RecurrencePatternBlob meeting = weekly;
    const DWORD april16 = static_cast<DWORD>(Day(2007, 4, 16)) * 1440;
    meeting.deletedInstanceDates = meeting.modifiedInstanceDates = {april16};
    RecurrenceExceptionInfo moved;
    moved.startDateTime = april16 + 660;
    moved.endDateTime = april16 + 690;
    moved.originalStartDate = april16 + 600;
    moved.subject = u"Simple Recurrence with exceptions";
    moved.location = u"34/4141";
    meeting.exceptions = {moved};
    const std::string published =
        "043004300B2001000000C0210000010000000000000032000000222000000C0000000000000001000000A096BC0C01000000"
        "A096BC0C8020BC0C20ADBC0C0630000009300000580200007602000001003499BC0C5299BC0CF898BC0C1100220021005369";
    const std::string ours = Hex(EncodeRecurrencePatternBlob(meeting));
    EXPECT_EQ(ours.substr(0, 62 * 2), published.substr(0, 62 * 2));
    // The changed occurrence's dates and flags too; the texts follow in 16-bit characters.
    const size_t exceptionAt = (62 + 16 + 2) * 2;
    EXPECT_EQ(ours.substr(exceptionAt, 28), published.substr(exceptionAt, 28));
    EXPECT_EQ(ours.substr(exceptionAt + 28, 16), "2200210053006900");
}

// ---- Reading a rule back --------------------------------------------------

TEST(RecurrenceRuleFromBlob, InverseOfBuildForRandomRulesAndRefusesWhatNoRuleExpresses)
{
    std::mt19937 rng(20240501);
    int built = 0;
    for (int i = 0; i < 3000; ++i) {
        const RecurrenceRule r = recurrule::RandomRecurrenceRule(rng, {0, kRecurrenceLastDay - 4000});
        ASSERT_EQ(ValidateRecurrenceRule(r), RecurrenceRuleField::kNone);
        auto blob = BuildRecurrencePatternBlob(r);
        if (!blob) continue;  // a count-ended series past 4500
        ++built;
        RecurrencePatternBlob decoded;
        const auto bytes = EncodeRecurrencePatternBlob(*blob);
        ASSERT_TRUE(RecurrenceBlobUsable(DecodeRecurrencePatternBlob(bytes.data(), bytes.size(), decoded)));
        auto back = RecurrenceRuleFromBlob(decoded);
        ASSERT_TRUE(back) << i;
        // It comes back starting on its first occurrence.
        RecurrenceDates dates(r);
        RecurrenceRule expected = r;
        expected.patternStartDay = dates.First().value_or(r.patternStartDay);
        EXPECT_EQ(*back, expected) << "rule " << i << " type " << r.type;
        // EndDate is the day of the last occurrence (count) or the end day.
        if (r.end == RecurrenceEnd::kAfterOccurrences) {
            EXPECT_EQ(blob->endDate, static_cast<DWORD>(*dates.Last()) * 1440);
            EXPECT_EQ(dates.CountThrough(kRecurrenceLastDay), r.occurrences);
        } else if (r.end == RecurrenceEnd::kByDate) {
            EXPECT_EQ(blob->occurrenceCount, dates.CountThrough(r.patternEndDay));
        }
    }
    EXPECT_GT(built, 2500);

    const std::optional<RecurrencePatternBlob> daily =
        BuildRecurrencePatternBlob(Rule(kRecursDaily, 2, Day(2024, 5, 2)));
    ASSERT_TRUE(daily && RecurrenceRuleFromBlob(*daily));
    const std::function<void(RecurrencePatternBlob&)> refused[] = {
        [](auto& b) { b.period = 2000; },  // not whole days
        [](auto& b) { b.frequency = kRecurFrequencyWeekly, b.patternType = kRecurPatternDay; },
        [](auto& b) { b.endTimeOffset = 10, b.startTimeOffset = 20; },
        [](auto& b) { b.firstDayOfWeek = 7; },
        [](auto& b) { b.patternType = kRecurPatternWeek, b.weekdayMask = 0x7F; },  // weekdays take the working-day mask
        [](auto& b) { b.endType = kRecurEndAfterCount, b.occurrenceCount = 1000; },  // above the object model's 999
    };
    for (const auto& change : refused) {
        RecurrencePatternBlob odd = *daily;
        change(odd);
        EXPECT_FALSE(RecurrenceRuleFromBlob(odd)) << &change - refused;
    }
    RecurrencePatternBlob odd = *daily;
    odd.patternType = kRecurPatternWeek;
    odd.weekdayMask = kRecurMaskWeekdays;
    auto weekdays = RecurrenceRuleFromBlob(odd);
    ASSERT_TRUE(weekdays);
    EXPECT_EQ(weekdays->dayOfWeekMask, kRecurMaskWeekdays);
    EXPECT_EQ(weekdays->interval, 1);

    // The alternate never-end value and an unknown end type with the no-end
    // marker both read as "no end"; an unknown type with a date as "by date".
    odd = *daily;
    odd.endType = kRecurEndNeverAlternate;
    EXPECT_EQ(RecurrenceRuleFromBlob(odd)->end, RecurrenceEnd::kNoEnd);
    odd.endType = 0x1234;
    EXPECT_EQ(RecurrenceRuleFromBlob(odd)->end, RecurrenceEnd::kNoEnd);
    odd.endDate = static_cast<DWORD>(Day(2025, 1, 1)) * 1440;
    auto dated = RecurrenceRuleFromBlob(odd);
    ASSERT_TRUE(dated);
    EXPECT_EQ(dated->end, RecurrenceEnd::kByDate);
    EXPECT_EQ(dated->patternEndDay, Day(2025, 1, 1));
}
