#include "tools/kstools/list_view_window.h"

#include <sys/stat.h>

#include <algorithm>

#include "grid/html_draw.h"
#include "grid/html_parser.h"
#include "grid/list_cell_text.h"
#include "grid/list_painter.h"
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
constexpr UINT kHoldMs = 600;
constexpr int kWheelRows = 3;
constexpr int kMoveSlop = 8;  // pixels a press may move and still be a tap
const WCHAR kClassName[] = u"KstoolsListView";

// Modification stamps of the store's files: a change means another program
// (or this one) wrote to it.
unsigned long long StoreStamp()
{
    // Unsigned, so that mixing the two files' stamps may wrap.
    unsigned long long stamp = 0;
    for (const std::string& path : {platform::ObjectStorePath(), platform::ObjectStorePath() + "-wal"}) {
        struct stat st {};
        if (stat(path.c_str(), &st) == 0)
            stamp = stamp * 31 + static_cast<unsigned long long>(st.st_mtim.tv_sec) * 1000000000ULL +
                    static_cast<unsigned long long>(st.st_mtim.tv_nsec) + static_cast<unsigned long long>(st.st_size);
    }
    return stamp;
}

}  // namespace

ListViewWindow::ListViewWindow(Loader load, bool searchable) : m_load(std::move(load)), m_searchable(searchable) {}

ListViewWindow::~ListViewWindow()
{
    if (m_hwnd && IsWindow(m_hwnd)) DestroyWindow(m_hwnd);
}

bool ListViewWindow::Create(const std::u16string& title, int width, int height)
{
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = kClassName;
        return RegisterClassW(&wc) != 0;
    }();
    if (!registered) return false;
    m_hwnd = CreateWindowExW(0, kClassName, title.c_str(), WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr,
                             nullptr, nullptr, this);
    if (!m_hwnd) return false;
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

LRESULT ListViewWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_SIZE:
        InvalidateRect(m_hwnd, nullptr, FALSE);
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
        if (wParam == kHoldTimer) {
            KillTimer(m_hwnd, kHoldTimer);
            if (m_down) Held();
        }
        return 0;
    case WM_MOUSEWHEEL:
        Scroll(-static_cast<short>(HIWORD(wParam)) / WHEEL_DELTA * kWheelRows);
        return 0;
    case WM_KEYDOWN:
        Key(static_cast<UINT>(wParam));
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

void ListViewWindow::Reload()
{
    m_content = m_load(m_search);
    m_storeStamp = StoreStamp();
    m_top = std::clamp(m_top, 0, std::max(0, m_content.rows.VisibleCount() - 1));
    if (m_selected >= m_content.rows.VisibleCount()) m_selected = -1;
    InvalidateRect(m_hwnd, nullptr, FALSE);
}

void ListViewWindow::PollStore()
{
    if (StoreStamp() != m_storeStamp) Reload();
}

void ListViewWindow::Paint()
{
    PAINTSTRUCT ps{};
    HDC hdc = BeginPaint(m_hwnd, &ps);
    RECT client{};
    GetClientRect(m_hwnd, &client);
    const LISTPAINTRESULT painted = PaintListRows(hdc, client, m_content.rows, m_content.floaters, m_top);
    m_rowTops = painted.rowTops;
    m_bottom = painted.bottom;
    const int shown = m_selected - m_top;
    if (shown >= 0 && shown < static_cast<int>(m_rowTops.size())) {
        const int bottom = shown + 1 < static_cast<int>(m_rowTops.size()) ? m_rowTops[static_cast<size_t>(shown) + 1]
                                                                          : m_bottom;
        platform::OwnedBrush frame(CreateSolidBrush(RGB(0x20, 0x60, 0xD0)));
        for (const RECT& edge : {RECT{0, m_rowTops[static_cast<size_t>(shown)], client.right,
                                      m_rowTops[static_cast<size_t>(shown)] + 2},
                                 RECT{0, bottom - 2, client.right, bottom},
                                 RECT{0, m_rowTops[static_cast<size_t>(shown)], 2, bottom},
                                 RECT{client.right - 2, m_rowTops[static_cast<size_t>(shown)], client.right, bottom}})
            FillRect(hdc, &edge, frame.Get());
    }
    if (!m_popup.empty()) {
        RECT box{8, client.bottom / 2, client.right - 8, client.bottom - 8};
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
    }
    EndPaint(m_hwnd, &ps);
}

