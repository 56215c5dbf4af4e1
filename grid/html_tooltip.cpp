// CHTMLToolTip: a pop-up that shows mark-up sized to fit it.

#include "grid/html_tooltip.h"

#include "grid/html_draw.h"
#include "grid/html_layout.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/gdi_owner.h"
#include "platform/gdi/system_metrics.h"
#include "platform/messaging/painting.h"

namespace {

// A tooltip is at most this wide before its mark-up wraps.
constexpr int kMaxWidth = 200;
// Space between the frame and the mark-up.
constexpr int kPadding = 2;
// Mark-up longer than this is cut: a tooltip is a line or two, and a parent
// answering with a huge block must not stall the grid.
constexpr size_t kMaxText = 1024;

bool RegisterToolTipClass(WNDPROC proc)
{
    static const bool registered = [proc] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = proc;
        wc.lpszClassName = HTMLTOOLTIP_CLASS;
        return RegisterClassW(&wc) != 0;
    }();
    return registered;
}

}  // namespace

CHTMLToolTip::~CHTMLToolTip() { Destroy(); }

bool CHTMLToolTip::Create(HWND parent)
{
    if (m_hWnd) return true;
    if (!RegisterToolTipClass(WndProc)) return false;
    m_hParent = parent;
    m_hWnd = CreateWindowExW(0, HTMLTOOLTIP_CLASS, u"", WS_POPUP | WS_BORDER, 0, 0, 1, 1, parent, nullptr, nullptr,
                             this);
    return m_hWnd != nullptr;
}

void CHTMLToolTip::Destroy()
{
    if (m_hWnd && IsWindow(m_hWnd)) {
        SetWindowLongPtrW(m_hWnd, GWL_USERDATA, 0);
        DestroyWindow(m_hWnd);
    }
    m_hWnd = nullptr;
}

// Its own flag: a pop-up shows whether or not its owner does.
bool CHTMLToolTip::IsVisible() const
{
    return m_hWnd && (static_cast<DWORD>(GetWindowLongPtrW(m_hWnd, GWL_STYLE)) & WS_VISIBLE) != 0;
}

void CHTMLToolTip::UpdateToolTip(const WCHAR* markup, bool resize)
{
    m_sText = markup ? markup : u"";
    if (m_sText.size() > kMaxText) m_sText.resize(kMaxText);
    m_Parser.SetHTML(m_sText.c_str());
    m_Parser.ParseHTML(m_hImageOwner);
    if (resize || m_Size.cx == 0) {
        platform::OwnedDc dc(CreateCompatibleDC(nullptr));
        RECT rc{0, 0, grid::ScaleX(kMaxWidth), 0};
        MeasureHTML(dc.Get(), &rc, 0, &m_Parser);
        const int border = 2 * GetSystemMetrics(SM_CXBORDER);
        m_Size = SIZE{rc.right + 2 * kPadding + border, rc.bottom + 2 * kPadding + border};
        if (m_hWnd) SetWindowPos(m_hWnd, nullptr, 0, 0, m_Size.cx, m_Size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CHTMLToolTip::ShowToolTip(POINT pt, ToolTipPlacement placement)
{
    if (!m_hWnd) return;
    POINT at = pt;
    switch (placement) {
    case ToolTipPlacement::BelowRight: break;
    case ToolTipPlacement::AboveRight: at.y -= m_Size.cy; break;
    case ToolTipPlacement::Left:
        at.x -= m_Size.cx;
        at.y -= m_Size.cy / 2;
        break;
    }
    SetWindowPos(m_hWnd, nullptr, at.x, at.y, m_Size.cx, m_Size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(m_hWnd, SW_SHOWNA);
}

void CHTMLToolTip::HideToolTip()
{
    if (m_hWnd) ShowWindow(m_hWnd, SW_HIDE);
}

void CHTMLToolTip::OnPaint()
{
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(m_hWnd, &ps);
    if (!dc) return;
    RECT client{};
    GetClientRect(m_hWnd, &client);
    platform::OwnedBrush back(CreateSolidBrush(GetSysColor(COLOR_INFOBK)));
    FillRect(dc, &client, back.Get());
    RECT content{kPadding, kPadding, client.right - kPadding, client.bottom - kPadding};
    DrawHTML(dc, &content, 0, &m_Parser, nullptr, 0, 0);
    EndPaint(m_hWnd, &ps);
}

LRESULT CHTMLToolTip::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return 0;
    }
    auto* tip = reinterpret_cast<CHTMLToolTip*>(GetWindowLongPtrW(hwnd, GWL_USERDATA));
    if (!tip) return DefWindowProcW(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_DESTROY:
        SetWindowLongPtrW(hwnd, GWL_USERDATA, 0);
        tip->m_hWnd = nullptr;
        return 0;
    case WM_PAINT: tip->OnPaint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONUP:
        if (tip->m_hParent && IsWindow(tip->m_hParent)) SendMessageW(tip->m_hParent, WM_LBUTTONUP, wParam, lParam);
        return 0;
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}
