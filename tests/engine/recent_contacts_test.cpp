// The recent-contacts list kept in its file: marking contacts as opened.
#include "engine/recent_contacts.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/text/utf8.h"
#include "tests/storage/settings_test_support.h"

namespace {

using Oids = std::vector<CEOID>;

Oids Range(CEOID from, CEOID to)
{
    Oids out;
    for (CEOID oid = from; from <= to ? oid <= to : oid >= to; from <= to ? ++oid : --oid) out.push_back(oid);
    return out;
}

class RecentContactsTest : public SettingsSandbox {
protected:
    // The file's place under the sandbox, as DeviceSandbox names host files.
    std::string Relative() const
    {
        std::string path = WideToUtf8(CRecentContacts::FilePath().c_str());
        for (char& c : path)
            if (c == '\\') c = '/';
        return path.substr(1);
    }
    Oids Stored() const
    {
        CRecentContacts recent;
        EXPECT_EQ(recent.Load(), CELISTFILE_OK);
        return Oids(recent.Oids().begin(), recent.Oids().end());
    }
};

TEST_F(RecentContactsTest, MarkingPutsTheContactFirstOnceAndKeepsFifty)
{
    // The file holding 7 and 8 (newest first) as another version, cut short, or as it should be.
    std::string good(
        "\x01\x0A\0\0\0"
        "RECENT101",
        15);
    // Count, current position, index base, element size, then two OIDs.
    for (unsigned field : {2u, 0u, 0u, 0u, 4u, 7u, 4u, 8u}) good += std::string({char(field), 0, 0, 0});
    struct Row {
        const char* what;
        std::string fileBefore;  // "" none
        Oids marks;
        Oids expected;
    } rows[] = {
        {"three new contacts", "", {1, 2, 3}, {3, 2, 1}},
        {"an OID already listed moves to the front", "", {1, 2, 3, 2}, {2, 3, 1}},
        {"the last one again changes nothing", "", {1, 2, 2}, {2, 1}},
        {"51 contacts: the oldest falls out", "", Range(1, 51), Range(51, 2)},
        {"OID 0 names no contact", "", {0}, {}},
        {"a good file", good, {9}, {9, 7, 8}},
        {"a listed OID of a good file", good, {8}, {8, 7}},
        {"a file of version 2 is started again", "\x02" + good.substr(1), {9}, {9}},
        {"a cut file is started again", good.substr(0, good.size() - 2), {9}, {9}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::remove(Host(Relative()).c_str());
        if (!row.fileBefore.empty()) MakeHostFile(Relative(), row.fileBefore);
        for (CEOID oid : row.marks) EXPECT_EQ(CRecentContacts::MarkRecent(oid), CELISTFILE_OK);
        EXPECT_EQ(Stored(), row.expected);
    }
}

}  // namespace
