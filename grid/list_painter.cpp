#include "grid/list_painter.h"

#include <algorithm>
#include <numeric>

#include "grid/html_draw.h"
#include "grid/html_parser.h"
#include "platform/gdi/display_metrics.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/gdi_owner.h"

namespace {

constexpr int kMinRowHeight = 20;
constexpr int kMargin = 2;
constexpr int kBarWidth = 7;
constexpr COLORREF kLineColour = RGB(0xD8, 0xDC, 0xE2);
constexpr COLORREF kFloaterBody = RGB(0xF2, 0xF6, 0xFC);

int Scaled(int n) { return n * platform::DisplayScale(); }

void Fill(HDC hdc, const RECT& rc, COLORREF colour)
{
    platform::OwnedBrush brush(CreateSolidBrush(colour));
    FillRect(hdc, &rc, brush.Get());
}

// Left edges of the columns and the right edge of the last.
std::vector<int> ColumnEdges(const CListRows& rows, const RECT& rc)
{
    const int count = rows.ColumnCount();
    int fixed = 0, shared = 0;
    for (WORD c = 0; c < count; ++c) {
        if (rows.ColumnWidth(c) == kListColumnShared)
            ++shared;
        else
            fixed += Scaled(rows.ColumnWidth(c));
    }
    const int space = std::max(0, static_cast<int>(rc.right - rc.left) - fixed);
    std::vector<int> edges{static_cast<int>(rc.left)};
    int sharedSeen = 0;
    for (WORD c = 0; c < count; ++c) {
        int w = Scaled(rows.ColumnWidth(c));
        if (rows.ColumnWidth(c) == kListColumnShared) {
            // Whole pixels; the remainder goes one each to the first ones.
            w = space / shared + (sharedSeen < space % shared ? 1 : 0);
            ++sharedSeen;
        }
        edges.push_back(edges.back() + w);
    }
    return edges;
}

struct ParsedCell {
    CHTMLParser parser;
    RECT box{};
};

}  // namespace

std::vector<FLOATERLANE> AssignFloaterLanes(const std::vector<LISTFLOATER>& floaters)
{
    std::vector<FLOATERLANE> lanes(floaters.size());
    std::vector<size_t> order(floaters.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        if (floaters[a].col != floaters[b].col) return floaters[a].col < floaters[b].col;
        return floaters[a].row < floaters[b].row;
    });
    std::vector<size_t> block;    // members of the current block
    std::vector<int> laneEnd;     // per lane: the row after its last floater
    int blockEnd = -1;
    WORD blockCol = 0;
    auto close = [&] {
        for (size_t i : block) lanes[i].lanes = static_cast<int>(laneEnd.size());
        block.clear();
        laneEnd.clear();
    };
    for (size_t i : order) {
        const LISTFLOATER& f = floaters[i];
        const int end = f.row + std::max<int>(1, f.rowSpan);
        if (!block.empty() && (f.col != blockCol || f.row >= blockEnd)) close();
        if (block.empty()) {
            blockCol = f.col;
            blockEnd = end;
        }
        size_t lane = 0;
        while (lane < laneEnd.size() && laneEnd[lane] > f.row) ++lane;
        if (lane == laneEnd.size()) laneEnd.push_back(0);
        laneEnd[lane] = end;
        lanes[i].lane = static_cast<int>(lane);
        blockEnd = std::max(blockEnd, end);
        block.push_back(i);
    }
    close();
    return lanes;
}

