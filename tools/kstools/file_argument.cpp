#include "tools/kstools/file_argument.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/files/data_directory.h"
#include "platform/files/device_paths.h"
#include "platform/files/files.h"
#include "platform/text/utf8.h"
#include "storage/corvid_directory.h"
#include "tools/kstools/cli_context.h"

namespace kstools {
namespace {

constexpr const char16_t* kScratchParent = u"\\Temp";

std::string Reason(int error) { return error == ENOENT ? "no such file" : std::strerror(error); }

// The whole content of a host file; 0 or the errno of the failure.
int ReadWhole(const std::string& path, std::string& content)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    content.clear();
    char buffer[65536];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            int error = errno;
            close(fd);
            return error;
        }
        if (got == 0) break;
        content.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    return 0;
}

int WriteAll(int fd, const std::string& content)
{
    const char* data = content.data();
    size_t left = content.size();
    while (left > 0) {
        ssize_t put = write(fd, data, left);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return errno;
        data += put;
        left -= static_cast<size_t>(put);
    }
    return 0;
}

// Writes content to a new file beside path, flushes it and renames it over
// path. keepMode: the permissions of the file it replaces. 0 or the errno of
// the failure; path is untouched on failure.
int ReplaceDurably(const std::string& path, const std::string& content, const mode_t* keepMode)
{
    const std::string temp = path + ".kstools-" + std::to_string(getpid());
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
    int error = keepMode && fchmod(fd, *keepMode) != 0 ? errno : 0;
    if (!error) error = WriteAll(fd, content);
    if (!error && fsync(fd) != 0) error = errno;
    close(fd);
    if (!error && rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error) {
        unlink(temp.c_str());
        return error;
    }
    std::string folder = std::filesystem::path(path).parent_path().string();
    int dir = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return 0;
}

bool IsDevicePath(const std::string& text)
{
    return (!text.empty() && text[0] == '\\') || text.find("%s") != std::string::npos;
}

}  // namespace

FileArgument::FileArgument(const std::string& text, Need need)
{
    bool onDevice = IsDevicePath(text);
    if (onDevice) {
        std::u16string wide = Utf8ToWide(text);
        m_devicePath = ResolveSettingsPath(wide.c_str());
        platform::ResolvedPath resolved = platform::ResolveDevicePath(m_devicePath.c_str());
        if (resolved.error != ERROR_SUCCESS && resolved.error != ERROR_PATH_NOT_FOUND) {
            throw CommandError(text + " is not a valid device path", kExitUsage);
        }
        if (resolved.isRoot) throw CommandError(text + " is a folder, not a settings file", kExitUsage);
        m_hostPath = resolved.host;
    } else {
        m_hostPath = text;
    }
    m_label = m_hostPath.empty() ? text : m_hostPath;

    std::string content;
    struct stat info {};
    if (!m_hostPath.empty() && stat(m_hostPath.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) throw CommandError(m_label + " is a folder, not a settings file", kExitUsage);
        if (int error = ReadWhole(m_hostPath, content)) {
            throw CommandError("cannot read " + m_label + ": " + Reason(error), kExitUsage);
        }
        m_existed = true;
    } else if (!m_hostPath.empty() && errno != ENOENT && errno != ENOTDIR) {
        throw CommandError("cannot read " + m_label + ": " + Reason(errno), kExitUsage);
    }
    if (!m_existed && need == Need::Existing)
        throw CommandError("cannot read " + m_label + ": no such file", kExitUsage);
    if (onDevice) return;
    try {
        MakeScratchCopy(content);
    } catch (...) {
        RemoveScratch();  // no destructor runs for a constructor that throws
        throw;
    }
}

void FileArgument::MakeScratchCopy(const std::string& content)
{
    static int counter = 0;
    const std::u16string folder = std::u16string(kScratchParent) + u"\\kstools-" +
                                  Utf8ToWide(std::to_string(getpid())) + u"-" + Utf8ToWide(std::to_string(++counter));
    platform::EnsureDeviceRoot();
    if (CreateDirectoryW(kScratchParent, nullptr)) m_tempFolder = platform::ResolveDevicePath(kScratchParent).host;
    if (!CreateDirectoryW(folder.c_str(), nullptr)) {
        throw CommandError("cannot make a scratch folder in the device tree under " + platform::DeviceRootDirectory());
    }
    m_scratchFolder = platform::ResolveDevicePath(folder.c_str()).host;
    m_devicePath = folder + u"\\settings.txt";
    if (!m_existed) return;
    const std::string copy = m_scratchFolder + "/settings.txt";
    if (int error = ReplaceDurably(copy, content, nullptr)) {
        throw CommandError("cannot copy " + m_label + " into the device tree: " + Reason(error));
    }
}

FileArgument::~FileArgument() { RemoveScratch(); }

void FileArgument::RemoveScratch()
{
    std::error_code ignored;
    if (!m_scratchFolder.empty()) std::filesystem::remove_all(m_scratchFolder, ignored);
    // "\Temp" goes again when this object made it and nothing else uses it now.
    if (!m_tempFolder.empty()) rmdir(m_tempFolder.c_str());
    m_scratchFolder.clear();
    m_tempFolder.clear();
}

void FileArgument::Publish()
{
    if (m_scratchFolder.empty()) return;
    std::string content;
    int error = ReadWhole(m_scratchFolder + "/settings.txt", content);
    if (error == ENOENT) return;  // nothing was written
    struct stat info {};
    bool present = stat(m_hostPath.c_str(), &info) == 0;
    mode_t mode = info.st_mode & 07777;
    if (!error) error = ReplaceDurably(m_hostPath, content, present ? &mode : nullptr);
    if (error) throw CommandError("cannot write " + m_label + ": " + Reason(error));
}

}  // namespace kstools
