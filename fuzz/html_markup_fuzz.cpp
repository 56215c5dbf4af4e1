// The mark-up parser and the mark-up text functions on arbitrary input. The
// first byte picks the bitmap scaling mode and the font quality, the rest is
// the UTF-16 mark-up. An owner window answers image requests by the name:
// names of odd length get a bitmap (an icon when they start with "i"), names
// starting with "n" are accepted without one, the others are refused.
// Besides running clean under the sanitizers: every token's length is its
// text's, plain text is never longer than the mark-up, and CloseTags writes
// one "/" per "<".
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "grid/grid_notify.h"
#include "grid/html_parser.h"
#include "grid/html_text.h"
#include "platform/gdi/bitmaps.h"
#include "platform/messaging/messages.h"
#include "platform/messaging/window.h"
#include "platform/text/wide_string.h"

namespace {

void Check(bool ok)
{
    if (!ok) std::abort();
}

LRESULT OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_NOTIFY) return DefWindowProcW(hwnd, message, wParam, lParam);
    static HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 12, 9);
    auto* request = reinterpret_cast<NM_IMAGENOTIFY*>(lParam);
    Check(request->hdr.code == GN_IMAGENOTIFY && request->hdr.idFrom == wcslen(request->name));
    if (request->name[0] == u'n') return 1;
    if (request->hdr.idFrom % 2 == 0) return 0;
    request->bitmap = bitmap;
    request->isIcon = request->name[0] == u'i';
    return 1;
}

HWND Owner()
{
    static HWND owner = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = OwnerProc;
        wc.lpszClassName = u"KsFuzzImageOwner";
        RegisterClassW(&wc);
        return CreateWindowExW(0, u"KsFuzzImageOwner", u"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr,
                               nullptr);
    }();
    return owner;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    std::u16string units((size - 1) / 2, u'\0');
    if (!units.empty()) std::memcpy(units.data(), data + 1, units.size() * 2);
    std::u16string markup = units.substr(0, units.find(u'\0'));

    CHTMLParser parser;
    parser.SetBitmapScaling(data[0] % 6);
    parser.SetFontQuality(data[0] >> 4);
    parser.SetHTML(markup.c_str());
    Check(parser.ParseHTML(Owner()) == 1);
    for (parser.FirstToken(); !parser.EndOfTokens(); parser.NextToken()) {
        int length = -1;
        const WCHAR* text = parser.GetCurrToken(&length);
        Check(text && static_cast<size_t>(length) == wcslen(text));
        int linkLength = -1;
        const WCHAR* link = parser.GetCurrHREF(&linkLength);
        Check(link ? static_cast<size_t>(linkLength) == wcslen(link) : linkLength == 0);
        Check((parser.GetCurrFont() != nullptr) == (parser.GetCurrTokenType() == TOKEN_TEXT));
        DWORD height = 0;
        bool draw = false;
        parser.GetCurrTokenBitmap(height, draw);
        if (data[0] & 8) parser.SetBookmark();
    }
    parser.GotoBookmark();
    WCHAR buf[17];
    parser.GetText(buf, 1 + data[0] % 16, data[0] & 1);
    Check(wcslen(buf) <= static_cast<size_t>(data[0] % 16));

    WCHAR* plain = HTMLToText(markup.c_str());
    Check(plain && wcslen(plain) <= markup.size());
    std::free(plain);

    std::u16string closed(markup.size() * 2 + 1, u'\0');
    CloseTags(markup.c_str(), closed.data());
    size_t brackets = 0;
    for (WCHAR c : markup) brackets += c == u'<';
    Check(wcslen(closed.c_str()) == markup.size() + brackets);

    DWORD color = 0;
    HTMLToColorRef(markup.c_str(), &color);
    GetHTMLEntity(markup.c_str());
    return 0;
}
