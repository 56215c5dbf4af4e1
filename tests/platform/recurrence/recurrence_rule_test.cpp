// Recurrence rules: validation, the blob built for each kind of pattern
// (byte dumps worked out by hand, minute values checked with Python's
// datetime), the published Outlook example blobs, and reading a rule back.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "platform/recurrence/recurrence_dates.h"
#include "platform/recurrence/recurrence_rule.h"

using namespace platform;

namespace {

std::string Hex(const std::vector<BYTE>& bytes)
{
    std::string out;
    char buf[3];
    for (BYTE b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        out += buf;
    }
    return out;
}

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

// Versions 0x3005/0x3005, no changed occurrence, both reserved sizes 0.
const std::string kTail =
    "0000"
    "00000000"
    "00000000";
const std::string kVersions2 =
    "05300000"
    "05300000";

}  // namespace

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
    RecurrenceRule daily = Rule(kRecursDaily, 1, Day(2024, 5, 1));
    EXPECT_EQ(ValidateRecurrenceRule(daily), RecurrenceRuleField::kNone);

    auto with = [](RecurrenceRule r, auto change) {
        change(r);
        return ValidateRecurrenceRule(r);
    };
    EXPECT_EQ(with(daily, [](auto& r) { r.type = 4; }), RecurrenceRuleField::kType);
    EXPECT_EQ(with(daily, [](auto& r) { r.interval = 0; }), RecurrenceRuleField::kInterval);
    EXPECT_EQ(with(daily, [](auto& r) { r.interval = 999; }), RecurrenceRuleField::kInterval);
    EXPECT_EQ(with(daily, [](auto& r) { r.interval = 998; }), RecurrenceRuleField::kNone);
    EXPECT_EQ(with(daily, [](auto& r) { r.dayOfWeekMask = 2; }), RecurrenceRuleField::kDayOfWeekMask);
    EXPECT_EQ(with(daily,
                   [](auto& r) {
                       r.dayOfWeekMask = 62;
                       r.interval = 2;
                   }),
              RecurrenceRuleField::kInterval);
    EXPECT_EQ(with(daily, [](auto& r) { r.startMinute = 1440; }), RecurrenceRuleField::kStartMinute);
    EXPECT_EQ(with(daily, [](auto& r) { r.durationMinutes = -1; }), RecurrenceRuleField::kDuration);
    EXPECT_EQ(with(daily, [](auto& r) { r.patternStartDay = kRecurrenceLastDay + 1; }),
              RecurrenceRuleField::kPatternStartDay);
    EXPECT_EQ(with(daily, [](auto& r) { r.patternStartDay = -1; }), RecurrenceRuleField::kPatternStartDay);
    EXPECT_EQ(with(daily, [](auto& r) { r.end = static_cast<RecurrenceEnd>(7); }), RecurrenceRuleField::kEnd);
    EXPECT_EQ(with(daily, [](auto& r) { r.end = RecurrenceEnd::kAfterOccurrences; }),
              RecurrenceRuleField::kOccurrences);
    EXPECT_EQ(with(daily,
                   [](auto& r) {
                       r.end = RecurrenceEnd::kAfterOccurrences;
                       r.occurrences = 1000;
                   }),
              RecurrenceRuleField::kOccurrences);
    EXPECT_EQ(with(daily,
                   [](auto& r) {
                       r.end = RecurrenceEnd::kByDate;
                       r.patternEndDay = r.patternStartDay - 1;
                   }),
              RecurrenceRuleField::kPatternEndDay);
    EXPECT_EQ(with(daily,
                   [](auto& r) {
                       r.end = RecurrenceEnd::kByDate;
                       r.patternEndDay = r.patternStartDay;
                   }),
              RecurrenceRuleField::kNone);
    EXPECT_EQ(with(daily, [](auto& r) { r.firstDayOfWeek = 7; }), RecurrenceRuleField::kFirstDayOfWeek);

    RecurrenceRule weekly = Rule(kRecursWeekly, 2, Day(2024, 5, 1));
    EXPECT_EQ(ValidateRecurrenceRule(weekly), RecurrenceRuleField::kDayOfWeekMask);  // no weekday
    weekly.dayOfWeekMask = 128;
    EXPECT_EQ(ValidateRecurrenceRule(weekly), RecurrenceRuleField::kDayOfWeekMask);
    weekly.dayOfWeekMask = 0x55;
    EXPECT_EQ(ValidateRecurrenceRule(weekly), RecurrenceRuleField::kNone);

    RecurrenceRule monthly = Rule(kRecursMonthly, 1, Day(2024, 5, 1));
    EXPECT_EQ(ValidateRecurrenceRule(monthly), RecurrenceRuleField::kDayOfMonth);
    monthly.dayOfMonth = 32;
    EXPECT_EQ(ValidateRecurrenceRule(monthly), RecurrenceRuleField::kDayOfMonth);
    monthly.dayOfMonth = 31;
    EXPECT_EQ(ValidateRecurrenceRule(monthly), RecurrenceRuleField::kNone);

    RecurrenceRule nth = Rule(kRecursMonthNth, 1, Day(2024, 5, 1));
    nth.dayOfWeekMask = 3;  // Sunday and Monday: not a choice the readers know
    nth.instance = 1;
    EXPECT_EQ(ValidateRecurrenceRule(nth), RecurrenceRuleField::kDayOfWeekMask);
    for (int mask : {1, 2, 4, 8, 16, 32, 64, 62, 65, 127}) {
        nth.dayOfWeekMask = mask;
        EXPECT_EQ(ValidateRecurrenceRule(nth), RecurrenceRuleField::kNone) << mask;
    }
    nth.instance = 6;
    EXPECT_EQ(ValidateRecurrenceRule(nth), RecurrenceRuleField::kInstance);

    RecurrenceRule yearly = Rule(kRecursYearly, 1, Day(2024, 5, 1));
    yearly.dayOfMonth = 29;
    EXPECT_EQ(ValidateRecurrenceRule(yearly), RecurrenceRuleField::kMonthOfYear);
    yearly.monthOfYear = 13;
    EXPECT_EQ(ValidateRecurrenceRule(yearly), RecurrenceRuleField::kMonthOfYear);
    yearly.monthOfYear = 2;
    EXPECT_EQ(ValidateRecurrenceRule(yearly), RecurrenceRuleField::kNone);
    yearly.interval = 2;  // the readers ignore a yearly period: refuse it rather than lose it
    EXPECT_EQ(ValidateRecurrenceRule(yearly), RecurrenceRuleField::kInterval);

    weekly.dayOfWeekMask = 0;
    EXPECT_FALSE(BuildRecurrencePatternBlob(weekly).has_value());
}

