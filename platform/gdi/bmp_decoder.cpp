// The reader of Windows bitmap files (see platform/gdi/internal/image_decoders.h).
#include <array>
#include <bit>
#include <cstring>

#include "platform/base/error_codes.h"
#include "platform/gdi/internal/image_decoders.h"

namespace platform::gdi {

namespace {

constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;
constexpr std::size_t kFileHeader = 14;

// Little-endian fields of the file; the caller checks the bounds first.
struct Bytes {
    const std::uint8_t* data;
    std::size_t size;
    std::uint16_t U16(std::size_t at) const { return static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8)); }
    std::uint32_t U32(std::size_t at) const
    {
        return data[at] | (data[at + 1] << 8) | (data[at + 2] << 16) | (static_cast<std::uint32_t>(data[at + 3]) << 24);
    }
    std::int32_t I32(std::size_t at) const { return static_cast<std::int32_t>(U32(at)); }
};

// One colour channel of a BI_BITFIELDS (or 16/32-bit BI_RGB) pixel: its
// lowest run of mask bits, scaled to 8 bits with rounding (which for 5 and 6
// bits gives the same values as repeating the high bits).
struct Channel {
    explicit Channel(std::uint32_t mask)
    {
        if (mask == 0) return;
        shift = std::countr_zero(mask);
        width = std::countr_one(mask >> shift);
        if (width > 8) {
            shift += width - 8;
            width = 8;
        }
    }
    std::uint32_t Of(std::uint32_t pixel) const
    {
        if (width == 0) return 0;
        std::uint32_t max = (1u << width) - 1;
        return (((pixel >> shift) & max) * 255 + max / 2) / max;
    }
    int shift = 0;
    int width = 0;
};

struct Header {
    std::int64_t width = 0;
    std::int64_t height = 0;  // rows, positive
    bool topDown = false;
    int bits = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t masks[3] = {};
    std::size_t paletteAt = 0;
    std::size_t paletteEntry = 4;  // bytes per palette entry (3 in core headers)
    std::uint64_t colours = 0;     // palette entries stored
    std::size_t pixelsAt = 0;
};

DecodedImage Bad() { return {nullptr, ERROR_BAD_FORMAT}; }

// Reads and checks the headers; returns 0 or the error.
DWORD ReadHeader(const Bytes& in, Header& h)
{
    if (in.size < kFileHeader + 12 || in.data[0] != 'B' || in.data[1] != 'M') return ERROR_BAD_FORMAT;
    h.pixelsAt = in.U32(10);
    std::uint32_t headerSize = in.U32(14);
    std::uint32_t clrUsed = 0;
    if (headerSize == 12) {
        h.width = in.U16(18);
        h.height = in.U16(20);
        if (in.U16(22) != 1) return ERROR_BAD_FORMAT;
        h.bits = in.U16(24);
        h.paletteEntry = 3;
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 || headerSize == 124) {
        if (in.size < kFileHeader + headerSize) return ERROR_BAD_FORMAT;
        h.width = in.I32(18);
        std::int32_t height = in.I32(22);
        if (in.U16(26) != 1) return ERROR_BAD_FORMAT;
        h.bits = in.U16(28);
        h.compression = in.U32(30);
        clrUsed = in.U32(46);
        h.topDown = height < 0;
        h.height = height < 0 ? -static_cast<std::int64_t>(height) : height;
    } else {
        return ERROR_BAD_FORMAT;
    }
    std::size_t after = kFileHeader + headerSize;
    if (h.compression == kBitFields) {
        // The masks follow a plain info header; later headers hold them.
        if (headerSize == 40) {
            if (in.size < after + 12) return ERROR_BAD_FORMAT;
            after += 12;
        }
        for (int i = 0; i < 3; ++i) h.masks[i] = in.U32(kFileHeader + 40 + 4 * i);
    } else if (h.bits == 16) {
        h.masks[0] = 0x7C00, h.masks[1] = 0x03E0, h.masks[2] = 0x001F;
    } else if (h.bits == 32) {
        h.masks[0] = 0xFF0000, h.masks[1] = 0xFF00, h.masks[2] = 0xFF;
    }
    if (h.width < 1 || h.height < 1) return ERROR_BAD_FORMAT;

    switch (h.bits) {
    case 1:
    case 24:
        if (h.compression != kRgb) return ERROR_BAD_FORMAT;
        break;
    case 4:
        if (h.compression != kRgb && h.compression != kRle4) return ERROR_BAD_FORMAT;
        break;
    case 8:
        if (h.compression != kRgb && h.compression != kRle8) return ERROR_BAD_FORMAT;
        break;
    case 16:
    case 32:
        if (h.compression != kRgb && h.compression != kBitFields) return ERROR_BAD_FORMAT;
        break;
    default:
        return ERROR_BAD_FORMAT;
    }
    // RLE pictures are always stored bottom-up.
    if (h.topDown && h.compression != kRgb && h.compression != kBitFields) return ERROR_BAD_FORMAT;

    if (h.bits <= 8) {
        h.paletteAt = after;
        h.colours = clrUsed ? clrUsed : (1u << h.bits);
        if (h.paletteAt + h.colours * h.paletteEntry > in.size) return ERROR_BAD_FORMAT;
    }
    if (h.pixelsAt < kFileHeader + 12 || h.pixelsAt > in.size) return ERROR_BAD_FORMAT;
    if (h.width > kMaxImageSide || h.height > kMaxImageSide || h.width * h.height > kMaxImagePixels)
        return ERROR_NOT_ENOUGH_MEMORY;
    return 0;
}

