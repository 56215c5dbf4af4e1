// The properties of one item of the personal-information store, held in
// memory over its record in the object store.
//
// An item reads its whole record once (Load), then gets and sets typed
// values by property identifier. Save writes only what was set or removed
// since the last load or save, so properties written into the record by
// other code (the library's own kTaskIconText, kTaskParent,
// kTaskPercentComplete, kTaskReminderLeadMinutes, kTaskNotificationHandle,
// kContactPreferredNumber, a category blob written after a save) are kept.
// A new item has no record until its first Save, which assigns the OID.
//
// Values are kept by the value type of their identifier: integers (I2, UI2,
// I4, UI4, BOOL) as LONG, R8 as double, FILETIME, strings and blobs. A typed
// getter gives nothing when the record lacks the property or holds it under
// another kind of type.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/base/types.h"
#include "platform/objectstore/cedb.h"

class OutlookItemRecord {
public:
    using Value = std::variant<LONG, double, FILETIME, std::u16string, std::vector<BYTE>>;

    // A new, empty item of the database (the database's OID).
    explicit OutlookItemRecord(CEOID database = 0);

    CEOID Database() const { return database_; }
    // 0 until a new item is saved.
    CEOID Oid() const { return oid_; }
    bool IsNew() const { return oid_ == 0; }
    // Delete removed the stored record.
    bool IsDeleted() const { return deleted_; }

    // Reads every property of record `oid` of the database, dropping any
    // unsaved change. E_INVALIDARG when oid is no record of this database
    // (the item is then unchanged).
    HRESULT Load(CEOID oid);
    // Loads the record again (a new item: drops all values).
    HRESULT Reload();

    bool Has(CEPROPID id) const;
    std::optional<std::u16string> String(CEPROPID id) const;
    // The string, or the empty string when absent.
    std::u16string StringOrEmpty(CEPROPID id) const;
    std::optional<LONG> Long(CEPROPID id) const;
    LONG LongOr(CEPROPID id, LONG fallback) const;
    std::optional<double> Double(CEPROPID id) const;
    std::optional<FILETIME> FileTime(CEPROPID id) const;
    std::optional<std::vector<BYTE>> Blob(CEPROPID id) const;
    // Every value held (read or set), by identifier.
    const std::map<CEPROPID, Value>& Values() const { return values_; }

    // Setters record a change. The value's kind must fit the identifier's
    // type (Save refuses a mismatch with E_INVALIDARG); integers are cut to
    // the width of I2 and UI2.
    void SetString(CEPROPID id, std::u16string_view value);
    void SetLong(CEPROPID id, LONG value);
    void SetDouble(CEPROPID id, double value);
    void SetFileTime(CEPROPID id, const FILETIME& value);
    void SetBlob(CEPROPID id, std::vector<BYTE> value);
    // Removes the property (deleted from the record on Save).
    void Remove(CEPROPID id);

    bool IsChanged() const { return !changed_.empty() || !removed_.empty(); }
    bool IsChanged(CEPROPID id) const { return changed_.count(id) || removed_.count(id); }

    // Writes the changes (a new item: adds its record and takes the new OID).
    // Nothing to write is S_OK without touching the store. On failure the
    // changes stay pending and the record is as before.
    HRESULT Save();
    // Deletes the record; the item becomes new and empty, and stays deleted:
    // a later Save is E_FAIL and stores nothing (until Load). A new item:
    // E_FAIL.
    HRESULT Delete();
    // A new item of the same database holding every value of this one.
    OutlookItemRecord CopyAsNew() const;

private:
    HANDLE OpenDatabase() const;

    CEOID database_ = 0;
    CEOID oid_ = 0;
    std::map<CEPROPID, Value> values_;
    std::set<CEPROPID> changed_;
    std::set<CEPROPID> removed_;
    bool deleted_ = false;
};

// The HRESULT for the thread's last error after a failed store call
// (E_FAIL when none is set).
HRESULT OutlookLastErrorResult();
