#include "platform/kernel/internal/named_lock_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unicode/ustring.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/kernel/file_system.h"
#include "platform/kernel/sync_objects.h"

namespace platform {
namespace {

// Creates the directory and its missing parents (mode 0700). The last one
// must be a real directory of ours: a lock directory that someone else made
// (say under /tmp) is not used.
bool MakeLockDirectory(const std::string& path)
{
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos < path.size() && path[pos] != '/') continue;
        std::string prefix = path.substr(0, pos);
        if (Files().MakeFolder(prefix, 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat st;
    return Files().Stat(path, &st, false) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid();
}

std::string Utf8(const WCHAR* name)
{
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(nullptr, 0, &length, name, -1, 0xFFFD, nullptr, &status);
    std::string out(static_cast<size_t>(length), '\0');
    status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), length, &length, name, -1, 0xFFFD, nullptr, &status);
    return U_SUCCESS(status) ? out : std::string();
}

int OpenLockFile(const std::string& path) { return Files().Open(path, O_RDWR | O_CREAT | O_NOFOLLOW, 0600); }

// A shared lock, retried for a while: another process holds the exclusive
// lock only for the moment of its own check.
void TakeSharedLock(int fd)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (Files().Lock(fd, LOCK_SH | LOCK_NB) == 0) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace

std::string NamedObjectLockDirectory()
{
    if (const char* home = std::getenv("KSTOOLS_HOME"); home && *home) return std::string(home) + "/.locks";
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::string(runtime) + "/kstools/locks";
    return "/tmp/kstools-" + std::to_string(geteuid()) + "/locks";
}

std::string LockFileStem(const WCHAR* name)
{
    std::string utf8 = Utf8(name), stem;
    for (size_t i = 0; i < utf8.size(); ++i) {
        auto c = static_cast<unsigned char>(utf8[i]);
        bool plain = c >= 0x80 || (c > 0x20 && c != '/' && c != '%' && c != 0x7F && !(i == 0 && c == '.'));
        if (plain) {
            stem += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            stem += escaped;
        }
    }
    constexpr size_t kMaxStem = 200;  // room for the suffixes within the 255-byte name limit
    if (stem.size() > kMaxStem) {
        std::uint64_t hash = 0xcbf29ce484222325ull;  // FNV-1a of the whole stem keeps long names apart
        for (unsigned char c : stem) hash = (hash ^ c) * 0x100000001b3ull;
        size_t cut = 180;
        while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80) --cut;  // whole characters
        char suffix[20];
        std::snprintf(suffix, sizeof suffix, "-%016llx", static_cast<unsigned long long>(hash));
        stem = stem.substr(0, cut) + suffix;
    }
    return stem;
}

std::unique_ptr<NamedLockFile> NamedLockFile::Open(const WCHAR* name)
{
    std::string directory = NamedObjectLockDirectory();
    if (!MakeLockDirectory(directory)) return nullptr;
    std::string base = directory + "/" + LockFileStem(name);
    int openFd = OpenLockFile(base + ".open");
    int ownerFd = OpenLockFile(base + ".owner");
    if (openFd < 0 || ownerFd < 0) {
        if (openFd >= 0) Files().Close(openFd);
        if (ownerFd >= 0) Files().Close(ownerFd);
        return nullptr;
    }
    // Nobody else has it open exactly when nobody else holds the shared lock.
    bool openElsewhere = Files().Lock(openFd, LOCK_EX | LOCK_NB) != 0;
    TakeSharedLock(openFd);
    return std::unique_ptr<NamedLockFile>(new NamedLockFile(openFd, ownerFd, openElsewhere));
}

NamedLockFile::~NamedLockFile()
{
    Files().Close(ownerFd_);  // closing drops the locks
    Files().Close(openFd_);
}

bool NamedLockFile::TryLock()
{
    if (!locked_) locked_ = Files().Lock(ownerFd_, LOCK_EX | LOCK_NB) == 0;
    return locked_;
}

void NamedLockFile::Unlock()
{
    if (locked_) Files().Lock(ownerFd_, LOCK_UN);
    locked_ = false;
}

}  // namespace platform
