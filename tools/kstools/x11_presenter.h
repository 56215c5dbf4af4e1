// X11Presenter: shows a top-level window of the platform's window tree in a
// real X window. X input becomes the platform's messages (button 1 as the
// stylus, buttons 4 and 5 as the wheel, keys as virtual keys and
// characters, a resize as a new window size), the platform's messages are
// dispatched, and the window's picture is put on the screen whenever
// something may have changed it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/base/types.h"

namespace kstools {

// The wheel message (wParam's high half: the turn, 120 a notch).
inline constexpr UINT WM_MOUSEWHEEL = 0x020A;
inline constexpr int WHEEL_DELTA = 120;

class X11Presenter {
public:
    X11Presenter();
    ~X11Presenter();
    X11Presenter(const X11Presenter&) = delete;
    X11Presenter& operator=(const X11Presenter&) = delete;

    // Connects to the display ($DISPLAY); the reason on failure.
    bool Open(std::string& error);
    // Shows `window` (its current size) until the X window is closed, the
    // platform window is destroyed or WM_QUIT arrives. `idle` runs about
    // every 20 ms.
    void Run(HWND window, const std::u16string& title, const std::function<void()>& idle);

private:
    // Puts the window's current picture on the screen.
    void Present(HWND window);

    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace kstools
