// The touch tones as a listener hears them: the WAV file the wave output
// writes is decoded here and searched for DTMF frequencies with a Goertzel
// filter, independently of how the tones were made.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "platform/devices/wave_out.h"
#include "platform/text/wide_string.h"
#include "telephony/phone_tone.h"
#include "tests/storage/settings_test_support.h"
#include "tests/support/scripted_ui_host.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int kRows[] = {697, 770, 852, 941};
constexpr int kColumns[] = {1209, 1336, 1477};

struct Wav {
    int channels = 0, rate = 0, bits = 0;
    std::vector<std::int16_t> samples;
};

std::uint32_t Le(const std::string& bytes, size_t at, int size)
{
    std::uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

Wav ReadWav(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    Wav wav;
    if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") || bytes.compare(8, 8, "WAVEfmt ")) return wav;
    wav.channels = static_cast<int>(Le(bytes, 22, 2));
    wav.rate = static_cast<int>(Le(bytes, 24, 4));
    wav.bits = static_cast<int>(Le(bytes, 34, 2));
    size_t size = Le(bytes, 40, 4);
    for (size_t i = 44; i + 1 < 44 + size && i + 1 < bytes.size(); i += 2)
        wav.samples.push_back(static_cast<std::int16_t>(Le(bytes, i, 2)));
    return wav;
}

// The amplitude of frequency f in samples [from, from + n) at 44100 Hz.
double Amplitude(const std::vector<std::int16_t>& s, size_t from, size_t n, double f)
{
    double coefficient = 2.0 * std::cos(2.0 * M_PI * f / kRate), q1 = 0, q2 = 0;
    for (size_t i = 0; i < n; ++i) {
        double q0 = coefficient * q1 - q2 + s[from + i];
        q2 = q1;
        q1 = q0;
    }
    return 2.0 * std::sqrt(q1 * q1 + q2 * q2 - coefficient * q1 * q2) / static_cast<double>(n);
}

class TouchTones : public SettingsSandbox {
protected:
    void SetUp() override
    {
        SettingsSandbox::SetUp();
        wav_ = Host("tones.wav");
        std::filesystem::create_directories(Host());
        platform::SetWaveOutput(wav_, false);
    }
    void TearDown() override
    {
        platform::SetWaveOutput(Host("Tones.wav"), false);
        SettingsSandbox::TearDown();
    }
    int Play(const PhoneSettings& settings, const WCHAR* number)
    {
        CPhoneTone tone(settings);
        return tone.PlayPhoneNumber(number, KSDIAL_TONES, nullptr, 0, nullptr);
    }
    std::string wav_;
};

TEST_F(TouchTones, EveryKeyIsHeardAtItsRowAndColumnAndNothingElse)
{
    PhoneSettings settings;
    ASSERT_EQ(Play(settings, u"0123456789*#"), 1);
    Wav wav = ReadWav(wav_);
    ASSERT_EQ(wav.channels, 1);
    ASSERT_EQ(wav.rate, 44100);
    ASSERT_EQ(wav.bits, 16);
    // Each generated sample is two output samples.
    const size_t gap = 2 * 2500, tone = 2 * 6000, key = 2 * (gap + tone);
    const std::u16string keys = u"0123456789*#";
    ASSERT_EQ(wav.samples.size(), keys.size() * key);
    const char16_t pad[4][3] = {{u'1', u'2', u'3'}, {u'4', u'5', u'6'}, {u'7', u'8', u'9'}, {u'*', u'0', u'#'}};
    for (size_t k = 0; k < keys.size(); ++k) {
        SCOPED_TRACE(static_cast<char>(keys[k]));
        size_t start = k * key;
        for (size_t i = 0; i < gap; ++i) ASSERT_EQ(wav.samples[start + i], i % 2 ? 0 : 1000) << "gap sample " << i;
        for (size_t i = 0; i < gap + tone; ++i) ASSERT_EQ(wav.samples[start + gap + tone + i], 0) << "pause sample " << i;
        // Two sines of 16000, every other output sample a high half of 0 or -1:
        // 8000 each at their own frequency, next to nothing at the others.
        for (int r = 0; r < 4; ++r) {
            bool mine = pad[r][0] == keys[k] || pad[r][1] == keys[k] || pad[r][2] == keys[k];
            double a = Amplitude(wav.samples, start + gap, tone, kRows[r]);
            if (mine) EXPECT_NEAR(a, 8000, 400) << kRows[r] << " Hz";
            else EXPECT_LT(a, 200) << kRows[r] << " Hz";
        }
        for (int c = 0; c < 3; ++c) {
            bool mine = pad[0][c] == keys[k] || pad[1][c] == keys[k] || pad[2][c] == keys[k] || pad[3][c] == keys[k];
            double a = Amplitude(wav.samples, start + gap, tone, kColumns[c]);
            if (mine) EXPECT_NEAR(a, 8000, 400) << kColumns[c] << " Hz";
            else EXPECT_LT(a, 200) << kColumns[c] << " Hz";
        }
    }
}

TEST_F(TouchTones, GapAndToneLengthsFollowTheSettings)
{
    struct Case {
        DWORD gap, tone;
    } cases[] = {{0, 1}, {100, 441}, {2500, 6000}, {kMaxToneSamples, kMaxToneSamples}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.gap << "/" << c.tone);
        PhoneSettings settings;
        settings.gapSamples = c.gap;
        settings.toneSamples = c.tone;
        ASSERT_EQ(Play(settings, u"5"), 1);
        Wav wav = ReadWav(wav_);
        ASSERT_EQ(wav.samples.size(), 2 * (2 * (c.gap + c.tone)));
        size_t firstTone = 2 * c.gap;
        for (size_t i = 0; i < firstTone; i += 2) ASSERT_EQ(wav.samples[i], 1000);
        size_t lastNonZero = 0;
        for (size_t i = 0; i < wav.samples.size(); ++i)
            if (wav.samples[i] != 0 && wav.samples[i] != -1) lastNonZero = i;
        EXPECT_LT(lastNonZero, 2 * (c.gap + c.tone));
    }
}

