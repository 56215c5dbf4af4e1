#include "platform/gdi/theme_colors.h"

#include <atomic>

namespace {

// White fading into a pale blue-grey: rows stay readable in black text and
// the selection's dark blue stands apart from both ends.
std::atomic<COLORREF> g_top{RGB(0xFF, 0xFF, 0xFF)};
std::atomic<COLORREF> g_bottom{RGB(0xE2, 0xE8, 0xF2)};

std::atomic<COLORREF>* Slot(int index)
{
    switch (index) {
    case THEME_GRADIENT_TOP: return &g_top;
    case THEME_GRADIENT_BOTTOM: return &g_bottom;
    default: return nullptr;
    }
}

}  // namespace

COLORREF GetThemeColor(int index)
{
    auto* slot = Slot(index);
    return slot ? slot->load() : CLR_INVALID;
}

bool SetThemeColor(int index, COLORREF colour)
{
    auto* slot = Slot(index);
    if (!slot) return false;
    slot->store(colour);
    return true;
}
