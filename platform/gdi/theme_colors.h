// The colours of the suite's theme, by index, as the drawing code asks for
// them. The theme names two: 15 and 16, the top and bottom of the gradient
// behind list rows. A host that applies another theme sets them.
#pragma once

#include "platform/gdi/gdi_types.h"

constexpr int THEME_GRADIENT_TOP = 15;
constexpr int THEME_GRADIENT_BOTTOM = 16;

// CLR_INVALID for an index the theme does not name.
COLORREF GetThemeColor(int index);
// False (nothing changed) for an index the theme does not name.
bool SetThemeColor(int index, COLORREF colour);
