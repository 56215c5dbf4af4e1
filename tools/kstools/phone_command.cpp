// kstools dial | sms | calls: dialling a number (touch tones into a WAV file,
// a modem on a serial port, the phone, a Bluetooth dialler), sending a text
// message and reading the phone's call log, through the phone services the
// device offers. This system has none of its own: --phone-plugin registers
// the project's stand-in phone, which records calls in the device's call log
// and messages in "SmsOutbox.txt" of the device root.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "platform/devices/phone_plugin.h"
#include "platform/devices/wave_out.h"
#include "platform/files/data_directory.h"
#include "platform/objectmodel/com_ref.h"
#include "platform/text/owned_bstr.h"
#include "platform/text/utf8.h"
#include "platform/time/system_time.h"
#include "platform/time/time_zone.h"
#include "storage/c_outlook.h"
#include "telephony/phone_edition.h"
#include "telephony/phone_tone.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/outlook_session.h"
#include "tools/kstools/store_value.h"

namespace kstools {
namespace {

using Json = nlohmann::ordered_json;

struct Contact {
    long oid = 0;
    std::u16string name;
    std::vector<std::u16string> numbers;
};

// The contact's name and telephone numbers; exit 1 when it is no contact.
Contact ReadContact(const std::string& text)
{
    Contact contact;
    contact.oid = static_cast<long>(ParseOid(text));
    OutlookSession session;
    platform::ComRef<IDispatch> item;
    if (COutlook::GetKSItemType(contact.oid) != kKSItemContact ||
        FAILED(session.Outlook().GetItemFromOid(contact.oid, item.Put())))
        throw CommandError("no contact with OID " + text);
    auto person = platform::ComRef<IContact>::Query(item.Get());
    if (!person) throw CommandError("no contact with OID " + text);
    platform::OwnedBstr fileAs;
    if (SUCCEEDED(person->get_FileAs(fileAs.Put())) && fileAs.Get()) contact.name = fileAs.Get();
    for (auto getter : {&IContact::get_MobileTelephoneNumber, &IContact::get_HomeTelephoneNumber,
                        &IContact::get_Home2TelephoneNumber, &IContact::get_BusinessTelephoneNumber,
                        &IContact::get_Business2TelephoneNumber, &IContact::get_CarTelephoneNumber,
                        &IContact::get_RadioTelephoneNumber, &IContact::get_AssistantTelephoneNumber}) {
        platform::OwnedBstr number;
        if (SUCCEEDED((person.Get()->*getter)(number.Put())) && number.Get() && *number.Get())
            contact.numbers.emplace_back(number.Get());
    }
    return contact;
}

// Registers the stand-in phone for this command when asked.
class PhonePlugin {
public:
    explicit PhonePlugin(bool wanted) : m_registered(wanted && platform::RegisterPhonePlugin())
    {
        if (wanted && !m_registered) throw CommandError("the phone plug-in cannot be registered");
        CPhoneEdition::Recheck();
    }
    ~PhonePlugin()
    {
        if (m_registered) platform::UnregisterPhonePlugin();
        CPhoneEdition::Recheck();
    }
    PhonePlugin(const PhonePlugin&) = delete;
    PhonePlugin& operator=(const PhonePlugin&) = delete;

private:
    bool m_registered;
};

struct DialOptions {
    std::string number;
    std::optional<std::string> contact;
    std::optional<std::string> method;
    std::optional<std::string> port;
    std::optional<std::string> wav;
    bool play = false;
    bool plugin = false;
    bool json = false;
};

int MethodOf(const std::string& name)
{
    if (name == "tones") return KSDIAL_TONES;
    if (name == "phone") return KSDIAL_PHONE;
    if (name == "serial") return KSDIAL_SERIAL;
    if (name == "bt") return KSDIAL_BTDIALER;
    throw CommandError("--method is one of tones, serial, phone, bt", kExitUsage);
}

const char* MethodName(int method)
{
    switch (method) {
    case KSDIAL_TONES: return "tones";
    case KSDIAL_PHONE: return "phone";
    case KSDIAL_SERIAL: return "serial";
    case KSDIAL_BTDIALER: return "bt";
    default: return "phone-or-tones";
    }
}

void RunDial(const DialOptions& o)
{
    if (!platform::EnsureDeviceRoot()) throw CommandError("the data directory cannot be made");
    PhonePlugin plugin(o.plugin);
    Contact contact;
    if (o.contact) contact = ReadContact(*o.contact);
    if (o.wav || o.play) platform::SetWaveOutput(o.wav ? *o.wav : platform::WaveOutputFile(), o.play);

    CPhoneTone tone;
    std::u16string configuredPort;
    int method = o.method ? MethodOf(*o.method) : CPhoneTone::DialMethod(tone.Settings().dialPrefs, &configuredPort);
    std::u16string port = o.port ? Utf8ToWide(*o.port) : configuredPort;
    if (method == KSDIAL_SERIAL && port.empty())
        throw CommandError("the serial method needs --port (or a port in the dialling settings)", kExitUsage);
    if (!tone.Settings().dial) throw CommandError("dialling is switched off (CV_Dial is 0)");

    std::u16string number = Utf8ToWide(o.number);
    bool dialled = tone.PlayPhoneNumber(number.c_str(), method, port.empty() ? nullptr : port.c_str(),
                                        static_cast<CEOID>(contact.oid),
                                        contact.name.empty() ? nullptr : contact.name.c_str()) != 0;
    if (dialled) CPhoneTone::PhoneJournal(static_cast<CEOID>(contact.oid), number.c_str());
    bool wrote = dialled && (method == KSDIAL_TONES || (method == KSDIAL_PHONE_OR_TONES && !CPhoneEdition::IsPhoneEdition()));
    if (o.json) {
        Json out{{"dialled", dialled}, {"method", MethodName(method)}, {"number", o.number}};
        if (wrote) out["wav"] = platform::WaveOutputFile();
        if (method == KSDIAL_SERIAL) out["port"] = WideToUtf8(port);
        std::puts(out.dump(2).c_str());
    } else if (dialled) {
        std::printf("dialled %s (%s)%s\n", o.number.c_str(), MethodName(method),
                    wrote ? (", tones written to " + platform::WaveOutputFile()).c_str() : "");
    }
    if (!dialled) throw CommandError("the number was not dialled");
}

void RunSms(const std::string& number, const std::string& text, bool plugin, bool json)
{
    PhonePlugin registered(plugin);
    CPhoneEdition phone;
    std::u16string address = Utf8ToWide(number);
    std::u16string body = Utf8ToWide(text);
    if (address.size() >= SMS_MAX_ADDRESS_LENGTH) throw CommandError("the address is too long", kExitUsage);
    HRESULT hr = phone.SmsOpenSend();
    if (SUCCEEDED(hr)) {
        SMS_ADDRESS to{};
        to.smsatAddressType = !address.empty() && address[0] == u'+' ? SMSAT_INTERNATIONAL : SMSAT_UNKNOWN;
        std::copy(address.begin(), address.end(), to.ptsAddress);
        hr = phone.SmsSendMessage(&to, nullptr, reinterpret_cast<const BYTE*>(body.data()),
                                  static_cast<DWORD>(body.size() * sizeof(char16_t)), SMS_OPTION_DELIVERY_NONE);
    }
    phone.SmsClose();
    if (json) std::puts(Json{{"sent", SUCCEEDED(hr)}, {"number", number}, {"result", fmt::format("0x{:08X}", static_cast<unsigned>(hr))}}.dump(2).c_str());
    if (FAILED(hr)) {
        const WCHAR* message = CPhoneEdition::SMSErrorText(hr);
        throw CommandError(message ? WideToUtf8(message) : fmt::format("the message was not sent (0x{:08X})", static_cast<unsigned>(hr)));
    }
    if (!json) std::printf("sent to %s\n", number.c_str());
}

std::string FileTimeLocal(const FILETIME& utc)
{
    FILETIME local{};
    SYSTEMTIME st{};
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return "?";
    return fmt::format("{:04}-{:02}-{:02} {:02}:{:02}", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute);
}

void RunCallLog(const std::optional<std::string>& contactText, bool plugin, bool json)
{
    PhonePlugin registered(plugin);
    CPhoneEdition phone;
    std::vector<CCallLogEntry*> calls;
    HRESULT hr = S_OK;
    if (contactText) {
        Contact contact = ReadContact(*contactText);
        hr = phone.GetCallLogForContact(calls, contact.name.c_str(), contact.numbers);
    } else {
        hr = phone.GetCallLog(calls);
    }
    struct Freer {
        void operator()(std::vector<CCallLogEntry*>* list) const { FreeCallLogEntries(*list); }
    };
    std::unique_ptr<std::vector<CCallLogEntry*>, Freer> owner(&calls);
    if (hr == E_NOINTERFACE)
        throw CommandError("this device has no phone services (phone.dll is missing; see --phone-plugin)");
    if (FAILED(hr)) throw CommandError(fmt::format("the call log cannot be read (0x{:08X})", static_cast<unsigned>(hr)));
    auto kind = [](const CCallLogEntry& c) {
        return c.direction == IOM_MISSED ? "missed" : c.direction == IOM_OUTGOING ? "outgoing" : "incoming";
    };
    if (json) {
        Json rows = Json::array();
        for (const CCallLogEntry* c : calls)
            rows.push_back({{"start", FileTimeLocal(c->start)},
                            {"kind", kind(*c)},
                            {"number", c->number ? WideToUtf8(c->number) : ""},
                            {"name", c->name ? WideToUtf8(c->name) : ""}});
        std::puts(Json{{"calls", rows}}.dump(2).c_str());
        return;
    }
    if (calls.empty()) std::puts("no calls");
    for (const CCallLogEntry* c : calls)
        std::printf("%s  %-8s  %s%s\n", FileTimeLocal(c->start).c_str(), kind(*c),
                    c->number ? WideToUtf8(c->number).c_str() : "(withheld)",
                    c->name ? ("  " + WideToUtf8(c->name)).c_str() : "");
}

}  // namespace

void AddPhoneCommands(CLI::App& app, CliContext& ctx)
{
    auto dial = std::make_shared<DialOptions>();
    CLI::App* dialCommand = app.add_subcommand("dial", "Dial a telephone number");
    dialCommand->add_option("NUMBER", dial->number, "The number as stored (prefixes are applied from the settings)")
        ->required();
    dialCommand->add_option("--contact", dial->contact, "OID of the contact called (for the journal and the call log)");
    dialCommand->add_option("--method", dial->method,
                            "tones, serial, phone or bt (default: \"dwDialPrefs\" of the dialling settings)");
    dialCommand->add_option("--port", dial->port, "Serial port: COMn:, BTCn: or a device path such as /dev/ttyUSB0");
    dialCommand->add_option("-o,--output", dial->wav, "WAV file the touch tones are written to");
    dialCommand->add_flag("--play", dial->play, "Also play the touch tones through the sound server");
    dialCommand->add_flag("--phone-plugin", dial->plugin, "Use the project's stand-in phone and Bluetooth dialler");
    dialCommand->add_flag("--json", dial->json, "Print {dialled, method, number, wav?, port?}");
    dialCommand->footer("Exit codes: 0 dialled, 1 not dialled (cancelled, refused, no device), 2 bad arguments.");
    ctx.OnRun(dialCommand, [dial] { RunDial(*dial); });

    auto number = std::make_shared<std::string>();
    auto text = std::make_shared<std::string>();
    auto smsPlugin = std::make_shared<bool>(false);
    auto smsJson = std::make_shared<bool>(false);
    CLI::App* sms = app.add_subcommand("sms", "Send a text message");
    sms->add_option("NUMBER", *number, "The recipient's number")->required();
    sms->add_option("TEXT", *text, "The message")->required();
    sms->add_flag("--phone-plugin", *smsPlugin, "Use the project's stand-in phone");
    sms->add_flag("--json", *smsJson, "Print {sent, number, result}");
    sms->footer("Exit codes: 0 sent, 1 not sent (the network's reason on stderr), 2 bad arguments.");
    ctx.OnRun(sms, [number, text, smsPlugin, smsJson] { RunSms(*number, *text, *smsPlugin, *smsJson); });

    auto contact = std::make_shared<std::optional<std::string>>();
    auto callsPlugin = std::make_shared<bool>(false);
    auto callsJson = std::make_shared<bool>(false);
    CLI::App* calls = app.add_subcommand("calls", "List the phone's call log, newest first, through the phone library");
    calls->add_option("--contact", *contact, "Only the calls of this contact (by its numbers, else its name)");
    calls->add_flag("--phone-plugin", *callsPlugin, "Use the project's stand-in phone");
    calls->add_flag("--json", *callsJson, "Print {calls: [{start, kind, number, name}]}");
    calls->footer("Exit codes: 0 done, 1 no phone services or the log cannot be read, 2 bad arguments.");
    ctx.OnRun(calls, [contact, callsPlugin, callsJson] { RunCallLog(*contact, *callsPlugin, *callsJson); });
}

}  // namespace kstools
