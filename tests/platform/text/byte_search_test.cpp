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
    // texts up to 70 bytes put pieces on and across the sixteen-byte steps.
    std::mt19937 rng(25);
    for (int round = 0; round < 4000; ++round) {
        std::string text(rng() % 70, 'a'), piece(1 + rng() % 6, 'a');
        for (char& c : text) c = static_cast<char>('a' + rng() % 3);
        for (char& c : piece) c = static_cast<char>('a' + rng() % 3);
        const size_t from = rng() % (text.size() + 2);
        ASSERT_EQ(platform::FindBytes(text, piece, from), std::string_view(text).find(piece, from))
            << "'" << text << "' '" << piece << "' from " << from;
    }
    EXPECT_EQ(platform::FindBytes("blue heron", ""), std::string_view::npos);
    EXPECT_EQ(platform::FindBytes(std::string(40, 'x') + "h\xc3\xa9ron", "h\xc3\xa9ron"), 40u);
}

}  // namespace
