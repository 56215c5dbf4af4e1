#include "platform/objectstore/cedb_record_block.h"

#include <cstdint>
#include <cstring>

#include "platform/base/error_codes.h"

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

DWORD RecordBlock::Decode(std::string_view stored, const CEPROPID* ids, WORD count)
{
    RecordReader reader(stored);
    size_t tail = 0;
    if (!ids) {
        const WORD n = reader.Count();
        entries_.resize(n);
        for (WORD i = 0; i < n && reader.Next(entries_[i].prop); ++i) {
            entries_[i].found = true;
            tail += TailBytes(entries_[i].prop);
        }
    } else {
        entries_.resize(count);
        std::uint64_t listed = 0;
        for (WORD i = 0; i < count; ++i) {
            entries_[i].prop.id = ids[i];
            entries_[i].found = false;
            listed |= PropIdBit(ids[i]);
        }
        // Records are mostly written in the order their readers list the
        // properties: the entry after the last one filled is tried first, and
        // the bit set tells most unlisted properties at once.
        std::uint64_t found = 0;
        WORD next = 0;
        StoredProp p;
        while (reader.Next(p)) {
            WORD j = next;
            if (j >= count || ids[j] != p.id) {
                if (!(listed & PropIdBit(p.id))) continue;
                for (j = 0; j < count && ids[j] != p.id; ++j) {
                }
                if (j == count) continue;
            }
            entries_[j] = Entry{p, true};
            found |= PropIdBit(p.id);
            tail += TailBytes(p);
            next = static_cast<WORD>(j + 1);
        }
        // An identifier listed twice gets the property twice.
        for (WORD i = 0; i < count; ++i) {
            if (entries_[i].found || !(found & PropIdBit(ids[i]))) continue;
            for (WORD j = 0; j < count; ++j)
                if (entries_[j].found && ids[j] == ids[i]) {
                    entries_[i] = entries_[j];
                    tail += TailBytes(entries_[i].prop);
                    break;
                }
        }
    }
    if (DWORD err = reader.Finish()) {
        entries_.clear();
        bytes_ = 0;
        return err;
    }
    bytes_ = entries_.size() * sizeof(CEPROPVAL) + tail;
    return ERROR_SUCCESS;
}

void RecordBlock::Fill(BYTE* out) const
{
    // Each entry is written field by field where it belongs: building it on
    // the stack and copying it over stalls on the partly written value.
    auto* values = reinterpret_cast<CEPROPVAL*>(out);
    BYTE* tail = out + entries_.size() * sizeof(CEPROPVAL);
    for (size_t i = 0; i < entries_.size(); ++i) {
        CEPROPVAL& v = values[i];
        const Entry& e = entries_[i];
        v.propid = e.prop.id;
        v.wLenData = 0;
        v.wFlags = 0;
        v.val = CEVALUNION{};
        const StoredProp* p = &e.prop;
        if (!e.found) {
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
