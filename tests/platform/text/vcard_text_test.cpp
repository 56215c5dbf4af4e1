// The vCard line layer: what writers of all three versions produce reads back as the values they meant,
// and what it writes stays within the line rules.
#include <gtest/gtest.h>

#include "platform/text/base64.h"
#include "platform/text/vcard_text.h"
#include "platform/text/utf8.h"

using namespace platform;

namespace {

std::string Value(const VCardReadResult& r, const char* name)
{
    if (r.cards.empty()) return "<no card>";
    const VCardProperty* p = r.cards[0].Find(name);
    return p ? WideToUtf8(UnescapeVCardText(p->value)) : "<none>";
}

}  // namespace

TEST(VCardText, ReadsTheFormsWritersUse)
{
    struct Case {
        const char* what;
        std::string text;
        const char* property;
        std::string value;
    } const cases[] = {
        {"CRLF folding drops one blank", "BEGIN:VCARD\r\nNOTE:ab\r\n  cd\r\n\tef\r\nEND:VCARD\r\n", "NOTE", "ab cdef"},
        {"bare LF", "BEGIN:VCARD\nFN:Ann\nEND:VCARD", "FN", "Ann"},
        {"bare CR", "BEGIN:VCARD\rFN:Ann\rEND:VCARD\r", "FN", "Ann"},
        {"escapes", "BEGIN:VCARD\nNOTE:a\\,b\\;c\\nd\\\\e\\:f\nEND:VCARD", "NOTE", "a,b;c\nd\\e:f"},
        {"quoted-printable with soft breaks and Latin-1",
         "BEGIN:VCARD\nNOTE;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:M=FCller=0D=0A=\nzwei =3D 2\nEND:VCARD", "NOTE",
         "M\xC3\xBCller\r\nzwei = 2"},
        {"bare QUOTED-PRINTABLE, UTF-8", "BEGIN:VCARD\nN;QUOTED-PRINTABLE;CHARSET=UTF-8:J=C3=B6rg\nEND:VCARD", "N",
         "J\xC3\xB6rg"},
        {"an '=' that is no escape stays", "BEGIN:VCARD\nNOTE;ENCODING=QUOTED-PRINTABLE:a=zz=4\nEND:VCARD", "NOTE",
         "a=zz=4"},
        {"Windows-1252 charset", "BEGIN:VCARD\nFN;CHARSET=windows-1252:\x80 5\nEND:VCARD", "FN", "\xE2\x82\xAC 5"},
        {"Shift_JIS charset", "BEGIN:VCARD\nFN;CHARSET=SHIFT_JIS:\x93\xfa\nEND:VCARD", "FN", "\xE6\x97\xA5"},
        {"bytes that are not UTF-8 read as Windows-1252", "BEGIN:VCARD\nFN:Z\xFCrich\nEND:VCARD", "FN",
         "Z\xC3\xBCrich"},
        {"lower-case names, groups", "begin:vcard\nitem1.tel:555\nend:vcard", "TEL", "555"},
        {"nested card skipped", "BEGIN:VCARD\nAGENT:\nBEGIN:VCARD\nFN:Inner\nEND:VCARD\nFN:Outer\nEND:VCARD", "FN",
         "Outer"},
    };
    for (const Case& c : cases) {
        const VCardReadResult r = ReadVCards(c.text);
        ASSERT_EQ(r.cards.size(), 1u) << c.what;
        EXPECT_EQ(Value(r, c.property), c.value) << c.what;
        EXPECT_TRUE(r.errors.empty()) << c.what << ": " << (r.errors.empty() ? "" : r.errors[0].message);
    }
}

