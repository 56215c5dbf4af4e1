// The suite's numbered icons as pixel art. Their colours keep clear of pure
// green, the colour the drawing code takes for "no pixel".

#include <iterator>

#include "platform/images/internal/icon_art.h"

namespace platform {
namespace {

struct PaletteEntry {
    char letter;
    COLORREF colour;
};

constexpr PaletteEntry kPalette[] = {
    {'k', RGB(0x30, 0x30, 0x38)},  // outline
    {'y', RGB(0xF0, 0xC0, 0x20)},  // gold
    {'w', RGB(0xFF, 0xF4, 0xC0)},  // highlight
    {'o', RGB(0x9A, 0x5A, 0x1C)},  // bronze
    {'s', RGB(0xC8, 0x90, 0x10)},  // shade
};

}  // namespace

const IconArt g_iconArt[] = {
    {213,  // the reminder: a bell
     {"................",
      ".......kk.......",
      "......kyyk......",
      ".....kwyyyk.....",
      "....kwyyyysk....",
      "....kwyyyysk....",
      "....kwyyyysk....",
      "....kwyyyysk....",
      "...kwyyyyyysk...",
      "...kwyyyyyysk...",
      "..kwyyyyyyyysk..",
      ".kwyyyyyyyyyysk.",
      ".kkkkkkkkkkkkkk.",
      "......kook......",
      ".......kk.......",
      "................"}},
};

const std::size_t g_iconArtCount = std::size(g_iconArt);

bool IconArtColour(char letter, COLORREF* colour)
{
    for (const PaletteEntry& entry : kPalette) {
        if (entry.letter != letter) continue;
        if (colour) *colour = entry.colour;
        return true;
    }
    return false;
}

}  // namespace platform
