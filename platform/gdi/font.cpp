#include "platform/gdi/internal/font.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <map>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include "platform/text/utf8.h"

namespace platform::gdi {

struct Font::Impl {
    FT_Face measure = nullptr;  // read under the font's mutex
    cairo_font_face_t* face = nullptr;
};

namespace {

// The distribution's metric-compatible Tahoma lives outside fontconfig's
// folders; it is added to the fonts fontconfig knows.
constexpr const char* kExtraFontDir = "/usr/share/wine/fonts";
constexpr const char* kDefaultFace = "Tahoma";
constexpr const char* kFallbackFace = "DejaVu Sans";
// lfHeight 0 asks for the default size: a 12-pixel character height.
constexpr double kDefaultPixels = 12;
constexpr double kMaxPixels = 1000;

std::mutex g_mutex;    // the cache, the pinned file and fontconfig
std::mutex g_ftMutex;  // FreeType's library: opening and closing faces
std::string g_pinned;
std::map<std::string, std::weak_ptr<const Font>> g_cache;
// The fonts opened last stay open after their last handle is deleted: cells
// are parsed, drawn and dropped again and again with the same few fonts, and
// opening one (fontconfig, two FreeType faces) costs far more than using it.
constexpr size_t kKeptFonts = 32;
std::array<std::shared_ptr<const Font>, kKeptFonts> g_kept;
size_t g_nextKept = 0;
std::map<std::string, bool> g_drawsBold;  // by bold file: is it bolder than its family's regular?
std::atomic<unsigned> g_generation{1};
const cairo_user_data_key_t kFaceKey{};

FT_Library Library()
{
    static FT_Library library = [] {
        FT_Library l = nullptr;
        return FT_Init_FreeType(&l) == 0 ? l : nullptr;
    }();
    return library;
}

FcConfig* Config()
{
    static FcConfig* config = [] {
        FcConfig* c = FcInitLoadConfigAndFonts();
        if (c) FcConfigAppFontAddDir(c, reinterpret_cast<const FcChar8*>(kExtraFontDir));
        return c;
    }();
    return config;
}

// The key: the record with the bytes after the face name's end cleared.
std::string KeyOf(LOGFONTW lf)
{
    int n = 0;
    while (n < LF_FACESIZE && lf.lfFaceName[n]) ++n;
    std::fill(lf.lfFaceName + std::min(n, LF_FACESIZE - 1), lf.lfFaceName + LF_FACESIZE, u'\0');
    return std::string(reinterpret_cast<const char*>(&lf), sizeof lf);
}

std::string FaceName(const LOGFONTW& lf)
{
    int n = 0;
    while (n < LF_FACESIZE && lf.lfFaceName[n]) ++n;
    return n ? WideToUtf8(std::u16string_view(lf.lfFaceName, n)) : std::string(kDefaultFace);
}

bool WantsBold(const LOGFONTW& lf) { return lf.lfWeight >= FW_SEMIBOLD; }

struct Match {
    std::string file;
    int index = 0;
    bool bold = false;
    bool italic = false;
};

bool Resolve(const LOGFONTW& lf, Match& out)
{
    FcConfig* config = Config();
    if (!config) return false;
    FcPattern* pattern = FcPatternCreate();
    std::string face = FaceName(lf);
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(kFallbackFace));
    int weight = std::clamp(lf.lfWeight == FW_DONTCARE ? FW_NORMAL : lf.lfWeight, 1, 1000);
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pattern, FC_SLANT, lf.lfItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;
    FcChar8* file = nullptr;
    int index = 0, matchedWeight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    bool ok = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
    if (ok) {
        out.file = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        FcPatternGetInteger(match, FC_WEIGHT, 0, &matchedWeight);
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        out.index = index;
        out.bold = matchedWeight >= FC_WEIGHT_DEMIBOLD;
        out.italic = slant != FC_SLANT_ROMAN;
    }
    FcPatternDestroy(match);
    return ok;
}

FT_Face OpenFace(const std::string& file, int index)
{
    std::lock_guard lock(g_ftMutex);
    FT_Library library = Library();
    FT_Face face = nullptr;
    if (!library || FT_New_Face(library, file.c_str(), index, &face) != 0) return nullptr;
    if (!FT_IS_SCALABLE(face)) {
        FT_Done_Face(face);
        return nullptr;
    }
    return face;
}

void DoneFace(void* face)
{
    std::lock_guard lock(g_ftMutex);
    FT_Done_Face(static_cast<FT_Face>(face));
}

int Round(double v) { return static_cast<int>(std::lround(v)); }

// The width of the stem of "l" in font units per em: the thickness of the
// strokes, which is what makes a face look bold.
double StemWidth(const std::string& file, int index)
{
    FT_Face face = OpenFace(file, index);
    if (!face) return 0;
    double width = 0;
    {
        std::lock_guard lock(g_ftMutex);
        FT_UInt glyph = FT_Get_Char_Index(face, 'l');
        if (glyph && FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) == 0 &&
            face->glyph->format == FT_GLYPH_FORMAT_OUTLINE && face->units_per_EM) {
            FT_BBox box;
            FT_Outline_Get_CBox(&face->glyph->outline, &box);
            width = static_cast<double>(box.xMax - box.xMin) / face->units_per_EM;
        }
    }
    DoneFace(face);
    return width;
}

