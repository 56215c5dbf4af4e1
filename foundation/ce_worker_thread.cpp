#include "foundation/ce_worker_thread.h"

#include <cstdio>
#include <cstdlib>

#include "platform/kernel/sync_objects.h"
#include "platform/kernel/thread.h"
#include "platform/kernel/tick.h"
#include "platform/messaging/messages.h"

namespace {

// An exception that escaped a body leaves its loader in an unknown state that
// no other thread can repair: the process ends at once, reporting success as
// the device did, without running static destructors under running threads.
[[noreturn]] void EndProcessAfterFailedBody()
{
    std::fflush(nullptr);
    std::_Exit(0);
}

}  // namespace

CeWorkerThread::CeWorkerThread() : CeWorkerThread(false, nullptr, CE_WORKER_DEFAULT_STOP_TIMEOUT) {}

CeWorkerThread::CeWorkerThread(bool autoDelete, HWND notifyWindow, DWORD stopTimeout)
    : m_hNotifyWnd(notifyWindow), m_bAutoDelete(autoDelete), m_dwStopTimeout(stopTimeout)
{}

CeWorkerThread::~CeWorkerThread()
{
    // Qualified: in a base destructor the derived hooks are gone already.
    if (m_bStopRequested || m_bRunning || m_hThread.GetHandle() != nullptr) CeWorkerThread::Kill(1);
    AwaitExitedRun();
    m_hThread.Close();
    m_stopEvent.Close();
    // m_busyLock deletes its section itself.
}

void CeWorkerThread::Delete()
{
    if (m_bAutoDelete) delete this;
}

void CeWorkerThread::Exit(DWORD exitCode)
{
    m_bRunning = false;
    PostWindowMessage(WM_WORKER_DONE, 0, 0);
    bool autoDelete = m_bAutoDelete;
    ReleaseBusyLock();
    // The handle passes on, so that the next Start does not wait for this
    // run forever but does wait while the body below unwinds (an object that
    // deletes itself sees no next Start).
    if (autoDelete) {
        m_hThread.Close();
        Delete();
    } else {
        m_hExited = m_hThread;
        m_hThread = CeWaitableHandle();
    }
    ExitThread(exitCode);
}

int CeWorkerThread::Start(int priority, SIZE_T stackSize, DWORD creationFlags, LPSECURITY_ATTRIBUTES sa)
{
    // Leaves holding the busy lock with no run going.
    while (m_bStopRequested || m_bRunning || m_hThread.GetHandle() != nullptr || !TakeBusyLock()) Stop(true);
    AwaitExitedRun();

    // Created suspended so that the handle and id are stored before the body
    // can run (and end, and close the handle) on the new thread.
    DWORD threadId = 0;
    HANDLE thread =
        ::CreateThread(sa, stackSize, &CeWorkerThread::StartThread, this, creationFlags | CREATE_SUSPENDED, &threadId);
    if (thread == nullptr) return 0;  // the busy lock stays held until the next Start or Stop
    m_dwThreadId = threadId;
    m_hThread = CeWaitableHandle(thread);
    BOOL prioritySet = SetThreadPriority(thread, priority);
    if ((creationFlags & CREATE_SUSPENDED) == 0) ResumeThread(thread);
    return prioritySet ? 1 : 0;
}

BOOL CeWorkerThread::TakeBusyLock()
{
    if (!m_busyLock.TryLock()) return FALSE;
    // The section is recursive, the token is not: taking it again on the
    // thread that still holds it (after a failed CreateThread) keeps one level,
    // so that one release at the end of the next run frees it.
    CRITICAL_SECTION state = m_busyLock;
    if (state.RecursionCount > 1) m_busyLock.Leave();
    return TRUE;
}

void CeWorkerThread::AwaitExitedRun()
{
    if (m_hExited.GetHandle() == nullptr) return;
    platform::WaitForHostThreadExit(m_hExited.GetHandle(), INFINITE);
    m_hExited.Close();
}

