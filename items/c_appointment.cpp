// CAppointment: loading, saving, creating and deleting; the subject's
// conventions and the fields the editor changes.
#include "items/c_appointment.h"
#include "items/c_links.h"

#include <cmath>

#include "categories/category_text.h"
#include "categories/pim_record_categories.h"
#include "foundation/ce_string.h"
#include "items/appointment_alarms.h"
#include "items/c_journal.h"
#include "items/c_task_settings.h"
#include "items/item_bstr.h"
#include "platform/objectmodel/outlook_meeting_notices.h"
#include "platform/objectmodel/outlook_minutes.h"
#include "platform/text/owned_bstr.h"
#include "platform/ui/ui_host.h"
#include "storage/c_outlook.h"

using item_text::Get;
using item_text::Put;
using task_item::IsNoDate;
using task_item::ShowString;

namespace {

constexpr const WCHAR* kCalendarKey = u"Software\\Corvid\\Kestrel\\CAV";
constexpr UINT kAppointmentMissingString = 40421;
constexpr UINT kSubjectTooLongString = 40468;
constexpr UINT kOccurrenceOnlyString = 42479;
constexpr UINT kCancelMeetingString = 44041;
constexpr UINT kUpdateAttendeesString = 44042;
constexpr size_t kMaxSubjectChars = 1000;
// A reminder setting at or above this means "no reminder".
constexpr int kNoReminderSetting = 949997;
constexpr std::u16string_view kTemplateMark = u"[TEMPLATE:";
constexpr std::u16string_view kMarkOpen = u"<\u2022>";
constexpr std::u16string_view kMarkClose = u"</\u2022>";

int Ask(UINT id, UINT buttons)
{
    CeString text;
    text.LoadStringW(id);
    return MessageBoxW(nullptr, text, nullptr, buttons | MB_ICONQUESTION);
}

}  // namespace

CAppointment::CAppointment() = default;

CAppointment::CAppointment(const CAppointment& other) { CopyFields(other); }

CAppointment& CAppointment::operator=(const CAppointment& other)
{
    if (this != &other) CopyFields(other);
    return *this;
}

CAppointment::~CAppointment() = default;

void CAppointment::CopyFields(const CAppointment& o)
{
    m_item = platform::ComRef<IAppointment>::Share(o.m_item.Get());
    m_oid = o.m_oid;
    m_subject = o.m_subject;
    m_location = o.m_location;
    m_categories = o.m_categories;
    m_body = o.m_body;
    m_templateName = o.m_templateName;
    m_start = o.m_start;
    m_end = o.m_end;
    m_duration = o.m_duration;
    m_allDay = o.m_allDay;
    m_busy = o.m_busy;
    m_loadedBusy = o.m_loadedBusy;
    m_sensitivity = o.m_sensitivity;
    m_meetingStatus = o.m_meetingStatus;
    m_reminderSet = o.m_reminderSet;
    m_reminderMinutes = o.m_reminderMinutes;
    m_recurrence = o.m_recurrence;
    m_recurrenceChanged = o.m_recurrenceChanged;
    m_occurrence = o.m_occurrence;
    m_occurrenceDate = o.m_occurrenceDate;
    m_marked = o.m_marked;
    m_new = o.m_new;
    m_extraAlarms = o.m_extraAlarms;
    m_extraAlarmsChanged = o.m_extraAlarmsChanged;
}

bool CAppointment::RequireItem() const
{
    if (m_item) return true;
    ShowString(kAppointmentMissingString, MB_ICONERROR);
    return false;
}

// ---- The subject's conventions ----

std::u16string CAppointment::ComposeSubject(std::u16string_view subject, bool marked,
                                            std::u16string_view templateName)
{
    if (!templateName.empty())
        return std::u16string(kTemplateMark) + std::u16string(templateName) + u"]" + std::u16string(subject);
    if (marked) return std::u16string(kMarkOpen) + std::u16string(subject) + std::u16string(kMarkClose);
    return std::u16string(subject);
}

