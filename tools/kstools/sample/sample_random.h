// SampleRandom: the sample generator's source of chance. Its own small
// generator (splitmix64) rather than the standard distributions, whose
// results differ between library implementations, so one seed gives the
// same store everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kstools {

class SampleRandom {
public:
    explicit SampleRandom(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t Next();
    // 0 .. bound - 1 (0 when bound is 0).
    std::uint32_t Below(std::uint32_t bound);
    // low .. high, both included.
    int Between(int low, int high);
    // True with the given chance in percent.
    bool Chance(int percent);

    template <class T>
    const T& Pick(std::span<const T> values)
    {
        return values[Below(static_cast<std::uint32_t>(values.size()))];
    }

private:
    std::uint64_t m_state;
};

}  // namespace kstools
