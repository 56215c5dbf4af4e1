#include "platform/objectmodel/outlook_item_record.h"

#include <cstring>
#include <type_traits>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/base/local_block.h"
#include "platform/kernel/handle.h"

namespace {

bool IsIntegerType(WORD type)
{
    return type == CEVT_I2 || type == CEVT_UI2 || type == CEVT_I4 || type == CEVT_UI4 || type == CEVT_BOOL;
}

// The stored value of one read property, by its identifier's type.
bool ValueFromProp(const CEPROPVAL& prop, OutlookItemRecord::Value& value)
{
    switch (TypeFromPropID(prop.propid)) {
        case CEVT_I2:
            value = LONG{prop.val.iVal};
            return true;
        case CEVT_UI2:
            value = LONG{prop.val.uiVal};
            return true;
        case CEVT_I4:
            value = prop.val.lVal;
            return true;
        case CEVT_UI4:
            value = static_cast<LONG>(prop.val.ulVal);
            return true;
        case CEVT_BOOL:
            value = LONG{prop.val.boolVal};
            return true;
        case CEVT_R8:
            value = prop.val.dblVal;
            return true;
        case CEVT_FILETIME:
            value = prop.val.filetime;
            return true;
        case CEVT_LPWSTR:
            value = std::u16string(prop.val.lpwstr ? prop.val.lpwstr : u"");
            return true;
        case CEVT_BLOB: {
            const BYTE* bytes = prop.val.blob.lpb;
            value = std::vector<BYTE>(bytes, bytes ? bytes + prop.val.blob.dwCount : bytes);
            return true;
        }
        default:
            return false;
    }
}

// Fills prop from value; false when the value's kind does not fit the type.
// Strings and blobs point into value, which must outlive the write.
bool PropFromValue(CEPROPID id, OutlookItemRecord::Value& value, CEPROPVAL& prop)
{
    prop = CEPROPVAL{};
    prop.propid = id;
    const WORD type = TypeFromPropID(id);
    if (IsIntegerType(type)) {
        const LONG* number = std::get_if<LONG>(&value);
        if (!number) return false;
        if (type == CEVT_I2)
            prop.val.iVal = static_cast<short>(*number);
        else if (type == CEVT_UI2)
            prop.val.uiVal = static_cast<USHORT>(*number);
        else if (type == CEVT_UI4)
            prop.val.ulVal = static_cast<ULONG>(*number);
        else if (type == CEVT_BOOL)
            prop.val.boolVal = *number;
        else
            prop.val.lVal = *number;
        return true;
    }
    if (type == CEVT_R8) {
        const double* number = std::get_if<double>(&value);
        if (!number) return false;
        prop.val.dblVal = *number;
        return true;
    }
    if (type == CEVT_FILETIME) {
        const FILETIME* time = std::get_if<FILETIME>(&value);
        if (!time) return false;
        prop.val.filetime = *time;
        return true;
    }
    if (type == CEVT_LPWSTR) {
        std::u16string* text = std::get_if<std::u16string>(&value);
        if (!text) return false;
        prop.val.lpwstr = text->data();
        return true;
    }
    if (type == CEVT_BLOB) {
        std::vector<BYTE>* bytes = std::get_if<std::vector<BYTE>>(&value);
        if (!bytes) return false;
        prop.val.blob.dwCount = static_cast<DWORD>(bytes->size());
        prop.val.blob.lpb = bytes->data();
        return true;
    }
    return false;
}

template <class T>
std::optional<T> Get(const std::map<CEPROPID, OutlookItemRecord::Value>& values, CEPROPID id)
{
    auto found = values.find(id);
    if (found == values.end()) return std::nullopt;
    if (const T* value = std::get_if<T>(&found->second)) return *value;
    return std::nullopt;
}

}  // namespace