int ListViewWindow::RowAt(int y) const
{
    for (size_t i = 0; i < m_rowTops.size(); ++i) {
        const int bottom = i + 1 < m_rowTops.size() ? m_rowTops[i + 1] : m_bottom;
        if (y >= m_rowTops[i] && y < bottom) return m_top + static_cast<int>(i);
    }
    return -1;
}

int ListViewWindow::RowsPerPage() const { return std::max(1, static_cast<int>(m_rowTops.size()) - 1); }

std::u16string ListViewWindow::RowText(int row) const
{
    const LISTROW* r = m_content.rows.Visible(row);
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
    (void)x;
    if (!m_popup.empty()) {  // a tap only closes the box
        m_popup.clear();
        InvalidateRect(m_hwnd, nullptr, FALSE);
        return;
    }
    const int row = RowAt(y);
    const DWORD now = GetTickCount();
    const bool doubleTap = row >= 0 && row == m_lastTapRow && now - m_lastTapTime <= GetDoubleClickTime();
    m_lastTapRow = row;
    m_lastTapTime = now;
    const LISTROW* r = m_content.rows.Visible(row);
    if (!r) return;
    if (r->header) {
        m_content.rows.Toggle(row);
        m_lastTapRow = -2;  // the next tap is a new one
    } else if (doubleTap) {
        m_popup = u"<B>Summary</B><BR>" + ListMarkupText(RowText(row));
    }
    Select(row);
}

void ListViewWindow::Held()
{
    m_held = true;
    const int row = RowAt(m_downAt.y);
    if (row < 0) return;
    Select(row);
    m_popup = u"<B>Held</B><BR>" + ListMarkupText(RowText(row)) + u"<BR><FONT COLOR=#606060>Open, Copy, Delete</FONT>";
    InvalidateRect(m_hwnd, nullptr, FALSE);
}

void ListViewWindow::Key(UINT vk)
{
    const int count = m_content.rows.VisibleCount();
    switch (vk) {
    case VK_DOWN: Select(std::min(count - 1, m_selected + 1)); break;
    case VK_UP: Select(std::max(0, m_selected - 1)); break;
    case VK_NEXT: Select(std::min(count - 1, std::max(0, m_selected) + RowsPerPage())); break;
    case VK_PRIOR: Select(std::max(0, m_selected - RowsPerPage())); break;
    case VK_HOME: Select(0); break;
    case VK_END: Select(count - 1); break;
    case VK_RETURN:
        if (const LISTROW* r = m_content.rows.Visible(m_selected); r && r->header) m_content.rows.Toggle(m_selected);
        InvalidateRect(m_hwnd, nullptr, FALSE);
        break;
    case VK_ESCAPE:  // closes the box, or with none open the window
        if (m_popup.empty()) PostQuitMessage(0);
        m_popup.clear();
        InvalidateRect(m_hwnd, nullptr, FALSE);
        break;
    case VK_BACK:
        if (m_searchable && !m_search.empty()) {
            m_search.pop_back();
            Reload();
        }
        break;
    default: break;
    }
}

void ListViewWindow::Scroll(int rows)
{
    const int top = std::clamp(m_top + rows, 0, std::max(0, m_content.rows.VisibleCount() - 1));
    if (top == m_top) return;
    m_top = top;
    InvalidateRect(m_hwnd, nullptr, FALSE);
}

void ListViewWindow::Select(int row)
{
    if (row < 0 || row >= m_content.rows.VisibleCount()) return;
    m_selected = row;
    // Keep the selection in sight.
    if (row < m_top) m_top = row;
    else if (!m_rowTops.empty() && row >= m_top + RowsPerPage()) m_top = row - RowsPerPage() + 1;
    InvalidateRect(m_hwnd, nullptr, FALSE);
}

}  // namespace kstools