TEST(RecurrenceRuleBlob, DailyEveryTwoDaysAfterFiveOccurrences)
{
    // Thursday 2 May 2024 (an odd day number), 09:00 for an hour, 5 times:
    // 2, 4, 6, 8 and 10 May.
    RecurrenceRule r = Rule(kRecursDaily, 2, Day(2024, 5, 2));
    r.startMinute = 540;
    r.durationMinutes = 60;
    r.end = RecurrenceEnd::kAfterOccurrences;
    r.occurrences = 5;
    EXPECT_EQ(Encoded(r),
              "04300430"
              "0A20"
              "0000"
              "0000"
              "A0050000"  // FirstDateTime 1440: start minutes % 2880
              "400B0000"  // Period 2880 minutes
              "00000000"  // SlidingFlag
              "22200000"
              "05000000"
              "00000000"  // after 5; FirstDOW Sunday
              "00000000"
              "00000000"  // no deleted, no modified dates
              "E063450D"
              "E090450D"  // 2 May 2024, 10 May 2024
                  + kVersions2 +
                  "1C020000"
                  "58020000" +
                  kTail);  // 09:00 to 10:00
}

TEST(RecurrenceRuleBlob, EveryWeekdayEndingByDate)
{
    // From Wednesday 1 May to Friday 10 May 2024: 1, 2, 3, 6, 7, 8, 9, 10 May.
    RecurrenceRule r = Rule(kRecursDaily, 1, Day(2024, 5, 1));
    r.dayOfWeekMask = kRecurMaskWeekdays;
    r.startMinute = 510;
    r.durationMinutes = 30;
    r.end = RecurrenceEnd::kByDate;
    r.patternEndDay = Day(2024, 5, 10);
    EXPECT_EQ(Encoded(r),
              "04300430"
              "0A20"
              "0100"
              "0000"
              "C0210000"  // Sunday 28 April 2024 % one week
              "01000000"
              "00000000"
              "3E000000"  // Monday to Friday
              "21200000"
              "08000000"
              "00000000"  // by date, 8 occurrences
              "00000000"
              "00000000"
              "405E450D"
              "E090450D" +
                  kVersions2 +
                  "FE010000"
                  "1C020000" +
                  kTail);
}

