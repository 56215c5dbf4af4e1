// A counter shared by every process that has a volume open, raised by each
// write to it.
//
// Readers keep a few records of a volume in memory between calls; comparing
// this counter with its value when the records were read tells at the cost of
// one memory load whether they may be stale, where asking SQLite would start a
// read transaction (several system calls) on every call. The counter lives in
// a small file beside the volume ("<volume>-changes"), mapped into memory.
//
// Threads of any process can also sleep until the counter moves (Wait): the
// file's second word counts such sleepers, so that a write wakes them (one
// futex call) only when there are any. A sleeper killed in its sleep leaves
// the count raised, which costs writers a needless wake, nothing more.
#pragma once

#include <cstdint>
#include <string>

namespace platform::cedb {

class ChangeCounter {
public:
    ChangeCounter() = default;
    ~ChangeCounter();
    ChangeCounter(const ChangeCounter&) = delete;
    ChangeCounter& operator=(const ChangeCounter&) = delete;

    // Maps the counter file of the volume at volumePath, creating it when
    // missing. False when that is not possible: Available() stays false and
    // readers must not trust anything they kept.
    bool Open(const std::string& volumePath);
    void Close();
    bool Available() const { return word_ != nullptr; }

    std::uint64_t Load() const;
    void Raise();
    // Sleeps until the counter differs from `seen` or timeoutMs pass (a
    // negative timeoutMs: without a limit); true when it differs. Without the
    // file it only sleeps, and needs a limit.
    bool Wait(std::uint64_t seen, int timeoutMs) const;
    // Wakes every thread of this process and others sleeping in Wait (they
    // look at the counter again and go back to sleep when it has not moved).
    void WakeAll() const;

    static std::string PathFor(const std::string& volumePath) { return volumePath + "-changes"; }

private:
    // [0] the counter; the low half of [1] the number of sleepers.
    std::uint64_t* word_ = nullptr;
};

}  // namespace platform::cedb
