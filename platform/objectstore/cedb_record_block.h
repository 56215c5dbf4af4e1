// The block CeReadRecordProps hands out: the CEPROPVAL array, then the
// strings (with terminators) and blobs (each padded to an even size) that the
// entries point into.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "platform/objectstore/cedb_record_codec.h"

namespace platform::cedb {

class RecordBlock {
public:
    // Reads a stored record straight from its bytes (which must stay valid
    // until Fill): the listed properties in the listed order (an entry
    // flagged CEDB_PROPNOTFOUND for each one the record lacks), or every
    // property of the record when ids is null. Properties not listed are
    // stepped over, never copied. Reuses this block's memory from the
    // previous record. ERROR_FILE_CORRUPT when the bytes are not a
    // well-formed record (the block is then empty).
    DWORD Decode(std::string_view stored, const CEPROPID* ids, WORD count);

    WORD Count() const { return static_cast<WORD>(entries_.size()); }
    size_t Bytes() const { return bytes_; }
    // Writes the block into `out`, which holds Bytes() bytes and is aligned
    // for CEPROPVAL.
    void Fill(BYTE* out) const;

private:
    struct Entry {
        StoredProp prop;  // its id is the listed one
        bool found;       // false: the record lacks it
    };
    std::vector<Entry> entries_;
    size_t bytes_ = 0;
};

}  // namespace platform::cedb
