// Sections: Life and lookup; getters; setters; changing the set of properties; buffer building; Blob text.

#include "storage/ce_db_record.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/base/local_memory.h"
#include "platform/locale/date_format.h"
#include "platform/locale/locale_id.h"
#include "platform/text/wide_string.h"
#include "platform/time/system_time.h"

namespace {

constexpr DWORD RoundEven(DWORD n) { return n + (n & 1); }

bool IsPointerType(WORD type) { return type == CEVT_LPWSTR || type == CEVT_BLOB; }

// The memory a record buffer covers, for bounding reads of strings and
// blobs that should lie inside it: a damaged buffer must not send a copy
// past its end. Pointers outside the range (own blobs, a caller's text) are
// taken as they are.
struct BufferRange {
    const BYTE* begin = nullptr;
    const BYTE* end = nullptr;
    bool Holds(const void* p) const
    {
        auto* b = static_cast<const BYTE*>(p);
        return begin && b >= begin && b < end;
    }
};

// Characters of a string value, terminator excluded.
size_t TextLength(const WCHAR* text, const BufferRange& range)
{
    if (!range.Holds(text)) return wcslen(text);
    size_t room = static_cast<size_t>(range.end - reinterpret_cast<const BYTE*>(text)) / sizeof(WCHAR);
    size_t n = 0;
    while (n < room && text[n]) ++n;
    return n;
}

// Bytes of a blob value that can be read.
DWORD BlobLength(const CEBLOB& blob, const BufferRange& range)
{
    if (!blob.lpb) return 0;
    if (!range.Holds(blob.lpb)) return blob.dwCount;
    size_t room = static_cast<size_t>(range.end - blob.lpb);
    return static_cast<DWORD>(std::min<size_t>(blob.dwCount, room));
}

// Whether an entry's value points at data that a packed copy carries along.
bool CarriesText(const CEPROPVAL& p)
{
    return TypeFromPropID(p.propid) == CEVT_LPWSTR && !(p.wFlags & CEDB_PROPNOTFOUND) && p.val.lpwstr;
}
bool CarriesBlob(const CEPROPVAL& p)
{
    return TypeFromPropID(p.propid) == CEVT_BLOB && !(p.wFlags & CEDB_PROPNOTFOUND) && p.val.blob.lpb &&
           p.val.blob.dwCount;
}

CeString FileTimeText(const FILETIME& ft)
{
    SYSTEMTIME st{};
    if (!FileTimeToSystemTime(&ft, &st) || st.wYear >= 10000) return CeString();
    WCHAR date[128];
    WCHAR time[128];
    if (GetDateFormatW(LOCALE_SYSTEM_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, 128) <= 0) return CeString();
    if (GetTimeFormatW(LOCALE_SYSTEM_DEFAULT, TIME_NOSECONDS, &st, nullptr, time, 128) <= 0) return CeString();
    CeString text(date);
    text += u" ";
    text += time;
    return text;
}

}  // namespace

// ---- Life and lookup ----

CeDbRecord::CeDbRecord()
    : m_oid(0), m_count(0), m_size(0), m_props(nullptr), m_platformBuffer(false), m_database(nullptr), m_ownBlob{},
      m_ownBlobCount(0)
{}

CeDbRecord::~CeDbRecord() { FreeBuffer(); }

void CeDbRecord::FreeOwnBlob(int index)
{
    if (index < 0 || index >= kCeDbRecordMaxOwnBlobs || !m_ownBlob[index]) return;
    m_ownBlob[index] = false;
    --m_ownBlobCount;
    if (index < m_count) {
        LocalFree(m_props[index].val.blob.lpb);
        m_props[index].val.blob.lpb = nullptr;
        m_props[index].val.blob.dwCount = 0;
    }
}

void CeDbRecord::FreeOwnBlobs()
{
    for (int i = 0; m_ownBlobCount > 0 && i < kCeDbRecordMaxOwnBlobs; ++i) FreeOwnBlob(i);
}

void CeDbRecord::FreeBuffer()
{
    FreeOwnBlobs();
    if (m_props) {
        if (m_platformBuffer)
            LocalFree(m_props);
        else
            delete[] reinterpret_cast<BYTE*>(m_props);
    }
    m_props = nullptr;
    m_count = 0;
    m_size = 0;
    m_platformBuffer = false;
}

void CeDbRecord::Reset()
{
    FreeBuffer();
    m_oid = 0;
    m_database = nullptr;
}

void CeDbRecord::Attach(CEOID oid, WORD count, DWORD size, CEPROPVAL* props, HANDLE database)
{
    if (props && props == m_props) {
        // The record's own buffer handed back (a read into it): keep how it
        // is freed.
        FreeOwnBlobs();
    } else {
        FreeBuffer();
        m_props = props;
        m_platformBuffer = props != nullptr;
    }
    m_oid = oid;
    m_count = props ? count : 0;
    m_size = props ? size : 0;
    m_database = database;
}