DWORD CeWorkerThread::StartThread(LPVOID param)
{
    auto* self = static_cast<CeWorkerThread*>(param);
    if (self == nullptr || self->GetId() == 0) return 0;

    self->m_bRunning = true;
    DWORD result = 0;
    try {
        result = self->ThreadProc();
    } catch (const platform::ThreadKilled&) {
        throw;  // a kill or ExitThread unwinding the thread: let it end
    } catch (...) {
        self->PostKill();
        EndProcessAfterFailedBody();
    }
    // A body killed while it computed without calling the platform comes
    // back here: leave before touching the object, which its killer owns
    // again once this thread has left.
    platform::ThreadCheckPoint();

    self->m_stopEvent.Reset();
    self->m_bRunning = false;
    self->PostWindowMessage(WM_WORKER_DONE, result, static_cast<LPARAM>(self->GetId()));
    bool autoDelete = self->m_bAutoDelete;
    self->ReleaseBusyLock();
    // The handle goes last: once it is null the owner may restart or destroy
    // the object, so nothing of it is touched afterwards (except by Delete,
    // which only an object that deletes itself reaches).
    self->m_hThread.Close();
    if (autoDelete) self->Delete();
    return result;
}

void CeWorkerThread::Stop(bool pump)
{
    m_stopEvent.Set();
    Sleep(1);
    if (m_hThread.GetHandle() == nullptr) {
        m_bRunning = false;
        m_bStopRequested = false;
        ReleaseBusyLock();
        m_stopEvent.Reset();
        return;
    }

    m_bStopRequested = true;
    Sleep(1);
    if (m_hThread.GetHandle() == nullptr) {
        m_bRunning = false;  // the run ended meanwhile
    } else {
        OnStop();
        if (!m_bAutoDelete) {
            DWORD result = pump ? m_hThread.MsgWaitFor(m_dwStopTimeout) : m_hThread.WaitFor(m_dwStopTimeout);
            if (result == WAIT_TIMEOUT) Kill(1);
        }
    }
    m_bStopRequested = false;
    m_stopEvent.Reset();
    ReleaseBusyLock();
}

BOOL CeWorkerThread::PostThreadMessageW(UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD threadId = GetId();
    if (threadId == 0) return 0;
    return ::PostThreadMessageW(threadId, message, wParam, lParam);
}

BOOL CeWorkerThread::PostWindowMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_hNotifyWnd == nullptr) return 0;
    return PostMessageW(m_hNotifyWnd, message, wParam, lParam);
}

BOOL CeWorkerThread::Kill(DWORD exitCode)
{
    OnKill();
    BOOL terminated = 0;
    HANDLE thread = m_hThread.GetHandle();
    if (thread != nullptr && thread != INVALID_HANDLE_VALUE) {
        terminated = TerminateThread(thread, exitCode);
        // The killed body goes on until its next check point and unwinds
        // there. Until its thread has left it may still use what PostKill
        // frees and what a new run would reuse, so the kill waits for it
        // (see docs/ARCHITECTURE.md); the loaders' long loops call check points.
        if (terminated) platform::WaitForHostThreadExit(thread, INFINITE);
    }
    PostKill();
    m_bRunning = false;
    m_hThread.Close();
    m_stopEvent.Reset();
    ReleaseBusyLock();
    return terminated;
}

DWORD CeWorkerThread::Pause()
{
    OnSuspend();
    return SuspendThread(m_hThread.GetHandle());
}

DWORD CeWorkerThread::Resume()
{
    OnResume();
    return ResumeThread(m_hThread.GetHandle());
}

DWORD CeWorkerThread::WaitForComplete() { return m_hThread.MsgWaitFor(INFINITE); }

int CeWorkerThread::GetPriority() const { return GetThreadPriority(m_hThread.GetHandle()); }

BOOL CeWorkerThread::SetPriority(int priority) { return SetThreadPriority(m_hThread.GetHandle(), priority); }

DWORD CeWorkerThread::GetExitCode() const
{
    DWORD code = 0;
    if (!GetExitCodeThread(m_hThread.GetHandle(), &code)) return 0xFFFFFFFFu;
    return code;
}

DWORD CeWorkerThread::RunInline() { return StartThread(this); }
