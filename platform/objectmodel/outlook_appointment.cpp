// Sections: Life; Helpers over the record; Properties; Checking and saving; Meetings, deleting and copying;
//   Recurrence and identity.

#include "platform/objectmodel/outlook_appointment.h"

#include <algorithm>
#include <cmath>

#include "platform/base/floor_div.h"
#include "platform/objectmodel/outlook_bstr.h"
#include "platform/objectmodel/outlook_category_text.h"
#include "platform/objectmodel/outlook_date.h"
#include "platform/objectmodel/outlook_item_factory.h"
#include "platform/objectmodel/outlook_meeting_notices.h"
#include "platform/objectmodel/outlook_minutes.h"
#include "platform/objectmodel/outlook_note.h"
#include "platform/objectmodel/outlook_save_check.h"
#include "platform/objectmodel/outlook_zone.h"
#include "platform/recurrence/recurrence_dates.h"
#include "platform/time/clock.h"
#include "platform/time/system_time.h"

using namespace platform;

namespace {

constexpr LONG kDefaultDuration = 60;
constexpr LONG kDefaultReminderMinutes = 15;

// Now on the device clock, rounded up to the next full hour.
std::int64_t NextFullHourLocal()
{
    FILETIME utc{};
    GetSystemTimeAsFileTime(&utc);
    const std::int64_t local = UtcToDeviceLocalMinutes(FileTimeValueToMinutes(FileTimeValue(utc)));
    return (FloorDiv(local, 60) + 1) * 60;
}

HRESULT RuleResult(RecurrenceRuleField field)
{
    switch (field) {
        case RecurrenceRuleField::kNone:
            return S_OK;
        case RecurrenceRuleField::kPatternStartDay:
        case RecurrenceRuleField::kPatternEndDay:
        case RecurrenceRuleField::kDuration:
            return E_INVALIDDATES;
        default:
            return E_INVALIDRECURRENCE;
    }
}

// The shortest gap in days between two of the first occurrences.
std::int64_t ShortestGapDays(const RecurrenceDates& dates, RecurrenceDay first)
{
    std::int64_t gap = 0;
    RecurrenceDay day = first;
    for (int i = 0; i < 32; ++i) {
        const std::optional<RecurrenceDay> next = dates.Next(day);
        if (!next) break;
        if (gap == 0 || *next - day < gap) gap = *next - day;
        day = *next;
    }
    return gap;
}

}  // namespace

// ---- Life ----

HRESULT MakeOutlookAppointment(IPOutlookApp* app, OutlookItemRecord record, IDispatch** item)
{
    if (!item) return E_POINTER;
    *item = new OutlookAppointment(app, std::move(record));
    return S_OK;
}

OutlookAppointment::OutlookAppointment(IPOutlookApp* app, OutlookItemRecord record)
    : app_(platform::ComRef<IPOutlookApp>::Share(app)), record_(std::move(record)),
      attendees_(std::make_shared<OutlookAttendeeList>())
{
    if (record_.IsNew()) {
        if (!record_.Has(kAppointmentStart)) SetStartLocal(NextFullHourLocal());
        if (!record_.Has(kAppointmentDuration)) record_.SetLong(kAppointmentDuration, kDefaultDuration);
        if (!record_.Has(kAppointmentBusyStatus)) record_.SetLong(kAppointmentBusyStatus, olBusy);
    }
    if (std::optional<std::vector<BYTE>> blob = record_.Blob(kAppointmentRecurrencePattern))
        recurrence_ = OutlookRecurrenceState::FromBlob(*blob);
    if (std::optional<std::vector<BYTE>> blob = record_.Blob(kAppointmentAttendees)) {
        if (std::optional<OutlookAttendeeList> list = DecodeOutlookAttendees(*blob)) *attendees_ = std::move(*list);
    }
}

// ---- Helpers over the record ----

std::optional<TIME_ZONE_INFORMATION> OutlookAppointment::OwnZone() const
{
    const std::optional<std::vector<BYTE>> blob = record_.Blob(kAppointmentTimeZone);
    if (!blob) return std::nullopt;
    // A damaged zone blob is read as no zone of its own (and left as stored).
    std::optional<TIME_ZONE_INFORMATION> zone = DecodeOutlookZoneBlob(*blob);
    if (zone && !IsValidOutlookZone(*zone)) return std::nullopt;
    return zone;
}

