// PNG pictures through libpng's simplified reading interface, and the choice
// of decoder by signature (see platform/gdi/internal/image_decoders.h).
#include <png.h>

#include <cstring>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/gdi/internal/image_decoders.h"

namespace platform::gdi {

namespace {

// Ends libpng's hold on an image however the read ends.
struct PngImage {
    png_image image{};
    PngImage() { image.version = PNG_IMAGE_VERSION; }
    ~PngImage() { png_image_free(&image); }
};

constexpr std::uint32_t kColourKey = kPictureColourKey;

}  // namespace

DecodedImage DecodePng(const std::uint8_t* data, std::size_t size)
{
    PngImage png;
    if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) return {nullptr, ERROR_BAD_FORMAT};
    if (!png_image_begin_read_from_memory(&png.image, data, size)) return {nullptr, ERROR_BAD_FORMAT};
    const std::int64_t width = png.image.width, height = png.image.height;
    if (width > kMaxImageSide || height > kMaxImageSide || width * height > kMaxImagePixels)
        return {nullptr, ERROR_NOT_ENOUGH_MEMORY};
    png.image.format = PNG_FORMAT_BGRA;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(png.image));
    if (!png_image_finish_read(&png.image, nullptr, pixels.data(), 0, nullptr)) return {nullptr, ERROR_BAD_FORMAT};

    SurfacePtr surface = NewSurface(static_cast<int>(width), static_cast<int>(height));
    if (!surface) return {nullptr, ERROR_NOT_ENOUGH_MEMORY};
    Bitmap out(std::move(surface));
    cairo_surface_flush(out.surface.get());
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = pixels.data() + static_cast<std::size_t>(y) * width * 4;
        std::uint32_t* dst = out.Row(y);
        for (int x = 0; x < width; ++x, src += 4) {
            unsigned alpha = src[3];
            if (alpha == 0) {
                dst[x] = kColourKey;
                continue;
            }
            auto over = [alpha](unsigned c) { return (c * alpha + 255 * (255 - alpha) + 127) / 255; };
            dst[x] = (over(src[2]) << 16) | (over(src[1]) << 8) | over(src[0]);
        }
    }
    cairo_surface_mark_dirty(out.surface.get());
    return {std::move(out.surface), 0};
}

DecodedImage DecodeImage(const std::uint8_t* data, std::size_t size)
{
    if (data && size >= 2 && data[0] == 'B' && data[1] == 'M') return DecodeBmp(data, size);
    if (data && size >= 8 && png_sig_cmp(data, 0, 8) == 0) return DecodePng(data, size);
    return {nullptr, ERROR_BAD_FORMAT};
}

}  // namespace platform::gdi
