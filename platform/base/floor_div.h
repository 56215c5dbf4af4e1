// Integer division rounding towards minus infinity, for day, minute and month
// counts that may be negative (C++ division rounds towards zero).
#pragma once

#include <cstdint>

namespace platform {

// a / b rounded down; b must not be 0.
constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

}  // namespace platform
