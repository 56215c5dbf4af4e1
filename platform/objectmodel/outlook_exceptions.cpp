#include "platform/objectmodel/outlook_exceptions.h"

OutlookException::OutlookException(IPOutlookApp* app, OutlookExceptionEntry entry)
    : app_(platform::ComRef<IPOutlookApp>::Share(app)), entry_(std::move(entry))
{}

HRESULT OutlookException::get_AppointmentItem(IAppointment** appointment)
{
    if (!appointment) return E_POINTER;
    return OutlookHandOut(entry_.occurrence.Get(), appointment);
}

HRESULT OutlookException::get_OriginalDate(DATE* date)
{
    if (!date) return E_POINTER;
    *date = entry_.originalDate;
    return S_OK;
}

HRESULT OutlookException::get_Deleted(VARIANT_BOOL* deleted)
{
    if (!deleted) return E_POINTER;
    *deleted = entry_.occurrence ? VARIANT_FALSE : VARIANT_TRUE;
    return S_OK;
}

HRESULT OutlookException::get_Application(IPOutlookApp** app) { return OutlookHandOut(app_.Get(), app); }

OutlookExceptions::OutlookExceptions(IPOutlookApp* app, std::vector<OutlookExceptionEntry> entries)
    : app_(platform::ComRef<IPOutlookApp>::Share(app)), entries_(std::move(entries))
{}

HRESULT OutlookExceptions::Item(int index, IException** exception)
{
    if (!exception) return E_POINTER;
    *exception = nullptr;
    if (index < 1 || static_cast<size_t>(index) > entries_.size()) return E_INVALIDARG;
    const OutlookExceptionEntry& held = entries_[index - 1];
    OutlookExceptionEntry entry{held.originalDate, platform::ComRef<IAppointment>::Share(held.occurrence.Get())};
    *exception = new OutlookException(app_.Get(), std::move(entry));
    return S_OK;
}

HRESULT OutlookExceptions::get_Count(int* count)
{
    if (!count) return E_POINTER;
    *count = static_cast<int>(entries_.size());
    return S_OK;
}

HRESULT OutlookExceptions::get_Application(IPOutlookApp** app) { return OutlookHandOut(app_.Get(), app); }
