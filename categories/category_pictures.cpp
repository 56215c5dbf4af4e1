#include "categories/category_pictures.h"

#include <cstdint>
#include <iterator>

#include "foundation/ce_file.h"
#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/files/files.h"
#include "platform/images/bmp_encoding.h"
#include "storage/corvid_directory.h"

namespace {

constexpr int kSide = 12;

// One picture: its file name and its pixels, a row of twelve letters each,
// top row first; the letters name colours of kPalette.
struct PictureArt {
    const char16_t* name;
    const char* rows[kSide];
};

struct PaletteEntry {
    char letter;
    COLORREF colour;
};

// '.' is pure green, which the grid draws as transparent.
constexpr PaletteEntry kPalette[] = {
    {'.', RGB(0x00, 0xFF, 0x00)}, {'k', RGB(0x30, 0x30, 0x38)}, {'w', RGB(0xFF, 0xFF, 0xFF)},
    {'b', RGB(0x2F, 0x6F, 0xC8)}, {'r', RGB(0xD0, 0x30, 0x30)}, {'y', RGB(0xF0, 0xC0, 0x20)},
    {'o', RGB(0xE8, 0x80, 0x20)}, {'s', RGB(0xF0, 0xC8, 0xA0)}, {'n', RGB(0x8A, 0x5A, 0x2C)},
    {'p', RGB(0x90, 0x50, 0xC0)}, {'t', RGB(0x20, 0x98, 0x90)}, {'g', RGB(0x90, 0x90, 0x98)},
};

constexpr PictureArt kPictures[] = {
    {u"Business.bmp",  // a briefcase
     {"............", "....kkkk....", "....k..k....", ".kkkkkkkkkk.", ".knnnnnnnnk.", ".knnnnnnnnk.",
      ".kkkkyykkkk.", ".knnnyynnnk.", ".knnnnnnnnk.", ".knnnnnnnnk.", ".kkkkkkkkkk.", "............"}},
    {u"Personal.bmp",  // a person
     {"............", "....kkkk....", "...kssssk...", "...kssssk...", "...kssssk...", "....kkkk....",
      "..kkbbbbkk..", ".kbbbbbbbbk.", ".kbbbbbbbbk.", ".kbbbbbbbbk.", ".kkkkkkkkkk.", "............"}},
    {u"Family.bmp",  // a grown-up and a child
     {"............", ".kkk........", "kssskk......", "ksssk.......", ".kkk...kk...", "kpppk.kssk..",
      "kpppk..kk...", "kpppk.kttk..", "kpppk.kttk..", "kpppk.kttk..", "kkkkk.kkkk..", "............"}},
    {u"Health.bmp",  // a red cross
     {"............", "....kkkk....", "....krrk....", "....krrk....", ".kkkkrrkkkk.", ".krrrrrrrrk.",
      ".krrrrrrrrk.", ".kkkkrrkkkk.", "....krrk....", "....krrk....", "....kkkk....", "............"}},
    {u"Finance.bmp",  // a coin
     {"............", "....kkkk....", "..kkyyyykk..", ".kyyykkyyyk.", ".kyykyyyyyk.", "kyyykkkyyyyk",
      "kyyyyyykyyyk", ".kyyyyyykyk.", ".kyykkkkyyk.", "..kkyyyykk..", "....kkkk....", "............"}},
    {u"Holiday.bmp",  // the sun
     {"............", ".o...o...o..", "..o.kkk.o...", "...kyyyk....", "..kyyyyyk...", "ookyyyyykoo.",
      "..kyyyyyk...", "...kyyyk....", "..o.kkk.o...", ".o...o...o..", "............", "............"}},
    {u"Work.bmp",  // a clipboard
     {"....kkkk....", "..kkkggkkk..", "..kwwwwwwk..", "..kwkkkkwk..", "..kwwwwwwk..", "..kwkkkkwk..",
      "..kwwwwwwk..", "..kwkkkwwk..", "..kwwwwwwk..", "..kwwwwwwk..", "..kkkkkkkk..", "............"}},
    {u"Home.bmp",  // a house
     {"............", ".....kk.....", "....krrk....", "...krrrrk...", "..krrrrrrk..", ".kkkkkkkkkk.",
      "..kwwwwwwk..", "..kwbwknwk..", "..kwwwknwk..", "..kwwwknwk..", "..kkkkkkkk..", "............"}},
    {u"Friends.bmp",  // a heart
     {"............", "............", "..kkk..kkk..", ".krrrkkrrrk.", ".krwrrrrrrk.", ".krrrrrrrrk.",
      "..krrrrrrk..", "...krrrrk...", "....krrk....", ".....kk.....", "............", "............"}},
    {u"~NoCategory.bmp",  // an empty box drawn dashed
     {"............", ".kk.kk.kk...", "..........k.", ".k........k.", ".k..........", "..........k.",
      ".k........k.", ".k..........", "..........k.", ".k........k.", "...kk.kk.kk.", "............"}},
};

COLORREF ColourOf(char letter)
{
    for (const PaletteEntry& entry : kPalette)
        if (entry.letter == letter) return entry.colour;
    return kPalette[0].colour;
}

std::vector<std::uint8_t> Encode(const PictureArt& art)
{
    std::vector<COLORREF> pixels;
    pixels.reserve(kSide * kSide);
    for (const char* row : art.rows)
        for (int x = 0; x < kSide; ++x) pixels.push_back(ColourOf(row[x]));
    return platform::EncodeBmp24(kSide, kSide, pixels);
}

bool Exists(const std::u16string& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

std::u16string CategoryPicturesFolder() { return ResolveSettingsPath(kCategoryPicturesFormat); }

std::vector<std::u16string> DefaultCategoryPictureNames()
{
    std::vector<std::u16string> names;
    for (const PictureArt& art : kPictures) names.emplace_back(art.name);
    return names;
}

std::vector<std::uint8_t> DefaultCategoryPicture(const std::u16string& fileName)
{
    for (const PictureArt& art : kPictures)
        if (fileName == art.name) return Encode(art);
    return {};
}

int InstallDefaultCategoryPictures()
{
    const std::u16string folder = CategoryPicturesFolder();
    if (!CeFile::CreatePath((folder + u"\\x").c_str())) return -1;
    int written = 0;
    for (const PictureArt& art : kPictures) {
        const std::u16string path = folder + u"\\" + art.name;
        if (Exists(path)) continue;
        const std::vector<std::uint8_t> bytes = Encode(art);
        CeFile file;
        if (!file.Create(path.c_str(), GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL, FALSE)) {
            // Another process may have written it in the meantime.
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            return -1;
        }
        const bool whole = file.Write(bytes.data(), static_cast<DWORD>(bytes.size())) == bytes.size() && file.Flush();
        file.Close();
        if (!whole) {
            DeleteFileW(path.c_str());
            return -1;
        }
        ++written;
    }
    return written;
}
