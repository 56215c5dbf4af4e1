#include "platform/gdi/system_metrics.h"

#include "platform/gdi/display_metrics.h"
#include "platform/gdi/gdi_types.h"

int GetSystemMetrics(int index)
{
    const int scale = platform::DisplayScale();
    switch (index) {
    case SM_CXSCREEN: return platform::DisplayWidth();
    case SM_CYSCREEN: return platform::DisplayHeight();
    case SM_CXVSCROLL:
    case SM_CYHSCROLL: return 13 * scale;
    case SM_CXBORDER:
    case SM_CYBORDER: return scale;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2 * scale;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4 * scale;
    case SM_CXDRAG:
    case SM_CYDRAG: return 5 * scale;
    case SM_CXICON:
    case SM_CYICON: return 32 * scale;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16 * scale;
    default: return 0;
    }
}

COLORREF GetSysColor(int index)
{
    switch (index & ~SYS_COLOR_INDEX_FLAG) {
    case COLOR_WINDOW:
    case COLOR_HIGHLIGHTTEXT:
    case COLOR_BTNHIGHLIGHT:
    case COLOR_STATIC: return RGB(255, 255, 255);
    case COLOR_HIGHLIGHT: return RGB(0, 0, 128);
    case COLOR_SCROLLBAR:
    case COLOR_BTNFACE:
    case COLOR_3DLIGHT: return RGB(192, 192, 192);
    case COLOR_BTNSHADOW:
    case COLOR_GRAYTEXT: return RGB(128, 128, 128);
    case COLOR_BACKGROUND: return RGB(0, 128, 128);
    case COLOR_INFOBK: return RGB(255, 255, 225);
    default: return RGB(0, 0, 0);
    }
}
