// The block CeReadRecordProps hands out: the CEPROPVAL array, then the
// strings (with terminators) and blobs (each padded to an even size) that the
// entries point into.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/objectstore/cedb_record_codec.h"

namespace platform::cedb {

class RecordBlock {
public:
    // The listed properties in the listed order (an entry flagged
    // CEDB_PROPNOTFOUND for each one the record lacks), or every property of
    // the record when ids is null.
    RecordBlock() = default;
    RecordBlock(const std::vector<StoredProp>& props, const CEPROPID* ids, WORD count) { Assign(props, ids, count); }
    // The same for another record, reusing this block's memory.
    void Assign(const std::vector<StoredProp>& props, const CEPROPID* ids, WORD count);

    WORD Count() const { return static_cast<WORD>(entries_.size()); }
    size_t Bytes() const { return bytes_; }
    // Writes the block into `out`, which holds Bytes() bytes and is aligned
    // for CEPROPVAL.
    void Fill(BYTE* out) const;

private:
    struct Entry {
        CEPROPID id;
        const StoredProp* prop;  // null: the record lacks it
    };
    std::vector<Entry> entries_;
    size_t bytes_ = 0;
};

}  // namespace platform::cedb
