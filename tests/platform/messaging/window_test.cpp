// Window classes, creation and destruction, text, families and window state.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/kernel/sync_objects.h"
#include "platform/messaging/window.h"
#include "tests/support/last_error_check.h"
#include "tests/support/test_windows.h"

namespace {

using kstest::CreateHandlerWindow;
using kstest::Handler;

LRESULT PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

HWND CreateOfClass(const WCHAR* cls, HWND parent = nullptr, const WCHAR* title = u"")
{
    return CreateWindowExW(0, cls, title, 0, 0, 0, 1, 1, parent, nullptr, nullptr, nullptr);
}

TEST(WindowClass, NamesAreUniqueCaseInsensitiveAndHeldWhileInUseAndGarbageIsNoWindow)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = PlainProc;
    wc.lpszClassName = u"KsTestClassA";
    ATOM atom = RegisterClassW(&wc);
    ASSERT_NE(atom, 0);
    wc.lpszClassName = u"kstestclassa";
    EXPECT_TRUE(FAILS_WITH(RegisterClassW(&wc), 0, ERROR_CLASS_ALREADY_EXISTS));
    HWND hwnd = CreateOfClass(u"KSTESTCLASSA"), byAtom = CreateOfClass(MAKEINTATOM(atom));
    ASSERT_TRUE(hwnd && byAtom);
    EXPECT_TRUE(FAILS_WITH(UnregisterClassW(u"KsTestClassA", nullptr), FALSE, ERROR_CLASS_HAS_WINDOWS));
    DestroyWindow(hwnd);
    DestroyWindow(byAtom);
    EXPECT_TRUE(UnregisterClassW(u"KsTestClassA", nullptr));
    EXPECT_TRUE(FAILS_WITH(CreateOfClass(u"KsTestClassA"), nullptr, ERROR_CANNOT_FIND_WND_CLASS));
    wc.lpfnWndProc = nullptr;
    EXPECT_EQ(RegisterClassW(&wc), 0);

    // Garbage is no window (a reused slot is the slot table's, sync_objects_wait_test).
    HANDLE kernel = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    for (auto value : {std::uintptr_t{0}, std::uintptr_t{1}, ~std::uintptr_t{0}, std::uintptr_t{0xFFFFFFFD},
                       std::uintptr_t{0xABCDEF0123456789ull}, reinterpret_cast<std::uintptr_t>(kernel),
                       reinterpret_cast<std::uintptr_t>(HWND_MESSAGE)})
        EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(value))) << value;
    CloseHandle(kernel);
}

TEST(WindowLife, CreateHandsOverItsArgumentsDestroyTellsTheParentFirstAndTakesChildren)
{
    CREATESTRUCTW seen{};
    HWND during = nullptr;
    bool refuse = false;
    Handler handler = [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m != WM_CREATE) return DefWindowProcW(h, m, w, l);
        seen = *reinterpret_cast<CREATESTRUCTW*>(l);
        during = h;
        return refuse ? -1 : 0;
    };
    HWND hwnd = CreateWindowExW(0x8, kstest::HandlerClass(), u"Title", WS_POPUP, 1, 2, 30, 40, nullptr, nullptr,
                                nullptr, &handler);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(during, hwnd);
    EXPECT_EQ(std::tie(seen.lpCreateParams, seen.x, seen.cy, seen.style, seen.dwExStyle),
              std::make_tuple(static_cast<LPVOID>(&handler), 1, 40, static_cast<LONG>(WS_POPUP), DWORD{0x8}));
    EXPECT_EQ(std::u16string(seen.lpszName), u"Title");
    DWORD pid = 0;
    EXPECT_EQ(GetWindowThreadProcessId(hwnd, &pid), GetCurrentThreadId());
    EXPECT_EQ(pid, static_cast<DWORD>(getpid()));
    DestroyWindow(hwnd);
    refuse = true;
    during = nullptr;
    EXPECT_EQ(CreateHandlerWindow(&handler), nullptr);
    ASSERT_NE(during, nullptr);
    EXPECT_FALSE(IsWindow(during));
    std::vector<std::pair<HWND, UINT>> journal;
    HWND parent = nullptr, child = nullptr, grandchild = nullptr;
    bool childAliveDuringParentDestroy = false;
    Handler recorder = [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_DESTROY && h == parent) childAliveDuringParentDestroy = IsWindow(child);
        journal.emplace_back(h, m);
        return DefWindowProcW(h, m, w, l);
    };
    parent = CreateHandlerWindow(&recorder, nullptr);
    child = CreateHandlerWindow(&recorder, parent, WS_CHILD);
    grandchild = CreateHandlerWindow(&recorder, child, WS_CHILD);
    journal.clear();
    EXPECT_TRUE(DestroyWindow(parent));
    std::vector<std::pair<HWND, UINT>> expected{{parent, WM_DESTROY}, {child, WM_DESTROY}, {grandchild, WM_DESTROY}};
    EXPECT_EQ(journal, expected);
    EXPECT_TRUE(childAliveDuringParentDestroy);
    for (HWND h : {parent, child, grandchild}) EXPECT_FALSE(IsWindow(h));
    EXPECT_TRUE(FAILS_WITH(DestroyWindow(parent), FALSE, ERROR_INVALID_WINDOW_HANDLE));
}