LISTPAINTRESULT PaintListRows(HDC hdc, const RECT& rc, const CListRows& rows,
                              const std::vector<LISTFLOATER>& floaters, int topRow)
{
    LISTPAINTRESULT result;
    Fill(hdc, rc, RGB(255, 255, 255));
    const std::vector<int> edges = ColumnEdges(rows, rc);
    const int margin = Scaled(kMargin);
    platform::OwnedPen line(CreatePen(PS_SOLID, 1, kLineColour));
    HGDIOBJ oldPen = SelectObject(hdc, line.Get());

    int y = rc.top;
    for (int r = std::max(0, topRow); r < rows.VisibleCount() && y < rc.bottom; ++r) {
        const LISTROW* row = rows.Visible(r);
        const int cells = row->header ? 1 : rows.ColumnCount();
        std::vector<ParsedCell> parsed(static_cast<size_t>(cells));
        int height = Scaled(kMinRowHeight);
        for (int c = 0; c < cells; ++c) {
            ParsedCell& cell = parsed[static_cast<size_t>(c)];
            const int right = row->header ? edges.back() : edges[static_cast<size_t>(c) + 1];
            cell.box = RECT{edges[static_cast<size_t>(c)] + margin, 0, right - margin, 0};
            cell.parser.SetHTML(rows.CellMarkup(r, c));
            cell.parser.ParseHTML(nullptr);
            RECT measured = cell.box;
            MeasureHTML(hdc, &measured, 0, &cell.parser);
            height = std::max<int>(height, measured.bottom + 2 * margin);
        }
        result.rowTops.push_back(y);
        for (int c = 0; c < cells; ++c) {
            ParsedCell& cell = parsed[static_cast<size_t>(c)];
            const int right = row->header ? edges.back() : edges[static_cast<size_t>(c) + 1];
            RECT back{edges[static_cast<size_t>(c)], y, right, y + height};
            Fill(hdc, back, cell.parser.GetBackColor(true));
            RECT text{cell.box.left, y + margin, cell.box.right, y + height - margin};
            DrawHTML(hdc, &text, 0, &cell.parser, nullptr, 0, DRAWHTML_HIGHLIGHTTEXT);
            if (!row->header && c + 1 < cells) {
                MoveToEx(hdc, right - 1, y, nullptr);
                LineTo(hdc, right - 1, y + height);
            }
        }
        y += height;
        MoveToEx(hdc, rc.left, y - 1, nullptr);
        LineTo(hdc, rc.right, y - 1);
    }
    result.bottom = y;

    const std::vector<FLOATERLANE> lanes = AssignFloaterLanes(floaters);
    for (size_t i = 0; i < floaters.size(); ++i) {
        const LISTFLOATER& f = floaters[i];
        const int first = f.row - topRow, last = first + std::max<int>(1, f.rowSpan);
        if (f.col >= rows.ColumnCount() || last <= 0 || first >= static_cast<int>(result.rowTops.size())) continue;
        const auto top = first < 0 ? rc.top - 1 : result.rowTops[static_cast<size_t>(first)];
        const auto bottom = last >= static_cast<int>(result.rowTops.size()) ? result.bottom
                                                                             : result.rowTops[static_cast<size_t>(last)];
        const int left = edges[f.col], width = edges[static_cast<size_t>(f.col) + 1] - left;
        RECT box{left + width * lanes[i].lane / lanes[i].lanes + 1, static_cast<LONG>(top),
                 left + width * (lanes[i].lane + 1) / lanes[i].lanes - 1, static_cast<LONG>(bottom - 1)};
        Fill(hdc, box, kFloaterBody);
        platform::OwnedPen edge(CreatePen(PS_SOLID, 1, f.colour));
        SelectObject(hdc, edge.Get());
        MoveToEx(hdc, box.left, box.top, nullptr);
        LineTo(hdc, box.right - 1, box.top);
        LineTo(hdc, box.right - 1, box.bottom - 1);
        LineTo(hdc, box.left, box.bottom - 1);
        LineTo(hdc, box.left, box.top);
        SelectObject(hdc, line.Get());
        // The bar: the part of the covered rows the appointment takes.
        const int span = box.bottom - box.top;
        RECT bar{box.left, box.top + span * f.startPercent / 100, box.left + Scaled(kBarWidth),
                 box.top + span * std::min(100, f.startPercent + f.lengthPercent) / 100};
        Fill(hdc, bar, f.colour);
        CHTMLParser content;
        content.SetHTML(f.markup.c_str());
        content.ParseHTML(nullptr);
        RECT text{bar.right + margin, box.top + 1, box.right - margin, box.bottom - 1};
        if (text.right > text.left) DrawHTML(hdc, &text, 0, &content, nullptr, 0, DRAWHTML_HIGHLIGHTTEXT);
    }
    SelectObject(hdc, oldPen);
    return result;
}
