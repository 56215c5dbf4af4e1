// Rules as RRULEs expanded by libical: the oracle of the recurrence tests.
#pragma once

#include <libical/ical.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/recurrence/recurrence_dates.h"

namespace icaloracle {

inline const char* const kIcalDays[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

inline std::string ByDay(int mask)
{
    std::string out;
    for (int d = 0; d < 7; ++d) {
        if (mask & (1 << d)) out += std::string(out.empty() ? "" : ",") + kIcalDays[d];
    }
    return out;
}

// Day D, or the month's last day when it is shorter.
inline std::string MonthDay(int day)
{
    std::string rule = "BYMONTHDAY=";
    if (day <= 28) return rule + std::to_string(day);
    rule += "28";
    for (int d = 29; d <= day; ++d) rule.append(",").append(std::to_string(d));
    rule += ";BYSETPOS=-1";
    return rule;
}

inline std::string RRuleOf(const platform::RecurrenceRule& r)
{
    using namespace platform;
    const std::string interval = ";INTERVAL=" + std::to_string(r.interval);
    const std::string setpos = ";BYSETPOS=" + std::to_string(r.instance == 5 ? -1 : r.instance);
    std::string s;
    switch (r.type) {
        case kRecursDaily:
            s = r.dayOfWeekMask == kRecurMaskWeekdays ? "FREQ=DAILY;BYDAY=MO,TU,WE,TH,FR" : "FREQ=DAILY" + interval;
            break;
        case kRecursWeekly:
            s = "FREQ=WEEKLY" + interval + ";BYDAY=" + ByDay(r.dayOfWeekMask) + ";WKST=" + kIcalDays[r.firstDayOfWeek];
            break;
        case kRecursMonthly:
            s = "FREQ=MONTHLY" + interval + ";" + MonthDay(r.dayOfMonth);
            break;
        case kRecursMonthNth:
            s = "FREQ=MONTHLY" + interval + ";BYDAY=" + ByDay(r.dayOfWeekMask) + setpos;
            break;
        case kRecursYearly:
            s = "FREQ=YEARLY;BYMONTH=" + std::to_string(r.monthOfYear) + ";" + MonthDay(r.dayOfMonth);
            break;
        default:
            s = "FREQ=YEARLY;BYMONTH=" + std::to_string(r.monthOfYear) + ";BYDAY=" + ByDay(r.dayOfWeekMask) + setpos;
            break;
    }
    if (r.end == RecurrenceEnd::kAfterOccurrences) s += ";COUNT=" + std::to_string(r.occurrences);
    if (r.end == RecurrenceEnd::kByDate) {
        const RecurrenceCivilDate d = RecurrenceDateFromDay(r.patternEndDay);
        char buf[32];
        std::snprintf(buf, sizeof buf, ";UNTIL=%04d%02d%02dT235959", d.year, d.month, d.day);
        s += buf;
    }
    return s;
}

// libical's occurrence days (at most `limit`, none after `last`) from a floating 09:00 start.
inline std::vector<platform::RecurrenceDay> IcalDays(const platform::RecurrenceRule& r, size_t limit,
                                                     platform::RecurrenceDay last = platform::kRecurrenceLastDay)
{
    std::vector<platform::RecurrenceDay> out;
    const platform::RecurrenceCivilDate start = platform::RecurrenceDateFromDay(r.patternStartDay);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02dT090000", start.year, start.month, start.day);
    icalrecur_iterator* it =
        icalrecur_iterator_new(icalrecurrencetype_from_string(RRuleOf(r).c_str()), icaltime_from_string(buf));
    if (it == nullptr) return out;
    while (out.size() < limit) {
        const icaltimetype t = icalrecur_iterator_next(it);
        if (icaltime_is_null_time(t)) break;
        const platform::RecurrenceDay day = platform::RecurrenceDayFromDate(t.year, t.month, t.day);
        if (day > last) break;
        out.push_back(day);
    }
    icalrecur_iterator_free(it);
    return out;
}

}  // namespace icaloracle