int CeDbRecord::FindProp(CEPROPID propid) const
{
    for (int i = 0; i < m_count; ++i)
        if (m_props[i].propid == propid) return i;
    return -1;
}

int CeDbRecord::FindProp(CEPROPID propid, int hint) const
{
    if (hint >= 0 && hint < m_count && m_props[hint].propid == propid) return hint;
    return FindProp(propid);
}

bool CeDbRecord::Present(int index) const
{
    return index >= 0 && index < m_count && !(m_props[index].wFlags & CEDB_PROPNOTFOUND);
}

bool CeDbRecord::SettableNumber(int index) const
{
    return index >= 0 && index < m_count && !IsPointerType(TypeFromPropID(m_props[index].propid));
}

// ---- getters ----

bool CeDbRecord::GetIndexVal(int index, SHORT& value) const
{
    if (!Present(index)) return false;
    value = m_props[index].val.iVal;
    return true;
}

bool CeDbRecord::GetIndexVal(int index, USHORT& value) const
{
    if (!Present(index)) return false;
    value = m_props[index].val.uiVal;
    return true;
}

bool CeDbRecord::GetIndexVal(int index, LONG& value) const
{
    if (!Present(index)) return false;
    value = m_props[index].val.lVal;
    return true;
}

bool CeDbRecord::GetIndexVal(int index, ULONG& value) const
{
    if (!Present(index)) return false;
    value = m_props[index].val.ulVal;
    return true;
}

bool CeDbRecord::GetIndexVal(int index, double& value) const
{
    if (!Present(index)) return false;
    value = m_props[index].val.dblVal;
    return true;
}

bool CeDbRecord::GetIndexVal(int index, bool& value) const
{
    if (!Present(index)) return false;
    value = m_props[index].val.boolVal != 0;
    return true;
}

bool CeDbRecord::GetIndexVal(int index, FILETIME& value) const
{
    if (!Present(index)) return false;
    value = m_props[index].val.filetime;
    return true;
}

bool CeDbRecord::GetIndexVal(int index, CEBLOB* value) const
{
    if (!value) return false;
    return GetIndexVal(index, *value);
}

bool CeDbRecord::GetIndexVal(int index, CEBLOB& value) const
{
    value = CEBLOB{0, nullptr};
    if (!Present(index) || TypeFromPropID(m_props[index].propid) != CEVT_BLOB) return false;
    const CEBLOB& blob = m_props[index].val.blob;
    if (blob.dwCount && !blob.lpb) return false;
    DWORD room = blob.dwCount ? RoundEven(blob.dwCount) : 2;
    auto* copy = static_cast<BYTE*>(LocalAlloc(LPTR, room));
    if (!copy) return false;
    if (blob.dwCount) std::memcpy(copy, blob.lpb, blob.dwCount);
    value = CEBLOB{blob.dwCount, copy};
    return true;
}

bool CeDbRecord::GetIndexVal(int index, WCHAR*& text) const
{
    if (!text) return false;
    if (!Present(index) || TypeFromPropID(m_props[index].propid) != CEVT_LPWSTR) {
        text[0] = 0;
        return false;
    }
    const WCHAR* value = m_props[index].val.lpwstr;
    wcscpy(text, value ? value : u"");
    return true;
}

bool CeDbRecord::GetIndexVal(int index, CeString& text) const
{
    if (!Present(index)) {
        text.Empty();
        return false;
    }
    return PropertyText(m_props[index], text);
}

bool CeDbRecord::PropertyText(const CEPROPVAL& prop, CeString& text)
{
    const CEVALUNION& v = prop.val;
    switch (TypeFromPropID(prop.propid)) {
        case CEVT_I2:
            text = CeString(v.iVal, 10);
            return true;
        case CEVT_UI2:
            text = CeString(static_cast<ULONG>(v.uiVal), 10);
            return true;
        case CEVT_I4:
            text = CeString(v.lVal, 10);
            return true;
        case CEVT_UI4:
            text = CeString(v.ulVal, 10);
            return true;
        case CEVT_R8:
            text = CeString(v.dblVal, 3);
            return true;
        case CEVT_BOOL:
            text = v.boolVal ? u"true" : u"false";
            return true;
        case CEVT_LPWSTR:
            text = v.lpwstr ? v.lpwstr : u"";
            return true;
        case CEVT_FILETIME:
            text = FileTimeText(v.filetime);
            return true;
        case CEVT_BLOB:
            text = GetBlob(v.blob.dwCount, v.blob.lpb);
            return true;
        default:
            return false;
    }
}

