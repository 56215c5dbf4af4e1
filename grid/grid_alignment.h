// The grid's left and right paragraph alignments: text-alignment flags (0
// left, 2 right) that the mark-up's "P LEFT" and "P RIGHT" or into their
// paragraphs, so that an installation can swap the sides. Process-wide;
// 0 and 2 until set.
#pragma once

#include "platform/base/export.h"
#include "platform/base/types.h"

// A plain entry point of the library as well (items/kstools_entry.h).
extern "C" KSTOOLS_API DWORD GetLeftDefine();
DWORD GetRightDefine();
// Accept 0 or 2; false, with nothing changed, for any other value.
bool SetGridLeftAlignment(DWORD value);
bool SetGridRightAlignment(DWORD value);
