// The small blobs an item record carries besides its recurrence pattern: the
// attendee list, the appointment's own time zone and the category bit set.
// Any input is refused or reads into a value that writes back to bytes which
// read the same value again; the zone's conversions never fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/objectmodel/outlook_category_text.h"
#include "platform/objectmodel/outlook_recipients.h"
#include "platform/objectmodel/outlook_zone.h"

namespace {

void CheckAttendees(const std::vector<BYTE>& bytes)
{
    const auto list = DecodeOutlookAttendees(bytes);
    if (!list) return;
    const std::vector<BYTE> again = EncodeOutlookAttendees(*list);
    // An empty list is stored as no property, so it writes back as nothing.
    if (list->empty() ? !again.empty() : again != bytes) std::abort();
}

void CheckZone(const std::vector<BYTE>& bytes)
{
    const auto zone = platform::DecodeOutlookZoneBlob(bytes);
    if (!zone) return;
    if (platform::DecodeOutlookZoneBlob(platform::EncodeOutlookZoneBlob(*zone)).has_value() == false) std::abort();
    if (!platform::IsValidOutlookZone(*zone)) return;
    // A minute in 2026 and its neighbour in UTC; only their not faulting is checked,
    // since a wall-clock minute in a skipped hour has no exact inverse.
    const std::int64_t local = 427'000'000;
    platform::UtcToZoneLocalMinutes(*zone, platform::ZoneLocalToUtcMinutes(*zone, local));
}

void CheckCategories(const std::vector<BYTE>& bytes)
{
    const std::vector<int> indices = OutlookCategoryText::IndicesFromBlob(bytes);
    const std::vector<BYTE> blob = OutlookCategoryText::BlobFromIndices(indices);
    if (OutlookCategoryText::IndicesFromBlob(blob) != indices) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const std::vector<BYTE> bytes(data + 1, data + size);
    switch (data[0] % 3) {
        case 0:
            CheckAttendees(bytes);
            break;
        case 1:
            CheckZone(bytes);
            break;
        default:
            CheckCategories(bytes);
            break;
    }
    return 0;
}
