#include "platform/gdi/display_metrics.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<int> g_scale{1};
}

int DisplayScale() { return g_scale.load(); }

bool SetDisplayScale(int scale)
{
    if (scale != 1 && scale != 2) return false;
    g_scale.store(scale);
    return true;
}

int DisplayLogPixels() { return 96 * DisplayScale(); }
int DisplayWidth() { return 240 * DisplayScale(); }
int DisplayHeight() { return 320 * DisplayScale(); }

}  // namespace platform
