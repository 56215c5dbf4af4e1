// Sections: State; Editing; Painting; The procedure.

#include "platform/messaging/edit_control.h"

#include <algorithm>
#include <string>

#include "platform/gdi/device_context.h"
#include "platform/gdi/fonts.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/system_metrics.h"
#include "platform/gdi/text_output.h"
#include "platform/messaging/input.h"
#include "platform/messaging/painting.h"

namespace platform {
namespace {

// ---- State ----

constexpr size_t kLargestLimit = 0x7FFFFFFE;
constexpr int kMargin = 1;  // pixels between the border and the text

// One control's state; its address lives in the window's extra bytes, so
// that owners can still subclass the control and use GWL_USERDATA.
struct Edit {
    std::u16string text;
    size_t anchor = 0;  // the selection runs from anchor to caret
    size_t caret = 0;
    size_t limit = kLargestLimit;
    int scroll = 0;  // pixels of text hidden at the left
    HFONT font = nullptr;
    bool focused = false;
    DWORD style = 0;

    size_t SelStart() const { return std::min(anchor, caret); }
    size_t SelEnd() const { return std::max(anchor, caret); }
};

Edit* StateOf(HWND hwnd) { return reinterpret_cast<Edit*>(GetWindowLongPtrW(hwnd, 0)); }

// A measuring context with the control's font (the system font without one).
class TextDc {
public:
    explicit TextDc(HFONT font) : dc_(CreateCompatibleDC(nullptr))
    {
        SelectObject(dc_, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    }
    ~TextDc() { DeleteDC(dc_); }
    TextDc(const TextDc&) = delete;
    TextDc& operator=(const TextDc&) = delete;
    HDC Get() const { return dc_; }
    int Width(const std::u16string& text, size_t count) const
    {
        SIZE size{0, 0};
        if (count) GetTextExtentPoint32W(dc_, text.data(), static_cast<int>(count), &size);
        return size.cx;
    }

private:
    HDC dc_;
};

int ClientWidth(HWND hwnd)
{
    RECT client;
    GetClientRect(hwnd, &client);
    return client.right - 2 * kMargin;
}

void Notify(HWND hwnd, WORD code)
{
    HWND parent = GetParent(hwnd);
    if (parent)
        SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), code), reinterpret_cast<LPARAM>(hwnd));
}

// Keeps the caret inside the visible part of the text.
void ScrollToCaret(HWND hwnd, Edit& e)
{
    if (!(e.style & ES_AUTOHSCROLL)) {
        e.scroll = 0;
        return;
    }
    TextDc dc(e.font);
    int x = dc.Width(e.text, e.caret);
    int width = std::max(ClientWidth(hwnd), 1);
    if (x < e.scroll) e.scroll = x;
    if (x > e.scroll + width - 1) e.scroll = x - width + 1;
    e.scroll = std::max(e.scroll, 0);
}

// ---- Editing ----

// Replaces the selection with `insert`, within the limit and, without
// ES_AUTOHSCROLL, within the width; false when nothing changed.
bool ReplaceSelection(HWND hwnd, Edit& e, std::u16string_view insert)
{
    size_t start = e.SelStart(), end = e.SelEnd();
    size_t room = e.limit > e.text.size() - (end - start) ? e.limit - (e.text.size() - (end - start)) : 0;
    std::u16string piece(insert.substr(0, std::min(room, insert.size())));
    if (!(e.style & ES_AUTOHSCROLL)) {
        TextDc dc(e.font);
        int width = ClientWidth(hwnd);
        while (!piece.empty()) {
            std::u16string tried = e.text.substr(0, start) + piece + e.text.substr(end);
            if (dc.Width(tried, tried.size()) <= width) break;
            piece.pop_back();
        }
    }
    if (piece.empty() && start == end) return false;
    e.text.replace(start, end - start, piece);
    e.anchor = e.caret = start + piece.size();
    ScrollToCaret(hwnd, e);
    InvalidateRect(hwnd, nullptr, TRUE);
    return true;
}

void Changed(HWND hwnd) { Notify(hwnd, EN_CHANGE); }

void MoveCaret(HWND hwnd, Edit& e, size_t to, bool extend)
{
    e.caret = std::min(to, e.text.size());
    if (!extend) e.anchor = e.caret;
    ScrollToCaret(hwnd, e);
    InvalidateRect(hwnd, nullptr, TRUE);
}

