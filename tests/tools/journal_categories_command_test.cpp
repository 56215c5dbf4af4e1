// kstools journal, categories and note: adding, listing, removing, and notes saved whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/kstools_home.h"

namespace {

using Json = nlohmann::json;

class KstoolsJournal : public KstoolsHome {
protected:
    Json List(std::vector<std::string> filters = {})
    {
        filters.insert(filters.begin(), {"journal", "--json"});
        return JsonOf(Run(filters))["entries"];
    }
    void Add(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"journal", "add"});
        auto r = Run(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out.rfind("added journal entry 0x", 0), 0u) << r.out;
    }
};

TEST_F(KstoolsJournal, AddedEntriesKeepTheirFields)
{
    auto none = Run({"journal"});
    ASSERT_EQ(none.exitCode, 0) << none.err;
    EXPECT_EQ(none.out, "no journal entries\n");
    EXPECT_TRUE(List().empty());

    Add({"Called Anna", "--parent", "0x10", "--parent-text", "Anna Berg", "--type", "Phone", "--notes",
         "Caf\xc3\xa9 at noon", "--start", "2026-03-14T09:30", "--duration", "15"});
    const Json list = List();
    ASSERT_EQ(list.size(), 1u);
    Json entry = list[0];
    for (const char* stamp : {"oid", "created", "modified"}) entry.erase(stamp);
    EXPECT_EQ(entry, Json::parse(R"({"subject": "Called Anna", "parent": "0x00000010", "parentText": "Anna Berg",
        "type": "Phone", "notes": "Caf\u00e9 at noon", "start": "2026-03-14T09:30:00", "duration": 15,
        "createdMissing": false, "numbers": [0, 0, 0], "pageFlag": false, "text3": ""})"));

    auto text = Run({"journal"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("2026-03-14T09:30:00  0x00000010  Phone  Called Anna"), std::string::npos) << text.out;
}

TEST_F(KstoolsJournal, ParentAndDateFiltersSelectEntries)
{
    Add({"first", "--parent", "16", "--start", "2026-03-01T08:00"});
    Add({"second", "--parent", "17", "--start", "2026-03-02T23:59"});
    Add({"third", "--parent", "16", "--start", "2026-03-03"});

    auto subjects = [](const Json& list) {
        std::vector<std::string> s;
        for (const auto& e : list) s.push_back(e["subject"]);
        std::sort(s.begin(), s.end());
        return s;
    };
    EXPECT_EQ(subjects(List({"--parent", "0x10"})), (std::vector<std::string>{"first", "third"}));
    EXPECT_EQ(subjects(List({"--parent", "99"})), std::vector<std::string>{});
    EXPECT_EQ(subjects(List({"--from", "2026-03-02", "--to", "2026-03-02"})), std::vector<std::string>{"second"})
        << "a bare --to date covers its whole day";
    EXPECT_EQ(subjects(List({"--from", "2026-03-01T08:01"})), (std::vector<std::string>{"second", "third"}));
    EXPECT_EQ(subjects(List({"--parent", "16", "--to", "2026-03-01"})), std::vector<std::string>{"first"});
}

class KstoolsCategories : public KstoolsHome {
protected:
    Json List() { return JsonOf(Run({"categories", "--json"}))["categories"]; }
};

TEST_F(KstoolsCategories, ColoursAreCheckedStoredAndListed)
{
    ASSERT_EQ(Run({"categories", "add", "Work"}).exitCode, 0);
    const struct {
        const char* colour;
        int exitCode;
        const char* listed;  // nullptr: no colour
    } cases[] = {
        {"#FF8000", 0, "#FF8000"}, {"00ff00", 0, "#00FF00"}, {"#000000", 0, "#010000"}, {"none", 0, nullptr},
        {"#1000000", 2, nullptr},  {"#GG0000", 2, nullptr},  {"#12345", 2, nullptr},    {"", 2, nullptr},
    };
    for (const auto& c : cases) {
        auto r = Run({"categories", "color", "Work", c.colour});
        EXPECT_EQ(r.exitCode, c.exitCode) << c.colour << ": " << r.err;
        if (c.exitCode != 0) {
            EXPECT_NE(r.err.find("#RRGGBB"), std::string::npos) << r.err;
            continue;
        }
        EXPECT_EQ(List()[0]["colour"], c.listed ? Json(c.listed) : Json()) << c.colour;
    }
    EXPECT_EQ(Run({"categories", "color", "work", "#123456"}).exitCode, 1);
}

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
    EXPECT_EQ(list, Json::parse(R"([
        {"name": "Caf\u00e9", "index": 2, "shown": true, "colour": null, "picture": "Caf\u00e9.bmp", "pictureFile": false},
        {"name": "Home", "index": 1, "shown": true, "colour": null, "picture": "Home.bmp", "pictureFile": true},
        {"name": "Work", "index": 0, "shown": true, "colour": null, "picture": "Work.bmp", "pictureFile": true}])"));
    EXPECT_EQ(oids[0].rfind("0x", 0), 0u);
    EXPECT_NE(oids[0], oids[1]);

    auto text = Run({"categories"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("    1  " + oids[1]), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Home"), std::string::npos);

    // Which index a new category takes is the category records' test.
    ASSERT_EQ(Run({"categories", "remove", "Work"}).exitCode, 0);
    list = List();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1]["name"], "Home");

    // A name that exists without case is refused; removal needs the exact name.
    for (const char* mistake : {"add", "remove"}) {
        auto refused = Run({"categories", mistake, "HOME"});
        EXPECT_EQ(refused.exitCode, 1) << mistake;
        EXPECT_EQ(refused.err.rfind("kstools: ", 0), 0u) << refused.err;
        EXPECT_TRUE(refused.out.empty()) << refused.out;
    }
    EXPECT_EQ(List(), list) << "nothing changed";
}

// Any text, in any script, is saved as a note and read back as it was.
TEST_F(KstoolsHome, NotesKeepEveryCharacter)
{
    const CEOID task = kstest::WritePimRecord(kTasksDatabase, {kstest::Prop(kTaskSubject, u"t")});
    const std::string oid = PropidText(task);
    for (const char* text :
         {"\u0395\u03bb\u03bb\u03ac\u03b4\u03b1 Za\u017c\u00f3\u0142\u0107 \u4e2d\u6587 \U0001F600", "caf\u00e9", ""}) {
        ASSERT_EQ(Run({"note", oid, "--set", text}).exitCode, 0) << text;
        EXPECT_EQ(JsonOf(Run({"note", oid, "--json"})), (Json{{"oid", oid}, {"note", text}}));
    }
    EXPECT_EQ(Run({"note", "0x7FFFFF0"}).exitCode, 1);
    EXPECT_EQ(Run({"note", "x"}).exitCode, 2);
}

}  // namespace