TEST(WindowLife, WindowsAreDestroyedOnlyOnTheirOwnThread)
{
    struct Record {
        std::mutex lock;
        std::map<HWND, DWORD> destroyedOn;
        HWND left = nullptr;
        Handler handler = [this](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m == WM_DESTROY) {
                std::lock_guard guard(lock);
                destroyedOn[h] = GetCurrentThreadId();
            }
            return DefWindowProcW(h, m, w, l);
        };
    } record;
    HWND parent = CreateHandlerWindow(&record.handler, nullptr);
    std::thread([&] { EXPECT_TRUE(FAILS_WITH(DestroyWindow(parent), FALSE, ERROR_ACCESS_DENIED)); }).join();
    EXPECT_TRUE(IsWindow(parent));
    {  // a child owned by another thread goes with its parent, destroyed on its own thread
        kstest::WindowThread childThread(record.handler);
        ASSERT_EQ(SetParent(childThread.Hwnd(), parent), nullptr);
        EXPECT_TRUE(DestroyWindow(parent));
        EXPECT_FALSE(IsWindow(childThread.Hwnd()));
        std::lock_guard guard(record.lock);
        EXPECT_EQ(record.destroyedOn[childThread.Hwnd()], childThread.ThreadId());
    }
    DWORD id = 0;  // a thread that ends has the windows it left destroyed on it
    auto leaveAWindow = [](LPVOID p) -> DWORD {
        auto* r = static_cast<Record*>(p);
        r->left = CreateHandlerWindow(&r->handler);
        return 0;
    };
    HANDLE t = CreateThread(nullptr, 0, leaveAWindow, &record, 0, &id);
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
    ASSERT_NE(record.left, nullptr);
    EXPECT_FALSE(IsWindow(record.left));
    EXPECT_EQ(record.destroyedOn[record.left], id);
}

TEST(WindowText, TextGoesThroughTheProcedureOnItsThread)
{
    Handler none;
    HWND hwnd = CreateHandlerWindow(&none, nullptr, 0, u"Kestrel 2007");
    WCHAR buffer[64];
    EXPECT_EQ(GetWindowTextLengthW(hwnd), 12);
    EXPECT_EQ(GetWindowTextW(hwnd, buffer, 64), 12);
    EXPECT_EQ(std::u16string(buffer), u"Kestrel 2007");
    EXPECT_EQ(GetWindowTextW(hwnd, buffer, 5), 4);  // cut to the buffer, terminated
    EXPECT_EQ(std::u16string(buffer), u"Kest");
    EXPECT_TRUE(SetWindowTextW(hwnd, u"Dial status"));
    EXPECT_EQ(GetWindowTextW(hwnd, buffer, 64), 11);
    EXPECT_TRUE(SetWindowTextW(hwnd, nullptr));
    EXPECT_EQ(GetWindowTextLengthW(hwnd), 0);
    DestroyWindow(hwnd);
    EXPECT_EQ(GetWindowTextW(hwnd, buffer, 64), 0);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(GetWindowTextW(hwnd, nullptr, 64), 0);
    // Another thread reads the text through a message sent to the owner.
    kstest::WindowThread owner([](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m != WM_GETTEXT || w <= 3) return DefWindowProcW(h, m, w, l);
        std::copy_n(u"ab", 3, reinterpret_cast<WCHAR*>(l));
        return 2;
    });
    EXPECT_EQ(GetWindowTextW(owner.Hwnd(), buffer, 16), 2);
    EXPECT_EQ(std::u16string(buffer), u"ab");
}

