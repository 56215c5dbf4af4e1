// Locale identifiers and the user's locale.
//
// An LCID is the platform's 32-bit locale number: the language in the low 16
// bits (primary language in bits 0-9, sub-language in bits 10-15) and a sort
// order in bits 16-19 (0x0409 en-US, 0x0407 de-DE, 0x10407 de-DE with the
// phone-book sort). The mapping to real locales is ICU's.
//
// The user's locale is en-US, unless the environment variable KSTOOLS_LOCALE
// names another one (a BCP-47 tag such as "de-DE"; "de_DE.UTF-8" works too),
// unless platform::SetUserLocaleName chose one, which wins over both. The
// environment is looked at on every call, so a change takes effect at once. A
// name that ICU does not know or that has no locale number falls back to en-US.
// The system locale is the user's locale (one person, one device).
//
// Every function taking an LCID accepts the aliases LOCALE_USER_DEFAULT,
// LOCALE_SYSTEM_DEFAULT and LOCALE_NEUTRAL (all the user's locale here),
// LOCALE_INVARIANT (ICU's en-US-POSIX), and ignores LOCALE_NOUSEROVERRIDE
// or-ed into the identifier (there are no user overrides to skip).
#pragma once

#include <string>
#include <string_view>

#include "platform/base/types.h"

using LCID = DWORD;
using LANGID = WORD;

constexpr LCID LOCALE_NEUTRAL = 0x0000;
constexpr LCID LOCALE_INVARIANT = 0x007F;
constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
constexpr LCID LOCALE_CUSTOM_DEFAULT = 0x0C00;
constexpr DWORD LOCALE_NOUSEROVERRIDE = 0x80000000;

constexpr WORD LANG_NEUTRAL = 0x00;
constexpr WORD LANG_INVARIANT = 0x7F;
constexpr WORD SUBLANG_NEUTRAL = 0x00;
constexpr WORD SUBLANG_DEFAULT = 0x01;
constexpr WORD SUBLANG_SYS_DEFAULT = 0x02;
constexpr WORD SORT_DEFAULT = 0x0;

constexpr LANGID MAKELANGID(WORD primary, WORD sub) { return static_cast<LANGID>((sub << 10) | primary); }
constexpr WORD PRIMARYLANGID(LANGID id) { return static_cast<WORD>(id & 0x3FF); }
constexpr WORD SUBLANGID(LANGID id) { return static_cast<WORD>(id >> 10); }
constexpr LCID MAKELCID(LANGID lang, WORD sort) { return (static_cast<DWORD>(sort) << 16) | lang; }
constexpr LANGID LANGIDFROMLCID(LCID id) { return static_cast<LANGID>(id & 0xFFFF); }
constexpr WORD SORTIDFROMLCID(LCID id) { return static_cast<WORD>((id >> 16) & 0xF); }

constexpr DWORD LCID_INSTALLED = 0x1;
constexpr DWORD LCID_SUPPORTED = 0x2;

// Never 0: the user's locale number (0x0409 unless chosen otherwise).
LCID GetUserDefaultLCID();
LCID GetSystemDefaultLCID();
LANGID GetUserDefaultLangID();
LANGID GetSystemDefaultLangID();

// The aliases above turned into the locale number they stand for; other
// identifiers come back unchanged.
LCID ConvertDefaultLocale(LCID locale);

// Whether the identifier names a locale (aliases included).
BOOL IsValidLocale(LCID locale, DWORD flags);

// The user's locale as a BCP-47 tag ("en-US") into name, at most size
// characters with the terminator: the characters written with the terminator,
// 0 when the buffer is too small (ERROR_INSUFFICIENT_BUFFER).
int GetUserDefaultLocaleName(LPWSTR name, int size);

namespace platform {

// Chooses the user's locale (a BCP-47 tag or a POSIX locale name) over
// KSTOOLS_LOCALE; an empty name goes back to KSTOOLS_LOCALE or en-US. False,
// with nothing changed, when the name does not name a locale with a number.
bool SetUserLocaleName(std::string_view name);

// The user's locale as a BCP-47 tag, e.g. "en-US".
std::string UserLocaleName();

}  // namespace platform
