#include "tools/kstools/item_summary.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "grid/html_draw.h"
#include "grid/html_parser.h"
#include "grid/html_text.h"
#include "platform/gdi/bitmaps.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/gdi_owner.h"
#include "platform/gdi/png_writer.h"
#include "platform/text/utf8.h"
#include "tools/kstools/commands.h"

namespace kstools {

void WriteSummaryPng(const std::u16string& markup, const std::string& file)
{
    constexpr int kWidth = 240;
    CHTMLParser parser;
    parser.SetHTML(markup.c_str());
    parser.ParseHTML(nullptr);
    platform::OwnedDc dc(CreateCompatibleDC(nullptr));
    platform::OwnedBitmap probe(CreateCompatibleBitmap(nullptr, 1, 1));
    HGDIOBJ old = SelectObject(dc.Get(), probe.Get());
    RECT measured{0, 0, kWidth, 0};
    MeasureHTML(dc.Get(), &measured, 0, &parser);
    const int height = std::max<int>(1, std::min<int>(measured.bottom, 4000));
    platform::OwnedBitmap canvas(CreateCompatibleBitmap(nullptr, kWidth, height));
    if (!canvas) throw CommandError("cannot make the summary picture");
    SelectObject(dc.Get(), canvas.Get());
    RECT all{0, 0, kWidth, height};
    platform::OwnedBrush body(CreateSolidBrush(parser.GetBackColor(true)));
    FillRect(dc.Get(), &all, body.Get());
    DrawHTML(dc.Get(), &all, 0, &parser, nullptr, 0, 0);
    SelectObject(dc.Get(), old);
    if (!platform::WritePng(canvas.Get(), file)) throw CommandError("cannot write " + file);
}

std::string SummaryText(const std::u16string& markup)
{
    std::string result = WideToUtf8(SummaryPlainText(markup));
    if (result.empty() || result.back() != '\n') result.push_back('\n');
    return result;
}

}  // namespace kstools
