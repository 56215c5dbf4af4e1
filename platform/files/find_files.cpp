#include "platform/files/find_files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/files/data_directory.h"
#include "platform/files/device_paths.h"
#include "platform/kernel/file_system.h"
#include "platform/kernel/handle.h"
#include "platform/text/utf8.h"
#include "platform/text/wide_string.h"

namespace platform {
namespace {

// The entries of one listing, taken when the search starts.
class FindObject : public KernelObject {
public:
    std::vector<WIN32_FIND_DATAW> entries;
    size_t next = 0;
};

bool IsCardFolder(const std::string& host)
{
    struct stat info {};
    return Files().Stat(host + "/" + kStorageCardMarker, &info) == 0;
}

bool FillEntry(const std::string& hostFolder, const std::string& hostName, std::u16string_view name,
               WIN32_FIND_DATAW& data)
{
    if (name.size() >= MAX_PATH) return false;  // no device program could name it
    const std::string host = hostFolder + "/" + hostName;
    struct statx info {};
    if (statx(AT_FDCWD, host.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &info) != 0) return false;
    data = WIN32_FIND_DATAW{};
    data.dwFileAttributes = HostFileAttributes(host.c_str());
    const auto& created = (info.stx_mask & STATX_BTIME) ? info.stx_btime : info.stx_ctime;
    data.ftCreationTime = FileTimeFromHost(created.tv_sec, created.tv_nsec);
    data.ftLastAccessTime = FileTimeFromHost(info.stx_atime.tv_sec, info.stx_atime.tv_nsec);
    data.ftLastWriteTime = FileTimeFromHost(info.stx_mtime.tv_sec, info.stx_mtime.tv_nsec);
    const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    data.nFileSizeHigh = folder ? 0 : static_cast<DWORD>(info.stx_size >> 32);
    data.nFileSizeLow = folder ? 0 : static_cast<DWORD>(info.stx_size);
    std::copy(name.begin(), name.end(), data.cFileName);
    return true;
}

// Lists hostFolder's entries whose names pass `accept`, in case-insensitive order.
template <class Accept>
std::vector<WIN32_FIND_DATAW> List(const std::string& hostFolder, Accept accept)
{
    std::vector<WIN32_FIND_DATAW> entries;
    std::vector<std::string> hostNames;
    if (Files().ListFolder(hostFolder, hostNames) != 0) return entries;
    for (const std::string& hostName : hostNames) {
        if (hostName == kStorageCardMarker) continue;
        const std::u16string name = Utf8ToWide(hostName);
        WIN32_FIND_DATAW data;
        if (accept(hostName, name) && FillEntry(hostFolder, hostName, name, data)) entries.push_back(data);
    }
    // The order of _wcsicmp, then wcscmp. Each name is lower-cased once, as
    // _wcsicmp maps each character; an entry is over 500 bytes, so the sort
    // moves their places and the entries are moved once into that order.
    std::vector<std::u16string> folded(entries.size());
    std::vector<std::uint32_t> order(entries.size());
    for (size_t i = 0; i < order.size(); ++i) {
        order[i] = static_cast<std::uint32_t>(i);
        folded[i] = entries[i].cFileName;
        for (char16_t& c : folded[i]) c = towlower(c);
    }
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        const int byCase = folded[a].compare(folded[b]);
        return byCase != 0 ? byCase < 0 : wcscmp(entries[a].cFileName, entries[b].cFileName) < 0;
    });
    std::vector<WIN32_FIND_DATAW> sorted;
    sorted.reserve(entries.size());
    for (std::uint32_t i : order) sorted.push_back(entries[i]);
    return sorted;
}

HANDLE StartFind(std::vector<WIN32_FIND_DATAW> entries, DWORD emptyError, LPWIN32_FIND_DATAW data)
{
    if (entries.empty()) {
        SetLastError(emptyError);
        return INVALID_HANDLE_VALUE;
    }
    auto find = std::make_shared<FindObject>();
    find->entries = std::move(entries);
    *data = find->entries[0];
    find->next = 1;
    HANDLE handle = AddHandle(std::move(find));
    return handle ? handle : INVALID_HANDLE_VALUE;
}

BOOL ContinueFind(HANDLE handle, LPWIN32_FIND_DATAW data)
{
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto find = LookupHandleAs<FindObject>(handle);
    if (!find) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (find->next >= find->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *data = find->entries[find->next++];
    return TRUE;
}

}  // namespace

BOOL CreateStorageCard(LPCWSTR name)
{
    if (!name || !*name || wcschr(name, u'\\') || wcschr(name, u'/')) {
        SetLastError(ERROR_INVALID_NAME);
        return FALSE;
    }
    std::u16string path = u"\\";
    path += name;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES && !CreateDirectoryW(path.c_str(), nullptr))
        return FALSE;
    const ResolvedPath resolved = ResolveDevicePath(path.c_str());
    const OwnedFd marker(Files().Open(resolved.host + "/" + kStorageCardMarker, O_WRONLY | O_CREAT, 0666));
    if (!marker.Valid()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

}  // namespace platform

using namespace platform;

HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data)
{
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    DevicePath parsed;
    if (DWORD error = ParseDevicePath(pattern, parsed, true); error != ERROR_SUCCESS) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    if (parsed.parts.empty()) {  // "\" itself names no entry
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::string folder;
    if (DWORD error = ResolveFolder(parsed, parsed.parts.size() - 1, folder); error != ERROR_SUCCESS) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    const std::u16string& last = parsed.parts.back();
    return StartFind(
        List(folder, [&](const std::string&, const std::u16string& name) { return MatchesWildcard(last, name); }),
        ERROR_FILE_NOT_FOUND, data);
}

BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data) { return ContinueFind(find, data); }

BOOL FindClose(HANDLE find)
{
    if (!LookupHandleAs<FindObject>(find)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return CloseHandle(find);
}

HANDLE FindFirstFlashCard(LPWIN32_FIND_DATAW data)
{
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (!EnsureDeviceRoot()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    const std::string root = DeviceRootDirectory();
    return StartFind(List(root, [&](const std::string& hostName,
                                    const std::u16string&) { return IsCardFolder(root + "/" + hostName); }),
                     ERROR_NO_MORE_FILES, data);
}

BOOL FindNextFlashCard(HANDLE find, LPWIN32_FIND_DATAW data) { return ContinueFind(find, data); }
