// Numbered icons: loaded by number from the application's module, drawn at
// their own size and scaled, through their mask, as the picture alone and as
// the mask; bad handles and sizes are refused.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/gdi/bitmaps.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/gdi_owner.h"
#include "platform/images/bitmap_loading.h"
#include "platform/images/icons.h"
#include "tests/support/last_error_check.h"

namespace {

constexpr COLORREF kBehind = RGB(0x40, 0x80, 0xC0);
constexpr COLORREF kOutline = RGB(0x30, 0x30, 0x38);

TEST(Icons, LoadedByNumberSharedAndDrawnThroughTheirMaskAtAnySize)
{
    HICON bell = LoadIconW(nullptr, MAKEINTRESOURCEW(213));
    ASSERT_NE(bell, nullptr);
    EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(213)), bell) << "one shared icon";
    EXPECT_TRUE(DestroyIcon(bell));
    // Art pixel (7, 1) is outline; (0, 0) and (1, 1) are outside the bell.
    const struct {
        const char* name;
        int size;  // 0: the icon's own, 16
        UINT flags;
        COLORREF outside, outline;
    } cases[] = {
        {"own size", 0, DI_NORMAL, kBehind, kOutline},
        {"doubled", 32, DI_NORMAL, kBehind, kOutline},
        {"default size", 0, DI_NORMAL | DI_DEFAULTSIZE, kBehind, kOutline},
        {"the picture alone", 16, DI_IMAGE, RGB(0, 0, 0), kOutline},
        {"the mask", 16, DI_MASK, RGB(255, 255, 255), RGB(0, 0, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform::OwnedBitmap bitmap(CreateCompatibleBitmap(nullptr, 40, 40));
        platform::OwnedDc dc(CreateCompatibleDC(nullptr));
        SelectObject(dc.Get(), bitmap.Get());
        platform::OwnedBrush behind(CreateSolidBrush(kBehind));
        const RECT all{0, 0, 40, 40};
        FillRect(dc.Get(), &all, behind.Get());
        ASSERT_TRUE(DrawIconEx(dc.Get(), 4, 4, bell, c.size, c.size, 0, nullptr, c.flags));
        const int scale = c.size == 32 || (c.flags & DI_DEFAULTSIZE) ? 2 : 1;
        auto at = [&](int ax, int ay) { return GetPixel(dc.Get(), 4 + ax * scale, 4 + ay * scale); };
        EXPECT_EQ((std::vector{at(0, 0), at(1, 1), at(7, 1), at(16, 0)}),
                  (std::vector{c.outside, c.outside, c.outline, kBehind}));
    }
}

TEST(Icons, BadNamesHandlesAndSizesAreRefused)
{
    HICON bell = LoadIconW(nullptr, MAKEINTRESOURCEW(213));
    HICON bogus = reinterpret_cast<HICON>(&bell);
    platform::OwnedDc dc(CreateCompatibleDC(nullptr));
    EXPECT_TRUE(FAILS_WITH(LoadIconW(nullptr, MAKEINTRESOURCEW(9999)), nullptr, ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_TRUE(FAILS_WITH(LoadIconW(nullptr, u"bell"), nullptr, ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_TRUE(FAILS_WITH(LoadIconW(reinterpret_cast<HINSTANCE>(0x5000), MAKEINTRESOURCEW(213)), nullptr,
                           ERROR_INVALID_HANDLE));
    EXPECT_TRUE(FAILS_WITH(DestroyIcon(bogus), FALSE, ERROR_INVALID_HANDLE));
    EXPECT_TRUE(FAILS_WITH(DrawIconEx(dc.Get(), 0, 0, bogus, 16, 16, 0, nullptr, DI_NORMAL), FALSE, ERROR_INVALID_HANDLE));
    for (auto [size, step, flags] : {std::tuple{-1, 0u, DI_NORMAL}, {2000, 0u, DI_NORMAL}, {16, 1u, DI_NORMAL}, {16, 0u, 0u}})
        EXPECT_TRUE(FAILS_WITH(DrawIconEx(dc.Get(), 0, 0, bell, size, size, step, nullptr, flags), FALSE,
                               ERROR_INVALID_PARAMETER));
}

}  // namespace