// Some faces ship a "bold" file whose strokes are no thicker than the
// regular's (the free Tahoma among them). A bold request matched to such a
// file is drawn from the regular file emboldened, as if the face had no bold:
// its advances are then the regular's plus one pixel, as the device's
// synthetic bold has them, not the bold file's wider ones plus one. The
// verdict is kept per file.
bool DrawsBold(const LOGFONTW& logFont, const Match& bold, Match& regular)
{
    LOGFONTW regularFont = logFont;
    regularFont.lfWeight = FW_NORMAL;
    const bool haveRegular = Resolve(regularFont, regular);
    auto known = g_drawsBold.find(bold.file);
    if (known != g_drawsBold.end()) return known->second || !haveRegular;
    bool drawsBold = true;
    if (haveRegular && regular.file != bold.file) {
        double regularStem = StemWidth(regular.file, regular.index);
        double boldStem = StemWidth(bold.file, bold.index);
        drawsBold = regularStem <= 0 || boldStem >= regularStem * 1.15;
    }
    g_drawsBold[bold.file] = drawsBold;
    return drawsBold;
}

}  // namespace

std::shared_ptr<const Font> Font::Get(const LOGFONTW& logFont)
{
    std::string key = KeyOf(logFont);
    std::unique_lock lock(g_mutex);
    auto& slot = g_cache[key];
    if (auto font = slot.lock()) return font;
    Match match;
    if (!g_pinned.empty()) {
        match.file = g_pinned;
    } else if (!Resolve(logFont, match)) {
        return nullptr;
    } else if (Match regular; WantsBold(logFont) && match.bold && !DrawsBold(logFont, match, regular)) {
        match = regular;
        match.bold = false;
    }
    auto font = Open(logFont, match.file, match.index, match.bold, match.italic);
    slot = font;
    g_kept[g_nextKept++ % kKeptFonts] = font;
    return font;
}

void Font::PinFile(const std::string& path)
{
    std::lock_guard lock(g_mutex);
    g_pinned = path;
    g_cache.clear();
    g_kept.fill(nullptr);
    ++g_generation;
}

unsigned Font::Generation() { return g_generation.load(); }

