#include "foundation/ce_list_file.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "foundation/ce_file.h"
#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/base/local_memory.h"
#include "platform/files/files.h"
#include "platform/text/bstr.h"
#include "platform/text/wide_string.h"

namespace {

constexpr size_t kFieldBytes = 4;

DWORD ReadDword(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
           static_cast<DWORD>(p[3]) << 24;
}

void AppendDword(std::vector<BYTE>& out, DWORD value)
{
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<BYTE>(value >> shift));
}

void AppendBytes(std::vector<BYTE>& out, const void* data, size_t size)
{
    AppendDword(out, static_cast<DWORD>(size));
    const auto* bytes = static_cast<const BYTE*>(data);
    out.insert(out.end(), bytes, bytes + size);
}

// UTF-16 units, each written low byte first whatever the host's order.
void AppendUnits(std::vector<BYTE>& out, const WCHAR* units, size_t count)
{
    AppendDword(out, static_cast<DWORD>(count * sizeof(WCHAR)));
    for (size_t i = 0; i < count; ++i) {
        out.push_back(static_cast<BYTE>(units[i]));
        out.push_back(static_cast<BYTE>(units[i] >> 8));
    }
}

// The whole characters of an element's bytes; a terminator is not counted.
std::u16string UnitsOf(const BYTE* data, size_t size)
{
    std::u16string text(size / sizeof(WCHAR), u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<WCHAR>(data[2 * i] | static_cast<WCHAR>(data[2 * i + 1]) << 8);
    if (const size_t end = text.find(u'\0'); end != std::u16string::npos) text.resize(end);
    return text;
}

bool IsValueKind(int kind)
{
    return kind != 1 && kind != 2 && kind != 3 && kind != 4 && kind != 5 && kind != 6 && kind != CELISTFILE_CUSTOMKIND;
}

}  // namespace

bool CeListFileHasByteForm(int copyKind) { return copyKind != 3 && copyKind != CELISTFILE_CUSTOMKIND; }

// ---- The byte form ----

int CeParseListFile(const BYTE* data, size_t size, const char* signature, CeListFileImage& image)
{
    image = CeListFileImage();
    if (size < 1) return CELISTFILE_SHORT;
    if (data[0] != CELISTFILE_VERSION) return CELISTFILE_BADFORMAT;
    size_t at = 1;
    if (size - at < kFieldBytes) return CELISTFILE_SHORT;
    const size_t expected = std::strlen(signature) + 1;
    const DWORD stored = ReadDword(data + at);
    at += kFieldBytes;
    if (stored != expected) return CELISTFILE_BADFORMAT;
    if (size - at < expected) return CELISTFILE_SHORT;
    if (std::memcmp(data + at, signature, expected) != 0) return CELISTFILE_BADFORMAT;
    at += expected;
    if (size - at < 4 * kFieldBytes) return CELISTFILE_SHORT;
    const DWORD count = ReadDword(data + at);
    const int position = static_cast<int>(ReadDword(data + at + 4));
    const int base = static_cast<int>(ReadDword(data + at + 8));
    const int elementSize = static_cast<int>(ReadDword(data + at + 12));
    at += 4 * kFieldBytes;
    // Every element takes at least its length field: a count beyond that is
    // a cut file (and would otherwise size a list to billions of slots).
    if (count > (size - at) / kFieldBytes) return CELISTFILE_SHORT;
    try {
        while (at < size) {
            if (size - at < kFieldBytes) return CELISTFILE_SHORT;
            const DWORD length = ReadDword(data + at);
            at += kFieldBytes;
            if (size - at < length) return CELISTFILE_SHORT;
            image.elements.push_back({at, length});
            at += length;
        }
        image.bytes.assign(data, data + size);
    } catch (const std::bad_alloc&) {
        image = CeListFileImage();
        return CELISTFILE_NOMEMORY;
    }
    image.count = count;
    image.currentPosition = position;
    image.indexBase = base == 1 ? 1 : 0;
    image.elementSize = elementSize;
    return CELISTFILE_OK;
}

