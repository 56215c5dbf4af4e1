#include "platform/images/icons.h"

#include <cstdint>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/gdi/bitmaps.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/gdi_owner.h"
#include "platform/gdi/system_metrics.h"
#include "platform/images/bitmap_loading.h"
#include "platform/images/internal/icon_art.h"
#include "platform/modules/string_resources.h"

namespace {

constexpr int kMaxSide = 1024;
// The colour that stands for "no pixel" while an icon is drawn through its mask.
constexpr std::uint32_t kKey = kPictureColourKey;

// An icon handle is the address of its art: loaded icons are shared and
// live as long as the process.
const platform::IconArt* ArtOf(HICON icon)
{
    for (std::size_t i = 0; i < platform::g_iconArtCount; ++i)
        if (reinterpret_cast<HICON>(const_cast<platform::IconArt*>(&platform::g_iconArt[i])) == icon)
            return &platform::g_iconArt[i];
    return nullptr;
}

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

}  // namespace

HICON LoadIconW(HINSTANCE module, LPCWSTR name)
{
    if (module && module != GetModuleHandleW(nullptr)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (IS_INTRESOURCE(name)) {
        const UINT id = static_cast<UINT>(reinterpret_cast<UINT_PTR>(name));
        for (std::size_t i = 0; i < platform::g_iconArtCount; ++i)
            if (platform::g_iconArt[i].id == id)
                return reinterpret_cast<HICON>(const_cast<platform::IconArt*>(&platform::g_iconArt[i]));
    }
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}

BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT step, HBRUSH background, UINT flags)
{
    const platform::IconArt* art = ArtOf(icon);
    if (!art || !dc) return Fail(ERROR_INVALID_HANDLE);
    if (step != 0 || !(flags & DI_NORMAL) || cx < 0 || cy < 0 || cx > kMaxSide || cy > kMaxSide)
        return Fail(ERROR_INVALID_PARAMETER);
    if (cx == 0) cx = (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CXICON) : platform::kIconArtSide;
    if (cy == 0) cy = (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CYICON) : platform::kIconArtSide;
    if (background) {
        RECT rc{x, y, x + cx, y + cy};
        FillRect(dc, &rc, background);
    }
    // The picture at the asked size, nearest art pixel, in a bitmap of its own.
    void* bits = nullptr;
    platform::OwnedBitmap picture(platform::CreateTopDownDib32(cx, cy, &bits));
    if (!picture || !bits) return FALSE;
    auto* pixels = static_cast<std::uint32_t*>(bits);
    const UINT part = flags & DI_NORMAL;
    for (int py = 0; py < cy; ++py) {
        const char* row = art->rows[py * platform::kIconArtSide / cy];
        for (int px = 0; px < cx; ++px) {
            COLORREF colour = 0;
            const bool opaque = platform::IconArtColour(row[px * platform::kIconArtSide / cx], &colour);
            std::uint32_t value = 0;
            if (part == DI_MASK)
                value = opaque ? 0x000000 : 0xFFFFFF;
            else if (opaque)
                value = (static_cast<std::uint32_t>(GetRValue(colour)) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
            else
                value = part == DI_NORMAL ? kKey : 0x000000;
            pixels[py * cx + px] = value;
        }
    }
    if (part == DI_NORMAL) return TransparentImage(dc, x, y, cx, cy, picture.Get(), 0, 0, cx, cy, kPictureColourKey);
    platform::OwnedDc source(CreateCompatibleDC(dc));
    HGDIOBJ old = SelectObject(source.Get(), picture.Get());
    const BOOL done = BitBlt(dc, x, y, cx, cy, source.Get(), 0, 0, SRCCOPY);
    SelectObject(source.Get(), old);
    return done;
}

BOOL DestroyIcon(HICON icon) { return ArtOf(icon) ? TRUE : Fail(ERROR_INVALID_HANDLE); }
