#include "tools/kstools/list_view_window.h"

#include <algorithm>
#include <cstdio>

#include "grid/html_draw.h"
#include "grid/html_parser.h"
#include "grid/list_cell_text.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/gdi_owner.h"
#include "platform/kernel/tick.h"
#include "platform/messaging/input.h"
#include "platform/messaging/painting.h"
#include "platform/messaging/window.h"
#include "platform/objectstore/cedb.h"
#include "tools/kstools/x11_presenter.h"

namespace kstools {
namespace {

constexpr UINT_PTR kHoldTimer = 1;
// Started again by each change, so that a burst of them reloads once.
constexpr UINT_PTR kReloadTimer = 2;
constexpr UINT kReloadSettleMs = 100;
constexpr UINT kHoldMs = 600;
constexpr int kWheelRows = 3;
constexpr int kPopupInset = 8;
constexpr int kMoveSlop = 8;  // pixels a press may move and still be a tap
const WCHAR kClassName[] = u"KstoolsListView";
const WCHAR kPopupClass[] = u"KstoolsListPopup";

}  // namespace

ListViewWindow::ListViewWindow(Loader load, bool searchable) : m_load(std::move(load)), m_searchable(searchable) {}

ListViewWindow::~ListViewWindow()
{
    m_watch.reset();
    if (m_hwnd && IsWindow(m_hwnd)) DestroyWindow(m_hwnd);
}

bool ListViewWindow::Create(const std::u16string& title, int width, int height)
{
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = kClassName;
        WNDCLASSW popup{};
        popup.lpfnWndProc = PopupProc;
        popup.lpszClassName = kPopupClass;
        return RegisterClassW(&wc) != 0 && RegisterClassW(&popup) != 0;
    }();
    if (!registered) return false;
    m_hwnd = CreateWindowExW(0, kClassName, title.c_str(), WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr,
                             nullptr, nullptr, this);
    if (!m_hwnd) return false;
    RECT client{};
    GetClientRect(m_hwnd, &client);
    m_grid = std::make_unique<CListGrid>();
    if (!m_grid->Create(m_hwnd, client)) return false;
    // Made after the grid, so that it is drawn over it.
    m_popupWnd = CreateWindowExW(0, kPopupClass, u"", WS_CHILD, 0, 0, 0, 0, m_hwnd, nullptr, nullptr, this);
    if (!m_popupWnd) return false;
    Layout();
    Reload();
    return true;
}

LRESULT ListViewWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<ListViewWindow*>(GetWindowLongPtrW(hwnd, GWL_USERDATA));
    if (self && self->m_hwnd == hwnd) return self->Handle(message, wParam, lParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT ListViewWindow::PopupProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<ListViewWindow*>(GetWindowLongPtrW(hwnd, GWL_USERDATA));
    if (message == WM_PAINT && self && self->m_popupWnd == hwnd) {
        self->PaintPopup();
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT ListViewWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT answer = 0;
    if (m_grid && m_grid->OnParentMessage(message, wParam, lParam, &answer)) return answer;
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps{};
        BeginPaint(m_hwnd, &ps);  // the grid covers the whole client area
        EndPaint(m_hwnd, &ps);
        return 0;
    }
    case WM_SIZE:
        Layout();
        return 0;
    case WM_LBUTTONDOWN:
        m_down = true;
        m_held = false;
        m_downAt = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        SetTimer(m_hwnd, kHoldTimer, kHoldMs, nullptr);
        return 0;
    case WM_MOUSEMOVE:
        if (m_down && (std::abs(GET_X_LPARAM(lParam) - m_downAt.x) > kMoveSlop ||
                       std::abs(GET_Y_LPARAM(lParam) - m_downAt.y) > kMoveSlop))
            KillTimer(m_hwnd, kHoldTimer);
        return 0;
    case WM_LBUTTONUP:
        KillTimer(m_hwnd, kHoldTimer);
        if (m_down && !m_held) Tap(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        m_down = false;
        return 0;
    case WM_TIMER:
        if (wParam == kReloadTimer) {
            KillTimer(m_hwnd, kReloadTimer);
            RefreshFromStore();
        }
        if (wParam == kHoldTimer) {
            KillTimer(m_hwnd, kHoldTimer);
            if (m_down) Held();
        }
        return 0;
    case WM_MOUSEWHEEL: {
        const int notches = static_cast<short>(HIWORD(wParam)) / WHEEL_DELTA;
        if (notches > 0) m_grid->ScrollByRowUp(notches * kWheelRows);
        if (notches < 0) m_grid->ScrollByRowDown(-notches * kWheelRows);
        return 0;
    }
    case WM_KEYDOWN:
        Key(static_cast<UINT>(wParam), lParam);
        return 0;
    case WM_CHAR:
        if (m_searchable && wParam >= 0x20) {
            m_search += static_cast<char16_t>(wParam);
            Reload();
        }
        return 0;
    default:
        return DefWindowProcW(m_hwnd, message, wParam, lParam);
    }
}