int CeLoadListFile(LPCWSTR path, const char* signature, CeListFileImage& image, bool* missing)
{
    image = CeListFileImage();
    *missing = false;
    CeFile file;
    if (!file.Open(path, GENERIC_READ, FILE_SHARE_READ, FALSE)) {
        const DWORD error = GetLastError();
        *missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return *missing ? CELISTFILE_OK : CELISTFILE_SHORT;
    }
    std::vector<BYTE> bytes;
    if (file.IsOpen()) {
        // Open skips a UTF-16 mark; these bytes are not text.
        if (file.SetPositionBegin() == INVALID_SET_FILE_POINTER) return CELISTFILE_SHORT;
        try {
            bytes.resize(file.Size());
        } catch (const std::bad_alloc&) {
            return CELISTFILE_NOMEMORY;
        }
        if (!bytes.empty() && file.Read(bytes.data(), static_cast<DWORD>(bytes.size())) != bytes.size())
            return CELISTFILE_SHORT;
    }
    return CeParseListFile(bytes.data(), bytes.size(), signature, image);
}

bool CeListFileHeader(std::vector<BYTE>& out, const char* signature, DWORD count, int currentPosition, int indexBase,
                      int elementSize)
{
    out.clear();
    out.push_back(CELISTFILE_VERSION);
    AppendBytes(out, signature, std::strlen(signature) + 1);
    AppendDword(out, count);
    AppendDword(out, static_cast<DWORD>(currentPosition));
    AppendDword(out, static_cast<DWORD>(indexBase));
    AppendDword(out, static_cast<DWORD>(elementSize));
    return true;
}

bool CeListFileAppendElement(std::vector<BYTE>& out, int copyKind, void* element)
{
    if (!CeListFileHasByteForm(copyKind)) return false;
    if (IsValueKind(copyKind)) {
        AppendDword(out, kFieldBytes);
        AppendDword(out, static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(element)));
        return true;
    }
    if (!element) {
        AppendDword(out, 0);
        return true;
    }
    switch (copyKind) {
        case 1:
            AppendBytes(out, element, _msize(element));
            break;
        case 2:
            AppendBytes(out, element, LocalSize(element));
            break;
        case 4: {
            const auto* text = static_cast<const WCHAR*>(element);
            AppendUnits(out, text, wcslen(text) + 1);
            break;
        }
        case 5:
            AppendBytes(out, element, std::strlen(static_cast<const char*>(element)) + 1);
            break;
        default: {  // 6
            auto* text = static_cast<BSTR>(element);
            AppendUnits(out, text, SysStringLen(text));
            break;
        }
    }
    return true;
}

bool CeListFileMakeElement(int copyKind, const BYTE* data, size_t size, void** element)
{
    *element = nullptr;
    if (!CeListFileHasByteForm(copyKind)) return false;
    if (IsValueKind(copyKind)) {
        std::uintptr_t value = 0;
        for (size_t i = 0; i < size && i < kFieldBytes; ++i) value |= static_cast<std::uintptr_t>(data[i]) << (8 * i);
        *element = reinterpret_cast<void*>(value);
        return true;
    }
    if (size == 0 && copyKind != 6) return true;
    switch (copyKind) {
        case 1:
            *element = std::malloc(size);
            if (*element) std::memcpy(*element, data, size);
            break;
        case 2:
            *element = LocalAlloc(LMEM_FIXED, size);
            if (*element) std::memcpy(*element, data, size);
            break;
        case 4: {
            const std::u16string text = UnitsOf(data, size);
            auto* copy = static_cast<WCHAR*>(std::malloc((text.size() + 1) * sizeof(WCHAR)));
            if (copy) std::memcpy(copy, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
            *element = copy;
            break;
        }
        case 5: {
            size_t length = 0;
            while (length < size && data[length]) ++length;
            auto* copy = static_cast<char*>(std::malloc(length + 1));
            if (copy) {
                std::memcpy(copy, data, length);
                copy[length] = '\0';
            }
            *element = copy;
            break;
        }
        default: {  // 6
            std::u16string units(size / sizeof(WCHAR), u'\0');
            for (size_t i = 0; i < units.size(); ++i)
                units[i] = static_cast<WCHAR>(data[2 * i] | static_cast<WCHAR>(data[2 * i + 1]) << 8);
            *element = SysAllocStringLen(units.data(), static_cast<UINT>(units.size()));
            break;
        }
    }
    return *element != nullptr;
}

int CeSaveListFile(LPCWSTR path, const std::vector<BYTE>& bytes)
{
    CeFile file;
    if (!file.Create(path, GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL, TRUE)) return CELISTFILE_NOTCREATED;
    if (file.Write(bytes.data(), static_cast<DWORD>(bytes.size())) != bytes.size() || !file.Flush())
        return CELISTFILE_SHORT;
    return CELISTFILE_OK;
}
