// VarDateFromStr on arbitrary text. The first byte picks the locale (en-US,
// de-DE or ja-JP); the rest is UTF-16 text up to the first 0 unit. Each text
// is read whole, for its time only, for its date only, and with both of those
// flags at once. Besides running clean under the sanitizers:
//  - the only results are S_OK, DISP_E_TYPEMISMATCH and DISP_E_OVERFLOW, and
//    both flags at once are always E_INVALIDARG;
//  - a date read whole lies in the OLE range and converts back to a SYSTEMTIME;
//  - a time alone is a fraction 0 <= t < 1, a date alone a whole number of days;
//  - when the whole read succeeds, the two partial reads succeed as well and
//    are its parts: the whole part of the date, and the time of day (its
//    magnitude, for dates before 30 December 1899).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/locale/variant_date_parse.h"

namespace {

constexpr LCID kLocales[] = {0x0409, 0x0407, 0x0411};  // en-US, de-DE, ja-JP
constexpr DATE kEarliest = -657434.0;                  // the day 1 January 100
constexpr DATE kLatest = 2958465.0;                    // the day 31 December 9999
constexpr double kTolerance = 1e-6;                    // well below a second (1.16e-5 of a day)

void Check(bool ok)
{
    if (!ok) std::abort();
}

bool Documented(HRESULT result) { return result == S_OK || result == DISP_E_TYPEMISMATCH || result == DISP_E_OVERFLOW; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const LCID locale = kLocales[data[0] % 3];
    std::u16string text((size - 1) / 2, u'\0');
    if (!text.empty()) std::memcpy(text.data(), data + 1, text.size() * 2);
    text.resize(text.find(u'\0') == std::u16string::npos ? text.size() : text.find(u'\0'));

    DATE whole = 0, time = 0, day = 0, both = 0;
    const HRESULT wholeResult = VarDateFromStr(text.c_str(), locale, 0, &whole);
    const HRESULT timeResult = VarDateFromStr(text.c_str(), locale, VAR_TIMEVALUEONLY, &time);
    const HRESULT dayResult = VarDateFromStr(text.c_str(), locale, VAR_DATEVALUEONLY, &day);
    Check(VarDateFromStr(text.c_str(), locale, VAR_TIMEVALUEONLY | VAR_DATEVALUEONLY, &both) == E_INVALIDARG);
    Check(Documented(wholeResult) && Documented(timeResult) && Documented(dayResult));

    if (wholeResult == S_OK) {
        Check(whole > kEarliest - 1.0 && whole < kLatest + 1.0);  // the days with their times
        SYSTEMTIME st{};
        Check(VariantTimeToSystemTime(whole, &st) != 0);
        Check(timeResult == S_OK && dayResult == S_OK);
        Check(std::fabs(day - std::trunc(whole)) < kTolerance);
        Check(std::fabs(time - std::fabs(whole - std::trunc(whole))) < kTolerance);
    }
    if (timeResult == S_OK) Check(time >= 0.0 && time < 1.0);
    if (dayResult == S_OK) Check(day == std::trunc(day) && day >= kEarliest && day <= kLatest);
    return 0;
}
