// CAppointment: the editor's recurrence operations (one occurrence, this and
// the following ones, the series), templates applied to an open appointment,
// the summary window and the context-menu actions.
#include <cmath>

#include "engine/calendar_settings.h"
#include "items/appointment_alarms.h"
#include "items/c_appointment.h"
#include "items/c_links.h"
#include "items/c_task_settings.h"
#include "items/infrared_beam.h"
#include "items/item_copy.h"
#include "platform/ui/ui_host.h"
#include "storage/c_outlook.h"

using task_item::ShowString;

namespace {

constexpr UINT kAppointmentMissingString = 40421;

}  // namespace

int CAppointment::CheckForRecurrence(double date, bool ask, int choice)
{
    if (!m_item && m_oid) ReadOID(m_oid);
    if (!RequireItem()) return kApptEditCancel;
    VARIANT_BOOL recurring = VARIANT_FALSE;
    m_item->get_IsRecurring(&recurring);
    if (m_occurrence || !recurring) return kApptEditSeries;
    const int answer =
        ask ? AskUser(u"ApptEditRecurrence",
                      u"Change only this occurrence (1), this and the following occurrences (3), or the whole "
                      u"series (2)?",
                      choice)
            : choice;
    switch (answer) {
        case kApptEditOccurrence: {
            const long oid = m_oid;
            return ReadOID(oid, date, true) && LoadData() ? answer : kApptEditCancel;
        }
        case kApptEditFollowing: return BranchSeries(date) ? answer : kApptEditCancel;
        case kApptEditSeries: return LoadData() ? answer : kApptEditCancel;
        default: return kApptEditCancel;
    }
}

long CAppointment::BranchSeries(double date)
{
    if (m_occurrence || (!m_item && m_oid)) ReadOID(m_oid);
    if (!RequireItem()) return 0;
    VARIANT_BOOL recurring = VARIANT_FALSE;
    m_item->get_IsRecurring(&recurring);
    platform::ComRef<IRecurrencePattern> pattern;
    platform::ComRef<IAppointment> occurrence;
    const double day = std::floor(date);
    if (!recurring || FAILED(m_item->GetRecurrencePattern(pattern.Put())) || !pattern ||
        FAILED(pattern->GetOccurrence(day, occurrence.Put())) || !occurrence) {
        ShowString(kAppointmentMissingString, MB_ICONERROR);
        return 0;
    }
    DATE first = 0;
    pattern->get_PatternStartDate(&first);
    if (day <= std::floor(first)) return LoadData() ? m_oid : 0;
    VARIANT_BOOL noEnd = VARIANT_FALSE;
    DATE last = kNoOleDate;
    DATE start = 0;
    pattern->get_NoEndDate(&noEnd);
    pattern->get_PatternEndDate(&last);
    m_item->get_Start(&start);

    // The new series first: when it cannot be saved the old one is untouched.
    platform::ComRef<IAppointment> copy;
    platform::ComRef<IRecurrencePattern> branched;
    if (FAILED(m_item->Copy(copy.Put())) || !copy) return 0;
    copy->put_Start(day + (start - std::floor(start)));
    if (FAILED(copy->GetRecurrencePattern(branched.Put())) || !branched) return 0;
    branched->put_PatternStartDate(day);
    // A series ending after a number of occurrences keeps its last day.
    if (noEnd) branched->put_NoEndDate(VARIANT_TRUE);
    else branched->put_PatternEndDate(last);
    HRESULT hr = copy->Save();
    if (FAILED(hr)) {
        COutlook::DisplayPIMSaveError(hr);
        return 0;
    }
    LONG branchOid = 0;
    copy->get_Oid(&branchOid);
    pattern->put_PatternEndDate(day - 1);
    hr = m_item->Save();
    if (FAILED(hr)) {
        copy->Delete();
        COutlook::DisplayPIMSaveError(hr);
        return 0;
    }
    const long seriesOid = m_oid;
    CLinks::Copy(branchOid, seriesOid, true);
    const std::vector<LONG> alarms = AppointmentAlarms::Read(seriesOid);
    if (!ReadOID(branchOid) || !LoadData()) return 0;
    if (!alarms.empty()) {
        const std::u16string text = m_location.empty() ? m_subject : m_subject + u" (" + m_location + u")";
        AppointmentAlarms::Write(branchOid, m_start, text, alarms);
        m_extraAlarms = alarms;
    }
    return branchOid;
}

