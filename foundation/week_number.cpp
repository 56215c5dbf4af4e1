#include "foundation/week_number.h"

#include <cstdint>

#include "platform/time/civil_calendar.h"

namespace {

using platform::civil::DaysFromCivil;

// 0 = Monday .. 6 = Sunday.
int IsoWeekday(std::int64_t days) { return (platform::civil::DayOfWeek(days) + 6) % 7; }

// The day count of the Monday that starts week 1 of year.
std::int64_t WeekOneMonday(std::int64_t year)
{
    const std::int64_t january4 = DaysFromCivil(year, 1, 4);  // always in week 1
    return january4 - IsoWeekday(january4);
}

}  // namespace

int weeknumber(int year, int month, int day)
{
    const std::int64_t days = DaysFromCivil(year, month, day);
    std::int64_t start = WeekOneMonday(year);
    if (days < start) {
        start = WeekOneMonday(std::int64_t{year} - 1);
    } else {
        const std::int64_t next = WeekOneMonday(std::int64_t{year} + 1);
        if (days >= next) start = next;
    }
    return static_cast<int>((days - start) / 7 + 1);
}
