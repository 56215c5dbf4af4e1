// Laying out and painting parsed mark-up: DrawHTML paints the tokens of a
// CHTMLParser into a rectangle (or only measures them), breaking lines at
// blanks and the other break characters, with per-paragraph alignment, a
// continuation indent, a right-hand span box that the text flows around,
// inline images scaled to the text, a tab to the middle and an edge line.
// Every laid-out piece of text that carries a link (painted or, below the
// rectangle or when measuring, only placed) and every painted image leave a
// hot spot that a tap can be tested against.
#pragma once

#include <vector>

#include "platform/gdi/gdi_types.h"

class CHTMLParser;

// Longest hot-spot target kept, terminator included; longer ones are cut.
constexpr int HTMLHOTSPOT_TARGET = 260;

// One tappable area: left/right of the painted piece, top of its line and
// bottom = top + line height, relative to the top-left corner of the
// rectangle DrawHTML was given. The target is the link, or an image's name.
struct HTMLHOTSPOT {
    RECT area;
    WCHAR target[HTMLHOTSPOT_TARGET];
};

// The hot spots of one painted mark-up, in painting order.
using CHotSpotArray = std::vector<HTMLHOTSPOT>;

// DrawHTML flags.
constexpr DWORD DRAWHTML_SELECTED = 0x0001;  // all text in selText, token backgrounds ignored
constexpr DWORD DRAWHTML_MEASURE = 0x0400;   // lay out only; rc gets the extent

// selText standing for the system's highlight text colour.
constexpr DWORD DRAWHTML_HIGHLIGHTTEXT = 0xFFB43480;

// A right edge above this means one line, never broken: the value is taken
// off the right edge and text beyond it is clipped.
constexpr LONG DRAWHTML_SINGLELINE = 32000;

// Paints (or with DRAWHTML_MEASURE measures) the parsed tokens in *rc. The
// parser's cursor and bookmark are used and left past the end. `hotspots`,
// when given, is emptied and filled. A measuring call leaves the extent in
// rc->right and rc->bottom. The device context's background mode ends
// transparent and its font is restored.
void DrawHTML(HDC hdc, RECT* rc, unsigned short indent, CHTMLParser* parser, CHotSpotArray* hotspots, DWORD flags,
              DWORD selText);

// The extent of the mark-up laid out in *rc (right and bottom are written).
void MeasureHTML(HDC hdc, RECT* rc, unsigned short indent, CHTMLParser* parser);

// Plain text with DrawTextW and `format`; when wider than rc, the end is cut
// and replaced by an ellipsis (U+2026) until it fits or fewer than three
// characters remain. Returns what DrawTextW returns.
int DrawTextEndEllipsis(HDC hdc, const WCHAR* text, RECT& rc, UINT format);
