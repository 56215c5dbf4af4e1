// IExceptions and IException: the deleted and changed occurrences of a
// recurring appointment, as they stood when the collection was asked for.
// A changed occurrence carries its occurrence appointment; a deleted one has
// none (get_AppointmentItem fails with E_FAIL).
#pragma once

#include <vector>

#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/outlook_object.h"
#include "platform/objectmodel/pocket_outlook.h"

struct OutlookExceptionEntry {
    DATE originalDate = 0;                      // the occurrence's original local start
    platform::ComRef<IAppointment> occurrence;  // empty when deleted
};

class OutlookException final : public OutlookObject<IException> {
public:
    // Takes over the entry's occurrence.
    OutlookException(IPOutlookApp* app, OutlookExceptionEntry entry);

    HRESULT get_AppointmentItem(IAppointment** appointment) override;
    HRESULT get_OriginalDate(DATE* date) override;
    HRESULT get_Deleted(VARIANT_BOOL* deleted) override;
    HRESULT get_Application(IPOutlookApp** app) override;

private:
    ~OutlookException() override = default;
    platform::ComRef<IPOutlookApp> app_;
    OutlookExceptionEntry entry_;
};

class OutlookExceptions final : public OutlookObject<IExceptions> {
public:
    // Takes over the entries' occurrences.
    OutlookExceptions(IPOutlookApp* app, std::vector<OutlookExceptionEntry> entries);

    HRESULT Item(int index, IException** exception) override;
    HRESULT get_Count(int* count) override;
    HRESULT get_Application(IPOutlookApp** app) override;

private:
    ~OutlookExceptions() override = default;
    platform::ComRef<IPOutlookApp> app_;
    std::vector<OutlookExceptionEntry> entries_;
};
