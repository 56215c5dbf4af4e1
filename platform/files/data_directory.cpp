#include "platform/files/data_directory.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/kernel/file_system.h"

namespace platform {
namespace {

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string HomeDirectory()
{
    std::string home = Env("HOME");
    if (!home.empty()) return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return "/tmp";  // no home at all (a bare service account): still somewhere writable
}

// mkdir -p; true when the folder exists afterwards.
bool MakeFolders(const std::string& path)
{
    struct stat info {};
    if (Files().Stat(path, &info) == 0) return S_ISDIR(info.st_mode);
    const auto slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash))) return false;
    return Files().MakeFolder(path, 0777) == 0 || errno == EEXIST;
}

}  // namespace

std::string DataDirectory()
{
    std::string home = Env("KSTOOLS_HOME");
    if (!home.empty()) return home;
    std::string xdg = Env("XDG_DATA_HOME");
    if (!xdg.empty()) return xdg + "/kstools";
    return HomeDirectory() + "/.local/share/kstools";
}

std::string DeviceRootDirectory() { return DataDirectory() + "/device"; }

bool EnsureDeviceRoot() { return MakeFolders(DeviceRootDirectory()); }

}  // namespace platform
