#include "telephony/phone_tone.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "items/c_journal.h"
#include "items/journal_dialog.h"
#include "items/show_error.h"
#include "platform/devices/wave_out.h"
#include "platform/modules/libraries.h"
#include "platform/modules/string_resources.h"
#include "platform/text/wide_string.h"
#include "platform/time/clock.h"
#include "platform/ui/ui_host.h"
#include "storage/c_registry.h"
#include "telephony/dial_status.h"
#include "telephony/phone_edition.h"
#include "telephony/phone_number.h"
#include "telephony/serial_dialer.h"

namespace {

constexpr UINT kDiallingString = 42332;
constexpr UINT kDiallingStartedString = 42333;
constexpr UINT kPhoneCallString = 42439;
constexpr double kRadiansPerHertz = 0.0002849517146031746;  // 2π / 22050
constexpr std::int32_t kGapLevel = 1000;
constexpr double kToneScale = 16000.0;

std::atomic<int> g_rememberedDialError{0};
std::atomic<unsigned> g_serialAnswerTimeoutMs{10000};

std::u16string ResourceString(UINT id)
{
    WCHAR buffer[256] = {};
    LoadStringW(nullptr, id, buffer, 256);
    return buffer;
}

struct DtmfPair {
    char16_t key;
    int low;
    int high;
};

constexpr DtmfPair kDtmf[] = {
    {u'1', 697, 1209}, {u'2', 697, 1336}, {u'3', 697, 1477}, {u'4', 770, 1209}, {u'5', 770, 1336}, {u'6', 770, 1477},
    {u'7', 852, 1209}, {u'8', 852, 1336}, {u'9', 852, 1477}, {u'*', 941, 1209}, {u'0', 941, 1336}, {u'#', 941, 1477},
};

const DtmfPair* FindDtmf(char16_t c)
{
    for (const DtmfPair& pair : kDtmf)
        if (pair.key == c) return &pair;
    return nullptr;
}

// One sine by the second-order recurrence, started one and two steps before 0.
struct SineRecurrence {
    explicit SineRecurrence(int frequency)
        : w(frequency * kRadiansPerHertz), coefficient(2.0 * std::cos(w)), y1(std::sin(-w)), y2(std::sin(-2.0 * w))
    {}
    double Next()
    {
        double y = coefficient * y1 - y2;
        y2 = y1;
        y1 = y;
        return y;
    }
    double w, coefficient, y1, y2;
};

}  // namespace

CPhoneTone::CPhoneTone() : m_settings(PhoneSettings::Read()) {}

CPhoneTone::CPhoneTone(const PhoneSettings& settings) : m_settings(settings) {}

bool CPhoneTone::IsUsable() const { return waveOutGetNumDevs() > 0; }

void CPhoneTone::SetSerialAnswerTimeout(unsigned milliseconds) { g_serialAnswerTimeoutMs.store(milliseconds); }

bool CPhoneTone::DialPhoneNumber(LPCWSTR number, CEOID oid, LPCWSTR name)
{
    if (!number || !*number) return false;
    CPhoneTone tone;
    if (!tone.m_settings.dial) return false;
    std::u16string port;
    int method = DialMethod(tone.m_settings.dialPrefs, &port);
    int dialled = tone.PlayPhoneNumber(number, method, port.empty() ? nullptr : port.c_str(), oid, name);
    if (dialled) PhoneJournal(oid, number);
    return dialled != 0;
}

int CPhoneTone::DialMethod(DWORD prefs, std::u16string* port)
{
    if (port) port->clear();
    if (prefs == KSDIAL_TONES || prefs == KSDIAL_PHONE || prefs == KSDIAL_BTDIALER || prefs == KSDIAL_PHONE_OR_TONES)
        return static_cast<int>(prefs);
    WCHAR name[16] = {};
    if (prefs >= 11 && prefs <= 19)
        swprintf(name, 16, u"COM%d:", static_cast<int>(prefs - 10));
    else if (prefs >= 20 && prefs <= 29)
        swprintf(name, 16, u"BTC%d:", static_cast<int>(prefs - 20));
    if (port) *port = name;
    return KSDIAL_SERIAL;
}

