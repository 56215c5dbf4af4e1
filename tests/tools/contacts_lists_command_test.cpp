// kstools contacts recent and calls on a seeded store: what they list, and
// recent-contacts files that are cut, of another version or naming contacts
// that are gone, which are reported and left as they are.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/kstools_home.h"

namespace {

using Json = nlohmann::json;

class ContactsListsCommand : public KstoolsHome {
protected:
    void SetUp() override
    {
        KstoolsHome::SetUp();
        const auto r = Run({"store", "seed", "--appointments", "0", "--tasks", "0", "--contacts", "15"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        seeded_ = ReadHostFile(kRecentFile);
        ASSERT_GT(seeded_.size(), 31u);
    }
    static constexpr const char* kRecentFile = "Application Data/Corvid/RecentContacts.bin";
    std::string seeded_;
};

TEST_F(ContactsListsCommand, RecentListsTheFileInOrderAndReportsBadFilesWithoutChangingThem)
{
    const Json first = JsonOf(Run({"contacts", "recent", "--json"}));
    ASSERT_EQ(first["recent"].size(), 12u);
    for (const Json& c : first["recent"]) EXPECT_FALSE(c["fileAs"].get<std::string>().empty()) << c;

    // The seeded file with an OID of no contact put in front of its first element, and as version 2.
    std::string gone = seeded_, version2 = seeded_;
    gone[15] = static_cast<char>(gone[15] + 1);
    gone.insert(31, std::string("\x04\0\0\0\xEF\xBE\xAD\x0B", 8));
    version2[0] = '\x02';
    struct Row {
        const char* what;
        std::string file;
        int exitCode;
        const char* message;  // on stderr
    } rows[] = {
        {"a cut file", seeded_.substr(0, seeded_.size() - 3), 1, "is cut short"},
        {"version 2", version2, 1, "another version"},
        {"an OID of no contact", gone, 0, "1 recent contact(s) no longer exist and are not shown: 0x0BADBEEF"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        MakeHostFile(kRecentFile, row.file);
        const auto r = Run({"contacts", "recent", "--json"});
        EXPECT_EQ(r.exitCode, row.exitCode);
        EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err;
        if (r.exitCode == 0) {
            EXPECT_EQ(Json::parse(r.out)["recent"], first["recent"]);
        }
        EXPECT_EQ(ReadHostFile(kRecentFile), row.file) << "reading changed the file";
    }
}

TEST_F(ContactsListsCommand, CallsAreListedNewestFirstWithTheirContacts)
{
    const Json calls = JsonOf(Run({"contacts", "calls", "--json"}))["calls"];
    ASSERT_EQ(calls.size(), 40u);
    int known = 0, missed = 0;
    for (size_t i = 0; i < calls.size(); ++i) {
        const Json& c = calls[i];
        if (i > 0) {
            EXPECT_GE(calls[i - 1]["start"], c["start"]) << i;
        }
        known += !c["contact"].is_null() && !c["name"].get<std::string>().empty();
        missed += c["kind"] == "missed";
        if (c["kind"] == "missed") {
            EXPECT_EQ(c["durationSeconds"], 0) << c;
        }
    }
    EXPECT_GE(known, 20);
    EXPECT_GE(missed, 2);
    EXPECT_EQ(JsonOf(Run({"contacts", "calls", "--json", "--limit", "3"}))["calls"],
              Json(std::vector<Json>(calls.begin(), calls.begin() + 3)));
}

}  // namespace
