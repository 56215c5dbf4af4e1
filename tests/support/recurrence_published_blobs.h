// The published desktop-layout pattern blobs (0x3006/0x3009) as hex, and the offset of their second
// version pair (the handheld layout is the same up to there). Hex and Bytes convert.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "platform/base/types.h"

namespace publishedblobs {

// Mon, Thu and Fri from Mon 26 March 2007, 10:00-10:30, twelve times.
inline const char* const kWeekly =
    "043004300B2001000000C0210000010000000000000032000000222000000C0000000000000000000000000000008020BC0C"
    "20ADBC0C0630000009300000580200007602000000000000000000000000";
inline constexpr size_t kWeeklyVersionsAt = 54;

// Every three days, 7 April to 4 May 2011, 08:00-08:30; 19 and 22 April deleted.
inline const char* const kDaily =
    "043004300A2000000000A0050000E010000000000000212000000A0000000000000002000000A0C1DC0C80D2DC0C0000"
    "0000207EDC0C0016DD0C0630000009300000E0010000FE01000000000000000000000000";
inline constexpr size_t kDailyVersionsAt = 58;

// Yearly on the 3rd of FirstDateTime's month (Hebrew calendar type 8), 08:00-08:30, no end; one
// changed occurrence whose flags hold the desktop's 0x0200.
inline const char* const kYearly =
    "043004300D200200080080750A000C0000000000000003000000232000000A0000000000000001000000207EDC0C01000000"
    "207EDC0C6074C40CDF80E95A0630000009300000E0010000FE01000001000080DC0C1E80DC0C0080DC0C24023C0000000100"
    "00000000000004000000000000000000000000000000";
inline constexpr size_t kYearlyVersionsAt = 62;

inline std::vector<BYTE> Bytes(const std::string& hex)
{
    std::vector<BYTE> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<BYTE>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return out;
}

inline std::string Hex(const std::vector<BYTE>& bytes)
{
    std::string out;
    char buf[3];
    for (BYTE b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        out += buf;
    }
    return out;
}

}  // namespace publishedblobs
