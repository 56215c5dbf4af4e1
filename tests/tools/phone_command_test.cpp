// kstools dial, sms and calls: the telephone commands on a seeded store, with
// and without the project's stand-in phone, and the arguments they refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/kstools_home.h"

namespace {

using Json = nlohmann::json;

constexpr const char* kCV = "Software\\Corvid\\Kestrel\\CV";

class PhoneCommands : public KstoolsHome {
protected:
    void SetUp() override
    {
        KstoolsHome::SetUp();
        const auto r = Run({"store", "seed", "--appointments", "0", "--tasks", "0", "--contacts", "15"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    void Set(const char* key, const char* name, const std::string& value)
    {
        const auto r = Run({"settings", "set", key, name, value});
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    Json Calls(std::vector<std::string> more = {})
    {
        std::vector<std::string> args{"calls", "--phone-plugin", "--json"};
        args.insert(args.end(), more.begin(), more.end());
        return JsonOf(Run(args))["calls"];
    }
};

TEST_F(PhoneCommands, TouchTonesAreWrittenToTheWaveFile)
{
    const std::filesystem::path wav = HomeDir() / "tones.wav";
    const auto r = Run({"dial", "12,3", "--method", "tones", "-o", wav.string(), "--json"});
    const Json out = JsonOf(r);
    EXPECT_EQ(out["dialled"], true);
    EXPECT_EQ(out["method"], "tones");
    EXPECT_EQ(out["wav"], wav.string());
    // Three tones each followed by a pause, one more pause; 2500 + 6000 samples
    // each, of four bytes, behind the 44-byte header.
    ASSERT_TRUE(std::filesystem::exists(wav));
    EXPECT_EQ(std::filesystem::file_size(wav), 44u + 7 * 8500 * 4);
}

TEST_F(PhoneCommands, CallsGoThroughThePhoneIntoTheCallLogWithAJournalEntry)
{
    const Json seeded = Calls();
    ASSERT_EQ(seeded.size(), 40u);

    Set(kCV, "CV_Prefix", "9");
    Set("Software\\Corvid\\Kestrel\\AutoJournal", "bDialing", "dword:1");
    const auto phone = Run({"dial", "555-0199", "--method", "phone", "--phone-plugin", "--json"});
    EXPECT_EQ(JsonOf(phone)["method"], "phone");
    const auto bt = Run({"dial", "+44 20 7946 0000", "--method", "bt", "--phone-plugin"});
    EXPECT_EQ(bt.exitCode, 0) << bt.err;

    const Json calls = Calls();
    ASSERT_EQ(calls.size(), 42u);
    // The Bluetooth dialler gets the number as typed ("BTSendUnModified"),
    // the phone the prepared one.
    std::vector<std::string> numbers{calls[0]["number"], calls[1]["number"]};
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers, (std::vector<std::string>{"+44 20 7946 0000", "95550199"}));
    EXPECT_EQ(calls[0]["kind"], "outgoing");

    const Json journal = JsonOf(Run({"journal", "--json"}))["entries"];
    auto isCall = [](const Json& e) { return e["notes"] == "Phone call 555-0199"; };
    EXPECT_EQ(std::count_if(journal.begin(), journal.end(), isCall), 1);

    // One contact's calls are a part of the log, each also in the whole log.
    const Json listed = JsonOf(Run({"contacts", "calls", "--json"}))["calls"];
    std::string contact;
    for (const Json& c : listed)
        if (!c["contact"].is_null()) contact = c["contact"];
    ASSERT_FALSE(contact.empty());
    const Json own = Calls({"--contact", contact});
    EXPECT_GE(own.size(), 1u);
    EXPECT_LT(own.size(), calls.size());
    for (const Json& c : own) EXPECT_NE(std::find(calls.begin(), calls.end(), c), calls.end()) << c;
}

// Text messages sent or refused with the network's reason, and what cannot be dialled.
TEST_F(PhoneCommands, WhatCannotBeSentOrDialledIsRefusedWithAReason)
{
    struct {
        std::vector<std::string> args;
        int exitCode;
        const char* says;  // on stderr
    } const cases[] = {
        {{"sms", "+4915112345678", "Hello"}, 1, "Cannot find the SMS Procedure in the DLL"},
        {{"sms", "+4915112345678", "Hello", "--phone-plugin"}, 0, ""},
        {{"sms", "call me", "Hello", "--phone-plugin"}, 1, "The specified address is invalid."},
        {{"sms", "5550101", std::string(161, 'x'), "--phone-plugin"}, 1, "was too large"},
        {{"sms", std::string(2000, '5'), "Hello", "--phone-plugin"}, 2, "too long"},
        {{"dial", "5550101", "--method", "phone"}, 1, "not dialled"},
        {{"dial", std::string(2000, '5'), "--method", "tones"}, 1, "too long to dial"},
        {{"dial", "5550101", "--method", "serial", "--port", "/nonexistent/ttyS9"}, 1, "Unable to open"},
        {{"dial", "5550101", "--method", "serial"}, 2, "needs --port"},
        {{"dial", "5550101", "--method", "fax"}, 2, "--method is one of"},
        {{"dial", "5550101", "--contact", "4242"}, 1, "no contact with OID"},
        {{"calls"}, 1, "no phone services"},
    };
    for (const auto& c : cases) {
        const auto r = Run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args[0] << " " << c.args.back() << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
    EXPECT_EQ(ReadHostFile("SmsOutbox.txt"), "+4915112345678\tHello\n");
    // The method and port come from the settings when not given.
    Set(kCV, "dwDialPrefs", "dword:17");
    EXPECT_NE(Run({"dial", "5550101"}).err.find("Unable to open BTC3:"), std::string::npos);
    Set(kCV, "CV_Dial", "dword:0");
    EXPECT_NE(Run({"dial", "5550101", "--method", "tones"}).err.find("switched off"), std::string::npos);
    EXPECT_EQ(Calls().size(), 40u) << "nothing was dialled";
}

}  // namespace
