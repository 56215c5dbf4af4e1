// Win32-shaped base types of the platform layer.
//
// Widths follow the Windows ILP32 model that the library was written for: LONG,
// DWORD and BOOL are 32-bit everywhere, whatever the host's `long` is. Text is
// UTF-16: WCHAR is char16_t (never the host's 32-bit wchar_t).
#pragma once

#include <cstddef>
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using INT = std::int32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using BOOL = std::int32_t;
using BOOLEAN = std::uint8_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using DWORD64 = std::uint64_t;
using CHAR = char;
using WCHAR = char16_t;
using TCHAR = WCHAR;
using LPSTR = char*;
using LPCSTR = const char*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPTSTR = LPWSTR;
using LPCTSTR = LPCWSTR;
using LPVOID = void*;
using LPCVOID = const void*;
using PVOID = void*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using LPWORD = WORD*;
using LPLONG = LONG*;
using HRESULT = std::int32_t;
using SIZE_T = std::size_t;

// Pointer-sized values (message parameters and results carry pointers).
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using INT_PTR = std::intptr_t;
using DWORD_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;

// Opaque handles. Each kind is a distinct pointer type so that a window handle
// cannot be passed where a kernel handle is expected by mistake.
using HANDLE = void*;
#define KS_DECLARE_HANDLE(name) \
    struct name##__ {           \
        int unused;             \
    };                          \
    using name = name##__*
KS_DECLARE_HANDLE(HWND);
KS_DECLARE_HANDLE(HINSTANCE);
KS_DECLARE_HANDLE(HKEY);
KS_DECLARE_HANDLE(HFONT);
KS_DECLARE_HANDLE(HBITMAP);
KS_DECLARE_HANDLE(HBRUSH);
KS_DECLARE_HANDLE(HPEN);
KS_DECLARE_HANDLE(HDC);
KS_DECLARE_HANDLE(HMENU);
KS_DECLARE_HANDLE(HICON);
#undef KS_DECLARE_HANDLE
using HMODULE = HINSTANCE;
using HLOCAL = void*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

constexpr DWORD INFINITE = 0xFFFFFFFFu;
constexpr DWORD MAX_PATH = 260;

// HRESULT values.
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008u);
constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
// A Win32 error code as an HRESULT (0 stays S_OK).
constexpr HRESULT HRESULT_FROM_WIN32(DWORD error)
{
    return error == 0 || static_cast<HRESULT>(error) < 0 ? static_cast<HRESULT>(error)
                                                         : static_cast<HRESULT>((error & 0xFFFFu) | 0x80070000u);
}
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

constexpr WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr DWORD MAKELONG(WORD lo, WORD hi) { return static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16); }

// A point in time in 100-nanosecond units since 1601-01-01 UTC, split in two
// 32-bit halves as the platform stores it.
struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};
using PFILETIME = FILETIME*;
using LPFILETIME = FILETIME*;
