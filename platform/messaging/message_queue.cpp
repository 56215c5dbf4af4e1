#include "platform/messaging/internal/message_queue.h"

#include <algorithm>

#include "platform/kernel/clock_source.h"
#include "platform/kernel/internal/thread_record.h"
#include "platform/kernel/sync_objects.h"
#include "platform/kernel/tick.h"
#include "platform/messaging/internal/window_record.h"
#include "platform/messaging/internal/window_table.h"
#include "platform/messaging/window.h"

namespace platform {

SentMessage::SentMessage(HWND h, UINT m, WPARAM w, LPARAM l, std::shared_ptr<ThreadRecord> from)
    : hwnd(h), message(m), wParam(w), lParam(l), sender(std::move(from))
{}

void SentMessage::Complete(LRESULT result)
{
    if (!Transition(Processing, Completing)) return;
    result_ = result;
    state_.store(Done, std::memory_order_release);
    sender->parker.Unpark();
}

bool MessageFilter::Accepts(const MSG& msg) const
{
    if ((min || max) && (msg.message < min || msg.message > max)) return false;
    if (!hwnd) return true;
    if (hwnd == reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1))) return msg.hwnd == nullptr;
    return msg.hwnd && IsSameOrDescendant(msg.hwnd, hwnd);
}

LRESULT CallWindowProcedure(ThreadRecord& self, WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                            bool fromOtherThread)
{
    struct Restore {
        ThreadRecord& self;
        bool saved;
        ~Restore() { self.inCrossThreadSend = saved; }
    } restore{self, self.inCrossThreadSend};
    self.inCrossThreadSend = fromOtherThread;
    return (proc ? proc : DefWindowProcW)(hwnd, message, wParam, lParam);
}

void EnsureQueue(ThreadRecord& self)
{
    std::lock_guard lock(self.queue.mutex);
    if (!self.queue.dead) self.queue.created = true;
}

bool PostToQueue(ThreadRecord& target, const MSG& msg)
{
    {
        std::lock_guard lock(target.queue.mutex);
        if (!target.queue.created || target.queue.dead) return false;
        // The key's state is set before the message can be taken, so its own
        // handler already reads it.
        NoteKeyMessage(msg.message, msg.wParam);
        target.queue.posted.push_back(msg);
    }
    target.parker.Unpark();
    return true;
}

bool SendToQueue(ThreadRecord& target, std::shared_ptr<SentMessage> message)
{
    {
        std::lock_guard lock(target.queue.mutex);
        if (target.queue.dead) return false;
        target.queue.sent.push_back(std::move(message));
    }
    target.parker.Unpark();
    return true;
}

namespace {

// Runs one message sent by another thread; the sender always gets an answer,
// also when the procedure unwinds.
void RunSentMessage(ThreadRecord& self, const std::shared_ptr<SentMessage>& sent)
{
    auto& message = *sent;
    {
        std::lock_guard lock(self.sendingMutex);
        self.processing.push_back(sent);
    }
    struct Answer {
        ThreadRecord& self;
        SentMessage& message;
        LRESULT result = 0;
        ~Answer()
        {
            message.Complete(result);
            std::lock_guard lock(self.sendingMutex);
            self.processing.pop_back();
        }
    } answer{self, message};
    if (message.destroyRequest) {
        DestroyWindow(message.hwnd);
        return;
    }
    WindowTarget target;
    if (!FindWindowTarget(message.hwnd, &target) || target.owner.get() != &self) return;
    answer.result =
        CallWindowProcedure(self, target.proc, message.hwnd, message.message, message.wParam, message.lParam, true);
}

}  // namespace

bool ProcessSentMessages(ThreadRecord& self)
{
    bool ran = false;
    for (;;) {
        std::shared_ptr<SentMessage> message;
        {
            std::lock_guard lock(self.queue.mutex);
            if (self.queue.sent.empty()) break;
            message = std::move(self.queue.sent.front());
            self.queue.sent.pop_front();
        }
        if (!message->Begin()) continue;  // withdrawn by its sender or answered already
        ran = true;
        RunSentMessage(self, message);
    }
    return ran;
}

