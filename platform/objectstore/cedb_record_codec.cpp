#include "platform/objectstore/cedb_record_codec.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/base/error_codes.h"

static_assert(std::endian::native == std::endian::little, "stored strings are the host's UTF-16 units");

namespace platform::cedb {
namespace {

void Put(std::string& out, const void* p, size_t n) { out.append(static_cast<const char*>(p), n); }

// id(i) gives the i-th of n identifiers.
template <class IdAt>
bool Repeated(size_t n, IdAt id)
{
    // Records hold a few dozen properties at most: one bit per identifier
    // tells most apart at once, and only an identifier whose bit is taken is
    // compared with the ones before it.
    constexpr size_t kBitsFirst = 64;
    if (n <= kBitsFirst) {
        std::uint64_t seen = 0;
        for (size_t i = 0; i < n; ++i) {
            std::uint64_t bit = PropIdBit(id(i));
            if (seen & bit)
                for (size_t j = 0; j < i; ++j)
                    if (id(i) == id(j)) return true;
            seen |= bit;
        }
        return false;
    }
    std::vector<CEPROPID> ids;
    ids.reserve(n);
    for (size_t i = 0; i < n; ++i) ids.push_back(id(i));
    std::sort(ids.begin(), ids.end());
    return std::adjacent_find(ids.begin(), ids.end()) != ids.end();
}

}  // namespace

bool IsKnownType(WORD type) { return FixedSize(type) != 0 || type == CEVT_LPWSTR || type == CEVT_BLOB; }

bool HasRepeatedIds(const CEPROPID* ids, size_t count)
{
    return Repeated(count, [ids](size_t i) { return ids[i]; });
}

DWORD DecodeRecord(std::string_view bytes, std::vector<StoredProp>& out)
{
    // Fills a vector sized once, whose capacity a caller keeps from record
    // to record.
    out.clear();
    WORD count;
    const BYTE* p;
    if (!RecordHeader(bytes, &count, &p)) return ERROR_FILE_CORRUPT;
    const BYTE* const end = p + (bytes.size() - 3);
    out.resize(count);
    for (StoredProp& prop : out) {
        DWORD length = 0;
        const BYTE* next = StepProp(p, end, &prop.id, &length);
        if (!next) break;
        const WORD type = TypeFromPropID(prop.id);
        if (type == CEVT_LPWSTR || type == CEVT_BLOB) {
            prop.data = p + 8;
            prop.length = length;
        } else {
            std::memcpy(&prop.value, p + 4, FixedSize(type));
        }
        p = next;
        --count;
    }
    if (count || p != end || Repeated(out.size(), [&out](size_t i) { return out[i].id; })) {
        out.clear();
        return ERROR_FILE_CORRUPT;
    }
    return ERROR_SUCCESS;
}

std::string EncodeRecord(const std::vector<StoredProp>& props)
{
    std::string out;
    size_t size = 3;
    for (const auto& p : props)
        size += 8 + (p.data ? (TypeFromPropID(p.id) == CEVT_LPWSTR ? 2 * p.length : p.length) : 0);
    out.reserve(size);
    out.push_back(static_cast<char>(kRecordVersion));
    auto count = static_cast<WORD>(props.size());
    Put(out, &count, 2);
    for (const auto& p : props) {
        Put(out, &p.id, 4);
        WORD type = TypeFromPropID(p.id);
        if (size_t fixed = FixedSize(type)) {
            Put(out, &p.value, fixed);
        } else {
            Put(out, &p.length, 4);
            size_t n = type == CEVT_LPWSTR ? static_cast<size_t>(p.length) * 2 : p.length;
            if (n) Put(out, p.data, n);
        }
    }
    return out;
}

DWORD PropFromValue(const CEPROPVAL& value, StoredProp& out)
{
    WORD type = TypeFromPropID(value.propid);
    if (!IsKnownType(type)) return ERROR_INVALID_PARAMETER;
    out = StoredProp{};
    out.id = value.propid;
    if (type == CEVT_LPWSTR) {
        const WCHAR* s = value.val.lpwstr;
        size_t n = 0;
        if (s)
            while (s[n]) ++n;
        if (n * 2 > kMaxRecordBytes) return ERROR_BAD_LENGTH;
        out.data = reinterpret_cast<const BYTE*>(s);
        out.length = static_cast<DWORD>(n);
    } else if (type == CEVT_BLOB) {
        if (value.val.blob.dwCount && !value.val.blob.lpb) return ERROR_INVALID_PARAMETER;
        if (value.val.blob.dwCount > kMaxRecordBytes) return ERROR_BAD_LENGTH;
        out.data = value.val.blob.lpb;
        out.length = value.val.blob.dwCount;
    } else {
        std::memcpy(&out.value, &value.val, FixedSize(type));
    }
    return ERROR_SUCCESS;
}

DWORD MergeProps(std::vector<StoredProp>& props, const CEPROPVAL* values, WORD count)
{
    for (WORD i = 0; i < count; ++i) {
        const CEPROPVAL& v = values[i];
        auto it = std::find_if(props.begin(), props.end(), [&](const StoredProp& p) { return p.id == v.propid; });
        if (v.wFlags & CEDB_PROPDELETE) {
            if (it != props.end()) props.erase(it);
            continue;
        }
        StoredProp prop;
        if (DWORD err = PropFromValue(v, prop)) return err;
        if (it != props.end())
            *it = prop;
        else
            props.push_back(prop);
    }
    if (props.size() > 0xFFFF) return ERROR_BAD_LENGTH;
    return ERROR_SUCCESS;
}

}  // namespace platform::cedb
