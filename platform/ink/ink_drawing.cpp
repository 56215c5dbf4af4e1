#include "platform/ink/ink_drawing.h"

#include "platform/gdi/bitmaps.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/fonts.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/gdi_owner.h"
#include "platform/gdi/png_writer.h"
#include "platform/gdi/text_output.h"
#include "platform/text/wide_string.h"

namespace platform {
namespace {

// The typed text sits in a margin of the page, in the ink control's font.
constexpr int kTextMargin = 4;
constexpr LONG kTextHeight = -12;

}  // namespace

void DrawInkNote(HDC dc, const InkNote& note, int x, int y)
{
    RECT page{x, y, x + note.pageWidth, y + note.pageHeight};
    OwnedBrush paper(CreateSolidBrush(note.paper));
    FillRect(dc, &page, paper.Get());

    if (!note.text.empty()) {
        LOGFONTW lf{};
        lf.lfHeight = kTextHeight;
        wcsncpy(lf.lfFaceName, u"Tahoma", LF_FACESIZE - 1);
        OwnedFont font(CreateFontIndirectW(&lf));
        HGDIOBJ oldFont = SelectObject(dc, font.Get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, note.textColour);
        RECT box{page.left + kTextMargin, page.top + kTextMargin, page.right - kTextMargin, page.bottom - kTextMargin};
        DrawTextW(dc, note.text.c_str(), static_cast<int>(note.text.size()), &box, DT_LEFT | DT_WORDBREAK);
        SelectObject(dc, oldFont);
    }

    for (const InkStroke& stroke : note.strokes) {
        if (stroke.points.empty()) continue;
        OwnedPen pen(CreatePen(PS_SOLID, stroke.width, stroke.colour));
        HGDIOBJ oldPen = SelectObject(dc, pen.Get());
        const POINT& first = stroke.points.front();
        MoveToEx(dc, x + first.x, y + first.y, nullptr);
        if (stroke.points.size() == 1) {
            // A tap leaves a dot.
            LineTo(dc, x + first.x + 1, y + first.y);
        } else {
            for (size_t i = 1; i < stroke.points.size(); ++i)
                LineTo(dc, x + stroke.points[i].x, y + stroke.points[i].y);
        }
        SelectObject(dc, oldPen);
    }
}

bool WriteInkNotePng(const InkNote& note, const std::string& hostPath)
{
    OwnedDc dc(CreateCompatibleDC(nullptr));
    OwnedBitmap canvas(CreateCompatibleBitmap(nullptr, note.pageWidth, note.pageHeight));
    if (!dc || !canvas) return false;
    HGDIOBJ old = SelectObject(dc.Get(), canvas.Get());
    DrawInkNote(dc.Get(), note, 0, 0);
    SelectObject(dc.Get(), old);
    return WritePng(canvas.Get(), hostPath);
}

}  // namespace platform