HRESULT OutlookLastErrorResult()
{
    const DWORD error = GetLastError();
    if (error == ERROR_NOT_FOUND || error == ERROR_KEY_DELETED) return E_INVALIDARG;
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

OutlookItemRecord::OutlookItemRecord(CEOID database) : database_(database) {}

HANDLE OutlookItemRecord::OpenDatabase() const
{
    CEOID database = database_;
    return CeOpenDatabaseEx(nullptr, &database, nullptr, 0, 0, nullptr);
}

HRESULT OutlookItemRecord::Load(CEOID oid)
{
    if (!oid || !database_) return E_INVALIDARG;
    HANDLE db = OpenDatabase();
    if (db == INVALID_HANDLE_VALUE) return OutlookLastErrorResult();
    // The seek fails for an OID of another database or of no record.
    if (CeSeekDatabase(db, CEDB_SEEK_CEOID, oid, nullptr) != oid) {
        CloseHandle(db);
        return E_INVALIDARG;
    }
    WORD count = 0;
    platform::LocalBlock block;
    DWORD size = 0;
    const CEOID read = CeReadRecordProps(db, CEDB_ALLOWREALLOC, &count, nullptr, block.InOut(), &size);
    const HRESULT failure = read ? S_OK : OutlookLastErrorResult();
    CloseHandle(db);
    if (!read) return failure;
    std::map<CEPROPID, Value> values;
    const CEPROPVAL* props = block.As<const CEPROPVAL>();
    for (WORD i = 0; i < count; ++i) {
        if (props[i].wFlags & CEDB_PROPNOTFOUND) continue;
        Value value;
        if (ValueFromProp(props[i], value)) values[props[i].propid] = std::move(value);
    }
    oid_ = oid;
    deleted_ = false;
    values_ = std::move(values);
    changed_.clear();
    removed_.clear();
    return S_OK;
}

HRESULT OutlookItemRecord::Reload()
{
    if (IsNew()) {
        values_.clear();
        changed_.clear();
        removed_.clear();
        return S_OK;
    }
    return Load(oid_);
}

bool OutlookItemRecord::Has(CEPROPID id) const { return values_.count(id) != 0; }

std::optional<std::u16string> OutlookItemRecord::String(CEPROPID id) const { return Get<std::u16string>(values_, id); }

std::u16string OutlookItemRecord::StringOrEmpty(CEPROPID id) const { return String(id).value_or(std::u16string()); }

std::optional<LONG> OutlookItemRecord::Long(CEPROPID id) const { return Get<LONG>(values_, id); }

LONG OutlookItemRecord::LongOr(CEPROPID id, LONG fallback) const { return Long(id).value_or(fallback); }

std::optional<double> OutlookItemRecord::Double(CEPROPID id) const { return Get<double>(values_, id); }

std::optional<FILETIME> OutlookItemRecord::FileTime(CEPROPID id) const { return Get<FILETIME>(values_, id); }

std::optional<std::vector<BYTE>> OutlookItemRecord::Blob(CEPROPID id) const
{
    return Get<std::vector<BYTE>>(values_, id);
}

void OutlookItemRecord::SetString(CEPROPID id, std::u16string_view value)
{
    values_[id] = std::u16string(value);
    changed_.insert(id);
    removed_.erase(id);
}

void OutlookItemRecord::SetLong(CEPROPID id, LONG value)
{
    const WORD type = TypeFromPropID(id);
    if (type == CEVT_I2)
        value = static_cast<short>(value);
    else if (type == CEVT_UI2)
        value = static_cast<USHORT>(value);
    values_[id] = value;
    changed_.insert(id);
    removed_.erase(id);
}

void OutlookItemRecord::SetDouble(CEPROPID id, double value)
{
    values_[id] = value;
    changed_.insert(id);
    removed_.erase(id);
}

void OutlookItemRecord::SetFileTime(CEPROPID id, const FILETIME& value)
{
    values_[id] = value;
    changed_.insert(id);
    removed_.erase(id);
}

void OutlookItemRecord::SetBlob(CEPROPID id, std::vector<BYTE> value)
{
    values_[id] = std::move(value);
    changed_.insert(id);
    removed_.erase(id);
}

void OutlookItemRecord::Remove(CEPROPID id)
{
    values_.erase(id);
    changed_.erase(id);
    // A new item has nothing stored to delete.
    if (!IsNew()) removed_.insert(id);
}

HRESULT OutlookItemRecord::Save()
{
    // A deleted item is not brought back as a new record.
    if (!database_ || deleted_) return E_FAIL;
    if (!IsChanged() && !IsNew()) return S_OK;
    std::vector<CEPROPVAL> props;
    // A new record gets every value; an existing one the changed ones.
    for (auto& [id, value] : values_) {
        if (!IsNew() && !changed_.count(id)) continue;
        CEPROPVAL prop;
        if (!PropFromValue(id, value, prop)) return E_INVALIDARG;
        props.push_back(prop);
    }
    for (CEPROPID id : removed_) {
        CEPROPVAL prop{};
        prop.propid = id;
        prop.wFlags = CEDB_PROPDELETE;
        props.push_back(prop);
    }
    if (props.size() > 0xFFFF) return E_INVALIDARG;
    HANDLE db = OpenDatabase();
    if (db == INVALID_HANDLE_VALUE) return OutlookLastErrorResult();
    const CEOID written = CeWriteRecordProps(db, oid_, static_cast<WORD>(props.size()), props.data());
    const HRESULT failure = written ? S_OK : OutlookLastErrorResult();
    CloseHandle(db);
    if (!written) return failure;
    oid_ = written;
    changed_.clear();
    removed_.clear();
    return S_OK;
}

HRESULT OutlookItemRecord::Delete()
{
    if (IsNew()) return E_FAIL;
    HANDLE db = OpenDatabase();
    if (db == INVALID_HANDLE_VALUE) return OutlookLastErrorResult();
    const BOOL deleted = CeDeleteRecord(db, oid_);
    const HRESULT failure = deleted ? S_OK : OutlookLastErrorResult();
    CloseHandle(db);
    if (!deleted) return failure;
    oid_ = 0;
    deleted_ = true;
    values_.clear();
    changed_.clear();
    removed_.clear();
    return S_OK;
}

OutlookItemRecord OutlookItemRecord::CopyAsNew() const
{
    OutlookItemRecord copy(database_);
    copy.values_ = values_;
    for (const auto& entry : values_) copy.changed_.insert(entry.first);
    return copy;
}
