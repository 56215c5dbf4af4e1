// 8-bit code pages: MultiByteToWideChar / WideCharToMultiByte.
//
// The ANSI code page (CP_ACP) is Windows-1252: 0x80-0x9F hold typographic
// characters (0x80 is the euro sign), and the five bytes that code page leaves
// undefined map to the C1 controls of the same value, as the platform does.
// CP_UTF8 converts UTF-8, replacing ill-formed input by U+FFFD. Other code
// page numbers are converted through ICU when it knows them (CP_OEMCP is 437).
//
// Counts of -1 mean "terminated": the terminator is converted too and counted
// in the result. An output size of 0 asks for the size needed. Failures return
// 0 and set the thread's last error: ERROR_INVALID_PARAMETER (bad arguments or
// unknown code page), ERROR_INSUFFICIENT_BUFFER (output too small; the part
// that fits has been written), ERROR_NO_UNICODE_TRANSLATION (invalid input
// with MB_ERR_INVALID_CHARS).
#pragma once

#include "platform/base/types.h"

constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;
constexpr UINT CP_MACCP = 2;
constexpr UINT CP_THREAD_ACP = 3;
constexpr UINT CP_1252 = 1252;
constexpr UINT CP_UTF7 = 65000;
constexpr UINT CP_UTF8 = 65001;

constexpr DWORD MB_PRECOMPOSED = 0x00000001;
constexpr DWORD MB_COMPOSITE = 0x00000002;
constexpr DWORD MB_USEGLYPHCHARS = 0x00000004;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x00000008;

constexpr DWORD WC_COMPOSITECHECK = 0x00000200;
constexpr DWORD WC_DISCARDNS = 0x00000010;
constexpr DWORD WC_SEPCHARS = 0x00000020;
constexpr DWORD WC_DEFAULTCHAR = 0x00000040;
constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x00000400;
constexpr DWORD WC_ERR_INVALID_CHARS = 0x00000080;

// The ANSI and OEM code pages of this system: 1252 and 437.
UINT GetACP();
UINT GetOEMCP();

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcBytes, LPWSTR dst, int dstChars);
// Characters the code page lacks become defaultChar's first byte ('?' when
// null) and set *usedDefaultChar. For CP_UTF8 defaultChar and usedDefaultChar
// must be null.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcChars, LPSTR dst, int dstBytes,
                        LPCSTR defaultChar, BOOL* usedDefaultChar);

// Windows-1252 for one character, both ways. WideToCp1252 returns -1 for a
// character the code page does not hold.
WCHAR Cp1252ToWide(unsigned char byte);
int WideToCp1252(WCHAR c);
