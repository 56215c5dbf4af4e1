// Events, semaphores and mutexes, and the waits on them.
//
// Objects are reached through HANDLEs (platform/kernel/handle.h) and closed with
// CloseHandle. Named objects share one name space per process: creating an
// object whose name already exists returns a new handle to the same object
// and sets GetLastError to ERROR_ALREADY_EXISTS (183); creating one whose name
// belongs to an object of another kind fails with ERROR_INVALID_HANDLE (6).
//
// Named mutexes are also real across processes: ownership is backed by an
// exclusive lock on a file in the lock directory (platform::NamedObjectLockDirectory),
// so a mutex held by another process is not granted here: CreateMutexW then
// sets ERROR_ALREADY_EXISTS and does not grant initial ownership, and a wait on
// it polls the file lock until the other process lets go or the time-out ends.
#pragma once

#include <string>

#include "platform/kernel/handle.h"
#include "platform/base/security_attributes.h"
#include "platform/base/types.h"

// Wait results.
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED = 0x80;
constexpr DWORD WAIT_ABANDONED_0 = 0x80;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;

// EventModify operations.
constexpr DWORD EVENT_PULSE = 1;
constexpr DWORD EVENT_RESET = 2;
constexpr DWORD EVENT_SET = 3;

// Wake masks of MsgWaitForMultipleObjectsEx (the device's values: all input is 0x7F).
constexpr DWORD QS_KEY = 0x0001;
constexpr DWORD QS_MOUSEMOVE = 0x0002;
constexpr DWORD QS_MOUSEBUTTON = 0x0004;
constexpr DWORD QS_MOUSE = QS_MOUSEMOVE | QS_MOUSEBUTTON;
constexpr DWORD QS_INPUT = QS_MOUSE | QS_KEY;
constexpr DWORD QS_POSTMESSAGE = 0x0008;
constexpr DWORD QS_TIMER = 0x0010;
constexpr DWORD QS_PAINT = 0x0020;
constexpr DWORD QS_SENDMESSAGE = 0x0040;
constexpr DWORD QS_ALLINPUT = QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_SENDMESSAGE;
constexpr DWORD QS_ALLEVENTS = QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT;
constexpr DWORD QS_ALLPOSTMESSAGE = 0x0100;

// MsgWaitForMultipleObjectsEx flags.
constexpr DWORD MWMO_WAITALL = 0x0001;         // not supported: the call fails with ERROR_INVALID_PARAMETER
constexpr DWORD MWMO_ALERTABLE = 0x0002;       // accepted, no effect (there are no APCs)
constexpr DWORD MWMO_INPUTAVAILABLE = 0x0004;  // accepted; see below

// Events.
HANDLE CreateEventW(LPSECURITY_ATTRIBUTES sa, BOOL manualReset, BOOL initialState, LPCWSTR name);
// The device's one entry point behind SetEvent, ResetEvent and PulseEvent.
// A pulse releases the threads waiting at that moment (all of them for a
// manual-reset event, one for an auto-reset event) and leaves the event
// unsignalled; with nobody waiting it changes nothing.
BOOL EventModify(HANDLE event, DWORD func);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
BOOL PulseEvent(HANDLE event);

// Semaphores. ReleaseSemaphore fails (ERROR_TOO_MANY_POSTS) without changing
// the count when the count would pass the maximum.
HANDLE CreateSemaphoreW(LPSECURITY_ATTRIBUTES sa, LONG initialCount, LONG maximumCount, LPCWSTR name);
BOOL ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LPLONG previousCount);

// Mutexes: recursive on the owning thread. A mutex whose owner thread ended
// (or was killed) without releasing it is abandoned: the next wait that gets
// it returns WAIT_ABANDONED. ReleaseMutex by a thread that does not own it
// fails with ERROR_NOT_OWNER.
HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES sa, BOOL initialOwner, LPCWSTR name);
BOOL ReleaseMutex(HANDLE mutex);

// Waits. A thread handle is signalled once the thread has ended or was killed.
// A wait keeps its object alive: another thread may close the handle during
// the wait without harm (the wait goes on until the object is signalled or
// the time-out ends). WAIT_FAILED with ERROR_INVALID_HANDLE for a handle that
// is not open. A thread killed while it waits unwinds with platform::ThreadKilled.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// waitAll must be FALSE (waiting for all objects at once is not supported).
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);

// Waits for one of the handles or for input for the calling thread's message
// queue. Returns WAIT_OBJECT_0 + i for a signalled handle i, WAIT_OBJECT_0 +
// count when input of a kind in wakeMask is available: a posted message
// (QS_POSTMESSAGE/QS_ALLPOSTMESSAGE), a timer that is due (QS_TIMER), or a
// message sent by another thread (QS_SENDMESSAGE). Messages sent by other
// threads are processed (their window procedures run) inside the wait, so a
// thread that waits here never deadlocks a thread that sends to it.
//
// Unlike the device, input counts whenever it is available, not only when it
// arrived after the last look at the queue (as if MWMO_INPUTAVAILABLE were
// always given): a wait loop that dispatches one message per wake-up never
// sleeps on messages that are already queued.
DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD milliseconds, DWORD wakeMask, DWORD flags);
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds, DWORD wakeMask);

namespace platform {

// The directory holding the lock files of named mutexes: $KSTOOLS_HOME/.locks
// when KSTOOLS_HOME is set and not empty, else $XDG_RUNTIME_DIR/kstools/locks,
// else /tmp/kstools-<uid>/locks. Read anew for every named mutex created.
std::string NamedObjectLockDirectory();

}  // namespace platform
