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
    if (all != all_ ||
        (!all && (listed_.size() != count || (count && std::memcmp(listed_.data(), ids, count * sizeof *ids))))) {
        all_ = all;
        if (all)
            listed_.clear();
        else
            listed_.assign(ids, ids + count);
        plans_.clear();
        plan_ = nullptr;
    }
    DWORD error = ERROR_SUCCESS;
    if (!plan_ || !Measure(first, end, stores, &error)) {
        error = Choose(first, end, stores);
        if (!error) Measure(first, end, stores, &error);
    }
    // A refused record leaves no entry pointing into its row, which the
    // caller may free before it reads again, and no plan in use.
    if (error) {
        plan_ = nullptr;
        at_.clear();
    }
    return error;
}

bool RecordBlock::Measure(const BYTE* p, const BYTE* end, WORD count, DWORD* error)
{
    // The plan knows each stored property's type: a step checks the id and
    // the length against what is left, and notes where a listed one starts.
    if (plan_->order.size() != count) return false;
    size_t tail = 0;
    const CEPROPID* order = plan_->order.data();
    const Step* steps = plan_->steps.data();
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
    for (const Repeat& r : plan_->repeats) {
        at[r.slot] = at[r.same];
        if (at[r.slot]) tail += TailBytesAt(at[r.slot]);
    }
    bytes_ = at_.size() * sizeof(CEPROPVAL) + tail;
    *error = ERROR_SUCCESS;
    return true;
}

size_t RecordBlock::OrderHash::operator()(const std::vector<CEPROPID>& order) const
{
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (CEPROPID id : order) h = (h ^ id) * 0x100000001b3ull;
    return static_cast<size_t>(h ^ (h >> 29));
}

DWORD RecordBlock::Choose(const BYTE* p, const BYTE* end, WORD count)
{
    plan_ = nullptr;
    scratch_.resize(count);
    for (CEPROPID& id : scratch_) {
        DWORD length;
        p = StepProp(p, end, &id, &length);
        if (!p) break;
    }
    if (!p || p != end) return ERROR_FILE_CORRUPT;
    auto found = plans_.find(scratch_);
    if (found == plans_.end()) {
        if (HasRepeatedIds(scratch_.data(), scratch_.size())) return ERROR_FILE_CORRUPT;
        if (plans_.size() >= kMaxPlans) plans_.clear();
        found = plans_.emplace(scratch_, MakePlan(scratch_)).first;
    }
    plan_ = &found->second;
    // Entries the plan before filled and this one does not start empty.
    at_.assign(all_ ? count : listed_.size(), nullptr);
    return ERROR_SUCCESS;
}

RecordBlock::Plan RecordBlock::MakePlan(std::vector<CEPROPID> order) const
{
    Plan plan;
    const size_t count = order.size();
    plan.steps.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const WORD type = TypeFromPropID(order[i]);
        plan.steps[i] =
            Step{all_ ? static_cast<int>(i) : kUnlisted, static_cast<unsigned>(FixedSize(type)), type == CEVT_LPWSTR};
    }
    if (!all_) {
        // An id listed twice fills its second entry from its first.
        for (size_t slot = 0; slot < listed_.size(); ++slot) {
            for (size_t i = 0; i < count; ++i) {
                if (order[i] != listed_[slot]) continue;
                if (plan.steps[i].slot == kUnlisted)
                    plan.steps[i].slot = static_cast<int>(slot);
                else
                    plan.repeats.push_back(Repeat{slot, static_cast<size_t>(plan.steps[i].slot)});
                break;
            }
        }
    }
    plan.order = std::move(order);
    return plan;
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
