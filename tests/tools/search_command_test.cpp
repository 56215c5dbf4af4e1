// kstools search: hits of tasks and journal entries added through kstools, restricted by store and date, and
// the texts and options it refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/kstools_home.h"

namespace {

using Json = nlohmann::json;

class KstoolsSearch : public KstoolsHome {
protected:
    void SetUp() override
    {
        KstoolsHome::SetUp();
        for (std::vector<std::string> args : {std::vector<std::string>{"task", "add", "Call the plumber about the sink",
                                                                       "--due", "2026-12-10"},
                                              {"task", "add", "Buy milk"},
                                              {"journal", "add", "Sink repaired", "--start", "2026-12-03T10:00"}}) {
            auto r = Run(args);
            ASSERT_EQ(r.exitCode, 0) << r.err;
        }
    }
    std::vector<std::string> Hits(std::vector<std::string> args)
    {
        args.insert(args.begin(), "search");
        args.push_back("--json");
        auto r = Run(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        std::vector<std::string> hits;
        if (r.exitCode != 0) return hits;
        // The store, the day as stored and the text without the locale's short date in front.
        const Json result = JsonOf(r);  // kept alive: a range over a member of a temporary would dangle
        for (const Json& hit : result["hits"]) {
            std::string text = hit["text"];
            if (!text.empty() && text[0] == '[') text = text.substr(text.find_first_not_of(' ', text.find(']') + 1));
            hits.push_back(hit["store"].get<std::string>() + " " +
                           (hit["date"].is_null() ? std::string("-") : hit["date"].get<std::string>()) + " " + text);
        }
        return hits;
    }
};

TEST_F(KstoolsSearch, StoresDatesAndTheStartOfFields)
{
    using List = std::vector<std::string>;
    const std::string task = "task 2026-12-10 Call the plumber about the sink";
    const std::string journal = "journal 2026-12-03 Sink repaired";
    EXPECT_EQ(Hits({"sink"}), (List{task, journal}));
    EXPECT_EQ(Hits({"sink", "--in", "journal"}), (List{journal}));
    EXPECT_EQ(Hits({"sink", "--from", "2026-12-05", "--to", "2026-12-31"}), (List{task}));
    EXPECT_EQ(Hits({"sink", "--start"}), (List{journal}));
    EXPECT_EQ(Hits({"b?y*", "--start", "--in", "tasks"}), (List{"task - Buy milk"}));
    auto text = Run({"search", "nothing-like-this"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.out, "0 hits\n");
}

TEST_F(KstoolsSearch, RefusedTextsAndOptions)
{
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    } cases[] = {
        {{"search", ""}, 2, "the search text is empty"},
        {{"search", std::string(10000, 'a')}, 2, "longer than 1024 characters"},
        {{"search", "x", "--in", "mail"}, 2, "--in mail"},
        {{"search", "x", "--sort", "size"}, 2, "--sort size"},
        {{"search", "x", "--privacy", "secret"}, 2, "--privacy secret"},
        {{"search", "x", "--from", "2026-12-05", "--to", "2026-12-01"}, 2, "--to lies before --from"},
        {{"search", "x", "--category", "Nowhere"}, 1, "no category is named \"Nowhere\""},
    };
    for (const auto& c : cases) {
        auto r = Run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    // Only wildcards, only spaces: answers, no failure.
    EXPECT_EQ(Hits({"*?*"}).size(), 3u);
    EXPECT_TRUE(Hits({"   "}).empty());
}

}  // namespace
