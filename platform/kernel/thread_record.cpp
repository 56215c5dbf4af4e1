#include "platform/kernel/internal/thread_record.h"

#include <unistd.h>

#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <unordered_map>

namespace platform {
namespace {

// Ids of live threads, for PostThreadMessageW. Ids are never reused.
class ThreadRegistry {
public:
    std::shared_ptr<ThreadRecord> Create()
    {
        auto rec = std::make_shared<ThreadRecord>(nextId_.fetch_add(4));
        std::lock_guard lock(mutex_);
        threads_[rec->id] = rec;
        return rec;
    }
    std::shared_ptr<ThreadRecord> Find(DWORD id)
    {
        std::lock_guard lock(mutex_);
        auto it = threads_.find(id);
        return it == threads_.end() ? nullptr : it->second.lock();
    }
    void Remove(DWORD id)
    {
        std::lock_guard lock(mutex_);
        threads_.erase(id);
    }

private:
    std::atomic<DWORD> nextId_{0x1000};
    std::mutex mutex_;
    std::unordered_map<DWORD, std::weak_ptr<ThreadRecord>> threads_;
};

ThreadRegistry& Registry()
{
    static auto* registry = new ThreadRegistry;  // never destroyed: threads may outlive static destruction
    return *registry;
}

// The calling thread's record. A thread that was not made by CreateThread is
// finished when it exits.
struct CurrentRecordHolder {
    std::shared_ptr<ThreadRecord> rec;
    bool foreign = false;
    ~CurrentRecordHolder();
};
thread_local CurrentRecordHolder t_current;
// Set once the holder is gone: a plain flag outlives every thread_local object.
thread_local bool t_holderGone = false;

CurrentRecordHolder::~CurrentRecordHolder()
{
    if (rec && foreign) FinishThread(*rec, 0, false);
    t_holderGone = true;
}

// Stands in for the record of a thread whose own record is gone: calls made
// by destructors that run after it (other thread_local objects, static
// objects at process exit) still find a thread, one that owns nothing.
const std::shared_ptr<ThreadRecord>& LateCallRecord()
{
    static auto* rec = new std::shared_ptr<ThreadRecord>(Registry().Create());
    return *rec;
}

}  // namespace

std::shared_ptr<ThreadRecord> CurrentThreadShared()
{
    if (t_holderGone) return LateCallRecord();
    if (!t_current.rec) {
        t_current.rec = Registry().Create();
        t_current.foreign = true;
    }
    return t_current.rec;
}

ThreadRecord& CurrentThread()
{
    if (t_holderGone) return *LateCallRecord();
    if (!t_current.rec) CurrentThreadShared();
    return *t_current.rec;
}

std::shared_ptr<ThreadRecord> NewThreadRecord()
{
    auto rec = Registry().Create();
    rec->queue.created = true;
    return rec;
}

void BindCurrentThread(std::shared_ptr<ThreadRecord> rec)
{
    t_current.rec = std::move(rec);
    t_current.foreign = false;
}

std::shared_ptr<ThreadRecord> FindThread(DWORD id) { return Registry().Find(id); }

void UnregisterThread(DWORD id) { Registry().Remove(id); }

namespace {

// The host's nice value of the process at the first change: the floor below
// which lowered threads are never put back.
int BaseNice()
{
    static const int base = [] {
        errno = 0;
        int nice = getpriority(PRIO_PROCESS, 0);
        return errno ? 0 : nice;
    }();
    return base;
}

}  // namespace

void ApplyPriority(ThreadRecord& self)
{
    int level = self.priority;
    if (level == self.appliedPriority) return;
    self.appliedPriority = level;
    // Best effort: one nice step per level below normal. Going back down may
    // be refused (no permission); the level itself is recorded regardless.
    int offset = std::max(0, level - THREAD_PRIORITY_NORMAL);
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), BaseNice() + offset);
}

void ThrowIfKilled(ThreadRecord& self)
{
    if (self.killed && std::uncaught_exceptions() == 0) throw ThreadKilled(self.killCode);
}

bool CheckPoint(ThreadRecord& self)
{
    while (self.suspendCount > 0 && !self.killed) {
        auto ticket = self.parker.Prepare();
        if (self.suspendCount > 0 && !self.killed) self.parker.Park(ticket);
    }
    ThrowIfKilled(self);
    if (self.priority != self.appliedPriority && &self == &CurrentThread()) ApplyPriority(self);
    return self.killed;
}

void ThreadCheckPoint() { CheckPoint(CurrentThread()); }

bool IsCurrentThreadKilled() { return CurrentThread().killed; }

}  // namespace platform
