#include "telephony/phone_settings.h"

#include "platform/files/registry.h"
#include "storage/c_registry.h"

namespace {

constexpr ULONG kTextMax = 50;

std::u16string QueryText(CRegistry& settings, LPCWSTR name)
{
    WCHAR buffer[kTextMax + 1] = {};
    if (settings.QueryValue(name, buffer, kTextMax + 1) != 0) return {};
    return std::u16string(buffer);
}

DWORD QueryNumber(CRegistry& settings, LPCWSTR name, DWORD fallback)
{
    ULONG value = 0;
    return settings.QueryValue(name, &value) == 0 ? static_cast<DWORD>(value) : fallback;
}

}  // namespace

PhoneSettings PhoneSettings::Read()
{
    PhoneSettings s;
    CRegistry settings;
    if (settings.Exists(HKEY_CURRENT_USER, kDialSettingsKey) != 1) return s;
    s.dial = QueryNumber(settings, u"CV_Dial", 1) != 0;
    s.dialAreaCode = QueryNumber(settings, u"CV_DialAreaCode", 0) != 0;
    s.countryCode = QueryText(settings, u"CV_CountryCode");
    s.international = QueryText(settings, u"CV_DialInternational");
    s.areaCode = QueryText(settings, u"CV_AreaCode");
    s.longDistance = QueryText(settings, u"CV_LongDistance");
    s.prefix = QueryText(settings, u"CV_Prefix");
    s.gapSamples = QueryNumber(settings, u"CV_DialSilenceBetweenTone", 2500);
    s.toneSamples = QueryNumber(settings, u"CV_DialToneLength", 6000);
    s.btSendUnmodified = QueryNumber(settings, u"BTSendUnModified", 1) != 0;
    s.dialPrefs = QueryNumber(settings, u"dwDialPrefs", 1);
    return s;
}

bool PhoneSettings::TonesUsable() const
{
    return toneSamples >= 1 && toneSamples <= kMaxToneSamples && gapSamples <= kMaxToneSamples;
}
