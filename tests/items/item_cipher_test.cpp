// The item cipher: Blowfish against the published vectors, the enciphered text layout against
// ciphertext made by OpenSSL's own Blowfish, and Crypt on a stored appointment.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "items/item_cipher.h"
#include "tests/items/item_test_support.h"
#include "tests/support/scripted_ui_host.h"

using namespace itemtest;

namespace {

std::vector<BYTE> Bytes(const std::string& hex)
{
    std::vector<BYTE> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(static_cast<BYTE>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::string Hex(const std::u16string& units)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (char16_t unit : units) {
        for (int byte : {unit & 0xFF, unit >> 8}) {
            hex.push_back(digits[byte >> 4]);
            hex.push_back(digits[byte & 15]);
        }
    }
    return hex;
}

// Eric Young's ECB vectors as Bruce Schneier publishes them: key, clear text, cipher text.
struct Vector {
    const char* key;
    const char* clear;
    const char* cipher;
};
const Vector kEcbVectors[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
    {"07A1133E4A0B2686", "0248D43806F67172", "1730E5778BEA1DA4"},
    {"3849674C2602319E", "51454B582DDF440A", "A25E7856CF2651EB"},
    {"04B915BA43FEB5B6", "42FD443059577FA2", "353882B109CE8F1A"},
    {"0113B970FD34F2CE", "059B5E0851CF143A", "48F4D0884C379918"},
    {"0170F175468FB5E6", "0756D8E0774761D2", "432193B78951FC98"},
    {"43297FAD38E373FE", "762514B829BF486A", "13F04154D69D1AE5"},
    {"07A7137045DA2A16", "3BDD119049372802", "2EEDDA93FFD39C79"},
    {"04689104C2FD3B2F", "26955F6835AF609A", "D887E0393C2DA6E3"},
    {"37D06BB516CB7546", "164D5E404F275232", "5F99D04F5B163969"},
    {"1F08260D1AC2465E", "6B056E18759F5CCA", "4A057A3B24D3977B"},
    {"584023641ABA6176", "004BD6EF09176062", "452031C1E4FADA8E"},
    {"025816164629B007", "480D39006EE762F2", "7555AE39F59B87BD"},
    {"49793EBC79B3258F", "437540C8698F3CFA", "53C55F9CB49FC019"},
    {"4FB05E1515AB73A7", "072D43A077075292", "7A8E7BFA937E89A3"},
    {"49E95D6D4CA229BF", "02FE55778117F12A", "CF9C5D7A4986ADB5"},
    {"018310DC409B26D6", "1D9D5C5018F728C2", "D1ABB290658BC778"},
    {"1C587F1C13924FEF", "305532286D6F295A", "55CB3774D13EF201"},
    {"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
    {"1F1F1F1F0E0E0E0E", "0123456789ABCDEF", "A790795108EA3CAE"},
    {"E0FEE0FEF1FEF1FE", "0123456789ABCDEF", "C39E072D9FAC631D"},
    {"0000000000000000", "FFFFFFFFFFFFFFFF", "014933E0CDAFF6E4"},
    {"FFFFFFFFFFFFFFFF", "0000000000000000", "F21E9A77B71C49BC"},
    {"0123456789ABCDEF", "0000000000000000", "245946885754369A"},
    {"FEDCBA9876543210", "FFFFFFFFFFFFFFFF", "6B5C5A9C5D9E0A5A"},
};

TEST(ItemCipherBlocks, PublishedEcbVectorsBothWays)
{
    ASSERT_EQ(std::size(kEcbVectors), 34u);
    for (const Vector& v : kEcbVectors) {
        SCOPED_TRACE(v.key + std::string(" ") + v.clear);
        ItemCipher cipher(Bytes(v.key));
        std::vector<BYTE> block = Bytes(v.clear);
        ASSERT_TRUE(cipher.EncipherBlocks(block.data(), block.size()));
        EXPECT_EQ(block, Bytes(v.cipher));
        ASSERT_TRUE(cipher.DecipherBlocks(block.data(), block.size()));
        EXPECT_EQ(block, Bytes(v.clear));
    }
}

// Passphrase keys have any length, so the published vectors of growing key length (1 to 24 bytes
// of one key, clear text FEDCBA9876543210) matter as much as the fixed-length ones.
TEST(ItemCipherBlocks, PublishedVectorsForEveryKeyLengthUpTo24Bytes)
{
    const std::vector<BYTE> key = Bytes("F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677");
    const char* expected[] = {"F9AD597C49DB005E", "E91D21C1D961A6D6", "E9C2B70A1BC65CF3", "BE1E639408640F05",
                              "B39E44481BDB1E6E", "9457AA83B1928C0D", "8BB77032F960629D", "E87A244E2CC85E82",
                              "15750E7A4F4EC577", "122BA70B3AB64AE0", "3A833C9AFFC537F6", "9409DA87A90F6BF2",
                              "884F80625060B8B4", "1F85031C19E11968", "79D9373A714CA34F", "93142887EE3BE15C",
                              "03429E838CE2D14B", "A4299E27469FF67B", "AFD5AED1C1BC96A8", "10851C0E3858DA9F",
                              "E6F51ED79B9DB21F", "64A6E14AFD36B46F", "80C7D7D45A5479AD", "05044B62FA52D080"};
    for (size_t n = 1; n <= key.size(); ++n) {
        SCOPED_TRACE(n);
        ItemCipher cipher(std::vector<BYTE>(key.begin(), key.begin() + static_cast<std::ptrdiff_t>(n)));
        std::vector<BYTE> block = Bytes("FEDCBA9876543210");
        ASSERT_TRUE(cipher.EncipherBlocks(block.data(), block.size()));
        EXPECT_EQ(block, Bytes(expected[n - 1]));
    }
}

TEST(ItemCipherBlocks, RefusesPartialBlocksAndWorksOnlyWithAKey)
{
    ItemCipher cipher(Bytes("0123456789ABCDEF"));
    std::vector<BYTE> data(12, 7);
    EXPECT_FALSE(cipher.EncipherBlocks(data.data(), data.size()));
    EXPECT_EQ(data, std::vector<BYTE>(12, 7)) << "nothing changed";
    for (const WCHAR* none : {static_cast<const WCHAR*>(nullptr), u""}) {
        ItemCipher keyless(none);
        EXPECT_FALSE(keyless.HasKey());
        EXPECT_FALSE(keyless.EncipherBlocks(data.data(), 8));
        EXPECT_EQ(keyless.Encipher(u"Lunch"), u"");
    }
    struct {
        size_t in, out;
    } const lengths[] = {{0, 0}, {1, 8}, {8, 8}, {9, 16}, {28, 32}};
    for (auto l : lengths) EXPECT_EQ(ItemCipher::GetOutputLength(l.in), l.out) << l.in;
}

// The expected ciphertexts were made with OpenSSL ("openssl enc -bf-ecb -nopad" with the key
// 4b00650073007400720065006c000000, the passphrase "Kestrel" and its terminator in UTF-16 LE) over
// the text's UTF-16 LE bytes, its terminator and zero bytes up to a whole block.
TEST(ItemCipherText, LayoutMatchesAnIndependentBlowfishAndDeciphersBack)
{
    const ItemCipher cipher(u"Kestrel");
    struct Case {
        std::u16string text;
        const char* cipherHex;
    } const cases[] = {
        {u"Lunch at noon", "69158d6eeb456e89c6973ce84974742d3a80a0674fd333387e5a977425e3d8c4"},
        {u"abc", "5dcbd222f2d6ceae"},  // 6 text bytes, the terminator: exactly one block
        {u"abcd", "90075b3039bafacabc39da4cdfe42a2f"},  // 10 bytes: the terminator spills into a second block
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Hex(c.text));
        const std::u16string enciphered = cipher.Encipher(c.text);
        EXPECT_EQ(Hex(enciphered), c.cipherHex);
        EXPECT_EQ(cipher.Decipher(enciphered), c.text);
    }
    EXPECT_NE(ItemCipher(u"Kestrel2").Decipher(cipher.Encipher(u"Lunch at noon")), u"Lunch at noon");
}

// Deciphering takes the ciphertext's own blocks and no more: no block of zeros after them.
TEST(ItemCipherText, DeciphersPublishedCiphertextToItsClearTextAlone)
{
    struct Case {
        const char* key;
        const char* cipher;
        std::u16string clear;
    } const cases[] = {
        {"FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A", std::u16string(4, u'\xFFFF')},
        {"FEDCBA9876543210", "0ACEAB0FC6A0A28D", u"\x2301\x6745\xAB89\xEFCD"},
        {"3000000000000000", "7D856F9A613063F2", u"\x0010"},  // the clear text's zero ends the text
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cipher);
        const std::vector<BYTE> bytes = Bytes(c.cipher);
        std::u16string units;
        for (size_t i = 0; i < bytes.size(); i += 2) units.push_back(static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8));
        EXPECT_EQ(Hex(ItemCipher(Bytes(c.key)).Decipher(units)), Hex(c.clear));
        EXPECT_LE(ItemCipher(u"wrong").Decipher(units).size(), units.size()) << "garbage no longer than the ciphertext";
    }
}

}  // namespace

