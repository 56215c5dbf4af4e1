// Layer note: platform/kernel and platform/messaging depend on each other. A
// thread record owns its message queue, waits wake on queued messages, and a
// kill destroys the thread's windows; so these two folders share internal
// headers, and nothing else in platform/ reaches into either's internal/.
//
// Threads.
//
// CreateThread starts a host thread running `entry(param)`; the returned
// handle is signalled when the thread ends and GetExitCodeThread gives the
// entry's return value (STILL_ACTIVE while it runs).
//
// Termination. A host thread cannot be stopped from outside safely, so
// TerminateThread works cooperatively but takes effect for everybody else at
// once: the thread is marked killed, its exit code is set, its handle is
// signalled, the critical sections and mutexes it owned are released (mutexes
// as abandoned), its windows are destroyed without running their procedures,
// its pending messages are dropped and the message it was sending is withdrawn.
// The killed thread itself stops at its next call into the platform layer (any
// wait, Sleep, Enter/TryEnterCriticalSection, PostMessageW, SendMessageW,
// PostThreadMessageW, GetMessageW, PeekMessageW, CreateWindowExW, SetTimer,
// the Create* calls, platform::ThreadCheckPoint): that call throws
// platform::ThreadKilled, which unwinds the thread's stack to the thread's
// start routine where it is swallowed. Calls that change shared state without
// waiting (LeaveCriticalSection, SetEvent and friends, ReleaseMutex,
// ReleaseSemaphore, CloseHandle, DestroyWindow, KillTimer, SetWindowLongW) are
// ignored on a killed thread and do not throw, so destructors running during
// the unwinding are safe. Code that never calls into the platform (a pure
// computation loop) keeps running until it does; see docs/ARCHITECTURE.md.
//
// Code that catches everything (catch (...)) on a thread that may be killed
// must rethrow platform::ThreadKilled. ExitThread unwinds the same way (with
// the same exception type, carrying its exit code), so destructors of the
// exiting thread run; the exiting thread is not marked killed.
#pragma once

#include "platform/base/export.h"
#include "platform/base/security_attributes.h"
#include "platform/base/types.h"

#ifndef WINAPI
#define WINAPI
#endif

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID);
using PTHREAD_START_ROUTINE = LPTHREAD_START_ROUTINE;

constexpr DWORD CREATE_SUSPENDED = 0x00000004;
constexpr DWORD STACK_SIZE_PARAM_IS_A_RESERVATION = 0x00010000;
constexpr DWORD STILL_ACTIVE = 259;

// The device's eight priority levels: 0 is the highest, 3 normal, 7 idle.
constexpr int THREAD_PRIORITY_TIME_CRITICAL = 0;
constexpr int THREAD_PRIORITY_HIGHEST = 1;
constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 2;
constexpr int THREAD_PRIORITY_NORMAL = 3;
constexpr int THREAD_PRIORITY_BELOW_NORMAL = 4;
constexpr int THREAD_PRIORITY_LOWEST = 5;
constexpr int THREAD_PRIORITY_ABOVE_IDLE = 6;
constexpr int THREAD_PRIORITY_IDLE = 7;
constexpr int THREAD_PRIORITY_ERROR_RETURN = 0x7FFFFFFF;

// Writes the new thread's id to *threadId (may be null) before the thread
// starts running `entry`. An exception other than platform::ThreadKilled that
// escapes `entry` ends the process (std::terminate), as an unhandled
// exception does on the device. Null (with GetLastError set) when the thread could
// not be created. With CREATE_SUSPENDED the entry does not start before
// ResumeThread. stackSize is a minimum; 0 takes the host's default.
KSTOOLS_API HANDLE CreateThread(LPSECURITY_ATTRIBUTES sa, SIZE_T stackSize, LPTHREAD_START_ROUTINE entry, LPVOID param,
                                DWORD creationFlags, LPDWORD threadId);

// Ids are never 0 and never reused within a process. Every thread gets one,
// also threads not made by CreateThread.
KSTOOLS_API DWORD GetCurrentThreadId();
// A pseudo handle meaning "the calling thread" (not to be closed; closing it does nothing).
KSTOOLS_API HANDLE GetCurrentThread();
KSTOOLS_API DWORD GetThreadId(HANDLE thread);
KSTOOLS_API DWORD GetCurrentProcessId();

// Kills the thread (see above). FALSE with ERROR_INVALID_HANDLE for a handle
// that is not a thread; TRUE with no effect for a thread that already ended.
// Killing the calling thread unwinds it at once.
KSTOOLS_API BOOL TerminateThread(HANDLE thread, DWORD exitCode);
KSTOOLS_API BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
// Ends the calling thread with `exitCode` by unwinding it (see above). On a
// thread not made by CreateThread the exception reaches that thread's own code.
[[noreturn]] KSTOOLS_API void ExitThread(DWORD exitCode);

// Suspension counts. Both return the previous count, 0xFFFFFFFF on failure.
// A thread suspended by another thread stops at its next call into the
// platform layer (not at once: a host thread cannot be frozen from outside);
// suspending the calling thread stops it at once. A suspended thread that is
// killed wakes and unwinds.
KSTOOLS_API DWORD SuspendThread(HANDLE thread);
KSTOOLS_API DWORD ResumeThread(HANDLE thread);

// Stores the level (0..7; anything else fails with ERROR_INVALID_PARAMETER).
// Levels below normal also raise the host thread's nice value a little (best
// effort, never undone below the process's own value); higher levels are only
// recorded.
KSTOOLS_API BOOL SetThreadPriority(HANDLE thread, int priority);
KSTOOLS_API int GetThreadPriority(HANDLE thread);

namespace platform {

// Thrown on a killed (or exiting) thread to unwind it. Not derived from
// std::exception, so handlers of std::exception do not swallow it; code with
// catch (...) must rethrow it.
class KSTOOLS_API ThreadKilled {
public:
    explicit ThreadKilled(DWORD exitCode) : exitCode_(exitCode) {}
    DWORD ExitCode() const { return exitCode_; }

private:
    DWORD exitCode_;
};

// A cheap check point for long loops: throws ThreadKilled when the calling
// thread was killed (and is not already unwinding), and stops here while the
// thread is suspended.
KSTOOLS_API void ThreadCheckPoint();

// True when the calling thread was killed by TerminateThread.
KSTOOLS_API bool IsCurrentThreadKilled();

// Waits up to timeoutMs (INFINITE: without a limit) for the host thread behind
// a thread handle to leave its start routine. A killed thread's handle is signalled before its stack has
// unwound; whoever frees what the killed body was using waits here first, so
// that a body parked in the platform (the usual case) is gone before its data
// is. True when the thread has left (or the handle is not a thread of ours).
KSTOOLS_API bool WaitForHostThreadExit(HANDLE thread, DWORD timeoutMs);

}  // namespace platform
