// What the platform layer knows about one host thread (internal).
//
// Every thread that calls into the platform layer has a record: threads made
// by CreateThread get theirs before they start, other threads (the process's
// main thread, std::thread) on their first call. The record is the thread's
// wake-up point, its message queue, its kill and suspension state and the
// list of locks it owns, which a kill releases.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/messaging/internal/message_queue.h"
#include "platform/kernel/internal/parker.h"
#include "platform/kernel/thread.h"

namespace platform {

class CriticalSectionLock;
class MutexObject;
class ThreadObject;

class ThreadRecord : public std::enable_shared_from_this<ThreadRecord> {
public:
    explicit ThreadRecord(DWORD threadId) : id(threadId) {}

    const DWORD id;
    Parker parker;
    std::atomic<bool> killed{false};
    std::atomic<DWORD> killCode{0};
    std::atomic<bool> finished{false};
    std::atomic<bool> hostExited{false};  // the host thread has left its start routine
    std::atomic<LONG> suspendCount{0};
    std::atomic<int> priority{THREAD_PRIORITY_NORMAL};
    MessageQueue queue;

    // The thread's kernel object (threads made by CreateThread); set before the thread starts.
    std::weak_ptr<ThreadObject> object;

    // Critical sections owned by this thread, one entry (holding a reference)
    // per section.
    std::mutex sectionsMutex;
    std::vector<CriticalSectionLock*> sections;

    // Mutexes owned by this thread; guarded by KernelLock().
    std::vector<std::shared_ptr<MutexObject>> mutexes;

    // The message this thread is sending to another thread and waiting for,
    // and the messages from other threads it is processing (innermost last).
    std::mutex sendingMutex;
    std::shared_ptr<SentMessage> sending;
    std::vector<std::shared_ptr<SentMessage>> processing;

    // Touched only by the thread itself.
    bool inCrossThreadSend = false;
    int appliedPriority = THREAD_PRIORITY_NORMAL;  // the level its host thread's nice value reflects
};

// The calling thread's record, made on first use.
ThreadRecord& CurrentThread();
std::shared_ptr<ThreadRecord> CurrentThreadShared();
// A fresh record with a new id, registered for lookups by id, with its queue.
std::shared_ptr<ThreadRecord> NewThreadRecord();
// Makes `rec` the calling thread's record (the start of a CreateThread thread).
void BindCurrentThread(std::shared_ptr<ThreadRecord> rec);
// The live thread with this id, null when none.
std::shared_ptr<ThreadRecord> FindThread(DWORD id);
void UnregisterThread(DWORD id);

// The check point of every platform call that may block or deliver: stops
// while the thread is suspended; throws ThreadKilled when it was killed and
// is not already unwinding. Returns true when the thread is killed (and
// unwinding): the caller then does nothing.
bool CheckPoint(ThreadRecord& self);
// Brings the calling thread's host nice value in line with its level.
void ApplyPriority(ThreadRecord& self);
// Throws ThreadKilled for a killed thread not already unwinding.
void ThrowIfKilled(ThreadRecord& self);

// Kills `rec` (see TerminateThread) and finishes it. Throws on the calling
// thread when it kills itself.
void KillThread(const std::shared_ptr<ThreadRecord>& rec, DWORD exitCode);
// The end of a thread that was not killed: destroys its windows (running
// their procedures when `runWindowProcedures`), signals its handle with
// `exitCode`, abandons its mutexes and closes its queue. Idempotent.
void FinishThread(ThreadRecord& rec, DWORD exitCode, bool runWindowProcedures);

}  // namespace platform
