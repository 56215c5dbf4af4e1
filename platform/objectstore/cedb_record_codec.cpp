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

}  // namespace

bool IsKnownType(WORD type) { return FixedSize(type) != 0 || type == CEVT_LPWSTR || type == CEVT_BLOB; }

RecordReader::RecordReader(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const BYTE*>(bytes.data());
    end_ = p + bytes.size();
    // Each property takes at least 6 bytes: a lying count fails here, before
    // anything is reserved for it.
    if (bytes.size() < 3 || p[0] != kVersion) {
        damaged_ = true;
        return;
    }
    std::memcpy(&count_, p + 1, 2);
    p_ = p + 3;
    if (static_cast<size_t>(count_) * 6 > bytes.size() - 3) {
        count_ = 0;
        damaged_ = true;
        return;
    }
    if (count_ > kSeenMax) many_.reserve(count_);
}

DWORD RecordReader::Finish()
{
    if (damaged_ || read_ != count_ || p_ != end_) return ERROR_FILE_CORRUPT;
    if (!many_.empty()) {
        std::sort(many_.begin(), many_.end());
        if (std::adjacent_find(many_.begin(), many_.end()) != many_.end()) return ERROR_FILE_CORRUPT;
    }
    return ERROR_SUCCESS;
}

DWORD DecodeRecord(std::string_view bytes, std::vector<StoredProp>& out)
{
    // A reader keeps the vector's capacity from record to record.
    RecordReader reader(bytes);
    const WORD count = reader.Count();
    out.resize(count);
    for (WORD i = 0; i < count && reader.Next(out[i]); ++i) {
    }
    if (DWORD err = reader.Finish()) {
        out.clear();
        return err;
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
