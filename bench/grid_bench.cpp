// The grid in virtual mode on the largest list it takes (65,534 rows; its
// coordinates are 16-bit) with three columns of list mark-up - a grey
// time, a bold subject over a coloured second line with a linked name, a
// right-aligned category - against a Pango/Cairo grid painting the same
// visible cells into a Cairo surface of the same size in the same run:
//
//   Setup: make the grid window, set the dimensions, paint the first
//     screen; the peer lays out and paints its first screen.
//   ScrollLine, ScrollPage: move the top row by one row or one page and
//     paint; ours moves the existing image and paints the uncovered band,
//     the peer paints every visible cell again.
//
// The counter "requests" is the cells the grid asked its parent for per
// iteration (a frame, or setup and the first paint).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "grid/html_grid.h"
#include "platform/gdi/bitmaps.h"
#include "platform/gdi/device_context.h"
#include "platform/messaging/painting.h"
#include "platform/messaging/window.h"

// After our headers: glib defines TRUE and FALSE only when they are not yet.
#include <pango/pangocairo.h>

namespace {

constexpr WORD kRows = 65534;
constexpr int kWidth = 240;
constexpr int kHeight = 320;
constexpr int kVariants = 997;  // distinct rows; a prime, so columns do not line up
constexpr int kTimeWidth = 44;
constexpr int kCategoryWidth = 64;

const char* const kSubjects[] = {"Project review", "Dentist", "Call back about the offer", "Lunch",
                                 "Quarterly figures for the board meeting", "Pick up the car", "Team meeting"};
const char* const kPeople[] = {"Anna Berg", "Tom Novak", "Eva Lind", "Jon Ruiz", "Mia Holt"};
const char* const kCategories[] = {"Business", "Personal", "Holiday", "Ideas"};
const char* const kColours[] = {"#C00000", "#0060C0", "#008000", "#808080"};

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

struct Row {
    std::u16string ours[3];
    std::string pango[3];
};

const std::vector<Row>& Rows()
{
    static const std::vector<Row> rows = [] {
        std::vector<Row> out(kVariants);
        for (int i = 0; i < kVariants; ++i) {
            char time[16];
            std::snprintf(time, sizeof time, "%d:%02d", 7 + i % 12, i % 4 * 15);
            const std::string subject = kSubjects[i % 7], person = kPeople[i % 5], category = kCategories[i % 4];
            const std::string colour = kColours[i % 4], room = "Room " + std::to_string(i % 40);
            Row& r = out[static_cast<size_t>(i)];
            r.ours[0] = Wide("<FONT SIZE=-1 COLOR=#808080>" + std::string(time) + "</FONT>");
            r.pango[0] = "<span size=\"smaller\" foreground=\"#808080\">" + std::string(time) + "</span>";
            r.ours[1] = Wide("<B>" + subject + "</B><BR><FONT COLOR=" + colour + ">" + room + "</FONT> with <A=\"contact:" +
                             std::to_string(i) + "\">" + person + "</A>");
            r.pango[1] = "<b>" + subject + "</b>\n<span foreground=\"" + colour + "\">" + room +
                         "</span> with <span foreground=\"#0000FF\" underline=\"single\">" + person + "</span>";
            r.ours[2] = Wide("<P RIGHT><FONT SIZE=-1 COLOR=" + colour + ">" + category + "</FONT>");
            r.pango[2] = "<span size=\"smaller\" foreground=\"" + colour + "\">" + category + "</span>";
        }
        return out;
    }();
    return rows;
}

// ---- Ours: the grid on a parent that answers its cell requests ----

long long g_requests = 0;

LRESULT ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == GN_GETCELLDATA) {
        auto* request = reinterpret_cast<GRIDCELLREQUEST*>(lParam);
        const auto row = static_cast<size_t>(request->hdr.idFrom >> 16);
        const auto col = static_cast<size_t>(request->hdr.idFrom & 0xFFFF);
        request->text = Rows()[row % kVariants].ours[col].c_str();
        request->margins = RECT{2, 2, 2, 2};
        ++g_requests;
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND Parent()
{
    static const HWND parent = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ParentProc;
        wc.lpszClassName = u"GridBenchParent";
        RegisterClassW(&wc);
        return CreateWindowExW(0, u"GridBenchParent", u"", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr,
                               nullptr, nullptr, nullptr);
    }();
    return parent;
}

std::unique_ptr<CHTMLGrid> MakeGrid()
{
    const RECT rc{0, 0, kWidth, kHeight};
    auto grid = std::make_unique<CHTMLGrid>(Parent(), &rc, true, u"bench");
    grid->BeginUpdate();
    grid->SetDimensions(kRows, 3);
    grid->SetColWidth(0, kTimeWidth);
    grid->SetColWidth(2, kCategoryWidth);
    grid->SetShowHLines(true);
    grid->EndUpdate();
    UpdateWindow(grid->GetHwnd());
    return grid;
}

void BM_Setup_Ours(benchmark::State& state)
{
    const long long before = g_requests;
    for (auto _ : state) {
        std::unique_ptr<CHTMLGrid> grid = MakeGrid();
        benchmark::DoNotOptimize(grid->GetTotalHeight());
        state.PauseTiming();
        grid.reset();
        state.ResumeTiming();
    }
    state.counters["requests"] = static_cast<double>(g_requests - before) / static_cast<double>(state.iterations());
}

