#include "platform/objectstore/internal/cedb_change_counter.h"

#include <fcntl.h>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <bit>
#include <chrono>
#include <climits>
#include <thread>

#include "platform/kernel/file_system.h"

namespace platform::cedb {
namespace {

// The counter file: the counter, then the sleepers' count.
constexpr size_t kFileBytes = 2 * sizeof(std::uint64_t);

static_assert(std::endian::native == std::endian::little, "the futex word is the counter's low half");

// The futex word: the counter's low 32 bits. The mapping is shared, so the
// wait and the wake meet across processes (no FUTEX_PRIVATE_FLAG).
std::uint32_t* FutexWord(std::uint64_t* word) { return reinterpret_cast<std::uint32_t*>(word); }

std::atomic_ref<std::uint32_t> Sleepers(std::uint64_t* word)
{
    return std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(word + 1));
}

}  // namespace

ChangeCounter::~ChangeCounter() { Close(); }

bool ChangeCounter::Open(const std::string& volumePath)
{
    Close();
    FileSystem& files = Files();
    const OwnedFd fd(files.Open(PathFor(volumePath), O_RDWR | O_CREAT, 0600));
    if (!fd.Valid()) return false;
    struct stat info {};
    bool ok = files.StatOpen(fd.Get(), &info) == 0 && S_ISREG(info.st_mode) &&
              (info.st_size >= static_cast<off_t>(kFileBytes) || files.Truncate(fd.Get(), kFileBytes) == 0);
    if (ok) word_ = static_cast<std::uint64_t*>(files.Map(fd.Get(), kFileBytes));
    return word_ != nullptr;
}

void ChangeCounter::Close()
{
    if (word_) Files().Unmap(word_, kFileBytes);
    word_ = nullptr;
}

std::uint64_t ChangeCounter::Load() const
{
    return word_ ? std::atomic_ref<std::uint64_t>(*word_).load(std::memory_order_acquire) : 0;
}

void ChangeCounter::Raise()
{
    if (!word_) return;
    // Sequentially consistent, as is the sleeper's count in Wait: either the
    // writer sees the sleeper counted, or the sleeper sees the new value.
    std::atomic_ref<std::uint64_t>(*word_).fetch_add(1, std::memory_order_seq_cst);
    if (Sleepers(word_).load(std::memory_order_seq_cst) != 0) WakeAll();
}

void ChangeCounter::WakeAll() const
{
    if (word_) syscall(SYS_futex, FutexWord(word_), FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0);
}

bool ChangeCounter::Wait(std::uint64_t seen, int timeoutMs) const
{
    if (!word_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        return false;
    }
    Sleepers(word_).fetch_add(1, std::memory_order_seq_cst);
    if (std::atomic_ref<std::uint64_t>(*word_).load(std::memory_order_seq_cst) == seen) {
        timespec timeout{timeoutMs / 1000, static_cast<long>(timeoutMs % 1000) * 1000000L};
        // Returns at a wake, a signal, the time-out, or at once when the low
        // half has already moved.
        syscall(SYS_futex, FutexWord(word_), FUTEX_WAIT, static_cast<std::uint32_t>(seen),
                timeoutMs < 0 ? nullptr : &timeout, nullptr, 0);
    }
    Sleepers(word_).fetch_sub(1, std::memory_order_seq_cst);
    return Load() != seen;
}

}  // namespace platform::cedb
