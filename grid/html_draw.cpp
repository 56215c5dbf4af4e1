// DrawHTML: lays the tokens of a parsed mark-up out line by line and paints
// or measures them. Each line is measured when it starts (and again only
// where the alignment changes inside it) so that it can be placed by its
// paragraph's alignment before anything on it is painted.

#include "grid/html_draw.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "grid/html_layout.h"
#include "grid/html_parser.h"
#include "platform/gdi/bitmaps.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/fonts.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/gdi_owner.h"
#include "platform/gdi/system_metrics.h"
#include "platform/gdi/text_output.h"
#include "platform/text/wide_string.h"

namespace {

using grid::AlignmentOf;

constexpr COLORREF kEdgeColor = RGB(0xBE, 0xBE, 0xBE);
constexpr COLORREF kImageKey = kPictureColourKey;

// How a line came to start; centred lines are indented only after a wrap or
// an alignment change, never after an explicit break.
enum class LineStart { First, AfterBreak, Wrap, AlignChange };

class Layout {
public:
    Layout(HDC dc, RECT* rc, unsigned short indent, CHTMLParser& parser, CHotSpotArray* hotspots, DWORD flags,
           DWORD selText)
        : dc_(dc), rc_(rc), given_(*rc), indent_(indent), parser_(parser), hotspots_(hotspots)
    {
        single_ = given_.right > DRAWHTML_SINGLELINE;
        if (single_) given_.right -= DRAWHTML_SINGLELINE;
        measuring_ = (flags & DRAWHTML_MEASURE) != 0;
        selected_ = (flags & DRAWHTML_SELECTED) != 0;
        selText_ = selText == DRAWHTML_HIGHLIGHTTEXT ? GetSysColor(COLOR_HIGHLIGHTTEXT) : selText;
        rect_ = given_;
        tabX_ = given_.left + (given_.right - given_.left) / 2;
        lineTop_ = given_.top;
        maxBottom_ = given_.top;
    }

    void Run()
    {
        parser_.FirstToken();
        body_ = parser_.GetBackColor(true);
        SetBkMode(dc_, TRANSPARENT);
        if (hotspots_) hotspots_->clear();
        StartLine(LineStart::First, 0);
        while (!parser_.EndOfTokens()) {
            switch (parser_.GetCurrTokenType()) {
            case TOKEN_BREAK:
                parser_.NextToken();
                NewLine(LineStart::AfterBreak, 0);
                continue;  // the cursor already stands on the next token
            case TOKEN_TAB: penX_ = tabX_; break;
            case TOKEN_TEXT: Text(); break;
            case TOKEN_IMAGE: Image(); break;
            case TOKEN_SPAN: OpenSpan(); break;
            case TOKEN_SPAN_END:
                if (inSpan_) {
                    CloseSpan();
                    continue;
                }
                break;
            case TOKEN_EDGE: Edge(); break;
            default: break;
            }
            parser_.NextToken();
        }
        CloseLine();
        if (firstFont_) SelectObject(dc_, firstFont_);
        SetBkMode(dc_, TRANSPARENT);
        if (measuring_) {
            int bottom = maxBottom_;
            if (spanUsed_) bottom = std::max(bottom, spanBottom_);
            rc_->right = given_.left + maxWidth_;
            rc_->bottom = bottom;
        }
    }

private:
    int RectWidth() const { return rect_.right - rect_.left; }

    // Measures the line starting at the cursor (`offset` characters into its
    // token) and places the pen by the line's alignment.
    void StartLine(LineStart why, int offset)
    {
        if (!inSpan_) rect_.right = spanUsed_ && lineTop_ < spanBottom_ ? spanLeft_ : given_.right;
        const UINT align = AlignmentOf(parser_.GetCurrTextAlign());
        int indent = 0;
        if (!inSpan_ && lineIndex_ > 0) {
            if (align == DT_LEFT || (align == DT_CENTER && (why == LineStart::Wrap || why == LineStart::AlignChange)))
                indent = indent_;
        }
        const grid::LineExtent extent = Measure(offset, false, single_ ? DRAWHTML_SINGLELINE : RectWidth() - indent);
        lineHeight_ = extent.height;
        lineAlign_ = align;
        penX_ = AlignedPen(align, extent.width) + indent;
        lineStartX_ = penX_;
        lineOrigin_ = align == DT_LEFT ? given_.left : penX_;
        lineWidth_ = std::max(0, penX_ - lineOrigin_);
    }

    grid::LineExtent Measure(int offset, bool alignmentEnds, int available)
    {
        grid::LineRequest request;
        request.available = available;
        request.alignmentEnds = alignmentEnds;
        request.boundImages = !measuring_;
        request.firstOffset = offset;
        request.rect = rect_;
        request.lineTop = lineTop_;
        return grid::MeasureHTMLLine(dc_, parser_, request);
    }

