#include "platform/gdi/png_writer.h"

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/gdi/internal/gdi_table.h"

namespace platform {

bool WritePng(HANDLE dcOrBitmap, const std::string& hostPath)
{
    using gdi::Kind;
    auto o = gdi::Table::Instance().Lookup(dcOrBitmap);
    std::shared_ptr<gdi::Bitmap> bitmap;
    if (o && o->kind == Kind::Dc)
        bitmap = std::static_pointer_cast<gdi::Dc>(o)->bitmap;
    else if (o && o->kind == Kind::Bitmap)
        bitmap = std::static_pointer_cast<gdi::Bitmap>(o);
    if (!bitmap) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    cairo_surface_flush(bitmap->surface.get());
    if (cairo_surface_write_to_png(bitmap->surface.get(), hostPath.c_str()) != CAIRO_STATUS_SUCCESS) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

}  // namespace platform
