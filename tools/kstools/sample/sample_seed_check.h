// Stops the sample generator with a plain message when the object model
// refuses a call: "cannot save appointment "Team meeting": error 0x80040068".
#pragma once

#include <string>
#include <string_view>

#include "platform/base/types.h"

namespace kstools {

// Throws CommandError (exit 1) naming what was attempted when hr failed.
void CheckSeedResult(HRESULT hr, std::string_view what);
// "appointment "Team meeting"", for the messages above.
std::string SeedItemName(std::string_view kind, std::u16string_view subject);

}  // namespace kstools
