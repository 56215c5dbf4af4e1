// The phone and text-message services through the library loader: absent by
// default, the project's plug-in registered, and libraries missing functions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "items/c_journal.h"
#include "platform/devices/phone_plugin.h"
#include "platform/modules/libraries.h"
#include "platform/objectstore/call_log.h"
#include "telephony/phone_edition.h"
#include "telephony/phone_tone.h"
#include "tests/storage/settings_test_support.h"
#include "tests/support/scripted_ui_host.h"

namespace {

class PhoneServices : public StoreSandbox {
protected:
    void TearDown() override
    {
        platform::UnregisterPhonePlugin();
        for (const char16_t* name : {u"sms.dll", u"phone.dll"}) platform::UnregisterLibrary(name);
        CPhoneEdition::Recheck();
        StoreSandbox::TearDown();
    }
    static HRESULT Send(CPhoneEdition& phone, const char16_t* address, const std::u16string& text)
    {
        SMS_ADDRESS to{};
        to.smsatAddressType = SMSAT_UNKNOWN;
        std::memcpy(to.ptsAddress, address, (std::char_traits<char16_t>::length(address) + 1) * sizeof(WCHAR));
        return phone.SmsSendMessage(&to, nullptr, reinterpret_cast<const BYTE*>(text.data()),
                                    static_cast<DWORD>(text.size() * sizeof(WCHAR)), SMS_OPTION_DELIVERY_NONE);
    }
};

TEST_F(PhoneServices, WithoutTheLibrariesNothingIsAttempted)
{
    CPhoneEdition::Recheck();
    EXPECT_FALSE(CPhoneEdition::IsPhoneEdition());
    CPhoneEdition phone;
    PHONEMAKECALLINFO info{sizeof info, PMCF_DEFAULT, u"5550100", nullptr, nullptr, nullptr};
    EXPECT_EQ(phone.PhoneMakeCall(&info), E_NOINTERFACE);
    EXPECT_EQ(phone.SmsOpenSend(), E_NOINTERFACE);
    std::vector<CCallLogEntry*> calls;
    EXPECT_EQ(phone.GetCallLog(calls), E_NOINTERFACE);
    std::vector<platform::CallLogEntry> log;
    ASSERT_TRUE(platform::ReadCallLog(log));
    EXPECT_TRUE(log.empty());
    // The telephone method dials nothing; no Bluetooth dialler either.
    CPhoneTone tone{PhoneSettings{}};
    EXPECT_EQ(tone.PlayPhoneNumber(u"5550100", KSDIAL_PHONE, nullptr, 0, nullptr), 0);
    EXPECT_EQ(tone.PlayPhoneNumber(u"5550100", KSDIAL_BTDIALER, nullptr, 0, nullptr), 0);
}

TEST_F(PhoneServices, CallsThroughThePluginReachTheCallLog)
{
    ASSERT_TRUE(platform::RegisterPhonePlugin());
    CPhoneEdition::Recheck();
    ASSERT_TRUE(CPhoneEdition::IsPhoneEdition());
    CPhoneTone tone{PhoneSettings{}};
    EXPECT_EQ(tone.PlayPhoneNumber(u"(555) 010-0", KSDIAL_PHONE, nullptr, 0, u"Ann Lee"), 1);
    EXPECT_EQ(tone.PlayPhoneNumber(u"+44 20 7946 0018", KSDIAL_BTDIALER, nullptr, 0, nullptr), 1);
    EXPECT_EQ(tone.PlayPhoneNumber(u"555 0101", KSDIAL_PHONE_OR_TONES, nullptr, 0, u"Bo"), 1);

    CPhoneEdition phone;
    struct Query {
        const char16_t* name;
        std::vector<std::u16string> numbers;
        size_t count;
    } queries[] = {
        {nullptr, {}, 3},                       // the whole log
        {u"ann lee", {}, 1},                    // by name, case ignored
        {u"Ann Lee", {u"555-0100"}, 1},         // by number, written differently
        {u"Nobody", {u"+44 20 7946 0018"}, 1},  // the Bluetooth dialler got the number as typed
        {u"Bo", {u"999"}, 0},
    };
    for (const Query& q : queries) {
        std::vector<CCallLogEntry*> calls;
        HRESULT hr = q.name ? phone.GetCallLogForContact(calls, q.name, q.numbers) : phone.GetCallLog(calls);
        EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(calls.size(), q.count) << (q.name ? std::string(q.name, q.name + 3) : "all");
        for (CCallLogEntry* call : calls) EXPECT_TRUE(call->outgoing);
        FreeCallLogEntries(calls);
    }
}

TEST_F(PhoneServices, TextMessagesAndTheirErrors)
{
    ASSERT_TRUE(platform::RegisterPhonePlugin());
    CPhoneEdition phone;
    ASSERT_EQ(phone.SmsOpenSend(), S_OK);
    ASSERT_EQ(phone.SmsOpenSend(), S_OK);  // the first handle is closed first
    struct {
        const char16_t* address;
        std::u16string text;
        HRESULT result;
    } cases[] = {
        {u"+44 20 7946 0018", u"Running late, é 10 min", S_OK},
        {u"call me", u"x", SMS_E_INVALIDADDRESS},
        {u"", u"x", SMS_E_INVALIDADDRESS},
        {u"5550100", std::u16string(161, u'a'), SMS_E_TOOMUCHDATA},
        {u"5550100", std::u16string(160, u'a'), S_OK},
    };
    for (const auto& c : cases) EXPECT_EQ(Send(phone, c.address, c.text), c.result);
    std::vector<platform::SentTextMessage> sent = platform::ReadSmsOutbox();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].address, u"+44 20 7946 0018");
    EXPECT_EQ(sent[0].text, u"Running late, é 10 min");

    ScriptedUiHost ui;
    CPhoneEdition::HandleSMSError(SMS_E_INVALIDADDRESS);
    CPhoneEdition::HandleSMSError(static_cast<HRESULT>(0x82000110u));
    CPhoneEdition::HandleSMSError(S_OK);
    CPhoneEdition::HandleSMSError(E_NOINTERFACE);
    ASSERT_EQ(ui.MessageCount(), 2u);
    EXPECT_EQ(ui.Messages()[0].text, u"The specified address is invalid. ");
    EXPECT_EQ(ui.Messages()[1].text, u"Cannot find the SMS Procedure in the DLL");
    EXPECT_EQ(ui.Messages()[1].flags, MB_ICONERROR | MB_TOPMOST);
}

