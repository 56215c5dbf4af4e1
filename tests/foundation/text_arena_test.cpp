#include "foundation/text_arena.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Copies of every length, from empty to longer than a block, keep their
// texts and terminators while later copies fill the blocks; copies share a
// block while they fit, and Clear gives every block back.
TEST(TextArena, CopiesKeepTheirTextsAcrossBlocksAndShareThem)
{
    TextArena arena(64);
    std::vector<std::u16string> texts;
    std::vector<const WCHAR*> copies;
    for (size_t n : {0, 1, 15, 16, 17, 40, 63, 64, 200, 5, 30}) {
        std::u16string text(n, u'a');
        for (size_t i = 0; i < n; ++i) text[i] = static_cast<char16_t>(u'a' + (texts.size() + i) % 26);
        copies.push_back(arena.Copy((text + u"-tail").c_str(), n));
        texts.push_back(text);
    }
    for (size_t k = 0; k < texts.size(); ++k) EXPECT_EQ(std::u16string(copies[k], texts[k].size() + 1), texts[k] + u'\0');
    // Up to 17 characters and the 5 fit the first block; each later copy
    // longer than a quarter of a block and than what is left gets its own.
    EXPECT_EQ(arena.CapacityChars(), 64u + 41 + 64 + 65 + 201 + 31);
    arena.Clear();
    EXPECT_EQ(arena.CapacityChars(), 0u);
}
