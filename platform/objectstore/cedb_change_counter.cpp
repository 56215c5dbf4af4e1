#include "platform/objectstore/internal/cedb_change_counter.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

namespace platform::cedb {

ChangeCounter::~ChangeCounter() { Close(); }

bool ChangeCounter::Open(const std::string& volumePath)
{
    Close();
    int fd = open(PathFor(volumePath).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    struct stat info {};
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
              (info.st_size >= static_cast<off_t>(sizeof(std::uint64_t)) || ftruncate(fd, sizeof(std::uint64_t)) == 0);
    if (ok) {
        void* map = mmap(nullptr, sizeof(std::uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (map != MAP_FAILED) word_ = static_cast<std::uint64_t*>(map);
    }
    close(fd);
    return word_ != nullptr;
}

void ChangeCounter::Close()
{
    if (word_) munmap(word_, sizeof(std::uint64_t));
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
