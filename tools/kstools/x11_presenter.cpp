#include "tools/kstools/x11_presenter.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <sys/select.h>

#include <cstring>

#include "platform/gdi/bitmaps.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/gdi_owner.h"
#include "platform/messaging/input.h"
#include "platform/messaging/painting.h"
#include "platform/messaging/window.h"
#include "platform/text/utf8.h"

namespace kstools {

struct X11Presenter::State {
    Display* display = nullptr;
    ::Window window = 0;
    Atom deleteWindow = 0;
    GC gc = nullptr;
};

X11Presenter::X11Presenter() : m_state(std::make_unique<State>()) {}

X11Presenter::~X11Presenter()
{
    if (!m_state->display) return;
    if (m_state->gc) XFreeGC(m_state->display, m_state->gc);
    if (m_state->window) XDestroyWindow(m_state->display, m_state->window);
    XCloseDisplay(m_state->display);
}

bool X11Presenter::Open(std::string& error)
{
    m_state->display = XOpenDisplay(nullptr);
    if (!m_state->display) {
        error = "cannot open the X display (is DISPLAY set?)";
        return false;
    }
    const int screen = DefaultScreen(m_state->display);
    if (DefaultDepth(m_state->display, screen) < 24) {
        error = "the X display has fewer than 24 bits per pixel";
        return false;
    }
    return true;
}

namespace {

UINT VirtualKey(KeySym key)
{
    switch (key) {
    case XK_Up: return VK_UP;
    case XK_Down: return VK_DOWN;
    case XK_Left: return VK_LEFT;
    case XK_Right: return VK_RIGHT;
    case XK_Prior: return VK_PRIOR;
    case XK_Next: return VK_NEXT;
    case XK_Home: return VK_HOME;
    case XK_End: return VK_END;
    case XK_Return: return VK_RETURN;
    case XK_Escape: return VK_ESCAPE;
    case XK_BackSpace: return VK_BACK;
    case XK_Delete: return VK_DELETE;
    case XK_space: return VK_SPACE;
    default: return 0;
    }
}

LPARAM Point(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

// Turns one X event into the platform's messages; false when the window
// was closed.
bool Translate(XEvent& event, HWND window, Atom deleteWindow)
{
    switch (event.type) {
    case ButtonPress:
    case ButtonRelease: {
        const XButtonEvent& b = event.xbutton;
        if (b.button == Button1) {
            PostMessageW(window, event.type == ButtonPress ? WM_LBUTTONDOWN : WM_LBUTTONUP,
                         event.type == ButtonPress ? MK_LBUTTON : 0, Point(b.x, b.y));
        } else if ((b.button == Button4 || b.button == Button5) && event.type == ButtonPress) {
            const int turn = b.button == Button4 ? WHEEL_DELTA : -WHEEL_DELTA;
            PostMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, turn), Point(b.x, b.y));
        }
        return true;
    }
    case MotionNotify:
        if (event.xmotion.state & Button1Mask)
            PostMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, Point(event.xmotion.x, event.xmotion.y));
        return true;
    case KeyPress: {
        char text[16] = {};
        KeySym key = 0;
        const int n = XLookupString(&event.xkey, text, sizeof text - 1, &key, nullptr);
        if (const UINT vk = VirtualKey(key)) PostMessageW(window, WM_KEYDOWN, vk, 1);
        const std::u16string chars = Utf8ToWide(std::string(text, static_cast<size_t>(n > 0 ? n : 0)));
        for (char16_t c : chars) {
            if (c >= 0x20 && c != 0x7F) PostMessageW(window, WM_CHAR, c, 1);
        }
        return true;
    }
    case ConfigureNotify: {
        RECT rc{};
        GetClientRect(window, &rc);
        if (event.xconfigure.width != rc.right || event.xconfigure.height != rc.bottom)
            SetWindowPos(window, nullptr, 0, 0, event.xconfigure.width, event.xconfigure.height,
                         SWP_NOMOVE | SWP_NOZORDER);
        return true;
    }
    case ClientMessage:
        return static_cast<Atom>(event.xclient.data.l[0]) != deleteWindow;
    default:
        return true;
    }
}

}  // namespace

void X11Presenter::Present(HWND window)
{
    State& s = *m_state;
    platform::OwnedBitmap picture(platform::WindowPicture(window));
    if (!picture) return;
    BITMAP size{};
    GetObjectW(picture.Get(), sizeof size, &size);
    const int width = size.bmWidth, height = size.bmHeight;
    // The picture's pixels as 32-bit BGRX rows, top to bottom: what a
    // 24-bit TrueColor X image takes on a little-endian machine.
    void* bits = nullptr;
    platform::OwnedBitmap dib(platform::CreateTopDownDib32(width, height, &bits));
    if (!dib || !bits) return;
    platform::OwnedDc from(CreateCompatibleDC(nullptr)), to(CreateCompatibleDC(nullptr));
    HGDIOBJ oldFrom = SelectObject(from.Get(), picture.Get());
    HGDIOBJ oldTo = SelectObject(to.Get(), dib.Get());
    BitBlt(to.Get(), 0, 0, width, height, from.Get(), 0, 0, SRCCOPY);
    SelectObject(from.Get(), oldFrom);
    SelectObject(to.Get(), oldTo);
    const int screen = DefaultScreen(s.display);
    XImage* image = XCreateImage(s.display, DefaultVisual(s.display, screen), 24, ZPixmap, 0,
                                 static_cast<char*>(bits), static_cast<unsigned>(width),
                                 static_cast<unsigned>(height), 32, width * 4);
    if (!image) return;
    XPutImage(s.display, s.window, s.gc, image, 0, 0, 0, 0, static_cast<unsigned>(width),
              static_cast<unsigned>(height));
    image->data = nullptr;  // the bitmap's pixels, freed with it
    XDestroyImage(image);
    XFlush(s.display);
}

void X11Presenter::Run(HWND window, const std::u16string& title, const std::function<void()>& idle)
{
    State& s = *m_state;
    RECT rc{};
    GetClientRect(window, &rc);
    const int screen = DefaultScreen(s.display);
    s.window = XCreateSimpleWindow(s.display, RootWindow(s.display, screen), 0, 0, static_cast<unsigned>(rc.right),
                                   static_cast<unsigned>(rc.bottom), 0, BlackPixel(s.display, screen),
                                   WhitePixel(s.display, screen));
    XStoreName(s.display, s.window, WideToUtf8(title).c_str());
    XSelectInput(s.display, s.window,
                 ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                     StructureNotifyMask);
    s.deleteWindow = XInternAtom(s.display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(s.display, s.window, &s.deleteWindow, 1);
    s.gc = XCreateGC(s.display, s.window, 0, nullptr);
    XMapWindow(s.display, s.window);
    XFlush(s.display);

    bool changed = true;
    for (;;) {
        while (XPending(s.display)) {
            XEvent event;
            XNextEvent(s.display, &event);
            if (!Translate(event, window, s.deleteWindow)) return;
            changed = true;
        }
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return;
            DispatchMessageW(&msg);
            changed = true;
        }
        if (!IsWindow(window)) return;
        if (idle) idle();
        if (changed) {
            Present(window);
            changed = false;
        }
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(ConnectionNumber(s.display), &fds);
        timeval wait{0, 20000};
        select(ConnectionNumber(s.display) + 1, &fds, nullptr, nullptr, &wait);
    }
}

}  // namespace kstools