std::optional<std::int64_t> OutlookAppointment::StartLocal() const
{
    const std::optional<FILETIME> utc = record_.FileTime(kAppointmentStart);
    if (!utc) return std::nullopt;
    return UtcToDeviceLocalMinutes(FileTimeValueToMinutes(FileTimeValue(*utc)));
}

void OutlookAppointment::SetStartLocal(std::int64_t local)
{
    record_.SetFileTime(kAppointmentStart, MakeFileTime(MinutesToFileTimeValue(DeviceLocalToUtcMinutes(local))));
}

std::int64_t OutlookAppointment::WallFromUtc(std::int64_t utc, bool allDay) const
{
    if (std::optional<TIME_ZONE_INFORMATION> zone = allDay ? std::nullopt : OwnZone())
        return UtcToZoneLocalMinutes(*zone, utc);
    return UtcToDeviceLocalMinutes(utc);
}

std::int64_t OutlookAppointment::UtcFromWall(std::int64_t wall, bool allDay) const
{
    if (std::optional<TIME_ZONE_INFORMATION> zone = allDay ? std::nullopt : OwnZone())
        return ZoneLocalToUtcMinutes(*zone, wall);
    return DeviceLocalToUtcMinutes(wall);
}

std::u16string OutlookAppointment::Categories() const
{
    return categories_ ? *categories_ : OutlookCategoryText::Read(record_);
}

// ---- Properties ----

HRESULT OutlookAppointment::get_Subject(BSTR* subject)
{
    return OutlookBstrOut(record_.StringOrEmpty(kAppointmentSubject), subject);
}

HRESULT OutlookAppointment::put_Subject(BSTR subject)
{
    record_.SetString(kAppointmentSubject, OutlookBstrText(subject));
    return S_OK;
}

HRESULT OutlookAppointment::get_Location(BSTR* location)
{
    return OutlookBstrOut(record_.StringOrEmpty(kAppointmentLocation), location);
}

HRESULT OutlookAppointment::put_Location(BSTR location)
{
    record_.SetString(kAppointmentLocation, OutlookBstrText(location));
    return S_OK;
}

HRESULT OutlookAppointment::get_Categories(BSTR* categories) { return OutlookBstrOut(Categories(), categories); }

HRESULT OutlookAppointment::put_Categories(BSTR categories)
{
    categories_ = OutlookBstrText(categories);
    return S_OK;
}

HRESULT OutlookAppointment::get_Start(DATE* start)
{
    if (!start) return E_POINTER;
    const std::optional<std::int64_t> local = StartLocal();
    *start = local ? MinutesToOleDate(*local) : kNoOleDate;
    return S_OK;
}

HRESULT OutlookAppointment::put_Start(DATE start)
{
    const std::optional<std::int64_t> local = OleDateToMinutes(start);
    if (!local) return E_INVALIDARG;
    SetStartLocal(*local);
    return S_OK;
}

HRESULT OutlookAppointment::get_End(DATE* end)
{
    if (!end) return E_POINTER;
    const std::optional<std::int64_t> local = StartLocal();
    *end = local ? MinutesToOleDate(*local + record_.LongOr(kAppointmentDuration, 0)) : kNoOleDate;
    return S_OK;
}

HRESULT OutlookAppointment::put_End(DATE end)
{
    const std::optional<std::int64_t> local = OleDateToMinutes(end);
    const std::optional<std::int64_t> start = StartLocal();
    if (!local || !start) return E_INVALIDARG;
    const std::int64_t minutes = *local - *start;
    if (minutes < INT32_MIN || minutes > INT32_MAX) return E_INVALIDARG;
    // An end before the start is kept and refused by Save.
    record_.SetLong(kAppointmentDuration, static_cast<LONG>(minutes));
    return S_OK;
}

HRESULT OutlookAppointment::get_Duration(LONG* minutes)
{
    if (!minutes) return E_POINTER;
    *minutes = record_.LongOr(kAppointmentDuration, 0);
    return S_OK;
}

