#include "engine/loader_host.h"

#include "platform/messaging/messages.h"
#include "platform/kernel/sync_objects.h"
#include "platform/kernel/thread.h"
#include "platform/kernel/tick.h"
#include "platform/messaging/window.h"

namespace {

constexpr const WCHAR* kLoaderHostClass = u"KsLoaderHostWindow";
// How long one wait for input lasts before the loader's thread is looked at
// again (it ends without posting when its load never began).
constexpr DWORD kPollSliceMs = 20;

}  // namespace

LoaderHost::LoaderHost()
{
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &LoaderHost::WindowProc;
        wc.lpszClassName = kLoaderHostClass;
        return RegisterClassW(&wc) != 0;
    }();
    if (registered)
        m_hwnd = CreateWindowExW(0, kLoaderHostClass, u"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, this);
}

LoaderHost::~LoaderHost()
{
    if (m_hwnd && IsWindow(m_hwnd)) DestroyWindow(m_hwnd);
}

LRESULT CALLBACK LoaderHost::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return 0;
    }
    auto* host = reinterpret_cast<LoaderHost*>(GetWindowLongPtrW(hwnd, GWL_USERDATA));
    if (host && (message == WM_LOADER_BEGIN || message == WM_LOADER_DATA || message == WM_LOADER_END)) {
        host->Receive(message, wParam, lParam);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void LoaderHost::Receive(UINT message, WPARAM wParam, LPARAM lParam)
{
    m_events.push_back(Event{message, wParam, lParam, GetCurrentThreadId()});
    if (message == WM_LOADER_END) m_ended = true;
    if (message == WM_LOADER_DATA && wParam == LOADER_DATA_COMPLETE) {
        m_completedCount = lParam;
        if (m_onComplete) m_onComplete(lParam);
    }
}

bool LoaderHost::PumpPending()
{
    bool any = false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&msg);
        any = true;
    }
    return any;
}

bool LoaderHost::Wait(const CeWorkerThread& loader, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!m_ended) {
        // Looked at before pumping: whatever the thread posted before it
        // ended is then in the queue and handled by this round.
        const bool threadEnded = loader.GetExitCode() != STILL_ACTIVE;
        PumpPending();
        if (m_ended || threadEnded) break;
        if (timeoutMs != INFINITE && GetTickCount() - start >= timeoutMs) break;
        MsgWaitForMultipleObjectsEx(0, nullptr, kPollSliceMs, QS_ALLINPUT, 0);
    }
    return m_ended;
}

bool LoaderHost::Run(CeWorkerThread& loader, DWORD timeoutMs)
{
    Clear();
    loader.Start();
    return Wait(loader, timeoutMs);
}

int LoaderHost::Count(UINT message) const
{
    int n = 0;
    for (const Event& e : m_events)
        if (e.message == message) ++n;
    return n;
}

void LoaderHost::Clear()
{
    m_events.clear();
    m_completedCount = -1;
    m_ended = false;
}
