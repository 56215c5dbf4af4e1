#include "platform/gdi/bitmaps.h"

#include <algorithm>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/gdi/internal/gdi_table.h"

using platform::gdi::Bitmap;
using platform::gdi::Brush;
using platform::gdi::Dc;
using platform::gdi::Kind;
using platform::gdi::Table;

namespace {

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

HBITMAP FailNull(DWORD error)
{
    SetLastError(error);
    return nullptr;
}

std::shared_ptr<Dc> GetDc(HDC dc) { return Table::Instance().Get<Dc>(dc, Kind::Dc); }

// A copy of the source rectangle when source and destination are one
// surface, so that an overlapping copy reads the pixels from before it.
platform::gdi::SurfacePtr Snapshot(cairo_surface_t* surface, int sx, int sy, int w, int h)
{
    platform::gdi::SurfacePtr copy(cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h));
    platform::gdi::CairoPtr cr(cairo_create(copy.get()));
    cairo_set_source_surface(cr.get(), surface, -sx, -sy);
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr.get());
    return copy;
}

// Paints source's sx, sy, sw × sh onto dest's x, y, w × h, nearest pixel.
void Copy(const Dc& dest, cairo_surface_t* source, int x, int y, int w, int h, int sx, int sy, int sw, int sh)
{
    // Where the source's pixels lie in source coordinates: the whole surface,
    // or the part of the source rectangle inside it when it is copied first.
    int ox = 0, oy = 0;
    int width = cairo_image_surface_get_width(source), height = cairo_image_surface_get_height(source);
    platform::gdi::SurfacePtr copy;
    if (source == dest.bitmap->surface.get()) {
        // Only the source rectangle, clipped to the surface, so that a
        // source reaching past its edge still has nothing there (and the
        // destination keeps its pixels) and a scroll copies no more than it moves.
        const int left = std::max(sx, 0), top = std::max(sy, 0);
        const int right = std::min(sx + sw, width), bottom = std::min(sy + sh, height);
        if (right <= left || bottom <= top) return;
        copy = Snapshot(source, left, top, right - left, bottom - top);
        source = copy.get();
        ox = left;
        oy = top;
        width = right - left;
        height = bottom - top;
    }
    auto cr = dest.Context();
    cairo_rectangle(cr.get(), x, y, w, h);
    cairo_clip(cr.get());
    cairo_translate(cr.get(), x, y);
    cairo_scale(cr.get(), static_cast<double>(w) / sw, static_cast<double>(h) / sh);
    cairo_set_source_surface(cr.get(), source, ox - sx, oy - sy);
    cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_NEAREST);
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    // Outside the source there is nothing to copy: keep the destination there.
    cairo_rectangle(cr.get(), 0, 0, sw, sh);
    cairo_clip(cr.get());
    cairo_rectangle(cr.get(), ox - sx, oy - sy, width, height);
    cairo_clip(cr.get());
    cairo_paint(cr.get());
}

}  // namespace

HBITMAP CreateCompatibleBitmap(HDC /*like*/, int width, int height)
{
    auto surface = platform::gdi::NewSurface(width, height);
    if (!surface) return FailNull(ERROR_INVALID_PARAMETER);
    return static_cast<HBITMAP>(Table::Instance().Add(std::make_shared<Bitmap>(std::move(surface))));
}

HBITMAP CreateDIBSection(HDC /*dc*/, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD /*offset*/)
{
    if (bits) *bits = nullptr;
    if (!info || usage != DIB_RGB_COLORS || section) return FailNull(ERROR_INVALID_PARAMETER);
    const auto& h = info->bmiHeader;
    if (h.biBitCount != 32 || h.biCompression != BI_RGB || h.biHeight >= 0 || h.biHeight == INT32_MIN)
        return FailNull(ERROR_INVALID_PARAMETER);
    auto surface = platform::gdi::NewSurface(h.biWidth, -h.biHeight);
    if (!surface) return FailNull(ERROR_INVALID_PARAMETER);
    auto bitmap = std::make_shared<Bitmap>(std::move(surface));
    bitmap->dibSection = true;
    void* data = cairo_image_surface_get_data(bitmap->surface.get());
    auto handle = static_cast<HBITMAP>(Table::Instance().Add(std::move(bitmap)));
    if (handle && bits) *bits = data;
    return handle;
}

