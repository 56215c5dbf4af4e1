// Parsing and laying out arbitrary mark-up in arbitrary rectangles. The first
// six bytes choose the rectangle's width and height (signed, so zero and
// negative sizes come up), the indent, a flag byte (bit 0 selected, bit 1
// single line, bits 2-4 the bitmap scaling mode) and which images the owner
// window refuses; the rest is the mark-up in UTF-8. Measuring and painting
// must stay inside their buffers and finish; a measured extent never lies
// left of or above the rectangle, and measuring twice gives the same extent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "grid/grid_notify.h"
#include "grid/html_draw.h"
#include "grid/html_parser.h"
#include "platform/gdi/bitmaps.h"
#include "platform/gdi/gdi_owner.h"
#include "platform/messaging/window.h"
#include "platform/text/utf8.h"
#include "platform/text/wide_string.h"

namespace {

uint8_t g_refused = 0;  // a bit per image-name length class: no bitmap for those

HBITMAP ImageOfSize(size_t length)
{
    static platform::OwnedBitmap small(CreateCompatibleBitmap(nullptr, 16, 16));
    static platform::OwnedBitmap wide(CreateCompatibleBitmap(nullptr, 300, 12));
    static platform::OwnedBitmap thin(CreateCompatibleBitmap(nullptr, 1, 40));
    switch (length % 3) {
    case 0: return small.Get();
    case 1: return wide.Get();
    default: return thin.Get();
    }
}

LRESULT OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_NOTIFY) return DefWindowProcW(hwnd, message, wParam, lParam);
    auto* request = reinterpret_cast<NM_IMAGENOTIFY*>(lParam);
    const size_t length = wcslen(request->name);
    if (g_refused & (1u << (length % 8))) return 0;
    request->bitmap = ImageOfSize(length);
    request->isIcon = length % 2;
    return 1;
}

HWND Owner()
{
    static HWND owner = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = OwnerProc;
        wc.lpszClassName = u"HtmlDrawFuzzOwner";
        RegisterClassW(&wc);
        return CreateWindowExW(0, u"HtmlDrawFuzzOwner", u"", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, nullptr, nullptr);
    }();
    return owner;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 6) return 0;
    const int width = static_cast<int16_t>(data[0] | (data[1] << 8)) % 2000;
    const int height = static_cast<int8_t>(data[2]) * 4;
    const unsigned short indent = data[3] % 64;
    const uint8_t flags = data[4];
    g_refused = data[5];
    const std::u16string markup = Utf8ToWide(std::string_view(reinterpret_cast<const char*>(data + 6), size - 6));

    static platform::OwnedDc dc(CreateCompatibleDC(nullptr));
    static platform::OwnedBitmap canvas(CreateCompatibleBitmap(nullptr, 240, 320));
    static HGDIOBJ selected = SelectObject(dc.Get(), canvas.Get());
    (void)selected;

    CHTMLParser parser;
    parser.SetBitmapScaling((flags >> 2) % 5);
    parser.SetHTML(markup.c_str());
    parser.ParseHTML(Owner());

    const LONG right = 8 + width + ((flags & 2) ? 32000 : 0);
    RECT measured{8, 4, right, 4 + height};
    MeasureHTML(dc.Get(), &measured, indent, &parser);
    if (measured.right < 8 || measured.bottom < 4) std::abort();
    RECT again{8, 4, right, 4 + height};
    MeasureHTML(dc.Get(), &again, indent, &parser);
    if (again.right != measured.right || again.bottom != measured.bottom) std::abort();

    CHotSpotArray spots(2);
    RECT painted{8, 4, right, 4 + height};
    DrawHTML(dc.Get(), &painted, indent, &parser, &spots, flags & 1, DRAWHTML_HIGHLIGHTTEXT);
    for (const HTMLHOTSPOT& spot : spots) {
        if (wcsnlen(spot.target, HTMLHOTSPOT_TARGET) >= HTMLHOTSPOT_TARGET) std::abort();
    }
    return 0;
}
