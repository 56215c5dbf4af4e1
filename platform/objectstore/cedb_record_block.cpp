#include "platform/objectstore/cedb_record_block.h"

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
    entries_.clear();
    if (ids) {
        entries_.reserve(count);
        for (WORD i = 0; i < count; ++i) {
            const StoredProp* found = nullptr;
            for (const auto& p : props)
                if (p.id == ids[i]) {
                    found = &p;
                    break;
                }
            entries_.push_back(Entry{ids[i], found});
        }
    } else {
        entries_.reserve(props.size());
        for (const auto& p : props) entries_.push_back(Entry{p.id, &p});
    }
    bytes_ = entries_.size() * sizeof(CEPROPVAL);
    for (const auto& e : entries_)
        if (e.prop) bytes_ += TailBytes(*e.prop);
}

void RecordBlock::Fill(BYTE* out) const
{
    auto* values = reinterpret_cast<CEPROPVAL*>(out);
    BYTE* tail = out + entries_.size() * sizeof(CEPROPVAL);
    for (size_t i = 0; i < entries_.size(); ++i) {
        CEPROPVAL v{};
        v.propid = entries_[i].id;
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
        std::memcpy(&values[i], &v, sizeof v);
    }
}

}  // namespace platform::cedb
