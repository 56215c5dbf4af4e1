// Fitting one run of text into the width left on a line.

#include <algorithm>
#include <vector>

#include "grid/html_layout.h"
#include "platform/gdi/display_metrics.h"
#include "platform/gdi/fonts.h"
#include "platform/gdi/system_metrics.h"
#include "platform/gdi/text_output.h"

namespace grid {

int ScaleX(int n) { return (n * platform::DisplayLogPixels() + 48) / 96; }
int ScaleY(int n) { return (n * platform::DisplayLogPixels() + 48) / 96; }
int BorderPixels() { return GetSystemMetrics(SM_CXBORDER); }

bool IsBreakCharacter(WCHAR c)
{
    switch (c) {
    case u' ':
    case u'-':
    case u';':
    case u',':
    case u'[':
    case u']':
    case u'+':
    case u'/': return true;
    default: return false;
    }
}

namespace {

// The extents of a leading part of the run long enough to hold everything
// that fits in `width`: measuring grows the part geometrically instead of
// measuring the whole run, so wrapping a long text costs the length of each
// line, not of the rest of the text, and a megabyte paragraph stays linear.
struct Measured {
    std::vector<int> extents;  // extents[i]: width of the first i + 1 characters
    int fit = 0;               // characters that fit
    int height = 0;            // the font's cell height
};

Measured MeasurePrefix(HDC hdc, const WCHAR* text, int count, int width)
{
    Measured m;
    int n = std::min(count, 128);
    for (;;) {
        m.extents.resize(static_cast<size_t>(n));
        SIZE size{};
        GetTextExtentExPointW(hdc, text, n, width, &m.fit, m.extents.data(), &size);
        m.height = size.cy;
        if (m.fit < n || n == count) return m;
        n = count - n < n * 3 ? count : n * 4;
    }
}

}  // namespace

bool DrawTextRun(HDC hdc, const WCHAR* text, int count, RECT& run, bool measureOnly, bool force, int* breakAt)
{
    *breakAt = -1;
    const int width = run.right - run.left;
    if (count <= 0 || width <= 0) {
        run.right = run.left;
        run.bottom = run.top;
        return true;
    }
    const RECT clip = run;
    if (force) {
        SIZE size{};
        GetTextExtentExPointW(hdc, text, count, 0, nullptr, nullptr, &size);
        if (!measureOnly) ExtTextOutW(hdc, run.left, run.top, ETO_CLIPPED, &clip, text, static_cast<UINT>(count), nullptr);
        run.right = run.left + size.cx;
        run.bottom = run.top + size.cy;
        return true;
    }
    const Measured m = MeasurePrefix(hdc, text, count, width);
    int take = m.fit;
    if (take < count) {
        // The last break character whose prefix fits; characters past the
        // fitting part cannot end a fitting prefix.
        for (int i = m.fit - 1; i >= 0; --i) {
            if (IsBreakCharacter(text[i])) {
                take = i + 1;
                break;
            }
        }
    }
    if (take == 0) {
        *breakAt = 0;
        run.right = run.left;
        run.bottom = run.top;
        return false;
    }
    if (!measureOnly) ExtTextOutW(hdc, run.left, run.top, ETO_CLIPPED, &clip, text, static_cast<UINT>(take), nullptr);
    run.right = run.left + m.extents[static_cast<size_t>(take) - 1];
    run.bottom = run.top + m.height;
    if (take == count) return true;
    *breakAt = take;
    return false;
}

}  // namespace grid
