// The serial dialler against a fake modem on a pseudo-terminal pair: the
// modem side echoes each command and answers from a script.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/text/utf8.h"
#include "telephony/phone_tone.h"
#include "telephony/serial_dialer.h"
#include "tests/storage/settings_test_support.h"
#include "tests/support/scripted_ui_host.h"

namespace {

// Answers by command prefix ("ATE", "ATV", "ATD"): a reply line, "" for
// silence, or "HANGUP" to close the modem's side.
using Script = std::map<std::string, std::string>;

class FakeModem {
public:
    explicit FakeModem(Script script) : script_(std::move(script))
    {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        path_ = ptsname(master_);
        thread_ = std::thread([this] { Serve(); });
    }
    ~FakeModem()
    {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (master_ >= 0) close(master_);
    }
    const std::string& Path() const { return path_; }
    std::vector<std::string> Received()
    {
        std::lock_guard guard(lock_);
        return received_;
    }

private:
    void Serve()
    {
        std::string line;
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN)) continue;
            char c;
            if (read(master_, &c, 1) != 1) continue;
            if (c != '\r') {
                line += c;
                continue;
            }
            {
                std::lock_guard guard(lock_);
                received_.push_back(line);
            }
            std::string reply = "OK";
            for (const auto& [prefix, answer] : script_)
                if (line.compare(0, prefix.size(), prefix) == 0) reply = answer;
            if (reply == "HANGUP") {
                close(master_);
                master_ = -1;
                return;
            }
            std::string out = line + "\r\r\n";  // the echo
            if (!reply.empty()) out += reply + "\r\n";
            if (write(master_, out.data(), out.size()) < 0) return;
            line.clear();
        }
    }

    Script script_;
    int master_ = -1;
    std::string path_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::vector<std::string> received_;
};

std::mutex g_codesLock;
std::vector<int> g_codes;

int Record(int code)
{
    std::lock_guard guard(g_codesLock);
    g_codes.push_back(code);
    return 1;
}

TEST(SerialDialer, EveryAnswerMapsToItsCode)
{
    struct Case {
        const char* what;
        Script script;
        int error;
    } cases[] = {
        {"dialled", {}, 0},
        {"busy", {{"ATD", "BUSY"}}, TSDIAL_BADRESPONSE},
        {"no carrier", {{"ATD", "NO CARRIER"}}, TSDIAL_DISCONNECTED},
        {"garbage", {{"ATD", "\x01#$%garbage"}}, TSDIAL_BADRESPONSE},
        {"echo refused", {{"ATE", "ERROR"}}, TSDIAL_BADRESPONSE},
        {"numeric error", {{"ATV", "4"}}, TSDIAL_BADRESPONSE},
        {"silence", {{"ATD", ""}}, TSDIAL_TIMEOUT},
        {"port gone mid-dial", {{"ATV", "HANGUP"}}, TSDIAL_DISCONNECTED},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeModem modem(c.script);
        ASSERT_FALSE(modem.Path().empty());
        g_codes.clear();
        CSerialDialer dialer(&Record, 300);
        ASSERT_TRUE(dialer.Open(Utf8ToWide(modem.Path())));
        ASSERT_TRUE(dialer.Start("0123,45"));
        EXPECT_EQ(dialer.Wait(), c.error);
        std::vector<int> expected = {TSDIAL_STARTED};
        if (c.error) expected.push_back(c.error);
        expected.push_back(TSDIAL_FINISHED);
        EXPECT_EQ(g_codes, expected);
        if (!c.error) {
            EXPECT_EQ(modem.Received(), (std::vector<std::string>{"ATE1", "ATV1", "ATD0123,45;"}));
        }
    }
}

