// Dates and times typed on the command line ("2024-03-10", "2024-03-10T02:30",
// "2024-03-10 02:30:15") and written back in the same form.
#pragma once

#include <string>

#include "platform/time/system_time.h"

namespace kstools {

struct DateArgument {
    SYSTEMTIME time{};     // the day of the week filled in
    bool hasTime = false;  // a time of day was given
};

// Reads YYYY-MM-DD with an optional THH:MM or THH:MM:SS ('T' or a blank).
// The date must be one the platform can convert (years 1601 to 30827).
// Throws CommandError (exit 2) naming the text and the expected form.
DateArgument ParseDateArgument(const std::string& text);

// "2024-03-10T02:30:00".
std::string FormatIsoDateTime(const SYSTEMTIME& time);
// "2024-03-10".
std::string FormatIsoDate(const SYSTEMTIME& time);

}  // namespace kstools
