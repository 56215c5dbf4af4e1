#include "platform/objectmodel/outlook_note.h"

#include <cstring>

#include "platform/text/code_page.h"

namespace {

bool StartsWith(const std::vector<BYTE>& blob, const char* prefix)
{
    const size_t length = std::strlen(prefix);
    return blob.size() >= length && std::memcmp(blob.data(), prefix, length) == 0;
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
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text.data(), chars, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::vector<BYTE> blob(static_cast<size_t>(bytes) + 1, 0);
    WideCharToMultiByte(CP_ACP, 0, text.data(), chars, reinterpret_cast<LPSTR>(blob.data()), bytes, nullptr, nullptr);
    return blob;
}

std::u16string OutlookNote::TextFromBlob(const std::vector<BYTE>& blob)
{
    if (blob.empty() || IsFormatted(blob)) return {};
    size_t length = 0;
    while (length < blob.size() && blob[length] != 0) ++length;
    if (length == 0) return {};
    const LPCSTR bytes = reinterpret_cast<LPCSTR>(blob.data());
    const int chars = MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(length), nullptr, 0);
    if (chars <= 0) return {};
    std::u16string text(static_cast<size_t>(chars), u'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(length), text.data(), chars);
    return text;
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
