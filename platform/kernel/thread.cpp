#include "platform/kernel/thread.h"

#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/kernel/clock_source.h"
#include "platform/kernel/handle.h"
#include "platform/kernel/internal/critical_section_lock.h"
#include "platform/kernel/internal/mutex_object.h"
#include "platform/kernel/internal/thread_object.h"
#include "platform/kernel/internal/thread_record.h"
#include "platform/messaging/internal/message_queue.h"
#include "platform/messaging/internal/window_table.h"

namespace platform {
namespace {

// The pseudo handle of GetCurrentThread.
HANDLE const kCurrentThreadPseudoHandle = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-2));

// The record behind a thread handle (the pseudo handle included); null with
// ERROR_INVALID_HANDLE set for anything else. *object gets the kernel object
// when there is one.
std::shared_ptr<ThreadRecord> ResolveThread(HANDLE handle, std::shared_ptr<ThreadObject>* object = nullptr)
{
    std::shared_ptr<ThreadObject> obj;
    std::shared_ptr<ThreadRecord> rec;
    if (handle == kCurrentThreadPseudoHandle) {
        rec = CurrentThreadShared();
        obj = rec->object.lock();
    } else {
        obj = LookupHandleAs<ThreadObject>(handle);
        if (!obj) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        rec = obj->record;
    }
    if (object) *object = obj;
    return rec;
}

struct StartContext {
    std::shared_ptr<ThreadRecord> rec;
    std::shared_ptr<ThreadObject> object;
    LPTHREAD_START_ROUTINE entry;
    LPVOID param;
};

void* ThreadTrampoline(void* arg)
{
    std::unique_ptr<StartContext> context(static_cast<StartContext*>(arg));
    auto& rec = *context->rec;
    BindCurrentThread(context->rec);
    DWORD code = 0;
    try {
        CheckPoint(rec);  // a thread created suspended waits here for ResumeThread
        code = context->entry(context->param);
    } catch (const ThreadKilled& unwind) {
        code = unwind.ExitCode();
    }
    if (!rec.killed) {
        try {
            FinishThread(rec, code, true);
        } catch (const ThreadKilled&) {
            // Killed while its windows were being destroyed: the kill finished it.
        }
    }
    rec.hostExited = true;
    rec.hostExited.notify_all();
    return nullptr;
}

}  // namespace

void KillThread(const std::shared_ptr<ThreadRecord>& rec, DWORD exitCode)
{
    if (rec->finished || rec->killed.exchange(true)) return;
    rec->killCode = exitCode;
    {
        std::lock_guard lock(KernelLock());
        if (auto object = rec->object.lock()) object->EndLocked(exitCode);
        AbandonMutexesLocked(*rec);
    }
    ReleaseSectionsOfKilledThread(*rec);
    DestroyWindowsOfThread(*rec, false);
    ShutDownQueue(*rec);
    UnregisterThread(rec->id);
    rec->finished = true;
    rec->parker.Unpark();
    if (rec.get() == &CurrentThread()) ThrowIfKilled(*rec);
}

void FinishThread(ThreadRecord& rec, DWORD exitCode, bool runWindowProcedures)
{
    if (rec.finished || rec.killed) return;
    DestroyWindowsOfThread(rec, runWindowProcedures);
    if (rec.finished.exchange(true)) return;
    {
        std::lock_guard lock(KernelLock());
        if (auto object = rec.object.lock()) object->EndLocked(exitCode);
        AbandonMutexesLocked(rec);
    }
    ShutDownQueue(rec);
    UnregisterThread(rec.id);
}

bool HasHostThreadExited(HANDLE thread)
{
    auto object = LookupHandleAs<ThreadObject>(thread);
    return object && object->record->hostExited;
}

