// The screen scaling values every drawing of the suite uses, set once by
// HIDPI_InitScaling (InitKSTools calls it), and the other process-wide
// objects InitKSTools makes, for the library's own code.
#pragma once

#include "items/kstools_entry.h"
#include "platform/base/types.h"

// Sets the scaling values (items/kstools_entry.h) unless set already.
void HIDPI_InitScaling();
// The special icon size: 24 for 32, 13 for 16, else the size itself.
int HidpiSpecialIconPixels(int iconPixels);
// GetPlatformVersion's code for an operating-system version.
int PlatformCodeForVersion(DWORD major, DWORD minor, DWORD build);

// Null while the library is not initialised.
HBRUSH KSToolsWindowBrush();
HFONT KSToolsBoldFont();
HMODULE KSToolsResourceLibrary();
