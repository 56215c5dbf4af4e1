#include "platform/gdi/device_context.h"

#include <utility>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/gdi/display_metrics.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/internal/gdi_table.h"

using platform::gdi::Bitmap;
using platform::gdi::Brush;
using platform::gdi::Dc;
using platform::gdi::Kind;
using platform::gdi::Pen;
using platform::gdi::Table;

namespace {

std::shared_ptr<Dc> GetDc(HDC dc) { return Table::Instance().Get<Dc>(dc, Kind::Dc); }

// The 1 × 1 bitmap every new device context starts with, shared by all.
std::shared_ptr<Bitmap> StartBitmap(HBITMAP& handle)
{
    static auto bitmap = [] {
        auto b = std::make_shared<Bitmap>(platform::gdi::NewSurface(1, 1));
        b->stock = true;
        return b;
    }();
    static HBITMAP startHandle = static_cast<HBITMAP>(Table::Instance().Add(bitmap));
    handle = startHandle;
    return bitmap;
}

void FillPixels(cairo_t* cr, double x, double y, double w, double h, COLORREF color)
{
    platform::gdi::SetSourceColor(cr, color);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
}

}  // namespace

HDC CreateCompatibleDC(HDC /*like*/)
{
    auto& table = Table::Instance();
    auto d = std::make_shared<Dc>();
    d->bitmap = StartBitmap(d->bitmapHandle);
    d->brushHandle = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    d->brush = table.Get<Brush>(d->brushHandle, Kind::Brush);
    d->penHandle = static_cast<HPEN>(GetStockObject(BLACK_PEN));
    d->pen = table.Get<Pen>(d->penHandle, Kind::Pen);
    HGDIOBJ font = GetStockObject(SYSTEM_FONT);
    HDC dc = static_cast<HDC>(table.Add(d));
    if (dc && font) SelectObject(dc, font);
    return dc;
}

BOOL DeleteDC(HDC dc)
{
    if (!GetDc(dc)) return FALSE;
    Table::Instance().Remove(dc);
    return TRUE;
}

COLORREF SetTextColor(HDC dc, COLORREF color)
{
    auto d = GetDc(dc);
    if (!d) return CLR_INVALID;
    return std::exchange(d->textColor, color & 0xFFFFFF);
}

COLORREF GetTextColor(HDC dc)
{
    auto d = GetDc(dc);
    return d ? d->textColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC dc, COLORREF color)
{
    auto d = GetDc(dc);
    if (!d) return CLR_INVALID;
    return std::exchange(d->bkColor, color & 0xFFFFFF);
}

COLORREF GetBkColor(HDC dc)
{
    auto d = GetDc(dc);
    return d ? d->bkColor : CLR_INVALID;
}

int SetBkMode(HDC dc, int mode)
{
    auto d = GetDc(dc);
    if (!d) return 0;
    if (mode != TRANSPARENT && mode != OPAQUE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return std::exchange(d->bkMode, mode);
}

int GetBkMode(HDC dc)
{
    auto d = GetDc(dc);
    return d ? d->bkMode : 0;
}

int GetDeviceCaps(HDC dc, int index)
{
    if (!GetDc(dc)) return 0;
    switch (index) {
        case LOGPIXELSX:
        case LOGPIXELSY:
            return platform::DisplayLogPixels();
        case HORZRES:
            return platform::DisplayWidth();
        case VERTRES:
            return platform::DisplayHeight();
        case BITSPIXEL:
            return 32;
        default:
            return 0;
    }
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    auto d = GetDc(dc);
    auto b = Table::Instance().Get<Brush>(brush, Kind::Brush);
    if (!d || !b || !rect) return 0;
    if (b->hollow || rect->right <= rect->left || rect->bottom <= rect->top) return 1;
    auto cr = d->Context();
    FillPixels(cr.get(), rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, b->color);
    return 1;
}

BOOL MoveToEx(HDC dc, int x, int y, POINT* old)
{
    auto d = GetDc(dc);
    if (!d) return FALSE;
    if (old) *old = d->position;
    d->position = {x, y};
    return TRUE;
}

BOOL LineTo(HDC dc, int x, int y)
{
    auto d = GetDc(dc);
    if (!d) return FALSE;
    POINT from = std::exchange(d->position, POINT{x, y});
    if (d->pen->style == PS_NULL) return TRUE;
    auto cr = d->Context();
    platform::gdi::SetSourceColor(cr.get(), d->pen->color);
    cairo_set_line_width(cr.get(), d->pen->width);
    cairo_set_line_cap(cr.get(), CAIRO_LINE_CAP_BUTT);
    // Pixel centres: a butt-capped line from the centre of the first pixel
    // stops half a pixel short of the last one's centre, which leaves the end
    // pixel out for horizontal and vertical lines.
    double dx = x > from.x ? -0.5 : x < from.x ? 0.5 : 0;
    double dy = y > from.y ? -0.5 : y < from.y ? 0.5 : 0;
    if (from.y == y) {
        cairo_move_to(cr.get(), from.x + (x > from.x ? 0 : 1), from.y + 0.5);
        cairo_line_to(cr.get(), x + (x > from.x ? 0 : 1), y + 0.5);
    } else if (from.x == x) {
        cairo_move_to(cr.get(), from.x + 0.5, from.y + (y > from.y ? 0 : 1));
        cairo_line_to(cr.get(), x + 0.5, y + (y > from.y ? 0 : 1));
    } else {
        cairo_move_to(cr.get(), from.x + 0.5, from.y + 0.5);
        cairo_line_to(cr.get(), x + 0.5 + dx, y + 0.5 + dy);
    }
    cairo_stroke(cr.get());
    return TRUE;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom)
{
    auto d = GetDc(dc);
    if (!d) return FALSE;
    if (right <= left || bottom <= top) return TRUE;
    auto cr = d->Context();
    if (!d->brush->hollow) FillPixels(cr.get(), left, top, right - left, bottom - top, d->brush->color);
    if (d->pen->style != PS_NULL) {
        double w = right - left, h = bottom - top, p = d->pen->width;
        FillPixels(cr.get(), left, top, w, p, d->pen->color);
        FillPixels(cr.get(), left, bottom - p, w, p, d->pen->color);
        FillPixels(cr.get(), left, top, p, h, d->pen->color);
        FillPixels(cr.get(), right - p, top, p, h, d->pen->color);
    }
    return TRUE;
}

COLORREF GetPixel(HDC dc, int x, int y)
{
    auto d = GetDc(dc);
    if (!d || x < 0 || y < 0 || x >= d->bitmap->Width() || y >= d->bitmap->Height()) return CLR_INVALID;
    cairo_surface_flush(d->bitmap->surface.get());
    return platform::gdi::ColorOf(d->bitmap->Row(y)[x]);
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color)
{
    auto d = GetDc(dc);
    if (!d || x < 0 || y < 0 || x >= d->bitmap->Width() || y >= d->bitmap->Height()) return CLR_INVALID;
    cairo_surface_flush(d->bitmap->surface.get());
    d->bitmap->Row(y)[x] = platform::gdi::PixelOf(color);
    cairo_surface_mark_dirty(d->bitmap->surface.get());
    return color & 0xFFFFFF;
}
