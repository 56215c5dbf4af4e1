// Telephone numbers and dialling settings of any content: the first bytes
// pick which settings are set, the rest is split into UTF-16 texts for the
// settings and the number. The prepared number is never longer than
// kMaxDialLength, and the dial strings keep only what they promise.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "telephony/phone_number.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) return 0;
    std::uint8_t flags = data[0];
    std::u16string text;
    for (std::size_t i = 1; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    // Fields separated by U+0001: country, international, area, long distance, prefix, number.
    std::u16string fields[6];
    std::size_t field = 0;
    for (char16_t c : text) {
        if (c == 1 && field < 5)
            ++field;
        else
            fields[field].push_back(c);
    }
    PhoneSettings s;
    s.countryCode = fields[0].substr(0, 50);
    s.international = fields[1].substr(0, 50);
    s.areaCode = fields[2].substr(0, 50);
    s.longDistance = fields[3].substr(0, 50);
    s.prefix = fields[4].substr(0, 50);
    s.dialAreaCode = flags & 1;
    bool tooLong = false;
    std::u16string prepared = PreparePhoneNumber(s, fields[5], &tooLong);
    if (prepared.size() > kMaxDialLength || (tooLong && !prepared.empty())) std::abort();
    for (char c : SerialDialString(prepared))
        if (!((c >= '0' && c <= '9') || c == '+' || c == ',')) std::abort();
    for (char16_t c : ToneDialString(prepared))
        if (c == u' ' || c == u'-' || c == u')') std::abort();
    return 0;
}
