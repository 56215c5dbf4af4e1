// The pieces DrawHTML is made of, shared by the painter and the line
// measurer: fitting one text run, measuring one line, sizing an image, and
// the screen-scaled pixel counts.
#pragma once

#include "platform/gdi/gdi_types.h"

class CHTMLParser;

namespace grid {

// n pixels of a 96-dpi design at the screen's resolution, rounded.
int ScaleX(int n);
int ScaleY(int n);
// The system border width, the thickness of the edge line.
int BorderPixels();

// The alignment part (left 0, centre 1, right 2) of a token's DT_ flags.
inline UINT AlignmentOf(UINT flags) { return flags & 3u; }

// True for the characters a line may break after.
bool IsBreakCharacter(WCHAR c);

// Fits `count` characters into run's width, the pen at run.left/run.top.
// A run that fits whole, or any run when `force` is set, is painted (unless
// measureOnly), run.right/bottom become the pen plus its extent, *breakAt -1
// and true is returned. Otherwise the longest prefix that ends in a break
// character and fits, or failing that as many characters as fit, is painted;
// *breakAt is its length (0 when nothing fits) and false is returned. An
// empty run or a run rectangle without width succeeds at once.
bool DrawTextRun(HDC hdc, const WCHAR* text, int count, RECT& run, bool measureOnly, bool force, int* breakAt);

// The image token at the parser's cursor as laid out in `rect`.
struct ImageBox {
    HBITMAP bitmap = nullptr;
    bool draw = true;
    SIZE natural{};  // the bitmap's own size
    SIZE size{};     // the size it is laid out at
};

// False when the token has no usable bitmap (narrower or lower than 2
// pixels) or scales to nothing. A wanted height scales the width with it,
// an image wider than the rectangle is shrunk to its width less 2, and with
// `boundBottom` one that would reach below rect.bottom from `lineTop` is
// shrunk to end 2 pixels above it.
bool ImageSize(CHTMLParser& parser, const RECT& rect, bool boundBottom, int lineTop, ImageBox* box);

struct LineRequest {
    int available = 0;          // width to fill
    bool alignmentEnds = false; // a token of another alignment ends the line
    bool continueLines = false; // go on over wrapped lines up to </SPAN> (span boxes)
    bool boundImages = false;   // see ImageSize
    int firstOffset = 0;        // characters of the cursor's token already laid out
    RECT rect{};                // the layout rectangle (image sizing)
    int lineTop = 0;
};

struct LineExtent {
    int width = 0;
    int height = 0;
};

// Measures the line that starts at the parser's cursor (and with
// continueLines the lines up to the end of the span: widest width, summed
// height). The cursor is left where it was; the selected font is restored.
LineExtent MeasureHTMLLine(HDC hdc, CHTMLParser& parser, const LineRequest& request);

}  // namespace grid