// ---- setters ----

bool CeDbRecord::SetIndexVal(int index, SHORT value)
{
    if (!SettableNumber(index)) return false;
    m_props[index].val = CEVALUNION{};
    m_props[index].val.iVal = value;
    m_props[index].wFlags = 0;
    return true;
}

bool CeDbRecord::SetIndexVal(int index, USHORT value)
{
    if (!SettableNumber(index)) return false;
    m_props[index].val = CEVALUNION{};
    m_props[index].val.uiVal = value;
    m_props[index].wFlags = 0;
    return true;
}

bool CeDbRecord::SetIndexVal(int index, LONG value)
{
    if (!SettableNumber(index)) return false;
    m_props[index].val = CEVALUNION{};
    m_props[index].val.lVal = value;
    m_props[index].wFlags = 0;
    return true;
}

bool CeDbRecord::SetIndexVal(int index, ULONG value)
{
    if (!SettableNumber(index)) return false;
    m_props[index].val = CEVALUNION{};
    m_props[index].val.ulVal = value;
    m_props[index].wFlags = 0;
    return true;
}

bool CeDbRecord::SetIndexVal(int index, bool value)
{
    if (!SettableNumber(index)) return false;
    m_props[index].val = CEVALUNION{};
    m_props[index].val.boolVal = value ? TRUE : FALSE;
    m_props[index].wFlags = 0;
    return true;
}

bool CeDbRecord::SetIndexVal(int index, FILETIME value)
{
    if (!SettableNumber(index)) return false;
    m_props[index].val = CEVALUNION{};
    m_props[index].val.filetime = value;
    m_props[index].wFlags = 0;
    return true;
}

bool CeDbRecord::SetIndexVal(int index, double value)
{
    if (!SettableNumber(index)) return false;
    m_props[index].val = CEVALUNION{};
    m_props[index].val.dblVal = value;
    m_props[index].wFlags = 0;
    return true;
}

bool CeDbRecord::SetIndexVal(int index, CEBLOB value)
{
    if (index < 0 || index >= m_count || TypeFromPropID(m_props[index].propid) != CEVT_BLOB) return false;
    if (value.dwCount && !value.lpb) return false;
    CEPROPVAL& prop = m_props[index];
    bool own = index < kCeDbRecordMaxOwnBlobs && m_ownBlob[index];
    BYTE* current = (prop.wFlags & CEDB_PROPNOTFOUND) ? nullptr : prop.val.blob.lpb;
    DWORD room = !current ? 0 : own ? static_cast<DWORD>(LocalSize(current)) : prop.val.blob.dwCount;

    if (value.dwCount == 0 || (current && value.dwCount <= room)) {
        if (value.dwCount) std::memmove(current, value.lpb, value.dwCount);
        prop.val.blob = CEBLOB{value.dwCount, current};
    } else if (index < kCeDbRecordMaxOwnBlobs) {
        auto* block = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, value.dwCount));
        if (!block) return false;
        std::memcpy(block, value.lpb, value.dwCount);
        FreeOwnBlob(index);
        prop.val.blob = CEBLOB{value.dwCount, block};
        m_ownBlob[index] = true;
        ++m_ownBlobCount;
    } else {
        // No own-block flag for this index: make room in a rebuilt buffer.
        std::vector<CEPROPVAL> entries(m_props, m_props + m_count);
        entries[index].val.blob = value;
        entries[index].wFlags = 0;
        DWORD size = 0;
        CEPROPVAL* packed = Pack(entries.data(), m_count, 0, &size);
        if (!packed) return false;
        ReplaceBuffer(packed, m_count, size);
    }
    m_props[index].wFlags = 0;
    return true;
}

bool CeDbRecord::SetIndexVal(int index, const WCHAR* text)
{
    if (index < 0 || index >= m_count || TypeFromPropID(m_props[index].propid) != CEVT_LPWSTR) return false;
    if (!text) text = u"";
    CEPROPVAL& prop = m_props[index];
    WCHAR* current = (prop.wFlags & CEDB_PROPNOTFOUND) ? nullptr : prop.val.lpwstr;
    BufferRange range{reinterpret_cast<BYTE*>(m_props), reinterpret_cast<BYTE*>(m_props) + m_size};
    size_t length = wcslen(text);
    if (current && TextLength(current, range) >= length) {
        std::memmove(current, text, (length + 1) * sizeof(WCHAR));
        prop.wFlags = 0;
        return true;
    }
    // Point the entry at the new text in a copy of the array, so that
    // packing carries it into the new buffer.
    std::vector<CEPROPVAL> entries(m_props, m_props + m_count);
    entries[index].val.lpwstr = const_cast<WCHAR*>(text);
    entries[index].wFlags = 0;
    DWORD size = 0;
    CEPROPVAL* packed = Pack(entries.data(), m_count, 0, &size);
    if (!packed) return false;
    ReplaceBuffer(packed, m_count, size);
    return true;
}

