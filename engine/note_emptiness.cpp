#include "engine/note_emptiness.h"

#include <cstring>

bool IsNoteEmpty(const CEBLOB* blob)
{
    if (!blob || blob->dwCount == 0 || !blob->lpb) return true;
    if (blob->lpb[0] == 0) return true;
    static constexpr char kInkHeader[] = "{\\pwi";
    return blob->dwCount == kEmptyInkNoteBytes && std::memcmp(blob->lpb, kInkHeader, sizeof kInkHeader - 1) == 0;
}
