// List box and combo box controls: their strings, read back through messages.
#include "platform/messaging/list_controls.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

// One control kind and its message numbers.
struct Kind {
    const WCHAR* className;
    UINT add, remove, reset, getText, getTextLength, getCount;
    const char* name;
};

const Kind kListBox{u"listbox", LB_ADDSTRING,  LB_DELETESTRING, LB_RESETCONTENT,
                    LB_GETTEXT, LB_GETTEXTLEN, LB_GETCOUNT,     "ListBox"};
const Kind kComboBox{u"combobox",  CB_ADDSTRING,    CB_DELETESTRING, CB_RESETCONTENT,
                     CB_GETLBTEXT, CB_GETLBTEXTLEN, CB_GETCOUNT,     "ComboBox"};

void PrintTo(const Kind& kind, std::ostream* out) { *out << kind.name; }

class StringControl : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override
    {
        hwnd_ = CreateWindowExW(0, GetParam().className, u"", 0, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(hwnd_, nullptr);
    }
    void TearDown() override { DestroyWindow(hwnd_); }

    LRESULT Send(UINT message, WPARAM wParam = 0, const WCHAR* text = nullptr)
    {
        return SendMessageW(hwnd_, message, wParam, reinterpret_cast<LPARAM>(text));
    }
    LRESULT Add(const WCHAR* text) { return Send(GetParam().add, 0, text); }
    std::vector<std::u16string> Strings()
    {
        std::vector<std::u16string> all;
        LRESULT count = Send(GetParam().getCount);
        for (LRESULT i = 0; i < count; ++i) {
            LRESULT length = Send(GetParam().getTextLength, static_cast<WPARAM>(i));
            std::u16string text(static_cast<size_t>(length) + 1, u'#');
            EXPECT_EQ(Send(GetParam().getText, static_cast<WPARAM>(i), text.data()), length);
            EXPECT_EQ(text.back(), u'\0') << "text not terminated";
            text.pop_back();
            all.push_back(text);
        }
        return all;
    }

    HWND hwnd_ = nullptr;
};

using Texts = std::vector<std::u16string>;

TEST_P(StringControl, StringsKeepTheirOrderApartFromTheWindowTextAndBadIndicesGiveErr)
{
    EXPECT_EQ(Send(GetParam().getCount), 0);
    EXPECT_EQ(Add(u"\\My Documents\\Work"), 0);
    EXPECT_EQ(Add(u""), 1);
    EXPECT_EQ(Add(u"Zürich"), 2);
    EXPECT_TRUE(SetWindowTextW(hwnd_, u"typed"));
    EXPECT_EQ(Strings(), (Texts{u"\\My Documents\\Work", u"", u"Zürich"}));
    EXPECT_EQ(Send(GetParam().getTextLength, 2), 6);
    EXPECT_EQ(GetWindowTextLengthW(hwnd_), 5);
    Add(u"dddd");
    EXPECT_EQ(Send(GetParam().remove, 1), 3);  // the number left
    EXPECT_EQ(Send(GetParam().remove, 2), 2);
    EXPECT_EQ(Strings(), (Texts{u"\\My Documents\\Work", u"Zürich"}));
    EXPECT_EQ(Send(GetParam().reset), 0);
    EXPECT_EQ(Send(GetParam().getCount), 0);
    EXPECT_EQ(Add(u"after"), 0);  // indices start over
    WCHAR buffer[16] = u"untouched";
    EXPECT_EQ(Send(GetParam().getText, 1, buffer), LB_ERR);
    EXPECT_EQ(std::u16string(buffer), u"untouched");
    EXPECT_EQ(Send(GetParam().getText, 0, nullptr), LB_ERR);
    EXPECT_EQ(Send(GetParam().getTextLength, static_cast<WPARAM>(-1)), LB_ERR);
    EXPECT_EQ(Send(GetParam().remove, 1), LB_ERR);
    EXPECT_EQ(Add(nullptr), LB_ERR);
    EXPECT_EQ(Strings(), (Texts{u"after"}));
}

INSTANTIATE_TEST_SUITE_P(Kinds, StringControl, ::testing::Values(kListBox, kComboBox),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ListControls, ClassesAreKnownByNameAndAnswerOnlyTheirOwnMessages)
{
    HWND list = CreateWindowExW(0, u"ListBox", nullptr, 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    HWND combo = CreateWindowExW(0, u"COMBOBOX", nullptr, 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(list && combo);  // class names compare without case
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"wrong"));
    SendMessageW(combo, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"wrong"));
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 0);
    DestroyWindow(list);
    DestroyWindow(combo);
}

}  // namespace
