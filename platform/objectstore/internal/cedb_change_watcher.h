// Changes made by other processes, announced to this process's windows.
//
// Every write to a volume leaves a row in the volume's change log (database,
// record, which DB_CEOID_ message, and the writing connection), in the same
// transaction as the change. A volume on which some handle of this process
// asked for notifications runs one watcher thread: it sleeps on the shared
// change counter, so a write in any process wakes it at once, reads the log
// rows written by other connections since it last looked, and posts their
// messages to the windows of the handles open on each database, as a write
// through this process's own handles does. Writes of this process are not
// posted twice: its own handles post them.
//
// The log keeps its last few thousand rows; a watcher that fell further
// behind (a process stopped for long, one transaction of thousands of
// writes) posts DB_CEOID_CHANGED without a record for every watched database
// instead: read everything again.
//
// Between writes the thread sleeps on the counter alone. It looks at the log
// on a timer only while a look may have missed a commit: when it found
// another connection holding the write lock, whose commit could come without
// a later raise if that process is killed in between.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace platform::cedb {

class Volume;

class ChangeWatcher {
public:
    explicit ChangeWatcher(Volume& volume);
    // Stops and joins the thread.
    ~ChangeWatcher();
    ChangeWatcher(const ChangeWatcher&) = delete;
    ChangeWatcher& operator=(const ChangeWatcher&) = delete;

    // Starts the thread once, from the current end of the log. Call with the
    // volume's mutex held.
    void Start();
    // Ends the thread; it may be started again. Call WITHOUT waiting on the
    // volume's mutex inside the thread (the thread only tries it).
    void Stop();
    bool Running() const { return thread_.joinable(); }

private:
    void Run();
    // Posts the log rows after lastSeq_ of other connections; true when no
    // other connection was writing as the log was read (every later commit
    // raises the counter again), false also when the log could not be read.
    bool Deliver();

    Volume& volume_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::int64_t lastSeq_ = 0;
};

}  // namespace platform::cedb
