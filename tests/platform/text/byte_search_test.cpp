// FindBytes against std::string_view::find.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

#include "platform/text/byte_search.h"

namespace {

TEST(FindBytes, AgreesWithFindAtEveryPlace)
{
    // A three-letter alphabet makes false starts common at every place,
    // texts up to 120 bytes put pieces on and across the sixteen-byte steps.
    std::mt19937 rng(25);
    for (int round = 0; round < 4000; ++round) {
        std::string text(rng() % 120, 'a'), piece(1 + rng() % 6, 'a');
        for (char& c : text) c = static_cast<char>('a' + rng() % 3);
        for (char& c : piece) c = static_cast<char>('a' + rng() % 3);
        if (round % 4 == 0 && text.size() > 40) {
            // A long piece taken from the text, its last byte sometimes
            // changed: the end bytes then lie sixteen or more bytes on.
            piece = text.substr(rng() % (text.size() - 40), 16 + rng() % 25);
            if (rng() % 2) piece.back() = static_cast<char>('a' + rng() % 3);
        }
        const size_t from = rng() % (text.size() + 2);
        ASSERT_EQ(platform::FindBytes(text, piece, from), std::string_view(text).find(piece, from))
            << "'" << text << "' '" << piece << "' from " << from;
    }
    EXPECT_EQ(platform::FindBytes("blue heron", ""), std::string_view::npos);
    EXPECT_EQ(platform::FindBytes(std::string(40, 'x') + "h\xc3\xa9ron", "h\xc3\xa9ron"), 40u);
}

}  // namespace
