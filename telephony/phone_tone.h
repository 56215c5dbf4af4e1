// CPhoneTone: dialling a contact's number, by the device's telephone, a
// Bluetooth dialler, a modem on a serial port, or touch tones played through
// the loudspeaker for holding the device against a handset.
//
// The touch tones: for every digit, '*' and '#' a gap of
// "CV_DialSilenceBetweenTone" samples of the constant 1000, then
// "CV_DialToneLength" samples of the sum of the character's two DTMF sines
// (row 697/770/852/941 Hz, column 1209/1336/1477 Hz) times 16000, each sine
// made by the recurrence y(n) = 2 cos(w) y(n-1) - y(n-2), then a pause of
// gap plus tone length samples of 0; ',' is a pause alone; other characters
// are skipped. w = f × 2π / 22050: the 32-bit samples are written unchanged
// into a 16-bit mono stream at 44100 samples a second, so each sample is two
// output samples (its low and high halves) and the tones come out at f.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/types.h"
#include "platform/objectstore/cedb.h"
#include "telephony/phone_settings.h"

// Dialling methods ("dwDialPrefs" 0, 1, 4 and 5 name one directly; every
// other value means the serial dialler).
enum KSDialMethods {
    KSDIAL_TONES = 0,          // touch tones through the wave output
    KSDIAL_PHONE = 1,          // the device's telephone (phone editions)
    KSDIAL_SERIAL = 3,         // AT commands to a modem or phone on a port
    KSDIAL_BTDIALER = 4,       // the Bluetooth dialler library
    KSDIAL_PHONE_OR_TONES = 5, // the telephone where there is one, else tones
};

// The largest tone buffer a number may need: ten minutes of samples.
constexpr size_t kMaxToneBufferSamples = 600 * 22050;

class CPhoneTone {
public:
    // Reads the settings.
    CPhoneTone();
    explicit CPhoneTone(const PhoneSettings& settings);

    // At least one wave output device.
    bool IsUsable() const;
    const PhoneSettings& Settings() const { return m_settings; }

    // Dials number for the contact (oid, name) by the method of the settings
    // and, when that succeeded, offers a journal entry for the call. False
    // for an empty number or when nothing was dialled.
    static bool DialPhoneNumber(LPCWSTR number, CEOID oid, LPCWSTR name);
    // The method "dwDialPrefs" names (KSDialMethods) and, for the serial
    // dialler, the port: 11 to 19 "COM1:" to "COM9:", 20 to 29 "BTC0:" to
    // "BTC9:", other values none.
    static int DialMethod(DWORD dialPrefs, std::u16string* port);
    // method: a KSDialMethods value; port: the serial port's name (method 3).
    // Shows the prepared number to be confirmed first. 1 when dialled.
    int PlayPhoneNumber(LPCWSTR number, int method, LPCWSTR port, CEOID oid, LPCWSTR name);

    // The tones of number (a malloc'ed string, freed here) appended to the
    // buffer. False, leaving the buffer as it was, when the settings' tone
    // lengths are out of range or the tones would pass kMaxToneBufferSamples.
    bool OnOKPlay(WCHAR* number);
    void OutputTones(int lowFrequency, int highFrequency);
    void OutputSilence();
    // Plays the buffer on the wave output at full volume (restoring the
    // volume after); false when there is no device or it refuses.
    bool PhoneWavePlay();
    const std::vector<std::int32_t>& Samples() const { return m_samples; }

    // The serial dialler's progress (ETSDialErr); always 1.
    static int DailerCallback(int code);
    // Offers a journal entry for a call to number, when "bDialing" of the
    // automatic journal settings is on.
    static void PhoneJournal(CEOID oid, LPCWSTR number);

    // How long the serial dialler waits for each answer (10 s by default).
    static void SetSerialAnswerTimeout(unsigned milliseconds);

private:
    bool DialSerial(const std::u16string& prepared, LPCWSTR port);
    bool DialPhone(const std::u16string& prepared, LPCWSTR name);
    bool DialBluetooth(LPCWSTR number, const std::u16string& prepared);
    bool DialTones(const std::u16string& prepared);

    PhoneSettings m_settings;
    std::vector<std::int32_t> m_samples;
};