void OnKeyDown(HWND hwnd, Edit& e, UINT vk)
{
    bool shift = (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0;
    switch (vk) {
        case VK_LEFT:
            if (!shift && e.anchor != e.caret)
                MoveCaret(hwnd, e, e.SelStart(), false);
            else
                MoveCaret(hwnd, e, e.caret ? e.caret - 1 : 0, shift);
            break;
        case VK_RIGHT:
            if (!shift && e.anchor != e.caret)
                MoveCaret(hwnd, e, e.SelEnd(), false);
            else
                MoveCaret(hwnd, e, e.caret + 1, shift);
            break;
        case VK_HOME: MoveCaret(hwnd, e, 0, shift); break;
        case VK_END: MoveCaret(hwnd, e, e.text.size(), shift); break;
        case VK_DELETE:
            if (e.anchor == e.caret && e.caret < e.text.size()) e.caret = e.caret + 1;
            if (ReplaceSelection(hwnd, e, u"")) Changed(hwnd);
            break;
        default: break;
    }
}

void OnChar(HWND hwnd, Edit& e, WCHAR c)
{
    if (c == VK_BACK) {
        if (e.anchor == e.caret && e.caret > 0) e.anchor = e.caret - 1;
        if (ReplaceSelection(hwnd, e, u"")) Changed(hwnd);
        return;
    }
    if (c < 0x20 || c == 0x7F) return;  // Enter, Escape, Tab and other controls are the owner's
    if (ReplaceSelection(hwnd, e, std::u16string_view(&c, 1))) Changed(hwnd);
}

// The character boundary nearest to client x.
size_t CaretAt(const Edit& e, int x)
{
    TextDc dc(e.font);
    int target = x - kMargin + e.scroll;
    size_t best = 0;
    int bestDistance = std::abs(target);
    for (size_t i = 1; i <= e.text.size(); ++i) {
        int distance = std::abs(dc.Width(e.text, i) - target);
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

// ---- Painting ----

void Paint(HWND hwnd, const Edit& e)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (!dc) return;
    RECT client;
    GetClientRect(hwnd, &client);
    HBRUSH background = CreateSolidBrush(GetSysColor(COLOR_WINDOW));
    FillRect(dc, &client, background);
    DeleteObject(background);
    HGDIOBJ oldFont = SelectObject(dc, e.font ? static_cast<HGDIOBJ>(e.font) : GetStockObject(SYSTEM_FONT));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    int y = std::max<int>((client.bottom - tm.tmHeight) / 2, 0);
    int x = kMargin - e.scroll;
    auto width = [&](size_t n) {
        SIZE size{0, 0};
        if (n) GetTextExtentPoint32W(dc, e.text.data(), static_cast<int>(n), &size);
        return static_cast<int>(size.cx);
    };
    RECT clip{kMargin, 0, client.right - kMargin, client.bottom};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    ExtTextOutW(dc, x, y, ETO_CLIPPED, &clip, e.text.data(), static_cast<UINT>(e.text.size()), nullptr);
    if (e.focused && e.SelStart() != e.SelEnd()) {
        size_t start = e.SelStart(), end = e.SelEnd();
        RECT band{x + width(start), y, x + width(end), y + tm.tmHeight};
        IntersectRect(&band, &band, &clip);
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        ExtTextOutW(dc, x + width(start), y, ETO_CLIPPED | ETO_OPAQUE, &band, e.text.data() + start,
                    static_cast<UINT>(end - start), nullptr);
    }
    if (e.focused) {
        int caretX = x + width(e.caret);
        RECT caret{caretX, y, caretX + 1, y + tm.tmHeight};
        if (IntersectRect(&caret, &caret, &clip)) {
            HBRUSH black = CreateSolidBrush(GetSysColor(COLOR_WINDOWTEXT));
            FillRect(dc, &caret, black);
            DeleteObject(black);
        }
    }
    SelectObject(dc, oldFont);
    EndPaint(hwnd, &ps);
}

// ---- The procedure ----

LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Edit* e = StateOf(hwnd);
    if (message == WM_CREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        e = new Edit;
        e->style = static_cast<DWORD>(create->style);
        if (create->lpszName && reinterpret_cast<std::uintptr_t>(create->lpszName) >= 0x10000)
            e->text = create->lpszName;
        SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(e));
        return 0;
    }
    if (!e) return DefWindowProcW(hwnd, message, wParam, lParam);
    switch (message) {
        case WM_DESTROY:
            SetWindowLongPtrW(hwnd, 0, 0);
            delete e;
            return 0;
        case WM_SETTEXT: {
            auto text = reinterpret_cast<LPCWSTR>(lParam);
            e->text = text ? text : u"";
            e->anchor = e->caret = 0;
            e->scroll = 0;
            DefWindowProcW(hwnd, message, wParam, lParam);  // the window text follows
            InvalidateRect(hwnd, nullptr, TRUE);
            Changed(hwnd);
            return TRUE;
        }
        case WM_GETTEXT: {
            auto* buffer = reinterpret_cast<LPWSTR>(lParam);
            if (!buffer || wParam == 0) return 0;
            size_t n = std::min<size_t>(e->text.size(), wParam - 1);
            std::copy_n(e->text.data(), n, buffer);
            buffer[n] = 0;
            return static_cast<LRESULT>(n);
        }
        case WM_GETTEXTLENGTH: return static_cast<LRESULT>(e->text.size());
        case EM_GETSEL: {
            auto start = static_cast<DWORD>(e->SelStart()), end = static_cast<DWORD>(e->SelEnd());
            if (wParam) *reinterpret_cast<DWORD*>(wParam) = start;
            if (lParam) *reinterpret_cast<DWORD*>(lParam) = end;
            return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(std::min<DWORD>(start, 0xFFFF)),
                                                 static_cast<WORD>(std::min<DWORD>(end, 0xFFFF))));
        }
        case EM_SETSEL: {
            auto start = static_cast<std::intptr_t>(static_cast<int>(wParam));
            auto end = static_cast<std::intptr_t>(static_cast<int>(lParam));
            if (start == -1) {
                e->anchor = e->caret;
            } else {
                size_t size = e->text.size();
                e->anchor = std::min<size_t>(static_cast<size_t>(std::max<std::intptr_t>(start, 0)), size);
                e->caret = end < 0 ? size : std::min<size_t>(static_cast<size_t>(end), size);
            }
            ScrollToCaret(hwnd, *e);
            InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        }
        case EM_REPLACESEL: {
            auto text = reinterpret_cast<LPCWSTR>(lParam);
            if (ReplaceSelection(hwnd, *e, text ? std::u16string_view(text) : std::u16string_view())) Changed(hwnd);
            return 0;
        }
        case EM_LIMITTEXT: e->limit = wParam ? std::min<size_t>(wParam, kLargestLimit) : kLargestLimit; return 0;
        case EM_GETLIMITTEXT: return static_cast<LRESULT>(e->limit);
        case WM_CHAR: OnChar(hwnd, *e, static_cast<WCHAR>(wParam)); return 0;
        case WM_KEYDOWN: OnKeyDown(hwnd, *e, static_cast<UINT>(wParam)); return 0;
        case WM_LBUTTONDOWN:
            if (GetFocus() != hwnd) SetFocus(hwnd);
            MoveCaret(hwnd, *e, CaretAt(*e, GET_X_LPARAM(lParam)), false);
            return 0;
        case WM_SETFOCUS:
            e->focused = true;
            InvalidateRect(hwnd, nullptr, TRUE);
            Notify(hwnd, EN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            e->focused = false;
            InvalidateRect(hwnd, nullptr, TRUE);
            Notify(hwnd, EN_KILLFOCUS);
            return 0;
        case WM_SETFONT:
            e->font = reinterpret_cast<HFONT>(wParam);
            DefWindowProcW(hwnd, message, wParam, lParam);
            ScrollToCaret(hwnd, *e);
            if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        case WM_ERASEBKGND: return 1;  // the paint fills the background itself
        case WM_PAINT: Paint(hwnd, *e); return 0;
        default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

bool RegisterEditControlClass()
{
    WNDCLASSW existing;
    if (GetClassInfoW(nullptr, WC_EDITW, &existing)) return true;
    WNDCLASSW wc{};
    wc.lpfnWndProc = EditProc;
    wc.cbWndExtra = sizeof(Edit*);
    wc.lpszClassName = WC_EDITW;
    return RegisterClassW(&wc) != 0 || GetClassInfoW(nullptr, WC_EDITW, &existing);
}

}  // namespace platform
