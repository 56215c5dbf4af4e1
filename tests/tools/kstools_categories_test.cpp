// kstools categories: listing, adding and removing categories as a person
// at the command line does, checked through the list's JSON.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/kstools_home.h"

namespace {

using Json = nlohmann::json;

class KstoolsCategories : public KstoolsHome {
protected:
    Json List()
    {
        auto r = Run({"categories", "--json"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.exitCode == 0 ? Json::parse(r.out)["categories"] : Json::array();
    }
};

TEST_F(KstoolsCategories, CategoriesAreAddedListedAndRemoved)
{
    auto none = Run({"categories"});
    ASSERT_EQ(none.exitCode, 0) << none.err;
    EXPECT_EQ(none.out, "no categories\n");
    EXPECT_TRUE(List().empty());

    for (const char* name : {"Work", "Home", "Caf\xc3\xa9"}) {
        auto r = Run({"categories", "add", name});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find(name), std::string::npos) << r.out;
    }
    Json list = List();
    ASSERT_EQ(list.size(), 3u);
    // Name order, each with the index it was given in turn.
    EXPECT_EQ(list[0]["name"], "Caf\xc3\xa9");
    EXPECT_EQ(list[0]["index"], 2);
    EXPECT_EQ(list[1]["name"], "Home");
    EXPECT_EQ(list[1]["index"], 1);
    EXPECT_EQ(list[2]["name"], "Work");
    EXPECT_EQ(list[2]["index"], 0);
    EXPECT_NE(list[0]["oid"], list[1]["oid"]);
    EXPECT_EQ(list[0]["oid"].get<std::string>().rfind("0x", 0), 0u);
    EXPECT_EQ(list[0]["shown"], true);

    auto text = Run({"categories"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("    1  " + list[1]["oid"].get<std::string>()), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Home"), std::string::npos);

    auto r = Run({"categories", "remove", "Work"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(List().size(), 2u);
    ASSERT_EQ(Run({"categories", "add", "Sport"}).exitCode, 0);
    list = List();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[2]["name"], "Sport");
    EXPECT_EQ(list[2]["index"], 0) << "the removed category's index is taken again";
}

TEST_F(KstoolsCategories, MistakesAreRefusedWithAReason)
{
    ASSERT_EQ(Run({"categories", "add", "Work"}).exitCode, 0);
    struct {
        std::vector<std::string> args;
        int exitCode;
    } cases[] = {
        {{"categories", "add", "WORK"}, 1},     // exists, without case
        {{"categories", "remove", "work"}, 1},  // removal needs the exact name
        {{"categories", "add", "a,b"}, 2},      // cannot travel in a category text
    };
    for (const auto& c : cases) {
        auto r = Run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.back() << ": " << r.err;
        EXPECT_EQ(r.err.rfind("kstools: ", 0), 0u) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    const Json list = List();
    ASSERT_EQ(list.size(), 1u) << "nothing changed";
    EXPECT_EQ(list[0]["name"], "Work");
}

}  // namespace
