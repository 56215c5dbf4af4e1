// UTF-8 <-> UTF-16 through ICU, substituting U+FFFD for anything ill-formed.
#include "platform/text/utf8.h"

#include <unicode/ustring.h>

#include <climits>

#include "platform/text/wide_string.h"

std::string WideToUtf8(std::u16string_view s)
{
    std::string out;
    if (s.empty() || s.size() > INT32_MAX / 3) return out;
    // Three bytes per unit is always enough: a surrogate pair (2 units) takes 4.
    out.resize(s.size() * 3);
    int32_t length = 0;
    UErrorCode err = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, s.data(), static_cast<int32_t>(s.size()),
                       0xFFFD, nullptr, &err);
    out.resize(U_SUCCESS(err) || err == U_STRING_NOT_TERMINATED_WARNING ? static_cast<size_t>(length) : 0);
    return out;
}

std::string WideToUtf8(const WCHAR* s, int len)
{
    if (!s) return {};
    size_t n = len < 0 ? wcslen(s) : static_cast<size_t>(len);
    return WideToUtf8(std::u16string_view(s, n));
}

std::u16string Utf8ToWide(std::string_view s)
{
    std::u16string out;
    if (s.empty() || s.size() > INT32_MAX - 1) return out;
    // Every byte yields at most one unit (four bytes yield two).
    out.resize(s.size());
    int32_t length = 0;
    UErrorCode err = U_ZERO_ERROR;
    u_strFromUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, s.data(),
                         static_cast<int32_t>(s.size()), 0xFFFD, nullptr, &err);
    out.resize(U_SUCCESS(err) || err == U_STRING_NOT_TERMINATED_WARNING ? static_cast<size_t>(length) : 0);
    return out;
}
