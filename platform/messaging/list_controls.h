// The list box ("listbox") and combo box ("combobox") controls, reduced to
// what works without a screen: each window keeps an ordered list of strings
// that its messages add, read, delete and count. Nothing is drawn, there is no
// selection, and the sort styles are accepted and ignored (strings keep the
// order they were added in). The combo box's edit part is the window text
// (WM_SETTEXT, WM_GETTEXT).
//
// Both classes are registered with the process's window classes before the
// first window is made, as system classes are: create them with
// CreateWindowExW(0, u"listbox", ...) like any other window. Their
// messages, as every window's, are handled on the thread that created them.
#pragma once

#include "platform/base/types.h"
#include "platform/messaging/window.h"

inline constexpr const WCHAR* WC_LISTBOXW = u"listbox";
inline constexpr const WCHAR* WC_COMBOBOXW = u"combobox";

// Styles (accepted; they change nothing here).
constexpr DWORD LBS_NOTIFY = 0x0001;
constexpr DWORD LBS_SORT = 0x0002;
constexpr DWORD CBS_DROPDOWN = 0x0002;
constexpr DWORD CBS_DROPDOWNLIST = 0x0003;
constexpr DWORD CBS_SORT = 0x0100;

// List box messages. LB_ADDSTRING (lParam: the text) returns the new string's
// zero-based index; LB_DELETESTRING (wParam: index) the number of strings
// left; LB_GETTEXT (wParam: index, lParam: a buffer of at least
// LB_GETTEXTLEN + 1 characters) and LB_GETTEXTLEN the length without the
// terminator; LB_RESETCONTENT 0. A bad index or a null text gives LB_ERR,
// memory running out LB_ERRSPACE.
constexpr UINT LB_ADDSTRING = 0x0180;
constexpr UINT LB_DELETESTRING = 0x0182;
constexpr UINT LB_RESETCONTENT = 0x0184;
constexpr UINT LB_GETTEXT = 0x0189;
constexpr UINT LB_GETTEXTLEN = 0x018A;
constexpr UINT LB_GETCOUNT = 0x018B;
constexpr LRESULT LB_OKAY = 0;
constexpr LRESULT LB_ERR = -1;
constexpr LRESULT LB_ERRSPACE = -2;

// Combo box messages: the same meanings for the combo box's list.
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_DELETESTRING = 0x0144;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETLBTEXT = 0x0148;
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr LRESULT CB_OKAY = 0;
constexpr LRESULT CB_ERR = -1;
constexpr LRESULT CB_ERRSPACE = -2;

namespace platform {

// Registers both classes unless they exist; true when they do afterwards.
// CreateWindowExW calls it before it looks up a class, so the controls can
// be made like any system control.
bool RegisterListControlClasses();

}  // namespace platform
