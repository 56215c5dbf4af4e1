// Texts for the platform's error codes, as the system's message table would
// give them (CeString::FormatMessageW).
#pragma once

#include <string>

#include "platform/base/types.h"

// True and the text (one sentence ending in a full stop) when code is known.
bool SystemMessageText(DWORD code, std::u16string& text);
