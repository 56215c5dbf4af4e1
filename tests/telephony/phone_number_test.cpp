#include <gtest/gtest.h>

#include <string>

#include "telephony/phone_number.h"

namespace {

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

struct Case {
    const char* what;
    const char16_t* country;
    const char16_t* international;
    const char16_t* area;
    const char16_t* longDistance;
    const char16_t* prefix;
    bool dialArea;
    const char16_t* number;
    const char* dialled;
};

// A caller in London (country 44, trunk prefix 0, area 20, international 00)
// and one in Chicago (1, 1, 312, 011).
const Case kCases[] = {
    {"own country, other area", u"44", u"00", u"20", u"0", u"", false, u"+44 161 496 0000", "01614960000"},
    {"own country, own area: local", u"44", u"00", u"20", u"0", u"", false, u"+44 (20) 7946-0018", "79460018"},
    {"own country, own area, area asked", u"44", u"00", u"20", u"0", u"", true, u"+44 20 7946 0018", "2079460018"},
    {"other country", u"44", u"00", u"20", u"0", u"", false, u"+1 312 555 0100", "00 13125550100"},
    {"other country, no access prefix", u"44", u"", u"20", u"0", u"", false, u"+1 312 555 0100", "+13125550100"},
    {"no own country set", u"", u"00", u"20", u"0", u"", false, u"+44 20 7946 0018", "00 442079460018"},
    {"trunk prefix, own area", u"44", u"00", u"20", u"0", u"", false, u"020 7946 0018", "79460018"},
    {"trunk prefix, other area", u"44", u"00", u"20", u"0", u"", false, u"0161 496 0000", "01614960000"},
    {"local, area asked", u"44", u"00", u"20", u"0", u"", true, u"7946 0018", "2079460018"},
    {"local", u"44", u"00", u"20", u"0", u"", false, u"7946 0018", "79460018"},
    {"outside line", u"44", u"00", u"20", u"0", u"9,", false, u"+1 312 555 0100", "9,00 13125550100"},
    {"Chicago: long distance", u"1", u"011", u"312", u"1", u"", false, u"1-415-555-0100", "14155550100"},
    {"Chicago: own area", u"1", u"011", u"312", u"1", u"", false, u"+1 (312) 555-0100", "5550100"},
    {"Chicago: abroad", u"1", u"011", u"312", u"1", u"", false, u"+44 20 7946 0018", "011 442079460018"},
    {"nothing set", u"", u"", u"", u"", u"", false, u"(555) 123-4567 x", "5551234567x"},
    {"letters and pauses stay", u"", u"", u"", u"", u"", false, u"1-800-FLOWERS,,12#", "1800FLOWERS,,12#"},
    {"only separators", u"44", u"00", u"20", u"0", u"9", false, u" - () ", ""},
};

TEST(PhoneNumber, PreparationFollowsTheSettings)
{
    for (const Case& c : kCases) {
        PhoneSettings s;
        s.countryCode = c.country;
        s.international = c.international;
        s.areaCode = c.area;
        s.longDistance = c.longDistance;
        s.prefix = c.prefix;
        s.dialAreaCode = c.dialArea;
        bool tooLong = true;
        EXPECT_EQ(Narrow(PreparePhoneNumber(s, c.number, &tooLong)), c.dialled) << c.what;
        EXPECT_FALSE(tooLong) << c.what;
    }
}

TEST(PhoneNumber, OverlongNumbersAreRefused)
{
    PhoneSettings s;
    s.prefix = u"9,";
    struct {
        size_t length;
        bool refused;
    } cases[] = {{kMaxDialLength - 2, false}, {kMaxDialLength - 1, true}, {2000, true}, {100000, true}};
    for (const auto& c : cases) {
        bool tooLong = false;
        std::u16string dialled = PreparePhoneNumber(s, std::u16string(c.length, u'7'), &tooLong);
        EXPECT_EQ(tooLong, c.refused) << c.length;
        EXPECT_EQ(dialled.empty(), c.refused) << c.length;
    }
}

TEST(PhoneNumber, DialStringsKeepWhatEachDiallerUnderstands)
{
    struct {
        const char16_t* prepared;
        const char16_t* tones;
        const char* serial;
    } cases[] = {
        {u"00 1312-555)0100", u"0013125550100", "0013125550100"},
        {u"9,+44*12#(3", u"9,+44*12#(3", "9,+44123"},
        {u"ABC", u"ABC", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToneDialString(c.prepared), c.tones);
        EXPECT_EQ(SerialDialString(c.prepared), c.serial);
    }
}

}  // namespace
