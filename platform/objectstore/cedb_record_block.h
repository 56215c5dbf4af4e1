// The block CeReadRecordProps hands out: the CEPROPVAL array, then the
// strings (with terminators) and blobs (each padded to an even size) that the
// entries point into, in the order of the entries.
//
// The block is made straight from a stored record's bytes in two walks: the
// first checks the record and sizes the block, the second writes it. Which
// listed entry each stored property fills is worked out once for a list of
// ids and a stored order, and kept while the records read keep both: records
// of one database are mostly written with their properties in one order.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "platform/objectstore/cedb_record_codec.h"

namespace platform::cedb {

class RecordBlock {
public:
    // Takes the stored record `stored` (which must stay in place until
    // Fill) for the listed properties in the listed order (an entry flagged
    // CEDB_PROPNOTFOUND for each one the record lacks), or every property of
    // the record when ids is null. ERROR_FILE_CORRUPT when the bytes are not
    // a well-formed record.
    DWORD Assign(std::string_view stored, const CEPROPID* ids, WORD count);

    WORD Count() const { return static_cast<WORD>(at_.size()); }
    size_t Bytes() const { return bytes_; }
    // Writes the block into `out`, which holds Bytes() bytes and is aligned
    // for CEPROPVAL.
    void Fill(BYTE* out) const;

private:
    static constexpr int kUnlisted = -1;
    // Walks the record with the kept plan: false when its stored order is
    // not the one the plan was made for.
    bool Measure(const BYTE* p, const BYTE* end, WORD count, DWORD* error);
    // Makes the plan for the record's stored order; the record was found
    // well formed apart from repeated ids (ERROR_FILE_CORRUPT).
    DWORD Plan(const BYTE* p, const BYTE* end, WORD count);

    // The plan: the ids listed (every stored one when all_), the stored
    // order it was made for, for each stored property its size when fixed
    // and the entry it fills, and the entries that repeat an earlier
    // entry's id.
    bool planned_ = false;
    bool all_ = false;
    std::vector<CEPROPID> listed_;
    std::vector<CEPROPID> order_;
    struct Step {
        int slot;      // kUnlisted: no entry
        unsigned fixed;  // 0: a string or blob, its length stored first
        bool units;    // a string: the length counts UTF-16 units
    };
    std::vector<Step> steps_;
    struct Repeat {
        size_t slot;
        size_t same;
    };
    std::vector<Repeat> repeats_;
    // The record taken: where each entry's stored property starts (null:
    // the record lacks it) and the block's size.
    std::vector<const BYTE*> at_;
    size_t bytes_ = 0;
};

}  // namespace platform::cedb
