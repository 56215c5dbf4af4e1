// CeWorkerThread: base of every background loader. A derived class supplies
// ThreadProc, the body run on a thread of its own; the base runs the
// start/stop/kill protocol around it:
//
// - Start stops a run that is still going (dispatching the caller's messages
//   while it waits), then creates a new thread.
// - The body polls the stop event (or IsStopSet) and returns when asked to.
//   When it returns, the owner window gets WM_WORKER_DONE with the body's
//   result and the thread id.
// - Stop sets the stop event and waits up to the stop time-out for the body
//   to return; a body that does not is killed (exit code 1), and PostKill
//   lets the derived class give back what the body held.
// - A kill returns once the killed body's thread has left, so PostKill, a new
//   Start and the destructor never run beside the old body; after Exit, the
//   next Start and the destructor wait for the exiting thread likewise.
// - The busy lock is a token taken by Start on the owner's thread and given
//   back by whichever ends the run first: the thread itself, Stop, Kill or
//   Exit.
//
// Start, Stop and Kill belong to the owner's thread; the running and
// stop-requested flags are the only state the two threads both write.
#pragma once

#include <atomic>

#include "foundation/ce_critical_section.h"
#include "foundation/ce_events.h"
#include "foundation/ce_waitable_handle.h"
#include "platform/base/export.h"
#include "platform/base/security_attributes.h"
#include "platform/base/types.h"
#include "platform/kernel/thread.h"

// Posted to the notification window when a run ends by itself:
// wParam = the body's result, lParam = the worker's thread id.
constexpr UINT WM_WORKER_DONE = 0x0800;

// How long Stop waits for a body before killing it, unless told otherwise.
constexpr DWORD CE_WORKER_DEFAULT_STOP_TIMEOUT = 6000;

class KSTOOLS_API CeWorkerThread {
public:
    CeWorkerThread();
    CeWorkerThread(bool autoDelete, HWND notifyWindow, DWORD stopTimeout);

    CeWorkerThread(const CeWorkerThread&) = delete;
    CeWorkerThread& operator=(const CeWorkerThread&) = delete;

    // Destroys the object when it was made to delete itself at the end of a run.
    virtual void Delete();
    // Called by the body to end its own thread at once with `exitCode`: the
    // window gets WM_WORKER_DONE (0, 0) and the object reads as idle.
    virtual void Exit(DWORD exitCode);
    // 1 when a thread was created and its priority set, else 0 (a thread that
    // was created runs even when the priority was refused).
    virtual int Start(int priority = THREAD_PRIORITY_NORMAL, SIZE_T stackSize = 0, DWORD creationFlags = 0,
                      LPSECURITY_ATTRIBUTES sa = nullptr);
    // Asks the body to finish and waits for it, dispatching the calling
    // thread's messages meanwhile when `pump` is set; kills it after the stop
    // time-out. Returns at once when no run is going.
    virtual void Stop(bool pump = true);
    // Post to the worker's thread queue / to the notification window; 0 when
    // there is no thread id / no window.
    virtual BOOL PostThreadMessageW(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL PostWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Ends the run: the thread is terminated with `exitCode` and, once it has
    // left (at its next check point), PostKill runs. The TerminateThread
    // result; 0 when there was no thread.
    virtual BOOL Kill(DWORD exitCode);
    // The body. Its result becomes the thread's exit code and WM_WORKER_DONE's
    // wParam. An exception escaping it ends the whole process (after PostKill).
    virtual DWORD ThreadProc() = 0;
    // Hooks, empty here. OnStop runs in Stop before the wait; OnSuspend and
    // OnResume before the platform call; OnKill before the thread is
    // terminated; PostKill after it (on the killer's thread), to give back
    // what the killed body held.
    virtual void OnStop() {}
    virtual void OnSuspend() {}
    virtual void OnResume() {}
    virtual void OnKill() {}
    virtual void PostKill() {}
    // Kills a run that is still going (the base class's Kill: a derived class
    // must stop its thread in its own destructor if its PostKill matters).
    virtual ~CeWorkerThread();

    // Previous suspend count, 0xFFFFFFFF on failure.
    DWORD Pause();
    DWORD Suspend() { return Pause(); }
    DWORD Resume();
    // Waits for the thread to end, dispatching the caller's messages.
    DWORD WaitForComplete();

    bool IsRunning() const { return m_bRunning.load(std::memory_order_acquire); }
    // True while Stop waits for the body: a body may poll this instead of the
    // stop event.
    bool IsStopSet() const { return m_bStopRequested.load(std::memory_order_acquire); }
    int GetPriority() const;
    BOOL SetPriority(int priority);
    // Thread id of the current or last run; 0 before the first.
    DWORD GetId() const { return m_dwThreadId.load(std::memory_order_acquire); }
    // The thread's exit code (STILL_ACTIVE while it runs); 0xFFFFFFFF when
    // there is no thread handle.
    DWORD GetExitCode() const;
    // Runs the thread entry on the calling thread (the body only runs when a
    // thread id has been recorded by an earlier Start). Its result.
    DWORD RunInline();

    // The thread entry; `param` is the worker.
    static DWORD StartThread(LPVOID param);

protected:
    CeManualEvent* GetStopEvent() { return &m_stopEvent; }
    HWND GetNotifyWindow() const { return m_hNotifyWnd; }

    CeWaitableHandle m_hThread;                 // null when no thread
    CeCriticalSection m_busyLock;               // two-state token, see the class comment
    std::atomic<bool> m_bRunning{false};        // the body runs
    std::atomic<bool> m_bStopRequested{false};  // Stop waits for the body
    HWND m_hNotifyWnd;                          // receives WM_WORKER_DONE; may be null
    bool m_bAutoDelete;                         // the object deletes itself when a run ends
    std::atomic<DWORD> m_dwThreadId{0};
    CeManualEvent m_stopEvent;   // set by Stop, polled by the body
    DWORD m_dwStopTimeout;       // ms that Stop waits before killing
    CeWaitableHandle m_hExited;  // thread of a run ended by Exit, until it has left

private:
    BOOL TakeBusyLock();
    // Waits until the thread of a run that ended through Exit has left.
    void AwaitExitedRun();
    void ReleaseBusyLock() { m_busyLock.Leave(); }
};