TEST(SerialDialer, PortsThatCannotBeOpened)
{
    int error = 0;
    CSerialDialer dialer(&Record, 300);
    EXPECT_FALSE(dialer.Open(u"/nonexistent/modem", &error));
    EXPECT_NE(error, 0);
    EXPECT_FALSE(dialer.Open(u"/dev/null", &error));  // not a terminal
    EXPECT_FALSE(dialer.Open(u"LPT1:", &error));
    EXPECT_FALSE(dialer.Start("123"));
    EXPECT_EQ(platform::SerialPortHostPath(u"COM5:"), "/dev/ttyS4");
    EXPECT_EQ(platform::SerialPortHostPath(u"btc3:"), "/dev/rfcomm2");
    EXPECT_EQ(platform::SerialPortHostPath(u"COM:"), "");
    EXPECT_EQ(platform::SerialPortHostPath(u"COM0:"), "");
}

class DialByPort : public SettingsSandbox {};

TEST(DialMethod, TheDialPreferenceNamesMethodAndPort)
{
    struct {
        DWORD prefs;
        int method;
        const char16_t* port;
    } cases[] = {
        {0, KSDIAL_TONES, u""}, {1, KSDIAL_PHONE, u""}, {4, KSDIAL_BTDIALER, u""}, {5, KSDIAL_PHONE_OR_TONES, u""},
        {2, KSDIAL_SERIAL, u""}, {3, KSDIAL_SERIAL, u""}, {10, KSDIAL_SERIAL, u""}, {11, KSDIAL_SERIAL, u"COM1:"},
        {15, KSDIAL_SERIAL, u"COM5:"}, {19, KSDIAL_SERIAL, u"COM9:"}, {20, KSDIAL_SERIAL, u"BTC0:"},
        {23, KSDIAL_SERIAL, u"BTC3:"}, {29, KSDIAL_SERIAL, u"BTC9:"}, {30, KSDIAL_SERIAL, u""},
        {0xFFFFFFFF, KSDIAL_SERIAL, u""},
    };
    for (const auto& c : cases) {
        std::u16string port = u"stale";
        EXPECT_EQ(CPhoneTone::DialMethod(c.prefs, &port), c.method) << c.prefs;
        EXPECT_EQ(port, c.port) << c.prefs;
    }
}

TEST_F(DialByPort, TheSerialMethodWithoutAPortDialsNothing)
{
    {
        CRegistry settings;
        ASSERT_EQ(settings.OpenKey(HKEY_CURRENT_USER, kDialSettingsKey), 0);
        ASSERT_EQ(settings.SetValue(u"dwDialPrefs", 7ul), 0);
    }
    ScriptedUiHost ui;
    ui.SetFallbackAnswer(IDOK);
    EXPECT_FALSE(CPhoneTone::DialPhoneNumber(u"555 0100", 0, u"Ann"));
    EXPECT_EQ(ui.LastMessage().text, u"No port is set for dialling.");
}

TEST_F(DialByPort, FailuresEndInTheUnableToDialMessage)
{
    struct Case {
        Script script;
        const char16_t* message;  // null: dialled, no message
    } cases[] = {
        {{}, nullptr},
        {{{"ATD", "BUSY"}}, u"Invalid/Unexpected response from phone"},
        {{{"ATD", ""}}, u"Timeout while talking to phone"},
        {{{"ATE", "HANGUP"}}, u"Port or phone disconnected"},
    };
    CPhoneTone::SetSerialAnswerTimeout(300);
    for (const Case& c : cases) {
        FakeModem modem(c.script);
        ScriptedUiHost ui;
        ui.SetFallbackAnswer(IDOK);
        CPhoneTone tone{PhoneSettings{}};
        std::u16string port = Utf8ToWide(modem.Path());
        EXPECT_EQ(tone.PlayPhoneNumber(u"+1 (312) 555-0100", KSDIAL_SERIAL, port.c_str(), 0, nullptr), c.message ? 0 : 1);
        ASSERT_GE(ui.MessageCount(), 1u);  // the number to confirm
        if (c.message) {
            EXPECT_EQ(ui.LastMessage().caption, u"Unable to Dial");
            EXPECT_EQ(ui.LastMessage().text, c.message);
        } else {
            EXPECT_EQ(ui.MessageCount(), 1u);
            EXPECT_EQ(modem.Received().back(), "ATD+13125550100;");
        }
    }
    CPhoneTone::SetSerialAnswerTimeout(10000);
}

}  // namespace
