// The occurrences of a recurring appointment: finding one by date, saving
// its changes as a changed occurrence of the series' pattern blob, deleting
// it, and listing the series' changed and deleted occurrences.
#include <algorithm>

#include "platform/base/floor_div.h"
#include "platform/objectmodel/outlook_appointment.h"
#include "platform/objectmodel/outlook_exceptions.h"
#include "platform/objectmodel/outlook_minutes.h"
#include "platform/recurrence/recurrence_dates.h"
#include "platform/time/system_time.h"

using namespace platform;

OutlookAppointment::OutlookAppointment(OutlookAppointment* series, RecurrenceDay originalDay)
    : app_(ComRef<IPOutlookApp>::Share(series->app_.Get())), record_(series->record_.CopyAsNew()),
      attendees_(series->attendees_), series_(ComRef<OutlookAppointment>::Share(series)), originalDay_(originalDay)
{
    record_.Remove(kAppointmentRecurrencePattern);
    const std::int64_t start = series->OccurrenceUtcStart(originalDay);
    record_.SetFileTime(kAppointmentStart, MakeFileTime(MinutesToFileTimeValue(start)));
    record_.SetLong(kAppointmentDuration, series->OccurrenceDuration(originalDay));
    if (series->categories_) categories_ = series->categories_;
    const RecurrenceExceptionInfo* info = series->Recurrence().ExceptionOn(originalDay);
    if (!info) return;
    if (info->subject) record_.SetString(kAppointmentSubject, *info->subject);
    if (info->location) record_.SetString(kAppointmentLocation, *info->location);
    if (info->busyStatus) record_.SetLong(kAppointmentBusyStatus, static_cast<LONG>(*info->busyStatus));
    if (info->allDay) record_.SetLong(kAppointmentAllDay, *info->allDay ? 1 : 0);
}

HRESULT OutlookAppointment::MakeOccurrence(RecurrenceDay originalDay, IAppointment** occurrence)
{
    *occurrence = new OutlookAppointment(this, originalDay);
    return S_OK;
}

std::int64_t OutlookAppointment::OccurrenceUtcStart(RecurrenceDay day)
{
    if (const RecurrenceExceptionInfo* info = Recurrence().ExceptionOn(day))
        return UtcFromWall(info->startDateTime, info->allDay.value_or(IsAllDay()));
    return UtcFromWall(static_cast<std::int64_t>(day) * 1440 + TimedRule().startMinute);
}

LONG OutlookAppointment::OccurrenceDuration(RecurrenceDay day)
{
    if (const RecurrenceExceptionInfo* info = Recurrence().ExceptionOn(day))
        return static_cast<LONG>(info->endDateTime - info->startDateTime);
    return record_.LongOr(kAppointmentDuration, 0);
}

HRESULT OutlookAppointment::RecurrenceOccurrence(DATE date, IAppointment** occurrence)
{
    *occurrence = nullptr;
    if (IsOccurrence()) return series_->RecurrenceOccurrence(date, occurrence);
    if (!recurrence_) return E_FAIL;
    const std::optional<std::int64_t> requested = OleDateToMinutes(date);
    if (!requested) return E_INVALIDARG;
    const std::int64_t wantedDay = FloorDiv(*requested, 1440);
    auto deviceDay = [](std::int64_t utc) { return FloorDiv(UtcToDeviceLocalMinutes(utc), 1440); };
    // A changed occurrence is found on the day it was moved to.
    for (const RecurrenceExceptionInfo& info : recurrence_->exceptions) {
        const RecurrenceDay original = static_cast<RecurrenceDay>(info.originalStartDate / 1440);
        if (deviceDay(OccurrenceUtcStart(original)) == wantedDay) return MakeOccurrence(original, occurrence);
    }
    // The wall clock of an own zone may put the occurrence on a neighbouring day.
    const RecurrenceDates dates(TimedRule());
    for (std::int64_t day = wantedDay - 1; day <= wantedDay + 1; ++day) {
        const RecurrenceDay candidate = static_cast<RecurrenceDay>(day);
        if (!dates.IsOccurrence(candidate) || recurrence_->IsDeleted(candidate) || recurrence_->ExceptionOn(candidate))
            continue;
        if (deviceDay(OccurrenceUtcStart(candidate)) == wantedDay) return MakeOccurrence(candidate, occurrence);
    }
    return E_FAIL;
}

HRESULT OutlookAppointment::RecurrenceExceptions(IExceptions** exceptions)
{
    if (IsOccurrence()) return series_->RecurrenceExceptions(exceptions);
    std::vector<OutlookExceptionEntry> entries;
    if (recurrence_) {
        const int startMinute = TimedRule().startMinute;
        const std::vector<DWORD> originals = recurrence_->deletedDates;
        for (DWORD original : originals) {
            const RecurrenceDay day = static_cast<RecurrenceDay>(original / 1440);
            OutlookExceptionEntry entry;
            const std::int64_t utc = UtcFromWall(static_cast<std::int64_t>(day) * 1440 + startMinute);
            entry.originalDate = MinutesToOleDate(UtcToDeviceLocalMinutes(utc));
            if (recurrence_->ExceptionOn(day)) MakeOccurrence(day, entry.occurrence.Put());
            entries.push_back(std::move(entry));
        }
    }
    *exceptions = new OutlookExceptions(app_.Get(), std::move(entries));
    return S_OK;
}

