// A resolved font: the font file fontconfig picked for a LOGFONTW, its FreeType
// faces, the text metrics, and the table of hinted integer advances that text
// measuring and text drawing both read, so what is measured is what is drawn.
//
// Fonts are shared through a cache keyed by the whole LOGFONTW; one Font may
// be used from any thread.
#pragma once

#include <cairo.h>

#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gdi/gdi_types.h"

namespace platform::gdi {

class Font {
public:
    // The cached font of the record; null when no font file could be opened.
    static std::shared_ptr<const Font> Get(const LOGFONTW& logFont);
    // Pins every font to one file (empty: back to fontconfig) and empties the
    // cache.
    static void PinFile(const std::string& path);
    // Changes whenever PinFile empties the cache.
    static unsigned Generation();

    ~Font();

    const LOGFONTW& LogFont() const { return logFont_; }
    const TEXTMETRICW& Metrics() const { return metrics_; }
    const std::string& File() const { return file_; }
    bool SyntheticBold() const { return syntheticBold_; }
    // The advance of the character in whole pixels (surrogates: the missing
    // glyph's) and its glyph index.
    int Advance(WCHAR c) const;
    unsigned long Glyph(WCHAR c) const;
    // Format characters with no picture of their own (zero-width space and
    // joiners, the word joiner, the byte-order mark): they take no room and
    // draw nothing, so they never show as the font's missing-glyph box.
    static bool IsInvisible(WCHAR c)
    {
        return (c >= 0x200B && c <= 0x200F) || (c >= 0x2060 && c <= 0x2064) || c == 0xFEFF;
    }
    // Underline and strike-out lines: offset below (above) the baseline and
    // thickness, in pixels.
    int UnderlineOffset() const { return underlineOffset_; }
    int StrikeOffset() const { return strikeOffset_; }
    int LineThickness() const { return lineThickness_; }
    // A scaled font for drawing, made of the font's own FreeType face.
    cairo_scaled_font_t* ScaledFont() const { return scaled_; }

    struct Impl;

private:
    Font() = default;
    int AdvanceLocked(WCHAR c) const;
    static std::shared_ptr<const Font> Open(const LOGFONTW& logFont, const std::string& file, int index, bool realBold,
                                            bool realItalic);

    LOGFONTW logFont_{};
    TEXTMETRICW metrics_{};
    std::string file_;
    bool syntheticBold_ = false;
    int underlineOffset_ = 0;
    int strikeOffset_ = 0;
    int lineThickness_ = 1;
    cairo_scaled_font_t* scaled_ = nullptr;
    std::unique_ptr<Impl> impl_;
    mutable std::mutex mutex_;  // the measuring face and the advance pages
    mutable std::array<std::unique_ptr<std::array<std::int32_t, 256>>, 256> pages_;
};

}  // namespace platform::gdi
