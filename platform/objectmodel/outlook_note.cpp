#include "platform/objectmodel/outlook_note.h"

#include <cstring>

#include "platform/text/code_page.h"

namespace {

// Text the ANSI code page cannot hold is stored as UTF-8 after the UTF-8
// byte-order mark.
constexpr char kUtf8Marker[] = "\xEF\xBB\xBF";
constexpr size_t kUtf8MarkerBytes = sizeof kUtf8Marker - 1;

bool StartsWith(const std::vector<BYTE>& blob, const char* prefix)
{
    const size_t length = std::strlen(prefix);
    return blob.size() >= length && std::memcmp(blob.data(), prefix, length) == 0;
}

// The text of `bytes` bytes in a code page; empty when they do not convert.
std::u16string Decoded(UINT codePage, DWORD flags, const BYTE* bytes, size_t length)
{
    const LPCSTR start = reinterpret_cast<LPCSTR>(bytes);
    const int chars = MultiByteToWideChar(codePage, flags, start, static_cast<int>(length), nullptr, 0);
    if (chars <= 0) return {};
    std::u16string text(static_cast<size_t>(chars), u'\0');
    MultiByteToWideChar(codePage, flags, start, static_cast<int>(length), text.data(), chars);
    return text;
}

}  // namespace

bool OutlookNote::IsFormatted(const std::vector<BYTE>& blob)
{
    return StartsWith(blob, "{\\pwi") || StartsWith(blob, "{\\rtf");
}

std::vector<BYTE> OutlookNote::BlobFromText(std::u16string_view text)
{
    if (text.empty()) return {};
    const int chars = static_cast<int>(text.size());
    BOOL lossy = FALSE;
    int bytes = WideCharToMultiByte(CP_ACP, 0, text.data(), chars, nullptr, 0, nullptr, &lossy);
    // Single-byte text that would begin with the marker is marked too.
    const bool utf8 = lossy || bytes <= 0 || text.starts_with(u"\u00EF\u00BB\u00BF");
    if (utf8) bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), chars, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    const size_t start = utf8 ? kUtf8MarkerBytes : 0;
    std::vector<BYTE> blob(start + static_cast<size_t>(bytes) + 1, 0);
    std::memcpy(blob.data(), kUtf8Marker, start);
    WideCharToMultiByte(utf8 ? CP_UTF8 : CP_ACP, 0, text.data(), chars, reinterpret_cast<LPSTR>(blob.data() + start),
                        bytes, nullptr, nullptr);
    return blob;
}

std::u16string OutlookNote::TextFromBlob(const std::vector<BYTE>& blob)
{
    if (blob.empty() || IsFormatted(blob)) return {};
    size_t length = 0;
    while (length < blob.size() && blob[length] != 0) ++length;
    // Marked text that is no UTF-8 is read as single-byte text, marker and all.
    if (StartsWith(blob, kUtf8Marker)) {
        std::u16string text =
            Decoded(CP_UTF8, MB_ERR_INVALID_CHARS, blob.data() + kUtf8MarkerBytes, length - kUtf8MarkerBytes);
        if (!text.empty() || length == kUtf8MarkerBytes) return text;
    }
    return length ? Decoded(CP_ACP, 0, blob.data(), length) : std::u16string();
}

BSTR OutlookNote::BstrFromBlob(const std::vector<BYTE>& blob)
{
    return SysAllocStringByteLen(reinterpret_cast<const char*>(blob.data()), static_cast<UINT>(blob.size()));
}

std::vector<BYTE> OutlookNote::BlobFromBstr(BSTR bytes)
{
    if (!bytes) return {};
    const UINT length = SysStringByteLen(bytes);
    const BYTE* start = reinterpret_cast<const BYTE*>(bytes);
    return std::vector<BYTE>(start, start + length);
}
