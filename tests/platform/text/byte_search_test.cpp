// FindBytes against std::string_view::find.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

#include "platform/text/byte_search.h"

namespace {

constexpr size_t npos = std::string_view::npos;

TEST(FindBytes, Places)
{
    // Pieces at and around the sixteen-byte steps, at both ends, overlapping
    // false starts, and texts shorter than one step.
    const std::string longText = std::string(40, 'x') + "heron" + std::string(3, 'x');
    const struct {
        std::string_view text, piece;
        size_t from, expected;
    } cases[] = {
        {"blue heron", "heron", 0, 5},
        {"blue heron", "blue", 0, 0},
        {"blue heron", "blue", 1, npos},
        {"blue heron", "", 0, npos},
        {"", "a", 0, npos},
        {"abc", "abcd", 0, npos},
        {"abc", "c", 3, npos},
        {"abc", "c", 4, npos},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "aab", 0, 27},
        {"abababababababababababababababac", "abac", 0, 28},
        {"0123456789abcdefXY", "fX", 0, 15},
        {"0123456789abcdefgXY", "gX", 0, 16},
        {"0123456789abcdefghijklmnopqrstuvwxyz", "pqrstuvwxyz", 0, 25},
        {"hxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxn heron", "heron", 0, 37},
        {"hero heroN heron", "heron", 0, 11},
        {longText, "heron", 0, 40},
        {longText, "heron", 41, npos},
        {longText, "x", 45, 45},
        {"\xc3\xa9t\xc3\xa9 \xc3\xa9t\xc3\xa9", "\xc3\xa9 \xc3", 0, 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::FindBytes(c.text, c.piece, c.from), c.expected)
            << "'" << c.text << "' '" << c.piece << "' from " << c.from;
}

TEST(FindBytes, AgreesWithFindOnRandomTexts)
{
    // A three-letter alphabet makes partial matches common at every place.
    std::mt19937 rng(25);
    for (int round = 0; round < 4000; ++round) {
        std::string text(rng() % 70, 'a'), piece(1 + rng() % 6, 'a');
        for (char& c : text) c = static_cast<char>('a' + rng() % 3);
        for (char& c : piece) c = static_cast<char>('a' + rng() % 3);
        const size_t from = rng() % (text.size() + 2);
        ASSERT_EQ(platform::FindBytes(text, piece, from), std::string_view(text).find(piece, from))
            << "'" << text << "' '" << piece << "' from " << from;
    }
}

}  // namespace
