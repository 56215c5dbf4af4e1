// Drawing an ink note through the drawing stand-in: the paper, the typed
// text wrapped to the page, and the pen strokes over it.
#pragma once

#include <string>

#include "platform/gdi/gdi_types.h"
#include "platform/ink/ink_note.h"

namespace platform {

// Draws note with its page's top-left corner at (x, y) of dc.
void DrawInkNote(HDC dc, const InkNote& note, int x, int y);
// Draws note at its page size into a PNG file (a host path); false when the
// picture cannot be made or written.
bool WriteInkNotePng(const InkNote& note, const std::string& hostPath);

}  // namespace platform
