// Parses on several threads at once share no state: each thread's token lists
// come out as they do alone.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/grid/markup_tokens.h"

namespace {

TEST(HtmlParserConcurrency, ThreadsParseAtOnceWithoutDisturbingEachOther)
{
    std::vector<std::u16string> markups;
    for (int k = 0; k < 4; ++k) {
        std::u16string m = u"<A=link" + std::u16string(k + 1, u'x') + u">";
        for (int i = 0; i < 50; ++i)
            m += (i + k) % 3 ? u"<B>b</B>\n<FONT SIZE=" + std::u16string(1, u'0' + k) + u" COLOR=#00FF00>f</FONT>"
                             : u"<P CENTER><I>i<SPAN>s</SPAN><TB>";
        markups.push_back(m);
    }
    std::vector<std::string> expected;
    for (const auto& m : markups) expected.push_back(kstest::Parse(m.c_str()));

    std::vector<int> mismatches(markups.size(), 0);
    std::vector<std::thread> threads;
    for (size_t k = 0; k < markups.size(); ++k)
        threads.emplace_back([&, k] {
            for (int round = 0; round < 40; ++round)
                if (kstest::Parse(markups[k].c_str()) != expected[k]) ++mismatches[k];
        });
    for (auto& t : threads) t.join();
    for (size_t k = 0; k < markups.size(); ++k) EXPECT_EQ(mismatches[k], 0) << k;
}

}  // namespace
