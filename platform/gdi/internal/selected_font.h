// The font selected into a device context, resolved; null with
// ERROR_INVALID_HANDLE for a bad context or a font that cannot be opened.
#pragma once

#include <memory>

#include "platform/gdi/internal/font.h"

namespace platform::gdi {

std::shared_ptr<const Font> SelectedFont(HDC dc);

}  // namespace platform::gdi
