// 8-bit code page conversions. Windows-1252 (the ANSI code page) has its own
// table because it is on every path that reads or writes 8-bit text; UTF-8
// and any other code page go through ICU.
#include "platform/text/code_page.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ustring.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"

namespace {

// ERROR_NO_UNICODE_TRANSLATION, the failure of strict conversions.
constexpr DWORD kNoUnicodeTranslation = ERROR_NO_UNICODE_TRANSLATION;

void Fail(DWORD code) { SetLastError(code); }

// Bytes 0x80..0x9F of Windows-1252. The bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value.
constexpr WCHAR kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

bool IsHighSurrogate(WCHAR c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(WCHAR c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Copies a finished conversion to the caller, or reports the size needed.
int Deliver(const WCHAR* text, size_t length, LPWSTR dst, int dstChars)
{
    if (length > static_cast<size_t>(INT32_MAX)) {
        Fail(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (dstChars == 0) return static_cast<int>(length);
    if (length > static_cast<size_t>(dstChars)) {
        std::memcpy(dst, text, static_cast<size_t>(dstChars) * sizeof(WCHAR));
        Fail(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (length) std::memcpy(dst, text, length * sizeof(WCHAR));
    return static_cast<int>(length);
}

int DeliverBytes(const char* text, size_t length, LPSTR dst, int dstBytes)
{
    if (length > static_cast<size_t>(INT32_MAX)) {
        Fail(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (dstBytes == 0) return static_cast<int>(length);
    if (length > static_cast<size_t>(dstBytes)) {
        std::memcpy(dst, text, static_cast<size_t>(dstBytes));
        Fail(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (length) std::memcpy(dst, text, length);
    return static_cast<int>(length);
}

UINT Resolve(UINT codePage)
{
    switch (codePage) {
        case CP_ACP:
        case CP_THREAD_ACP:
            return 1252;
        case CP_OEMCP:
            return 437;
        case CP_MACCP:
            return 10000;
        default:
            return codePage;
    }
}

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// An ICU converter for a Windows code page number, or null when ICU has none.
Converter OpenConverter(UINT codePage)
{
    std::string names[] = {"windows-" + std::to_string(codePage), "ibm-" + std::to_string(codePage),
                           "cp" + std::to_string(codePage)};
    if (codePage == 10000) names[0] = "macintosh";
    for (const std::string& name : names) {
        UErrorCode err = U_ZERO_ERROR;
        UConverter* c = ucnv_open(name.c_str(), &err);
        if (U_SUCCESS(err) && c) return Converter(c);
        if (c) ucnv_close(c);
    }
    return nullptr;
}

// From-Unicode callback that writes the substitute for every character the
// code page lacks and notes that it did. (ICU's own substituting callback
// drops default-ignorable characters silently; the platform substitutes them
// like any other.)
struct SubstitutionNote {
    bool used = false;
};

void NoteSubstitution(const void* context, UConverterFromUnicodeArgs* args, const UChar*, int32_t, UChar32,
                      UConverterCallbackReason reason, UErrorCode* err)
{
    if (reason > UCNV_IRREGULAR) return;  // reset, close or clone: nothing to write
    static_cast<SubstitutionNote*>(const_cast<void*>(context))->used = true;
    *err = U_ZERO_ERROR;
    ucnv_cbFromUWriteSub(args, 0, err);
}

int IcuToWide(UINT codePage, DWORD flags, const char* src, size_t length, LPWSTR dst, int dstChars)
{
    Converter cnv = OpenConverter(codePage);
    if (!cnv) {
        Fail(ERROR_INVALID_PARAMETER);
        return 0;
    }
    UErrorCode err = U_ZERO_ERROR;
    if (flags & MB_ERR_INVALID_CHARS)
        ucnv_setToUCallBack(cnv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    std::u16string out(length * 2 + 2, u'\0');
    err = U_ZERO_ERROR;
    int32_t n =
        ucnv_toUChars(cnv.get(), out.data(), static_cast<int32_t>(out.size()), src, static_cast<int32_t>(length), &err);
    if (err == U_BUFFER_OVERFLOW_ERROR) {
        out.assign(static_cast<size_t>(n) + 1, u'\0');
        err = U_ZERO_ERROR;
        n = ucnv_toUChars(cnv.get(), out.data(), static_cast<int32_t>(out.size()), src, static_cast<int32_t>(length),
                          &err);
    }
    if (U_FAILURE(err)) {
        Fail(err == U_INVALID_CHAR_FOUND || err == U_ILLEGAL_CHAR_FOUND ? kNoUnicodeTranslation
                                                                        : ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Deliver(out.data(), static_cast<size_t>(n), dst, dstChars);
}

int IcuToBytes(UINT codePage, const WCHAR* src, size_t length, LPSTR dst, int dstBytes, LPCSTR defaultChar,
               BOOL* usedDefaultChar)
{
    Converter cnv = OpenConverter(codePage);
    if (!cnv) {
        Fail(ERROR_INVALID_PARAMETER);
        return 0;
    }
    UErrorCode err = U_ZERO_ERROR;
    char substitute = defaultChar && *defaultChar ? *defaultChar : '?';
    ucnv_setSubstChars(cnv.get(), &substitute, 1, &err);
    SubstitutionNote note;
    ucnv_setFromUCallBack(cnv.get(), NoteSubstitution, &note, nullptr, nullptr, &err);
    std::string out(length * 4 + 4, '\0');
    err = U_ZERO_ERROR;
    int32_t n = ucnv_fromUChars(cnv.get(), out.data(), static_cast<int32_t>(out.size()), src,
                                static_cast<int32_t>(length), &err);
    if (err == U_BUFFER_OVERFLOW_ERROR) {
        out.assign(static_cast<size_t>(n) + 1, '\0');
        err = U_ZERO_ERROR;
        n = ucnv_fromUChars(cnv.get(), out.data(), static_cast<int32_t>(out.size()), src, static_cast<int32_t>(length),
                            &err);
    }
    if (U_FAILURE(err)) {
        Fail(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (usedDefaultChar) *usedDefaultChar = note.used ? TRUE : FALSE;
    return DeliverBytes(out.data(), static_cast<size_t>(n), dst, dstBytes);
}

// ICU's UTF-8 conversions in two passes: measure, then convert into a string
// of that size. `convert(out, capacity, &err)` runs one pass and returns the
// length needed. False (last error set) when the text cannot be converted.
template <typename Text, typename Convert>
bool ConvertUtf8Pass(bool strict, Text& out, int32_t& needed, Convert convert)
{
    UErrorCode err = U_ZERO_ERROR;
    needed = convert(nullptr, 0, &err);
    if (err == U_BUFFER_OVERFLOW_ERROR || U_SUCCESS(err)) {
        out.assign(static_cast<size_t>(needed) + 1, 0);
        err = U_ZERO_ERROR;
        convert(out.data(), static_cast<int32_t>(out.size()), &err);
    }
    if (U_FAILURE(err)) Fail(strict ? kNoUnicodeTranslation : ERROR_INVALID_PARAMETER);
    return U_SUCCESS(err);
}

int Utf8ToWideChars(DWORD flags, const char* src, size_t length, LPWSTR dst, int dstChars)
{
    bool strict = (flags & MB_ERR_INVALID_CHARS) != 0;
    std::u16string out;
    int32_t needed = 0;
    bool ok = ConvertUtf8Pass(strict, out, needed, [&](UChar* buf, int32_t capacity, UErrorCode* err) {
        int32_t n = 0, substitutions = 0;
        if (strict)
            u_strFromUTF8(buf, capacity, &n, src, static_cast<int32_t>(length), err);
        else
            u_strFromUTF8WithSub(buf, capacity, &n, src, static_cast<int32_t>(length), 0xFFFD, &substitutions, err);
        return n;
    });
    return ok ? Deliver(out.data(), static_cast<size_t>(needed), dst, dstChars) : 0;
}

int WideToUtf8Bytes(DWORD flags, const WCHAR* src, size_t length, LPSTR dst, int dstBytes)
{
    bool strict = (flags & WC_ERR_INVALID_CHARS) != 0;
    std::string out;
    int32_t needed = 0;
    bool ok = ConvertUtf8Pass(strict, out, needed, [&](char* buf, int32_t capacity, UErrorCode* err) {
        int32_t n = 0, substitutions = 0;
        if (strict)
            u_strToUTF8(buf, capacity, &n, src, static_cast<int32_t>(length), err);
        else
            u_strToUTF8WithSub(buf, capacity, &n, src, static_cast<int32_t>(length), 0xFFFD, &substitutions, err);
        return n;
    });
    return ok ? DeliverBytes(out.data(), static_cast<size_t>(needed), dst, dstBytes) : 0;
}

}  // namespace

WCHAR Cp1252ToWide(unsigned char byte)
{
    return (byte >= 0x80 && byte <= 0x9F) ? kCp1252High[byte - 0x80] : static_cast<WCHAR>(byte);
}

int WideToCp1252(WCHAR c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == c) return 0x80 + i;
    return -1;
}

UINT GetACP() { return 1252; }
UINT GetOEMCP() { return 437; }

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcBytes, LPWSTR dst, int dstChars)
{
    if (!src || srcBytes == 0 || srcBytes < -1 || dstChars < 0 || (!dst && dstChars > 0)) {
        Fail(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t length = srcBytes == -1 ? std::strlen(src) + 1 : static_cast<size_t>(srcBytes);
    UINT cp = Resolve(codePage);
    if (cp == CP_UTF8) return Utf8ToWideChars(flags, src, length, dst, dstChars);
    if (cp != 1252) return IcuToWide(cp, flags, src, length, dst, dstChars);

    if (length > static_cast<size_t>(INT32_MAX)) {
        Fail(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (dstChars == 0) return static_cast<int>(length);
    size_t fit = length <= static_cast<size_t>(dstChars) ? length : static_cast<size_t>(dstChars);
    for (size_t i = 0; i < fit; ++i) dst[i] = Cp1252ToWide(static_cast<unsigned char>(src[i]));
    if (fit < length) {
        Fail(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    return static_cast<int>(length);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcChars, LPSTR dst, int dstBytes,
                        LPCSTR defaultChar, BOOL* usedDefaultChar)
{
    if (!src || srcChars == 0 || srcChars < -1 || dstBytes < 0 || (!dst && dstBytes > 0)) {
        Fail(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t length = 0;
    if (srcChars == -1) {
        while (src[length]) ++length;
        ++length;
    } else {
        length = static_cast<size_t>(srcChars);
    }
    UINT cp = Resolve(codePage);
    if (cp == CP_UTF8) {
        if (defaultChar || usedDefaultChar) {
            Fail(ERROR_INVALID_PARAMETER);
            return 0;
        }
        return WideToUtf8Bytes(flags, src, length, dst, dstBytes);
    }
    if (cp != 1252) return IcuToBytes(cp, src, length, dst, dstBytes, defaultChar, usedDefaultChar);

    char substitute = defaultChar && *defaultChar ? *defaultChar : '?';
    bool used = false;
    size_t written = 0;
    bool overflow = false;
    for (size_t i = 0; i < length; ++i) {
        int b = WideToCp1252(src[i]);
        if (b < 0) {
            used = true;
            b = static_cast<unsigned char>(substitute);
            // A surrogate pair is one character: one substitute for both units.
            if (IsHighSurrogate(src[i]) && i + 1 < length && IsLowSurrogate(src[i + 1])) ++i;
        }
        if (dstBytes != 0) {
            if (written >= static_cast<size_t>(dstBytes)) {
                overflow = true;
                break;
            }
            dst[written] = static_cast<char>(b);
        }
        ++written;
    }
    if (usedDefaultChar) *usedDefaultChar = used ? TRUE : FALSE;
    if (overflow) {
        Fail(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (written > static_cast<size_t>(INT32_MAX)) {
        Fail(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return static_cast<int>(written);
}
