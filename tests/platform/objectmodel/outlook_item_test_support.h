// Shared pieces of the object-model item tests.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/base/last_error.h"
#include "platform/base/local_block.h"
#include "platform/kernel/handle.h"
#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/outlook_appointment.h"
#include "platform/objectmodel/outlook_item_factory.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/objectstore/cedb.h"
#include "platform/objectstore/store_schema.h"
#include "platform/recurrence/recurrence_rule.h"
#include "platform/text/bstr.h"
#include "platform/text/owned_bstr.h"
#include "platform/time/system_time.h"
#include "platform/time/time_zone.h"
#include "tests/support/device_sandbox.h"
#include "tests/support/store_records.h"
#include "tests/support/test_dates.h"

#define EXPECT_DATE(actual, expected) EXPECT_NEAR((actual), (expected), 1e-7)

namespace outlooktest {

using platform::ComRef;
using platform::OwnedBstr;

// The dispatch's Item interface; the dispatch reference is given up.
template <class Item>
ComRef<Item> As(ComRef<IDispatch> dispatch)
{
    ComRef<Item> item;
    EXPECT_EQ(dispatch->QueryInterface(Item::kIid, reinterpret_cast<void**>(item.Put())), S_OK);
    return item;
}

template <class Item>
ComRef<Item> MakeItem(LPCWSTR database, CEOID oid, HRESULT (*make)(IPOutlookApp*, OutlookItemRecord, IDispatch**))
{
    OutlookItemRecord record(PimDatabases::Oid(database));
    if (oid && FAILED(record.Load(oid))) return {};
    ComRef<IDispatch> dispatch;
    if (FAILED(make(nullptr, std::move(record), dispatch.Put()))) return {};
    return As<Item>(std::move(dispatch));
}

// One-line reads and writes of an item's properties.
template <class T, class ItemRef, class Base>
T Get(const ItemRef& item, HRESULT (Base::*getter)(T*))
{
    T value{};
    ((*item).*getter)(&value);
    return value;
}

template <class ItemRef, class Base>
std::u16string Text(const ItemRef& item, HRESULT (Base::*getter)(BSTR*))
{
    OwnedBstr text;
    ((*item).*getter)(text.Put());
    return text.Text();
}

template <class ItemRef, class Base>
HRESULT PutText(const ItemRef& item, HRESULT (Base::*setter)(BSTR), const char16_t* text)
{
    OwnedBstr value(text);
    return ((*item).*setter)(value);
}

template <class ItemRef>
CEOID OidOf(const ItemRef& item)
{
    LONG oid = 0;
    item->get_Oid(&oid);
    return static_cast<CEOID>(oid);
}

// Saves the item (the save must succeed), gives it up and returns its OID.
template <class Item>
CEOID SaveAndClose(ComRef<Item>& item)
{
    EXPECT_EQ(item->Save(), S_OK);
    const CEOID oid = OidOf(item);
    item.Reset();
    return oid;
}

// Adds an attendee (with an address when one is given) to the appointment's recipients.
inline void AddAttendee(const ComRef<IAppointment>& item, const char16_t* name, const char16_t* address = nullptr)
{
    ComRef<IRecipients> recipients;
    item->get_Recipients(recipients.Put());
    ComRef<IRecipient> added;
    EXPECT_EQ(recipients->Add(OwnedBstr(name), added.Put()), S_OK);
    if (address) PutText(added, &IRecipient::put_Address, address);
}

using kstest::LocalFileTime;
using kstest::Ole;

// One stored property of a record, read through the object store.
struct RawProp {
    bool found = false;
    CEPROPVAL val{};
    std::vector<BYTE> bytes;  // blobs
    std::u16string text;      // strings
};

inline RawProp ReadRaw(LPCWSTR database, CEOID oid, CEPROPID id)
{
    RawProp result;
    CEOID dbOid = 0;
    HANDLE db = CeOpenDatabase(&dbOid, database, 0, 0, nullptr);
    if (db == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "open failed: " << GetLastError();
        return result;
    }
    if (CeSeekDatabase(db, CEDB_SEEK_CEOID, oid, nullptr) != oid) {
        ADD_FAILURE() << "no record " << oid << ": " << GetLastError();
    } else {
        WORD count = 1;
        platform::LocalBlock block;
        DWORD size = 0;
        if (CeReadRecordProps(db, CEDB_ALLOWREALLOC, &count, &id, block.InOut(), &size) == oid) {
            const CEPROPVAL* prop = block.As<const CEPROPVAL>();
            result.found = !(prop->wFlags & CEDB_PROPNOTFOUND);
            result.val = *prop;
            if (result.found && TypeFromPropID(id) == CEVT_BLOB)
                result.bytes.assign(prop->val.blob.lpb, prop->val.blob.lpb + prop->val.blob.dwCount);
            if (result.found && TypeFromPropID(id) == CEVT_LPWSTR) result.text = prop->val.lpwstr;
            // The block is freed at the end of the scope: drop the pointers into it.
            if (TypeFromPropID(id) == CEVT_BLOB || TypeFromPropID(id) == CEVT_LPWSTR) result.val.val = CEVALUNION{};
        } else {
            ADD_FAILURE() << "read failed: " << GetLastError();
        }
    }
    CloseHandle(db);
    return result;
}

// Writes to record `oid` (0: a new one); its OID, 0 on failure.
inline CEOID WriteRaw(LPCWSTR database, CEOID oid, std::vector<CEPROPVAL> props)
{
    const CEOID written = kstest::WritePimRecord(database, props, oid);
    return oid && written != oid ? 0 : written;
}

inline int RecordCount(LPCWSTR database)
{
    CEOID oid = PimDatabases::Oid(database);
    CEOIDINFO info{};
    if (!CeOidGetInfo(oid, &info)) return -1;
    return info.infDatabase.wNumRecords;
}

// The OLE date of a day counted from 1601 (OLE day 0 is day 109205).
inline DATE OleDayOf(platform::RecurrenceDay day) { return day - 109205.0; }

// An unsaved 30-minute appointment at `deviceStart` with `r` set through IRecurrencePattern.
inline ComRef<IAppointment> MakeSeries(const platform::RecurrenceRule& r, DATE deviceStart,
                                       const TIME_ZONE_INFORMATION* zone)
{
    ComRef<IAppointment> item = MakeItem<IAppointment>(kAppointmentsDatabase, 0, MakeOutlookAppointment);
    if (zone) item->put_TimeZone(const_cast<TIME_ZONE_INFORMATION*>(zone));
    item->put_Start(deviceStart);
    item->put_Duration(30);
    ComRef<IRecurrencePattern> p;
    item->GetRecurrencePattern(p.Put());
    p->put_PatternStartDate(OleDayOf(r.patternStartDay));
    p->put_RecurrenceType(r.type);
    p->put_Interval(r.interval);
    if (r.type == olRecursDaily || r.dayOfWeekMask) p->put_DayOfWeekMask(r.dayOfWeekMask);
    if (r.dayOfMonth) p->put_DayOfMonth(r.dayOfMonth);
    if (r.instance) p->put_Instance(r.instance);
    if (r.monthOfYear) p->put_MonthOfYear(r.monthOfYear);
    if (r.end == platform::RecurrenceEnd::kAfterOccurrences) p->put_Occurrences(r.occurrences);
    if (r.end == platform::RecurrenceEnd::kByDate) p->put_PatternEndDate(OleDayOf(r.patternEndDay));
    return item;
}

// A store of its own per test, with the device zone pinned.
class OutlookItemTest : public DeviceSandbox {
protected:
    void SetUp() override
    {
        DeviceSandbox::SetUp();
        platform::CloseObjectStore();
        ASSERT_TRUE(platform::SetDeviceTimeZone(u"UTC"));
    }
    void TearDown() override
    {
        platform::CloseObjectStore();
        platform::ResetDeviceTimeZone();
        DeviceSandbox::TearDown();
    }
};

}  // namespace outlooktest
