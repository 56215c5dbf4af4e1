#include "storage/corvid_directory.h"

#include <mutex>

#include "platform/base/error_codes.h"
#include "platform/files/files.h"
#include "platform/files/registry.h"
#include "platform/files/special_folders.h"
#include "platform/text/wide_string.h"
#include "storage/registry_functions.h"

namespace {

constexpr const WCHAR* kSuiteKey = u"Software\\Corvid\\Kestrel";
constexpr const WCHAR* kFolderValue = u"Corvid_Folder";
constexpr size_t kBufferChars = 261;

std::mutex g_lock;
WCHAR* g_directory = nullptr;  // kBufferChars characters

bool IsFolder(const WCHAR* path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The "Corvid_Folder" value (at most 400 bytes) when it names an existing folder.
bool ReadFolderValue(WCHAR* buffer)
{
    WCHAR value[201] = {};
    if (GetFromRegistrySZ(HKEY_CURRENT_USER, kSuiteKey, kFolderValue, value, 200) != ERROR_SUCCESS) return false;
    if (!value[0] || !IsFolder(value)) return false;
    wcsncpy(buffer, value, kBufferChars - 1);
    buffer[kBufferChars - 1] = 0;
    return true;
}

void InitLocked()
{
    if (g_directory && g_directory[0]) return;
    delete[] g_directory;
    g_directory = new WCHAR[kBufferChars]();
    if (ReadFolderValue(g_directory)) return;
    WCHAR folder[MAX_PATH] = {};
    if (!SHGetSpecialFolderPath(nullptr, folder, CSIDL_APPDATA, TRUE)) {
        // Without a writable device the name still serves; saving reports the failure.
        wcscpy(folder, u"\\Application Data");
    }
    wcsncpy(g_directory, folder, kBufferChars - 1);
    SetToRegistrySZ(HKEY_CURRENT_USER, kSuiteKey, kFolderValue, g_directory);
}

}  // namespace

void InitCorvidDirectory()
{
    std::lock_guard<std::mutex> guard(g_lock);
    InitLocked();
}

LPCWSTR GetCorvidDirectory()
{
    std::lock_guard<std::mutex> guard(g_lock);
    if (!g_directory || !g_directory[0]) InitLocked();
    return g_directory;
}

void FreeCorvidDirectory()
{
    std::lock_guard<std::mutex> guard(g_lock);
    delete[] g_directory;
    g_directory = nullptr;
}

std::u16string ResolveSettingsPath(LPCWSTR path)
{
    std::u16string resolved = path ? path : u"";
    size_t at = resolved.find(u"%s");
    if (at != std::u16string::npos) resolved.replace(at, 2, GetCorvidDirectory());
    if (resolved.size() >= MAX_PATH) resolved.resize(MAX_PATH - 1);
    return resolved;
}