TEST(WindowFamily, ParentsAncestorsReparentingAndFindWindow)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = PlainProc;
    wc.lpszClassName = u"CeWnd:Kestrel 2007";
    RegisterClassW(&wc);
    HWND hidden = CreateOfClass(wc.lpszClassName, HWND_MESSAGE, u"Kestrel 2007");
    HWND top = CreateOfClass(wc.lpszClassName, nullptr, u"Kestrel 2007");
    HWND other = CreateOfClass(wc.lpszClassName);
    Handler none;
    HWND child = CreateHandlerWindow(&none, top, WS_CHILD, u"Dialling");
    HWND grandchild = CreateHandlerWindow(&none, child, WS_CHILD);
    EXPECT_EQ(GetParent(grandchild), child);
    EXPECT_EQ(GetParent(top), nullptr);
    EXPECT_EQ(GetAncestor(grandchild, GA_ROOT), top);
    EXPECT_EQ(GetAncestor(grandchild, GA_PARENT), child);
    EXPECT_EQ(GetAncestor(top, GA_ROOT), top);
    EXPECT_TRUE(IsChild(top, grandchild));
    EXPECT_FALSE(IsChild(grandchild, top));
    // Only named top-level windows are found, not message-only ones or children.
    EXPECT_EQ(FindWindowW(u"cewnd:kestrel 2007", u"KESTREL 2007"), top);
    EXPECT_EQ(FindWindowW(nullptr, u"Kestrel 2007"), top);
    EXPECT_EQ(FindWindowW(wc.lpszClassName, u"Other"), nullptr);
    EXPECT_EQ(FindWindowW(nullptr, u"Dialling"), nullptr);
    EXPECT_EQ(FindWindowW(u"NoSuchClass", nullptr), nullptr);
    EXPECT_EQ(SetParent(child, other), top);
    EXPECT_EQ(GetAncestor(grandchild, GA_ROOT), other);
    EXPECT_FALSE(IsChild(top, grandchild));
    EXPECT_TRUE(
        FAILS_WITH(SetParent(other, grandchild), nullptr, ERROR_INVALID_PARAMETER));  // would be its own ancestor
    DestroyWindow(other);
    EXPECT_FALSE(IsWindow(grandchild));
    EXPECT_TRUE(IsWindow(top));
    DestroyWindow(top);
    EXPECT_EQ(FindWindowW(wc.lpszClassName, nullptr), nullptr);
    DestroyWindow(hidden);
    UnregisterClassW(wc.lpszClassName, nullptr);
}

// A subclass that finds the procedure it replaced in the window's extra bytes 8..15.
LRESULT SubclassProc(HWND h, UINT m, WPARAM w, LPARAM l)
{
    LRESULT base = CallWindowProcW(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(h, 8)), h, m, w, l);
    return m == WM_APP ? 1000 + base : base;
}

TEST(WindowLongs, SubclassingUserDataStyleExtraBytesAndRememberedVisibilityAndActivation)
{
    Handler base = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        return m == WM_APP ? 7 : DefWindowProcW(h, m, w, l);
    };
    HWND hwnd = CreateHandlerWindow(&base, nullptr, WS_VISIBLE);
    LONG_PTR previous = SetWindowLongW(hwnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc));
    EXPECT_EQ(previous, reinterpret_cast<LONG_PTR>(&kstest::HandlerWindowProc));
    SetWindowLongPtrW(hwnd, 8, previous);  // the class has 16 extra bytes
    EXPECT_EQ(SendMessageW(hwnd, WM_APP, 0, 0), 1007);
    EXPECT_EQ(GetWindowLongPtrW(hwnd, GWL_USERDATA), reinterpret_cast<LONG_PTR>(&base));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)) & WS_VISIBLE, WS_VISIBLE);
    SetWindowLongW(hwnd, 0, -5);
    EXPECT_EQ(GetWindowLongW(hwnd, 0), -5);  // four bytes, sign-extended
    for (int index : {13, -99})              // past the extra bytes, unknown
        EXPECT_TRUE(FAILS_WITH(GetWindowLongW(hwnd, index), 0, ERROR_INVALID_INDEX));
    DestroyWindow(hwnd);
    EXPECT_TRUE(FAILS_WITH(GetWindowLongW(hwnd, GWL_STYLE), 0, ERROR_INVALID_WINDOW_HANDLE));

    Handler none;
    HWND top = CreateHandlerWindow(&none, nullptr);
    HWND child = CreateHandlerWindow(&none, top, WS_CHILD | WS_VISIBLE);
    EXPECT_FALSE(IsWindowVisible(child));  // its parent is hidden
    EXPECT_FALSE(ShowWindow(top, SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_TRUE(ShowWindow(top, SW_HIDE));
    EXPECT_TRUE(SetForegroundWindow(top));
    EXPECT_EQ(GetForegroundWindow(), top);
    EXPECT_EQ(GetActiveWindow(), top);
    DestroyWindow(top);
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    EXPECT_EQ(GetActiveWindow(), nullptr);
}

}  // namespace