// ---- changing the set of properties ----

bool CeDbRecord::AddProp(WORD id, WORD type)
{
    CEPROPID propid = MAKEPROPID(id, type);
    if (FindProp(propid) >= 0) return true;
    if (m_count == 0xFFFF) return false;
    std::vector<CEPROPVAL> entries(m_props, m_props + m_count);
    CEPROPVAL added{};
    added.propid = propid;
    entries.push_back(added);
    DWORD size = 0;
    WORD count = static_cast<WORD>(m_count + 1);
    CEPROPVAL* packed = Pack(entries.data(), count, 0, &size);
    if (!packed) return false;
    ReplaceBuffer(packed, count, size);
    return true;
}

bool CeDbRecord::AddProps(const CEPROPID* propIds, int n)
{
    if (!propIds && n > 0) return false;
    bool all = true;
    for (int i = 0; i < n; ++i)
        if (!AddProp(PropIdNumber(propIds[i]), TypeFromPropID(propIds[i]))) all = false;
    return all;
}

bool CeDbRecord::RemProp(int index)
{
    if (index < 0 || index >= m_count) return false;
    m_props[index].wFlags = CEDB_PROPDELETE;
    return true;
}

bool CeDbRecord::RemProp(WORD id, WORD type) { return RemProp(FindProp(MAKEPROPID(id, type))); }

bool CeDbRecord::DupProps(const CEPROPVAL* props, WORD count, DWORD size)
{
    if (!props && count) return false;
    DWORD packedSize = 0;
    CEPROPVAL* packed = Pack(props, count, size, &packedSize);
    if (!packed) return false;
    ReplaceBuffer(packed, count, packedSize);
    return true;
}

// ---- buffer building ----

CEPROPVAL* CeDbRecord::Pack(const CEPROPVAL* props, WORD count, DWORD minSize, DWORD* packedSize) const
{
    BufferRange range{reinterpret_cast<const BYTE*>(m_props), reinterpret_cast<const BYTE*>(m_props) + m_size};
    size_t needed = static_cast<size_t>(count) * sizeof(CEPROPVAL);
    for (int i = 0; i < count; ++i) {
        if (CarriesText(props[i]))
            needed += (TextLength(props[i].val.lpwstr, range) + 1) * sizeof(WCHAR);
        else if (CarriesBlob(props[i]))
            needed += RoundEven(BlobLength(props[i].val.blob, range));
    }
    size_t total = std::max<size_t>(needed, minSize);
    if (total > 0xFFFFFFFFu) return nullptr;
    auto* block = new (std::nothrow) BYTE[total ? total : 1]();
    if (!block) return nullptr;

    auto* entries = reinterpret_cast<CEPROPVAL*>(block);
    BYTE* data = block + static_cast<size_t>(count) * sizeof(CEPROPVAL);
    for (int i = 0; i < count; ++i) {
        const CEPROPVAL& from = props[i];
        CEPROPVAL& to = entries[i];
        to = from;
        if (CarriesText(from)) {
            size_t length = TextLength(from.val.lpwstr, range);
            auto* text = reinterpret_cast<WCHAR*>(data);
            std::memcpy(text, from.val.lpwstr, length * sizeof(WCHAR));
            text[length] = 0;
            to.val.lpwstr = text;
            data += (length + 1) * sizeof(WCHAR);
        } else if (CarriesBlob(from)) {
            DWORD length = BlobLength(from.val.blob, range);
            std::memcpy(data, from.val.blob.lpb, length);
            to.val.blob = CEBLOB{length, data};
            data += RoundEven(length);
        } else if (IsPointerType(TypeFromPropID(from.propid))) {
            // Nothing to carry: keep a count of 0 rather than a pointer into
            // the old buffer.
            to.val = CEVALUNION{};
        }
    }
    *packedSize = static_cast<DWORD>(total);
    return entries;
}

void CeDbRecord::ReplaceBuffer(CEPROPVAL* props, WORD count, DWORD size)
{
    FreeBuffer();
    m_props = props;
    m_count = count;
    m_size = size;
    m_platformBuffer = false;
}

// ---- Blob text ----

CeString GetBlob(ULONG count, const BYTE* bytes)
{
    if (!bytes || !count) return CeString();
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string text;
    text.reserve(static_cast<size_t>(count) * 3);
    for (ULONG i = 0; i < count; ++i) {
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 0x0F]);
        text.push_back(u' ');
    }
    return CeString(text.c_str(), static_cast<int>(text.size()));
}
