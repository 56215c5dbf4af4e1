// Registered clipboard formats: a name gives a format number that every
// caller in the process gets for the same name (compared without regard to
// case), so that two components agree on the layout of data they exchange
// under it. Registered numbers lie from 0xC000 up.
#pragma once

#include "platform/base/types.h"

// The format registered under `name` (registering it the first time); 0 with
// ERROR_INVALID_PARAMETER for a null or empty name.
UINT RegisterClipboardFormatW(LPCWSTR name);
