// Wildcard matching on arbitrary text and patterns. The input's 16-bit units
// are split at the first 0 unit into text and pattern. Besides running clean
// under the sanitizers, two properties must hold: a pattern that escapes
// every character of the text matches that text, and "*" matches every text
// that does not begin with a full stop.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/wildmat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::u16string units(size / 2, u'\0');
    if (!units.empty()) std::memcpy(units.data(), data, units.size() * 2);
    size_t cut = units.find(u'\0');
    std::u16string text = units.substr(0, cut);
    std::u16string pattern = cut == std::u16string::npos ? std::u16string() : units.substr(cut + 1);
    pattern = pattern.substr(0, pattern.find(u'\0'));

    wildmat(text.c_str(), pattern.c_str());
    DoMatch(text.c_str(), pattern.c_str());

    std::u16string escaped;
    for (char16_t c : text) {
        escaped += u'\\';
        escaped += c;
    }
    if (!wildmat(text.c_str(), escaped.c_str())) std::abort();
    bool leadingDot = !text.empty() && text[0] == u'.';
    if (wildmat(text.c_str(), u"*") == leadingDot) std::abort();
    return 0;
}