std::u16string CAppointment::SplitSubject(std::u16string_view stored, bool templateDay, bool& marked,
                                          std::u16string& templateName)
{
    marked = false;
    templateName.clear();
    if (templateDay && stored.substr(0, kTemplateMark.size()) == kTemplateMark) {
        const size_t close = stored.find(u']', kTemplateMark.size());
        // "[TEMPLATE:name" without its ']', and a template without a name,
        // are no template subjects: kept whole.
        if (close != std::u16string_view::npos && close > kTemplateMark.size()) {
            templateName = stored.substr(kTemplateMark.size(), close - kTemplateMark.size());
            return std::u16string(stored.substr(close + 1));
        }
        return std::u16string(stored);
    }
    const size_t close = stored.find(kMarkClose, kMarkOpen.size());
    if (stored.substr(0, kMarkOpen.size()) != kMarkOpen || close == std::u16string_view::npos)
        return std::u16string(stored);
    marked = true;
    std::u16string subject(stored.substr(kMarkOpen.size()));
    subject.erase(close - kMarkOpen.size(), kMarkClose.size());
    return subject;
}

// ---- Loading ----

bool CAppointment::ReadOID(long oid, double date, bool occurrence)
{
    m_item.Reset();
    m_oid = 0;
    m_occurrence = false;
    m_occurrenceDate = kNoOleDate;
    platform::ComRef<IDispatch> found;
    if (oid != 0 && SUCCEEDED(COutlook::GetOutlookObject().GetItemFromOid(oid, found.Put())))
        m_item = platform::ComRef<IAppointment>::Query(found.Get());
    if (!RequireItem()) return false;
    m_oid = oid;
    m_new = false;
    VARIANT_BOOL recurring = VARIANT_FALSE;
    m_item->get_IsRecurring(&recurring);
    if (!recurring) m_recurrence = AppointmentRecurrence{};
    if (occurrence && recurring && !IsNoDate(date)) {
        platform::ComRef<IRecurrencePattern> pattern;
        platform::ComRef<IAppointment> one;
        if (FAILED(m_item->GetRecurrencePattern(pattern.Put())) || !pattern ||
            FAILED(pattern->GetOccurrence(std::floor(date), one.Put())) || !one) {
            m_item.Reset();
            m_oid = 0;
            return RequireItem();
        }
        m_item = std::move(one);
        m_occurrence = true;
        m_occurrenceDate = std::floor(date);
    }
    return true;
}

bool CAppointment::LoadData()
{
    if (!RequireItem()) return false;
    IAppointment* item = m_item.Get();
    if (m_new) {
        const int minutes = ItemSetting(kCalendarKey, u"ReminderDefaultTime", 15);
        m_reminderSet = minutes >= 0 && minutes < kNoReminderSetting;
        m_reminderMinutes = m_reminderSet ? minutes : 0;
    } else {
        VARIANT_BOOL set = VARIANT_FALSE;
        item->get_ReminderSet(&set);
        m_reminderSet = set != VARIANT_FALSE;
        m_reminderMinutes = 0;
        if (m_reminderSet) item->get_ReminderMinutesBeforeStart(&m_reminderMinutes);
    }
    if (!m_occurrence) ReadRecurrence();
    m_recurrenceChanged = false;
    VARIANT_BOOL allDay = VARIANT_FALSE;
    item->get_AllDayEvent(&allDay);
    m_allDay = allDay != VARIANT_FALSE;
    const std::u16string stored = Get(item, &IAppointment::get_Subject);
    m_categories = Get(item, &IAppointment::get_Categories);
    item->get_MeetingStatus(&m_meetingStatus);
    m_location = Get(item, &IAppointment::get_Location);
    item->get_Sensitivity(&m_sensitivity);
    item->get_BusyStatus(&m_busy);
    m_loadedBusy = m_busy;
    item->get_Start(&m_start);
    item->get_Duration(&m_duration);
    item->get_End(&m_end);
    m_subject = SplitSubject(stored, IsTemplateStart(m_start), m_marked, m_templateName);
    m_body = Get(item, &IAppointment::get_Body);
    m_extraAlarms = m_new || m_occurrence ? std::vector<LONG>{} : AppointmentAlarms::Read(m_oid);
    m_extraAlarmsChanged = false;
    return true;
}

