// The message queue of one thread (internal to the platform layer).
#pragma once

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/kernel/internal/parker.h"
#include "platform/messaging/messages.h"
#include "platform/messaging/window.h"

namespace platform {

class ThreadRecord;

// A message sent from one thread to a window of another, waiting in the
// receiver's queue. The sender waits until the state is Done.
class SentMessage {
public:
    enum State { Pending, Processing, Completing, Done, Cancelled };

    SentMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, std::shared_ptr<ThreadRecord> sender);

    // Pending -> Processing; false when it was cancelled or completed meanwhile.
    bool Begin() { return Transition(Pending, Processing); }
    // Pending -> Cancelled (the sender gave up); false when processing already began.
    bool Cancel() { return Transition(Pending, Cancelled); }
    // Stores the result and wakes the sender. Only the first call after Begin counts.
    void Complete(LRESULT result);
    bool IsDone() const { return state_.load(std::memory_order_acquire) == Done; }
    LRESULT Result() const { return result_; }  // valid once IsDone()

    const HWND hwnd;
    const UINT message;
    const WPARAM wParam;
    const LPARAM lParam;
    const std::shared_ptr<ThreadRecord> sender;
    bool destroyRequest = false;  // internal: destroy hwnd on the receiving thread

private:
    bool Transition(State from, State to) { return state_.compare_exchange_strong(from, to); }

    std::atomic<State> state_{Pending};
    LRESULT result_ = 0;
};

struct QueueTimer {
    HWND hwnd;
    UINT_PTR id;
    DWORD period;
    SteadyClock::time_point due;
    TIMERPROC proc;
};

// Selection of GetMessageW/PeekMessageW.
struct MessageFilter {
    HWND hwnd;
    UINT min;
    UINT max;
    bool Accepts(const MSG& msg) const;
};

class MessageQueue {
public:
    std::mutex mutex;
    bool created = false;  // the thread has used a message function (or was made by CreateThread)
    bool dead = false;     // the thread ended or was killed: nothing is accepted any more
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;
    bool quit = false;
    int quitCode = 0;
    std::vector<QueueTimer> timers;
};

// Queue operations (message_queue.cpp).

// Marks the calling thread's queue as existing.
void EnsureQueue(ThreadRecord& self);
// Appends a posted message and wakes the thread; false when its queue is dead or does not exist.
// A posted key message also sets the key's state (NoteKeyMessage).
bool PostToQueue(ThreadRecord& target, const MSG& msg);
// WM_KEYDOWN and WM_KEYUP leave key vk down or up for GetAsyncKeyState; a
// press also sets its pressed-since-the-last-read bit (input.cpp).
void NoteKeyMessage(UINT message, WPARAM vk);
// Appends a sent message; false when the queue is dead.
bool SendToQueue(ThreadRecord& target, std::shared_ptr<SentMessage> message);
// Runs every message sent to the calling thread that is waiting; true when at least one ran.
bool ProcessSentMessages(ThreadRecord& self);
// Sent messages first, then the first posted message the filter accepts, then
// WM_QUIT, then a due timer. True when *out was filled.
bool TakeMessage(ThreadRecord& self, const MessageFilter& filter, bool remove, MSG* out);
bool TakeNextMessage(ThreadRecord& self, const MessageFilter& filter, bool remove, MSG* out);
// The time stamp of the message the calling thread last removed from its queue.
DWORD LastMessageTime();
// True when input of a kind in wakeMask is waiting (does not process anything).
bool HasInput(ThreadRecord& self, DWORD wakeMask);
// When the next timer of the calling thread falls due (kNever when none).
SteadyClock::time_point NextTimerDue(ThreadRecord& self);
// Drops everything and refuses further messages; senders waiting on this
// queue get 0; the message this thread was sending is withdrawn.
void ShutDownQueue(ThreadRecord& rec);
// Drops the timers of a destroyed window and answers 0 to messages sent to it.
void ForgetWindow(ThreadRecord& owner, HWND hwnd);

// Calls a window procedure (DefWindowProcW for null), marking whether the
// message came from another thread for InSendMessage.
LRESULT CallWindowProcedure(ThreadRecord& self, WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                            bool fromOtherThread);

// Sends to a window and waits for the answer (messages.cpp): the common path
// of SendMessageW, SendMessageTimeoutW and the destruction of windows of other
// threads (destroyRequest). *delivered is false when there was no answer.
LRESULT SendToWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeout, bool destroyRequest,
                     bool* delivered);

// Timers (timers.cpp).
bool AddTimer(ThreadRecord& owner, const QueueTimer& timer);
bool RemoveTimer(ThreadRecord& owner, HWND hwnd, UINT_PTR id);
// The procedure of a live timer, null when there is none (or it has none).
TIMERPROC FindTimerProc(ThreadRecord& owner, HWND hwnd, UINT_PTR id);
// A fresh id for a timer without a window.
UINT_PTR NewThreadTimerId();

}  // namespace platform