int CPhoneTone::PlayPhoneNumber(LPCWSTR number, int method, LPCWSTR port, CEOID, LPCWSTR name)
{
    if (!number || !*number) return 0;
    bool tooLong = false;
    std::u16string prepared = PreparePhoneNumber(m_settings, number, &tooLong);
    if (tooLong) {
        ShowError(u"The number is too long to dial (at most %d characters).", static_cast<int>(kMaxDialLength));
        return 0;
    }
    if (prepared.empty()) return 0;
    // The number as it will be dialled, for the user to confirm.
    std::u16string question = ResourceString(kDiallingString) + u"\n" + prepared;
    if (MessageBoxW(nullptr, question.c_str(), ResourceString(kDiallingStartedString).c_str(), MB_OKCANCEL) != IDOK)
        return 0;
    switch (method) {
    case KSDIAL_TONES: return DialTones(prepared);
    case KSDIAL_PHONE: return DialPhone(prepared, name);
    case KSDIAL_SERIAL: return DialSerial(prepared, port);
    case KSDIAL_BTDIALER: return DialBluetooth(number, prepared);
    case KSDIAL_PHONE_OR_TONES:
        return CPhoneEdition::IsPhoneEdition() ? DialPhone(prepared, name) : DialTones(prepared);
    default: return 0;
    }
}

bool CPhoneTone::DialTones(const std::u16string& prepared)
{
    if (!IsUsable()) return false;
    m_samples.clear();
    if (!OnOKPlay(_wcsdup(ToneDialString(prepared).c_str()))) return false;
    return PhoneWavePlay();
}

bool CPhoneTone::DialPhone(const std::u16string& prepared, LPCWSTR name)
{
    if (!CPhoneEdition::IsPhoneEdition()) return false;
    CPhoneEdition phone;
    PHONEMAKECALLINFO info{};
    info.cbSize = sizeof info;
    info.dwFlags = PMCF_DEFAULT;
    std::u16string address = ToneDialString(prepared);
    info.pszDestAddress = address.c_str();
    info.pszCalledParty = name;
    return phone.PhoneMakeCall(&info) == 0;
}

bool CPhoneTone::DialBluetooth(LPCWSTR number, const std::u16string& prepared)
{
    HMODULE dialer = LoadLibraryW(u"\\WINDOWS\\BTDialer.dll");
    if (!dialer) return false;
    auto dial = reinterpret_cast<PFN_BTDialNumber>(GetProcAddress(dialer, "BTDialNumber"));
    bool dialled = false;
    if (!dial)
        ShowError(u"Cannot find the function BTDialNumber in BTDialer.dll");
    else
        dialled = dial(m_settings.btSendUnmodified ? number : prepared.c_str()) != FALSE;
    FreeLibrary(dialer);
    return dialled;
}

bool CPhoneTone::DialSerial(const std::u16string& prepared, LPCWSTR port)
{
    if (!port || !*port) {
        ShowError(u"No port is set for dialling.");
        return false;
    }
    std::string digits = SerialDialString(prepared);
    if (digits.empty()) return false;
    CSerialDialer dialer(&DailerCallback, g_serialAnswerTimeoutMs.load());
    int error = 0;
    if (!dialer.Open(port, &error)) {
        ShowError(u"Unable to open %s for dialling (error %d).", port, error);
        return false;
    }
    CDialStatus& status = CDialStatus::Get();
    status.Open(ResourceString(kDiallingString) + u" " + prepared);
    if (!dialer.Start(std::move(digits))) {
        status.Close(IDCANCEL);
        return false;
    }
    int result = status.WaitClosed();
    dialer.Wait();
    return result == IDOK;
}

bool CPhoneTone::OnOKPlay(WCHAR* number)
{
    std::u16string text = number ? number : u"";
    std::free(number);
    if (!m_settings.TonesUsable()) {
        ShowError(u"The touch-tone lengths are out of range: tones of 1 to %d samples, gaps of at most %d.",
                  static_cast<int>(kMaxToneSamples), static_cast<int>(kMaxToneSamples));
        return false;
    }
    size_t units = 0;  // tone-plus-pause lengths the number needs
    for (char16_t c : text) units += FindDtmf(c) ? 2 : c == u',' ? 1 : 0;
    size_t unit = static_cast<size_t>(m_settings.toneSamples) + m_settings.gapSamples;
    if (units * unit > kMaxToneBufferSamples - std::min(m_samples.size(), kMaxToneBufferSamples)) {
        ShowError(u"The number is too long to play as touch tones.");
        return false;
    }
    m_samples.reserve(m_samples.size() + units * unit);
    for (char16_t c : text) {
        if (const DtmfPair* pair = FindDtmf(c)) {
            OutputTones(pair->low, pair->high);
            OutputSilence();
        } else if (c == u',') {
            OutputSilence();
        }
    }
    return true;
}