HRESULT OpenOnly(LPCWSTR, DWORD, SMS_HANDLE* handle, HANDLE*)
{
    *handle = 7;
    return S_OK;
}

TEST_F(PhoneServices, LibrariesMissingFunctionsSayWhatIsMissing)
{
    ASSERT_TRUE(platform::RegisterLibrary(u"sms.dll", {{"SmsOpen", platform::AsFarProc(&OpenOnly)}}));
    ASSERT_TRUE(platform::RegisterLibrary(u"phone.dll", {}));
    ASSERT_TRUE(platform::RegisterLibrary(u"BTDialer.dll", {}));
    CPhoneEdition::Recheck();
    EXPECT_FALSE(CPhoneEdition::IsPhoneEdition());
    CPhoneEdition phone;
    EXPECT_EQ(phone.SmsOpenSend(), S_OK);
    EXPECT_EQ(Send(phone, u"5550100", u"hi"), E_NOINTERFACE);
    phone.SmsClose();  // no SmsClose to call: the handle is forgotten all the same
    EXPECT_FALSE(phone.SmsIsOpen());
    std::vector<CCallLogEntry*> calls;
    EXPECT_EQ(phone.GetCallLog(calls), E_NOINTERFACE);

    ScriptedUiHost ui;
    ui.SetFallbackAnswer(IDOK);
    CPhoneTone tone{PhoneSettings{}};
    EXPECT_EQ(tone.PlayPhoneNumber(u"5550100", KSDIAL_BTDIALER, nullptr, 0, nullptr), 0);
    EXPECT_NE(ui.LastMessage().text.find(u"BTDialNumber"), std::u16string::npos);
}

TEST_F(PhoneServices, ASuccessfulDialOffersAJournalEntry)
{
    ASSERT_TRUE(platform::RegisterPhonePlugin());
    CPhoneEdition::Recheck();
    {
        CRegistry settings;
        ASSERT_EQ(settings.OpenKey(HKEY_CURRENT_USER, kAutoJournalKey), 0);
        ASSERT_EQ(settings.SetValue(u"bDialing", 1ul), 0);
    }
    ScriptedUiHost ui;
    ui.SetFallbackAnswer(IDOK);
    ui.QueueAskAnswer(5);
    ASSERT_TRUE(CPhoneTone::DialPhoneNumber(u"555 0100", 4242, u"Ann"));
    bool shown = false;
    for (const auto& m : ui.Messages()) shown = shown || m.text.find(u"Phone call 555 0100") != std::u16string::npos;
    EXPECT_TRUE(shown);
    EXPECT_TRUE(CJournal::HasEntries(4242));
    // Dialling nothing offers nothing.
    EXPECT_FALSE(CPhoneTone::DialPhoneNumber(u"", 4243, u"Ann"));
    EXPECT_FALSE(CJournal::HasEntries(4243));
}

}  // namespace
