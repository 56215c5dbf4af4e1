#include "platform/objectstore/internal/cedb_change_counter.h"

#include <fcntl.h>

#include <atomic>

#include "platform/kernel/file_system.h"

namespace platform::cedb {

ChangeCounter::~ChangeCounter() { Close(); }

bool ChangeCounter::Open(const std::string& volumePath)
{
    Close();
    FileSystem& files = Files();
    const OwnedFd fd(files.Open(PathFor(volumePath), O_RDWR | O_CREAT, 0600));
    if (!fd.Valid()) return false;
    struct stat info {};
    bool ok = files.StatOpen(fd.Get(), &info) == 0 && S_ISREG(info.st_mode) &&
              (info.st_size >= static_cast<off_t>(sizeof(std::uint64_t)) ||
               files.Truncate(fd.Get(), sizeof(std::uint64_t)) == 0);
    if (ok) word_ = static_cast<std::uint64_t*>(files.Map(fd.Get(), sizeof(std::uint64_t)));
    return word_ != nullptr;
}

void ChangeCounter::Close()
{
    if (word_) Files().Unmap(word_, sizeof(std::uint64_t));
    word_ = nullptr;
}

std::uint64_t ChangeCounter::Load() const
{
    return word_ ? std::atomic_ref<std::uint64_t>(*word_).load(std::memory_order_acquire) : 0;
}

void ChangeCounter::Raise()
{
    if (word_) std::atomic_ref<std::uint64_t>(*word_).fetch_add(1, std::memory_order_acq_rel);
}

}  // namespace platform::cedb
