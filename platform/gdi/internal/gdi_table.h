// The drawing objects behind GDI handles and the one table that hands their
// handles out. Brushes, pens, bitmaps, fonts and device contexts share the
// table; the kind of an object is checked wherever a handle is used.
//
// Every bitmap is a Cairo image surface in CAIRO_FORMAT_RGB24: one 32-bit word
// per pixel, 0x00RRGGBB, which in memory is the byte order B, G, R, x of a
// 32-bit device-independent bitmap. A device context draws through a Cairo
// context on the surface of the bitmap selected into it.
#pragma once

#include <cairo.h>

#include <memory>
#include <mutex>
#include <utility>

#include "platform/base/slot_table.h"
#include "platform/gdi/gdi_types.h"

namespace platform::gdi {

struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

struct CairoDeleter {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using CairoPtr = std::unique_ptr<cairo_t, CairoDeleter>;

enum class Kind { Brush, Pen, Bitmap, Font, Dc };

struct Object {
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
    Kind kind;
    bool stock = false;  // DeleteObject leaves stock objects alone
};

struct Brush : Object {
    Brush(COLORREF c, bool h) : Object(Kind::Brush), color(c), hollow(h) {}
    COLORREF color;
    bool hollow;
};

struct Pen : Object {
    Pen(int s, int w, COLORREF c) : Object(Kind::Pen), style(s), width(w < 1 ? 1 : w), color(c) {}
    int style;
    int width;
    COLORREF color;
};

struct Bitmap : Object {
    explicit Bitmap(SurfacePtr s) : Object(Kind::Bitmap), surface(std::move(s)) {}
    SurfacePtr surface;
    bool dibSection = false;  // GetObjectW reports the bits pointer
    int Width() const { return cairo_image_surface_get_width(surface.get()); }
    int Height() const { return cairo_image_surface_get_height(surface.get()); }
    int Stride() const { return cairo_image_surface_get_stride(surface.get()); }
    std::uint32_t* Row(int y) const
    {
        return reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(surface.get()) + y * Stride());
    }
};

class Font;  // platform/gdi/internal/font.h

// A font handle keeps its record and finds its Font through the cache, again
// after the test font was pinned or unpinned.
struct FontObject : Object {
    explicit FontObject(const LOGFONTW& lf) : Object(Kind::Font), logFont(lf) {}
    // A handle made with its font resolved keeps that font open.
    FontObject(const LOGFONTW& lf, std::shared_ptr<const Font> font, unsigned generation)
        : Object(Kind::Font), logFont(lf), font_(std::move(font)), generation_(generation)
    {
    }
    LOGFONTW logFont;
    // Null when no font file can be opened.
    std::shared_ptr<const Font> Resolve() const;

private:
    mutable std::mutex mutex_;
    mutable std::shared_ptr<const Font> font_;
    mutable unsigned generation_ = 0;
};

struct Dc : Object {
    Dc() : Object(Kind::Dc) {}
    HBITMAP bitmapHandle = nullptr;
    std::shared_ptr<Bitmap> bitmap;
    HBRUSH brushHandle = nullptr;
    std::shared_ptr<Brush> brush;
    HPEN penHandle = nullptr;
    std::shared_ptr<Pen> pen;
    HFONT fontHandle = nullptr;
    std::shared_ptr<FontObject> font;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    POINT position{0, 0};

    // A Cairo context on the selected bitmap, without antialiasing so that
    // rectangles and lines land on whole pixels.
    CairoPtr Context() const;
};

// Pixel words of a surface and colours.
constexpr std::uint32_t PixelOf(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }
constexpr COLORREF ColorOf(std::uint32_t p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }
void SetSourceColor(cairo_t* cr, COLORREF c);

// A new RGB24 surface of the size, white; null when Cairo refuses it.
SurfacePtr NewSurface(int width, int height);

// The process's table of drawing objects.
class Table {
public:
    static Table& Instance();

    HGDIOBJ Add(std::shared_ptr<Object> object);
    std::shared_ptr<Object> Lookup(HGDIOBJ handle) const;
    std::shared_ptr<Object> Remove(HGDIOBJ handle);
    HGDIOBJ Stock(int index) const;

    // The object of the handle as T when it is of that kind; else null with
    // ERROR_INVALID_HANDLE set.
    template <class T>
    std::shared_ptr<T> Get(HGDIOBJ handle, Kind kind) const
    {
        auto object = Lookup(handle);
        if (!object || object->kind != kind) return Fail<T>();
        return std::static_pointer_cast<T>(object);
    }

private:
    Table();
    template <class T>
    static std::shared_ptr<T> Fail()
    {
        FailInvalidHandle();
        return nullptr;
    }
    static void FailInvalidHandle();

    mutable std::mutex mutex_;
    SlotTable<Object> slots_;
    HGDIOBJ stock_[SYSTEM_FONT + 1] = {};
};

}  // namespace platform::gdi
