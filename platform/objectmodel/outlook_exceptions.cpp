#include "platform/objectmodel/outlook_exceptions.h"

OutlookException::OutlookException(IPOutlookApp* app, OutlookExceptionEntry entry) : app_(app), entry_(entry)
{
    if (app_) app_->AddRef();
}

OutlookException::~OutlookException()
{
    if (entry_.occurrence) entry_.occurrence->Release();
    if (app_) app_->Release();
}

HRESULT OutlookException::get_AppointmentItem(IAppointment** appointment)
{
    if (!appointment) return E_POINTER;
    return OutlookHandOut(entry_.occurrence, appointment);
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

HRESULT OutlookException::get_Application(IPOutlookApp** app) { return OutlookHandOut(app_, app); }

OutlookExceptions::OutlookExceptions(IPOutlookApp* app, std::vector<OutlookExceptionEntry> entries)
    : app_(app), entries_(std::move(entries))
{
    if (app_) app_->AddRef();
}

OutlookExceptions::~OutlookExceptions()
{
    for (OutlookExceptionEntry& entry : entries_)
        if (entry.occurrence) entry.occurrence->Release();
    if (app_) app_->Release();
}

HRESULT OutlookExceptions::Item(int index, IException** exception)
{
    if (!exception) return E_POINTER;
    *exception = nullptr;
    if (index < 1 || static_cast<size_t>(index) > entries_.size()) return E_INVALIDARG;
    OutlookExceptionEntry entry = entries_[index - 1];
    if (entry.occurrence) entry.occurrence->AddRef();
    *exception = new OutlookException(app_, entry);
    return S_OK;
}

HRESULT OutlookExceptions::get_Count(int* count)
{
    if (!count) return E_POINTER;
    *count = static_cast<int>(entries_.size());
    return S_OK;
}

HRESULT OutlookExceptions::get_Application(IPOutlookApp** app) { return OutlookHandOut(app_, app); }
