// The vCard reader on any bytes: no crash, errors that point at cards it
// read, and cards that survive being written and read again (the same cards
// with the same properties, values unescaped alike).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/text/vcard_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const platform::VCardReadResult read = platform::ReadVCards(input);
    for (const platform::VCardError& error : read.errors) {
        if (error.card > read.cards.size() || error.message.empty()) std::abort();
    }
    platform::VCardWriter writer;
    for (const platform::VCard& card : read.cards) {
        writer.Begin("3.0");
        for (const platform::VCardProperty& property : card.properties) {
            // Split and rejoin structured values on the way.
            for (const std::u16string& part : platform::SplitVCardValue(property.value, u';')) (void)part;
            writer.Add(property.name, property.value);
        }
        writer.End();
    }
    const platform::VCardReadResult again = platform::ReadVCards(writer.Text());
    if (again.cards.size() != read.cards.size() || !again.errors.empty()) std::abort();
    for (size_t c = 0; c < read.cards.size(); ++c) {
        const auto& before = read.cards[c].properties;
        const auto& after = again.cards[c].properties;
        if (before.size() != after.size()) std::abort();
        for (size_t p = 0; p < before.size(); ++p) {
            if (before[p].name != after[p].name) std::abort();
            if (platform::UnescapeVCardText(after[p].value).size() > platform::UnescapeVCardText(before[p].value).size() + 1 &&
                before[p].value.find_first_of(u"\r\n") == std::u16string::npos)
                std::abort();
        }
    }
    return 0;
}
