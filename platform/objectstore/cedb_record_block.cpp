#include "platform/objectstore/cedb_record_block.h"

#include <cstdint>
#include <cstring>

#include "platform/base/error_codes.h"

namespace platform::cedb {
namespace {

// The bytes a property of this id and length takes after the entries.
size_t TailBytes(CEPROPID id, DWORD length)
{
    switch (TypeFromPropID(id)) {
        case CEVT_LPWSTR:
            return (static_cast<size_t>(length) + 1) * 2;
        case CEVT_BLOB:
            return (static_cast<size_t>(length) + 1) & ~static_cast<size_t>(1);
        default:
            return 0;
    }
}

// The same for the stored property at q, already checked.
size_t TailBytesAt(const BYTE* q)
{
    CEPROPID id;
    DWORD length = 0;
    std::memcpy(&id, q, 4);
    if (!FixedSize(TypeFromPropID(id))) std::memcpy(&length, q + 4, 4);
    return TailBytes(id, length);
}

}  // namespace

DWORD RecordBlock::Assign(std::string_view stored, const CEPROPID* ids, WORD count)
{
    bytes_ = 0;
    WORD stores;
    const BYTE* first;
    if (!RecordHeader(stored, &stores, &first)) {
        at_.clear();
        return ERROR_FILE_CORRUPT;
    }
    const BYTE* end = first + (stored.size() - 3);
    const bool all = ids == nullptr;
    if (planned_ && (all != all_ || (!all && (listed_.size() != count ||
                                              (count && std::memcmp(listed_.data(), ids, count * sizeof *ids))))))
        planned_ = false;
    if (!planned_) {
        all_ = all;
        if (all)
            listed_.clear();
        else
            listed_.assign(ids, ids + count);
        order_.clear();
    }
    DWORD error = ERROR_SUCCESS;
    if (planned_ && Measure(first, end, stores, &error)) return error;
    if ((error = Plan(first, end, stores))) return error;
    Measure(first, end, stores, &error);
    return error;
}

bool RecordBlock::Measure(const BYTE* p, const BYTE* end, WORD count, DWORD* error)
{
    if (order_.size() != count) return false;
    size_t tail = 0;
    const CEPROPID* order = order_.data();
    const int* slotOf = slotOf_.data();
    const BYTE** at = at_.data();
    for (WORD i = 0; i < count; ++i) {
        CEPROPID id;
        DWORD length = 0;
        const BYTE* next = StepProp(p, end, &id, &length);
        if (!next) {
            *error = ERROR_FILE_CORRUPT;
            return true;
        }
        if (id != order[i]) return false;
        if (const int slot = slotOf[i]; slot != kUnlisted) {
            at[slot] = p;
            tail += TailBytes(id, length);
        }
        p = next;
    }
    if (p != end) {
        *error = ERROR_FILE_CORRUPT;
        return true;
    }
    for (const Repeat& r : repeats_) {
        at[r.slot] = at[r.same];
        if (at[r.slot]) tail += TailBytesAt(at[r.slot]);
    }
    bytes_ = at_.size() * sizeof(CEPROPVAL) + tail;
    *error = ERROR_SUCCESS;
    return true;
}

DWORD RecordBlock::Plan(const BYTE* p, const BYTE* end, WORD count)
{
    planned_ = false;
    order_.resize(count);
    for (CEPROPID& id : order_) {
        DWORD length;
        p = StepProp(p, end, &id, &length);
        if (!p) break;
    }
    if (!p || p != end || HasRepeatedIds(order_.data(), order_.size())) {
        order_.clear();
        at_.clear();
        return ERROR_FILE_CORRUPT;
    }
    repeats_.clear();
    if (all_) {
        slotOf_.resize(count);
        for (WORD i = 0; i < count; ++i) slotOf_[i] = i;
        at_.assign(count, nullptr);
    } else {
        // An id listed twice fills its second entry from its first.
        slotOf_.assign(count, kUnlisted);
        for (size_t slot = 0; slot < listed_.size(); ++slot) {
            for (WORD i = 0; i < count; ++i) {
                if (order_[i] != listed_[slot]) continue;
                if (slotOf_[i] == kUnlisted)
                    slotOf_[i] = static_cast<int>(slot);
                else
                    repeats_.push_back(Repeat{slot, static_cast<size_t>(slotOf_[i])});
                break;
            }
        }
        at_.assign(listed_.size(), nullptr);
    }
    planned_ = true;
    return ERROR_SUCCESS;
}

void RecordBlock::Fill(BYTE* out) const
{
    // Each entry is written field by field where it belongs: building it on
    // the stack and copying it over stalls on the partly written value.
    auto* values = reinterpret_cast<CEPROPVAL*>(out);
    BYTE* tail = out + at_.size() * sizeof(CEPROPVAL);
    for (size_t i = 0; i < at_.size(); ++i) {
        CEPROPVAL& v = values[i];
        v.wLenData = 0;
        v.wFlags = 0;
        v.val = CEVALUNION{};
        const BYTE* q = at_[i];
        if (!q) {
            v.propid = listed_[i];
            v.wFlags = CEDB_PROPNOTFOUND;
            continue;
        }
        CEPROPID id;
        std::memcpy(&id, q, 4);
        v.propid = id;
        const WORD type = TypeFromPropID(id);
        if (size_t fixed = FixedSize(type)) {
            std::memcpy(&v.val, q + 4, fixed);
            continue;
        }
        DWORD length;
        std::memcpy(&length, q + 4, 4);
        const BYTE* data = q + 8;
        if (type == CEVT_LPWSTR) {
            size_t n = static_cast<size_t>(length) * 2;
            if (n) std::memcpy(tail, data, n);
            tail[n] = tail[n + 1] = 0;
            v.val.lpwstr = reinterpret_cast<LPWSTR>(tail);
            tail += n + 2;
        } else {
            v.val.blob.dwCount = length;
            v.val.blob.lpb = length ? tail : nullptr;
            if (length) std::memcpy(tail, data, length);
            if (length & 1) tail[length] = 0;
            tail += TailBytes(id, length);
        }
    }
}

}  // namespace platform::cedb
