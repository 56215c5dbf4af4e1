// SHShowOutOfMemory: the shell's notice that an operation ran out of memory
// or storage space.
//
// The notice is a message box with the error icon, put to the UI host (see
// ui_host.h). Its text is string IDS_OUT_OF_MEMORY_NOTICE of the
// application's string table.
#pragma once

#include "platform/base/types.h"

constexpr UINT IDS_OUT_OF_MEMORY_NOTICE = 200;

// flags is reserved and must be 0 on the device; it is ignored here.
void SHShowOutOfMemory(HWND owner, UINT flags);
