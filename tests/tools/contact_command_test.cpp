// kstools contact: one contact shown, changed and beamed from the command line.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/objectstore/store_schema.h"
#include "tests/support/kstools_home.h"

namespace {

class KstoolsContact : public KstoolsHome {
protected:
    void SetUp() override
    {
        KstoolsHome::SetUp();
        platform::CloseObjectStore();
        ASSERT_TRUE(PimDatabases::Ensure());
        std::u16string first = u"Ann", last = u"Lee", fileAs = u"Lee, Ann";
        kstest::PropList r;
        r.Add(kContactFirstName).lpwstr = first.data();
        r.Add(kContactLastName).lpwstr = last.data();
        r.Add(kContactFileAs).lpwstr = fileAs.data();
        oid = std::to_string(kstest::WritePimRecord(kContactsDatabase, r.props));
        platform::CloseObjectStore();
    }
    std::string oid;
};

TEST_F(KstoolsContact, EditShowAndBeam)
{
    auto edited = Run({"contact", "edit", oid, "MobileTelephoneNumber=555 0101", "companyname=Acme",
                       "Birthday=1970-03-04", "Body=Likes tea", "--json"});
    ASSERT_EQ(edited.exitCode, 0) << edited.err;
    const nlohmann::json json = JsonOf(edited);
    EXPECT_EQ(json["MobileTelephoneNumber"], "555 0101");
    EXPECT_EQ(json["CompanyName"], "Acme");
    EXPECT_EQ(json["Birthday"], "1970-03-04");
    EXPECT_EQ(json["Body"], "Likes tea");
    EXPECT_EQ(json["FileAs"], "Lee, Ann");

    auto summary = Run({"contact", "show", oid, "--summary"});
    EXPECT_NE(summary.out.find("<A=\"TEL:555 0101\">"), std::string::npos) << summary.out;
    const std::filesystem::path png = HomeDir() / "contact.png";
    EXPECT_EQ(Run({"contact", "show", oid, "--png", png.string()}).exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(png));

    auto beamed = Run({"contact", "beam", oid});
    ASSERT_EQ(beamed.exitCode, 0) << beamed.err;
    EXPECT_EQ(beamed.out, "\\Outbox\\Lee, Ann.vcf\n");
    EXPECT_TRUE(std::filesystem::exists(HomeDir() / "device/Outbox/Lee, Ann.vcf"));

    const nlohmann::json copied = JsonOf(Run({"contact", "copy", oid, "--json"}));
    EXPECT_NE(std::to_string(copied["oid"].get<long>()), oid);
    EXPECT_EQ(copied["CompanyName"], "Acme");
    EXPECT_EQ(copied["Body"], "Likes tea");

    struct Bad {
        std::vector<std::string> args;
        int exitCode;
        const char* says;
    } const bad[] = {
        {{"contact", "show", "4242"}, 1, "no contact with OID"},
        {{"contact", "copy", "4242"}, 1, "no contact with OID"},
        {{"contact", "edit", oid, "Nickname=x"}, 2, "no contact field 'Nickname'"},
        {{"contact", "edit", oid, "novalue"}, 2, "not FIELD=VALUE"},
        {{"contact", "edit", oid, "CompanyName=" + std::string(70000, 'c')}, 1, "could not be saved"},
    };
    for (const Bad& b : bad) {
        auto r = Run(b.args);
        EXPECT_EQ(r.exitCode, b.exitCode) << b.args[1];
        EXPECT_NE(r.err.find(b.says), std::string::npos) << r.err;
    }
    EXPECT_EQ(JsonOf(Run({"contact", "show", oid, "--json"}))["CompanyName"], "Acme") << "a refused edit changes nothing";
}

}  // namespace