    int AlignedPen(UINT align, int measured) const
    {
        const int width = std::min(measured, RectWidth());
        if (align == DT_CENTER) return rect_.left + (RectWidth() - width) / 2;
        if (align == DT_RIGHT) return rect_.right - width;
        return rect_.left;
    }

    void CloseLine()
    {
        maxWidth_ = std::max(maxWidth_, lineWidth_);
        maxBottom_ = std::max(maxBottom_, lineTop_ + lineHeight_);
    }

    void NewLine(LineStart why, int offset)
    {
        CloseLine();
        lineTop_ += lineHeight_;
        ++lineIndex_;
        StartLine(why, offset);
    }

    void Advance(int width)
    {
        penX_ += width;
        lineWidth_ = std::max(lineWidth_, penX_ - lineOrigin_);
    }

    // A token whose paragraph alignment differs from the line's: the rest of
    // the line is placed by the new alignment. A right-aligned part that would
    // overlap what is already on the line goes to a line of its own.
    void Realign(UINT align)
    {
        const grid::LineExtent extent = Measure(0, true, single_ ? DRAWHTML_SINGLELINE : RectWidth());
        const int pen = AlignedPen(align, extent.width);
        if (align == DT_RIGHT && pen < penX_ && !single_) {
            NewLine(LineStart::AlignChange, 0);
            return;
        }
        lineAlign_ = align;
        lineHeight_ = std::max(lineHeight_, extent.height);
        if (align != DT_LEFT) penX_ = std::max(penX_, pen);
    }

    bool BelowBottom() const { return lineTop_ >= given_.bottom; }

    void AddHotSpot(int left, int right, const WCHAR* target)
    {
        HTMLHOTSPOT spot{};
        spot.area = {left - given_.left, lineTop_ - given_.top, right - given_.left,
                     lineTop_ + lineHeight_ - given_.top};
        if (!target) target = u"";
        const size_t length = std::min<size_t>(wcslen(target), HTMLHOTSPOT_TARGET - 1);
        std::copy_n(target, length, spot.target);
        hotspots_->push_back(spot);
    }

    void SelectTokenFont()
    {
        HGDIOBJ previous = SelectObject(dc_, parser_.GetCurrFont());
        if (!firstFont_) firstFont_ = previous;
    }

    void Text()
    {
        const UINT align = AlignmentOf(parser_.GetCurrTextAlign());
        if (align != lineAlign_) Realign(align);
        SelectTokenFont();
        if (selected_) {
            SetTextColor(dc_, selText_);
        } else {
            // A background of 0 is no background of the token's own.
            const COLORREF back = parser_.GetBackColor(false);
            if (back != 0 && back != body_) {
                SetBkMode(dc_, OPAQUE);
                SetBkColor(dc_, back);
            }
            SetTextColor(dc_, parser_.GetForeColor());
        }
        int linkLength = 0;
        const WCHAR* link = parser_.GetCurrHREF(&linkLength);
        const bool linked = hotspots_ && link && linkLength > 0;
        int length = 0;
        const WCHAR* text = parser_.GetCurrToken(&length);
        int offset = 0;
        while (offset < length) {
            RECT run{penX_, lineTop_, rect_.right, lineTop_ + lineHeight_};
            int breakAt = -1;
            bool complete = false;
            if (run.right <= run.left && penX_ > lineStartX_ && !single_) {
                breakAt = 0;  // the line is full: the text goes on the next one
                run.right = run.left;
            } else {
                complete = grid::DrawTextRun(dc_, text + offset, length - offset, run, measuring_ || BelowBottom(),
                                             single_, &breakAt);
            }
            const int piece = run.right - run.left;
            if (linked && piece > 0) AddHotSpot(penX_, penX_ + piece, link);
            Advance(piece);
            if (complete || single_) {
                nothingFitted_ = false;
                break;
            }
            if (breakAt == 0) {
                if (nothingFitted_) break;  // nothing fits even on a line of its own
                nothingFitted_ = true;
            } else {
                nothingFitted_ = false;
                offset += breakAt;
            }
            NewLine(LineStart::Wrap, offset);
        }
        SetBkMode(dc_, TRANSPARENT);
    }

    void Image()
    {
        grid::ImageBox image;
        if (!grid::ImageSize(parser_, rect_, !measuring_, lineTop_, &image)) return;
        const UINT align = AlignmentOf(parser_.GetCurrTextAlign());
        if (align != lineAlign_) Realign(align);
        if (!single_ && penX_ + image.size.cx > rect_.right && penX_ > lineStartX_) {
            NewLine(LineStart::Wrap, 0);
            if (!grid::ImageSize(parser_, rect_, !measuring_, lineTop_, &image)) return;
        }
        const int top = lineTop_ + static_cast<int>(std::floor((lineHeight_ - image.size.cy) * 0.5));
        if (!measuring_ && lineTop_ < given_.bottom && top + image.size.cy <= given_.bottom) {
            if (image.draw)
                TransparentImage(dc_, penX_, top, image.size.cx, image.size.cy, image.bitmap, 0, 0, image.natural.cx,
                                 image.natural.cy, kImageKey);
            if (hotspots_) AddHotSpot(penX_, penX_ + image.size.cx, parser_.GetCurrToken(nullptr));
        }
        Advance(image.size.cx);
    }