// Frames scrolling down; at the end of the list the top goes back untimed.
template <typename Step>
void ScrollFrames(benchmark::State& state, Step step)
{
    std::unique_ptr<CHTMLGrid> grid = MakeGrid();
    long long requests = 0;
    for (auto _ : state) {
        const long long before = g_requests;
        step(*grid);
        UpdateWindow(grid->GetHwnd());
        requests += g_requests - before;
        if (grid->GetTopRow() > kRows - 100) {
            state.PauseTiming();
            grid = MakeGrid();
            state.ResumeTiming();
        }
    }
    state.counters["requests"] = static_cast<double>(requests) / static_cast<double>(state.iterations());
}

void BM_ScrollLine_Ours(benchmark::State& state)
{
    ScrollFrames(state, [](CHTMLGrid& grid) { grid.ScrollByRowDown(1); });
}

void BM_ScrollPage_Ours(benchmark::State& state)
{
    ScrollFrames(state, [](CHTMLGrid& grid) { grid.ScrollByPageDown(); });
}

// ---- The peer: a Pango/Cairo grid of the same columns ----

class PangoGrid {
public:
    PangoGrid()
        : m_surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight)), m_cr(cairo_create(m_surface))
    {
        m_layout = pango_cairo_create_layout(m_cr);
        PangoFontDescription* font = pango_font_description_from_string("Tahoma 11px");
        pango_layout_set_font_description(m_layout, font);
        pango_font_description_free(font);
        pango_layout_set_wrap(m_layout, PANGO_WRAP_WORD_CHAR);
    }
    ~PangoGrid()
    {
        g_object_unref(m_layout);
        cairo_destroy(m_cr);
        cairo_surface_destroy(m_surface);
    }
    PangoGrid(const PangoGrid&) = delete;
    PangoGrid& operator=(const PangoGrid&) = delete;

    // Paints the rows from `top` down until the surface is full; returns the
    // number of rows on it (a page).
    int Paint(int top)
    {
        const int widths[3] = {kTimeWidth, kWidth - kTimeWidth - kCategoryWidth, kCategoryWidth};
        cairo_set_source_rgb(m_cr, 1, 1, 1);
        cairo_paint(m_cr);
        int y = 0, shown = 0;
        for (int r = top; r < kRows && y < kHeight; ++r, ++shown) {
            const Row& row = Rows()[static_cast<size_t>(r % kVariants)];
            int height = 15;
            for (int c = 0; c < 3; ++c) {
                pango_layout_set_markup(m_layout, row.pango[c].c_str(), -1);
                pango_layout_set_width(m_layout, (widths[c] - 4) * PANGO_SCALE);
                int w = 0, h = 0;
                pango_layout_get_pixel_size(m_layout, &w, &h);
                height = std::max(height, h + 5);
            }
            int x = 0;
            for (int c = 0; c < 3; ++c) {
                pango_layout_set_markup(m_layout, row.pango[c].c_str(), -1);
                pango_layout_set_width(m_layout, (widths[c] - 4) * PANGO_SCALE);
                pango_layout_set_alignment(m_layout, c == 2 ? PANGO_ALIGN_RIGHT : PANGO_ALIGN_LEFT);
                cairo_set_source_rgb(m_cr, 0, 0, 0);
                cairo_move_to(m_cr, x + 2, y + 2);
                pango_cairo_show_layout(m_cr, m_layout);
                x += widths[c];
                cairo_set_source_rgb(m_cr, 0.5, 0.5, 0.5);
                cairo_rectangle(m_cr, x - 1, y, 1, height);
                cairo_fill(m_cr);
            }
            y += height;
            cairo_rectangle(m_cr, 0, y - 1, kWidth, 1);
            cairo_fill(m_cr);
        }
        cairo_surface_flush(m_surface);
        return shown;
    }

private:
    cairo_surface_t* m_surface;
    cairo_t* m_cr;
    PangoLayout* m_layout;
};

void BM_Setup_Peer(benchmark::State& state)
{
    for (auto _ : state) {
        PangoGrid grid;
        benchmark::DoNotOptimize(grid.Paint(0));
    }
}

template <typename Step>
void PeerFrames(benchmark::State& state, Step step)
{
    PangoGrid grid;
    int top = 0;
    int page = grid.Paint(top);
    for (auto _ : state) {
        top = step(top, page);
        if (top > kRows - 100) top = 0;
        page = std::max(1, grid.Paint(top) - 1);
    }
}

void BM_ScrollLine_Peer(benchmark::State& state)
{
    PeerFrames(state, [](int top, int) { return top + 1; });
}

void BM_ScrollPage_Peer(benchmark::State& state)
{
    PeerFrames(state, [](int top, int page) { return top + page; });
}

BENCHMARK(BM_Setup_Ours)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Setup_Peer)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScrollLine_Ours)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScrollLine_Peer)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScrollPage_Ours)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScrollPage_Peer)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    if (!Parent()) {
        std::fprintf(stderr, "no parent window\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
