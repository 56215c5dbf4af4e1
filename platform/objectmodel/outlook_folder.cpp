#include "platform/objectmodel/outlook_folder.h"

#include "platform/kernel/handle.h"
#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/outlook_app.h"
#include "platform/objectmodel/outlook_item_collection.h"

namespace {

// The record OIDs of a database in its first sort order.
bool ReadOids(CEOID database, std::vector<CEOID>& oids)
{
    HANDLE db = CeOpenDatabaseEx(nullptr, &database, nullptr, 0, 0, nullptr);
    if (db == INVALID_HANDLE_VALUE) return false;
    for (CEOID oid = CeSeekDatabase(db, CEDB_SEEK_BEGINNING, 0, nullptr); oid;
         oid = CeSeekDatabase(db, CEDB_SEEK_CURRENT, 1, nullptr))
        oids.push_back(oid);
    CloseHandle(db);
    return true;
}

// The OID an item reports, 0 for an unsaved one.
CEOID OidOf(IDispatch* item)
{
    LONG oid = 0;
    if (const auto task = platform::ComRef<ITask>::Query(item)) {
        task->get_Oid(&oid);
    } else if (const auto appointment = platform::ComRef<IAppointment>::Query(item)) {
        appointment->get_Oid(&oid);
    } else if (const auto contact = platform::ComRef<IContact>::Query(item)) {
        contact->get_Oid(&oid);
    }
    return static_cast<CEOID>(oid);
}

}  // namespace

OutlookFolder::OutlookFolder(OutlookApp* app, int itemKind)
    : app_(platform::ComRef<OutlookApp>::Share(app)), itemKind_(itemKind)
{}

OutlookFolder::~OutlookFolder() = default;

HRESULT OutlookFolder::get_Items(IPOutlookItemCollection** items)
{
    if (!items) return E_POINTER;
    *items = nullptr;
    if (!app_->LoggedOn()) return E_FAIL;
    std::vector<CEOID> oids;
    if (itemKind_ == 0) {
        oids = app_->InfraredItems();
    } else if (!ReadOids(app_->DatabaseOf(itemKind_), oids)) {
        return E_FAIL;
    }
    *items = new OutlookItemCollection(app_.Get(), itemKind_, std::move(oids));
    return S_OK;
}

HRESULT OutlookFolder::get_DefaultItemType(int* kind)
{
    if (!kind) return E_POINTER;
    *kind = itemKind_;
    return S_OK;
}

HRESULT OutlookFolder::get_Application(IPOutlookApp** app) { return OutlookHandOut<IPOutlookApp>(app_.Get(), app); }

HRESULT OutlookFolder::AddItemToInfraredFolder(int kind, IDispatch* item)
{
    if (!item) return E_POINTER;
    if (itemKind_ != 0) return E_FAIL;
    if (kind != olAppointmentItem && kind != olContactItem && kind != olTaskItem) return E_INVALIDARG;
    const CEOID oid = OidOf(item);
    // Only saved items can be beamed.
    if (!oid) return E_INVALIDARG;
    app_->InfraredItems().push_back(oid);
    return S_OK;
}

HRESULT OutlookFolder::SendToInfrared() { return E_FAIL; }

HRESULT OutlookFolder::ReceiveFromInfrared(IPOutlookItemCollection** items)
{
    if (!items) return E_POINTER;
    *items = nullptr;
    return E_FAIL;
}