void ListViewWindow::Layout()
{
    RECT client{};
    GetClientRect(m_hwnd, &client);
    if (m_grid && m_grid->GetHwnd()) MoveWindow(m_grid->GetHwnd(), 0, 0, client.right, client.bottom, TRUE);
    if (m_popupWnd)
        MoveWindow(m_popupWnd, kPopupInset, client.bottom / 2, std::max(0, static_cast<int>(client.right) - 2 * kPopupInset),
                   std::max(0, static_cast<int>(client.bottom) / 2 - kPopupInset), TRUE);
}

void ListViewWindow::Reload()
{
    // The loader's host pumps this thread's messages while the list loads, so
    // a typed key or a change can ask for a reload in the middle of one. It is
    // not started inside the running one (whose older content would then be
    // shown last): the running one loads again, for the search as it is then,
    // and only the last load is shown.
    if (m_reloading) {
        m_reloadAgain = true;
        return;
    }
    struct Running {
        bool& flag;
        ~Running() { flag = false; }
    } running{m_reloading};
    m_reloading = true;
    do {
        m_reloadAgain = false;
        {
            // A load reads every change made before it starts.
            const std::lock_guard<std::mutex> hold(m_pendingLock);
            m_pending.clear();
        }
        LISTCONTENT content = m_load(m_search);
        if (m_reloadAgain) continue;
        Show(std::move(content));
    } while (m_reloadAgain);
}

void ListViewWindow::Show(LISTCONTENT content)
{
    const int rows = content.rows.VisibleCount();
    if (!m_grid->SetContent(std::move(content.rows), std::move(content.floaters)))
        std::fprintf(stderr, "kstools: the list has %d rows; a list shows at most %d\n", rows, GRID_MAX_DIMENSION);
}

void ListViewWindow::RefreshFromStore()
{
    std::vector<STORECHANGE> changes;
    {
        const std::lock_guard<std::mutex> hold(m_pendingLock);
        changes.swap(m_pending);
    }
    // A timer left from a burst a load already read has nothing to bring in.
    if (changes.empty()) return;
    LISTCONTENT content;
    if (!m_reloading && m_refresh && m_refresh(changes, content)) {
        Show(std::move(content));
        return;
    }
    Reload();
}

void ListViewWindow::ReloadSoon() { SetTimer(m_hwnd, kReloadTimer, kReloadSettleMs, nullptr); }

bool ListViewWindow::WatchStore(std::initializer_list<const WCHAR*> databases)
{
    auto watch = std::make_unique<CStoreChangeWatch>();
    for (const WCHAR* database : databases)
        if (!watch->Watch(database)) return false;
    watch->OnChange([this](const STORECHANGE& change) {
        {
            const std::lock_guard<std::mutex> hold(m_pendingLock);
            m_pending.push_back(change);
        }
        ReloadSoon();
    });
    m_watch = std::move(watch);
    return true;
}

