// IRecurrencePattern: a view of the recurrence of one task or appointment.
//
// The recurrence itself lives in the item (OutlookRecurrenceHost); the view
// holds a reference to the item, so the item outlives every pattern handed
// out. Setting a field changes the item's rule in memory; the item's Save
// checks the rule and writes the pattern blob. Setting RecurrenceType first
// resets the kind's fields to defaults taken from the pattern start (the
// weekday, the day of the month, the month), as the object model documents.
// StartTime, EndTime and Duration are the item's own times of day.
#pragma once

#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/outlook_object.h"
#include "platform/objectmodel/outlook_recurrence_state.h"
#include "platform/objectmodel/pocket_outlook.h"

// What an item offers its pattern views.
class OutlookRecurrenceHost {
public:
    // The item as a COM object (the view keeps a reference to it).
    virtual IUnknown* RecurrenceItem() = 0;
    virtual IPOutlookApp* RecurrenceApplication() = 0;
    // The item's recurrence (the item made it recurring when it was not).
    virtual OutlookRecurrenceState& Recurrence() = 0;
    // The occurrence's times of day: start as an OLE time fraction and the
    // length in minutes (tasks: 0).
    virtual DATE RecurrenceStartTime() = 0;
    virtual LONG RecurrenceDuration() = 0;
    virtual HRESULT SetRecurrenceStartTime(DATE time) = 0;
    virtual HRESULT SetRecurrenceDuration(LONG minutes) = 0;
    // Appointments only (others E_NOTIMPL).
    virtual HRESULT RecurrenceOccurrence(DATE date, IAppointment** occurrence) = 0;
    virtual HRESULT RecurrenceExceptions(IExceptions** exceptions) = 0;

protected:
    ~OutlookRecurrenceHost() = default;
};

class OutlookRecurrencePattern final : public OutlookObject<IRecurrencePattern> {
public:
    explicit OutlookRecurrencePattern(OutlookRecurrenceHost* host);

    // A fresh weekly rule for an item starting on `day` (its weekday, no end).
    static platform::RecurrenceRule DefaultRule(platform::RecurrenceDay day);
    // The rule's kind fields reset for `type` from the pattern start.
    static void ResetKindFields(platform::RecurrenceRule& rule, LONG type);

    HRESULT get_RecurrenceType(LONG* type) override;
    HRESULT put_RecurrenceType(LONG type) override;
    HRESULT get_PatternStartDate(DATE* date) override;
    HRESULT put_PatternStartDate(DATE date) override;
    HRESULT get_PatternEndDate(DATE* date) override;
    HRESULT put_PatternEndDate(DATE date) override;
    HRESULT get_NoEndDate(VARIANT_BOOL* noEnd) override;
    HRESULT put_NoEndDate(VARIANT_BOOL noEnd) override;
    HRESULT get_Occurrences(LONG* count) override;
    HRESULT put_Occurrences(LONG count) override;
    HRESULT get_StartTime(DATE* time) override;
    HRESULT put_StartTime(DATE time) override;
    HRESULT get_Duration(LONG* minutes) override;
    HRESULT put_Duration(LONG minutes) override;
    HRESULT get_EndTime(DATE* time) override;
    HRESULT put_EndTime(DATE time) override;
    HRESULT get_Interval(LONG* interval) override;
    HRESULT put_Interval(LONG interval) override;
    HRESULT get_DayOfWeekMask(LONG* mask) override;
    HRESULT put_DayOfWeekMask(LONG mask) override;
    HRESULT get_DayOfMonth(LONG* day) override;
    HRESULT put_DayOfMonth(LONG day) override;
    HRESULT get_Instance(LONG* instance) override;
    HRESULT put_Instance(LONG instance) override;
    HRESULT get_MonthOfYear(LONG* month) override;
    HRESULT put_MonthOfYear(LONG month) override;
    HRESULT get_Exceptions(IExceptions** exceptions) override;
    HRESULT GetOccurrence(DATE date, IAppointment** occurrence) override;
    HRESULT get_Application(IPOutlookApp** app) override;

private:
    ~OutlookRecurrencePattern() override = default;
    platform::RecurrenceRule& Rule() { return host_->Recurrence().rule; }
    // Sets a rule field; a real change drops the occurrence changes.
    HRESULT SetField(int platform::RecurrenceRule::*field, LONG value);

    OutlookRecurrenceHost* host_;
    platform::ComRef<IUnknown> item_;  // keeps the host item alive
};
