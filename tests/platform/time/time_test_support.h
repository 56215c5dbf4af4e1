// Building and printing SYSTEMTIMEs in the time tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/time/system_time.h"

namespace time_test {

inline SYSTEMTIME Make(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0, int dow = 0)
{
    return SYSTEMTIME{static_cast<WORD>(y), static_cast<WORD>(mo), static_cast<WORD>(dow), static_cast<WORD>(d),
                      static_cast<WORD>(h), static_cast<WORD>(mi), static_cast<WORD>(s),   static_cast<WORD>(ms)};
}

// A relative zone rule: month, day of week (0 = Sunday), occurrence (5 = last), wall-clock time.
inline SYSTEMTIME Rule(int month, int dayOfWeek, int occurrence, int hour, int minute = 0)
{
    return Make(0, month, occurrence, hour, minute, 0, 0, dayOfWeek);
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

}  // namespace time_test