TEST_F(TouchTones, PausesAndSkippedCharacters)
{
    PhoneSettings settings;
    settings.gapSamples = 10;
    settings.toneSamples = 30;
    CPhoneTone reference(settings);
    // A layout as a string: T a tone (gap and tone), P a pause.
    auto layout = [&](const std::vector<std::int32_t>& samples) {
        std::string out;
        for (size_t i = 0; i < samples.size(); i += 40) out += samples[i] == 1000 ? 'T' : samples[i] == 0 ? 'P' : '?';
        return out;
    };
    struct Case {
        const WCHAR* number;
        const char* layout;
    } cases[] = {
        {u"12,3", "TPTPPTP"}, {u"1a2", "TPTP"}, {u"a", ""}, {u",", "P"}, {u"*#", "TPTP"}, {u"+()-. ", ""},
    };
    for (const Case& c : cases) {
        CPhoneTone tone(settings);
        ASSERT_TRUE(tone.OnOKPlay(_wcsdup(c.number)));
        EXPECT_EQ(layout(tone.Samples()), c.layout) << std::string(c.number, c.number + wcslen(c.number));
    }
}

TEST_F(TouchTones, SamplesStayWithin32000)
{
    PhoneSettings settings;
    CPhoneTone tone(settings);
    ASSERT_TRUE(tone.OnOKPlay(_wcsdup(u"0123456789*#")));
    std::int32_t peak = 0;
    for (std::int32_t s : tone.Samples()) peak = std::max(peak, std::abs(s));
    EXPECT_LE(peak, 32000);
    EXPECT_GT(peak, 30000);  // two sines of 16000 meet near their peaks within a tone
}

TEST_F(TouchTones, RefusedSettingsAndNumbersPlayNothing)
{
    struct Case {
        DWORD gap, tone;
        std::u16string number;
        const char* message;  // part of the error shown
    } cases[] = {
        {2500, 0, u"1", "out of range"},
        {2500, 1000000000, u"1", "out of range"},
        {1000000000, 6000, u"1", "out of range"},
        {2500, 6000, std::u16string(2000, u'5'), "too long to dial"},
        {kMaxToneSamples, kMaxToneSamples, std::u16string(1000, u'5'), "too long to play"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::filesystem::remove(wav_);
        ScriptedUiHost ui;
        ui.SetFallbackAnswer(IDOK);
        PhoneSettings settings;
        settings.gapSamples = c.gap;
        settings.toneSamples = c.tone;
        EXPECT_EQ(Play(settings, c.number.c_str()), 0);
        EXPECT_FALSE(std::filesystem::exists(wav_));
        ASSERT_GE(ui.MessageCount(), 1u);
        std::u16string text = ui.LastMessage().text;
        EXPECT_NE(std::string(text.begin(), text.end()).find(c.message), std::string::npos);
        EXPECT_EQ(ui.LastMessage().flags, MB_ICONERROR | MB_TOPMOST);
    }
}

TEST_F(TouchTones, CancellingTheNumberOrHavingNoDevicePlaysNothing)
{
    {
        ScriptedUiHost ui;
        ui.QueueAnswer(IDCANCEL);
        EXPECT_EQ(Play(PhoneSettings{}, u"123"), 0);
        ASSERT_EQ(ui.MessageCount(), 1u);
        EXPECT_NE(ui.LastMessage().text.find(u"123"), std::u16string::npos);
    }
    platform::SetWaveOutput("", false);
    EXPECT_FALSE(CPhoneTone(PhoneSettings{}).IsUsable());
    EXPECT_EQ(Play(PhoneSettings{}, u"123"), 0);
    EXPECT_FALSE(std::filesystem::exists(wav_));
}

TEST_F(TouchTones, SoxReadsTheFile)
{
    if (std::system("command -v sox >/dev/null 2>&1") != 0) GTEST_SKIP() << "sox is not installed";
    ASSERT_EQ(Play(PhoneSettings{}, u"159#"), 1);
    std::string command = "sox '" + wav_ + "' -n stat 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    ASSERT_EQ(pclose(pipe), 0) << out;
    // Four keys of (2500 + 6000) × 2 samples twice over, at 44100 a second.
    EXPECT_TRUE(std::regex_search(out, std::regex(R"(Samples read:\s+136000\n)"))) << out;
    EXPECT_TRUE(std::regex_search(out, std::regex(R"(Length \(seconds\):\s+3\.083900\n)"))) << out;
}

}  // namespace
