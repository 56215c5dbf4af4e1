// LoaderHost: lets a program without a window of its own (the command line,
// tests, benchmarks) own a loader. It makes a message-only window on the
// calling thread to be the loader's notification window, pumps that thread's
// messages until the load has ended, and calls the caller back with the
// completed count while the loader hands the list over (inside a sent
// WM_LOADER_DATA the loader waits until the callback has returned).
//
// A host belongs to the thread that made it; Run pumps that thread's queue.
#pragma once

#include <functional>
#include <vector>

#include "engine/loader_messages.h"
#include "foundation/ce_worker_thread.h"
#include "platform/base/export.h"
#include "platform/base/types.h"

class KSTOOLS_API LoaderHost {
public:
    // One loader message as the window received it.
    struct Event {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        DWORD threadId;  // the thread whose window procedure saw it
    };
    // Called on the host's thread for WM_LOADER_DATA with LOADER_DATA_COMPLETE;
    // count is the message's lParam. This is where the list is read.
    using CompleteHandler = std::function<void(LPARAM count)>;

    LoaderHost();
    ~LoaderHost();
    LoaderHost(const LoaderHost&) = delete;
    LoaderHost& operator=(const LoaderHost&) = delete;

    // The window to give the loader; null when it could not be made.
    HWND Window() const { return m_hwnd; }
    void OnComplete(CompleteHandler handler) { m_onComplete = std::move(handler); }

    // Pumps until WM_LOADER_END arrives, or the loader's thread has ended
    // and nothing is left in the queue (a load that returned before its
    // protocol began), or timeoutMs pass. True when WM_LOADER_END arrived.
    bool Wait(const CeWorkerThread& loader, DWORD timeoutMs = INFINITE);
    // Starts loader (whose notification window must be Window()) and Waits.
    bool Run(CeWorkerThread& loader, DWORD timeoutMs = INFINITE);

    // What the window received since the last Run or Clear, in order.
    const std::vector<Event>& Events() const { return m_events; }
    int Count(UINT message) const;
    // lParam of the last complete WM_LOADER_DATA; -1 when none arrived.
    LPARAM CompletedCount() const { return m_completedCount; }
    bool Ended() const { return m_ended; }
    void Clear();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Receive(UINT message, WPARAM wParam, LPARAM lParam);
    // Dispatches everything queued for this thread; true when anything was.
    static bool PumpPending();

    HWND m_hwnd = nullptr;
    CompleteHandler m_onComplete;
    std::vector<Event> m_events;
    LPARAM m_completedCount = -1;
    bool m_ended = false;
};
