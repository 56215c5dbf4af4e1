// What ks_settings_saver writes for one generation: every value carries the number, so a file mixing
// two saves is told from one save.
#pragma once

#include <string>

namespace settings_generation {

inline constexpr int kSections = 40;
inline constexpr int kValuesPerSection = 50;
// In the first section, beside the other values.
inline constexpr const char16_t* kGenerationName = u"Generation";

inline std::u16string Decimal(unsigned long n)
{
    std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
}

// Subkey under HKEY_CURRENT_USER.
inline std::u16string SectionKey(int section)
{
    return u"Software\\Corvid\\Kestrel\\Crash\\Section" + Decimal(static_cast<unsigned long>(section));
}

inline std::u16string ValueName(int value) { return u"Value" + Decimal(static_cast<unsigned long>(value)); }

// Half the values are numbers (the generation), half strings.
inline bool IsNumber(int section, int value) { return (section + value) % 2 == 0; }

inline std::u16string Text(unsigned long generation, int section, int value)
{
    std::u16string text = u"g";
    text.append(Decimal(generation)).append(u" s").append(Decimal(static_cast<unsigned long>(section)));
    return text.append(u" v").append(Decimal(static_cast<unsigned long>(value)));
}

}  // namespace settings_generation