HRESULT OutlookAppointment::put_Duration(LONG minutes)
{
    record_.SetLong(kAppointmentDuration, minutes);
    return S_OK;
}

HRESULT OutlookAppointment::get_AllDayEvent(VARIANT_BOOL* allDay)
{
    if (!allDay) return E_POINTER;
    *allDay = record_.LongOr(kAppointmentAllDay, 0) == 1 ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT OutlookAppointment::put_AllDayEvent(VARIANT_BOOL allDay)
{
    record_.SetLong(kAppointmentAllDay, allDay ? 1 : 0);
    return S_OK;
}

HRESULT OutlookAppointment::get_BusyStatus(LONG* status)
{
    if (!status) return E_POINTER;
    *status = record_.LongOr(kAppointmentBusyStatus, olBusy);
    return S_OK;
}

HRESULT OutlookAppointment::put_BusyStatus(LONG status)
{
    if (status < olFree || status > olOutOfOffice) return E_INVALIDARG;
    record_.SetLong(kAppointmentBusyStatus, status);
    return S_OK;
}

HRESULT OutlookAppointment::get_Sensitivity(LONG* sensitivity)
{
    if (!sensitivity) return E_POINTER;
    *sensitivity = record_.LongOr(kAppointmentSensitivity, 0) ? olPrivate : olNormal;
    return S_OK;
}

HRESULT OutlookAppointment::put_Sensitivity(LONG sensitivity)
{
    if (sensitivity != olNormal && sensitivity != olPrivate) return E_INVALIDARG;
    record_.SetLong(kAppointmentSensitivity, sensitivity);
    return S_OK;
}

HRESULT OutlookAppointment::get_MeetingStatus(LONG* status)
{
    if (!status) return E_POINTER;
    const LONG fallback = attendees_->empty() ? olNonMeeting : olMeeting;
    *status = record_.LongOr(kAppointmentMeetingStatus, fallback);
    return S_OK;
}

HRESULT OutlookAppointment::put_MeetingStatus(LONG status)
{
    if (status != olNonMeeting && status != olMeeting && status != olMeetingReceived && status != olMeetingCanceled)
        return E_INVALIDARG;
    record_.SetLong(kAppointmentMeetingStatus, status);
    return S_OK;
}

HRESULT OutlookAppointment::get_ReminderSet(VARIANT_BOOL* set)
{
    if (!set) return E_POINTER;
    *set = record_.LongOr(kAppointmentReminderSet, 0) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT OutlookAppointment::put_ReminderSet(VARIANT_BOOL set)
{
    record_.SetLong(kAppointmentReminderSet, set ? 1 : 0);
    return S_OK;
}

HRESULT OutlookAppointment::get_ReminderMinutesBeforeStart(LONG* minutes)
{
    if (!minutes) return E_POINTER;
    *minutes = record_.LongOr(kAppointmentReminderMinutes, kDefaultReminderMinutes);
    return S_OK;
}

HRESULT OutlookAppointment::put_ReminderMinutesBeforeStart(LONG minutes)
{
    record_.SetLong(kAppointmentReminderMinutes, minutes);
    return S_OK;
}

HRESULT OutlookAppointment::get_IsRecurring(VARIANT_BOOL* recurring)
{
    if (!recurring) return E_POINTER;
    *recurring = IsOccurrence() || recurrence_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT OutlookAppointment::get_Body(BSTR* body)
{
    return OutlookBstrOut(OutlookNote::TextFromBlob(record_.Blob(kOutlookNoteProperty).value_or(std::vector<BYTE>{})),
                          body);
}

HRESULT OutlookAppointment::put_Body(BSTR body)
{
    std::vector<BYTE> blob = OutlookNote::BlobFromText(OutlookBstrText(body));
    if (blob.empty())
        record_.Remove(kOutlookNoteProperty);
    else
        record_.SetBlob(kOutlookNoteProperty, std::move(blob));
    return S_OK;
}

HRESULT OutlookAppointment::get_BodyInk(BSTR* body)
{
    if (!body) return E_POINTER;
    *body = OutlookNote::BstrFromBlob(record_.Blob(kOutlookNoteProperty).value_or(std::vector<BYTE>{}));
    return S_OK;
}

HRESULT OutlookAppointment::put_BodyInk(BSTR body)
{
    std::vector<BYTE> blob = OutlookNote::BlobFromBstr(body);
    if (blob.empty())
        record_.Remove(kOutlookNoteProperty);
    else
        record_.SetBlob(kOutlookNoteProperty, std::move(blob));
    return S_OK;
}

HRESULT OutlookAppointment::get_Recipients(IRecipients** recipients)
{
    if (!recipients) return E_POINTER;
    *recipients = new OutlookRecipients(app_.Get(), attendees_);
    return S_OK;
}

HRESULT OutlookAppointment::get_TimeZone(TIME_ZONE_INFORMATION* tzi)
{
    if (!tzi) return E_POINTER;
    if (std::optional<TIME_ZONE_INFORMATION> zone = OwnZone()) {
        *tzi = *zone;
        return S_OK;
    }
    return GetTimeZoneInformation(tzi) == TIME_ZONE_ID_INVALID ? E_FAIL : S_FALSE;
}

HRESULT OutlookAppointment::put_TimeZone(TIME_ZONE_INFORMATION* tzi)
{
    if (IsOccurrence()) return E_FAIL;
    if (!tzi) {
        record_.Remove(kAppointmentTimeZone);
        return S_OK;
    }
    if (!IsValidOutlookZone(*tzi)) return E_INVALIDARG;
    record_.SetBlob(kAppointmentTimeZone, EncodeOutlookZoneBlob(*tzi));
    return S_OK;
}

// ---- Checking and saving ----

void OutlookAppointment::NormaliseAllDay()
{
    if (record_.LongOr(kAppointmentAllDay, 0) != 1) return;
    const std::optional<std::int64_t> start = StartLocal();
    if (!start) return;
    const std::int64_t midnight = FloorDiv(*start, 1440) * 1440;
    const std::int64_t end = *start + record_.LongOr(kAppointmentDuration, 0);
    const std::int64_t days = std::max<std::int64_t>(1, FloorDiv(end - midnight + 1439, 1440));
    if (midnight != *start) SetStartLocal(midnight);
    if (record_.LongOr(kAppointmentDuration, 0) != days * 1440)
        record_.SetLong(kAppointmentDuration, static_cast<LONG>(days * 1440));
}

HRESULT OutlookAppointment::CheckFields() const
{
    const std::optional<std::int64_t> start = StartLocal();
    const LONG duration = record_.LongOr(kAppointmentDuration, 0);
    OutlookSaveCheck check;
    check.Text(record_.StringOrEmpty(kAppointmentSubject)).Text(record_.StringOrEmpty(kAppointmentLocation));
    check.Require(start.has_value(), E_INVALIDDATES);
    if (start) {
        check.Date(MinutesToOleDate(*start)).Require(duration >= 0, E_INVALIDDATES);
        check.Date(MinutesToOleDate(*start + duration));
    }
    if (record_.LongOr(kAppointmentReminderSet, 0))
        check.Require(record_.LongOr(kAppointmentReminderMinutes, kDefaultReminderMinutes) >= 0, E_INVALIDREMINDERTIME);
    return check.Result();
}

RecurrenceRule OutlookAppointment::TimedRule() const
{
    RecurrenceRule rule = recurrence_ ? recurrence_->rule : RecurrenceRule{};
    const std::optional<FILETIME> utc = record_.FileTime(kAppointmentStart);
    if (utc) {
        const std::int64_t wall = WallFromUtc(FileTimeValueToMinutes(FileTimeValue(*utc)));
        rule.startMinute = static_cast<int>(wall - FloorDiv(wall, 1440) * 1440);
    }
    rule.durationMinutes = static_cast<int>(record_.LongOr(kAppointmentDuration, 0));
    return rule;
}

HRESULT OutlookAppointment::StageRecurrence()
{
    if (!recurrence_) {
        if (recurrenceCleared_ && record_.Has(kAppointmentRecurrencePattern))
            record_.Remove(kAppointmentRecurrencePattern);
        return S_OK;
    }
    const RecurrenceRule rule = TimedRule();
    HRESULT hr = RuleResult(ValidateRecurrenceRule(rule));
    if (FAILED(hr)) return hr;
    const RecurrenceDates dates(rule);
    const std::optional<RecurrenceDay> first = dates.FirstOnOrAfter(rule.patternStartDay);
    if (!first) return E_INVALIDDATES;
    // An occurrence may not outlast the gap to the next one, nor may its
    // reminder reach back past the previous one.
    const std::int64_t gap = ShortestGapDays(dates, *first) * 1440;
    if (gap > 0 && rule.durationMinutes > gap) return E_INVALIDDATES;
    if (gap > 0 && record_.LongOr(kAppointmentReminderSet, 0) &&
        record_.LongOr(kAppointmentReminderMinutes, kDefaultReminderMinutes) > gap)
        return E_INVALIDREMINDERTIME;
    OutlookRecurrenceState state = *recurrence_;
    state.rule = rule;
    // The stored pattern starts on its first occurrence: so does the rule.
    state.rule.patternStartDay = *first;
    std::vector<BYTE> blob = state.ToBlob();
    if (blob.empty()) return E_INVALIDDATES;
    // The series starts at its first occurrence, which must be a date the
    // object model accepts as a start.
    const std::int64_t firstUtc = UtcFromWall(static_cast<std::int64_t>(*first) * 1440 + rule.startMinute);
    if (!IsOutlookDateValid(MinutesToOleDate(UtcToDeviceLocalMinutes(firstUtc)))) return E_INVALIDDATES;
    if (record_.FileTime(kAppointmentStart).has_value() &&
        FileTimeValueToMinutes(FileTimeValue(*record_.FileTime(kAppointmentStart))) != firstUtc)
        record_.SetFileTime(kAppointmentStart, MakeFileTime(MinutesToFileTimeValue(firstUtc)));
    if (record_.Blob(kAppointmentRecurrencePattern) != blob)
        record_.SetBlob(kAppointmentRecurrencePattern, std::move(blob));
    recurrence_ = std::move(state);
    return S_OK;
}

HRESULT OutlookAppointment::StageForSave()
{
    HRESULT hr = StageRecurrence();
    if (FAILED(hr)) return hr;
    std::vector<BYTE> attendees = EncodeOutlookAttendees(*attendees_);
    if (attendees.empty()) {
        if (record_.Has(kAppointmentAttendees)) record_.Remove(kAppointmentAttendees);
    } else {
        if (record_.Blob(kAppointmentAttendees) != attendees)
            record_.SetBlob(kAppointmentAttendees, std::move(attendees));
        if (record_.LongOr(kAppointmentMeetingStatus, olNonMeeting) == olNonMeeting)
            record_.SetLong(kAppointmentMeetingStatus, olMeeting);
    }
    if (categories_) {
        hr = OutlookCategoryText::Store(record_, *categories_);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT OutlookAppointment::Save()
{
    if (IsOccurrence()) return series_->SaveOccurrence(*this);
    if (record_.IsDeleted()) return E_FAIL;
    const OutlookItemRecord before = record_;
    const std::optional<OutlookRecurrenceState> recurrenceBefore = recurrence_;
    NormaliseAllDay();
    HRESULT hr = CheckFields();
    if (SUCCEEDED(hr)) hr = StageForSave();
    if (SUCCEEDED(hr)) hr = record_.Save();
    if (FAILED(hr)) {
        record_ = before;
        recurrence_ = recurrenceBefore;
        return hr;
    }
    categories_.reset();
    recurrenceCleared_ = false;
    return S_OK;
}

// ---- Meetings, deleting and copying ----

HRESULT OutlookAppointment::Send()
{
    if (attendees_->empty()) return E_FAIL;
    HRESULT hr = Save();
    if (FAILED(hr)) return hr;
    OutlookMeetingNotice notice;
    notice.oid = IsOccurrence() ? series_->record_.Oid() : record_.Oid();
    notice.subject = record_.StringOrEmpty(kAppointmentSubject);
    for (const auto& attendee : *attendees_)
        notice.addresses.push_back(attendee->address.empty() ? attendee->name : attendee->address);
    OutlookMeetingNotices::Record(notice);
    return S_OK;
}

HRESULT OutlookAppointment::Cancel()
{
    if (attendees_->empty() || IsOccurrence()) return E_FAIL;
    const OutlookItemRecord before = record_;
    record_.SetLong(kAppointmentMeetingStatus, olMeetingCanceled);
    HRESULT hr = Save();
    if (FAILED(hr)) {
        record_ = before;
        return hr;
    }
    OutlookMeetingNotice notice;
    notice.oid = record_.Oid();
    notice.cancelled = true;
    notice.subject = record_.StringOrEmpty(kAppointmentSubject);
    for (const auto& attendee : *attendees_)
        notice.addresses.push_back(attendee->address.empty() ? attendee->name : attendee->address);
    OutlookMeetingNotices::Record(notice);
    return S_OK;
}

HRESULT OutlookAppointment::Delete()
{
    if (IsOccurrence()) return series_->DeleteOccurrence(originalDay_);
    return record_.Delete();
}

HRESULT OutlookAppointment::Copy(IAppointment** copy)
{
    if (!copy) return E_POINTER;
    OutlookItemRecord record = record_.CopyAsNew();
    if (IsOccurrence()) record.Remove(kAppointmentRecurrencePattern);
    OutlookAppointment* appointment = new OutlookAppointment(app_.Get(), std::move(record));
    appointment->categories_ = categories_;
    appointment->recurrence_ = IsOccurrence() ? std::nullopt : recurrence_;
    for (const auto& attendee : *attendees_)
        appointment->attendees_->push_back(std::make_shared<OutlookAttendee>(*attendee));
    *copy = appointment;
    return S_OK;
}

HRESULT OutlookAppointment::Display() { return E_NOTIMPL; }

// ---- Recurrence and identity ----

HRESULT OutlookAppointment::GetRecurrencePattern(IRecurrencePattern** pattern)
{
    if (!pattern) return E_POINTER;
    if (IsOccurrence()) return series_->GetRecurrencePattern(pattern);
    Recurrence();
    *pattern = new OutlookRecurrencePattern(this);
    return S_OK;
}

HRESULT OutlookAppointment::ClearRecurrencePattern()
{
    if (IsOccurrence()) return E_FAIL;
    recurrence_.reset();
    recurrenceCleared_ = true;
    return S_OK;
}

HRESULT OutlookAppointment::get_Oid(LONG* oid)
{
    if (!oid) return E_POINTER;
    *oid = static_cast<LONG>(IsOccurrence() ? series_->record_.Oid() : record_.Oid());
    return S_OK;
}

HRESULT OutlookAppointment::get_Application(IPOutlookApp** app) { return OutlookHandOut(app_.Get(), app); }

OutlookRecurrenceState& OutlookAppointment::Recurrence()
{
    if (IsOccurrence()) return series_->Recurrence();
    if (!recurrence_) {
        OutlookRecurrenceState state;
        const std::optional<FILETIME> utc = record_.FileTime(kAppointmentStart);
        const std::int64_t wall = utc ? WallFromUtc(FileTimeValueToMinutes(FileTimeValue(*utc))) : NextFullHourLocal();
        state.rule = OutlookRecurrencePattern::DefaultRule(static_cast<RecurrenceDay>(FloorDiv(wall, 1440)));
        recurrence_ = std::move(state);
    }
    return *recurrence_;
}

DATE OutlookAppointment::RecurrenceStartTime()
{
    const std::int64_t local = StartLocal().value_or(0);
    return static_cast<DATE>(local - FloorDiv(local, 1440) * 1440) / 1440.0;
}

LONG OutlookAppointment::RecurrenceDuration() { return record_.LongOr(kAppointmentDuration, 0); }

HRESULT OutlookAppointment::SetRecurrenceStartTime(DATE time)
{
    if (!std::isfinite(time)) return E_INVALIDARG;
    const std::int64_t local = StartLocal().value_or(NextFullHourLocal());
    const std::int64_t minute = std::llround((time - std::floor(time)) * 1440.0) % 1440;
    SetStartLocal(FloorDiv(local, 1440) * 1440 + minute);
    return S_OK;
}

HRESULT OutlookAppointment::SetRecurrenceDuration(LONG minutes)
{
    record_.SetLong(kAppointmentDuration, minutes);
    return S_OK;
}