TEST(RecurrenceRuleBlob, WeeklyEveryOtherWeekWithoutEnd)
{
    // Mondays and Thursdays every two weeks from Monday 6 May 2024, 13:00 for 90 minutes.
    RecurrenceRule r = Rule(kRecursWeekly, 2, Day(2024, 5, 6));
    r.dayOfWeekMask = 0x12;
    r.startMinute = 780;
    r.durationMinutes = 90;
    EXPECT_EQ(Encoded(r),
              "04300430"
              "0B20"
              "0100"
              "0000"
              "C0210000"  // Sunday 5 May 2024 % two weeks
              "02000000"
              "00000000"
              "12000000"
              "23200000"
              "0A000000"
              "00000000"  // never; count 10
              "00000000"
              "00000000"
              "607A450D"
              "DF80E95A"  // EndDate: the no-end marker
                  + kVersions2 +
                  "0C030000"
                  "66030000" +
                  kTail);
}

TEST(RecurrenceRuleBlob, MonthlyDay31ClampsInShortMonths)
{
    // 31 January 2024, three times: 31 January, 29 February, 31 March.
    RecurrenceRule r = Rule(kRecursMonthly, 1, Day(2024, 1, 31));
    r.dayOfMonth = 31;
    r.end = RecurrenceEnd::kAfterOccurrences;
    r.occurrences = 3;
    r.firstDayOfWeek = 1;
    EXPECT_EQ(Encoded(r),
              "04300430"
              "0C20"
              "0200"
              "0000"
              "00000000"  // any month % 1 = January 1601
              "01000000"
              "00000000"
              "1F000000"
              "22200000"
              "03000000"
              "01000000"  // FirstDOW Monday
              "00000000"
              "00000000"
              "605E430D"
              "E0AF440D"  // 31 January, 31 March 2024
                  + kVersions2 +
                  "00000000"
                  "00000000" +
                  kTail);
}

TEST(RecurrenceRuleBlob, MonthNthLastFridayEveryThreeMonths)
{
    // The last Friday every three months from 1 May 2024, twice: 31 May and
    // 30 August 2024.
    RecurrenceRule r = Rule(kRecursMonthNth, 3, Day(2024, 5, 1));
    r.dayOfWeekMask = 32;
    r.instance = 5;
    r.startMinute = 600;
    r.durationMinutes = 60;
    r.end = RecurrenceEnd::kAfterOccurrences;
    r.occurrences = 2;
    EXPECT_EQ(Encoded(r),
              "04300430"
              "0C20"
              "0300"
              "0000"
              "60AE0000"  // (423 * 12 + 4) % 3 = 1 month: 1 February 1601
              "03000000"
              "00000000"
              "20000000"
              "05000000"  // Friday, last
              "22200000"
              "02000000"
              "00000000"
              "00000000"
              "00000000"
              "0007460D"
              "E006480D"  // StartDate: the first occurrence
                  + kVersions2 +
                  "58020000"
                  "94020000" +
                  kTail);
}

TEST(RecurrenceRuleBlob, Yearly29FebruaryFallsOn28InCommonYears)
{
    RecurrenceRule r = Rule(kRecursYearly, 1, Day(2024, 2, 29));
    r.monthOfYear = 2;
    r.dayOfMonth = 29;
    r.durationMinutes = 1440;
    r.end = RecurrenceEnd::kAfterOccurrences;
    r.occurrences = 2;
    EXPECT_EQ(Encoded(r),
              "04300430"
              "0D20"
              "0200"
              "0000"
              "60AE0000"  // 31 days to 1 February
              "0C000000"
              "00000000"
              "1D000000"
              "22200000"
              "02000000"
              "00000000"
              "00000000"
              "00000000"
              "8001440D"
              "A0064C0D"  // 29 February 2024, 28 February 2025
                  + kVersions2 +
                  "00000000"
                  "A0050000" +
                  kTail);
}

TEST(RecurrenceRuleBlob, YearNthLastWeekdayOfAugust)
{
    RecurrenceRule r = Rule(kRecursYearNth, 1, Day(2024, 1, 1));
    r.monthOfYear = 8;
    r.dayOfWeekMask = kRecurMaskWeekdays;
    r.instance = 5;
    r.end = RecurrenceEnd::kByDate;
    r.patternEndDay = Day(2025, 1, 15);
    EXPECT_EQ(Encoded(r),
              "04300430"
              "0D20"
              "0300"
              "0000"
              "80A80400"  // 212 days to 1 August
              "0C000000"
              "00000000"
              "3E000000"
              "05000000"
              "21200000"
              "01000000"
              "00000000"  // only 30 August 2024
              "00000000"
              "00000000"
              "E006480D"
              "200F4B0D"  // StartDate: 30 August 2024
                  + kVersions2 +
                  "00000000"
                  "00000000" +
                  kTail);
}