TEST(VCardText, ParametersOfAllVersions)
{
    const VCardReadResult r = ReadVCards(
        "BEGIN:VCARD\nVERSION:4.0\nTEL;HOME;VOICE:1\nTEL;TYPE=\"work,cell\":2\nTEL;TYPE=fax;TYPE=home:3\n"
        "TEL;PREF=1:4\nX-A;X-P=\"a:b;c\",d;X-Q=1^n2^^3^'4:v\nEND:VCARD");
    ASSERT_EQ(r.cards.size(), 1u);
    const auto& p = r.cards[0].properties;
    ASSERT_EQ(p.size(), 5u);
    EXPECT_EQ(r.cards[0].version, "4.0");
    EXPECT_TRUE(p[0].HasType(u"home") && p[0].HasType(u"VOICE") && !p[0].HasType(u"WORK"));
    EXPECT_TRUE(p[1].HasType(u"WORK") && p[1].HasType(u"CELL"));
    EXPECT_TRUE(p[2].HasType(u"FAX") && p[2].HasType(u"HOME"));
    EXPECT_TRUE(p[3].HasType(u"PREF"));
    EXPECT_EQ(*p[4].Param("X-P"), (std::vector<std::u16string>{u"a:b;c", u"d"}));
    EXPECT_EQ(p[4].Param("X-Q")->front(), u"1\n2^3\"4");
    EXPECT_EQ(p[4].value, u"v");
    EXPECT_EQ(SplitVCardValue(u"Smith;Mary\\;Ann;;Dr.\\,", u';'),
              (std::vector<std::u16string>{u"Smith", u"Mary;Ann", u"", u"Dr.,"}));
}

TEST(VCardText, BrokenInputIsReportedPerCard)
{
    const VCardReadResult r = ReadVCards(
        "junk before\nBEGIN:VCARD\nFN:One\nno colon\nBAD NAME:x\nX-Q;X=\"open:v\nEND:VCARD\n"
        "BEGIN:VCARD\nFN;CHARSET=klingon:Two\nEND:VCARD\nBEGIN:VCARD\nFN:Three\n");
    ASSERT_EQ(r.cards.size(), 3u);
    std::vector<std::pair<size_t, int>> where;
    for (const VCardError& e : r.errors) where.push_back({e.card, e.line});
    EXPECT_EQ(where, (std::vector<std::pair<size_t, int>>{{0, 4}, {0, 5}, {0, 6}, {1, 9}, {2, 11}, {3, 1}}));
    EXPECT_EQ(WideToUtf8(r.cards[1].properties[0].value), "Two") << "an unknown charset reads as UTF-8";
    EXPECT_EQ(WideToUtf8(r.cards[2].properties[0].value), "Three") << "a card without END is kept";
    EXPECT_TRUE(ReadVCards("").cards.empty());
}

TEST(VCardText, WrittenLinesStayShortAndReadBack)
{
    // 'ü' takes two octets: folding must fall between characters.
    std::u16string text;
    for (int i = 0; i < 120; ++i) text += (i % 3) ? u'\u00FC' : u',';
    text += u"\r\nend";
    VCardWriter w;
    w.Begin("4.0");
    w.AddText("NOTE", {{"X-P", {u"a,b", u"q\"^"}}}, text);
    w.End();
    size_t start = 0;
    while (start < w.Text().size()) {
        const size_t end = w.Text().find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        EXPECT_LE(end - start, 75u);
        EXPECT_TRUE(Utf8ToWide(w.Text().substr(start, end - start)).find(u'\uFFFD') == std::u16string::npos);
        start = end + 2;
    }
    const VCardReadResult r = ReadVCards(w.Text());
    ASSERT_EQ(r.cards.size(), 1u);
    EXPECT_EQ(UnescapeVCardText(r.cards[0].properties[0].value), text.substr(0, 120) + u"\nend");
    EXPECT_EQ(*r.cards[0].properties[0].Param("X-P"), (std::vector<std::u16string>{u"a,b", u"q\"^"}));
}

TEST(Base64, PublishedVectorsAndDamage)
{
    // RFC 4648 section 10.
    const char* const vectors[][2] = {{"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},       {"foo", "Zm9v"},
                                      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}};
    for (const auto& v : vectors) {
        const std::string plain = v[0];
        EXPECT_EQ(Base64Encode(reinterpret_cast<const std::uint8_t*>(plain.data()), plain.size()), v[1]);
        const auto back = Base64Decode(std::string(v[1]) + "\r\n ");
        ASSERT_TRUE(back.has_value()) << v[1];
        EXPECT_EQ(std::string(back->begin(), back->end()), plain);
    }
    EXPECT_TRUE(Base64Decode("Zm9vYg").has_value()) << "padding may be left out";
    for (const char* bad : {"Zm9v!", "Z", "Zg==Zg==", "Zg==="}) EXPECT_FALSE(Base64Decode(bad).has_value()) << bad;
}
