#include "platform/ink/ink_note.h"

#include <cstring>
#include <memory>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/files/files.h"
#include "platform/kernel/handle.h"

namespace platform {
namespace {

constexpr char kInkMarker[] = "{\\pwi";
constexpr size_t kMarkerBytes = sizeof kInkMarker - 1;

// Header field offsets (docs/ink-notes.md).
constexpr size_t kVersionAt = 5;
constexpr size_t kHeaderSizeAt = 6;
constexpr size_t kWidthAt = 8;
constexpr size_t kHeightAt = 12;
constexpr size_t kPaperAt = 16;
constexpr size_t kTextColourAt = 20;
constexpr size_t kTextUnitsAt = 24;
constexpr size_t kStrokeCountAt = 28;
constexpr size_t kReservedAt = 32;  // zeros up to the end of the header
constexpr size_t kStrokeHeaderBytes = 8;  // colour, width, point count
constexpr size_t kPointBytes = 4;

DWORD Get32(const BYTE* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<DWORD>(p[3]) << 24); }
WORD Get16(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }

void Put32(std::vector<BYTE>& out, size_t at, DWORD v)
{
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<BYTE>(v >> (8 * i));
}
void Append16(std::vector<BYTE>& out, WORD v)
{
    out.push_back(static_cast<BYTE>(v));
    out.push_back(static_cast<BYTE>(v >> 8));
}
void Append32(std::vector<BYTE>& out, DWORD v)
{
    Append16(out, static_cast<WORD>(v));
    Append16(out, static_cast<WORD>(v >> 16));
}

bool PageSideOk(DWORD side) { return side >= 1 && side <= static_cast<DWORD>(kInkMaxPageSide); }

struct FileCloser {
    void operator()(void* handle) const { CloseHandle(static_cast<HANDLE>(handle)); }
};
using OwnedFile = std::unique_ptr<void, FileCloser>;

}  // namespace

const char* InkReadErrorText(InkReadError error)
{
    switch (error) {
        case InkReadError::None: return "no error";
        case InkReadError::Missing: return "the file cannot be opened";
        case InkReadError::Empty: return "the file is empty";
        case InkReadError::NotInk: return "the file is not an ink note";
        case InkReadError::Truncated: return "the file is cut short";
        case InkReadError::BadVersion: return "the ink note is of a later format";
        case InkReadError::BadValue: return "the ink note holds a value out of bounds";
        case InkReadError::Trailing: return "the file has bytes after the ink note";
    }
    return "unknown error";
}

InkReadError ParseInkNote(const BYTE* data, size_t size, InkNote& note)
{
    if (!data || size == 0) return InkReadError::Empty;
    if (size < kMarkerBytes || std::memcmp(data, kInkMarker, kMarkerBytes) != 0) return InkReadError::NotInk;
    if (size < kInkHeaderBytes) return InkReadError::Truncated;
    if (data[kVersionAt] != kInkFormatVersion) return InkReadError::BadVersion;
    if (Get16(data + kHeaderSizeAt) != kInkHeaderBytes) return InkReadError::BadValue;
    const DWORD width = Get32(data + kWidthAt);
    const DWORD height = Get32(data + kHeightAt);
    const DWORD textUnits = Get32(data + kTextUnitsAt);
    const DWORD strokeCount = Get32(data + kStrokeCountAt);
    if (!PageSideOk(width) || !PageSideOk(height) || textUnits > kInkMaxTextUnits) return InkReadError::BadValue;
    for (size_t i = kReservedAt; i < kInkHeaderBytes; ++i)
        if (data[i] != 0) return InkReadError::BadValue;

    InkNote read;
    read.pageWidth = static_cast<int>(width);
    read.pageHeight = static_cast<int>(height);
    read.paper = Get32(data + kPaperAt);
    read.textColour = Get32(data + kTextColourAt);
    size_t at = kInkHeaderBytes;
    if ((size - at) / 2 < textUnits) return InkReadError::Truncated;
    read.text.resize(textUnits);
    for (DWORD i = 0; i < textUnits; ++i, at += 2) read.text[i] = static_cast<char16_t>(Get16(data + at));
    // Each stroke takes at least a header and one point, which bounds the
    // count by the bytes left before anything is reserved for it.
    if (strokeCount > (size - at) / (kStrokeHeaderBytes + kPointBytes)) return InkReadError::Truncated;
    read.strokes.reserve(strokeCount);
    for (DWORD s = 0; s < strokeCount; ++s) {
        if (size - at < kStrokeHeaderBytes) return InkReadError::Truncated;
        InkStroke stroke;
        stroke.colour = Get32(data + at);
        stroke.width = Get16(data + at + 4);
        const WORD points = Get16(data + at + 6);
        at += kStrokeHeaderBytes;
        if (stroke.width < 1 || stroke.width > kInkMaxPenWidth || points == 0) return InkReadError::BadValue;
        if ((size - at) / kPointBytes < points) return InkReadError::Truncated;
        stroke.points.resize(points);
        for (WORD p = 0; p < points; ++p, at += kPointBytes) {
            stroke.points[p].x = static_cast<SHORT>(Get16(data + at));
            stroke.points[p].y = static_cast<SHORT>(Get16(data + at + 2));
        }
        read.strokes.push_back(std::move(stroke));
    }
    if (at != size) return InkReadError::Trailing;
    note = std::move(read);
    return InkReadError::None;
}

