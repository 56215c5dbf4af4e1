// UTF-8 -> UTF-16 -> UTF-8: whatever the input, the UTF-16 text is well
// formed, and converting it back and forth again changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/text/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::u16string wide = Utf8ToWide(input);
    for (size_t i = 0; i < wide.size(); ++i) {
        char16_t c = wide[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= wide.size() || wide[i + 1] < 0xDC00 || wide[i + 1] > 0xDFFF) std::abort();
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            std::abort();
        }
    }
    std::string utf8 = WideToUtf8(wide);
    if (Utf8ToWide(utf8) != wide) std::abort();
    // Arbitrary UTF-16 (the input bytes read as units) must convert too.
    std::u16string units(size / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    std::string back = WideToUtf8(units);
    if (WideToUtf8(Utf8ToWide(back)) != back) std::abort();
    return 0;
}
