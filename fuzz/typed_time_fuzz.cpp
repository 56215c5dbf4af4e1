// CorvidDateFromString on arbitrary text and flags. Input layout:
//   byte 0    the user's locale: en-US, de-DE, ja-JP or en-GB (24-hour clock)
//   byte 1    the flags' low byte
//   byte 2    bit 7: also set one higher flag bit (bits 0-3 choose it);
//             bit 6: no output variable; bit 5: no text at all
//   the rest  UTF-16 text up to the first 0 unit
// The process works on a data directory of its own, so the registry's locale
// overrides are those of a new device. Besides running clean under the
// sanitizers:
//  - the results are those documented: S_OK, DISP_E_TYPEMISMATCH,
//    DISP_E_BADVARTYPE, E_INVALIDARG, and DISP_E_OVERFLOW only from the
//    general reader (bit 1 without bit 0);
//  - text is needed (null or empty: DISP_E_TYPEMISMATCH), and so is an
//    output variable; flags naming neither reader are E_INVALIDARG;
//  - a time read is a fraction 0 <= t < 1 and, typed, whole minutes of a text
//    that holds a digit.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "foundation/time_parsing.h"
#include "platform/locale/locale_id.h"

namespace {

constexpr const char* kLocales[] = {"en-US", "de-DE", "ja-JP", "en-GB"};

void Check(bool ok)
{
    if (!ok) std::abort();
}

std::filesystem::path g_home;

void RemoveHome() { std::filesystem::remove_all(g_home); }

bool HasDigit(const std::u16string& text)
{
    for (char16_t c : text) {
        if (c >= u'0' && c <= u'9') return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "typed-time-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    g_home = pattern;
    setenv("KSTOOLS_HOME", pattern.c_str(), 1);
    std::atexit(RemoveHome);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3) return 0;
    Check(platform::SetUserLocaleName(kLocales[data[0] % 4]));
    DWORD flags = data[1];
    if (data[2] & 0x80) flags |= 0x100u << (data[2] & 0x0F);
    const bool noOutput = data[2] & 0x40;
    const bool noText = data[2] & 0x20;
    std::u16string text((size - 3) / 2, u'\0');
    if (!text.empty()) std::memcpy(text.data(), data + 3, text.size() * 2);
    text.resize(text.find(u'\0') == std::u16string::npos ? text.size() : text.find(u'\0'));

    DATE time = -1;
    const HRESULT result = CorvidDateFromString(noText ? nullptr : text.c_str(), flags, noOutput ? nullptr : &time);
    const bool typed = flags == 0 || (flags & CORVID_TIME_TYPED);
    const bool variant = !typed && (flags & CORVID_TIME_VARIANT);

    Check(result == S_OK || result == DISP_E_TYPEMISMATCH || result == DISP_E_BADVARTYPE || result == E_INVALIDARG ||
          (variant && result == DISP_E_OVERFLOW));
    if (noText || text.empty()) Check(result == DISP_E_TYPEMISMATCH);
    if (!typed && !variant && !noText && !text.empty()) Check(result == E_INVALIDARG);
    if (noOutput) Check(result != S_OK);
    if (result == S_OK) {
        Check(time >= 0.0 && time < 1.0);
        if (typed) {
            Check(HasDigit(text));
            const double minutes = time * 1440.0;
            Check(std::fabs(minutes - std::round(minutes)) < 1e-6);
        }
    }
    return 0;
}
