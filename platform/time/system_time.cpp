#include "platform/time/system_time.h"

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/time/civil_calendar.h"

namespace {

using platform::civil::DaysFromCivil;
using platform::civil::kFileTimeEpochDay;

bool IsConvertible(const SYSTEMTIME& st)
{
    return st.wYear >= 1601 && st.wYear <= 30827 && st.wMonth >= 1 && st.wMonth <= 12 && st.wDay >= 1 &&
           st.wDay <= platform::civil::DaysInMonth(st.wYear, st.wMonth) && st.wHour < 24 && st.wMinute < 60 &&
           st.wSecond < 60 && st.wMilliseconds < 1000;
}

BOOL Fail()
{
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

}  // namespace

BOOL SystemTimeToFileTime(const SYSTEMTIME* st, LPFILETIME ft)
{
    if (!st || !ft || !IsConvertible(*st)) return Fail();
    const std::int64_t days = DaysFromCivil(st->wYear, st->wMonth, st->wDay) - kFileTimeEpochDay;
    const std::int64_t seconds = ((days * 24 + st->wHour) * 60 + st->wMinute) * 60 + st->wSecond;
    const std::int64_t units = seconds * kFileTimeUnitsPerSecond + st->wMilliseconds * std::int64_t{10'000};
    *ft = platform::MakeFileTime(static_cast<std::uint64_t>(units));
    return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* ft, LPSYSTEMTIME st)
{
    if (!ft || !st) return Fail();
    const std::uint64_t value = platform::FileTimeValue(*ft);
    if (value >= (std::uint64_t{1} << 63)) return Fail();
    const auto units = static_cast<std::int64_t>(value);
    const std::int64_t day = units / kFileTimeUnitsPerDay + kFileTimeEpochDay;
    const std::int64_t unitsOfDay = units % kFileTimeUnitsPerDay;
    const std::int64_t millisOfDay = unitsOfDay / 10'000;
    const platform::civil::Date date = platform::civil::CivilFromDays(day);
    st->wYear = static_cast<WORD>(date.year);
    st->wMonth = static_cast<WORD>(date.month);
    st->wDayOfWeek = static_cast<WORD>(platform::civil::DayOfWeek(day));
    st->wDay = static_cast<WORD>(date.day);
    st->wHour = static_cast<WORD>(millisOfDay / 3'600'000);
    st->wMinute = static_cast<WORD>(millisOfDay / 60'000 % 60);
    st->wSecond = static_cast<WORD>(millisOfDay / 1000 % 60);
    st->wMilliseconds = static_cast<WORD>(millisOfDay % 1000);
    return TRUE;
}

LONG CompareFileTime(const FILETIME* a, const FILETIME* b)
{
    const std::uint64_t x = platform::FileTimeValue(*a);
    const std::uint64_t y = platform::FileTimeValue(*b);
    return x < y ? -1 : (x > y ? 1 : 0);
}