std::shared_ptr<const Font> Font::Open(const LOGFONTW& logFont, const std::string& file, int index, bool realBold,
                                       bool realItalic)
{
    FT_Face measure = OpenFace(file, index);
    if (!measure) return nullptr;
    FT_Face draw = OpenFace(file, index);
    if (!draw) {
        DoneFace(measure);
        return nullptr;
    }
    if (!g_pinned.empty()) {
        realBold = (measure->style_flags & FT_STYLE_FLAG_BOLD) != 0;
        realItalic = (measure->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    }
    std::shared_ptr<Font> font(new Font());
    font->impl_ = std::make_unique<Impl>();
    font->impl_->measure = measure;
    font->logFont_ = logFont;
    font->file_ = file;
    font->syntheticBold_ = WantsBold(logFont) && !realBold;

    const double upem = measure->units_per_EM ? measure->units_per_EM : 2048;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(measure, FT_SFNT_OS2));
    double ascender = os2 && os2->usWinAscent ? os2->usWinAscent : measure->ascender;
    double descender = os2 && os2->usWinAscent ? os2->usWinDescent : -measure->descender;
    if (ascender + descender <= 0) ascender = upem, descender = 0;
    double pixels = kDefaultPixels;
    long long height = logFont.lfHeight;
    if (height < 0)
        pixels = static_cast<double>(-height);
    else if (height > 0)
        pixels = static_cast<double>(height) * upem / (ascender + descender);
    pixels = std::clamp(pixels, 1.0, kMaxPixels);
    FT_Set_Char_Size(measure, 0, static_cast<FT_F26Dot6>(std::lround(pixels * 64)), 72, 72);

    auto& tm = font->metrics_;
    tm.tmAscent = Round(ascender * pixels / upem);
    tm.tmDescent = Round(descender * pixels / upem);
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = std::max(0, tm.tmHeight - Round(pixels));
    tm.tmWeight = logFont.lfWeight == FW_DONTCARE ? FW_NORMAL : logFont.lfWeight;
    tm.tmMaxCharWidth = Round(measure->max_advance_width * pixels / upem) + (font->syntheticBold_ ? 1 : 0);
    tm.tmItalic = logFont.lfItalic ? 1 : 0;
    tm.tmUnderlined = logFont.lfUnderline ? 1 : 0;
    tm.tmStruckOut = logFont.lfStrikeOut ? 1 : 0;
    tm.tmDigitizedAspectX = tm.tmDigitizedAspectY = 96;
    tm.tmFirstChar = u' ';
    tm.tmLastChar = u'\xFFFC';
    tm.tmDefaultChar = u'?';
    tm.tmBreakChar = u' ';
    tm.tmCharSet = logFont.lfCharSet;
    tm.tmPitchAndFamily = logFont.lfPitchAndFamily;
    font->lineThickness_ = std::max(1, Round(measure->underline_thickness * pixels / upem));
    font->underlineOffset_ = std::max(1, Round(-measure->underline_position * pixels / upem));
    font->strikeOffset_ =
        os2 && os2->yStrikeoutPosition ? Round(os2->yStrikeoutPosition * pixels / upem) : tm.tmAscent / 3;

    cairo_font_face_t* face = cairo_ft_font_face_create_for_ft_face(draw, FT_LOAD_DEFAULT);
    cairo_font_face_set_user_data(face, &kFaceKey, draw, DoneFace);
    unsigned synth = 0;
    if (font->syntheticBold_) synth |= CAIRO_FT_SYNTHESIZE_BOLD;
    if (logFont.lfItalic && !realItalic) synth |= CAIRO_FT_SYNTHESIZE_OBLIQUE;
    cairo_ft_font_face_set_synthesize(face, synth);
    font->impl_->face = face;
    cairo_matrix_t size, identity;
    cairo_matrix_init_scale(&size, std::lround(pixels * 64) / 64.0, std::lround(pixels * 64) / 64.0);
    cairo_matrix_init_identity(&identity);
    // Fixed rendering options, whatever the machine's fontconfig says, so a
    // picture comes out the same everywhere.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    font->scaled_ = cairo_scaled_font_create(face, &size, &identity, options);
    cairo_font_options_destroy(options);
    tm.tmAveCharWidth = font->AdvanceLocked(u'x');
    return font;
}

Font::~Font()
{
    if (scaled_) cairo_scaled_font_destroy(scaled_);
    if (impl_ && impl_->face) cairo_font_face_destroy(impl_->face);  // closes the drawing face
    if (impl_ && impl_->measure) DoneFace(impl_->measure);
}

unsigned long Font::Glyph(WCHAR c) const
{
    std::lock_guard lock(mutex_);
    return (c >= 0xD800 && c < 0xE000) ? 0 : FT_Get_Char_Index(impl_->measure, c);
}

int Font::Advance(WCHAR c) const
{
    std::lock_guard lock(mutex_);
    return AdvanceLocked(c);
}

int Font::AdvanceLocked(WCHAR c) const
{
    auto& page = pages_[c >> 8];
    if (!page) {
        page = std::make_unique<std::array<std::int32_t, 256>>();
        FT_Face face = impl_->measure;
        for (unsigned i = 0; i < 256; ++i) {
            unsigned code = (c & 0xFF00u) | i;
            FT_UInt glyph = (code >= 0xD800 && code < 0xE000) ? 0 : FT_Get_Char_Index(face, code);
            int advance = 0;
            if (IsInvisible(static_cast<WCHAR>(code))) {
                (*page)[i] = 0;
                continue;
            }
            // Hinted loading rounds the advance to whole pixels.
            if (FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL) == 0)
                advance = static_cast<int>((face->glyph->advance.x + 32) >> 6);
            if (syntheticBold_ && advance > 0) ++advance;
            (*page)[i] = advance;
        }
    }
    return (*page)[c & 0xFF];
}

}  // namespace platform::gdi