HBITMAP platform::CreateTopDownDib32(int width, int height, void** bits)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop)
{
    auto d = GetDc(dest);
    if (!d) return FALSE;
    if (width <= 0 || height <= 0) return TRUE;
    if (rop == SRCCOPY) {
        auto s = GetDc(source);
        if (!s) return FALSE;
        Copy(*d, s->bitmap->surface.get(), x, y, width, height, sx, sy, width, height);
        return TRUE;
    }
    COLORREF fill;
    if (rop == BLACKNESS)
        fill = RGB(0, 0, 0);
    else if (rop == WHITENESS)
        fill = RGB(255, 255, 255);
    else if (rop == PATCOPY && !d->brush->hollow)
        fill = d->brush->color;
    else if (rop == PATCOPY)
        return TRUE;
    else
        return Fail(ERROR_INVALID_PARAMETER);
    auto cr = d->Context();
    platform::gdi::SetSourceColor(cr.get(), fill);
    cairo_rectangle(cr.get(), x, y, width, height);
    cairo_fill(cr.get());
    return TRUE;
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int swidth, int sheight,
                DWORD rop)
{
    auto d = GetDc(dest);
    auto s = GetDc(source);
    if (!d || !s) return FALSE;
    if (rop != SRCCOPY || width <= 0 || height <= 0 || swidth <= 0 || sheight <= 0)
        return Fail(ERROR_INVALID_PARAMETER);
    Copy(*d, s->bitmap->surface.get(), x, y, width, height, sx, sy, swidth, sheight);
    return TRUE;
}

BOOL TransparentImage(HDC dest, int x, int y, int width, int height, HANDLE source, int sx, int sy, int swidth,
                      int sheight, COLORREF transparent)
{
    auto d = GetDc(dest);
    auto o = Table::Instance().Lookup(source);
    if (!d) return FALSE;
    std::shared_ptr<Bitmap> s;
    if (o && o->kind == Kind::Dc)
        s = std::static_pointer_cast<Dc>(o)->bitmap;
    else if (o && o->kind == Kind::Bitmap)
        s = std::static_pointer_cast<Bitmap>(o);
    else
        return Fail(ERROR_INVALID_HANDLE);
    if (width <= 0 || height <= 0 || swidth <= 0 || sheight <= 0) return Fail(ERROR_INVALID_PARAMETER);
    cairo_surface_flush(s->surface.get());
    cairo_surface_flush(d->bitmap->surface.get());
    // Read from a copy when both are one bitmap, so no pixel is read after
    // it was written.
    const Bitmap* from = s.get();
    std::unique_ptr<Bitmap> snapshot;
    if (s == d->bitmap) {
        snapshot = std::make_unique<Bitmap>(Snapshot(s->surface.get(), 0, 0, s->Width(), s->Height()));
        from = snapshot.get();
    }
    const std::uint32_t key = platform::gdi::PixelOf(transparent);
    const int dw = d->bitmap->Width(), dh = d->bitmap->Height();
    for (int row = 0; row < height; ++row) {
        int ty = y + row;
        int fy = sy + static_cast<int>(static_cast<long long>(row) * sheight / height);
        if (ty < 0 || ty >= dh || fy < 0 || fy >= from->Height()) continue;
        const std::uint32_t* in = from->Row(fy);
        std::uint32_t* out = d->bitmap->Row(ty);
        for (int col = 0; col < width; ++col) {
            int tx = x + col;
            int fx = sx + static_cast<int>(static_cast<long long>(col) * swidth / width);
            if (tx < 0 || tx >= dw || fx < 0 || fx >= from->Width()) continue;
            std::uint32_t pixel = in[fx] & 0xFFFFFF;
            if (pixel != key) out[tx] = pixel;
        }
    }
    cairo_surface_mark_dirty(d->bitmap->surface.get());
    return TRUE;
}
