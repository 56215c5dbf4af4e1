// The trailing empty paragraph of rich notes.
#include <gtest/gtest.h>

#include <string>

#include "items/journal_notes.h"

namespace {

std::string Dropped(const std::string& text, bool* changed = nullptr)
{
    std::vector<BYTE> notes(text.begin(), text.end());
    const bool c = DropTrailingEmptyParagraph(notes);
    if (changed) *changed = c;
    return std::string(notes.begin(), notes.end());
}

TEST(JournalNotes, TrailingParagraphBecomesOneBrace)
{
    bool changed = false;
    EXPECT_EQ(Dropped("{\\rtf1 abc\\par }", &changed), "{\\rtf1 abc}");
    EXPECT_TRUE(changed);
}

TEST(JournalNotes, ShortOrUnmarkedNotesStay)
{
    bool changed = true;
    EXPECT_EQ(Dropped("a\\par }", &changed), "a\\par }") << "ten bytes or fewer";
    EXPECT_FALSE(changed);
    EXPECT_EQ(Dropped("xxxx\\par }"), "xxxx\\par }") << "exactly ten bytes";
    EXPECT_EQ(Dropped("plain text without marker"), "plain text without marker");
    EXPECT_EQ(Dropped(""), "");
}

TEST(JournalNotes, MarkerElsewhereStillCutsTheLastSixBytes)
{
    EXPECT_EQ(Dropped("{x\\par }tail123456"), "{x\\par }tail}");
}

}  // namespace
