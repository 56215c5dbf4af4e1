// CHTMLToolTip: a small pop-up window that shows one piece of mark-up, sized
// to fit it. The grid keeps three - for a drag-selection, for the vertical
// thumb while it is dragged, and for a drag - parented to the window given to
// CHTMLGrid::SetToolTipParent (the grid's own parent when none was given).
// A button release on the tooltip goes on to its parent as WM_LBUTTONUP with
// the same coordinates, so a tap that lands on it is not lost.
#pragma once

#include <string>

#include "grid/html_parser.h"
#include "platform/messaging/window.h"

inline constexpr const WCHAR* HTMLTOOLTIP_CLASS = u"HTMLTOOLTIPCLASS";

// Where ShowToolTip puts the window relative to its point.
enum class ToolTipPlacement {
    BelowRight,  // top-left corner at the point
    AboveRight,  // bottom-left corner at the point
    Left,        // right edge at the point, centred on it vertically
};

class CHTMLToolTip {
public:
    CHTMLToolTip() = default;
    CHTMLToolTip(const CHTMLToolTip&) = delete;
    CHTMLToolTip& operator=(const CHTMLToolTip&) = delete;
    ~CHTMLToolTip();

    // Makes the (hidden) pop-up; false when it cannot be made.
    bool Create(HWND parent);
    void Destroy();
    HWND GetHwnd() const { return m_hWnd; }
    bool IsVisible() const;
    // The window that answers the mark-up's picture requests (the grid, from
    // its caches); none: pictures are left out.
    void SetImageOwner(HWND owner) { m_hImageOwner = owner; }
    // Parses the mark-up (copied) and, with `resize`, sizes the window to it.
    void UpdateToolTip(const WCHAR* markup, bool resize);
    const std::u16string& GetText() const { return m_sText; }
    // Shows the tooltip by the point (screen coordinates).
    void ShowToolTip(POINT pt, ToolTipPlacement placement);
    void HideToolTip();

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnPaint();

    HWND m_hWnd = nullptr;
    HWND m_hParent = nullptr;
    HWND m_hImageOwner = nullptr;
    std::u16string m_sText;
    CHTMLParser m_Parser;
    SIZE m_Size{};
};