void CAppointment::ReadRecurrence()
{
    m_recurrence = AppointmentRecurrence{};
    VARIANT_BOOL recurring = VARIANT_FALSE;
    if (FAILED(m_item->get_IsRecurring(&recurring)) || !recurring) return;
    platform::ComRef<IRecurrencePattern> pattern;
    if (FAILED(m_item->GetRecurrencePattern(pattern.Put())) || !pattern) return;
    m_recurrence = ReadItemRecurrence(pattern.Get());
}

// ---- Saving ----

bool CAppointment::WriteRecurrence()
{
    if (!m_recurrenceChanged) return true;
    if (m_recurrence.type < 0) return SUCCEEDED(m_item->ClearRecurrencePattern());
    platform::ComRef<IRecurrencePattern> pattern;
    if (FAILED(m_item->GetRecurrencePattern(pattern.Put())) || !pattern) return false;
    const AppointmentRecurrence& r = m_recurrence;
    pattern->put_RecurrenceType(StoredRecurrenceType(r));
    const double patternStart = IsNoDate(r.patternStart) ? std::floor(m_start) : std::floor(r.patternStart);
    pattern->put_PatternStartDate(patternStart);
    pattern->put_StartTime(m_start - std::floor(m_start));
    pattern->put_Duration(m_duration);
    if (r.noEnd) {
        pattern->put_NoEndDate(VARIANT_TRUE);
    } else if (r.occurrences > 0) {
        pattern->put_Occurrences(r.occurrences);
    } else if (!IsNoDate(r.patternEnd) && r.patternEnd >= patternStart) {
        pattern->put_PatternEndDate(r.patternEnd);
    } else {
        pattern->put_NoEndDate(VARIANT_TRUE);
    }
    WriteRecurrenceRule(pattern.Get(), r);
    return true;
}

bool CAppointment::Save()
{
    if (!m_item && m_oid) ReadOID(m_oid);
    if (!RequireItem()) return false;
    // An over-long subject is refused before anything is written.
    if (m_subject.size() > kMaxSubjectChars) {
        ShowString(kSubjectTooLongString, MB_ICONEXCLAMATION);
        return false;
    }
    IAppointment* item = m_item.Get();
    if (m_marked) m_reminderSet = false;
    Put(item, &IAppointment::put_Subject, ComposeSubject(m_subject, m_marked, m_templateName));
    Put(item, &IAppointment::put_Location, m_location);
    item->put_BusyStatus(m_busy);
    item->put_AllDayEvent(m_allDay ? VARIANT_TRUE : VARIANT_FALSE);
    item->put_Start(m_start);
    item->put_Duration(m_duration);
    if (!m_occurrence) {
        Put(item, &IAppointment::put_Categories, m_categories);
        item->put_Sensitivity(m_sensitivity);
        item->put_ReminderSet(m_reminderSet ? VARIANT_TRUE : VARIANT_FALSE);
        if (m_reminderSet) item->put_ReminderMinutesBeforeStart(m_reminderMinutes);
        WriteRecurrence();
    }
    Put(item, &IAppointment::put_Body, m_body);
    if (!SaveItem(true)) return false;
    const bool created = m_new;
    m_new = false;
    m_recurrenceChanged = false;
    if (!m_occurrence && !(created && m_categories.empty())) WriteCategoryBlob();
    if (created) {
        CJournal::AutoJournal(u"NewAppointment", kJournalNewAppointmentString, static_cast<CEOID>(m_oid),
                              m_subject.c_str(), nullptr);
    }
    if (m_item) {
        item = m_item.Get();
        item->get_Start(&m_start);
        item->get_End(&m_end);
    }
    if (!m_occurrence && (!m_extraAlarms.empty() || m_extraAlarmsChanged)) {
        const std::u16string text = m_location.empty() ? m_subject : m_subject + u" (" + m_location + u")";
        AppointmentAlarms::Write(m_oid, m_start, text, m_extraAlarms);
        m_extraAlarmsChanged = false;
    }
    return true;
}

