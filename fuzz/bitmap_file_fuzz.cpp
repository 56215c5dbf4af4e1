// Arbitrary bytes as a BMP or PNG file: never crashes, never reads outside
// the data, and a picture that loads stays within the size limits and has
// every pixel readable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/gdi/bitmap_decoding.h"
#include "platform/gdi/gdi_objects.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    HBITMAP bitmap = platform::LoadBitmapFromMemory(data, size);
    if (!bitmap) return 0;
    BITMAP bm{};
    if (GetObjectW(bitmap, sizeof bm, &bm) != sizeof bm || !bm.bmBits) std::abort();
    if (bm.bmWidth < 1 || bm.bmHeight < 1 || bm.bmWidth > 8192 || bm.bmHeight > 8192) std::abort();
    if (static_cast<std::int64_t>(bm.bmWidth) * bm.bmHeight > (std::int64_t{1} << 24)) std::abort();
    std::uint32_t sum = 0;
    for (LONG y = 0; y < bm.bmHeight; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(bm.bmBits) +
                                                                 static_cast<std::size_t>(y) * bm.bmWidthBytes);
        for (LONG x = 0; x < bm.bmWidth; ++x) sum += row[x];
    }
    DeleteObject(bitmap);
    return static_cast<int>(sum & 0);
}