// The picture's palette as pixel words; indexes past the stored entries are
// black.
std::array<std::uint32_t, 256> Palette(const Bytes& in, const Header& h)
{
    std::array<std::uint32_t, 256> palette{};
    std::uint64_t n = h.colours < 256 ? h.colours : 256;
    for (std::uint64_t i = 0; i < n; ++i) {
        const std::uint8_t* e = in.data + h.paletteAt + i * h.paletteEntry;
        palette[i] = (e[2] << 16) | (e[1] << 8) | e[0];
    }
    return palette;
}

void DecodeRows(const Bytes& in, const Header& h, const std::array<std::uint32_t, 256>& palette, Bitmap& out)
{
    const std::size_t stride = static_cast<std::size_t>((h.width * h.bits + 31) / 32 * 4);
    const Channel r(h.masks[0]), g(h.masks[1]), b(h.masks[2]);
    const int width = static_cast<int>(h.width);
    for (std::int64_t row = 0; row < h.height; ++row) {
        const std::uint8_t* src = in.data + h.pixelsAt + row * stride;
        std::uint32_t* dst = out.Row(static_cast<int>(h.topDown ? row : h.height - 1 - row));
        for (int x = 0; x < width; ++x) {
            std::uint32_t word;
            switch (h.bits) {
            case 1:
                word = palette[(src[x >> 3] >> (7 - (x & 7))) & 1];
                break;
            case 4:
                word = palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
                break;
            case 8:
                word = palette[src[x]];
                break;
            case 24:
                word = (src[3 * x + 2] << 16) | (src[3 * x + 1] << 8) | src[3 * x];
                break;
            default: {
                std::uint32_t pixel =
                    h.bits == 16 ? static_cast<std::uint32_t>(src[2 * x] | (src[2 * x + 1] << 8))
                                 : Bytes{src + 4 * x, 4}.U32(0);
                word = (r.Of(pixel) << 16) | (g.Of(pixel) << 8) | b.Of(pixel);
            }
            }
            dst[x] = word;
        }
    }
}

// Runs of BI_RLE8 and BI_RLE4 data. False when the data ends before the
// end-of-picture mark and before the last row.
bool DecodeRle(const Bytes& in, const Header& h, const std::array<std::uint32_t, 256>& palette, Bitmap& out)
{
    const bool four = h.compression == kRle4;
    const std::int64_t width = h.width, height = h.height;
    for (std::int64_t row = 0; row < height; ++row) {
        std::uint32_t* dst = out.Row(static_cast<int>(row));
        for (std::int64_t x = 0; x < width; ++x) dst[x] = palette[0];
    }
    std::int64_t x = 0, y = 0;  // y counts from the bottom row
    auto put = [&](unsigned index) {
        if (x < width && y < height) out.Row(static_cast<int>(height - 1 - y))[x] = palette[index & 0xFF];
        ++x;
    };
    std::size_t at = h.pixelsAt;
    while (y < height) {
        if (at + 2 > in.size) return false;
        unsigned count = in.data[at], code = in.data[at + 1];
        at += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count && x < width; ++i) put(four ? (i & 1 ? code & 15 : code >> 4) : code);
        } else if (code == 0) {
            x = 0;
            ++y;
        } else if (code == 1) {
            return true;
        } else if (code == 2) {
            if (at + 2 > in.size) return false;
            x += in.data[at];
            y += in.data[at + 1];
            at += 2;
        } else {
            std::size_t bytes = four ? (code + 1) / 2 : code;
            if (at + bytes > in.size) return false;
            for (unsigned i = 0; i < code; ++i) {
                unsigned byte = in.data[at + (four ? i / 2 : i)];
                put(four ? (i & 1 ? byte & 15 : byte >> 4) : byte);
            }
            at += bytes + (bytes & 1);
        }
    }
    return true;
}

}  // namespace

DecodedImage DecodeBmp(const std::uint8_t* data, std::size_t size)
{
    const Bytes in{data, size};
    Header h;
    if (!data) return Bad();
    if (DWORD error = ReadHeader(in, h)) return {nullptr, error};
    const bool rle = h.compression == kRle8 || h.compression == kRle4;
    if (!rle) {
        // Every row but the last with its padding; the last may lack it.
        std::uint64_t stride = static_cast<std::uint64_t>((h.width * h.bits + 31) / 32 * 4);
        std::uint64_t lastRow = static_cast<std::uint64_t>((h.width * h.bits + 7) / 8);
        if (h.pixelsAt + stride * (h.height - 1) + lastRow > size) return Bad();
    }
    SurfacePtr surface = NewSurface(static_cast<int>(h.width), static_cast<int>(h.height));
    if (!surface) return {nullptr, ERROR_NOT_ENOUGH_MEMORY};
    Bitmap out(std::move(surface));
    cairo_surface_flush(out.surface.get());
    const auto palette = Palette(in, h);
    if (rle) {
        if (!DecodeRle(in, h, palette, out)) return Bad();
    } else {
        DecodeRows(in, h, palette, out);
    }
    cairo_surface_mark_dirty(out.surface.get());
    return {std::move(out.surface), 0};
}

}  // namespace platform::gdi
