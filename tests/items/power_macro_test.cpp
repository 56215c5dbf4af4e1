// PowerMacro with the clock pinned to 7 December 2026 10:00 and the locale to en-US: the date and time macros,
// the stopwatches, a contact's fields, the chooser, and texts that are not macros.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "items/contact_chooser.h"
#include "items/power_macro.h"
#include "tests/items/item_test_support.h"
#include "tests/support/locale_pin.h"
#include "tests/support/scripted_ui_host.h"

namespace {

using itemtest::ItemSandbox;
using platform::ComRef;
using platform::OwnedBstr;

class PowerMacroTest : public ItemSandbox {
protected:
    void SetUp() override
    {
        ItemSandbox::SetUp();
        ResetPowerMacroStopwatches();
    }
    static std::u16string Expand(const WCHAR* text, long* contact = nullptr)
    {
        std::unique_ptr<WCHAR, decltype(&std::free)> out(PowerMacro(text, contact, nullptr), &std::free);
        return out ? std::u16string(out.get()) : u"<null>";
    }
    static void At(int hour, int minute) { platform::SetPinnedNow(kstest::Make(2026, 12, 7, hour, minute)); }
    // A contact with a distinct text in every field; its OID.
    long MakeContact(bool birthday, bool anniversary)
    {
        ComRef<IDispatch> created;
        EXPECT_EQ(app->CreateItem(olContactItem, created.Put()), S_OK);
        auto contact = ComRef<IContact>::Query(created.Get());
        for (const auto& [name, put] : kPutters) EXPECT_EQ((contact.Get()->*put)(OwnedBstr(u"<" + name + u">")), S_OK);
        if (birthday) contact->put_Birthday(kstest::Ole(1980, 2, 29));
        if (anniversary) contact->put_Anniversary(kstest::Ole(2005, 6, 18));
        EXPECT_EQ(contact->Save(), S_OK);
        LONG oid = 0;
        contact->get_Oid(&oid);
        return oid;
    }
    static inline const std::vector<std::pair<std::u16string, HRESULT (IContact::*)(BSTR)>> kPutters = {
        {u"fileas", &IContact::put_FileAs}, {u"title", &IContact::put_Title},
        {u"first", &IContact::put_FirstName}, {u"middle", &IContact::put_MiddleName},
        {u"last", &IContact::put_LastName}, {u"suffix", &IContact::put_Suffix},
        {u"company", &IContact::put_CompanyName}, {u"jobtitle", &IContact::put_JobTitle},
        {u"department", &IContact::put_Department}, {u"office", &IContact::put_OfficeLocation},
        {u"assistant", &IContact::put_AssistantName}, {u"assistanttel", &IContact::put_AssistantTelephoneNumber},
        {u"spouse", &IContact::put_Spouse}, {u"children", &IContact::put_Children},
        {u"haddress", &IContact::put_HomeAddressStreet}, {u"hcity", &IContact::put_HomeAddressCity},
        {u"hstate", &IContact::put_HomeAddressState}, {u"hpostal", &IContact::put_HomeAddressPostalCode},
        {u"hcountry", &IContact::put_HomeAddressCountry}, {u"waddress", &IContact::put_BusinessAddressStreet},
        {u"wcity", &IContact::put_BusinessAddressCity}, {u"wstate", &IContact::put_BusinessAddressState},
        {u"wpostal", &IContact::put_BusinessAddressPostalCode}, {u"wcountry", &IContact::put_BusinessAddressCountry},
        {u"oaddress", &IContact::put_OtherAddressStreet}, {u"ocity", &IContact::put_OtherAddressCity},
        {u"ostate", &IContact::put_OtherAddressState}, {u"opostal", &IContact::put_OtherAddressPostalCode},
        {u"ocountry", &IContact::put_OtherAddressCountry}, {u"htel1", &IContact::put_HomeTelephoneNumber},
        {u"htel2", &IContact::put_Home2TelephoneNumber}, {u"hfax", &IContact::put_HomeFaxNumber},
        {u"wtel1", &IContact::put_BusinessTelephoneNumber}, {u"wtel2", &IContact::put_Business2TelephoneNumber},
        {u"wfax", &IContact::put_BusinessFaxNumber}, {u"radiotel", &IContact::put_RadioTelephoneNumber},
        {u"mobile", &IContact::put_MobileTelephoneNumber}, {u"pager", &IContact::put_PagerNumber},
        {u"carmobile", &IContact::put_CarTelephoneNumber}, {u"email1", &IContact::put_Email1Address},
        {u"email2", &IContact::put_Email2Address}, {u"email3", &IContact::put_Email3Address},
        {u"web", &IContact::put_WebPage},
    };
    PinnedLocale locale_{"en-US"};
};

TEST_F(PowerMacroTest, DateAndTimeMacrosAndTextsThatAreNotMacros)
{
    At(10, 5);
    const struct {
        const char16_t* text;
        const char16_t* expanded;
    } cases[] = {
        {u"%ts%", u"10:05:00 AM"},
        {u"%TM%", u"10:05 AM"},
        {u"On %ld%.", u"On Monday, December 7, 2026."},
        {u"[%sd%]", u"[12/7/2026]"},
        {u"day %dy% week %Wk%", u"day 341 week 50"},
        {u"no macro at all", u"no macro at all"},
        {u"one % sign", u"one % sign"},
        {u"keep %these words% out", u"keep  out"},
        {u"100%% sure", u"100 sure"},
        {u"left open %date", u"left open %date"},
        {u"%sd%%sd", u"12/7/2026%sd"},
        {u"nested %a%sd%b%", u"nested sd"},
        {u"%s!", u"%s!"},
        {u"Dear %s, see %s, ok", u"Dear %s, see %s, ok"},
        {u"%s %sd%", u"%s 12/7/2026"},
        {u"%tmp%%tmp12%%dtm%", u""},
        {u"%sdx%%fileas%", u""},  // no contact pointer: contact macros are empty
    };
    for (const auto& c : cases) EXPECT_EQ(U8(Expand(c.text)), U8(c.expanded)) << U8(c.text);
    EXPECT_EQ(PowerMacro(nullptr, nullptr, nullptr), nullptr);
}

TEST_F(PowerMacroTest, StopwatchesMarkStartAndStopAndGiveTheDurationBetween)
{
    EXPECT_EQ(U8(Expand(u"[%dtm2%]")), "[]");  // never started
    At(9, 0);
    EXPECT_EQ(U8(Expand(u"%tmp1%")), "9:00:00 AM 12/7/2026");
    EXPECT_EQ(U8(Expand(u"%tmp2%")), "9:00:00 AM 12/7/2026");
    At(10, 35);
    EXPECT_EQ(U8(Expand(u"%dtm1%")), U8(Expand(u"%dtm2%")));  // running: up to now
    EXPECT_EQ(U8(Expand(u"%TMP1%")), "10:35:00 AM 12/7/2026");
    At(12, 0);
    const std::u16string stopped = Expand(u"%dtm1%");
    EXPECT_NE(stopped.find(u"1 hour"), std::u16string::npos) << U8(stopped);
    EXPECT_NE(stopped.find(u"35 minutes"), std::u16string::npos) << U8(stopped);
    EXPECT_NE(Expand(u"%dtm2%").find(u"3 hours"), std::u16string::npos);  // still running
    EXPECT_EQ(U8(Expand(u"[%tmp0%%tmp5%%dtm5%%tmp9%]")), "[]");
    // A stopwatch that runs again measures from its new start.
    EXPECT_EQ(U8(Expand(u"%tmp1%")), "12:00:00 PM 12/7/2026");
    At(13, 1);
    EXPECT_NE(Expand(u"%dtm1%").find(u"1 hour 1 minute"), std::u16string::npos) << U8(Expand(u"%dtm1%"));
}

TEST_F(PowerMacroTest, EveryContactFieldAndTheDates)
{
    long oid = MakeContact(true, false);
    for (const auto& [name, put] : kPutters)
        EXPECT_EQ(U8(Expand((u"%" + name + u"%").c_str(), &oid)), U8(u"<" + name + u">")) << U8(name);
    EXPECT_EQ(U8(Expand(u"%Birthday%|%anniversary%", &oid)), "2/29/1980|None");
    long both = MakeContact(true, true);
    EXPECT_EQ(U8(Expand(u"%birthday%|%ANNIVERSARY%", &both)), "2/29/1980|6/18/2005");
}

TEST_F(PowerMacroTest, TheChooserPicksTheContactOnceAndCancellingLeavesTheMacrosEmpty)
{
    const long chosen = MakeContact(false, false);
    ScriptedUiHost host;
    long oid = 0;
    host.QueueAskAnswer(0);  // cancelled
    EXPECT_EQ(U8(Expand(u"To %first% %last%.", &oid)), "To  .");
    EXPECT_EQ(oid, 0);
    host.QueueAskAnswer(static_cast<int>(chosen));
    EXPECT_EQ(U8(Expand(u"To %first% %last% at %tm%", &oid)), "To <first> <last> at 10:00 AM");
    EXPECT_EQ(oid, chosen);
    ASSERT_EQ(host.Questions().size(), 2u);  // once per expansion, not per macro
    EXPECT_EQ(host.Questions()[1].questionId, kContactChooserQuestion);
    long gone = 0x7FFF0000;  // a contact that is not there: empty fields, and no question
    EXPECT_EQ(U8(Expand(u"%sd%|%fileas%|", &gone)), "12/7/2026||");
}

}  // namespace
