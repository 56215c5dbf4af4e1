// The dialling settings of the contact list, key "Software\Corvid\Kestrel\CV"
// of the current user, as a value read once.
#pragma once

#include <string>

#include "platform/base/types.h"

inline constexpr const WCHAR* kDialSettingsKey = u"Software\\Corvid\\Kestrel\\CV";

// Tone and gap lengths are counted in generated samples (22050 a second).
// Above this, five seconds, a setting is refused rather than honoured: a
// tone that long is a mistake, and a number of them would fill memory.
constexpr DWORD kMaxToneSamples = 5 * 22050;

struct PhoneSettings {
    bool dial = true;            // "CV_Dial"
    bool dialAreaCode = false;   // "CV_DialAreaCode": always dial the own area code
    std::u16string countryCode;  // "CV_CountryCode", digits without "+"
    std::u16string international;  // "CV_DialInternational": the international access prefix
    std::u16string areaCode;       // "CV_AreaCode"
    std::u16string longDistance;   // "CV_LongDistance": the long-distance (trunk) prefix
    std::u16string prefix;         // "CV_Prefix": dialled before every number
    DWORD gapSamples = 2500;       // "CV_DialSilenceBetweenTone"
    DWORD toneSamples = 6000;      // "CV_DialToneLength"
    bool btSendUnmodified = true;  // "BTSendUnModified"
    DWORD dialPrefs = 1;           // "dwDialPrefs": the dialling method

    // The settings store's values, defaults for missing ones; texts are cut
    // to 50 characters.
    static PhoneSettings Read();
    // Tone and gap lengths a tone dialler can use: a tone of 1 to
    // kMaxToneSamples samples, a gap of at most kMaxToneSamples.
    bool TonesUsable() const;
};
