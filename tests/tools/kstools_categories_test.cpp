// kstools categories: listing, adding and removing categories as a person
// at the command line does, checked through the list's JSON.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/kstools_home.h"

namespace {

using Json = nlohmann::json;

class KstoolsCategories : public KstoolsHome {
protected:
    Json List() { return JsonOf(Run({"categories", "--json"}))["categories"]; }
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
    // Name order, each with the index it was given in turn and an OID of its own.
    std::vector<std::string> oids;
    for (Json& c : list) oids.push_back(c["oid"]), c.erase("oid");
    EXPECT_EQ(list, Json::parse(R"([{"name": "Caf\u00e9", "index": 2, "shown": true},
        {"name": "Home", "index": 1, "shown": true}, {"name": "Work", "index": 0, "shown": true}])"));
    EXPECT_EQ(oids[0].rfind("0x", 0), 0u);
    EXPECT_NE(oids[0], oids[1]);

    auto text = Run({"categories"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("    1  " + oids[1]), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Home"), std::string::npos);

    auto r = Run({"categories", "remove", "Work"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(List().size(), 2u);
    ASSERT_EQ(Run({"categories", "add", "Sport"}).exitCode, 0);
    list = List();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[2]["name"], "Sport");
    EXPECT_EQ(list[2]["index"], 0) << "the removed category's index is taken again";

    // A name that exists without case is refused; removal needs the exact name.
    for (const char* mistake : {"add", "remove"}) {
        auto refused = Run({"categories", mistake, "SPORT"});
        EXPECT_EQ(refused.exitCode, 1) << mistake;
        EXPECT_EQ(refused.err.rfind("kstools: ", 0), 0u) << refused.err;
        EXPECT_TRUE(refused.out.empty()) << refused.out;
    }
    EXPECT_EQ(List(), list) << "nothing changed";
}

}  // namespace
