// The process's memory as the kernel counts it, for the benchmarks' memory
// figures.
#pragma once

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace benchpeer {

// The value of one "Vm...:" line of /proc/self/status ("VmRSS", "VmHWM"), in
// KiB; -1 when it cannot be read.
inline long StatusKiB(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, n, field) == 0 && line.size() > n && line[n] == ':') return std::atol(line.c_str() + n + 1);
    }
    return -1;
}

}  // namespace benchpeer
