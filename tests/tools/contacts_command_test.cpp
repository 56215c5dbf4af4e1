// kstools contacts on a small contact store: the stored format, group headers, searches and bad arguments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/objectstore/store_schema.h"
#include "tests/support/kstools_home.h"

namespace {

using Strings = std::vector<std::string>;

class KstoolsContacts : public KstoolsHome {
protected:
    void SetUp() override
    {
        KstoolsHome::SetUp();
        platform::CloseObjectStore();
        ASSERT_TRUE(PimDatabases::Ensure());
        Add(u"Ann", u"Lee", u"Acme");
        Add(u"Émile", u"Zola", u"Acme");
        Add(u"Bo", u"", u"");
    }
    void Add(std::u16string given, std::u16string surname, std::u16string company)
    {
        std::u16string fileAs = surname.empty() ? given : surname + u", " + given;
        kstest::PropList r;
        r.Add(kContactFirstName).lpwstr = given.data();
        if (!surname.empty()) r.Add(kContactLastName).lpwstr = surname.data();
        if (!company.empty()) r.Add(kContactCompanyName).lpwstr = company.data();
        r.Add(kContactFileAs).lpwstr = fileAs.data();
        ASSERT_NE(kstest::WritePimRecord(kContactsDatabase, r.props), 0u);
        platform::CloseObjectStore();
    }
    // The names or header texts of a run's rows.
    Strings Rows(Strings args)
    {
        args.insert(args.begin(), "contacts");
        args.push_back("--json");
        const nlohmann::json list = JsonOf(Run(args));
        Strings rows;
        for (const auto& row : list["rows"]) {
            rows.push_back(row["kind"] == "header" ? "[" + row["text"].get<std::string>() + " " +
                                                         std::to_string(row["members"].get<int>()) + "]"
                                                   : row["name"].get<std::string>());
        }
        return rows;
    }
};

TEST_F(KstoolsContacts, ListFollowsTheStoredFormatAndTheOptions)
{
    const struct {
        Strings args, rows;
    } cases[] = {
        {{}, {"Bo", "Lee, Ann", "Zola, Émile"}},
        {{"--format", "0"}, {"Ann Lee", "Bo", "Émile Zola"}},
        {{}, {"Ann Lee", "Bo", "Émile Zola"}},  // the format stays chosen
        {{"--search", "emi"}, {"Émile Zola"}},
        {{"--search", "acme", "--all-fields"}, {"Ann Lee", "Émile Zola"}},
        {{"--format", "2"}, {"[(none) 1]", "[Acme 2]"}},
        {{"--open", "acme"}, {"[(none) 1]", "[Acme 2]", "Lee, Ann", "Zola, Émile"}},
        {{"--format", "12"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        EXPECT_EQ(Rows(c.args), c.rows);
    }
}

TEST_F(KstoolsContacts, BadArgumentsAndMissingNamesFailWithAClearMessage)
{
    const struct {
        Strings args;
        int exitCode;
        std::string message;
    } cases[] = {
        {{"--open", "Acme"}, 2, "group view"},
        {{"--format", "2", "--open", "Nobody"}, 1, "no header \"Nobody\""},
        {{"--format", "5"}, 2, "not a display format"},
        {{"--format", "x"}, 2, "--format"},
        {{"--all-fields"}, 2, "--all-fields goes with --search"},
        {{"--search", ""}, 2, "non-empty"},
        {{"--category", "Nowhere"}, 1, "no category is named \"Nowhere\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        Strings args = c.args;
        args.insert(args.begin(), "contacts");
        const kstest::ChildResult r = Run(args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    // The bad formats left the stored one (2) as it was.
    EXPECT_EQ(Rows({}), (Strings{"[(none) 1]", "[Acme 2]"}));
}

}  // namespace
