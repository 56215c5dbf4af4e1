// ITask over a record of "Tasks Database".
//
// Dates are whole local days, stored as local FILETIMEs of midnight
// (kTaskStartDate, kTaskDueDate, kTaskDateCompleted). Importance runs 0 low
// .. 2 high in the object model and is stored 3 low .. 1 high
// (kTaskImportance). A recurring task keeps its pattern blob in
// kTaskRecurrencePattern and kTaskRecurring = 1.
//
// Saving a recurring task marked complete leaves a completed, non-recurring
// copy of it (a new record) and moves the task itself to its next
// occurrence: start and due advance to it, Complete is cleared. When the
// pattern has no further occurrence the task itself is completed and stops
// recurring.
#pragma once

#include <optional>
#include <string>

#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/outlook_item_record.h"
#include "platform/objectmodel/outlook_object.h"
#include "platform/objectmodel/outlook_recurrence_pattern.h"
#include "platform/objectmodel/pocket_outlook.h"
#include "platform/objectstore/store_schema.h"

class OutlookTask final : public OutlookObject<ITask>, private OutlookRecurrenceHost {
public:
    OutlookTask(IPOutlookApp* app, OutlookItemRecord record);

    HRESULT get_Subject(BSTR* subject) override;
    HRESULT put_Subject(BSTR subject) override;
    HRESULT get_Categories(BSTR* categories) override;
    HRESULT put_Categories(BSTR categories) override;
    HRESULT get_StartDate(DATE* date) override;
    HRESULT put_StartDate(DATE date) override;
    HRESULT get_DueDate(DATE* date) override;
    HRESULT put_DueDate(DATE date) override;
    HRESULT get_DateCompleted(DATE* date) override;
    HRESULT put_DateCompleted(DATE date) override;
    HRESULT get_Importance(LONG* importance) override;
    HRESULT put_Importance(LONG importance) override;
    HRESULT get_Sensitivity(LONG* sensitivity) override;
    HRESULT put_Sensitivity(LONG sensitivity) override;
    HRESULT get_Complete(VARIANT_BOOL* complete) override;
    HRESULT put_Complete(VARIANT_BOOL complete) override;
    HRESULT get_ReminderSet(VARIANT_BOOL* set) override;
    HRESULT put_ReminderSet(VARIANT_BOOL set) override;
    HRESULT get_ReminderTime(DATE* time) override;
    HRESULT put_ReminderTime(DATE time) override;
    HRESULT get_ReminderOptions(LONG* options) override;
    HRESULT put_ReminderOptions(LONG options) override;
    HRESULT get_ReminderSoundFile(BSTR* path) override;
    HRESULT put_ReminderSoundFile(BSTR path) override;
    HRESULT get_Body(BSTR* body) override;
    HRESULT put_Body(BSTR body) override;
    HRESULT get_BodyInk(BSTR* body) override;
    HRESULT put_BodyInk(BSTR body) override;
    HRESULT get_IsRecurring(VARIANT_BOOL* recurring) override;
    HRESULT get_TeamTask(VARIANT_BOOL* team) override;
    HRESULT put_TeamTask(VARIANT_BOOL team) override;
    HRESULT GetRecurrencePattern(IRecurrencePattern** pattern) override;
    HRESULT ClearRecurrencePattern() override;
    HRESULT Save() override;
    HRESULT Delete() override;
    // Moves a recurring task to its next occurrence and saves it, leaving no
    // copy; E_FAIL when it does not recur or has no further occurrence.
    HRESULT SkipRecurrence() override;
    HRESULT Copy(ITask** copy) override;
    // There is no task window to show: E_NOTIMPL.
    HRESULT Display() override;
    HRESULT get_Oid(LONG* oid) override;
    HRESULT get_Application(IPOutlookApp** app) override;

private:
    ~OutlookTask() override = default;

    // OutlookRecurrenceHost.
    IUnknown* RecurrenceItem() override { return static_cast<ITask*>(this); }
    IPOutlookApp* RecurrenceApplication() override { return app_.Get(); }
    OutlookRecurrenceState& Recurrence() override;
    DATE RecurrenceStartTime() override { return 0; }
    LONG RecurrenceDuration() override { return 0; }
    HRESULT SetRecurrenceStartTime(DATE) override { return E_NOTIMPL; }
    HRESULT SetRecurrenceDuration(LONG) override { return E_NOTIMPL; }
    HRESULT RecurrenceOccurrence(DATE, IAppointment**) override { return E_NOTIMPL; }
    HRESULT RecurrenceExceptions(IExceptions**) override { return E_NOTIMPL; }

    DATE ReadDate(CEPROPID id) const;
    HRESULT WriteDate(CEPROPID id, DATE date);
    // The day occurrences are counted by: the start date, else the due date.
    std::optional<platform::RecurrenceDay> AnchorDay() const;
    HRESULT Check() const;
    // Puts the pending categories, recurrence and completion into the record.
    HRESULT StageForSave();
    // Moves start and due to the occurrence after the current one; false
    // when there is none.
    bool AdvanceToNextOccurrence();
    HRESULT SaveCompletedRecurrence();

    platform::ComRef<IPOutlookApp> app_;
    OutlookItemRecord record_;
    std::optional<std::u16string> categories_;  // set but not yet saved
    std::optional<OutlookRecurrenceState> recurrence_;
    // ClearRecurrencePattern was called: Save removes the stored pattern. A
    // stored pattern this item cannot read is otherwise left alone.
    bool recurrenceCleared_ = false;
};
