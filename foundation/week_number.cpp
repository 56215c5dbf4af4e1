#include "foundation/week_number.h"

namespace {

// Days from 1 March of year 0 (proleptic Gregorian), so that leap days fall
// at the end of a counted year.
long DayCount(long year, int month, int day)
{
    if (month <= 2) {
        --year;
        month += 12;
    }
    return 365 * year + year / 4 - year / 100 + year / 400 + (153 * (month - 3) + 2) / 5 + day - 1;
}

// 0 = Monday .. 6 = Sunday. 1 March of year 0 was a Wednesday.
int IsoWeekday(long days) { return static_cast<int>((days % 7 + 7 + 2) % 7); }

// The day count of the Monday that starts week 1 of year.
long WeekOneMonday(long year)
{
    long january4 = DayCount(year, 1, 4);  // always in week 1
    return january4 - IsoWeekday(january4);
}

}  // namespace

int weeknumber(int year, int month, int day)
{
    long days = DayCount(year, month, day);
    long start = WeekOneMonday(year);
    if (days < start) {
        start = WeekOneMonday(year - 1);
    } else {
        long next = WeekOneMonday(year + 1);
        if (days >= next) start = next;
    }
    return static_cast<int>((days - start) / 7 + 1);
}
