// Parsing and drawing mark-up on a canvas with the pinned test font, with an
// owner window that answers image requests, and the default font's extents
// to compare layouts with.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "grid/grid_notify.h"
#include "grid/html_draw.h"
#include "grid/html_parser.h"
#include "platform/gdi/display_metrics.h"
#include "platform/gdi/fonts.h"
#include "platform/text/utf8.h"
#include "tests/platform/gdi/canvas.h"
#include "tests/support/test_windows.h"

namespace kstest {

class MarkupTest : public ::testing::Test {
protected:
    void SetUp() override { platform::PinTestFont("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"); }
    void TearDown() override
    {
        platform::SetDisplayScale(1);
        platform::PinTestFont("");
    }

    void Parse(const std::u16string& markup, DWORD scaling = 0)
    {
        text_ = markup;
        parser_.SetBitmapScaling(scaling);
        parser_.SetHTML(text_.c_str());
        parser_.ParseHTML(images_.Hwnd());
    }

    CHotSpotArray Draw(const std::u16string& markup, RECT rc, int indent = 0, DWORD scaling = 0)
    {
        Parse(markup, scaling);
        CHotSpotArray spots;
        DrawHTML(canvas_.dc.Get(), &rc, static_cast<unsigned short>(indent), &parser_, &spots, 0, 0);
        return spots;
    }

    RECT Measure(const std::u16string& markup, RECT rc, int indent = 0, DWORD scaling = 0)
    {
        Parse(markup, scaling);
        MeasureHTML(canvas_.dc.Get(), &rc, static_cast<unsigned short>(indent), &parser_);
        return rc;
    }

    // The font of text without tags, and extents in it.
    static platform::OwnedFont DefaultFont()
    {
        LOGFONTW lf{};
        lf.lfHeight = 11 * platform::DisplayScale();
        lf.lfWeight = FW_NORMAL;
        lf.lfCharSet = 255;
        return platform::OwnedFont(CreateFontIndirectW(&lf));
    }
    SIZE Extent(const std::u16string& text)
    {
        const platform::OwnedFont font = DefaultFont();
        HGDIOBJ old = SelectObject(canvas_.dc.Get(), font.Get());
        SIZE size{};
        GetTextExtentPoint32W(canvas_.dc.Get(), text.data(), static_cast<int>(text.size()), &size);
        SelectObject(canvas_.dc.Get(), old);
        return size;
    }
    int Width(const std::u16string& text) { return Extent(text).cx; }
    int LineHeight() { return Extent(u"x").cy; }

    // Images are named "WxH" (a file bitmap) or "iWxH" (from the icon set):
    // red inside a one-pixel frame of the transparent green.
    LRESULT AnswerImage(UINT message, LPARAM lParam)
    {
        if (message != WM_NOTIFY) return 0;
        auto* request = reinterpret_cast<NM_IMAGENOTIFY*>(lParam);
        const std::string name = WideToUtf8(request->name);
        const bool icon = name[0] == 'i';
        int w = 0, h = 0;
        if (std::sscanf(name.c_str() + (icon ? 1 : 0), "%dx%d", &w, &h) != 2) return 0;
        auto& bitmap = bitmaps_[name];
        if (!bitmap) {
            bitmap = std::make_unique<Canvas>(w, h, RGB(0, 255, 0));
            RECT inner{1, 1, w - 1, h - 1};
            FillRect(bitmap->dc.Get(), &inner, platform::OwnedBrush(CreateSolidBrush(RGB(255, 0, 0))).Get());
        }
        request->bitmap = bitmap->bitmap.Get();
        request->isIcon = icon ? 1 : 0;
        return 1;
    }

    Canvas canvas_{240, 200};
    std::map<std::string, std::unique_ptr<Canvas>> bitmaps_;
    OwnWindow images_{[this](HWND, UINT message, WPARAM, LPARAM lParam) { return AnswerImage(message, lParam); }};
    CHTMLParser parser_;
    std::u16string text_;
};

}  // namespace kstest
