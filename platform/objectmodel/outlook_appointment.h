// IAppointment over a record of "Appointments Database", and the
// occurrences of a recurring one.
//
// The start is stored as a UTC FILETIME (kAppointmentStart), converted from
// and to the device's local time at that moment; the length in minutes
// (kAppointmentDuration); End is Start + Duration. An all-day appointment
// (kAppointmentAllDay = 1) is saved starting at local midnight and lasting
// whole days. An appointment may carry its own time zone
// (kAppointmentTimeZone): its recurrence then keeps the wall-clock time of
// that zone.
//
// A recurring appointment keeps its pattern blob in
// kAppointmentRecurrencePattern, whose times
// are on the appointment's wall clock (its own zone, else the device's).
// Saving it moves Start to the first occurrence. GetOccurrence hands out an
// occurrence: an appointment object whose Save records the changed fields
// as a changed occurrence in the series' blob and whose Delete records a
// deleted occurrence, both written at once into the series' record.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/outlook_item_record.h"
#include "platform/objectmodel/outlook_object.h"
#include "platform/objectmodel/outlook_recipients.h"
#include "platform/objectmodel/outlook_recurrence_pattern.h"
#include "platform/objectmodel/pocket_outlook.h"
#include "platform/objectstore/store_schema.h"

class OutlookAppointment final : public OutlookObject<IAppointment>, private OutlookRecurrenceHost {
public:
    OutlookAppointment(IPOutlookApp* app, OutlookItemRecord record);

    HRESULT get_Subject(BSTR* subject) override;
    HRESULT put_Subject(BSTR subject) override;
    HRESULT get_Location(BSTR* location) override;
    HRESULT put_Location(BSTR location) override;
    HRESULT get_Categories(BSTR* categories) override;
    HRESULT put_Categories(BSTR categories) override;
    HRESULT get_Start(DATE* start) override;
    HRESULT put_Start(DATE start) override;
    HRESULT get_End(DATE* end) override;
    HRESULT put_End(DATE end) override;
    HRESULT get_Duration(LONG* minutes) override;
    HRESULT put_Duration(LONG minutes) override;
    HRESULT get_AllDayEvent(VARIANT_BOOL* allDay) override;
    HRESULT put_AllDayEvent(VARIANT_BOOL allDay) override;
    HRESULT get_BusyStatus(LONG* status) override;
    HRESULT put_BusyStatus(LONG status) override;
    HRESULT get_Sensitivity(LONG* sensitivity) override;
    HRESULT put_Sensitivity(LONG sensitivity) override;
    HRESULT get_MeetingStatus(LONG* status) override;
    HRESULT put_MeetingStatus(LONG status) override;
    HRESULT get_ReminderSet(VARIANT_BOOL* set) override;
    HRESULT put_ReminderSet(VARIANT_BOOL set) override;
    HRESULT get_ReminderMinutesBeforeStart(LONG* minutes) override;
    HRESULT put_ReminderMinutesBeforeStart(LONG minutes) override;
    HRESULT get_IsRecurring(VARIANT_BOOL* recurring) override;
    HRESULT get_Body(BSTR* body) override;
    HRESULT put_Body(BSTR body) override;
    HRESULT get_BodyInk(BSTR* body) override;
    HRESULT put_BodyInk(BSTR body) override;
    HRESULT get_Recipients(IRecipients** recipients) override;
    HRESULT Save() override;
    // Saves, then records an update to every attendee (OutlookMeetingNotices);
    // E_FAIL without attendees.
    HRESULT Send() override;
    HRESULT Delete() override;
    // Marks the meeting cancelled, saves, and records a cancellation to every
    // attendee; E_FAIL without attendees.
    HRESULT Cancel() override;
    HRESULT Copy(IAppointment** copy) override;
    // There is no appointment window to show: E_NOTIMPL.
    HRESULT Display() override;
    HRESULT GetRecurrencePattern(IRecurrencePattern** pattern) override;
    HRESULT ClearRecurrencePattern() override;
    HRESULT get_Oid(LONG* oid) override;
    HRESULT get_Application(IPOutlookApp** app) override;
    HRESULT get_TimeZone(TIME_ZONE_INFORMATION* tzi) override;
    // A null zone removes the appointment's own zone.
    HRESULT put_TimeZone(TIME_ZONE_INFORMATION* tzi) override;

private:
    // An occurrence of `series` that originally falls on `originalDay`.
    OutlookAppointment(OutlookAppointment* series, platform::RecurrenceDay originalDay);
    ~OutlookAppointment() override = default;

