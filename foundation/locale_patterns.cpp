#include "foundation/locale_patterns.h"

#include <mutex>
#include <optional>
#include <string>

#include "foundation/ce_string.h"
#include "platform/locale/date_format.h"
#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/files/registry.h"
#include "platform/text/wide_string.h"

namespace {

// The override value for type, when there is one in the registry.
std::optional<std::u16string> Override(LCTYPE type)
{
    const WCHAR* name = nullptr;
    WCHAR highest = u'1';
    switch (type) {
        case LOCALE_IDATE:
            name = u"IDate";
            highest = u'2';
            break;
        case LOCALE_ITIME:
            name = u"ITime";
            break;
        case LOCALE_ITLZERO:
            name = u"ITLZr";
            break;
        default:
            return std::nullopt;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"nls\\overrides", 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    WCHAR value[16] = {};
    DWORD bytes = sizeof(value) - sizeof(WCHAR);
    DWORD kind = 0;
    LONG result = RegQueryValueExW(key, name, nullptr, &kind, reinterpret_cast<BYTE*>(value), &bytes);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || kind != REG_SZ || value[0] < u'0' || value[0] > highest) return std::nullopt;
    return std::u16string(value);
}

// The four patterns, derived once.
struct Patterns {
    std::u16string longDate, longAbbrev, midSize, shortFullYear;
};

std::mutex g_lock;
std::optional<Patterns> g_patterns;

std::u16string LocalePicture(LCID locale, LCTYPE type)
{
    WCHAR buffer[128] = {};
    Corvid_GetLocaleInfo(locale, type, buffer, 128);
    return buffer;
}

// text with every find replaced by replace (the library's CeString::Replace).
std::u16string Replaced(const std::u16string& text, const WCHAR* find, const WCHAR* replace)
{
    CeString result(text.c_str());
    result.Replace(find, replace);
    return static_cast<const WCHAR*>(result);
}

Patterns Derive(LCID locale)
{
    Patterns p;
    const std::u16string longDate = LocalePicture(locale, LOCALE_SLONGDATE);
    p.longDate = longDate.find(u"dddd") == std::u16string::npos ? u"dddd " + longDate : longDate;
    if (longDate.find(u"ddd") != std::u16string::npos) {
        p.longAbbrev = Replaced(longDate, u"dddd", u"ddd");
    } else {
        p.longAbbrev = u"ddd " + longDate;
    }
    p.midSize = Replaced(p.longAbbrev, u"MMMM", u"MMM");
    p.shortFullYear = LocalePicture(locale, LOCALE_SSHORTDATE);
    if (p.shortFullYear.find(u"yyyy") == std::u16string::npos) {
        p.shortFullYear = Replaced(p.shortFullYear, u"yy", u"yyyy");
    }
    return p;
}

const Patterns& PatternsFor(LCID locale)
{
    std::lock_guard<std::mutex> guard(g_lock);
    if (!g_patterns) g_patterns = Derive(locale);
    return *g_patterns;
}

}  // namespace

int Corvid_GetLocaleInfo(LCID locale, LCTYPE type, LPWSTR buffer, int size)
{
    if (std::optional<std::u16string> value = Override(type)) {
        int needed = static_cast<int>(value->size()) + 1;
        if (size == 0) return needed;
        if (!buffer || size < needed) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        wcscpy(buffer, value->c_str());
        return needed;
    }
    int result = GetLocaleInfoW(locale, type, buffer, size);
    if (result == 0) result = GetLocaleInfoW(locale | LOCALE_NOUSEROVERRIDE, type, buffer, size);
    return result;
}

int GetLongDateFormat(LCID locale, const SYSTEMTIME* date, LPWSTR buffer, int size)
{
    return GetDateFormatW(locale, 0, date, PatternsFor(locale).longDate.c_str(), buffer, size);
}

int GetLongAbbrevDateFormat(LCID locale, const SYSTEMTIME* date, LPWSTR buffer, int size)
{
    return GetDateFormatW(locale, 0, date, PatternsFor(locale).longAbbrev.c_str(), buffer, size);
}

int GetMidSizeDateFormat(LCID locale, const SYSTEMTIME* date, LPWSTR buffer, int size)
{
    return GetDateFormatW(locale, 0, date, PatternsFor(locale).midSize.c_str(), buffer, size);
}

int GetShortDateFormatWithFullYear(LCID locale, const SYSTEMTIME* date, LPWSTR buffer, int size)
{
    return GetDateFormatW(locale, 0, date, PatternsFor(locale).shortFullYear.c_str(), buffer, size);
}

namespace foundation {
void ResetDatePatterns()
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_patterns.reset();
}
}  // namespace foundation