namespace {

// An appointment whose location refuses new text, passing everything else to a real one.
class RefusingLocation final : public IAppointment {
public:
    explicit RefusingLocation(IAppointment* inner) : m_inner(inner) {}
    HRESULT put_Location(BSTR) override { return E_FAIL; }
    HRESULT Save() override { ++saves; return m_inner->Save(); }
    int saves = 0;
#define KS_FORWARD(name, type) \
    HRESULT name(type value) override { return m_inner->name(value); }
    KS_FORWARD(get_Subject, BSTR*) KS_FORWARD(put_Subject, BSTR) KS_FORWARD(get_Location, BSTR*)
    KS_FORWARD(get_Categories, BSTR*) KS_FORWARD(put_Categories, BSTR) KS_FORWARD(get_Start, DATE*)
    KS_FORWARD(put_Start, DATE) KS_FORWARD(get_End, DATE*) KS_FORWARD(put_End, DATE) KS_FORWARD(get_Duration, LONG*)
    KS_FORWARD(put_Duration, LONG) KS_FORWARD(get_AllDayEvent, VARIANT_BOOL*) KS_FORWARD(put_AllDayEvent, VARIANT_BOOL)
    KS_FORWARD(get_BusyStatus, LONG*) KS_FORWARD(put_BusyStatus, LONG) KS_FORWARD(get_Sensitivity, LONG*)
    KS_FORWARD(put_Sensitivity, LONG) KS_FORWARD(get_MeetingStatus, LONG*) KS_FORWARD(put_MeetingStatus, LONG)
    KS_FORWARD(get_ReminderSet, VARIANT_BOOL*) KS_FORWARD(put_ReminderSet, VARIANT_BOOL)
    KS_FORWARD(get_ReminderMinutesBeforeStart, LONG*) KS_FORWARD(put_ReminderMinutesBeforeStart, LONG)
    KS_FORWARD(get_IsRecurring, VARIANT_BOOL*) KS_FORWARD(get_Body, BSTR*) KS_FORWARD(put_Body, BSTR)
    KS_FORWARD(get_BodyInk, BSTR*) KS_FORWARD(put_BodyInk, BSTR) KS_FORWARD(get_Recipients, IRecipients**)
    KS_FORWARD(Copy, IAppointment**) KS_FORWARD(GetRecurrencePattern, IRecurrencePattern**) KS_FORWARD(get_Oid, LONG*)
    KS_FORWARD(get_Application, IPOutlookApp**) KS_FORWARD(get_TimeZone, TIME_ZONE_INFORMATION*)
    KS_FORWARD(put_TimeZone, TIME_ZONE_INFORMATION*)
#undef KS_FORWARD
    HRESULT QueryInterface(REFIID iid, void** object) override { return m_inner->QueryInterface(iid, object); }
    HRESULT Send() override { return m_inner->Send(); }
    HRESULT Delete() override { return m_inner->Delete(); }
    HRESULT Cancel() override { return m_inner->Cancel(); }
    HRESULT Display() override { return m_inner->Display(); }
    HRESULT ClearRecurrencePattern() override { return m_inner->ClearRecurrencePattern(); }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }

private:
    IAppointment* m_inner;
};