    // OutlookRecurrenceHost.
    IUnknown* RecurrenceItem() override { return static_cast<IAppointment*>(this); }
    IPOutlookApp* RecurrenceApplication() override { return app_.Get(); }
    OutlookRecurrenceState& Recurrence() override;
    DATE RecurrenceStartTime() override;
    LONG RecurrenceDuration() override;
    HRESULT SetRecurrenceStartTime(DATE time) override;
    HRESULT SetRecurrenceDuration(LONG minutes) override;
    HRESULT RecurrenceOccurrence(DATE date, IAppointment** occurrence) override;
    HRESULT RecurrenceExceptions(IExceptions** exceptions) override;

    bool IsOccurrence() const { return static_cast<bool>(series_); }
    std::optional<TIME_ZONE_INFORMATION> OwnZone() const;
    // The start as device-local minutes (nothing when unset).
    std::optional<std::int64_t> StartLocal() const;
    void SetStartLocal(std::int64_t local);
    // The appointment's wall clock (its own zone, else the device's) in
    // minutes, against UTC minutes. All-day entries keep the device's clock
    // whatever their zone, as the calendar shows them unconverted; the
    // one-argument forms take the item's own all-day flag.
    std::int64_t WallFromUtc(std::int64_t utc, bool allDay) const;
    std::int64_t UtcFromWall(std::int64_t wall, bool allDay) const;
    std::int64_t WallFromUtc(std::int64_t utc) const { return WallFromUtc(utc, IsAllDay()); }
    std::int64_t UtcFromWall(std::int64_t wall) const { return UtcFromWall(wall, IsAllDay()); }
    bool IsAllDay() const { return record_.LongOr(kAppointmentAllDay, 0) == 1; }
    // Start cut to midnight and length to whole days for all-day items.
    void NormaliseAllDay();
    HRESULT CheckFields() const;
    // The rule with the item's time of day and length.
    platform::RecurrenceRule TimedRule() const;
    HRESULT StageRecurrence();
    HRESULT StageForSave();
    std::u16string Categories() const;

    // Occurrences (outlook_appointment_occurrence.cpp).
    HRESULT MakeOccurrence(platform::RecurrenceDay originalDay, IAppointment** occurrence);
    // The UTC start minute of the occurrence of original day `day` as it
    // stands now (moved when it was changed).
    std::int64_t OccurrenceUtcStart(platform::RecurrenceDay day);
    LONG OccurrenceDuration(platform::RecurrenceDay day);
    HRESULT SaveOccurrence(OutlookAppointment& occurrence);
    HRESULT DeleteOccurrence(platform::RecurrenceDay originalDay);
    // Checks where a changed occurrence moved to against its neighbours.
    HRESULT CheckMovedOccurrence(platform::RecurrenceDay originalDay, std::int64_t utcStart, LONG duration);
    // Writes the series' blob alone into its stored record.
    HRESULT WriteSeriesBlob();

    platform::ComRef<IPOutlookApp> app_;
    OutlookItemRecord record_;
    std::optional<std::u16string> categories_;  // set but not yet saved
    std::optional<OutlookRecurrenceState> recurrence_;
    // ClearRecurrencePattern was called: Save removes the stored pattern. A
    // stored pattern this item cannot read is otherwise left alone.
    bool recurrenceCleared_ = false;
    std::shared_ptr<OutlookAttendeeList> attendees_;
    platform::ComRef<OutlookAppointment> series_;  // occurrences: the series
    platform::RecurrenceDay originalDay_ = 0;
};
