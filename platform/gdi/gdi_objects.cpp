#include "platform/gdi/gdi_objects.h"

#include <cstring>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/gdi/internal/gdi_table.h"

using platform::gdi::Bitmap;
using platform::gdi::Brush;
using platform::gdi::Dc;
using platform::gdi::FontObject;
using platform::gdi::Kind;
using platform::gdi::Pen;
using platform::gdi::Table;

HBRUSH CreateSolidBrush(COLORREF color)
{
    return static_cast<HBRUSH>(Table::Instance().Add(std::make_shared<Brush>(color & 0xFFFFFF, false)));
}

HPEN CreatePen(int style, int width, COLORREF color)
{
    if (style != PS_SOLID && style != PS_DASH && style != PS_NULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return static_cast<HPEN>(Table::Instance().Add(std::make_shared<Pen>(style, width, color & 0xFFFFFF)));
}

HGDIOBJ GetStockObject(int index) { return Table::Instance().Stock(index); }

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object)
{
    auto& table = Table::Instance();
    auto d = table.Get<Dc>(dc, Kind::Dc);
    auto o = table.Lookup(object);
    if (!d || !o) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    auto swap = [&](auto& handle, auto& held, auto typed) -> HGDIOBJ {
        HGDIOBJ previous = handle;
        handle = static_cast<std::remove_reference_t<decltype(handle)>>(object);
        held = std::move(typed);
        return previous;
    };
    switch (o->kind) {
        case Kind::Brush:
            return swap(d->brushHandle, d->brush, std::static_pointer_cast<Brush>(o));
        case Kind::Pen:
            return swap(d->penHandle, d->pen, std::static_pointer_cast<Pen>(o));
        case Kind::Font:
            return swap(d->fontHandle, d->font, std::static_pointer_cast<FontObject>(o));
        case Kind::Bitmap:
            return swap(d->bitmapHandle, d->bitmap, std::static_pointer_cast<Bitmap>(o));
        case Kind::Dc:
            break;
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

BOOL DeleteObject(HGDIOBJ object)
{
    auto& table = Table::Instance();
    auto o = table.Lookup(object);
    if (!o || o->kind == Kind::Dc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!o->stock) table.Remove(object);
    return TRUE;
}

int GetObjectW(HGDIOBJ object, int size, LPVOID buffer)
{
    auto o = Table::Instance().Lookup(object);
    if (o && o->kind == Kind::Font) {
        if (!buffer) return sizeof(LOGFONTW);
        if (size < static_cast<int>(sizeof(LOGFONTW))) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        std::memcpy(buffer, &static_cast<const FontObject&>(*o).logFont, sizeof(LOGFONTW));
        return sizeof(LOGFONTW);
    }
    if (!o || o->kind != Kind::Bitmap) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    auto& b = static_cast<const Bitmap&>(*o);
    if (!buffer) return sizeof(BITMAP);
    if (size < static_cast<int>(sizeof(BITMAP))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    BITMAP bm{};
    bm.bmWidth = b.Width();
    bm.bmHeight = b.Height();
    bm.bmWidthBytes = b.Stride();
    bm.bmPlanes = 1;
    bm.bmBitsPixel = 32;
    bm.bmBits = b.dibSection ? cairo_image_surface_get_data(b.surface.get()) : nullptr;
    std::memcpy(buffer, &bm, sizeof bm);
    return sizeof bm;
}
