// Ink note files from arbitrary bytes. Besides running clean under the
// sanitizers:
//  - a refused file leaves the note as it was;
//  - an accepted file written again gives the same bytes (the reader keeps
//    everything the writer writes, and the writer writes only that);
//  - an accepted note draws without fault on a small page.
// The seeds begin with the "{\pwi" marker.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/gdi/bitmaps.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/gdi_owner.h"
#include "platform/ink/ink_drawing.h"
#include "platform/ink/ink_note.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    platform::InkNote note;
    note.text = u"untouched";
    if (platform::ParseInkNote(data, size, note) != platform::InkReadError::None) {
        if (note.text != u"untouched" || !note.strokes.empty()) std::abort();
        return 0;
    }
    const std::vector<BYTE> again = platform::SerializeInkNote(note);
    if (again.size() != size || !std::equal(again.begin(), again.end(), data)) std::abort();
    // Drawing a huge page would only measure the allocator; clip it.
    note.pageWidth = note.pageWidth > 64 ? 64 : note.pageWidth;
    note.pageHeight = note.pageHeight > 64 ? 64 : note.pageHeight;
    platform::OwnedDc dc(CreateCompatibleDC(nullptr));
    platform::OwnedBitmap canvas(CreateCompatibleBitmap(nullptr, 64, 64));
    HGDIOBJ old = SelectObject(dc.Get(), canvas.Get());
    platform::DrawInkNote(dc.Get(), note, 0, 0);
    SelectObject(dc.Get(), old);
    return 0;
}
