// Finding a run of bytes in a longer one (UTF-8 texts, byte for byte).
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/base/export.h"

namespace platform {

// The first offset at or after `from` where `piece` occurs in `text`, or
// std::string_view::npos (also for an empty piece). Where the processor
// allows, sixteen places are ruled out at a time by their first and last
// bytes, so that a long text with few candidates is scanned at memory speed.
KSTOOLS_API size_t FindBytes(std::string_view text, std::string_view piece, size_t from = 0);

}  // namespace platform