HRESULT OutlookAppointment::CheckMovedOccurrence(RecurrenceDay originalDay, std::int64_t utcStart, LONG duration)
{
    OutlookRecurrenceState& state = Recurrence();
    const RecurrenceDates dates(TimedRule());
    const std::int64_t newDay = FloorDiv(WallFromUtc(utcStart), 1440);
    // The nearest occurrences before and after that still take place.
    std::optional<RecurrenceDay> previous = dates.LastOnOrBefore(originalDay - 1);
    while (previous && state.IsDeleted(*previous)) previous = dates.LastOnOrBefore(*previous - 1);
    std::optional<RecurrenceDay> next = dates.Next(originalDay);
    while (next && state.IsDeleted(*next)) next = dates.Next(*next);
    for (const std::optional<RecurrenceDay>& neighbour : {previous, next}) {
        if (!neighbour) continue;
        const std::int64_t start = OccurrenceUtcStart(*neighbour);
        const std::int64_t end = start + OccurrenceDuration(*neighbour);
        const std::int64_t day = FloorDiv(WallFromUtc(start), 1440);
        if (day == newDay) return E_EXCEPTIONSAMEDAY;
        if (neighbour == previous && newDay < day) return E_CANTCHANGEDATE;
        if (neighbour == next && newDay > day) return E_CANTCHANGEDATE;
        if (utcStart < end && start < utcStart + duration) return E_OVERLAPPINGEXCEPTION;
    }
    return S_OK;
}

HRESULT OutlookAppointment::SaveOccurrence(OutlookAppointment& occurrence)
{
    occurrence.NormaliseAllDay();
    HRESULT hr = occurrence.CheckFields();
    if (FAILED(hr)) return hr;
    const RecurrenceDay day = occurrence.originalDay_;
    const std::int64_t originalWall = static_cast<std::int64_t>(day) * 1440 + TimedRule().startMinute;
    const std::int64_t utcStart =
        FileTimeValueToMinutes(FileTimeValue(*occurrence.record_.FileTime(kAppointmentStart)));
    const LONG duration = occurrence.record_.LongOr(kAppointmentDuration, 0);
    const bool allDay = occurrence.IsAllDay();
    const std::int64_t wallStart = WallFromUtc(utcStart, allDay);

    RecurrenceExceptionInfo info;
    info.originalStartDate = static_cast<DWORD>(originalWall);
    info.startDateTime = static_cast<DWORD>(wallStart);
    info.endDateTime = static_cast<DWORD>(wallStart + duration);
    const std::u16string subject = occurrence.record_.StringOrEmpty(kAppointmentSubject);
    if (subject != record_.StringOrEmpty(kAppointmentSubject)) info.subject = subject;
    const std::u16string location = occurrence.record_.StringOrEmpty(kAppointmentLocation);
    if (location != record_.StringOrEmpty(kAppointmentLocation)) info.location = location;
    const LONG busy = occurrence.record_.LongOr(kAppointmentBusyStatus, olBusy);
    if (busy != record_.LongOr(kAppointmentBusyStatus, olBusy)) info.busyStatus = static_cast<DWORD>(busy);
    if (allDay != IsAllDay()) {
        // A meeting's occurrences share its all-day setting with every attendee.
        if (!attendees_->empty()) return E_ALLDAYMEETING;
        info.allDay = allDay;
    }
    const bool moved = wallStart != originalWall || duration != record_.LongOr(kAppointmentDuration, 0);
    if (moved) {
        hr = CheckMovedOccurrence(day, utcStart, duration);
        if (FAILED(hr)) return hr;
    }
    OutlookRecurrenceState& state = Recurrence();
    const OutlookRecurrenceState before = state;
    if (moved || info.OverrideFlags() != 0)
        state.PutException(day, info);
    else
        state.DropException(day, false);
    hr = WriteSeriesBlob();
    if (FAILED(hr)) state = before;
    return hr;
}

HRESULT OutlookAppointment::DeleteOccurrence(RecurrenceDay originalDay)
{
    OutlookRecurrenceState& state = Recurrence();
    const OutlookRecurrenceState before = state;
    state.DeleteOccurrence(originalDay);
    const HRESULT hr = WriteSeriesBlob();
    if (FAILED(hr)) state = before;
    return hr;
}

HRESULT OutlookAppointment::WriteSeriesBlob()
{
    // A deleted series has nowhere to keep them; an unsaved series takes its
    // occurrences' changes along when it is saved.
    if (record_.IsDeleted()) return E_FAIL;
    if (record_.IsNew()) return S_OK;
    OutlookRecurrenceState state = Recurrence();
    state.rule = TimedRule();
    std::vector<BYTE> blob = state.ToBlob();
    if (blob.empty()) return E_INVALIDDATES;
    // Only the blob is written: the series' other unsaved edits stay pending.
    OutlookItemRecord stored(record_.Database());
    HRESULT hr = stored.Load(record_.Oid());
    if (FAILED(hr)) return hr;
    stored.SetBlob(kAppointmentRecurrencePattern, std::move(blob));
    return stored.Save();
}
