#include "platform/objectstore/cedb_record_codec.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/base/error_codes.h"

static_assert(std::endian::native == std::endian::little, "stored strings are the host's UTF-16 units");

namespace platform::cedb {
namespace {

constexpr BYTE kVersion = 1;

size_t FixedSize(WORD type)
{
    switch (type) {
        case CEVT_I2:
        case CEVT_UI2:
            return 2;
        case CEVT_I4:
        case CEVT_UI4:
        case CEVT_BOOL:
            return 4;
        case CEVT_R8:
        case CEVT_FILETIME:
            return 8;
        default:
            return 0;
    }
}

void Put(std::string& out, const void* p, size_t n) { out.append(static_cast<const char*>(p), n); }

bool HasRepeatedIds(const std::vector<StoredProp>& props)
{
    // Records hold a few dozen properties at most: one bit per identifier
    // tells most apart at once, and only an identifier whose bit is taken is
    // compared with the ones before it.
    constexpr size_t kBitsFirst = 64;
    if (props.size() <= kBitsFirst) {
        std::uint64_t seen = 0;
        for (size_t i = 0; i < props.size(); ++i) {
            std::uint64_t bit = PropIdBit(props[i].id);
            if (seen & bit)
                for (size_t j = 0; j < i; ++j)
                    if (props[i].id == props[j].id) return true;
            seen |= bit;
        }
        return false;
    }
    std::vector<CEPROPID> ids;
    ids.reserve(props.size());
    for (const auto& p : props) ids.push_back(p.id);
    std::sort(ids.begin(), ids.end());
    return std::adjacent_find(ids.begin(), ids.end()) != ids.end();
}

}  // namespace

bool IsKnownType(WORD type) { return FixedSize(type) != 0 || type == CEVT_LPWSTR || type == CEVT_BLOB; }

DWORD DecodeRecord(std::string_view bytes, std::vector<StoredProp>& out)
{
    // Every record read goes through here: the walk loads fields in place
    // (fixed sizes the compiler sees) and fills a vector sized once, whose
    // capacity a reader keeps from record to record.
    out.clear();
    const auto* p = reinterpret_cast<const BYTE*>(bytes.data());
    const BYTE* const end = p + bytes.size();
    if (bytes.size() < 3 || p[0] != kVersion) return ERROR_FILE_CORRUPT;
    WORD count;
    std::memcpy(&count, p + 1, 2);
    p += 3;
    // Each property takes at least 6 bytes: a lying count fails here, before
    // anything is reserved for it.
    if (static_cast<size_t>(count) * 6 > static_cast<size_t>(end - p)) return ERROR_FILE_CORRUPT;
    out.resize(count);
    StoredProp* prop = out.data();
    for (WORD i = 0; i < count; ++i, ++prop) {
        if (end - p < 4) break;
        std::memcpy(&prop->id, p, 4);
        p += 4;
        const size_t left = static_cast<size_t>(end - p);
        size_t taken;
        switch (TypeFromPropID(prop->id)) {
            case CEVT_I2:
            case CEVT_UI2:
                taken = 2;
                if (left < taken) break;
                std::memcpy(&prop->value, p, 2);
                break;
            case CEVT_I4:
            case CEVT_UI4:
            case CEVT_BOOL:
                taken = 4;
                if (left < taken) break;
                std::memcpy(&prop->value, p, 4);
                break;
            case CEVT_R8:
            case CEVT_FILETIME:
                taken = 8;
                if (left < taken) break;
                std::memcpy(&prop->value, p, 8);
                break;
            case CEVT_LPWSTR:
            case CEVT_BLOB: {
                if (left < 4) {
                    taken = 4;
                    break;
                }
                DWORD length;
                std::memcpy(&length, p, 4);
                size_t n = TypeFromPropID(prop->id) == CEVT_LPWSTR ? static_cast<size_t>(length) * 2 : length;
                taken = 4 + n;
                if (n > left - 4) break;
                prop->data = p + 4;
                prop->length = length;
                break;
            }
            default:
                taken = left + 1;
                break;
        }
        if (taken > left) break;
        p += taken;
    }
    if (prop != out.data() + count || p != end || HasRepeatedIds(out)) {
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
    out.push_back(static_cast<char>(kVersion));
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