int ListViewWindow::TopRow() const { return m_grid ? m_grid->GetTopRow() : 0; }

int ListViewWindow::Selected() const { return m_grid ? m_grid->SelectedRow() : -1; }

void ListViewWindow::PaintPopup()
{
    PAINTSTRUCT ps{};
    HDC hdc = BeginPaint(m_popupWnd, &ps);
    RECT box{};
    GetClientRect(m_popupWnd, &box);
    platform::OwnedBrush border(CreateSolidBrush(RGB(0x40, 0x40, 0x40)));
    platform::OwnedBrush body(CreateSolidBrush(RGB(0xFF, 0xFF, 0xE8)));
    FillRect(hdc, &box, border.Get());
    RECT inner{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
    FillRect(hdc, &inner, body.Get());
    CHTMLParser parser;
    parser.SetHTML(m_popup.c_str());
    parser.ParseHTML(nullptr);
    RECT text{inner.left + 6, inner.top + 6, inner.right - 6, inner.bottom - 6};
    DrawHTML(hdc, &text, 0, &parser, nullptr, 0, DRAWHTML_HIGHLIGHTTEXT);
    EndPaint(m_popupWnd, &ps);
}

void ListViewWindow::ShowPopup(std::u16string markup)
{
    m_popup = std::move(markup);
    ShowWindow(m_popupWnd, m_popup.empty() ? SW_HIDE : SW_SHOW);
    InvalidateRect(m_popupWnd, nullptr, FALSE);
}

std::u16string ListViewWindow::RowText(int row) const
{
    const LISTROW* r = m_grid->Rows().Visible(row);
    if (!r) return {};
    std::u16string text;
    for (const std::u16string& cell : r->cells) {
        CHTMLParser parser;
        parser.SetHTML(cell.c_str());
        parser.ParseHTML(nullptr);
        WCHAR buf[1024] = {};
        parser.GetText(buf, 1024, false);
        if (buf[0] && !text.empty()) text += u" ";
        text += buf;
    }
    return text;
}

void ListViewWindow::Tap(int x, int y)
{
    if (!m_popup.empty()) {  // a tap only closes the box
        ShowPopup({});
        return;
    }
    const int row = m_grid->RowAt(x, y);
    const DWORD now = GetTickCount();
    const bool doubleTap = row >= 0 && row == m_lastTapRow && now - m_lastTapTime <= GetDoubleClickTime();
    m_lastTapRow = row;
    m_lastTapTime = now;
    const LISTROW* r = m_grid->Rows().Visible(row);
    if (!r) return;
    if (r->header) {
        m_grid->ToggleHeader(row);
        m_lastTapRow = -2;  // the next tap is a new one
        return;
    }
    if (doubleTap) ShowPopup(u"<B>Summary</B><BR>" + ListMarkupText(RowText(row)));
    m_grid->SelectRow(row);
}

void ListViewWindow::Held()
{
    m_held = true;
    const int row = m_grid->RowAt(m_downAt.x, m_downAt.y);
    if (row < 0) return;
    m_grid->SelectRow(row);
    ShowPopup(u"<B>Held</B><BR>" + ListMarkupText(RowText(row)) + u"<BR><FONT COLOR=#606060>Open, Copy, Delete</FONT>");
}

void ListViewWindow::Key(UINT vk, LPARAM keyData)
{
    switch (vk) {
    case VK_RETURN:
        if (const int row = m_grid->SelectedRow(); row >= 0) m_grid->ToggleHeader(row);
        break;
    case VK_ESCAPE:  // closes the box, or with none open the window
        if (m_popup.empty()) PostQuitMessage(0);
        ShowPopup({});
        break;
    case VK_BACK:
        if (m_searchable && !m_search.empty()) {
            m_search.pop_back();
            Reload();
        }
        break;
    default:
        // Moving through the list is the grid's.
        SendMessageW(m_grid->GetHwnd(), WM_KEYDOWN, vk, keyData);
        break;
    }
}

}  // namespace kstools
