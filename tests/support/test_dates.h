// Test dates: SYSTEMTIMEs, FILETIMEs and OLE dates from wall-clock fields, via the platform's conversions.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/time/system_time.h"
#include "platform/time/variant_time.h"

namespace kstest {

inline SYSTEMTIME Make(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0, int dow = 0)
{
    return SYSTEMTIME{static_cast<WORD>(y), static_cast<WORD>(mo), static_cast<WORD>(dow), static_cast<WORD>(d),
                      static_cast<WORD>(h), static_cast<WORD>(mi), static_cast<WORD>(s),   static_cast<WORD>(ms)};
}

// Every field, the day of the week included, so that comparing texts compares all.
inline std::string Show(const SYSTEMTIME& st)
{
    char text[80];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u dow %u", st.wYear, st.wMonth, st.wDay,
                  st.wHour, st.wMinute, st.wSecond, st.wMilliseconds, st.wDayOfWeek);
    return text;
}

inline std::uint64_t FileTimeOf(const SYSTEMTIME& st)
{
    FILETIME ft{};
    EXPECT_TRUE(SystemTimeToFileTime(&st, &ft)) << Show(st);
    return platform::FileTimeValue(ft);
}

inline SYSTEMTIME SystemTimeOf(std::uint64_t value)
{
    const FILETIME ft = platform::MakeFileTime(value);
    SYSTEMTIME st{};
    EXPECT_TRUE(FileTimeToSystemTime(&ft, &st)) << value;
    return st;
}

inline DATE Ole(const SYSTEMTIME& st)
{
    DATE date = 0;
    EXPECT_TRUE(SystemTimeToVariantTime(&st, &date)) << Show(st);
    return date;
}

// The FILETIME and the OLE date of a wall-clock time, without zone conversion.
inline FILETIME LocalFileTime(int y, int m, int d, int h = 0, int min = 0)
{
    return platform::MakeFileTime(FileTimeOf(Make(y, m, d, h, min)));
}

inline DATE Ole(int y, int m, int d, int h = 0, int min = 0) { return Ole(Make(y, m, d, h, min)); }

inline SYSTEMTIME SysOf(double date)
{
    SYSTEMTIME st{};
    VariantTimeToSystemTime(date, &st);
    return st;
}

// A wall-clock time (a SYSTEMTIME or an OLE date) as a FILETIME without zone conversion.
inline FILETIME Ft(const SYSTEMTIME& st)
{
    FILETIME ft{};
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

inline FILETIME FtOf(double date) { return Ft(SysOf(date)); }

}  // namespace kstest
