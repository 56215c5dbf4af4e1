#include "items/infrared_beam.h"

#include "items/c_task_settings.h"
#include "items/ical_calendar.h"
#include "platform/base/error_codes.h"
#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/pocket_outlook.h"
#include "platform/ui/ui_host.h"
#include "storage/c_outlook.h"

HRESULT BeamItemThroughInfrared(int kind, long oid)
{
    if (!oid) return E_INVALIDARG;
    COutlook& outlook = COutlook::GetOutlookObject();
    platform::ComRef<IDispatch> item;
    HRESULT result = outlook.GetItemFromOid(oid, item.Put());
    if (FAILED(result) || !item) return FAILED(result) ? result : E_FAIL;
    // The object model reports no kind; an item of another kind than asked
    // for is refused rather than beamed under the wrong name.
    const bool right = kind == olContactItem       ? static_cast<bool>(platform::ComRef<IContact>::Query(item.Get()))
                       : kind == olAppointmentItem ? static_cast<bool>(platform::ComRef<IAppointment>::Query(item.Get()))
                       : kind == olTaskItem        ? static_cast<bool>(platform::ComRef<ITask>::Query(item.Get()))
                                                   : false;
    if (!right) return E_INVALIDARG;
    ical::RegisterInfraredCalendarWriter();
    platform::ComRef<IFolder> infrared;
    result = outlook.GetDefaultFolder(olFolderInfrared, infrared.Put());
    if (SUCCEEDED(result) && !infrared) result = E_FAIL;
    if (SUCCEEDED(result)) result = infrared->AddItemToInfraredFolder(kind, item.Get());
    if (SUCCEEDED(result)) result = infrared->SendToInfrared();
    return result == S_FALSE ? E_FAIL : result;
}

bool BeamItemOrShow(int kind, long oid)
{
    const HRESULT result = BeamItemThroughInfrared(kind, oid);
    if (FAILED(result) && result != E_ABORT) task_item::ShowString(kBeamFailedString, MB_ICONERROR);
    return SUCCEEDED(result);
}
