#include "platform/gdi/bitmap_decoding.h"

#include <cstdint>
#include <memory>
#include <utility>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/internal/gdi_table.h"
#include "platform/gdi/internal/image_decoders.h"

using platform::gdi::Bitmap;
using platform::gdi::SurfacePtr;
using platform::gdi::Table;

namespace {

HBITMAP FailNull(DWORD error)
{
    SetLastError(error);
    return nullptr;
}

HBITMAP AddBitmap(SurfacePtr surface)
{
    auto bitmap = std::make_shared<Bitmap>(std::move(surface));
    bitmap->dibSection = true;
    return static_cast<HBITMAP>(Table::Instance().Add(std::move(bitmap)));
}

HBITMAP Decode(const void* data, std::size_t size)
{
    auto decoded = platform::gdi::DecodeImage(static_cast<const std::uint8_t*>(data), size);
    if (!decoded.surface) return FailNull(decoded.error);
    return AddBitmap(std::move(decoded.surface));
}

}  // namespace

namespace platform {

HBITMAP LoadBitmapFromMemory(const void* data, std::size_t size)
{
    if (!data && size) return FailNull(ERROR_INVALID_PARAMETER);
    return Decode(data, size);
}

HBITMAP ScaledBitmap(HBITMAP bitmap, int cx, int cy)
{
    auto source = Table::Instance().Get<Bitmap>(bitmap, platform::gdi::Kind::Bitmap);
    if (!source) return FailNull(ERROR_INVALID_HANDLE);
    const int w = cx ? cx : source->Width(), h = cy ? cy : source->Height();
    if (w == source->Width() && h == source->Height()) return bitmap;
    DeleteObject(bitmap);
    if (w < 0 || h < 0 || w > platform::gdi::kMaxImageSide || h > platform::gdi::kMaxImageSide ||
        static_cast<std::int64_t>(w) * h > platform::gdi::kMaxImagePixels)
        return FailNull(ERROR_INVALID_PARAMETER);
    SurfacePtr surface = platform::gdi::NewSurface(w, h);
    if (!surface) return FailNull(ERROR_NOT_ENOUGH_MEMORY);
    platform::gdi::CairoPtr cr(cairo_create(surface.get()));
    cairo_scale(cr.get(), static_cast<double>(w) / source->Width(), static_cast<double>(h) / source->Height());
    cairo_set_source_surface(cr.get(), source->surface.get(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_NEAREST);
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr.get());
    cr.reset();
    return AddBitmap(std::move(surface));
}

}  // namespace platform
