// The trailing empty paragraph of rich notes.
#include <gtest/gtest.h>

#include <string>

#include "items/journal_notes.h"

namespace {

TEST(JournalNotes, TheTrailingParagraphOfLongerNotesBecomesOneBrace)
{
    const struct {
        const char* what;
        std::string text;
        std::string expected;
        bool changed;
    } rows[] = {
        {"the marker at the end", "{\\rtf1 abc\\par }", "{\\rtf1 abc}", true},
        {"ten bytes or fewer", "a\\par }", "a\\par }", false},
        {"exactly ten bytes", "xxxx\\par }", "xxxx\\par }", false},
        {"no marker", "plain text without marker", "plain text without marker", false},
        {"empty", "", "", false},
        {"a marker elsewhere still cuts the last six bytes", "{x\\par }tail123456", "{x\\par }tail}", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<BYTE> notes(row.text.begin(), row.text.end());
        EXPECT_EQ(DropTrailingEmptyParagraph(notes), row.changed);
        EXPECT_EQ(std::string(notes.begin(), notes.end()), row.expected);
    }
}

}  // namespace
