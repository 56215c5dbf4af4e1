#include "platform/messaging/messages.h"

#include <utility>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/kernel/clock_source.h"
#include "platform/kernel/internal/thread_record.h"
#include "platform/kernel/sync_objects.h"
#include "platform/kernel/tick.h"
#include "platform/messaging/internal/message_queue.h"
#include "platform/messaging/internal/window_table.h"
#include "platform/messaging/window.h"

namespace platform {
namespace {

HWND const kThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));

// Makes `message` the calling thread's outgoing message for the length of a
// send, so that a kill can withdraw it; sends nest when a procedure run
// during the wait sends in turn.
class OutgoingMessage {
public:
    OutgoingMessage(ThreadRecord& self, std::shared_ptr<SentMessage> message) : self_(self)
    {
        std::lock_guard lock(self_.sendingMutex);
        previous_ = std::exchange(self_.sending, std::move(message));
    }
    ~OutgoingMessage()
    {
        std::lock_guard lock(self_.sendingMutex);
        self_.sending = std::move(previous_);
    }
    OutgoingMessage(const OutgoingMessage&) = delete;
    OutgoingMessage& operator=(const OutgoingMessage&) = delete;

private:
    ThreadRecord& self_;
    std::shared_ptr<SentMessage> previous_;
};

}  // namespace

// The common path of SendMessageW, SendMessageTimeoutW and the destruction of
// windows of other threads. *delivered is false when there was no answer.
LRESULT SendToWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeout, bool destroyRequest,
                     bool* delivered)
{
    *delivered = false;
    auto& self = CurrentThread();
    if (CheckPoint(self)) return 0;
    WindowTarget target;
    if (!FindWindowTarget(hwnd, &target)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (target.owner.get() == &self) {
        *delivered = true;
        if (destroyRequest) return DestroyWindow(hwnd);
        return CallWindowProcedure(self, target.proc, hwnd, message, wParam, lParam, false);
    }
    auto sent = std::make_shared<SentMessage>(hwnd, message, wParam, lParam, self.shared_from_this());
    sent->destroyRequest = destroyRequest;
    OutgoingMessage outgoing(self, sent);
    if (!SendToQueue(*target.owner, sent)) return 0;  // its thread has ended
    const auto deadline = DeadlineAfter(timeout);
    for (;;) {
        auto ticket = self.parker.Prepare();
        if (sent->IsDone()) {
            *delivered = true;
            return sent->Result();
        }
        if (self.killed) {
            sent->Cancel();
            ThrowIfKilled(self);
            return 0;
        }
        if (ProcessSentMessages(self)) continue;  // a thread sending to us meanwhile is answered
        if (ClockNow() >= deadline) {
            sent->Cancel();
            SetLastError(ERROR_TIMEOUT);
            return 0;
        }
        self.parker.Park(ticket, deadline);
    }
}

}  // namespace platform

using platform::CurrentThread;

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto& self = CurrentThread();
    if (platform::CheckPoint(self)) return FALSE;
    MSG msg{hwnd, message, wParam, lParam, GetTickCount(), {0, 0}};
    if (!hwnd) {
        platform::EnsureQueue(self);
        return platform::PostToQueue(self, msg) ? TRUE : FALSE;
    }
    platform::WindowTarget target;
    if (!platform::FindWindowTarget(hwnd, &target) || !platform::PostToQueue(*target.owner, msg)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (platform::CheckPoint(CurrentThread())) return FALSE;
    auto target = platform::FindThread(threadId);
    if (!target || !platform::PostToQueue(*target, MSG{nullptr, message, wParam, lParam, GetTickCount(), {0, 0}})) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    return TRUE;
}

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    bool delivered;
    return platform::SendToWindow(hwnd, message, wParam, lParam, INFINITE, false, &delivered);
}

LRESULT SendMessageTimeoutW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT, UINT timeout,
                            DWORD_PTR* result)
{
    bool delivered;
    LRESULT r = platform::SendToWindow(hwnd, message, wParam, lParam, timeout, false, &delivered);
    if (result) *result = delivered ? static_cast<DWORD_PTR>(r) : 0;
    return delivered ? TRUE : FALSE;
}

BOOL InSendMessage() { return CurrentThread().inCrossThreadSend ? TRUE : FALSE; }

BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax)
{
    auto& self = CurrentThread();
    if (platform::CheckPoint(self)) return 0;
    if (!msg || (hwnd && hwnd != platform::kThreadMessagesOnly && !IsWindow(hwnd))) {
        SetLastError(msg ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
        return -1;
    }
    platform::EnsureQueue(self);
    platform::MessageFilter filter{hwnd, filterMin, filterMax};
    for (;;) {
        auto ticket = self.parker.Prepare();
        if (platform::CheckPoint(self)) return 0;
        if (platform::TakeMessage(self, filter, true, msg)) return msg->message == WM_QUIT ? 0 : 1;
        self.parker.Park(ticket, platform::NextTimerDue(self));
    }
}

BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags)
{
    auto& self = CurrentThread();
    if (platform::CheckPoint(self) || !msg) return FALSE;
    platform::EnsureQueue(self);
    platform::MessageFilter filter{hwnd, filterMin, filterMax};
    return platform::TakeMessage(self, filter, (removeFlags & PM_REMOVE) != 0, msg) ? TRUE : FALSE;
}

LRESULT DispatchMessageW(const MSG* msg)
{
    auto& self = CurrentThread();
    if (!msg || self.killed) return 0;
    if (msg->message == WM_TIMER && msg->lParam) {
        // Only the procedure of a live timer is called, never an arbitrary lParam.
        std::shared_ptr<platform::ThreadRecord> owner = self.shared_from_this();
        if (msg->hwnd) {
            platform::WindowTarget target;
            if (!platform::FindWindowTarget(msg->hwnd, &target)) return 0;
            owner = target.owner;
        }
        TIMERPROC proc = platform::FindTimerProc(*owner, msg->hwnd, msg->wParam);
        if (proc && reinterpret_cast<LPARAM>(proc) == msg->lParam)
            proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    if (!msg->hwnd) return 0;
    platform::WindowTarget target;
    if (!platform::FindWindowTarget(msg->hwnd, &target)) return 0;  // destroyed meanwhile: dropped
    return platform::CallWindowProcedure(self, target.proc, msg->hwnd, msg->message, msg->wParam, msg->lParam, false);
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

void PostQuitMessage(int exitCode)
{
    auto& self = CurrentThread();
    if (self.killed) return;
    platform::EnsureQueue(self);
    std::lock_guard lock(self.queue.mutex);
    self.queue.quit = true;
    self.queue.quitCode = exitCode;
}

BOOL WaitMessage()
{
    auto& self = CurrentThread();
    if (platform::CheckPoint(self)) return FALSE;
    platform::EnsureQueue(self);
    for (;;) {
        auto ticket = self.parker.Prepare();
        if (platform::CheckPoint(self)) return FALSE;
        if (platform::ProcessSentMessages(self) || platform::HasInput(self, QS_ALLINPUT | QS_ALLPOSTMESSAGE))
            return TRUE;
        self.parker.Park(ticket, platform::NextTimerDue(self));
    }
}
