// Rich text of the external notes program from arbitrary UTF-16 text: the
// plain text of any input is made without fault, and rich text made from
// plain text gives that text back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/ink/ink_rich_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::u16string text;
    for (size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    const std::u16string plain = platform::PlainTextOfRtf(text);
    // Line ends come back as '\n' alone, so compare texts without '\r'.
    std::u16string expected;
    for (char16_t c : plain)
        if (c != u'\r') expected.push_back(c);
    const std::string rich = platform::RtfOfPlainText(expected);
    const std::u16string back = platform::PlainTextOfRtf(std::u16string(rich.begin(), rich.end()));
    if (back != expected) std::abort();
    return 0;
}