    // The span's content goes into a box at the right edge, at most 40 % of
    // the width (two thirds on a single line); the text after it flows left
    // of the box until below it.
    void OpenSpan()
    {
        if (inSpan_) return;
        const int width = given_.right - given_.left;
        const int available = static_cast<int>(width / (single_ ? 1.5 : 2.5));
        grid::LineRequest request;
        request.available = available;
        request.continueLines = true;
        request.rect = rect_;
        request.lineTop = lineTop_;
        const grid::LineExtent extent = grid::MeasureHTMLLine(dc_, parser_, request);
        savedRect_ = rect_;
        spanLeft_ = given_.right - grid::ScaleX(2) - extent.width;
        spanTop_ = lineTop_;
        spanBottom_ = lineTop_ + extent.height;
        spanUsed_ = true;
        inSpan_ = true;
        maxWidth_ = std::max<int>(maxWidth_, given_.right - given_.left);  // the box reaches the right edge
        savedLineIndex_ = lineIndex_;
        rect_.left = spanLeft_;
        rect_.right = given_.right;
        StartLine(LineStart::First, 0);
    }

    void CloseSpan()
    {
        CloseLine();
        inSpan_ = false;
        rect_ = savedRect_;
        lineTop_ = spanTop_;
        lineIndex_ = savedLineIndex_;
        parser_.NextToken();
        StartLine(LineStart::AfterBreak, 0);
    }

    void Edge()
    {
        if (measuring_) return;
        const int border = grid::BorderPixels();
        platform::OwnedPen pen(CreatePen(PS_SOLID, border, kEdgeColor));
        HGDIOBJ old = SelectObject(dc_, pen.Get());
        const int y = given_.bottom - border;
        MoveToEx(dc_, given_.left, y, nullptr);
        LineTo(dc_, given_.right, y);
        SelectObject(dc_, old);
    }

    HDC dc_;
    RECT* rc_;
    RECT given_;  // the rectangle as given, single-line offset taken off
    RECT rect_;   // the rectangle lines are laid out in now
    int indent_;
    CHTMLParser& parser_;
    CHotSpotArray* hotspots_;
    bool single_ = false;
    bool measuring_ = false;
    bool selected_ = false;
    COLORREF selText_ = 0;
    COLORREF body_ = 0;
    HGDIOBJ firstFont_ = nullptr;
    int tabX_ = 0;

    int penX_ = 0;
    int lineTop_ = 0;
    int lineHeight_ = 0;
    int lineStartX_ = 0;
    int lineOrigin_ = 0;  // where the line's width is counted from
    int lineWidth_ = 0;
    UINT lineAlign_ = DT_LEFT;
    int lineIndex_ = 0;
    int maxWidth_ = 0;
    int maxBottom_ = 0;
    bool nothingFitted_ = false;

    bool inSpan_ = false;
    bool spanUsed_ = false;
    RECT savedRect_{};
    int spanLeft_ = 0;
    int spanTop_ = 0;
    int spanBottom_ = 0;
    int savedLineIndex_ = 0;
};

}  // namespace

void DrawHTML(HDC hdc, RECT* rc, unsigned short indent, CHTMLParser* parser, CHotSpotArray* hotspots, DWORD flags,
              DWORD selText)
{
    if (!rc || !parser) {
        if (hotspots) hotspots->clear();
        return;
    }
    Layout(hdc, rc, indent, *parser, hotspots, flags, selText).Run();
}

void MeasureHTML(HDC hdc, RECT* rc, unsigned short indent, CHTMLParser* parser)
{
    if (!rc) return;
    RECT copy = *rc;
    DrawHTML(hdc, &copy, indent, parser, nullptr, DRAWHTML_MEASURE, DRAWHTML_HIGHLIGHTTEXT);
    *rc = copy;
}

int DrawTextEndEllipsis(HDC hdc, const WCHAR* text, RECT& rc, UINT format)
{
    if (!text) return 0;
    const int width = rc.right - rc.left;
    std::u16string shown(text);
    SIZE size{};
    GetTextExtentExPointW(hdc, shown.data(), static_cast<int>(shown.size()), 0, nullptr, nullptr, &size);
    while (size.cx > width && shown.size() >= 3) {
        shown.replace(shown.size() - 2, 2, 1, u'\u2026');
        GetTextExtentExPointW(hdc, shown.data(), static_cast<int>(shown.size()), 0, nullptr, nullptr, &size);
    }
    return DrawTextW(hdc, shown.c_str(), static_cast<int>(shown.size()), &rc, format);
}
