// UTF-8 <-> UTF-16 conversion at the edges of the library (file names,
// terminals, the string table). Invalid input never fails: ill-formed UTF-8
// and unpaired surrogates become U+FFFD.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/types.h"

// len -1: up to the terminator. Null gives "".
std::string WideToUtf8(const WCHAR* s, int len = -1);
std::string WideToUtf8(std::u16string_view s);
std::u16string Utf8ToWide(std::string_view s);
