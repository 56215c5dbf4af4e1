// Window lookups used by the message functions (internal).
#pragma once

#include <memory>

#include "platform/messaging/window.h"

namespace platform {

class ThreadRecord;

struct WindowTarget {
    WNDPROC proc;
    std::shared_ptr<ThreadRecord> owner;
};

// The procedure and owner thread of a live window; false when hwnd is not one.
bool FindWindowTarget(HWND hwnd, WindowTarget* out);
// True when hwnd is `ancestor` or one of its descendants.
bool IsSameOrDescendant(HWND hwnd, HWND ancestor);
// Destroys what is left of a thread's windows when it ends. With
// runProcedures the windows get WM_DESTROY (the thread itself is ending
// normally); otherwise (a killed thread, a thread already gone) they are
// invalidated silently.
void DestroyWindowsOfThread(ThreadRecord& rec, bool runProcedures);
// Clears the foreground and active window records that point at hwnd.
void ForgetActivation(HWND hwnd);

}  // namespace platform
