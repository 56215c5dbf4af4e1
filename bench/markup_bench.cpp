// Grid-cell mark-up against Pango on 20,000 cells shaped like the calendar
// and task lists' cells: times in a right-hand SPAN box, bold subjects, FONT
// colours and sizes, category pictures by IMG SRC, linked contact names and
// a second line. Pango gets the equivalent markup: the times as a smaller
// grey span, pictures as one symbol character (its markup has no images),
// links as underlined blue spans, line breaks as newlines.
//
//   Parse: CHTMLParser::ParseHTML (tokens with their fonts made, image
//     requests answered by an owner window) against pango_parse_markup.
//   ParseMeasure: ParseHTML and MeasureHTML at 200 pixels against
//     pango_layout_set_markup, pango_layout_set_width (200 pixels, word
//     wrap) and pango_layout_get_pixel_size.
//
// Before anything is timed every cell must parse on both sides.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "grid/grid_notify.h"
#include "grid/html_draw.h"
#include "grid/html_parser.h"
#include "platform/gdi/bitmaps.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/messaging/window.h"

// After our headers: glib defines TRUE and FALSE only when they are not yet.
#include <pango/pangocairo.h>

namespace {

constexpr int kCells = 20000;
constexpr int kWidth = 200;

struct Cell {
    std::u16string ours;
    std::string pango;
};

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

const char* const kSubjects[] = {"Project review", "Dentist", "Call back about the offer", "Lunch",
                                 "Quarterly figures for the board meeting", "Pick up the car", "Team meeting",
                                 "Send the signed contract", "Flight to Lisbon", "Buy a present"};
const char* const kPeople[] = {"Anna Berg", "Tom Novak", "Eva Lind", "Jon Ruiz", "Mia Holt"};
const char* const kCategories[] = {"Business", "Personal", "Holiday", "Ideas"};
const char* const kColours[] = {"#C00000", "#0060C0", "#008000", "#808080"};

// Cell i: even cells are calendar entries, odd ones tasks.
Cell MakeCell(int i)
{
    const std::string subject = kSubjects[i % 10], person = kPeople[i % 5], category = kCategories[i % 4];
    const std::string colour = kColours[i % 4];
    char time[32];
    std::snprintf(time, sizeof time, "%02d:%02d-%02d:%02d", 7 + i % 12, i % 4 * 15, 8 + i % 12, i % 4 * 15);
    std::string ours, pango;
    if (i % 2 == 0) {
        ours = "<SPAN><FONT SIZE=-1 COLOR=#808080>" + std::string(time) + "</FONT></SPAN><B>" + subject +
               "</B> <IMG SRC=\"" + category + ".bmp\"><BR><FONT COLOR=" + colour + ">Room " +
               std::to_string(i % 40) + "</FONT> with <A=\"contact:" + std::to_string(i) + "\">" + person + "</A>";
        pango = "<span size=\"smaller\" foreground=\"#808080\">" + std::string(time) + "</span> <b>" + subject +
                "</b> \u25A0\n<span foreground=\"" + colour + "\">Room " + std::to_string(i % 40) +
                "</span> with <span foreground=\"#0000FF\" underline=\"single\">" + person + "</span>";
    } else {
        ours = "<IMG SRC=10> <B>" + subject + "</B> <IMG SRC=\"" + category + ".bmp\"> <A=\"contact:" +
               std::to_string(i) + "\">" + person + "</A><BR><FONT SIZE=-1 COLOR=" + colour + ">Due " +
               std::to_string(1 + i % 28) + ".03.</FONT>";
        pango = "\u25A0 <b>" + subject + "</b> \u25A0 <span foreground=\"#0000FF\" underline=\"single\">" + person +
                "</span>\n<span size=\"smaller\" foreground=\"" + colour + "\">Due " + std::to_string(1 + i % 28) +
                ".03.</span>";
    }
    return {Wide(ours), pango};
}

const std::vector<Cell>& Cells()
{
    static const std::vector<Cell> cells = [] {
        std::vector<Cell> out;
        out.reserve(kCells);
        for (int i = 0; i < kCells; ++i) out.push_back(MakeCell(i));
        return out;
    }();
    return cells;
}

// The owner window answers every image request with one 16 × 16 picture,
// as the grid's picture cache does once it is warm.
HBITMAP g_picture = nullptr;

LRESULT OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NOTIFY) {
        auto* request = reinterpret_cast<NM_IMAGENOTIFY*>(lParam);
        if (request->hdr.code != GN_IMAGENOTIFY) return 0;
        request->bitmap = g_picture;
        request->isIcon = request->name[0] >= u'0' && request->name[0] <= u'9';
        return 1;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

struct Ours {
    Ours()
    {
        g_picture = CreateCompatibleBitmap(nullptr, 16, 16);
        WNDCLASSW wc{};
        wc.lpfnWndProc = OwnerProc;
        wc.lpszClassName = u"MarkupBenchOwner";
        RegisterClassW(&wc);
        owner = CreateWindowExW(0, u"MarkupBenchOwner", u"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
        dc = CreateCompatibleDC(nullptr);
        SelectObject(dc, CreateCompatibleBitmap(nullptr, kWidth, 100));
    }
    HWND owner = nullptr;
    HDC dc = nullptr;
};

Ours& OurSide()
{
    static Ours ours;
    return ours;
}

struct Peer {
    Peer()
    {
        fontMap = pango_cairo_font_map_new();
        context = pango_font_map_create_context(fontMap);
        layout = pango_layout_new(context);
        PangoFontDescription* font = pango_font_description_from_string("Tahoma 11px");
        pango_layout_set_font_description(layout, font);
        pango_font_description_free(font);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    }
    PangoFontMap* fontMap;
    PangoContext* context;
    PangoLayout* layout;
};

Peer& PeerSide()
{
    static Peer peer;
    return peer;
}

// Every cell parses on both sides, and our cells keep their pictures.
void CheckCells()
{
    CHTMLParser parser;
    for (const Cell& cell : Cells()) {
        parser.SetHTML(cell.ours.c_str());
        parser.ParseHTML(OurSide().owner);
        int images = 0;
        for (bool more = parser.FirstToken(); !parser.EndOfTokens(); parser.NextToken(), (void)more)
            images += parser.GetCurrTokenType() == TOKEN_IMAGE;
        if (images == 0) {
            std::fprintf(stderr, "a cell lost its pictures\n");
            std::abort();
        }
        if (!pango_parse_markup(cell.pango.c_str(), -1, 0, nullptr, nullptr, nullptr, nullptr)) {
            std::fprintf(stderr, "Pango refused: %s\n", cell.pango.c_str());
            std::abort();
        }
    }
}

void BM_Parse_Ours(benchmark::State& state)
{
    CHTMLParser parser;
    const HWND owner = OurSide().owner;
    for (auto _ : state) {
        for (const Cell& cell : Cells()) {
            parser.SetHTML(cell.ours.c_str());
            parser.ParseHTML(owner);
            benchmark::DoNotOptimize(parser.GetTokenCount());
        }
    }
    state.SetItemsProcessed(state.iterations() * kCells);
}

void BM_Parse_Peer(benchmark::State& state)
{
    for (auto _ : state) {
        for (const Cell& cell : Cells()) {
            PangoAttrList* attributes = nullptr;
            char* text = nullptr;
            pango_parse_markup(cell.pango.c_str(), -1, 0, &attributes, &text, nullptr, nullptr);
            benchmark::DoNotOptimize(text);
            pango_attr_list_unref(attributes);
            g_free(text);
        }
    }
    state.SetItemsProcessed(state.iterations() * kCells);
}

void BM_ParseMeasure_Ours(benchmark::State& state)
{
    CHTMLParser parser;
    const HWND owner = OurSide().owner;
    const HDC dc = OurSide().dc;
    for (auto _ : state) {
        for (const Cell& cell : Cells()) {
            parser.SetHTML(cell.ours.c_str());
            parser.ParseHTML(owner);
            RECT rc{0, 0, kWidth, 0};
            MeasureHTML(dc, &rc, 0, &parser);
            benchmark::DoNotOptimize(rc.bottom);
        }
    }
    state.SetItemsProcessed(state.iterations() * kCells);
}

void BM_ParseMeasure_Peer(benchmark::State& state)
{
    PangoLayout* layout = PeerSide().layout;
    for (auto _ : state) {
        for (const Cell& cell : Cells()) {
            pango_layout_set_markup(layout, cell.pango.c_str(), -1);
            pango_layout_set_width(layout, kWidth * PANGO_SCALE);
            int width = 0, height = 0;
            pango_layout_get_pixel_size(layout, &width, &height);
            benchmark::DoNotOptimize(height);
        }
    }
    state.SetItemsProcessed(state.iterations() * kCells);
}

BENCHMARK(BM_Parse_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Parse_Peer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseMeasure_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseMeasure_Peer)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    CheckCells();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