bool CAppointment::ApplyTemplate(long templateOid)
{
    if (!RequireItem()) return false;
    CAppointment source;
    if (!source.ReadOID(templateOid) || !source.LoadData()) return false;
    if (!IsTemplateStart(source.m_start)) return false;
    m_subject = source.m_subject;
    m_location = source.m_location;
    m_categories = source.m_categories;
    m_body = source.m_body;
    m_busy = source.m_busy;
    m_sensitivity = source.m_sensitivity;
    m_reminderSet = source.m_reminderSet;
    m_reminderMinutes = source.m_reminderMinutes;
    m_allDay = source.m_allDay;
    if (AskUser(u"TemplateApptApplyTime", u"Apply the template's time as well?", IDYES) == IDYES)
        m_start = std::floor(m_start) + (source.m_start - std::floor(source.m_start));
    SetDuration(source.m_duration);
    return true;
}

bool CAppointment::DisplaySummaryWindow(HWND host)
{
    if (!host && !ItemSetting(kCalendarSettingsKey, u"SummaryDlg", 1)) return false;
    if (!m_item && m_oid && ReadOID(m_oid)) LoadData();
    if (!RequireItem()) return false;
    AskUser(u"ApptSummary", SummaryMarkup(), IDOK);
    return true;
}

long CAppointment::Copy()
{
    if (!m_item && m_oid && ReadOID(m_oid)) LoadData();
    if (!RequireItem()) return 0;
    platform::ComRef<IAppointment> copy;
    if (FAILED(m_item->Copy(copy.Put())) || !copy) return 0;
    // An occurrence stands for one day: its copy is a single appointment.
    if (m_occurrence) copy->ClearRecurrencePattern();
    const HRESULT hr = copy->Save();
    if (FAILED(hr)) {
        COutlook::DisplayPIMSaveError(hr);
        return 0;
    }
    LONG made = 0;
    copy->get_Oid(&made);
    if (!made) return 0;
    FinishItemCopy(platform::ComRef<IDispatch>::Adopt(copy.Detach()), made, m_oid, m_categories);
    return made;
}

bool CAppointment::SendViaIR()
{
    if (!RequireItem()) return false;
    // An unsaved appointment has nothing in the store to beam.
    if (!m_oid) {
        task_item::ShowString(kBeamFailedString, MB_ICONERROR);
        return false;
    }
    return BeamItemOrShow(olAppointmentItem, m_oid);
}

bool CAppointment::DoContext(int command, double date)
{
    if (!m_item && m_oid && ReadOID(m_oid)) LoadData();
    if (!RequireItem()) return false;
    switch (command) {
        case kApptContextDelete: return Delete(date, false) != 0;
        case kApptContextToggleMark: m_marked = !m_marked; return Save();
        case kApptContextTogglePrivate: return SetPrivacy();
        case kApptContextBusy: return ChangeBusyStatus(olBusy);
        case kApptContextFree: return ChangeBusyStatus(olFree);
        case kApptContextTentative: return ChangeBusyStatus(olTentative);
        case kApptContextOutOfOffice: return ChangeBusyStatus(olOutOfOffice);
        case kApptContextSummary: return DisplaySummaryWindow(nullptr);
        case kApptContextBeam: return SendViaIR();
        case kApptContextCopy: return Copy() != 0;
        default: return false;
    }
}
