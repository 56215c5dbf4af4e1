// Journal notes on their way into the store.
#pragma once

#include <vector>

#include "platform/base/types.h"

// Rich notes saved by the ink control end in an empty paragraph ("\par }").
// When the notes are longer than 10 bytes and contain "\par " followed by
// "}", their last six bytes become a single "}" (five bytes shorter), which
// drops that paragraph. Shorter notes, or notes without the marker, are left
// as they are. Returns whether the notes changed.
bool DropTrailingEmptyParagraph(std::vector<BYTE>& notes);