std::vector<BYTE> SerializeInkNote(const InkNote& note)
{
    std::vector<BYTE> out(kInkHeaderBytes, 0);
    std::memcpy(out.data(), kInkMarker, kMarkerBytes);
    out[kVersionAt] = kInkFormatVersion;
    out[kHeaderSizeAt] = static_cast<BYTE>(kInkHeaderBytes);
    out[kHeaderSizeAt + 1] = static_cast<BYTE>(kInkHeaderBytes >> 8);
    Put32(out, kWidthAt, static_cast<DWORD>(note.pageWidth));
    Put32(out, kHeightAt, static_cast<DWORD>(note.pageHeight));
    Put32(out, kPaperAt, note.paper);
    Put32(out, kTextColourAt, note.textColour);
    Put32(out, kTextUnitsAt, static_cast<DWORD>(note.text.size()));
    DWORD strokes = 0;
    for (const InkStroke& stroke : note.strokes) strokes += stroke.points.empty() ? 0 : 1;
    Put32(out, kStrokeCountAt, strokes);
    for (char16_t c : note.text) Append16(out, c);
    for (const InkStroke& stroke : note.strokes) {
        if (stroke.points.empty()) continue;
        Append32(out, stroke.colour);
        Append16(out, stroke.width);
        Append16(out, static_cast<WORD>(stroke.points.size()));
        for (const POINT& p : stroke.points) {
            Append16(out, static_cast<WORD>(static_cast<SHORT>(p.x)));
            Append16(out, static_cast<WORD>(static_cast<SHORT>(p.y)));
        }
    }
    return out;
}

InkReadError ReadInkFile(const WCHAR* path, InkNote& note)
{
    OwnedFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        return InkReadError::Missing;
    }
    DWORD high = 0;
    const DWORD low = GetFileSize(file.get(), &high);
    // Larger than any note the format can hold: refused unread.
    constexpr DWORD kLargest = kInkHeaderBytes + 2 * kInkMaxTextUnits + (64u << 20);
    if (high != 0 || low > kLargest) return InkReadError::BadValue;
    std::vector<BYTE> bytes(low);
    DWORD read = 0;
    if (low > 0 && (!ReadFile(file.get(), bytes.data(), low, &read, nullptr) || read != low))
        return InkReadError::Truncated;
    return ParseInkNote(bytes.data(), bytes.size(), note);
}

DWORD WriteInkFile(const WCHAR* path, const InkNote& note)
{
    const std::vector<BYTE> bytes = SerializeInkNote(note);
    OwnedFile file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        return GetLastError();
    }
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) return GetLastError();
    return written == bytes.size() ? ERROR_SUCCESS : ERROR_DISK_FULL;
}

}  // namespace platform