bool CAppointment::SaveItem(bool askAttendees)
{
    HRESULT hr = E_FAIL;
    if (askAttendees && IsMeeting() && Attendees().size() > 0 && Ask(kUpdateAttendeesString, MB_YESNO) == IDYES)
        hr = m_item->Send();
    else
        hr = m_item->Save();
    if (FAILED(hr)) {
        COutlook::DisplayPIMSaveError(hr);
        return false;
    }
    LONG oid = 0;
    m_item->get_Oid(&oid);
    m_oid = oid;
    return true;
}

bool CAppointment::WriteCategoryBlob()
{
    IDispatch* dispatch = nullptr;
    if (m_item) m_item->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    m_item.Reset();
    const bool written = SaveCategoriesToPIMRecord(m_categories.c_str(), &dispatch, m_oid, true);
    platform::ComRef<IDispatch> reopened;
    *reopened.Put() = dispatch;
    m_item = platform::ComRef<IAppointment>::Query(reopened.Get());
    return written;
}

// ---- Creating and deleting ----

bool CAppointment::Create(double date, const WCHAR* subject, int duration, CePtrList<CFullCategory*>* categories,
                          bool noCategories)
{
    POOMCREATEITEM request;
    request.date = date;
    request.subject = subject;
    request.duration = duration;
    request.categories = categories;
    request.noCategories = noCategories;
    request.noEditor = true;
    return Create(&request);
}

bool CAppointment::Create(const POOMCREATEITEM* request)
{
    *this = CAppointment();
    platform::ComRef<IDispatch> created;
    if (FAILED(COutlook::GetOutlookObject().CreateItem(olAppointmentItem, created.Put()))) return false;
    m_item = platform::ComRef<IAppointment>::Query(created.Get());
    if (!m_item) return false;
    m_new = true;
    const POOMCREATEITEM none;
    const POOMCREATEITEM& r = request ? *request : none;
    IAppointment* item = m_item.Get();
    if (r.categories && !r.noCategories && (r.demandCategories || SuiteSetting(u"bUseCatOnNew", 1)))
        Put(item, &IAppointment::put_Categories, CategoryTextOf(*r.categories));
    const double start = IsNoDate(r.date) ? platform::TodayOleDate() + 8.0 / 24.0 : r.date;
    item->put_Start(start);
    item->put_Duration(r.duration > 0 ? r.duration : 0);
    item->put_AllDayEvent(VARIANT_FALSE);
    item->put_BusyStatus(olBusy);
    item->put_Sensitivity(olNormal);
    item->put_ReminderSet(VARIANT_FALSE);
    if (r.subject) {
        std::u16string subject(r.subject);
        if (subject.size() > kMaxSubjectChars) {
            ShowString(kSubjectTooLongString, MB_ICONEXCLAMATION);
            subject.resize(kMaxSubjectChars);
        }
        Put(item, &IAppointment::put_Subject, subject);
    }
    // No editor window here: the caller edits through the setters and saves,
    // which writes the "NewAppointment" journal entry.
    return LoadData();
}

bool CAppointment::CancelWithAttendees(IAppointment* item, bool occurrence)
{
    if (Attendees().empty() || Ask(kCancelMeetingString, MB_YESNO) != IDYES) return false;
    if (!occurrence) return SUCCEEDED(item->Cancel());
    // The store cancels whole meetings only: the attendees of one occurrence
    // are told directly.
    OutlookMeetingNotice notice;
    notice.oid = static_cast<CEOID>(m_oid);
    notice.cancelled = true;
    notice.subject = Get(item, &IAppointment::get_Subject);
    notice.addresses = Attendees();
    OutlookMeetingNotices::Record(notice);
    return true;
}