namespace {
thread_local DWORD t_lastMessageTime = 0;
}  // namespace

DWORD LastMessageTime() { return t_lastMessageTime; }

bool TakeMessage(ThreadRecord& self, const MessageFilter& filter, bool remove, MSG* out)
{
    bool taken = TakeNextMessage(self, filter, remove, out);
    if (taken && remove) t_lastMessageTime = out->time;
    return taken;
}

bool TakeNextMessage(ThreadRecord& self, const MessageFilter& filter, bool remove, MSG* out)
{
    ProcessSentMessages(self);
    auto& queue = self.queue;
    std::unique_lock lock(queue.mutex);
    for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
        if (!filter.Accepts(*it)) continue;
        *out = *it;
        if (remove) queue.posted.erase(it);
        return true;
    }
    if (queue.quit) {
        *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0, GetTickCount(), {0, 0}};
        if (remove) queue.quit = false;
        return true;
    }
    // WM_PAINT is made, not queued, and comes before timers. The window table
    // is never locked inside the queue's lock.
    lock.unlock();
    if (HWND paint = FindWindowToPaint(self, filter)) {
        *out = MSG{paint, WM_PAINT, 0, 0, GetTickCount(), {0, 0}};
        return true;
    }
    lock.lock();
    auto now = ClockNow();
    for (auto& timer : queue.timers) {
        if (timer.due > now) continue;
        MSG msg{timer.hwnd, WM_TIMER, timer.id, reinterpret_cast<LPARAM>(timer.proc), GetTickCount(), {0, 0}};
        if (!filter.Accepts(msg)) continue;
        *out = msg;
        if (remove) timer.due = now + std::chrono::milliseconds(timer.period);
        return true;
    }
    return false;
}

bool HasInput(ThreadRecord& self, DWORD wakeMask)
{
    if ((wakeMask & QS_PAINT) && FindWindowToPaint(self, MessageFilter{nullptr, 0, 0})) return true;
    auto& queue = self.queue;
    std::lock_guard lock(queue.mutex);
    if ((wakeMask & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE)) && (!queue.posted.empty() || queue.quit)) return true;
    if ((wakeMask & QS_SENDMESSAGE) && !queue.sent.empty()) return true;
    if (wakeMask & QS_TIMER) {
        auto now = ClockNow();
        for (auto& timer : queue.timers)
            if (timer.due <= now) return true;
    }
    return false;
}

SteadyClock::time_point NextTimerDue(ThreadRecord& self)
{
    std::lock_guard lock(self.queue.mutex);
    auto next = kNever;
    for (auto& timer : self.queue.timers) next = std::min(next, timer.due);
    return next;
}

void ShutDownQueue(ThreadRecord& rec)
{
    std::deque<std::shared_ptr<SentMessage>> waiting;
    {
        std::lock_guard lock(rec.queue.mutex);
        rec.queue.dead = true;
        rec.queue.posted.clear();
        rec.queue.timers.clear();
        rec.queue.quit = false;
        waiting.swap(rec.queue.sent);
    }
    for (auto& message : waiting)
        if (message->Begin()) message->Complete(0);
    std::shared_ptr<SentMessage> outgoing;
    std::vector<std::shared_ptr<SentMessage>> inProgress;
    {
        std::lock_guard lock(rec.sendingMutex);
        outgoing = rec.sending;
        inProgress = rec.processing;
    }
    if (outgoing) outgoing->Cancel();
    // A killed thread may still be inside a procedure for these; its senders need not wait for it.
    for (auto& message : inProgress) message->Complete(0);
}

void ForgetWindow(ThreadRecord& owner, HWND hwnd)
{
    std::vector<std::shared_ptr<SentMessage>> unanswered;
    {
        std::lock_guard lock(owner.queue.mutex);
        std::erase_if(owner.queue.timers, [hwnd](const QueueTimer& t) { return t.hwnd == hwnd; });
        for (auto& message : owner.queue.sent)
            if (message->hwnd == hwnd) unanswered.push_back(message);
    }
    for (auto& message : unanswered)
        if (message->Begin()) message->Complete(0);
}

}  // namespace platform
