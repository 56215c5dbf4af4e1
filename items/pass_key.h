// CPassKey: the privacy check before a private item is made public again.
//
// The check passes at once unless "RequirePassword" (key
// "Software\Corvid\Kestrel", default 0) is set. Then it calls the device's
// password prompt, "PromptForPasswd" of the control-panel library
// "cplmain.cpl", for the foreground window; it passes when that returns
// non-zero, and also when the library or the function is missing (a device
// without a password prompt has no password to ask for).
#pragma once

#include "platform/base/export.h"
#include "platform/base/types.h"

// The prompt's signature: the owner window, a null password (ask the user),
// and whether the prompt may be cancelled.
using PromptForPasswdFunction = BOOL (*)(HWND owner, LPCWSTR password, BOOL cancellable);

class KSTOOLS_API CPassKey {
public:
    static bool CheckPass();
};