TEST(RecurrenceRuleBlob, YearlyFirstDateTimeOfEveryMonthReadsBack)
{
    // 1601 is a common year: the first of each month, in minutes.
    const DWORD firsts[] = {0, 44640, 84960, 129600, 172800, 217440, 260640, 305280, 349920, 393120, 437760, 480960};
    for (int month = 1; month <= 12; ++month) {
        RecurrenceRule r = Rule(kRecursYearly, 1, Day(2030, 1, 1));
        r.monthOfYear = month;
        r.dayOfMonth = 1;
        auto blob = BuildRecurrencePatternBlob(r);
        ASSERT_TRUE(blob);
        EXPECT_EQ(blob->firstDateTime, firsts[month - 1]) << month;
        EXPECT_EQ(RecurrenceMonthFromFirstDateTime(blob->firstDateTime), month);
    }
    // The readers' thresholds, at their edges.
    EXPECT_EQ(RecurrenceMonthFromFirstDateTime(39999), 1);
    EXPECT_EQ(RecurrenceMonthFromFirstDateTime(40000), 2);
    EXPECT_EQ(RecurrenceMonthFromFirstDateTime(169999), 4);
    EXPECT_EQ(RecurrenceMonthFromFirstDateTime(170000), 5);
    EXPECT_EQ(RecurrenceMonthFromFirstDateTime(474999), 11);
    EXPECT_EQ(RecurrenceMonthFromFirstDateTime(475000), 12);
    EXPECT_EQ(RecurrenceMonthFromFirstDateTime(0xFFFFFFFF), 12);
}

TEST(RecurrenceRuleBlob, FirstDateTimeOfLongPeriodsAndOtherWeekStarts)
{
    // Monthly every 998 months: the months since January 1601 modulo 998,
    // counted forward from January 1601.
    RecurrenceRule monthly = Rule(kRecursMonthly, 998, Day(2024, 5, 1));
    monthly.dayOfMonth = 1;
    auto blob = BuildRecurrencePatternBlob(monthly);
    ASSERT_TRUE(blob);
    const int months = (423 * 12 + 4) % 998;  // 90 months: July 1608
    EXPECT_EQ(months, 90);
    EXPECT_EQ(blob->firstDateTime, static_cast<DWORD>(Day(1608, 7, 1)) * 1440);

    // A week starting on Monday moves the week of Sunday 5 May 2024 back to
    // Monday 29 April.
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
}

TEST(RecurrenceRuleBlob, CountEndedSeriesPastTheLastDayIsRefused)
{
    RecurrenceRule r = Rule(kRecursYearly, 1, Day(4400, 1, 1));
    r.monthOfYear = 6;
    r.dayOfMonth = 1;
    r.end = RecurrenceEnd::kAfterOccurrences;
    r.occurrences = 101;  // 4400..4500
    auto blob = BuildRecurrencePatternBlob(r);
    ASSERT_TRUE(blob);
    EXPECT_EQ(blob->endDate, static_cast<DWORD>(Day(4500, 6, 1)) * 1440);
    r.occurrences = 102;
    EXPECT_FALSE(BuildRecurrencePatternBlob(r).has_value());
}

// The published Outlook examples. Up to EndDate the stored variant is the
// same structure, so the blob built from the described rule must match the
// published bytes up to there.
TEST(RecurrenceRuleBlob, PublishedWeeklyExample)
{
    // Monday, Thursday and Friday from Monday 26 March 2007, 10:00 to 10:30,
    // twelve times.
    RecurrenceRule r = Rule(kRecursWeekly, 1, Day(2007, 3, 26));
    r.dayOfWeekMask = 0x32;
    r.startMinute = 600;
    r.durationMinutes = 30;
    r.end = RecurrenceEnd::kAfterOccurrences;
    r.occurrences = 12;
    const std::string published =
        "043004300B2001000000C0210000010000000000000032000000222000000C0000000000000000000000000000008020BC0C"
        "20ADBC0C0630000009300000580200007602000000000000000000000000";
    const std::string ours = Encoded(r);
    EXPECT_EQ(ours.substr(0, 54 * 2), published.substr(0, 54 * 2));
    // After EndDate: the device's versions, then the same offsets.
    EXPECT_EQ(ours.substr(54 * 2), kVersions2 +
                                       "58020000"
                                       "76020000" +
                                       kTail);
}

