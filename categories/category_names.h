// The names offered where the user picks categories.
#pragma once

#include "foundation/ce_ptr_list.h"
#include "platform/base/types.h"

// Appends copies of the names of the shown categories, in the full list's
// order. With a non-zero mask only categories where one of the masked
// numbers is at least 1 are named: bit 1 property 0x4006, bit 2 property
// 0x4005, bit 4 property 0x4004. The int and unsigned long arguments are not
// used. Returns the number of names appended.
int GetCategories(CeStrList<WCHAR*>& names, int unused, unsigned long unusedFlags, int mask);
