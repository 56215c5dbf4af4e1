// Rich text of the external notes program: its plain text, and rich text made from plain text.
#include <gtest/gtest.h>

#include "platform/ink/ink_rich_text.h"
#include "platform/text/utf8.h"

TEST(InkRichText, PlainTextOfRichText)
{
    const struct {
        const char16_t* rtf;
        const char16_t* plain;
    } cases[] = {
        {u"{\\rtf1\\ansi Two {\\b eggs}\\par and fl\\'6fur}", u"Two eggs\nand flour"},
        {u"{\\rtf1 caf\\u233?s \\u-3913?x}", u"caf\u00e9s \uf0b7x"},
        {u"{\\rtf1 a\\{b\\}c\\\\d\\line e}", u"a{b}c\\d\ne"},
        {u"{\\rtf1\\fs20-5 \\'zz \\'4}", u"'zz '4"},  // bad escapes keep their characters
        {u"trailing \\", u"trailing "},
        {u"", u""},
    };
    for (const auto& c : cases) EXPECT_EQ(WideToUtf8(platform::PlainTextOfRtf(c.rtf)), WideToUtf8(c.plain)) << WideToUtf8(c.rtf);
    EXPECT_TRUE(platform::IsRichText(u"{\\rtf1 x}"));
}

TEST(InkRichText, RichTextOfPlainTextReadsBack)
{
    EXPECT_EQ(platform::RtfOfPlainText(u"a{b}\\c\r\nd\u00e9"), "{\\rtf1\\ansi a\\{b\\}\\\\c\\par d\\u233?}");
    for (const char16_t* text : {u" lead", u"? after \u20ac?", u"5 \\par 6", u"\U0001F600"}) {
        const std::string rich = platform::RtfOfPlainText(text);
        EXPECT_EQ(WideToUtf8(platform::PlainTextOfRtf(std::u16string(rich.begin(), rich.end()))), WideToUtf8(text));
    }
}
