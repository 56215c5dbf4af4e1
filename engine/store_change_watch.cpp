#include "engine/store_change_watch.h"

#include <algorithm>

#include "platform/kernel/sync_objects.h"
#include "platform/kernel/tick.h"
#include "platform/messaging/messages.h"
#include "platform/messaging/window.h"

namespace {

constexpr const WCHAR* kWatchClass = u"KsStoreChangeWatch";

bool IsChangeMessage(UINT message)
{
    return message == DB_CEOID_CREATED || message == DB_CEOID_CHANGED || message == DB_CEOID_RECORD_DELETED ||
           message == DB_CEOID_DATABASE_DELETED;
}

}  // namespace

CStoreChangeWatch::CStoreChangeWatch()
{
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &CStoreChangeWatch::WindowProc;
        wc.lpszClassName = kWatchClass;
        return RegisterClassW(&wc) != 0;
    }();
    if (registered)
        m_hwnd = CreateWindowExW(0, kWatchClass, u"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, this);
}

CStoreChangeWatch::~CStoreChangeWatch()
{
    // The handles go first, so that nothing is posted to a window that is gone.
    m_databases.clear();
    if (m_hwnd && IsWindow(m_hwnd)) DestroyWindow(m_hwnd);
}

bool CStoreChangeWatch::Watch(const WCHAR* database)
{
    if (!m_hwnd) return false;
    auto db = std::make_unique<CeDb>();
    if (!db->Open(database, 0, 0, m_hwnd)) return false;
    m_databases.push_back(std::move(db));
    return true;
}

LRESULT CStoreChangeWatch::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return 0;
    }
    auto* self = reinterpret_cast<CStoreChangeWatch*>(GetWindowLongPtrW(hwnd, GWL_USERDATA));
    if (self && IsChangeMessage(message)) {
        const STORECHANGE change{static_cast<CEOID>(lParam), static_cast<CEOID>(wParam), message};
        self->m_lastChangeTick = GetTickCount();
        // A window with a handler takes each change as it comes; keeping them
        // too would grow the list for as long as the window is open.
        if (self->m_handler) self->m_handler(change);
        else self->m_changes.push_back(change);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

std::vector<STORECHANGE> CStoreChangeWatch::WaitForChanges(DWORD timeoutMs, DWORD settleMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        const DWORD now = GetTickCount();
        if (!m_changes.empty() && now - m_lastChangeTick >= settleMs) return TakeChanges();
        // Until the burst has settled, or the time-out.
        DWORD wait = m_changes.empty() ? INFINITE : settleMs - (now - m_lastChangeTick);
        if (timeoutMs != INFINITE) {
            if (now - start >= timeoutMs) return {};
            wait = std::min(wait, timeoutMs - (now - start));
        }
        MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, 0);
    }
}

std::vector<STORECHANGE> CStoreChangeWatch::TakeChanges()
{
    std::vector<STORECHANGE> taken;
    taken.swap(m_changes);
    return taken;
}
