// Names of settings sections and values compare without case, each UTF-16
// unit mapped with towlower as _wcsicmp does. Equal names therefore have equal
// lengths, and a hash of the mapped units finds them in an index.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/base/types.h"

namespace settings {

bool NamesEqual(std::u16string_view a, std::u16string_view b);
std::uint64_t NameHash(std::u16string_view name);
// A key that equal names share and that costs little to make: the last four
// units folded, with the length. Unlike NameHash it ignores all but the end
// of a name, so names alike at their ends share it.
std::uint64_t NameTailKey(std::u16string_view name);

}  // namespace settings