TEST(RecurrenceRuleBlob, PublishedDailyExampleWithDeletions)
{
    // Every three days from 7 April 2011 until 4 May 2011, 08:00 to 08:30;
    // 19 and 22 April deleted.
    RecurrenceRule r = Rule(kRecursDaily, 3, Day(2011, 4, 7));
    r.startMinute = 480;
    r.durationMinutes = 30;
    r.end = RecurrenceEnd::kByDate;
    r.patternEndDay = Day(2011, 5, 4);
    auto blob = BuildRecurrencePatternBlob(r);
    ASSERT_TRUE(blob);
    blob->deletedInstanceDates = {static_cast<DWORD>(Day(2011, 4, 19)) * 1440,
                                  static_cast<DWORD>(Day(2011, 4, 22)) * 1440};
    const std::string published =
        "043004300A2000000000A0050000E010000000000000212000000A0000000000000002000000A0C1DC0C80D2DC0C0000"
        "0000207EDC0C0016DD0C0630000009300000E0010000FE01000000000000000000000000";
    const std::string ours = Hex(EncodeRecurrencePatternBlob(*blob));
    EXPECT_EQ(ours.substr(0, 58 * 2), published.substr(0, 58 * 2));
}

TEST(RecurrenceRuleBlob, PublishedMeetingExampleWithChangedOccurrence)
{
    // The weekly example again, with 16 April 2007 moved to 11:00.
    RecurrenceRule r = Rule(kRecursWeekly, 1, Day(2007, 3, 26));
    r.dayOfWeekMask = 0x32;
    r.startMinute = 600;
    r.durationMinutes = 30;
    r.end = RecurrenceEnd::kAfterOccurrences;
    r.occurrences = 12;
    auto blob = BuildRecurrencePatternBlob(r);
    ASSERT_TRUE(blob);
    const DWORD april16 = static_cast<DWORD>(Day(2007, 4, 16)) * 1440;
    blob->deletedInstanceDates = {april16};
    blob->modifiedInstanceDates = {april16};
    RecurrenceExceptionInfo moved;
    moved.startDateTime = april16 + 660;
    moved.endDateTime = april16 + 690;
    moved.originalStartDate = april16 + 600;
    moved.subject = u"Simple Recurrence with exceptions";
    moved.location = u"34/4141";
    blob->exceptions = {moved};
    const std::string published =
        "043004300B2001000000C0210000010000000000000032000000222000000C0000000000000001000000A096BC0C01000000"
        "A096BC0C8020BC0C20ADBC0C0630000009300000580200007602000001003499BC0C5299BC0CF898BC0C1100220021005369";
    const std::string ours = Hex(EncodeRecurrencePatternBlob(*blob));
    EXPECT_EQ(ours.substr(0, 62 * 2), published.substr(0, 62 * 2));
    // The changed occurrence's dates and flags are the published ones too;
    // the texts follow in 16-bit characters.
    const size_t exceptionAt = (62 + 16 + 2) * 2;
    EXPECT_EQ(ours.substr(exceptionAt, 28), published.substr(exceptionAt, 28));
    EXPECT_EQ(ours.substr(exceptionAt + 28, 16),
              "2200"
              "2100"
              "5300"
              "6900");
}