bool WaitForHostThreadExit(HANDLE thread, DWORD timeoutMs)
{
    auto object = LookupHandleAs<ThreadObject>(thread);
    if (!object) return true;
    // Free of the kernel lock and of the caller's own kill state: it is called
    // right after a kill, often from a destructor. A bounded wait polls.
    if (timeoutMs == INFINITE) {
        object->record->hostExited.wait(false);
        return true;
    }
    auto deadline = ClockNow() + std::chrono::milliseconds(timeoutMs);
    while (!object->record->hostExited) {
        if (ClockNow() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

}  // namespace platform

using platform::CurrentThread;
using platform::ThreadObject;
using platform::ThreadRecord;

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T stackSize, LPTHREAD_START_ROUTINE entry, LPVOID param,
                    DWORD creationFlags, LPDWORD threadId)
{
    if (platform::CheckPoint(CurrentThread())) return nullptr;
    if (!entry) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto rec = platform::NewThreadRecord();
    auto object = std::make_shared<ThreadObject>(rec);
    rec->object = object;
    if (creationFlags & CREATE_SUSPENDED) rec->suspendCount = 1;
    HANDLE handle = platform::AddHandle(object);
    if (!handle) {
        platform::UnregisterThread(rec->id);
        return nullptr;
    }
    if (threadId) *threadId = rec->id;

    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    size_t defaultStack = 0;
    pthread_attr_getstacksize(&attr, &defaultStack);
    if (stackSize > defaultStack) pthread_attr_setstacksize(&attr, stackSize);  // the size is a minimum
    auto* context = new platform::StartContext{rec, object, entry, param};
    pthread_t thread;
    int rc = pthread_create(&thread, &attr, platform::ThreadTrampoline, context);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        delete context;
        rec->finished = true;
        platform::UnregisterThread(rec->id);
        CloseHandle(handle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return handle;
}

DWORD GetCurrentThreadId() { return CurrentThread().id; }

HANDLE GetCurrentThread() { return platform::kCurrentThreadPseudoHandle; }

DWORD GetThreadId(HANDLE thread)
{
    auto rec = platform::ResolveThread(thread);
    return rec ? rec->id : 0;
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

BOOL TerminateThread(HANDLE thread, DWORD exitCode)
{
    auto rec = platform::ResolveThread(thread);
    if (!rec) return FALSE;
    if (CurrentThread().killed) return FALSE;
    platform::KillThread(rec, exitCode);
    return TRUE;
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode)
{
    std::shared_ptr<ThreadObject> object;
    auto rec = platform::ResolveThread(thread, &object);
    if (!rec || !exitCode) {
        if (rec) SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!object) {  // a thread not made by CreateThread asking about itself
        *exitCode = STILL_ACTIVE;
        return TRUE;
    }
    std::lock_guard lock(platform::KernelLock());
    *exitCode = object->exitCode;
    return TRUE;
}

void ExitThread(DWORD exitCode) { throw platform::ThreadKilled(exitCode); }

DWORD SuspendThread(HANDLE thread)
{
    auto rec = platform::ResolveThread(thread);
    if (!rec || rec->finished) {
        if (rec) SetLastError(ERROR_INVALID_HANDLE);
        return 0xFFFFFFFFu;
    }
    DWORD previous = static_cast<DWORD>(rec->suspendCount.fetch_add(1));
    if (rec.get() == &CurrentThread()) platform::CheckPoint(*rec);
    return previous;
}

DWORD ResumeThread(HANDLE thread)
{
    auto rec = platform::ResolveThread(thread);
    if (!rec) return 0xFFFFFFFFu;
    LONG previous = rec->suspendCount.load();
    while (previous > 0 && !rec->suspendCount.compare_exchange_weak(previous, previous - 1)) {
    }
    if (previous == 1) rec->parker.Unpark();
    return static_cast<DWORD>(std::max<LONG>(previous, 0));
}

BOOL SetThreadPriority(HANDLE thread, int priority)
{
    auto rec = platform::ResolveThread(thread);
    if (!rec) return FALSE;
    if (priority < THREAD_PRIORITY_TIME_CRITICAL || priority > THREAD_PRIORITY_IDLE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    rec->priority = priority;  // the thread applies it to its host thread at its next check point
    if (rec.get() == &CurrentThread()) platform::ApplyPriority(*rec);
    return TRUE;
}

int GetThreadPriority(HANDLE thread)
{
    auto rec = platform::ResolveThread(thread);
    return rec ? rec->priority.load() : THREAD_PRIORITY_ERROR_RETURN;
}