class CryptTest : public ItemSandbox {
protected:
    LONG SavedAppointment(const std::u16string& subject, const std::u16string& location)
    {
        ComRef<IDispatch> created;
        EXPECT_EQ(app->CreateItem(olAppointmentItem, created.Put()), S_OK);
        auto item = ComRef<IAppointment>::Query(created.Get());
        EXPECT_EQ(item->put_Subject(OwnedBstr(subject)), S_OK);
        EXPECT_EQ(item->put_Location(OwnedBstr(location)), S_OK);
        EXPECT_EQ(item->put_Start(today + 0.5), S_OK);
        EXPECT_EQ(item->put_Duration(60), S_OK);
        EXPECT_EQ(item->Save(), S_OK);
        LONG oid = 0;
        item->get_Oid(&oid);
        return oid;
    }
    std::pair<std::u16string, std::u16string> Stored(LONG oid)
    {
        auto item = Open<IAppointment>(oid);
        if (!item) return {};
        return {Text(item.Get(), &IAppointment::get_Subject), Text(item.Get(), &IAppointment::get_Location)};
    }
    ScriptedUiHost host;
};

TEST_F(CryptTest, YesEnciphersBothFieldsNoDeciphersThemCancelAndNoPassphraseChangeNothing)
{
    const LONG oid = SavedAppointment(u"Lunch at noon", u"Harbour café");
    const ItemCipher reference(u"Kestrel");

    host.QueueAnswer(IDCANCEL);
    EXPECT_EQ(ItemCipher::Crypt(u"Kestrel", oid), ItemCipher::kCryptNothing);
    EXPECT_EQ(ItemCipher::Crypt(u"", oid), ItemCipher::kCryptNothing);
    EXPECT_EQ(host.MessageCount(), 1u) << "an empty passphrase asks nothing";
    EXPECT_EQ(Stored(oid).first, u"Lunch at noon");

    host.QueueAnswer(IDYES);
    EXPECT_EQ(ItemCipher::Crypt(u"Kestrel", oid), ItemCipher::kCryptEnciphered);
    EXPECT_EQ(Hex(Stored(oid).first), "69158d6eeb456e89c6973ce84974742d3a80a0674fd333387e5a977425e3d8c4");
    EXPECT_EQ(Stored(oid).second, reference.Encipher(u"Harbour café"));

    host.QueueAnswer(IDNO);
    EXPECT_EQ(ItemCipher::Crypt(u"Kestrel", oid), ItemCipher::kCryptDeciphered);
    EXPECT_EQ(Stored(oid), std::make_pair(std::u16string(u"Lunch at noon"), std::u16string(u"Harbour café")));
}

