// The single-line edit control: typing, selection, limits, notices and painting.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gdi/device_context.h"
#include "platform/gdi/fonts.h"
#include "platform/gdi/system_metrics.h"
#include "platform/messaging/edit_control.h"
#include "platform/messaging/input.h"
#include "platform/messaging/painting.h"
#include "tests/support/test_windows.h"

namespace {

// A parent window that logs the edit notices, with one edit child that has the focus.
struct EditHost {
    explicit EditHost(DWORD style = ES_AUTOHSCROLL, int width = 200)
    {
        handler = [this](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m == WM_COMMAND) notices.push_back(HIWORD(w));
            return DefWindowProcW(h, m, w, l);
        };
        parent = kstest::CreateHandlerWindow(&handler, nullptr, WS_VISIBLE);
        edit = CreateWindowExW(0, WC_EDITW, u"", WS_CHILD | WS_VISIBLE | WS_BORDER | style, 0, 0, width, 20, parent,
                               reinterpret_cast<HMENU>(7), nullptr, nullptr);
        SetFocus(edit);
        notices.clear();
    }
    ~EditHost() { DestroyWindow(parent); }
    std::u16string Text() const
    {
        WCHAR buffer[256];
        GetWindowTextW(edit, buffer, 256);
        return buffer;
    }
    std::pair<DWORD, DWORD> Selection() const
    {
        DWORD start = 0, end = 0;
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return {start, end};
    }
    void Keys(const std::vector<UINT>& keys)
    {
        platform::InputScript script(edit);
        for (UINT vk : keys) script.Key(vk);
        kstest::PumpPending();
    }

    kstest::Handler handler;
    std::vector<WORD> notices;
    HWND parent, edit;
};

TEST(EditControl, TypingAndKeysEditAroundTheCaretAndSelection)
{
    struct Case {
        const char* name;
        std::u16string start;
        int selStart, selEnd;
        std::u16string typed;
        std::vector<UINT> keys;  // after typing
        std::u16string text;
        std::pair<DWORD, DWORD> selection;
    } cases[] = {
        {"typing at the end", u"ab", 2, 2, u"cd", {}, u"abcd", {4, 4}},
        {"typing replaces the selection", u"hello", 1, 4, u"E", {}, u"hEo", {2, 2}},
        {"backspace", u"abc", 3, 3, u"\b\b", {}, u"a", {1, 1}},
        {"backspace at the start", u"abc", 0, 0, u"\b", {}, u"abc", {0, 0}},
        {"backspace takes the selection", u"abcd", 3, 1, u"\b", {}, u"ad", {1, 1}},
        {"controls are not text", u"ab", 2, 2, u"\r\x1b\t", {}, u"ab", {2, 2}},
        {"left and right", u"abcd", 4, 4, u"", {VK_LEFT, VK_LEFT, VK_RIGHT}, u"abcd", {3, 3}},
        {"left collapses a selection", u"abcd", 1, 3, u"", {VK_LEFT}, u"abcd", {1, 1}},
        {"home, delete, end", u"abcd", 2, 2, u"", {VK_HOME, VK_DELETE, VK_END}, u"bcd", {3, 3}},
        {"delete at the end", u"ab", 2, 2, u"", {VK_DELETE}, u"ab", {2, 2}},
    };
    for (const auto& c : cases) {
        EditHost host;
        SetWindowTextW(host.edit, c.start.c_str());
        SendMessageW(host.edit, EM_SETSEL, static_cast<WPARAM>(c.selStart), c.selEnd);
        host.notices.clear();
        platform::InputScript(host.edit).Type(c.typed);
        kstest::PumpPending();
        host.Keys(c.keys);
        EXPECT_EQ(host.Text(), c.text) << c.name;
        EXPECT_EQ(host.Selection(), c.selection) << c.name;
        bool changed = c.text != c.start;
        EXPECT_EQ(!host.notices.empty(), changed) << c.name;
        if (changed) {
            EXPECT_EQ(host.notices.back(), EN_CHANGE) << c.name;
        }
    }
}

TEST(EditControl, LimitsReplaceSelAndTheNarrowFieldWithoutAutoScroll)
{
    EditHost host;
    SendMessageW(host.edit, EM_LIMITTEXT, 5, 0);
    platform::InputScript(host.edit).Type(u"abcdefg");
    kstest::PumpPending();
    EXPECT_EQ(host.Text(), u"abcde");
    SendMessageW(host.edit, EM_SETSEL, 1, 3);
    SendMessageW(host.edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(u"XYZW"));
    EXPECT_EQ(host.Text(), u"aXYde");  // the two taken out make room for two of the four
    EXPECT_EQ(SendMessageW(host.edit, WM_GETTEXTLENGTH, 0, 0), 5);
    SendMessageW(host.edit, EM_SETSEL, 0, -1);
    EXPECT_EQ(host.Selection(), (std::pair<DWORD, DWORD>{0, 5}));

    // A field 30 pixels wide takes only what fits without ES_AUTOHSCROLL, and everything with it.
    for (DWORD style : {ES_LEFT, ES_AUTOHSCROLL}) {
        EditHost narrow(style, 30);
        platform::InputScript(narrow.edit).Type(u"WWWWWWWWWWWWWWWW");
        kstest::PumpPending();
        EXPECT_EQ(narrow.Text().size() == 16, style == ES_AUTOHSCROLL);
        EXPECT_GT(narrow.Text().size(), 0u);
    }
}

TEST(EditControl, FocusNoticesATapPlacesTheCaretAndThePaintShowsTheText)
{
    EditHost host;
    SetWindowTextW(host.edit, u"iiiiiiii");
    SetFocus(host.parent);
    EXPECT_EQ(host.notices.back(), EN_KILLFOCUS);
    platform::InputScript(host.edit).Tap(190, 10);  // right of the text: the caret goes to its end
    kstest::PumpPending();
    EXPECT_EQ(GetFocus(), host.edit);
    EXPECT_EQ(host.notices.back(), EN_SETFOCUS);
    EXPECT_EQ(host.Selection(), (std::pair<DWORD, DWORD>{8, 8}));
    platform::InputScript(host.edit).Tap(1, 10);
    kstest::PumpPending();
    EXPECT_EQ(host.Selection(), (std::pair<DWORD, DWORD>{0, 0}));

    // The paint puts dark text on the window colour.
    SetWindowTextW(host.edit, u"MMMM");
    UpdateWindow(host.edit);
    HDC dc = GetDC(host.edit);
    int dark = 0;
    for (int x = 0; x < 60; ++x)
        for (int y = 0; y < 18; ++y) dark += GetPixel(dc, x, y) != GetSysColor(COLOR_WINDOW);
    ReleaseDC(host.edit, dc);
    EXPECT_GT(dark, 20);
}

}  // namespace
