#include "platform/time/variant_time.h"

#include <cmath>
#include <cstdint>

#include "platform/base/floor_div.h"
#include "platform/time/civil_calendar.h"

namespace {

namespace civil = platform::civil;

using civil::kOleEpochDay;
constexpr std::int64_t kFirstOleDay = civil::DaysFromCivil(100, 1, 1) - kOleEpochDay;    // -657434
constexpr std::int64_t kLastOleDay = civil::DaysFromCivil(9999, 12, 31) - kOleEpochDay;  // 2958465
constexpr std::int64_t kSecondsPerDay = 86400;

// An OLE day and a time of day 0..86399 seconds; fields folded into
// this form can never loop, whatever the input.
struct OleInstant {
    std::int64_t day;
    std::int64_t secondOfDay;
};

DATE ToDate(const OleInstant& t)
{
    return platform::OleDateFromParts(t.day, static_cast<double>(t.secondOfDay) / kSecondsPerDay);
}

}  // namespace

INT SystemTimeToVariantTime(const SYSTEMTIME* st, DATE* date)
{
    if (!st || !date) return FALSE;
    if (st->wMonth > 12 || st->wDay > 31 || static_cast<std::int16_t>(st->wYear) < 0) return FALSE;
    std::int64_t year = st->wYear;
    if (year < 30)
        year += 2000;
    else if (year < 100)
        year += 1900;
    if (year > 9999) return FALSE;

    // Month 0 is December of the year before; every other month is 1..12 here.
    int month = st->wMonth;
    if (month == 0) {
        month = 12;
        --year;
    }
    const std::int64_t seconds = std::int64_t{static_cast<std::int16_t>(st->wHour)} * 3600 +
                                 std::int64_t{static_cast<std::int16_t>(st->wMinute)} * 60 +
                                 std::int64_t{static_cast<std::int16_t>(st->wSecond)};
    const std::int64_t carriedDays = platform::FloorDiv(seconds, kSecondsPerDay);
    OleInstant t;
    t.day = civil::DaysFromCivil(year, month, 1) + (st->wDay - 1) - kOleEpochDay + carriedDays;
    t.secondOfDay = seconds - carriedDays * kSecondsPerDay;
    if (t.day < kFirstOleDay || t.day > kLastOleDay) return FALSE;
    *date = ToDate(t);
    return TRUE;
}

INT VariantTimeToSystemTime(DATE date, LPSYSTEMTIME st)
{
    if (!st || std::isnan(date)) return FALSE;
    if (date <= static_cast<double>(kFirstOleDay - 1) || date >= static_cast<double>(kLastOleDay + 1)) return FALSE;
    const double whole = std::trunc(date);
    const double fraction = std::fabs(date - whole);
    OleInstant t{static_cast<std::int64_t>(whole),
                 static_cast<std::int64_t>(std::floor(fraction * kSecondsPerDay + 0.5))};
    if (t.secondOfDay >= kSecondsPerDay) {  // rounded up to midnight: the next calendar day
        t.secondOfDay -= kSecondsPerDay;
        ++t.day;
    }
    if (t.day > kLastOleDay) return FALSE;
    const std::int64_t day = t.day + kOleEpochDay;
    const civil::Date civilDate = civil::CivilFromDays(day);
    st->wYear = static_cast<WORD>(civilDate.year);
    st->wMonth = static_cast<WORD>(civilDate.month);
    st->wDayOfWeek = static_cast<WORD>(civil::DayOfWeek(day));
    st->wDay = static_cast<WORD>(civilDate.day);
    st->wHour = static_cast<WORD>(t.secondOfDay / 3600);
    st->wMinute = static_cast<WORD>(t.secondOfDay / 60 % 60);
    st->wSecond = static_cast<WORD>(t.secondOfDay % 60);
    st->wMilliseconds = 0;
    return TRUE;
}

INT FileTimeToVariantTime(const FILETIME* ft, DATE* date)
{
    if (!ft || !date) return FALSE;
    const std::uint64_t units = platform::FileTimeValue(*ft);
    if (units >= (std::uint64_t{1} << 63)) return FALSE;
    const auto seconds = static_cast<std::int64_t>(units / 10'000'000);
    OleInstant t;
    t.day = seconds / kSecondsPerDay + civil::kFileTimeEpochDay - kOleEpochDay;
    t.secondOfDay = seconds % kSecondsPerDay;
    if (t.day > kLastOleDay) return FALSE;
    *date = ToDate(t);
    return TRUE;
}
