#include "platform/gdi/fonts.h"

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/gdi/internal/font.h"
#include "platform/gdi/internal/gdi_table.h"
#include "platform/gdi/internal/selected_font.h"

using platform::gdi::Font;
using platform::gdi::FontObject;
using platform::gdi::Table;

namespace platform::gdi {

std::shared_ptr<const Font> SelectedFont(HDC dc)
{
    auto d = Table::Instance().Get<Dc>(dc, Kind::Dc);
    if (!d) return nullptr;
    auto font = d->font ? d->font->Resolve() : nullptr;
    if (!font) SetLastError(ERROR_INVALID_HANDLE);
    return font;
}

}  // namespace platform::gdi

HFONT CreateFontIndirectW(const LOGFONTW* logFont)
{
    if (!logFont) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    unsigned generation = Font::Generation();
    auto font = Font::Get(*logFont);
    if (!font) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return static_cast<HFONT>(Table::Instance().Add(std::make_shared<FontObject>(*logFont, std::move(font), generation)));
}

BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics)
{
    auto font = platform::gdi::SelectedFont(dc);
    if (!font || !metrics) return FALSE;
    *metrics = font->Metrics();
    return TRUE;
}

BOOL GetTextExtentExPointW(HDC dc, LPCWSTR text, int count, int maxExtent, int* fit, int* extents, SIZE* size)
{
    auto font = platform::gdi::SelectedFont(dc);
    if (!font) return FALSE;
    if (count < 0 || (count > 0 && !text)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    long long extent = 0;
    int fitting = 0;
    for (int i = 0; i < count; ++i) {
        extent += font->Advance(text[i]);
        if (extent <= maxExtent && fitting == i) fitting = i + 1;
        if (extents) extents[i] = static_cast<int>(std::min<long long>(extent, INT32_MAX));
    }
    if (fit) *fit = fitting;
    if (size) *size = {static_cast<LONG>(std::min<long long>(extent, INT32_MAX)), font->Metrics().tmHeight};
    return TRUE;
}

BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, SIZE* size)
{
    return GetTextExtentExPointW(dc, text, count, 0, nullptr, nullptr, size);
}

namespace platform {

void PinTestFont(const std::string& fontFile) { Font::PinFile(fontFile); }

}  // namespace platform
