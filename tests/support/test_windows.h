// Windows whose procedure is a test's lambda, threads that own one, and pumps.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "platform/kernel/sync_objects.h"
#include "platform/kernel/thread.h"
#include "platform/kernel/tick.h"
#include "platform/messaging/messages.h"
#include "platform/messaging/window.h"

namespace kstest {

using Handler = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// The procedure of the test class: the handler given at creation (through
// lpCreateParams) lives in GWL_USERDATA; without one, DefWindowProcW.
inline LRESULT HandlerWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* handler = reinterpret_cast<Handler*>(GetWindowLongPtrW(hwnd, GWL_USERDATA));
    return handler && *handler ? (*handler)(hwnd, message, wParam, lParam)
                               : DefWindowProcW(hwnd, message, wParam, lParam);
}

inline const WCHAR* HandlerClass()
{
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = HandlerWindowProc;
        wc.lpszClassName = u"KsTestHandlerWindow";
        wc.cbWndExtra = 16;
        return RegisterClassW(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    return u"KsTestHandlerWindow";
}

// A window of the calling thread. The handler must outlive the window.
inline HWND CreateHandlerWindow(Handler* handler, HWND parent = HWND_MESSAGE, DWORD style = 0, const WCHAR* title = u"")
{
    return CreateWindowExW(0, HandlerClass(), title, style, 0, 0, 10, 10, parent, nullptr, nullptr, handler);
}

// A message-only window of the calling thread that owns its handler.
class OwnWindow {
public:
    explicit OwnWindow(Handler handler) : handler_(std::move(handler)), hwnd_(CreateHandlerWindow(&handler_)) {}
    ~OwnWindow()
    {
        if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    }
    OwnWindow(const OwnWindow&) = delete;
    OwnWindow& operator=(const OwnWindow&) = delete;
    HWND Hwnd() const { return hwnd_; }

private:
    Handler handler_;
    HWND hwnd_;
};

// Dispatches whatever is queued for the calling thread; returns how many.
inline int PumpPending()
{
    int n = 0;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&msg);
        ++n;
    }
    return n;
}

// Pumps the calling thread's messages until `done` holds or `ms` pass.
inline bool PumpUntil(const std::function<bool()>& done, DWORD ms = 5000)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms) return false;
        MsgWaitForMultipleObjectsEx(0, nullptr, 10, QS_ALLINPUT, 0);
        PumpPending();
    }
    return true;
}

// Waits (without pumping) until `done` holds or `ms` pass in real time.
inline bool SpinUntil(const std::function<bool()>& done, DWORD ms = 5000)
{
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A thread owning one window, pumping its messages until the window is
// destroyed or WM_QUIT arrives.
class WindowThread {
public:
    explicit WindowThread(Handler handler) : handler_(std::move(handler))
    {
        thread_ = std::thread([this] {
            hwnd_ = CreateHandlerWindow(&handler_);
            threadId_ = GetCurrentThreadId();
            ready_ = true;
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
            if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
        });
        SpinUntil([this] { return ready_.load(); });
    }
    ~WindowThread()
    {
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    HWND Hwnd() const { return hwnd_; }
    DWORD ThreadId() const { return threadId_; }

private:
    Handler handler_;
    std::atomic<bool> ready_{false};
    HWND hwnd_ = nullptr;
    DWORD threadId_ = 0;
    std::thread thread_;
};

}  // namespace kstest