int CAppointment::Delete(double date, bool noQuestion)
{
    if (!m_item && m_oid) ReadOID(m_oid);
    if (!RequireItem()) return 0;
    VARIANT_BOOL recurring = VARIANT_FALSE;
    m_item->get_IsRecurring(&recurring);
    if (recurring && !m_occurrence && !noQuestion) {
        const int answer = Ask(kOccurrenceOnlyString, MB_YESNOCANCEL);
        if (answer != IDYES && answer != IDNO) return 0;
        if (answer == IDYES) {
            platform::ComRef<IRecurrencePattern> pattern;
            platform::ComRef<IAppointment> occurrence;
            if (FAILED(m_item->GetRecurrencePattern(pattern.Put())) || !pattern ||
                FAILED(pattern->GetOccurrence(std::floor(date), occurrence.Put())) || !occurrence) {
                ShowString(kAppointmentMissingString, MB_ICONERROR);
                return 0;
            }
            if (IsMeeting()) CancelWithAttendees(occurrence.Get(), true);
            const HRESULT hr = occurrence->Delete();
            if (FAILED(hr)) {
                COutlook::DisplayPIMSaveError(hr);
                return 0;
            }
            CLinks::DeleteLinksOfItem(m_oid);
            return kApptDeletedOccurrence;
        }
    }
    if (IsMeeting()) CancelWithAttendees(m_item.Get(), m_occurrence);
    const HRESULT hr = m_item->Delete();
    if (FAILED(hr)) {
        COutlook::DisplayPIMSaveError(hr);
        return 0;
    }
    const bool occurrence = m_occurrence;
    CLinks::DeleteLinksOfItem(m_oid);
    if (!occurrence) AppointmentAlarms::Clear(m_oid);
    m_item.Reset();
    if (!occurrence) m_oid = 0;
    return occurrence ? kApptDeletedOccurrence : kApptDeletedSeries;
}

// ---- Fields ----

void CAppointment::SetStart(double start)
{
    m_start = start;
    m_end = start + m_duration / 1440.0;
}

bool CAppointment::SetDuration(LONG minutes)
{
    if (minutes < 0) return false;
    m_duration = minutes;
    m_end = m_start + minutes / 1440.0;
    return true;
}

void CAppointment::SetAllDay(bool allDay)
{
    if (allDay == m_allDay) return;
    m_allDay = allDay;
    if (allDay) {
        if (ItemSetting(kCalendarKey, u"bAllDayFree", 1)) m_busy = olFree;
        if (ItemSetting(kCalendarKey, u"bAllDayNoAlarm", 1)) m_reminderSet = false;
    } else {
        m_busy = m_loadedBusy;
    }
}

void CAppointment::SetReminder(LONG minutes)
{
    m_reminderSet = minutes >= 0;
    m_reminderMinutes = m_reminderSet ? minutes : 0;
}

void CAppointment::SetExtraAlarms(std::vector<LONG> minutes)
{
    m_extraAlarms = std::move(minutes);
    m_extraAlarmsChanged = true;
}

void CAppointment::SetRecurrence(const AppointmentRecurrence& pattern)
{
    m_recurrence = pattern;
    if (m_recurrence.type < 0) m_recurrence = AppointmentRecurrence{};
    m_recurrenceChanged = true;
}

std::vector<std::u16string> CAppointment::Attendees() const
{
    std::vector<std::u16string> names;
    platform::ComRef<IRecipients> recipients;
    if (!m_item || FAILED(m_item->get_Recipients(recipients.Put())) || !recipients) return names;
    int count = 0;
    recipients->get_Count(&count);
    for (int i = 1; i <= count; ++i) {
        platform::ComRef<IRecipient> one;
        if (FAILED(recipients->Item(i, one.Put())) || !one) continue;
        std::u16string address = Get(one.Get(), &IRecipient::get_Address);
        names.push_back(address.empty() ? Get(one.Get(), &IRecipient::get_Name) : address);
    }
    return names;
}

bool CAppointment::AddAttendee(std::u16string_view name, std::u16string_view address)
{
    platform::ComRef<IRecipients> recipients;
    platform::ComRef<IRecipient> added;
    if (!RequireItem() || FAILED(m_item->get_Recipients(recipients.Put())) || !recipients) return false;
    platform::OwnedBstr text(name);
    if (FAILED(recipients->Add(text, added.Put())) || !added) return false;
    if (!address.empty()) Put(added.Get(), &IRecipient::put_Address, address);
    if (m_meetingStatus == olNonMeeting) {
        m_meetingStatus = olMeeting;
        m_item->put_MeetingStatus(olMeeting);
    }
    return true;
}
