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
    if (!RecordHeader(stored, &stores, &first)) return ERROR_FILE_CORRUPT;
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
    if (!planned_ || !Measure(first, end, stores, &error)) {
        error = Plan(first, end, stores);
        if (!error) Measure(first, end, stores, &error);
    }
    // A refused record leaves no entry pointing into its row, which the
    // caller may free before it reads again, and no plan: the next record
    // makes its own.
    if (error) {
        planned_ = false;
        at_.clear();
    }
    return error;
}

bool RecordBlock::Measure(const BYTE* p, const BYTE* end, WORD count, DWORD* error)
{
    // The plan knows each stored property's type: a step checks the id and
    // the length against what is left, and notes where a listed one starts.
    if (order_.size() != count) return false;
    size_t tail = 0;
    const CEPROPID* order = order_.data();
    const Step* steps = steps_.data();
    const BYTE** at = at_.data();
    *error = ERROR_FILE_CORRUPT;
    for (WORD i = 0; i < count; ++i) {
        size_t left = static_cast<size_t>(end - p);
        if (left < 4) return true;
        CEPROPID id;
        std::memcpy(&id, p, 4);
        if (id != order[i]) return false;
        left -= 4;
        const Step& step = steps[i];
        size_t taken = step.fixed;
        if (!taken) {
            if (left < 4) return true;
            DWORD length;
            std::memcpy(&length, p + 4, 4);
            const size_t n = step.units ? static_cast<size_t>(length) * 2 : length;
            if (n > left - 4) return true;
            taken = 4 + n;
            if (step.slot != kUnlisted) tail += step.units ? n + 2 : (n + 1) & ~static_cast<size_t>(1);
        } else if (taken > left) {
            return true;
        }
        if (step.slot != kUnlisted) at[step.slot] = p;
        p += 4 + taken;
    }
    if (p != end) return true;
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
    steps_.resize(count);
    for (WORD i = 0; i < count; ++i) {
        const WORD type = TypeFromPropID(order_[i]);
        steps_[i] = Step{all_ ? i : kUnlisted, static_cast<unsigned>(FixedSize(type)), type == CEVT_LPWSTR};
    }
    if (all_) {
        at_.assign(count, nullptr);
    } else {
        // An id listed twice fills its second entry from its first.
        for (size_t slot = 0; slot < listed_.size(); ++slot) {
            for (WORD i = 0; i < count; ++i) {
                if (order_[i] != listed_[slot]) continue;
                if (steps_[i].slot == kUnlisted)
                    steps_[i].slot = static_cast<int>(slot);
                else
                    repeats_.push_back(Repeat{slot, static_cast<size_t>(steps_[i].slot)});
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
    // the stack and copying it over stalls on the partly written value. The
    // plan is read through locals: the block's bytes may alias anything, so
    // the compiler would load members again after every write.
    const BYTE* const* at = at_.data();
    const CEPROPID* listed = listed_.data();
    const size_t count = at_.size();
    auto* values = reinterpret_cast<CEPROPVAL*>(out);
    BYTE* tail = out + count * sizeof(CEPROPVAL);
    for (size_t i = 0; i < count; ++i) {
        CEPROPVAL& v = values[i];
        const BYTE* q = at[i];
        v.wLenData = 0;
        v.val = CEVALUNION{};
        if (!q) {
            v.propid = listed[i];
            v.wFlags = CEDB_PROPNOTFOUND;
            continue;
        }
        v.wFlags = 0;
        CEPROPID id;
        std::memcpy(&id, q, 4);
        v.propid = id;
        const WORD type = TypeFromPropID(id);
        if (type == CEVT_LPWSTR) {
            DWORD length;
            std::memcpy(&length, q + 4, 4);
            const size_t n = static_cast<size_t>(length) * 2;
            std::memcpy(tail, q + 8, n);
            tail[n] = 0;
            tail[n + 1] = 0;
            v.val.lpwstr = reinterpret_cast<LPWSTR>(tail);
            tail += n + 2;
        } else if (type == CEVT_BLOB) {
            DWORD length;
            std::memcpy(&length, q + 4, 4);
            v.val.blob.dwCount = length;
            if (length) {
                std::memcpy(tail, q + 8, length);
                v.val.blob.lpb = tail;
                if (length & 1) tail[length] = 0;
                tail += (static_cast<size_t>(length) + 1) & ~static_cast<size_t>(1);
            }
        } else {
            std::memcpy(&v.val, q + 4, FixedSize(type));
        }
    }
}

}  // namespace platform::cedb
