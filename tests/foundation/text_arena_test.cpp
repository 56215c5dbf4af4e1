#include "foundation/text_arena.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Copies of every length, from empty to longer than a block: each keeps its
// text and terminator while later copies fill the blocks, short copies share
// blocks, and Clear gives every block back.
TEST(TextArena, CopiesKeepTheirTextsAcrossBlocksAndShareThem)
{
    constexpr size_t kBlock = 64;
    TextArena arena(kBlock);
    const size_t lengths[] = {0, 1, 15, 16, 17, 40, 63, 64, 200, 5, 30};
    std::vector<std::u16string> texts;
    std::vector<const WCHAR*> copies;
    for (size_t n : lengths) {
        std::u16string text;
        for (size_t i = 0; i < n; ++i) text.push_back(static_cast<char16_t>(u'a' + (texts.size() + i) % 26));
        texts.push_back(text + u'\0' + u"tail");
        copies.push_back(arena.Copy(texts.back().c_str(), n));
        texts.back().resize(n);
        ASSERT_NE(copies.back(), nullptr);
    }
    for (size_t k = 0; k < texts.size(); ++k) {
        EXPECT_EQ(std::u16string(copies[k], texts[k].size() + 1), texts[k] + u'\0') << k;
    }
    // The copies up to 17 characters and the one of 5 fit in the first
    // block; each later one longer than a quarter of a block (with its
    // terminator) and too long for what is left gets a block of its own.
    EXPECT_EQ(arena.CapacityChars(), kBlock + 41 + 64 + 65 + 201 + 31);
    arena.Clear();
    EXPECT_EQ(arena.CapacityChars(), 0u);
    EXPECT_EQ(std::u16string(arena.Copy(u"again", 5)), u"again");
}
