#include "platform/images/bmp_encoding.h"

namespace platform {
namespace {

constexpr int kMaxSide = 8192;
constexpr std::uint32_t kFileHeaderBytes = 14, kInfoHeaderBytes = 40;

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

}  // namespace

std::vector<std::uint8_t> EncodeBmp24(int width, int height, const std::vector<COLORREF>& pixels)
{
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
        return {};
    // Rows are padded to whole 32-bit words and stored bottom row first.
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t imageBytes = stride * static_cast<std::uint32_t>(height);
    std::vector<std::uint8_t> out;
    out.reserve(kFileHeaderBytes + kInfoHeaderBytes + imageBytes);
    out.push_back('B');
    out.push_back('M');
    Put32(out, kFileHeaderBytes + kInfoHeaderBytes + imageBytes);
    Put32(out, 0);
    Put32(out, kFileHeaderBytes + kInfoHeaderBytes);
    Put32(out, kInfoHeaderBytes);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(height));
    Put16(out, 1);   // planes
    Put16(out, 24);  // bits per pixel
    Put32(out, 0);   // BI_RGB
    Put32(out, imageBytes);
    Put32(out, 2835);  // 72 dots per inch, as pixels per metre
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
    for (int y = height - 1; y >= 0; --y) {
        const size_t rowStart = out.size();
        for (int x = 0; x < width; ++x) {
            const COLORREF c = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
            out.push_back(GetBValue(c));
            out.push_back(GetGValue(c));
            out.push_back(GetRValue(c));
        }
        out.resize(rowStart + stride, 0);
    }
    return out;
}

}  // namespace platform