TEST(RecurrenceRuleFromBlob, InverseOfBuildForRandomRules)
{
    std::mt19937 rng(20240501);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int types[] = {kRecursDaily, kRecursWeekly, kRecursMonthly, kRecursMonthNth, kRecursYearly, kRecursYearNth};
    const int nthMasks[] = {1, 2, 4, 8, 16, 32, 64, 62, 65, 127};
    int built = 0;
    for (int i = 0; i < 3000; ++i) {
        RecurrenceRule r;
        r.type = types[pick(0, 5)];
        r.interval = pick(1, 998);
        r.patternStartDay = pick(0, kRecurrenceLastDay - 4000);
        r.startMinute = pick(0, 1439);
        r.durationMinutes = pick(0, 3 * 1440);
        r.firstDayOfWeek = r.type == kRecursWeekly ? pick(0, 6) : pick(0, 1);
        switch (r.type) {
            case kRecursDaily:
                if (pick(0, 3) == 0) {
                    r.dayOfWeekMask = kRecurMaskWeekdays;
                    r.interval = 1;
                }
                break;
            case kRecursWeekly:
                r.dayOfWeekMask = pick(1, 127);
                break;
            case kRecursMonthly:
                r.dayOfMonth = pick(1, 31);
                break;
            case kRecursMonthNth:
                r.dayOfWeekMask = nthMasks[pick(0, 9)];
                r.instance = pick(1, 5);
                break;
            case kRecursYearly:
                r.interval = 1;
                r.monthOfYear = pick(1, 12);
                r.dayOfMonth = pick(1, 31);
                break;
            default:
                r.interval = 1;
                r.monthOfYear = pick(1, 12);
                r.dayOfWeekMask = nthMasks[pick(0, 9)];
                r.instance = pick(1, 5);
                break;
        }
        r.end = static_cast<RecurrenceEnd>(pick(0, 2));
        if (r.end == RecurrenceEnd::kAfterOccurrences) r.occurrences = pick(1, 999);
        if (r.end == RecurrenceEnd::kByDate) r.patternEndDay = r.patternStartDay + pick(0, 3000);
        ASSERT_EQ(ValidateRecurrenceRule(r), RecurrenceRuleField::kNone);
        auto blob = BuildRecurrencePatternBlob(r);
        if (!blob) continue;  // a count-ended series past 4500
        ++built;
        // Through the bytes and back.
        RecurrencePatternBlob decoded;
        const auto bytes = EncodeRecurrencePatternBlob(*blob);
        ASSERT_TRUE(RecurrenceBlobUsable(DecodeRecurrencePatternBlob(bytes.data(), bytes.size(), decoded)));
        auto back = RecurrenceRuleFromBlob(decoded);
        ASSERT_TRUE(back) << i;
        // The rule comes back starting on its first occurrence.
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
}

TEST(RecurrenceRuleFromBlob, RefusesWhatNoRuleExpresses)
{
    RecurrenceRule r = Rule(kRecursDaily, 2, Day(2024, 5, 2));
    auto blob = BuildRecurrencePatternBlob(r);
    ASSERT_TRUE(blob);
    ASSERT_TRUE(RecurrenceRuleFromBlob(*blob));

    RecurrencePatternBlob odd = *blob;
    odd.period = 2000;  // not whole days
    EXPECT_FALSE(RecurrenceRuleFromBlob(odd));
    odd = *blob;
    odd.frequency = kRecurFrequencyWeekly;
    odd.patternType = kRecurPatternDay;  // an unaccepted pair
    EXPECT_FALSE(RecurrenceRuleFromBlob(odd));
    odd = *blob;
    odd.endTimeOffset = 10;
    odd.startTimeOffset = 20;
    EXPECT_FALSE(RecurrenceRuleFromBlob(odd));
    odd = *blob;
    odd.firstDayOfWeek = 7;
    EXPECT_FALSE(RecurrenceRuleFromBlob(odd));
    odd = *blob;
    odd.patternType = kRecurPatternWeek;  // every weekday needs the working-day mask
    odd.weekdayMask = 0x7F;
    EXPECT_FALSE(RecurrenceRuleFromBlob(odd));
    odd.weekdayMask = kRecurMaskWeekdays;
    auto weekdays = RecurrenceRuleFromBlob(odd);
    ASSERT_TRUE(weekdays);
    EXPECT_EQ(weekdays->dayOfWeekMask, kRecurMaskWeekdays);
    EXPECT_EQ(weekdays->interval, 1);

    // The alternate never-end value and an unknown end type with the no-end
    // marker both read as "no end"; an unknown type with a date as "by date".
    odd = *blob;
    odd.endType = kRecurEndNeverAlternate;
    EXPECT_EQ(RecurrenceRuleFromBlob(odd)->end, RecurrenceEnd::kNoEnd);
    odd.endType = 0x1234;
    EXPECT_EQ(RecurrenceRuleFromBlob(odd)->end, RecurrenceEnd::kNoEnd);
    odd.endDate = static_cast<DWORD>(Day(2025, 1, 1)) * 1440;
    auto dated = RecurrenceRuleFromBlob(odd);
    ASSERT_TRUE(dated);
    EXPECT_EQ(dated->end, RecurrenceEnd::kByDate);
    EXPECT_EQ(dated->patternEndDay, Day(2025, 1, 1));
    // A count above the object model's 999 is no rule.
    odd.endType = kRecurEndAfterCount;
    odd.occurrenceCount = 1000;
    EXPECT_FALSE(RecurrenceRuleFromBlob(odd));
}