TEST_F(CryptTest, AFieldThatRefusesItsTextLeavesTheAppointmentUnsaved)
{
    const LONG oid = SavedAppointment(u"Lunch at noon", u"Harbour");
    auto real = Open<IAppointment>(oid);
    RefusingLocation refusing(real.Get());
    host.QueueAnswer(IDYES);
    EXPECT_EQ(ItemCipher(u"Kestrel").CryptItem(&refusing), ItemCipher::kCryptFailed);
    EXPECT_EQ(refusing.saves, 0);
    EXPECT_EQ(Text(real.Get(), &IAppointment::get_Subject), u"Lunch at noon") << "the subject is put back";
    EXPECT_EQ(host.LastMessage().flags & MB_ICONMASK, MB_ICONERROR);
}

TEST_F(CryptTest, BadInputLeavesTheStoreAsItWas)
{
    const LONG oid = SavedAppointment(u"Lunch at noon", u"");
    const LONG other = SavedAppointment(u"Dentist", u"Town");

    // A wrong passphrase deciphers to garbage, which is stored; the other appointment is untouched.
    host.QueueAnswers({IDYES, IDNO});
    ASSERT_EQ(ItemCipher::Crypt(u"Kestrel", oid), ItemCipher::kCryptEnciphered);
    EXPECT_EQ(ItemCipher::Crypt(u"wrong", oid), ItemCipher::kCryptDeciphered);
    EXPECT_NE(Stored(oid).first, u"Lunch at noon");
    EXPECT_EQ(Stored(oid).second, u"") << "an empty location stays empty";
    EXPECT_EQ(Stored(other), std::make_pair(std::u16string(u"Dentist"), std::u16string(u"Town")));

    // U+0871 enciphers under "Kestrel" to a block holding a zero code unit, which a text field
    // cannot keep: nothing is written and the user is told.
    const LONG zero = SavedAppointment(u"\u0871", u"Town");
    host.QueueAnswer(IDYES);
    EXPECT_EQ(ItemCipher::Crypt(u"Kestrel", zero), ItemCipher::kCryptNotPossible);
    EXPECT_EQ(Stored(zero), std::make_pair(std::u16string(u"\u0871"), std::u16string(u"Town")));
    EXPECT_EQ(host.LastMessage().flags & MB_ICONMASK, MB_ICONERROR);

    // No such appointment, and a task's OID: the appointment is not found.
    ComRef<IDispatch> task;
    ASSERT_EQ(app->CreateItem(olTaskItem, task.Put()), S_OK);
    auto taskItem = ComRef<ITask>::Query(task.Get());
    ASSERT_EQ(taskItem->put_Subject(OwnedBstr(u"Task")), S_OK);
    ASSERT_EQ(taskItem->Save(), S_OK);
    LONG taskOid = 0;
    taskItem->get_Oid(&taskOid);
    for (LONG missing : {LONG{0}, LONG{0x7FFF1234}, taskOid}) {
        const size_t before = host.MessageCount();
        EXPECT_EQ(ItemCipher::Crypt(u"Kestrel", missing), ItemCipher::kCryptFailed) << missing;
        ASSERT_EQ(host.MessageCount(), before + 1);
        EXPECT_NE(host.LastMessage().text.find(u"could not be found"), std::u16string::npos);
    }
}

}  // namespace
