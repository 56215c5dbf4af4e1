// CHTMLGrid's in-place editor: a single-line "EDIT" child over the cell,
// opened with the parent's consent (GN_BEGINEDIT) and closed by Enter or by
// losing the focus, when a changed text goes to the parent (GN_ENDEDIT).
// Escape and WM_CANCELMODE close it without sending anything.

#include "grid/html_grid.h"
#include "platform/messaging/edit_control.h"
#include "platform/messaging/input.h"

namespace {

constexpr DWORD kEditStyle = 0x50800080;  // WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL
constexpr int kEditTextMax = 4096;

}  // namespace

bool CHTMLGrid::EnableCellEdit(WORD col, WORD row)
{
    if (!m_hWnd || !m_hParent || m_hEdit) return false;
    tagCELLINFO* cell = FindCell(row, col);
    RECT rc{};
    if (!cell || !GetCellRect(col, row, &rc)) return false;
    NM_GRIDVIEW ask = MakeView(GN_BEGINEDIT, rc.left, rc.top, col, row);
    if (!SendMessageW(m_hParent, GN_BEGINEDIT, reinterpret_cast<WPARAM>(&ask), 0) || !m_hWnd) return false;
    cell = FindCell(row, col);
    if (!cell || !GetCellRect(col, row, &rc)) return false;
    WCHAR text[kEditTextMax] = {};
    HFONT font = cell->GetText(text, kEditTextMax, true);
    platform::RegisterEditControlClass();
    m_hEdit = CreateWindowExW(0, WC_EDITW, text, kEditStyle, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                              m_hWnd, nullptr, nullptr, nullptr);
    if (!m_hEdit) return false;
    m_nEditCol = col;
    m_nEditRow = row;
    m_sEditBefore = text;
    if (font) SendMessageW(m_hEdit, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    // The control's own procedure is kept in its user data, so that it keeps
    // getting every message after the grid has let go of the editor.
    const LONG_PTR original = SetWindowLongPtrW(m_hEdit, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&CHTMLGrid::EditWndProc));
    SetWindowLongPtrW(m_hEdit, GWL_USERDATA, original);
    SendMessageW(m_hEdit, EM_SETSEL, 0, -1);
    SetFocus(m_hEdit);
    return true;
}

void CHTMLGrid::EndEdit(bool send)
{
    HWND edit = m_hEdit;
    if (!edit) return;
    m_hEdit = nullptr;  // first: destroying the editor takes its focus away again
    std::u16string text;
    if (send && IsWindow(edit)) {
        const int length = static_cast<int>(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0));
        text.resize(static_cast<size_t>(length) + 1);
        SendMessageW(edit, WM_GETTEXT, static_cast<WPARAM>(length + 1), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(length));
    }
    if (IsWindow(edit)) {
        if (GetFocus() == edit && m_hWnd) SetFocus(m_hWnd);
        DestroyWindow(edit);
    }
    if (send && text != m_sEditBefore && m_hParent && IsWindow(m_hParent)) {
        GRIDEDITRESULT result{};
        result.hdr.hwndFrom = m_hWnd;
        result.hdr.idFrom = GridCellKey(m_nEditRow, m_nEditCol);
        result.hdr.code = GN_ENDEDIT;
        result.row = m_nEditRow;
        result.column = m_nEditCol;
        result.text = text.c_str();
        SendMessageW(m_hParent, GN_ENDEDIT, text.size(), reinterpret_cast<LPARAM>(&result));
    }
    m_nEditCol = m_nEditRow = GRID_NONE;
}

LRESULT CHTMLGrid::EditWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWL_USERDATA));
    if (!original) return DefWindowProcW(hwnd, message, wParam, lParam);
    auto* grid = reinterpret_cast<CHTMLGrid*>(GetWindowLongPtrW(GetParent(hwnd), GWL_USERDATA));
    if (!grid || grid->m_hEdit != hwnd) return CallWindowProcW(original, hwnd, message, wParam, lParam);
    switch (message) {
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            grid->EndEdit(true);
            return 0;
        }
        if (wParam == VK_ESCAPE) {
            grid->EndEdit(false);
            return 0;
        }
        break;
    case WM_KILLFOCUS: grid->EndEdit(true); return 0;
    case WM_CANCELMODE: grid->EndEdit(false); return 0;
    default: break;
    }
    return CallWindowProcW(original, hwnd, message, wParam, lParam);
}
