// A counter shared by every process that has a volume open, raised by each
// write to it.
//
// Readers keep a few records of a volume in memory between calls; comparing
// this counter with its value when the records were read tells at the cost of
// one memory load whether they may be stale, where asking SQLite would start a
// read transaction (several system calls) on every call. The counter lives in
// a small file beside the volume ("<volume>-changes"), mapped into memory.
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

    static std::string PathFor(const std::string& volumePath) { return volumePath + "-changes"; }

private:
    std::uint64_t* word_ = nullptr;
};

}  // namespace platform::cedb
