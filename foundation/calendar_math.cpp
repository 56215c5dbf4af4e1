#include "foundation/calendar_math.h"

#include <cstdint>

#include "platform/time/civil_calendar.h"

namespace {

bool ToFileTime(const SYSTEMTIME* date, std::uint64_t* value)
{
    FILETIME ft;
    if (!SystemTimeToFileTime(date, &ft)) return false;
    *value = platform::FileTimeValue(ft);
    return true;
}

BOOL FromFileTime(std::uint64_t value, SYSTEMTIME* date)
{
    FILETIME ft = platform::MakeFileTime(value);
    SYSTEMTIME result;
    if (!FileTimeToSystemTime(&ft, &result)) return FALSE;
    *date = result;
    return TRUE;
}

// The day number of the whole-day part of a date (any year).
std::int64_t DayNumber(const SYSTEMTIME& date)
{
    return platform::civil::DaysFromCivil(date.wYear, date.wMonth, date.wDay);
}

}  // namespace

BOOL isleapyear(int year)
{
    if (year > 1752) {
        if (year % 4000 == 0) return FALSE;
        if (year % 400 == 0) return TRUE;
        if (year % 100 == 0) return FALSE;
    }
    return year % 4 == 0 ? TRUE : FALSE;
}

// The suite's own leap years on the platform's month lengths; a month outside
// 1..12 has 31 days.
int dayspermonth(int month, int year)
{
    return month >= 1 && month <= 12 ? platform::civil::DaysInMonthOf(month, isleapyear(year)) : 31;
}

int getdayofyear(const SYSTEMTIME* date)
{
    const int month = date->wMonth >= 1 && date->wMonth <= 12 ? date->wMonth : 1;
    return platform::civil::DaysBeforeMonth(month, isleapyear(date->wYear)) + date->wDay;
}

void incrementmonth(SYSTEMTIME* date, int months)
{
    int year = date->wYear;
    if (months >= 12 || months <= -12) {
        year += months / 12;
        months %= 12;
    }
    int month = date->wMonth + months;
    if (month > 12) {
        month -= 12;
        ++year;
    } else if (month < 1) {
        month += 12;
        --year;
    }
    SYSTEMTIME moved = *date;
    moved.wYear = static_cast<WORD>(year);
    moved.wMonth = static_cast<WORD>(month);
    moved.wMilliseconds = 0;  // kept aside: the OLE round trip rounds to the second
    // A day the new month lacks becomes its last day (31 January + 1 month
    // is the end of February), so the date stays in the month it moved to.
    const int length = dayspermonth(month, year);
    if (moved.wDay > length) moved.wDay = static_cast<WORD>(length);
    DATE ole = 0;
    SYSTEMTIME normalised;
    if (SystemTimeToVariantTime(&moved, &ole) && VariantTimeToSystemTime(ole, &normalised)) {
        normalised.wMilliseconds = date->wMilliseconds;
        *date = normalised;
    } else {
        *date = moved;
    }
}

BOOL SystemTimeIncrement(SYSTEMTIME* date, LONGLONG units)
{
    std::uint64_t value = 0;
    if (!ToFileTime(date, &value)) return FALSE;
    return FromFileTime(value + static_cast<std::uint64_t>(units), date);
}

BOOL SystemTimeDecrement(SYSTEMTIME* date, LONGLONG units)
{
    std::uint64_t value = 0;
    if (!ToFileTime(date, &value)) return FALSE;
    return FromFileTime(value - static_cast<std::uint64_t>(units), date);
}

void incrementday(SYSTEMTIME* date, int days) { SystemTimeIncrement(date, days * kFileTimeUnitsPerDay); }
void addtime(SYSTEMTIME* date, int seconds) { SystemTimeIncrement(date, seconds * kFileTimeUnitsPerSecond); }
void subtractsec(SYSTEMTIME* date, int seconds) { SystemTimeDecrement(date, seconds * kFileTimeUnitsPerSecond); }
void subtract5sec(SYSTEMTIME* date) { subtractsec(date, 5); }

LONGLONG SystemTimeDiff(const SYSTEMTIME* a, const SYSTEMTIME* b)
{
    std::uint64_t fa = 0, fb = 0;
    ToFileTime(a, &fa);
    ToFileTime(b, &fb);
    return static_cast<LONGLONG>(fa - fb);
}

SYSTEMTIME subtractsystemtime(const SYSTEMTIME* a, const SYSTEMTIME* b)
{
    SYSTEMTIME span{};
    std::uint64_t fa = 0, fb = 0;
    ToFileTime(a, &fa);
    ToFileTime(b, &fb);
    FromFileTime(fb - fa, &span);
    return span;
}

int TimeDiffInMinutes(const SYSTEMTIME* a, const SYSTEMTIME* b)
{
    std::int64_t days = DayNumber(*b) - DayNumber(*a);
    return static_cast<int>((days * 24 - a->wHour + b->wHour) * 60 - a->wMinute + b->wMinute);
}

int TimeDiffInMinutes(DATE a, DATE b)
{
    SYSTEMTIME sa{}, sb{};
    VariantTimeToSystemTime(a, &sa);
    VariantTimeToSystemTime(b, &sb);
    return TimeDiffInMinutes(&sa, &sb);
}

BOOL IsOneDay(DATE start, DATE end, BOOL allDay)
{
    return !allDay && static_cast<long long>(start) == static_cast<long long>(end) ? TRUE : FALSE;
}
