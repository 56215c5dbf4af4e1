// The single-line edit control (window class "EDIT"): text, a selection with
// the caret at its end, typing, and painting with the window's font.
//
// Typing comes as WM_CHAR (printable characters replace the selection,
// backspace deletes it or the character before the caret) and WM_KEYDOWN
// (Left, Right, Home and End move the caret, with Shift held they extend the
// selection; Delete deletes). Enter and Escape are left to the owner, which
// usually subclasses the control for them. Without ES_AUTOHSCROLL the text
// stops growing when it fills the client width; with it, the text scrolls to
// keep the caret in view. A tap puts the caret at the nearest character
// boundary and takes the focus.
//
// The parent hears of changes through WM_COMMAND, wParam
// MAKEWPARAM(control id, EN_*), lParam the control: EN_CHANGE after every
// change of the text (typing, EM_REPLACESEL, WM_SETTEXT), EN_SETFOCUS and
// EN_KILLFOCUS when the focus comes and goes.
//
// The class is registered with the system classes before the first window is
// made (see list_controls.h).
#pragma once

#include "platform/base/types.h"
#include "platform/messaging/window.h"

inline constexpr const WCHAR* WC_EDITW = u"EDIT";

// Styles.
constexpr DWORD ES_LEFT = 0x0000;
constexpr DWORD ES_AUTOHSCROLL = 0x0080;

// Messages. EM_GETSEL returns MAKELONG(start, end) and stores them through
// wParam and lParam when those point at DWORDs. EM_SETSEL takes start and end
// (in either order; end -1: the end of the text; start -1: no selection,
// caret kept). EM_LIMITTEXT sets the most characters typing and EM_REPLACESEL
// may make (0: the largest, 0x7FFFFFFE); text set by WM_SETTEXT is not cut.
constexpr UINT EM_GETSEL = 0x00B0;
constexpr UINT EM_SETSEL = 0x00B1;
constexpr UINT EM_REPLACESEL = 0x00C2;
constexpr UINT EM_LIMITTEXT = 0x00C5;
constexpr UINT EM_SETLIMITTEXT = EM_LIMITTEXT;
constexpr UINT EM_GETLIMITTEXT = 0x00D5;

// Notices (HIWORD of WM_COMMAND's wParam).
constexpr WORD EN_SETFOCUS = 0x0100;
constexpr WORD EN_KILLFOCUS = 0x0200;
constexpr WORD EN_CHANGE = 0x0300;

namespace platform {

// Registers "EDIT" unless it exists; true when it does afterwards.
bool RegisterEditControlClass();

}  // namespace platform
