#include "tools/kstools/sample/sample_random.h"

namespace kstools {

std::uint64_t SampleRandom::Next()
{
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint32_t SampleRandom::Below(std::uint32_t bound)
{
    if (bound == 0) return 0;
    // The high bits, scaled: no modulo bias worth speaking of for small bounds.
    return static_cast<std::uint32_t>(((Next() >> 32) * bound) >> 32);
}

int SampleRandom::Between(int low, int high)
{
    if (high <= low) return low;
    return low + static_cast<int>(Below(static_cast<std::uint32_t>(high - low + 1)));
}

bool SampleRandom::Chance(int percent) { return static_cast<int>(Below(100)) < percent; }

}  // namespace kstools
