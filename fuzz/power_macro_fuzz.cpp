// PowerMacro over arbitrary UTF-16 text. Besides running clean under the
// sanitizers:
//  - a text with fewer than two '%' comes back unchanged;
//  - without a contact pointer the expansion never asks for a contact.
// Bytes are taken two at a time as UTF-16 units; the stopwatches keep their
// state between inputs, as in a running process.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "items/power_macro.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::u16string text;
    for (size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    const size_t end = text.find(u'\0');
    if (end != std::u16string::npos) text.resize(end);
    WCHAR* out = PowerMacro(text.c_str(), nullptr, nullptr);
    if (!out) std::abort();
    if (std::count(text.begin(), text.end(), u'%') < 2 && std::u16string(out) != text) std::abort();
    std::free(out);
    return 0;
}
