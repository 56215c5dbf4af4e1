#include "telephony/phone_number.h"

namespace {

bool IsSeparator(char16_t c) { return c == u' ' || c == u'-' || c == u'.' || c == u'(' || c == u')'; }

bool StartsWith(std::u16string_view text, std::u16string_view prefix)
{
    return !prefix.empty() && text.substr(0, prefix.size()) == prefix;
}

// National number (area code and local number) to what is dialled.
std::u16string NationalNumber(const PhoneSettings& s, std::u16string_view national)
{
    if (StartsWith(national, s.areaCode)) {
        if (s.dialAreaCode) return std::u16string(national);
        return std::u16string(national.substr(s.areaCode.size()));
    }
    return s.longDistance + std::u16string(national);
}

}  // namespace

std::u16string PreparePhoneNumber(const PhoneSettings& s, std::u16string_view number, bool* tooLong)
{
    if (tooLong) *tooLong = false;
    // A number far longer than anything dialled is refused before copying it.
    if (number.size() > 4 * kMaxDialLength) {
        if (tooLong) *tooLong = true;
        return {};
    }
    std::u16string plain;
    for (char16_t c : number)
        if (!IsSeparator(c)) plain.push_back(c);
    if (plain.empty()) return {};

    std::u16string_view n = plain;
    std::u16string dialled;
    if (n[0] == u'+') {
        std::u16string_view rest = n.substr(1);
        if (StartsWith(rest, s.countryCode))
            dialled = NationalNumber(s, rest.substr(s.countryCode.size()));
        else if (!s.international.empty())
            dialled = s.international + u" " + std::u16string(rest);
        else
            dialled = std::u16string(n);
    } else if (StartsWith(n, s.longDistance)) {
        dialled = NationalNumber(s, n.substr(s.longDistance.size()));
    } else if (s.dialAreaCode && !s.areaCode.empty()) {
        dialled = s.areaCode + std::u16string(n);
    } else {
        dialled = std::u16string(n);
    }
    dialled.insert(0, s.prefix);
    if (dialled.size() > kMaxDialLength) {
        if (tooLong) *tooLong = true;
        return {};
    }
    return dialled;
}

std::u16string ToneDialString(std::u16string_view prepared)
{
    std::u16string out;
    for (char16_t c : prepared)
        if (c != u' ' && c != u'-' && c != u')') out.push_back(c);
    return out;
}

std::string SerialDialString(std::u16string_view prepared)
{
    std::string out;
    for (char16_t c : prepared)
        if ((c >= u'0' && c <= u'9') || c == u'+' || c == u',') out.push_back(static_cast<char>(c));
    return out;
}
