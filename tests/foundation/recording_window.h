// A message-only window that records its messages and answers with set replies.
#pragma once

#include <chrono>
#include <map>
#include <vector>

#include "tests/support/test_windows.h"

class RecordingWindow {
public:
    struct Received {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    RecordingWindow() : hwnd_(kstest::CreateHandlerWindow(&handler_)) {}
    ~RecordingWindow() { DestroyWindow(hwnd_); }
    RecordingWindow(const RecordingWindow&) = delete;
    RecordingWindow& operator=(const RecordingWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    void Reply(UINT message, LRESULT result) { replies_[message] = result; }
    std::vector<Received> All(UINT message) const
    {
        std::vector<Received> found;
        for (const auto& m : log_)
            if (m.message == message) found.push_back(m);
        return found;
    }
    size_t Count(UINT message) const { return All(message).size(); }

private:
    std::vector<Received> log_;
    std::map<UINT, LRESULT> replies_;
    kstest::Handler handler_ = [this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_CREATE || message == WM_DESTROY) return DefWindowProcW(hwnd, message, wParam, lParam);
        log_.push_back({message, wParam, lParam});
        auto reply = replies_.find(message);
        return reply != replies_.end() ? reply->second : 0;
    };
    HWND hwnd_;
};

// Dispatches the calling thread's messages for `ms`.
inline void PumpFor(DWORD ms)
{
    kstest::PumpUntil([] { return false; }, ms);
}

inline long long MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}
