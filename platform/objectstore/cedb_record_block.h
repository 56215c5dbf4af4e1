// The block CeReadRecordProps hands out: the CEPROPVAL array, then the
// strings (with terminators) and blobs (each padded to an even size) that the
// entries point into, in the order of the entries.
//
// The block is made straight from a stored record's bytes in two walks: the
// first checks the record and sizes the block, the second writes it. Which
// listed entry each stored property fills is worked out once for a list of
// ids and a stored order, and kept while the records read keep the list:
// records of one database are written in a few stored orders (each optional
// property present or not), which the reads meet again and again.
#pragma once

#include <cstddef>
#include <string_view>
#include <unordered_map>
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
    // The stored orders planned for at most: past it the plans start afresh.
    static constexpr size_t kMaxPlans = 64;

    // What one stored order needs: for each stored property its size when
    // fixed and the entry it fills, and the entries that repeat an earlier
    // entry's id.
    struct Step {
        int slot;        // kUnlisted: no entry
        unsigned fixed;  // 0: a string or blob, its length stored first
        bool units;      // a string: the length counts UTF-16 units
    };
    struct Repeat {
        size_t slot;
        size_t same;
    };
    struct Plan {
        std::vector<CEPROPID> order;
        std::vector<Step> steps;
        std::vector<Repeat> repeats;
    };
    struct OrderHash {
        size_t operator()(const std::vector<CEPROPID>& order) const;
    };

    // Walks the record with the plan in use: false when its stored order is
    // not the one the plan was made for.
    bool Measure(const BYTE* p, const BYTE* end, WORD count, DWORD* error);
    // Finds or makes the plan for the record's stored order and takes it
    // into use; ERROR_FILE_CORRUPT when the record is not well formed.
    DWORD Choose(const BYTE* p, const BYTE* end, WORD count);
    // The plan for a well-formed order without repeated ids.
    Plan MakePlan(std::vector<CEPROPID> order) const;

    // The ids listed (every stored one when all_), the plans made for them
    // by stored order, and the one in use (null: none yet).
    bool all_ = false;
    std::vector<CEPROPID> listed_;
    std::unordered_map<std::vector<CEPROPID>, Plan, OrderHash> plans_;
    const Plan* plan_ = nullptr;
    std::vector<CEPROPID> scratch_;  // a record's stored order, while a plan is chosen
    // The record taken: where each entry's stored property starts (null:
    // the record lacks it) and the block's size.
    std::vector<const BYTE*> at_;
    size_t bytes_ = 0;
};

}  // namespace platform::cedb
