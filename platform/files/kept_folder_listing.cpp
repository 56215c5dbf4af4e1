#include "platform/files/kept_folder_listing.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <ctime>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/files/device_paths.h"

namespace platform {
namespace {

// A folder's identity and change times: adding, removing or renaming an
// entry moves both times; another folder put in its place has another inode.
struct FolderStamp {
    unsigned long long device = 0, inode = 0;
    long long modifiedSeconds = 0, changedSeconds = 0;
    unsigned int modifiedNanoseconds = 0, changedNanoseconds = 0;
    bool operator==(const FolderStamp&) const = default;
};

// File systems count time in ticks (ext4 by the kernel's coarse clock, FAT
// in two seconds): a change in the same tick as a listing leaves the times
// as they were. A listing is kept only when the folder's last change is
// older than this, so that any later change shows.
constexpr long long kSettledSeconds = 3;

struct KeptFolder {
    FolderStamp stamp;
    std::shared_ptr<const FolderListing> entries;
};

// The folders kept, by host path; a few notes folders in practice. Beyond
// either bound other folders make room (about 600 bytes an entry, so at most
// some 10 MB); a listing larger than the entry bound is not kept.
constexpr size_t kMaxKeptFolders = 64;
constexpr size_t kMaxKeptEntries = 16384;

struct KeptFolders {
    std::mutex lock;
    std::unordered_map<std::string, KeptFolder> folders;
    size_t entries = 0;  // in all kept listings
    std::atomic<unsigned long> listingsMade{0};
};

KeptFolders& Kept()
{
    static KeptFolders kept;
    return kept;
}

// The folder's stamp; false when it cannot be read or the file system keeps
// no creation times.
bool StampOf(const std::string& host, FolderStamp& stamp)
{
    struct statx info {};
    if (host.empty() || statx(AT_FDCWD, host.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &info) != 0) return false;
    if (!(info.stx_mask & STATX_BTIME) || !S_ISDIR(info.stx_mode)) return false;
    stamp.device = (static_cast<unsigned long long>(info.stx_dev_major) << 32) | info.stx_dev_minor;
    stamp.inode = info.stx_ino;
    stamp.modifiedSeconds = info.stx_mtime.tv_sec;
    stamp.modifiedNanoseconds = info.stx_mtime.tv_nsec;
    stamp.changedSeconds = info.stx_ctime.tv_sec;
    stamp.changedNanoseconds = info.stx_ctime.tv_nsec;
    return true;
}

std::shared_ptr<const FolderListing> ListNow(const WCHAR* folder)
{
    auto entries = std::make_shared<FolderListing>();
    std::u16string pattern = folder;
    pattern += u"\\*.*";
    WIN32_FIND_DATAW found{};
    const FindHandle find(FindFirstFileW(pattern.c_str(), &found));
    if (find.Valid()) {
        do entries->push_back(found);
        while (FindNextFileW(find.Get(), &found));
    }
    ++Kept().listingsMade;
    return entries;
}

}  // namespace

std::shared_ptr<const FolderListing> KeptFolderListing(const WCHAR* folder)
{
    if (!folder) return std::make_shared<FolderListing>();
    const ResolvedPath resolved = ResolveDevicePath(folder);
    FolderStamp stamp;
    if (resolved.error != ERROR_SUCCESS || !resolved.exists || !StampOf(resolved.host, stamp)) return ListNow(folder);
    KeptFolders& kept = Kept();
    {
        std::lock_guard hold(kept.lock);
        const auto found = kept.folders.find(resolved.host);
        if (found != kept.folders.end() && found->second.stamp == stamp) return found->second.entries;
    }
    // Listed outside the lock, so that searches listing other folders do not
    // wait for this one; the stamp was read before listing, so a change made
    // meanwhile shows as a changed stamp at the next look.
    timespec clock{};
    clock_gettime(CLOCK_REALTIME, &clock);
    auto entries = ListNow(folder);
    const auto settledAt = [&clock](long long seconds, unsigned int nanoseconds) {
        const long long at = seconds + kSettledSeconds;
        return at < clock.tv_sec || (at == clock.tv_sec && nanoseconds < clock.tv_nsec);
    };
    const bool settled = settledAt(stamp.modifiedSeconds, stamp.modifiedNanoseconds) &&
                         settledAt(stamp.changedSeconds, stamp.changedNanoseconds);
    std::lock_guard hold(kept.lock);
    const auto found = kept.folders.find(resolved.host);
    if (found != kept.folders.end()) {
        kept.entries -= found->second.entries->size();
        kept.folders.erase(found);
    }
    if (!settled || entries->size() > kMaxKeptEntries) return entries;
    while (!kept.folders.empty() &&
           (kept.folders.size() >= kMaxKeptFolders || kept.entries + entries->size() > kMaxKeptEntries)) {
        kept.entries -= kept.folders.begin()->second.entries->size();
        kept.folders.erase(kept.folders.begin());
    }
    kept.entries += entries->size();
    kept.folders.emplace(resolved.host, KeptFolder{stamp, entries});
    return entries;
}

unsigned long KeptFolderListingsMade() { return Kept().listingsMade.load(); }

}  // namespace platform
