// The search's matcher on arbitrary texts. The first byte chooses the flags
// (anywhere, Soundex); the rest, as 16-bit units, is split at the first 0
// unit into the typed text and a field. The same bytes are also read as a
// stored note blob. Besides running clean under the sanitizers: a Soundex
// code never exceeds four characters, "*" matches every non-empty field,
// and a prepared text never exceeds the accepted length plus its frame.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/note_blob_text.h"
#include "engine/search_pattern.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const bool anywhere = data[0] & 1, soundex = data[0] & 2;
    std::u16string units((size - 1) / 2, u'\0');
    if (!units.empty()) std::memcpy(units.data(), data + 1, units.size() * 2);
    const size_t cut = units.find(u'\0');
    const std::u16string text = units.substr(0, cut);
    std::u16string field = cut == std::u16string::npos ? std::u16string() : units.substr(cut + 1);
    field = u" " + field.substr(0, field.find(u'\0'));

    WCHAR code[kSoundexChars];
    if (SoundexCode(text.c_str(), code) > kSoundexChars - 1 || code[kSoundexChars - 1] != 0) std::abort();

    SearchPattern pattern;
    if (pattern.Prepare(text.c_str(), anywhere, soundex)) {
        if (pattern.Text().size() > static_cast<size_t>(kSearchMaxTextChars) * 2 + 2) std::abort();
        std::u16string copy = field;
        pattern.MatchField(copy.data(), false);
        copy = field;
        pattern.MatchField(copy.data(), true);
        copy = field;
        pattern.MatchNoteText(copy.data());
    }
    SearchPattern all;
    std::u16string copy = field;
    if (all.Prepare(u"*", anywhere, soundex) && field.size() > 1 && !all.MatchField(copy.data(), false)) std::abort();

    WCHAR note[256];
    const size_t n = NoteBlobText(data, size, note, 256);
    if (n >= 256 || note[n] != 0) std::abort();
    return 0;
}
