#include "items/journal_notes.h"

#include <algorithm>
#include <string_view>

bool DropTrailingEmptyParagraph(std::vector<BYTE>& notes)
{
    static constexpr std::string_view kMarker = "\\par }";
    if (notes.size() <= 10) return false;
    const auto found = std::search(notes.begin(), notes.end(), kMarker.begin(), kMarker.end(),
                                   [](BYTE a, char b) { return a == static_cast<BYTE>(b); });
    if (found == notes.end()) return false;
    // The marker may sit anywhere; the last six bytes go whatever they are,
    // as the notes writer always did.
    notes[notes.size() - 6] = '}';
    notes.erase(notes.end() - 5, notes.end());
    return true;
}
