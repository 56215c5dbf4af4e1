#include "platform/gdi/internal/gdi_table.h"

#include "platform/gdi/internal/font.h"

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"

namespace platform::gdi {

namespace {

// Drawing objects form a fourth table beside kernel objects, windows and menus.
constexpr std::uint32_t kGdiHandleTag = 4;

HGDIOBJ ToHandle(std::uint32_t value) { return reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(value)); }

}  // namespace

CairoPtr Dc::Context() const
{
    CairoPtr cr(cairo_create(bitmap->surface.get()));
    cairo_set_antialias(cr.get(), CAIRO_ANTIALIAS_NONE);
    return cr;
}

std::shared_ptr<const Font> FontObject::Resolve() const
{
    std::lock_guard lock(mutex_);
    unsigned generation = Font::Generation();
    if (!font_ || generation_ != generation) {
        font_ = Font::Get(logFont);
        generation_ = generation;
    }
    return font_;
}

void SetSourceColor(cairo_t* cr, COLORREF c)
{
    cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

SurfacePtr NewSurface(int width, int height)
{
    if (width <= 0 || height <= 0 || width > 0x7FFF || height > 0x7FFF) return nullptr;
    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    CairoPtr cr(cairo_create(surface.get()));
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());
    return surface;
}

Table& Table::Instance()
{
    static Table table;
    return table;
}

Table::Table() : slots_(kGdiHandleTag)
{
    auto stock = [this](int index, std::shared_ptr<Object> object) {
        object->stock = true;
        stock_[index] = ToHandle(slots_.Add(std::move(object)));
    };
    stock(WHITE_BRUSH, std::make_shared<Brush>(RGB(255, 255, 255), false));
    stock(LTGRAY_BRUSH, std::make_shared<Brush>(RGB(192, 192, 192), false));
    stock(GRAY_BRUSH, std::make_shared<Brush>(RGB(128, 128, 128), false));
    stock(DKGRAY_BRUSH, std::make_shared<Brush>(RGB(64, 64, 64), false));
    stock(BLACK_BRUSH, std::make_shared<Brush>(RGB(0, 0, 0), false));
    stock(NULL_BRUSH, std::make_shared<Brush>(RGB(0, 0, 0), true));
    stock(WHITE_PEN, std::make_shared<Pen>(PS_SOLID, 1, RGB(255, 255, 255)));
    stock(BLACK_PEN, std::make_shared<Pen>(PS_SOLID, 1, RGB(0, 0, 0)));
    stock(NULL_PEN, std::make_shared<Pen>(PS_NULL, 1, RGB(0, 0, 0)));
    // The system font: the default face at a 12-pixel character height.
    LOGFONTW system{};
    system.lfHeight = -12;
    system.lfWeight = FW_NORMAL;
    stock(SYSTEM_FONT, std::make_shared<FontObject>(system));
}

HGDIOBJ Table::Add(std::shared_ptr<Object> object)
{
    std::lock_guard lock(mutex_);
    std::uint32_t value = slots_.Add(std::move(object));
    if (!value) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return ToHandle(value);
}

std::shared_ptr<Object> Table::Lookup(HGDIOBJ handle) const
{
    std::uint32_t value = HandleValue(handle);
    if (!value) return nullptr;
    std::lock_guard lock(mutex_);
    return slots_.Lookup(value);
}

std::shared_ptr<Object> Table::Remove(HGDIOBJ handle)
{
    std::uint32_t value = HandleValue(handle);
    if (!value) return nullptr;
    std::lock_guard lock(mutex_);
    return slots_.Remove(value);
}

HGDIOBJ Table::Stock(int index) const
{
    if (index < 0 || index > SYSTEM_FONT) return nullptr;
    return stock_[index];
}

void Table::FailInvalidHandle() { SetLastError(ERROR_INVALID_HANDLE); }

}  // namespace platform::gdi
