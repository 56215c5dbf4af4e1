// The clipboard: one per process, opened by one window at a time. Data put
// on it is a local block (LocalAlloc) that the clipboard then owns and frees
// when it is emptied or the format is set again; GetClipboardData lends the
// block while the clipboard is open.
#pragma once

#include "platform/base/types.h"

constexpr UINT CF_TEXT = 1;
constexpr UINT CF_UNICODETEXT = 13;

// Opens the clipboard for `owner` (may be null); FALSE with
// ERROR_ACCESS_DENIED while another open has not been closed.
BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
// Frees every format's data; the clipboard must be open.
BOOL EmptyClipboard();
// Puts the local block under the format (the clipboard owns it from then on)
// and returns it; null when the clipboard is not open or `data` is null.
HANDLE SetClipboardData(UINT format, HANDLE data);
// The format's block, null when there is none or the clipboard is not open.
HANDLE GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);
