#include "foundation/time_parsing.h"

#include <string>

#include "foundation/locale_patterns.h"
#include "foundation/string_functions.h"
#include "platform/locale/locale_info.h"
#include "platform/time/system_time.h"
#include "platform/locale/variant_date_parse.h"
#include "platform/text/wide_string.h"

namespace {

std::u16string LocaleText(LCTYPE type)
{
    WCHAR buffer[80] = {};
    if (!Corvid_GetLocaleInfo(LOCALE_USER_DEFAULT, type, buffer, 80)) return {};
    return buffer;
}

bool IsDigit(WCHAR c) { return c >= u'0' && c <= u'9'; }

// "%d" as swscanf reads it: leading white space, a sign, digits.
bool ReadInteger(const WCHAR*& p, long& value)
{
    const WCHAR* q = p;
    while (iswspace(*q)) ++q;
    bool negative = false;
    if (*q == u'+' || *q == u'-') negative = (*q++ == u'-');
    if (!IsDigit(*q)) return false;
    long n = 0;
    while (IsDigit(*q)) {
        if (n < 100000000) n = n * 10 + (*q - u'0');
        ++q;
    }
    value = negative ? -n : n;
    p = q;
    return true;
}

// The separator as a scanf format matches it: white space in it matches any
// run of white space, other characters must be there as they are.
bool ReadSeparator(const WCHAR*& p, const std::u16string& separator)
{
    const WCHAR* q = p;
    for (WCHAR c : separator) {
        if (iswspace(c)) {
            while (iswspace(*q)) ++q;
        } else if (*q++ != c) {
            return false;
        }
    }
    p = q;
    return true;
}

}  // namespace

HRESULT CorvidDateFromString(LPCWSTR text, DWORD flags, DATE* out)
{
    if (!text || !*text) return DISP_E_TYPEMISMATCH;
    if (flags != 0 && !(flags & CORVID_TIME_TYPED)) {
        if (flags & CORVID_TIME_VARIANT) return VarDateFromStr(text, 0, VAR_TIMEVALUEONLY, out);
        return E_INVALIDARG;
    }
    if (!out) return E_INVALIDARG;
    const std::u16string pmDesignator = LocaleText(LOCALE_S2359);
    const std::u16string separator = LocaleText(LOCALE_STIME);
    const bool clock24 = LocaleText(LOCALE_ITIME) == u"1";
    const bool pm = !pmDesignator.empty() && wcsistr(text, pmDesignator.c_str()) != nullptr;

    const WCHAR* p = text;
    while (*p && !IsDigit(*p)) ++p;
    long hours = 0, minutes = 0;
    int read = 0;
    if (ReadInteger(p, hours)) {
        read = 1;
        if (ReadSeparator(p, separator) && ReadInteger(p, minutes)) read = 2;
    }
    if (read == 0) return DISP_E_BADVARTYPE;
    if (read == 1 && wcslen(text) >= 3) {
        // A compact time: the last two digits are the minutes.
        minutes = hours % 100;
        hours /= 100;
        if (pm && hours < 12) hours += 12;
    } else {
        if (pm && hours < 12) hours += 12;
        if (hours == 12 && !clock24 && !pm) hours = 0;
    }
    if (hours < 0 || hours >= 24 || minutes < 0 || minutes >= 60) return DISP_E_BADVARTYPE;
    SYSTEMTIME time{};
    time.wYear = 1899;
    time.wMonth = 12;
    time.wDay = 30;
    time.wHour = static_cast<WORD>(hours);
    time.wMinute = static_cast<WORD>(minutes);
    DATE date = 0;
    if (!SystemTimeToVariantTime(&time, &date)) return DISP_E_BADVARTYPE;
    *out = date - static_cast<long long>(date);
    return 0;
}
