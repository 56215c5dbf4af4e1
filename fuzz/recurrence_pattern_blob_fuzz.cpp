// Recurrence pattern blobs: any input either is refused or reads into a
// pattern that writes back to bytes which read the same pattern again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/recurrence/recurrence_pattern_blob.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    platform::RecurrencePatternBlob first;
    if (!platform::RecurrenceBlobUsable(platform::DecodeRecurrencePatternBlob(data, size, first))) return 0;
    const std::vector<BYTE> bytes = platform::EncodeRecurrencePatternBlob(first);
    if (bytes.empty()) std::abort();
    platform::RecurrencePatternBlob second;
    if (!platform::RecurrenceBlobUsable(platform::DecodeRecurrencePatternBlob(bytes.data(), bytes.size(), second))) {
        std::abort();
    }
    if (!(second == first)) std::abort();
    // Writing is deterministic.
    if (platform::EncodeRecurrencePatternBlob(second) != bytes) std::abort();
    return 0;
}
