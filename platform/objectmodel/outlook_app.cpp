#include "platform/objectmodel/outlook_app.h"

#include "platform/modules/city_db.h"
#include "platform/modules/libraries.h"
#include "platform/objectmodel/outlook_folder.h"
#include "platform/objectmodel/outlook_item_factory.h"
#include "platform/objectmodel/outlook_item_record.h"
#include "platform/objectmodel/pim_databases.h"

HRESULT OutlookApp::Logon(LONG)
{
    if (!PimDatabases::Ensure()) return OutlookLastErrorResult();
    appointments_ = PimDatabases::Oid(kAppointmentsDatabase);
    tasks_ = PimDatabases::Oid(kTasksDatabase);
    contacts_ = PimDatabases::Oid(kContactsDatabase);
    if (!appointments_ || !tasks_ || !contacts_) return OutlookLastErrorResult();
    loggedOn_ = true;
    return S_OK;
}

HRESULT OutlookApp::Logoff()
{
    if (!loggedOn_) return E_FAIL;
    loggedOn_ = false;
    infrared_.clear();
    return S_OK;
}

HRESULT OutlookApp::get_Version(BSTR* version)
{
    if (!version) return E_POINTER;
    *version = SysAllocString(u"3.0");
    return *version ? S_OK : E_OUTOFMEMORY;
}

CEOID OutlookApp::DatabaseOf(int kind) const
{
    if (!loggedOn_) return 0;
    switch (kind) {
        case olAppointmentItem:
            return appointments_;
        case olTaskItem:
            return tasks_;
        case olContactItem:
            return contacts_;
        default:
            return 0;
    }
}

int OutlookApp::KindOfDatabase(CEOID database) const
{
    if (!loggedOn_ || !database) return 0;
    if (database == appointments_) return olAppointmentItem;
    if (database == tasks_) return olTaskItem;
    if (database == contacts_) return olContactItem;
    return 0;
}

HRESULT OutlookApp::GetDefaultFolder(int folder, IFolder** result)
{
    if (!result) return E_POINTER;
    *result = nullptr;
    if (!loggedOn_) return E_FAIL;
    switch (folder) {
        case olFolderCalendar:
            *result = new OutlookFolder(this, olAppointmentItem);
            return S_OK;
        case olFolderContacts:
            *result = new OutlookFolder(this, olContactItem);
            return S_OK;
        case olFolderTasks:
            *result = new OutlookFolder(this, olTaskItem);
            return S_OK;
        case olFolderInfrared:
            *result = new OutlookFolder(this, 0);
            return S_OK;
        default:
            // This store keeps no cities.
            return E_INVALIDARG;
    }
}

HRESULT OutlookApp::CreateItem(int kind, IDispatch** item)
{
    if (!item) return E_POINTER;
    *item = nullptr;
    if (!loggedOn_) return E_FAIL;
    const CEOID database = DatabaseOf(kind);
    if (!database) return E_INVALIDARG;
    OutlookItemRecord record(database);
    switch (kind) {
        case olAppointmentItem:
            return MakeOutlookAppointment(this, std::move(record), item);
        case olTaskItem:
            return MakeOutlookTask(this, std::move(record), item);
        default:
            return MakeOutlookContact(this, std::move(record), item);
    }
}

HRESULT OutlookApp::GetItemFromOid(LONG oid, IDispatch** item)
{
    if (!item) return E_POINTER;
    *item = nullptr;
    if (!loggedOn_) return E_FAIL;
    CEOIDINFO info{};
    if (!oid || !CeOidGetInfo(static_cast<CEOID>(oid), &info) || info.wObjType != OBJTYPE_RECORD) return E_INVALIDARG;
    const int kind = KindOfDatabase(info.infRecord.oidParent);
    if (!kind) return E_INVALIDARG;
    OutlookItemRecord record(info.infRecord.oidParent);
    const HRESULT loaded = record.Load(static_cast<CEOID>(oid));
    if (FAILED(loaded)) return loaded;
    switch (kind) {
        case olAppointmentItem:
            return MakeOutlookAppointment(this, std::move(record), item);
        case olTaskItem:
            return MakeOutlookTask(this, std::move(record), item);
        default:
            return MakeOutlookContact(this, std::move(record), item);
    }
}

HRESULT OutlookApp::GetTimeZoneInformationFromIndex(int index, TIME_ZONE_INFORMATION* tzi)
{
    if (!tzi) return E_POINTER;
    if (!loggedOn_) return E_FAIL;
    HMODULE library = LoadLibraryW(u"citydb.dll");
    if (!library) return E_FAIL;
    auto load = reinterpret_cast<PFN_ClockLoadAllTimeZoneData>(GetProcAddress(library, "ClockLoadAllTimeZoneData"));
    auto free = reinterpret_cast<PFN_ClockFreeAllTimeZoneData>(GetProcAddress(library, "ClockFreeAllTimeZoneData"));
    auto zone =
        reinterpret_cast<PFN_ClockGetTimeZoneDataByOffset>(GetProcAddress(library, "ClockGetTimeZoneDataByOffset"));
    HRESULT result = E_FAIL;
    if (load && free && zone && load()) {
        const CITYDB_TIME_ZONE* record = zone(index, nullptr);
        if (record) {
            *tzi = record->tzi;
            result = S_OK;
        } else {
            result = E_INVALIDARG;
        }
        free();
    }
    FreeLibrary(library);
    return result;
}

HRESULT OutlookApp::get_OutlookCompatible(VARIANT_BOOL* compatible)
{
    if (!compatible) return E_POINTER;
    *compatible = VARIANT_TRUE;
    return S_OK;
}
