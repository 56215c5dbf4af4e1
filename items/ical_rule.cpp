#include "items/ical_rule.h"

#include <algorithm>
#include <vector>

#include "platform/recurrence/recurrence_dates.h"

namespace ical {
namespace {

using namespace platform;

constexpr const char* kDayNames[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

std::string DayList(int mask)
{
    std::string out;
    for (int d = 0; d < 7; ++d) {
        if (mask & (1 << d)) out += std::string(out.empty() ? "" : ",") + kDayNames[d];
    }
    return out;
}

std::string Interval(int interval) { return interval > 1 ? ";INTERVAL=" + std::to_string(interval) : ""; }

// The fewest days month `month` has in any year.
int ShortestMonth(int month)
{
    if (month == 2) return 28;
    return month == 4 || month == 6 || month == 9 || month == 11 ? 30 : 31;
}

// Day `day` of the month, or the month's last day when it is shorter: the
// last of the candidate days 28..day that the month has.
std::string MonthDay(int day, int shortest)
{
    std::string rule = "BYMONTHDAY=";
    if (day <= shortest) return rule + std::to_string(day);
    rule += "28";
    for (int d = 29; d <= day; ++d) rule.append(",").append(std::to_string(d));
    rule += ";BYSETPOS=-1";
    return rule;
}

std::string NthDay(const RecurrenceRule& rule)
{
    const int position = rule.instance == 5 ? -1 : rule.instance;
    for (int d = 0; d < 7; ++d) {
        if (rule.dayOfWeekMask == (1 << d)) return "BYDAY=" + std::to_string(position) + kDayNames[d];
    }
    return "BYDAY=" + DayList(rule.dayOfWeekMask) + ";BYSETPOS=" + std::to_string(position);
}

std::vector<int> Values(const short* values, int size)
{
    std::vector<int> out;
    for (int i = 0; i < size && values[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) out.push_back(values[i]);
    return out;
}

struct Weekday {
    int day;       // 0 Sunday .. 6 Saturday
    int position;  // 0: every such day; else its ordinal, negative from the end
};

RuleReading Refuse(std::string reason) { return RuleReading{std::nullopt, std::move(reason)}; }

// Weeks that start on `weekStart` group the mask's days as weeks starting on
// Sunday do when no mask day falls before `weekStart` while another falls on
// or after it.
bool SameWeeks(int mask, int weekStart)
{
    const int before = mask & ((1 << weekStart) - 1);
    return before == 0 || before == mask;
}

// The day-of-month and weekday parts shared by monthly and yearly rules:
// fills dayOfMonth, or dayOfWeekMask and instance, and the kind; an empty
// reason when they fit. `shortest` is the fewest days the rule's months have.
std::string ReadMonthPart(RecurrenceRule& r, const std::vector<Weekday>& days, const std::vector<int>& monthDays,
                          const std::vector<int>& setPos, int startDayOfMonth, int shortest, bool yearly)
{
    const int byDayKind = yearly ? kRecursYearNth : kRecursMonthNth;
    const int byDateKind = yearly ? kRecursYearly : kRecursMonthly;
    if (days.empty()) {
        r.type = byDateKind;
        if (!setPos.empty()) {
            // The last of 28..D: day D or the month's last day.
            const bool run = monthDays.size() >= 2 && monthDays.size() <= 4 && monthDays.front() == 28 &&
                             std::is_sorted(monthDays.begin(), monthDays.end()) &&
                             std::adjacent_find(monthDays.begin(), monthDays.end(),
                                                [](int a, int b) { return b != a + 1; }) == monthDays.end();
            if (!run || setPos != std::vector<int>{-1}) return "BYSETPOS with days of the month other than 28..D";
            r.dayOfMonth = monthDays.back();
            return "";
        }
        const int day = monthDays.empty() ? startDayOfMonth : monthDays.size() == 1 ? monthDays[0] : 0;
        if (monthDays.size() > 1) return "several days of the month";
        if (day == -1) {
            r.dayOfMonth = 31;
            return "";
        }
        if (day < 1 || day > shortest) return "day " + std::to_string(day) + " of the month, which some months lack";
        r.dayOfMonth = day;
        return "";
    }
    if (!monthDays.empty()) return "weekdays limited to days of the month";
    r.type = byDayKind;
    if (setPos.empty()) {
        if (days.size() != 1) return "several weekdays in one " + std::string(yearly ? "year" : "month");
        const int position = days[0].position;
        if (position == 0) return "every such weekday of the month";
        if (position != -1 && (position < 1 || position > 4)) return "weekday ordinal " + std::to_string(position);
        r.dayOfWeekMask = 1 << days[0].day;
        r.instance = position == -1 ? 5 : position;
        return "";
    }
    if (setPos.size() != 1) return "a BYSETPOS list";
    int mask = 0;
    for (const Weekday& w : days) {
        if (w.position != 0) return "weekday ordinals with BYSETPOS";
        mask |= 1 << w.day;
    }
    const bool single = (mask & (mask - 1)) == 0;
    if (!single && mask != kRecurMaskWeekdays && mask != kRecurMaskWeekend && mask != kRecurMaskAllDays)
        return "BYSETPOS over weekdays " + DayList(mask);
    const int position = setPos[0];
    if (position != -1 && (position < 1 || position > 4)) return "BYSETPOS " + std::to_string(position);
    r.dayOfWeekMask = mask;
    r.instance = position == -1 ? 5 : position;
    return "";
}

}  // namespace

std::string RRuleText(const RecurrenceRule& rule, const std::string& until)
{
    std::string s;
    switch (rule.type) {
        case kRecursDaily:
            s = rule.dayOfWeekMask == kRecurMaskWeekdays ? "FREQ=DAILY;BYDAY=MO,TU,WE,TH,FR"
                                                         : "FREQ=DAILY" + Interval(rule.interval);
            break;
        case kRecursWeekly:
            s = "FREQ=WEEKLY" + Interval(rule.interval) + ";BYDAY=" + DayList(rule.dayOfWeekMask) +
                ";WKST=" + kDayNames[rule.firstDayOfWeek % 7];
            break;
        case kRecursMonthly:
            s = "FREQ=MONTHLY" + Interval(rule.interval) + ";" + MonthDay(rule.dayOfMonth, 28);
            break;
        case kRecursMonthNth:
            s = "FREQ=MONTHLY" + Interval(rule.interval) + ";" + NthDay(rule);
            break;
        case kRecursYearly:
            s = "FREQ=YEARLY" + Interval(rule.interval) + ";BYMONTH=" + std::to_string(rule.monthOfYear) + ";" +
                MonthDay(rule.dayOfMonth, ShortestMonth(rule.monthOfYear));
            break;
        default:
            s = "FREQ=YEARLY" + Interval(rule.interval) + ";BYMONTH=" + std::to_string(rule.monthOfYear) + ";" +
                NthDay(rule);
            break;
    }
    if (rule.end == RecurrenceEnd::kAfterOccurrences) s += ";COUNT=" + std::to_string(rule.occurrences);
    if (rule.end == RecurrenceEnd::kByDate) s += ";UNTIL=" + until;
    return s;
}

RuleReading ReadRRule(const icalrecurrencetype& recur, RecurrenceDay startDay, std::optional<RecurrenceDay> untilDay)
{
    if (recur.freq == ICAL_SECONDLY_RECURRENCE || recur.freq == ICAL_MINUTELY_RECURRENCE ||
        recur.freq == ICAL_HOURLY_RECURRENCE)
        return Refuse("a rule repeating more often than daily");
    if (recur.freq == ICAL_NO_RECURRENCE) return Refuse("a rule without a frequency");
    if (recur.rscale != nullptr) return Refuse("a rule of another calendar system (RSCALE)");
    if (!Values(recur.by_second, ICAL_BY_SECOND_SIZE).empty() || !Values(recur.by_minute, ICAL_BY_MINUTE_SIZE).empty() ||
        !Values(recur.by_hour, ICAL_BY_HOUR_SIZE).empty())
        return Refuse("several times of day (BYHOUR, BYMINUTE or BYSECOND)");
    if (!Values(recur.by_year_day, ICAL_BY_YEARDAY_SIZE).empty()) return Refuse("days of the year (BYYEARDAY)");
    if (!Values(recur.by_week_no, ICAL_BY_WEEKNO_SIZE).empty()) return Refuse("week numbers (BYWEEKNO)");

    std::vector<Weekday> days;
    int mask = 0;
    bool ordinals = false;
    for (int v : Values(recur.by_day, ICAL_BY_DAY_SIZE)) {
        const int day = static_cast<int>(icalrecurrencetype_day_day_of_week(static_cast<short>(v))) - 1;
        if (day < 0 || day > 6) return Refuse("an unknown weekday");
        const int position = icalrecurrencetype_day_position(static_cast<short>(v));
        days.push_back({day, position});
        mask |= 1 << day;
        ordinals = ordinals || position != 0;
    }
    const std::vector<int> monthDays = Values(recur.by_month_day, ICAL_BY_MONTHDAY_SIZE);
    std::vector<int> months;
    for (int v : Values(recur.by_month, ICAL_BY_MONTH_SIZE)) {
        if (icalrecurrencetype_month_is_leap(static_cast<short>(v))) return Refuse("a leap month (RFC 7529)");
        months.push_back(icalrecurrencetype_month_month(static_cast<short>(v)));
    }
    const std::vector<int> setPos = Values(recur.by_set_pos, ICAL_BY_SETPOS_SIZE);

    const RecurrenceCivilDate start = RecurrenceDateFromDay(startDay);
    RecurrenceRule r;
    r.patternStartDay = startDay;
    r.interval = std::max<int>(1, recur.interval);
    std::string reason;
    switch (recur.freq) {
        case ICAL_DAILY_RECURRENCE:
            if (!months.empty() || !monthDays.empty() || !setPos.empty() || ordinals)
                return Refuse("a daily rule limited to months or days of the month");
            if (days.empty()) {
                r.type = kRecursDaily;
            } else if (r.interval != 1) {
                return Refuse("a daily rule limited to weekdays, repeating every " + std::to_string(r.interval) +
                              " days");
            } else if (mask == kRecurMaskWeekdays) {
                r.type = kRecursDaily;
                r.dayOfWeekMask = mask;
            } else {
                r.type = kRecursWeekly;  // every listed weekday of every week
                r.dayOfWeekMask = mask;
            }
            break;
        case ICAL_WEEKLY_RECURRENCE: {
            if (!months.empty() || !monthDays.empty() || !setPos.empty() || ordinals)
                return Refuse("a weekly rule limited to months, days of the month or positions");
            r.type = kRecursWeekly;
            r.dayOfWeekMask = days.empty() ? 1 << RecurrenceDayOfWeek(startDay) : mask;
            const int weekStart = static_cast<int>(recur.week_start) - 1;
            if (r.interval > 1 && weekStart >= 0 && weekStart <= 6 && !SameWeeks(r.dayOfWeekMask, weekStart))
                return Refuse("weeks starting on " + std::string(kDayNames[weekStart]) +
                              " group these weekdays differently from weeks starting on Sunday");
            break;
        }
        case ICAL_MONTHLY_RECURRENCE:
            if (!months.empty()) return Refuse("a monthly rule limited to some months");
            reason = ReadMonthPart(r, days, monthDays, setPos, start.day, 28, false);
            break;
        default: {  // yearly
            if (months.size() > 1) return Refuse("several months in a yearly rule");
            r.monthOfYear = months.empty() ? start.month : months[0];
            reason = ReadMonthPart(r, days, monthDays, setPos, start.day, ShortestMonth(r.monthOfYear), true);
            if (reason.empty() && r.interval != 1)
                reason = "a yearly rule repeating every " + std::to_string(r.interval) + " years";
            break;
        }
    }
    if (!reason.empty()) return Refuse(reason);

    if (recur.count > 0) {
        if (recur.count > 999) return Refuse("COUNT " + std::to_string(recur.count) + " (at most 999)");
        r.end = RecurrenceEnd::kAfterOccurrences;
        r.occurrences = recur.count;
    } else if (untilDay) {
        if (*untilDay < startDay) return Refuse("UNTIL before the first occurrence");
        if (*untilDay < kRecurrenceLastDay) {
            r.end = RecurrenceEnd::kByDate;
            r.patternEndDay = *untilDay;
        }
    }
    if (ValidateRecurrenceRule(r) != RecurrenceRuleField::kNone) return Refuse("a rule outside the device's ranges");
    // iCalendar counts the first day as an occurrence even off the rule; the device does not.
    if (!RecurrenceDates(r).IsOccurrence(startDay)) return Refuse("a first occurrence that is not on the rule");
    if (!BuildRecurrencePatternBlob(r)) return Refuse("occurrences after the year 4500");
    return RuleReading{r, ""};
}

}  // namespace ical
