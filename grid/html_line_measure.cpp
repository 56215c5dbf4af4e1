// Measuring one laid-out line of mark-up ahead of painting it, and the size
// an inline image takes on it.

#include <algorithm>

#include "grid/html_layout.h"
#include "grid/html_parser.h"
#include "platform/gdi/fonts.h"
#include "platform/gdi/gdi_objects.h"

namespace grid {

namespace {

// Pixel sizes stay far inside int arithmetic whatever a tag asks for.
constexpr double kLargestImage = 32767.0;

LONG Clamp(double v) { return static_cast<LONG>(std::clamp(v, -kLargestImage, kLargestImage)); }

}  // namespace

bool ImageSize(CHTMLParser& parser, const RECT& rect, bool boundBottom, int lineTop, ImageBox* box)
{
    DWORD wanted = 0;
    bool draw = true;
    box->bitmap = parser.GetCurrTokenBitmap(wanted, draw);
    box->draw = draw;
    BITMAP bm{};
    if (!box->bitmap || !GetObjectW(box->bitmap, sizeof bm, &bm)) return false;
    const double w = bm.bmWidth;
    const double h = bm.bmHeight;
    if (w < 2 || h < 2) return false;
    box->natural = {bm.bmWidth, bm.bmHeight};
    LONG width = bm.bmWidth;
    LONG height = bm.bmHeight;
    // A wanted height one border's width above the bitmap's own is taken as
    // the bitmap's height: scaling by a pixel or two only blurs it.
    const double wantedHeight = std::min<double>(wanted, kLargestImage);
    const double over = wantedHeight - h;
    if (wantedHeight > 0 && over != 0 && !(over >= 1 && over <= BorderPixels())) {
        height = Clamp(wantedHeight);
        width = Clamp(wantedHeight * w / h);
    }
    const LONG rectWidth = rect.right - rect.left;
    if (width > rectWidth) {
        width = rectWidth - 2;
        height = Clamp(width * h / w);
    }
    if (boundBottom && lineTop + height > rect.bottom && rect.bottom - 2 - lineTop >= 1) {
        height = rect.bottom - 2 - lineTop;
        width = Clamp(height * w / h);
    }
    box->size = {width, height};
    return width >= 1 && height >= 1;
}

LineExtent MeasureHTMLLine(HDC hdc, CHTMLParser& parser, const LineRequest& request)
{
    parser.SetBookmark();
    HGDIOBJ firstFont = nullptr;
    bool fontSelected = false;

    int widest = 0;
    int total = 0;
    int width = 0;   // of the tokens in the line's alignment
    int used = 0;    // of every token on the line
    int height = 0;
    int descent = 0;
    bool aligned = false;
    UINT lineAlign = 0;
    bool nothingFitted = false;
    auto closeLine = [&] {
        widest = std::max(widest, width);
        total += height;
        width = used = height = 0;
        aligned = false;
    };
    // False when the token's alignment ends the line.
    auto takeAlignment = [&](UINT align, bool* same) {
        if (!aligned) {
            aligned = true;
            lineAlign = align;
        }
        *same = align == lineAlign;
        return *same || !request.alignmentEnds;
    };

    int offset = request.firstOffset;
    bool ended = false;
    for (; !ended && !parser.EndOfTokens(); parser.NextToken(), offset = 0) {
        switch (parser.GetCurrTokenType()) {
        case TOKEN_SPAN_END: ended = true; break;
        case TOKEN_BREAK:
            if (request.continueLines)
                closeLine();
            else
                ended = true;
            break;
        case TOKEN_EDGE:
            height += ScaleY(2);
            ended = true;
            break;
        case TOKEN_TEXT: {
            bool same = false;
            if (!takeAlignment(AlignmentOf(parser.GetCurrTextAlign()), &same)) {
                ended = true;
                break;
            }
            HGDIOBJ previous = SelectObject(hdc, parser.GetCurrFont());
            if (!fontSelected && previous) {
                firstFont = previous;
                fontSelected = true;
            }
            TEXTMETRICW tm{};
            GetTextMetricsW(hdc, &tm);
            int length = 0;
            const WCHAR* text = parser.GetCurrToken(&length);
            while (offset < length) {
                RECT run{0, 0, request.available - used, 0};
                int breakAt = -1;
                bool complete = false;
                if (run.right <= 0 && used > 0) {
                    breakAt = 0;  // the line is full: the token goes on the next one
                } else {
                    complete = DrawTextRun(hdc, text + offset, length - offset, run, true, false, &breakAt);
                }
                used += run.right;
                if (same) {
                    width += run.right;
                    height = std::max<int>(height, run.bottom);
                    descent = std::max<int>(descent, tm.tmDescent);
                } else if (run.bottom > height) {
                    descent = std::max<int>(descent, tm.tmDescent);
                }
                if (complete) {
                    nothingFitted = false;
                    break;
                }
                if (!request.continueLines) {
                    ended = true;
                    break;
                }
                if (breakAt == 0) {
                    if (nothingFitted) break;  // twice without progress: drop the rest
                    nothingFitted = true;
                } else {
                    nothingFitted = false;
                    offset += breakAt;
                }
                closeLine();
                takeAlignment(AlignmentOf(parser.GetCurrTextAlign()), &same);
            }
            break;
        }
        case TOKEN_IMAGE: {
            ImageBox image;
            if (!ImageSize(parser, request.rect, request.boundImages, request.lineTop, &image)) break;
            bool same = false;
            if (!takeAlignment(AlignmentOf(parser.GetCurrTextAlign()), &same)) {
                ended = true;
                break;
            }
            if (used > 0 && used + image.size.cx > request.available) {
                if (!request.continueLines) {
                    ended = true;
                    break;
                }
                closeLine();
                takeAlignment(AlignmentOf(parser.GetCurrTextAlign()), &same);
            }
            used += image.size.cx;
            if (same) {
                width += image.size.cx;
                height = std::max<int>(height, image.size.cy + descent);
            }
            break;
        }
        default: break;
        }
        if (ended) break;
    }
    if (fontSelected) SelectObject(hdc, firstFont);
    parser.GotoBookmark();

    LineExtent extent;
    if (request.continueLines) {
        extent.width = std::max(widest, width);
        extent.height = total + height;
    } else {
        extent.width = width;
        extent.height = height;
    }
    return extent;
}

}  // namespace grid
