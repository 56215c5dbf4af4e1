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

class Reader {
public:
    explicit Reader(std::string_view bytes) : p_(reinterpret_cast<const BYTE*>(bytes.data())), left_(bytes.size()) {}
    bool Take(void* out, size_t n)
    {
        if (n > left_) return false;
        std::memcpy(out, p_, n);
        p_ += n;
        left_ -= n;
        return true;
    }
    const BYTE* Skip(size_t n)
    {
        if (n > left_) return nullptr;
        const BYTE* at = p_;
        p_ += n;
        left_ -= n;
        return at;
    }
    size_t Left() const { return left_; }

private:
    const BYTE* p_;
    size_t left_;
};

void Put(std::string& out, const void* p, size_t n) { out.append(static_cast<const char*>(p), n); }

bool HasRepeatedIds(const std::vector<StoredProp>& props)
{
    // Records hold a few dozen properties at most: comparing each pair costs
    // less than sorting a copy.
    constexpr size_t kPairwise = 64;
    if (props.size() <= kPairwise) {
        for (size_t i = 1; i < props.size(); ++i)
            for (size_t j = 0; j < i; ++j)
                if (props[i].id == props[j].id) return true;
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
    out.clear();
    Reader in(bytes);
    BYTE version = 0;
    WORD count = 0;
    if (!in.Take(&version, 1) || version != kVersion || !in.Take(&count, 2)) return ERROR_FILE_CORRUPT;
    // Each property takes at least 6 bytes: a lying count fails here, before
    // anything is reserved for it.
    if (static_cast<size_t>(count) * 6 > in.Left()) return ERROR_FILE_CORRUPT;
    out.reserve(count);
    for (WORD i = 0; i < count; ++i) {
        StoredProp prop;
        if (!in.Take(&prop.id, 4)) return ERROR_FILE_CORRUPT;
        WORD type = TypeFromPropID(prop.id);
        if (size_t fixed = FixedSize(type)) {
            if (!in.Take(&prop.value, fixed)) return ERROR_FILE_CORRUPT;
        } else if (type == CEVT_LPWSTR || type == CEVT_BLOB) {
            DWORD length = 0;
            if (!in.Take(&length, 4)) return ERROR_FILE_CORRUPT;
            size_t bytesNeeded = type == CEVT_LPWSTR ? static_cast<size_t>(length) * 2 : length;
            prop.data = in.Skip(bytesNeeded);
            if (!prop.data) return ERROR_FILE_CORRUPT;
            prop.length = length;
        } else {
            return ERROR_FILE_CORRUPT;
        }
        out.push_back(prop);
    }
    if (in.Left() != 0 || HasRepeatedIds(out)) {
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
