#include "platform/files/device_paths.h"

#include <sys/stat.h>

#include "platform/base/error_codes.h"
#include "platform/files/data_directory.h"
#include "platform/kernel/file_system.h"
#include "platform/text/utf8.h"
#include "platform/text/wide_string.h"

namespace platform {
namespace {

bool IsSeparator(WCHAR c) { return c == u'\\' || c == u'/'; }

bool IsForbidden(WCHAR c, bool wildcards)
{
    if (c < 32) return true;
    switch (c) {
        case u'<':
        case u'>':
        case u':':
        case u'"':
        case u'|':
            return true;
        case u'*':
        case u'?':
            return !wildcards;
        default:
            return false;
    }
}

bool EqualNoCase(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (towlower(a[i]) != towlower(b[i])) return false;
    return true;
}

bool IsFolder(const std::string& host)
{
    struct stat info {};
    return Files().Stat(host, &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

DWORD ParseDevicePath(const WCHAR* path, DevicePath& out, bool wildcardsInLast)
{
    out.parts.clear();
    if (!path || !*path) return ERROR_PATH_NOT_FOUND;
    const size_t length = wcslen(path);
    if (length >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
    std::vector<std::u16string> raw;
    std::u16string current;
    for (size_t i = 0; i <= length; ++i) {
        if (i == length || IsSeparator(path[i])) {
            if (!current.empty()) raw.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(path[i]);
        }
    }
    for (size_t i = 0; i < raw.size(); ++i) {
        const bool last = i + 1 == raw.size();
        for (WCHAR c : raw[i])
            if (IsForbidden(c, wildcardsInLast && last)) return ERROR_INVALID_NAME;
        if (raw[i] == u".") continue;
        if (raw[i] == u"..") {
            if (!out.parts.empty()) out.parts.pop_back();  // ".." at the root stays at the root
            continue;
        }
        out.parts.push_back(std::move(raw[i]));
    }
    return ERROR_SUCCESS;
}

std::string FindEntryName(const std::string& hostFolder, std::u16string_view name)
{
    const std::string exact = WideToUtf8(name);
    struct stat info {};
    if (Files().Stat(hostFolder + "/" + exact, &info, false) == 0) return exact;
    std::vector<std::string> names;
    if (Files().ListFolder(hostFolder, names) != 0) return {};
    // Among several spellings that differ only in case (made outside the
    // device), the smallest host name wins so that lookups stay stable.
    std::string found;
    for (std::string& candidate : names) {
        if (EqualNoCase(Utf8ToWide(candidate), name) && (found.empty() || candidate < found))
            found = std::move(candidate);
    }
    return found;
}

DWORD ResolveFolder(const DevicePath& path, size_t count, std::string& hostFolder)
{
    if (!EnsureDeviceRoot()) return ERROR_PATH_NOT_FOUND;
    hostFolder = DeviceRootDirectory();
    for (size_t i = 0; i < count && i < path.parts.size(); ++i) {
        const std::string name = FindEntryName(hostFolder, path.parts[i]);
        if (name.empty()) return ERROR_PATH_NOT_FOUND;
        hostFolder += "/" + name;
        if (!IsFolder(hostFolder)) return ERROR_PATH_NOT_FOUND;
    }
    return ERROR_SUCCESS;
}

ResolvedPath ResolveDevicePath(const WCHAR* path)
{
    ResolvedPath result;
    DevicePath parsed;
    result.error = ParseDevicePath(path, parsed);
    if (result.error != ERROR_SUCCESS) return result;
    if (parsed.parts.empty()) {
        result.isRoot = true;
        result.exists = EnsureDeviceRoot();
        result.host = DeviceRootDirectory();
        if (!result.exists) result.error = ERROR_PATH_NOT_FOUND;
        return result;
    }
    std::string folder;
    result.error = ResolveFolder(parsed, parsed.parts.size() - 1, folder);
    if (result.error != ERROR_SUCCESS) return result;
    const std::string name = FindEntryName(folder, parsed.parts.back());
    result.exists = !name.empty();
    result.host = folder + "/" + (name.empty() ? WideToUtf8(parsed.parts.back()) : name);
    return result;
}

std::string ExactHostPath(const WCHAR* path)
{
    DevicePath parsed;
    if (ParseDevicePath(path, parsed) != ERROR_SUCCESS || parsed.parts.empty()) return {};
    std::string host = DeviceRootDirectory();
    for (const std::u16string& part : parsed.parts) {
        host += '/';
        host += WideToUtf8(part);
    }
    return host;
}

namespace {

bool Match(std::u16string_view p, std::u16string_view n)
{
    // Iterative matcher with one backtrack point for the last '*'.
    size_t pi = 0, ni = 0, starP = std::u16string_view::npos, starN = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == u'?' || (p[pi] != u'*' && towlower(p[pi]) == towlower(n[ni])))) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == u'*') {
            starP = pi++;
            starN = ni;
        } else if (starP != std::u16string_view::npos) {
            pi = starP + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == u'*') ++pi;
    return pi == p.size();
}

}  // namespace

bool MatchesWildcard(std::u16string_view pattern, std::u16string_view name)
{
    if (Match(pattern, name)) return true;
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == u".*" &&
        name.find(u'.') == std::u16string_view::npos)
        return Match(pattern.substr(0, pattern.size() - 2), name);
    return false;
}

}  // namespace platform
