// The quick test of whether a task's or contact's note holds anything worth
// an indicator, made on the stored blob without decoding it.
#pragma once

#include "platform/objectstore/cedb.h"

// The size of the note that the ink editor stores for an empty page.
inline constexpr DWORD kEmptyInkNoteBytes = 476;

// True when the note blob is empty: null, no bytes (or no data pointer), a
// first byte of 0, or exactly kEmptyInkNoteBytes bytes that begin with the
// ASCII text "{\pwi" (an ink note with nothing drawn or typed).
bool IsNoteEmpty(const CEBLOB* blob);
