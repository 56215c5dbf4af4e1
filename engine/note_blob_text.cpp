// Note blobs as text.
#include "engine/note_blob_text.h"

#include <algorithm>
#include <cstring>

#include "platform/ink/ink_note.h"
#include "platform/ink/ink_rich_text.h"
#include "platform/text/code_page.h"
#include "platform/text/wide_string.h"

namespace {

bool BeginsWith(const BYTE* data, size_t size, const char* marker)
{
    const size_t n = std::strlen(marker);
    return size >= n && std::memcmp(data, marker, n) == 0;
}

size_t CopyOut(const std::u16string& text, WCHAR* out, size_t capacity)
{
    const size_t n = std::min(text.size(), capacity - 1);
    std::copy_n(text.data(), n, out);
    out[n] = 0;
    return n;
}

}  // namespace

DWORD GetBlobFormat(const BYTE* data, size_t size)
{
    if (!data) return kNoteBlobText;
    if (size > 6 && BeginsWith(data, size, "{\\pwi")) return kNoteBlobInk;
    if (BeginsWith(data, size, "{\\rtf")) return kNoteBlobRichText;
    return kNoteBlobText;
}

size_t NoteBlobText(const BYTE* data, size_t size, WCHAR* out, size_t capacity)
{
    if (!out || capacity == 0) return 0;
    out[0] = 0;
    if (!data || size == 0) return 0;
    switch (GetBlobFormat(data, size)) {
        case kNoteBlobInk: {
            platform::InkNote note;
            if (platform::ParseInkNote(data, size, note) != platform::InkReadError::None) return 0;
            return CopyOut(note.text, out, capacity);
        }
        case kNoteBlobRichText: {
            std::u16string rtf(size, u'\0');
            for (size_t i = 0; i < size; ++i) rtf[i] = data[i];
            return CopyOut(platform::PlainTextOfRtf(rtf), out, capacity);
        }
        default: {
            const int bytes = static_cast<int>(std::min(size - 1, capacity - 1));
            const int n = bytes > 0 ? MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<LPCSTR>(data), bytes, out,
                                                          static_cast<int>(capacity - 1))
                                    : 0;
            out[n > 0 ? n : 0] = 0;
            // Text stops at an embedded terminator.
            return wcsnlen(out, static_cast<size_t>(n > 0 ? n : 0));
        }
    }
}
