// SampleTimeZones: the zones sample appointments keep as their own, written
// out with their daylight rules so the store does not depend on the zone
// data of the machine that seeds it.
#pragma once

#include <span>

#include "platform/time/time_zone.h"

namespace kstools {

class SampleTimeZones {
public:
    // New York, London, Tokyo and Sydney (southern summer time).
    static std::span<const TIME_ZONE_INFORMATION> All();
};

}  // namespace kstools
