// Ink notes: a page of typed text and pen strokes, kept in ".pwi" files.
//
// The device's ink control is not available here; this is the stand-in that
// reads and writes its notes. The file is the project's own little-endian
// format (docs/ink-notes.md): a 476-byte header beginning "{\pwi", the text
// as UTF-16, then the strokes. A page with nothing typed or drawn is the
// header alone, so an empty note is exactly 476 bytes, the size the quick
// emptiness test of notes recognises.
//
// Reading never trusts the file: every count is checked against the bytes
// that are there, and a file that is empty, cut short, of another format or
// carries bytes past its last stroke is refused with its reason.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/base/geometry.h"
#include "platform/base/types.h"
#include "platform/gdi/gdi_types.h"

namespace platform {

inline constexpr DWORD kInkHeaderBytes = 476;
inline constexpr BYTE kInkFormatVersion = 1;
// The page of a new note: the device's portrait screen.
inline constexpr int kInkDefaultPageWidth = 240;
inline constexpr int kInkDefaultPageHeight = 320;
// Bounds the reader accepts.
inline constexpr int kInkMaxPageSide = 4096;
inline constexpr DWORD kInkMaxTextUnits = 1u << 20;
inline constexpr int kInkMaxPenWidth = 64;

struct InkStroke {
    COLORREF colour = RGB(0, 0, 0);
    WORD width = 1;            // pen width in pixels, 1 to kInkMaxPenWidth
    std::vector<POINT> points;  // page coordinates, at least one
};

struct InkNote {
    int pageWidth = kInkDefaultPageWidth;
    int pageHeight = kInkDefaultPageHeight;
    COLORREF paper = RGB(255, 255, 255);
    COLORREF textColour = RGB(0, 0, 0);
    std::u16string text;
    std::vector<InkStroke> strokes;

    bool IsEmpty() const { return text.empty() && strokes.empty(); }
};

enum class InkReadError {
    None,
    Missing,     // the file cannot be opened
    Empty,       // no bytes at all
    NotInk,      // does not begin with the ink marker
    Truncated,   // shorter than its header or its counts say
    BadVersion,  // a later format than this reader knows
    BadValue,    // a page size, pen width or point count out of bounds
    Trailing,    // bytes after the last stroke
};

// A short English sentence for the error ("the file is cut short").
const char* InkReadErrorText(InkReadError error);

// Parses the bytes of an ink file into note (left as it was on failure).
InkReadError ParseInkNote(const BYTE* data, size_t size, InkNote& note);
// The bytes of note's file. Strokes without points are left out.
std::vector<BYTE> SerializeInkNote(const InkNote& note);

// Reads the ink file at a device path.
InkReadError ReadInkFile(const WCHAR* path, InkNote& note);
// Writes note to a device path, replacing the file: ERROR_SUCCESS or the
// platform's error code.
DWORD WriteInkFile(const WCHAR* path, const InkNote& note);

}  // namespace platform
