// The suite's numbered icons, drawn as pixel art (platform/images/icons.h).
#pragma once

#include <cstddef>

#include "platform/gdi/gdi_types.h"

namespace platform {

constexpr int kIconArtSide = 16;

// One icon: a row of kIconArtSide letters per pixel row, top row first.
// '.' is no pixel (the mask); other letters name colours of the palette.
struct IconArt {
    unsigned id;
    const char* rows[kIconArtSide];
};

extern const IconArt g_iconArt[];
extern const std::size_t g_iconArtCount;

// The colour a letter names; false for '.' and for letters it does not know.
bool IconArtColour(char letter, COLORREF* colour);

}  // namespace platform
