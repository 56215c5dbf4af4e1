// CPhoneNumberLabel: the text of a phone-number field of the contact editor,
// formatted as a North-American number when the user leaves the field.
//
// The default area and country codes are the settings "CV_AreaCode" and
// "CV_CountryCode" of the contact key; formatting is on unless
// "Autoformatdialing" is 0. A number typed with its area code in
// parentheses, or ten digits, is written "(555) 123-4567"; the area code used
// becomes the default. Numbers of 18 characters or more, numbers starting
// with "+" and numbers of fewer than 8 digits are left as typed. An "x" ends
// the number; what follows is kept as the extension, after one blank.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/export.h"
#include "platform/base/types.h"

class KSTOOLS_API CPhoneNumberLabel {
public:
    // Reads the auto-format setting.
    CPhoneNumberLabel();

    void SetText(std::u16string_view text) { m_text = text; }
    // What the field shows.
    const std::u16string& Text() const { return m_text; }
    // The number typed: empty while the field holds only the prefill.
    std::u16string GetText() const;
    // Fills an empty field with "(area) " or, with a country code too,
    // "+country (area) ", and remembers that prefill.
    void SetAreaCode();
    // The user left the field: formats its text (see above).
    void FormatCode();
    bool AutoFormat() const { return m_autoFormat; }

    // The formatted form of text with this default area code (empty for
    // none): the text as it stands when it is left alone. typedAreaCode
    // receives the area code the result used (empty when none).
    static std::u16string Format(std::u16string_view text, std::u16string_view defaultAreaCode,
                                 std::u16string* usedAreaCode);

private:
    std::u16string m_text;
    std::u16string m_prefill;
    bool m_autoFormat = true;
};
