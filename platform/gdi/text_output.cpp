#include "platform/gdi/text_output.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/gdi/fonts.h"
#include "platform/gdi/internal/gdi_table.h"
#include "platform/gdi/internal/selected_font.h"

using platform::gdi::Dc;
using platform::gdi::Kind;
using platform::gdi::Table;

namespace {

void FillBox(cairo_t* cr, double x, double y, double w, double h, COLORREF color)
{
    platform::gdi::SetSourceColor(cr, color);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
}

struct Line {
    std::u16string_view text;
    int width;
};

int Width(HDC dc, std::u16string_view s)
{
    SIZE size{};
    GetTextExtentPoint32W(dc, s.data(), static_cast<int>(s.size()), &size);
    return size.cx;
}

// Splits a paragraph into lines no wider than `width` where it can: after the
// last space that fits, else where the characters stop fitting (at least one
// per line). Spaces at a break are dropped.
void WrapParagraph(HDC dc, std::u16string_view p, int width, std::vector<Line>& lines)
{
    while (!p.empty()) {
        int fit = 0;
        SIZE size{};
        GetTextExtentExPointW(dc, p.data(), static_cast<int>(p.size()), width, &fit, nullptr, &size);
        if (static_cast<size_t>(fit) >= p.size()) {
            lines.push_back({p, size.cx});
            return;
        }
        size_t end = static_cast<size_t>(fit);
        size_t space = p.substr(0, end + 1).find_last_of(u' ');
        size_t next;
        if (space != std::u16string_view::npos && space > 0) {
            end = space;
            next = space;
        } else {
            end = std::max<size_t>(end, 1);
            next = end;
        }
        while (end > 0 && p[end - 1] == u' ') --end;
        lines.push_back({p.substr(0, end), Width(dc, p.substr(0, end))});
        while (next < p.size() && p[next] == u' ') ++next;
        p.remove_prefix(next);
    }
}

}  // namespace

BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const int* dx)
{
    auto d = Table::Instance().Get<Dc>(dc, Kind::Dc);
    auto font = platform::gdi::SelectedFont(dc);
    if (!d || !font) return FALSE;
    if (count > 0 && !text) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto& tm = font->Metrics();
    std::vector<cairo_glyph_t> glyphs;
    glyphs.reserve(count);
    double pen = x;
    for (UINT i = 0; i < count; ++i) {
        if (!platform::gdi::Font::IsInvisible(text[i]))
            glyphs.push_back({font->Glyph(text[i]), pen, static_cast<double>(y + tm.tmAscent)});
        pen += dx ? dx[i] : font->Advance(text[i]);
    }
    const double width = pen - x;
    auto cr = d->Context();
    if (rect && (options & ETO_CLIPPED)) {
        cairo_rectangle(cr.get(), rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
        cairo_clip(cr.get());
    }
    if (rect && (options & ETO_OPAQUE))
        FillBox(cr.get(), rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, d->bkColor);
    else if (d->bkMode == OPAQUE)
        FillBox(cr.get(), x, y, width, tm.tmHeight, d->bkColor);
    if (count == 0) return TRUE;
    cairo_set_scaled_font(cr.get(), font->ScaledFont());
    platform::gdi::SetSourceColor(cr.get(), d->textColor);
    cairo_show_glyphs(cr.get(), glyphs.data(), static_cast<int>(glyphs.size()));
    const int baseline = y + tm.tmAscent, thickness = font->LineThickness();
    if (tm.tmUnderlined) FillBox(cr.get(), x, baseline + font->UnderlineOffset(), width, thickness, d->textColor);
    if (tm.tmStruckOut) FillBox(cr.get(), x, baseline - font->StrikeOffset(), width, thickness, d->textColor);
    return TRUE;
}

int DrawTextW(HDC dc, LPCWSTR text, int count, RECT* rect, UINT format)
{
    TEXTMETRICW tm{};
    if (!GetTextMetricsW(dc, &tm)) return 0;
    if (!rect || (count != 0 && !text)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string_view all = count < 0 ? std::u16string_view(text) : std::u16string_view(text, count);
    const int boxWidth = rect->right - rect->left;
    std::vector<Line> lines;
    if (format & DT_SINGLELINE) {
        lines.push_back({all, Width(dc, all)});
    } else {
        while (true) {
            size_t end = all.find(u'\n');
            std::u16string_view p = all.substr(0, end);
            if (!p.empty() && p.back() == u'\r') p.remove_suffix(1);
            if ((format & DT_WORDBREAK) && !p.empty())
                WrapParagraph(dc, p, boxWidth, lines);
            else
                lines.push_back({p, Width(dc, p)});
            if (end == std::u16string_view::npos) break;
            all.remove_prefix(end + 1);
        }
    }
    const int height = static_cast<int>(lines.size()) * tm.tmHeight;
    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const auto& line : lines) widest = std::max(widest, line.width);
        rect->right = rect->left + widest;
        rect->bottom = rect->top + height;
        return height;
    }
    int y = rect->top;
    if ((format & DT_SINGLELINE) && (format & DT_VCENTER))
        y = rect->top + (rect->bottom - rect->top - tm.tmHeight) / 2;
    else if ((format & DT_SINGLELINE) && (format & DT_BOTTOM))
        y = rect->bottom - tm.tmHeight;
    const UINT clip = (format & DT_NOCLIP) ? 0 : ETO_CLIPPED;
    for (const auto& line : lines) {
        int x = rect->left;
        if (format & DT_CENTER)
            x = rect->left + (boxWidth - line.width) / 2;
        else if (format & DT_RIGHT)
            x = rect->right - line.width;
        ExtTextOutW(dc, x, y, clip, rect, line.text.data(), static_cast<UINT>(line.text.size()), nullptr);
        y += tm.tmHeight;
    }
    return height;
}