void CPhoneTone::OutputTones(int lowFrequency, int highFrequency)
{
    m_samples.insert(m_samples.end(), m_settings.gapSamples, kGapLevel);
    SineRecurrence low(lowFrequency), high(highFrequency);
    for (DWORD i = 0; i < m_settings.toneSamples; ++i)
        m_samples.push_back(static_cast<std::int32_t>((low.Next() + high.Next()) * kToneScale));
}

void CPhoneTone::OutputSilence()
{
    m_samples.insert(m_samples.end(), static_cast<size_t>(m_settings.toneSamples) + m_settings.gapSamples, 0);
}

bool CPhoneTone::PhoneWavePlay()
{
    if (!IsUsable() || m_samples.empty()) return false;
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = 44100;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = 88200;
    HWAVEOUT wave = nullptr;
    if (waveOutOpen(&wave, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return false;
    DWORD volume = 0;
    bool restoreVolume = waveOutGetVolume(wave, &volume) == MMSYSERR_NOERROR;
    waveOutSetVolume(wave, 0xFFFF);
    WAVEHDR header{};
    header.lpData = reinterpret_cast<LPSTR>(m_samples.data());
    header.dwBufferLength = static_cast<DWORD>(m_samples.size() * sizeof(std::int32_t));
    bool played = false;
    if (waveOutPrepareHeader(wave, &header, sizeof header) == MMSYSERR_NOERROR) {
        if (waveOutWrite(wave, &header, sizeof header) == MMSYSERR_NOERROR) {
            while (std::atomic_ref<DWORD>(header.dwFlags).load() != (WHDR_DONE | WHDR_PREPARED))
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
            played = true;
        }
        waveOutUnprepareHeader(wave, &header, sizeof header);
    }
    if (restoreVolume) waveOutSetVolume(wave, volume);
    waveOutClose(wave);
    return played;
}

int CPhoneTone::DailerCallback(int code)
{
    CDialStatus& status = CDialStatus::Get();
    switch (code) {
    case TSDIAL_STARTED:
        g_rememberedDialError.store(0);
        for (int tries = 0; tries < 50 && !status.IsOpen(); ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        status.SetText(ResourceString(kDiallingStartedString));
        break;
    case TSDIAL_DISCONNECTED:
    case TSDIAL_SENDFAILED:
    case TSDIAL_BADRESPONSE:
    case TSDIAL_TIMEOUT: g_rememberedDialError.store(code); break;
    case TSDIAL_FINISHED: {
        int error = g_rememberedDialError.exchange(0);
        if (!error) {
            status.Close(IDOK);
            break;
        }
        status.Close(IDCANCEL);
        const WCHAR* text = error == TSDIAL_DISCONNECTED  ? u"Port or phone disconnected"
                            : error == TSDIAL_SENDFAILED  ? u"Unable to send to Port"
                            : error == TSDIAL_BADRESPONSE ? u"Invalid/Unexpected response from phone"
                            : error == TSDIAL_TIMEOUT     ? u"Timeout while talking to phone"
                                                          : u"Unknown Error";
        MessageBoxW(nullptr, text, u"Unable to Dial", MB_ICONERROR | MB_TOPMOST);
        break;
    }
    default: break;
    }
    return 1;
}

void CPhoneTone::PhoneJournal(CEOID oid, LPCWSTR number)
{
    CRegistry settings;
    ULONG dialing = 0;
    if (settings.Exists(HKEY_CURRENT_USER, kAutoJournalKey) != 1 || settings.QueryValue(u"bDialing", &dialing) != 0 ||
        dialing == 0)
        return;
    std::u16string call = ResourceString(kPhoneCallString);
    CJournalData entry;
    GetLocalTime(&entry.m_start);
    entry.m_created = entry.m_start;
    entry.m_parent = oid;
    entry.m_subject = call.c_str();
    entry.m_type = call.c_str();
    entry.m_parentText = call.c_str();
    std::u16string notes = call + u" " + (number ? number : u"");
    entry.SetNotesText(notes.c_str());
    CJournalDialog::Show(nullptr, entry);
}
