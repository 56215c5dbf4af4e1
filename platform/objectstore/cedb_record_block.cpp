#include "platform/objectstore/cedb_record_block.h"

#include <cstdint>
#include <cstring>

namespace platform::cedb {
namespace {

size_t TailBytes(const StoredProp& p)
{
    switch (TypeFromPropID(p.id)) {
        case CEVT_LPWSTR:
            return (static_cast<size_t>(p.length) + 1) * 2;
        case CEVT_BLOB:
            return (static_cast<size_t>(p.length) + 1) & ~static_cast<size_t>(1);
        default:
            return 0;
    }
}

}  // namespace

void RecordBlock::Assign(const std::vector<StoredProp>& props, const CEPROPID* ids, WORD count)
{
    size_t tail = 0;
    if (ids) {
        entries_.resize(count);
        Entry* entry = entries_.data();
        // Records are mostly written in the order their readers list the
        // properties: the one after the last found is looked at first. The
        // record's identifier bits are made only when that guess misses, so
        // an id the record lacks is mostly told without a search.
        std::uint64_t stored = 0;
        bool haveStored = false;
        size_t next = 0;
        const size_t n = props.size();
        const StoredProp* all = props.data();
        for (WORD i = 0; i < count; ++i, ++entry) {
            const CEPROPID id = ids[i];
            const StoredProp* found = nullptr;
            if (next < n && all[next].id == id) {
                found = &all[next++];
            } else {
                if (!haveStored) {
                    for (size_t j = 0; j < n; ++j) stored |= PropIdBit(all[j].id);
                    haveStored = true;
                }
                if (stored & PropIdBit(id)) {
                    for (size_t j = 0; j < n; ++j)
                        if (all[j].id == id) {
                            found = &all[j];
                            next = j + 1;
                            break;
                        }
                }
            }
            entry->id = id;
            entry->prop = found;
            if (found) tail += TailBytes(*found);
        }
    } else {
        entries_.resize(props.size());
        for (size_t i = 0; i < props.size(); ++i) {
            entries_[i] = Entry{props[i].id, &props[i]};
            tail += TailBytes(props[i]);
        }
    }
    bytes_ = entries_.size() * sizeof(CEPROPVAL) + tail;
}

void RecordBlock::Fill(BYTE* out) const
{
    // Each entry is written field by field where it belongs: building it on
    // the stack and copying it over stalls on the partly written value.
    auto* values = reinterpret_cast<CEPROPVAL*>(out);
    BYTE* tail = out + entries_.size() * sizeof(CEPROPVAL);
    for (size_t i = 0; i < entries_.size(); ++i) {
        CEPROPVAL& v = values[i];
        v.propid = entries_[i].id;
        v.wLenData = 0;
        v.wFlags = 0;
        v.val = CEVALUNION{};
        const StoredProp* p = entries_[i].prop;
        if (!p) {
            v.wFlags = CEDB_PROPNOTFOUND;
        } else if (TypeFromPropID(p->id) == CEVT_LPWSTR) {
            size_t n = static_cast<size_t>(p->length) * 2;
            if (n) std::memcpy(tail, p->data, n);
            tail[n] = tail[n + 1] = 0;
            v.val.lpwstr = reinterpret_cast<LPWSTR>(tail);
            tail += n + 2;
        } else if (TypeFromPropID(p->id) == CEVT_BLOB) {
            v.val.blob.dwCount = p->length;
            v.val.blob.lpb = p->length ? tail : nullptr;
            if (p->length) std::memcpy(tail, p->data, p->length);
            if (p->length & 1) tail[p->length] = 0;
            tail += TailBytes(*p);
        } else {
            v.val = p->value;
        }
    }
}

}  // namespace platform::cedb
