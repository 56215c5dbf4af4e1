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
    // The summary's painter decodes no entities, and a '<' followed by a
    // zero-width space is text the user typed. Both are written as entities
    // here so that the conversion, which drops every tag and decodes every
    // entity, gives back what the picture shows. A picture that opens a line
    // (the reminder's bell) goes with the blanks that set it off from the
    // text, so that the line starts with its text.
    std::u16string guarded;
    guarded.reserve(markup.size());
    bool lineHasText = false;
    for (size_t i = 0; i < markup.size(); ++i) {
        const bool typedLess = markup[i] == u'<' && i + 1 < markup.size() && markup[i + 1] == u'\u200B';
        if (markup[i] == u'<' && !typedLess) {
            const size_t close = markup.find(u'>', i);
            if (close == std::u16string::npos) {
                guarded.append(markup, i);
                break;
            }
            guarded.append(markup, i, close + 1 - i);
            const bool picture = markup.compare(i, 5, u"<IMG ") == 0;
            if (markup.compare(i, 4, u"<BR>") == 0) lineHasText = false;
            i = close;
            if (picture && !lineHasText)
                while (i + 1 < markup.size() && markup[i + 1] == u' ') ++i;
            continue;
        }
        if (markup[i] == u'&') {
            guarded += u"&amp;";
        } else if (typedLess) {
            guarded += u"&lt;";
            ++i;
        } else {
            guarded.push_back(markup[i]);
        }
        lineHasText = markup[i] != u'\n';
    }
    const std::unique_ptr<WCHAR, decltype(&std::free)> plain(HTMLToText(guarded.c_str()), &std::free);
    if (!plain) throw CommandError("out of memory");
    std::u16string_view text(plain.get());
    text.remove_prefix(std::min(text.size(), text.find_first_not_of(u"\r\n")));
    std::string result = WideToUtf8(text);
    if (result.empty() || result.back() != '\n') result.push_back('\n');
    return result;
}

}  // namespace kstools
