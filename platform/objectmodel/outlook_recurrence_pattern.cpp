#include "platform/objectmodel/outlook_recurrence_pattern.h"

#include <cmath>

#include "platform/objectmodel/outlook_minutes.h"
#include "platform/recurrence/recurrence_dates.h"

using namespace platform;

OutlookRecurrencePattern::OutlookRecurrencePattern(OutlookRecurrenceHost* host)
    : host_(host), item_(ComRef<IUnknown>::Share(host->RecurrenceItem()))
{}

RecurrenceRule OutlookRecurrencePattern::DefaultRule(RecurrenceDay day)
{
    RecurrenceRule rule;
    rule.patternStartDay = day;
    ResetKindFields(rule, kRecursWeekly);
    return rule;
}

void OutlookRecurrencePattern::ResetKindFields(RecurrenceRule& rule, LONG type)
{
    const RecurrenceCivilDate date = RecurrenceDateFromDay(rule.patternStartDay);
    const int weekday = RecurrenceDayOfWeek(rule.patternStartDay);
    rule.type = static_cast<int>(type);
    rule.interval = 1;
    rule.dayOfWeekMask = 0;
    rule.dayOfMonth = 0;
    rule.instance = 0;
    rule.monthOfYear = 0;
    switch (type) {
        case kRecursWeekly:
            rule.dayOfWeekMask = 1 << weekday;
            break;
        case kRecursMonthly:
            rule.dayOfMonth = date.day;
            break;
        case kRecursMonthNth:
            rule.dayOfWeekMask = 1 << weekday;
            rule.instance = (date.day - 1) / 7 + 1;
            break;
        case kRecursYearly:
            rule.dayOfMonth = date.day;
            rule.monthOfYear = date.month;
            break;
        case kRecursYearNth:
            rule.dayOfWeekMask = 1 << weekday;
            rule.instance = (date.day - 1) / 7 + 1;
            rule.monthOfYear = date.month;
            break;
        default:
            break;
    }
}

HRESULT OutlookRecurrencePattern::SetField(int RecurrenceRule::*field, LONG value)
{
    OutlookRecurrenceState& state = host_->Recurrence();
    if (state.rule.*field != value) {
        state.rule.*field = static_cast<int>(value);
        state.ClearOccurrenceChanges();
    }
    return S_OK;
}

HRESULT OutlookRecurrencePattern::get_RecurrenceType(LONG* type)
{
    if (!type) return E_POINTER;
    *type = Rule().type;
    return S_OK;
}

HRESULT OutlookRecurrencePattern::put_RecurrenceType(LONG type)
{
    if (type != kRecursDaily && type != kRecursWeekly && type != kRecursMonthly && type != kRecursMonthNth &&
        type != kRecursYearly && type != kRecursYearNth)
        return E_INVALIDARG;
    OutlookRecurrenceState& state = host_->Recurrence();
    RecurrenceRule before = state.rule;
    ResetKindFields(state.rule, type);
    if (!(before == state.rule)) state.ClearOccurrenceChanges();
    return S_OK;
}

HRESULT OutlookRecurrencePattern::get_PatternStartDate(DATE* date)
{
    if (!date) return E_POINTER;
    *date = RecurrenceDayToOleDate(Rule().patternStartDay);
    return S_OK;
}

HRESULT OutlookRecurrencePattern::put_PatternStartDate(DATE date)
{
    if (!OleDateToMinutes(date)) return E_INVALIDARG;
    return SetField(&RecurrenceRule::patternStartDay, OleDateToRecurrenceDay(date));
}

HRESULT OutlookRecurrencePattern::get_PatternEndDate(DATE* date)
{
    if (!date) return E_POINTER;
    const RecurrenceRule& rule = Rule();
    *date = kNoOleDate;
    if (rule.end == RecurrenceEnd::kByDate) {
        *date = RecurrenceDayToOleDate(rule.patternEndDay);
    } else if (rule.end == RecurrenceEnd::kAfterOccurrences) {
        if (std::optional<RecurrenceDay> last = RecurrenceDates(rule).Last()) *date = RecurrenceDayToOleDate(*last);
    }
    return S_OK;
}

HRESULT OutlookRecurrencePattern::put_PatternEndDate(DATE date)
{
    OutlookRecurrenceState& state = host_->Recurrence();
    if (date == kNoOleDate) return put_NoEndDate(VARIANT_TRUE);
    if (!OleDateToMinutes(date)) return E_INVALIDARG;
    const RecurrenceDay day = OleDateToRecurrenceDay(date);
    if (state.rule.end != RecurrenceEnd::kByDate || state.rule.patternEndDay != day) {
        state.rule.end = RecurrenceEnd::kByDate;
        state.rule.patternEndDay = day;
        state.ClearOccurrenceChanges();
    }
    return S_OK;
}

HRESULT OutlookRecurrencePattern::get_NoEndDate(VARIANT_BOOL* noEnd)
{
    if (!noEnd) return E_POINTER;
    *noEnd = Rule().end == RecurrenceEnd::kNoEnd ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT OutlookRecurrencePattern::put_NoEndDate(VARIANT_BOOL noEnd)
{
    OutlookRecurrenceState& state = host_->Recurrence();
    if (noEnd) {
        if (state.rule.end != RecurrenceEnd::kNoEnd) state.ClearOccurrenceChanges();
        state.rule.end = RecurrenceEnd::kNoEnd;
    } else if (state.rule.end == RecurrenceEnd::kNoEnd) {
        // An end is needed: ten occurrences until told otherwise.
        state.rule.end = RecurrenceEnd::kAfterOccurrences;
        state.rule.occurrences = 10;
        state.ClearOccurrenceChanges();
    }
    return S_OK;
}

HRESULT OutlookRecurrencePattern::get_Occurrences(LONG* count)
{
    if (!count) return E_POINTER;
    const RecurrenceRule& rule = Rule();
    *count = 0;
    if (rule.end == RecurrenceEnd::kAfterOccurrences) {
        *count = rule.occurrences;
    } else if (rule.end == RecurrenceEnd::kByDate) {
        *count = static_cast<LONG>(RecurrenceDates(rule).CountThrough(rule.patternEndDay));
    }
    return S_OK;
}

HRESULT OutlookRecurrencePattern::put_Occurrences(LONG count)
{
    OutlookRecurrenceState& state = host_->Recurrence();
    if (state.rule.end != RecurrenceEnd::kAfterOccurrences || state.rule.occurrences != count) {
        state.rule.end = RecurrenceEnd::kAfterOccurrences;
        state.rule.occurrences = static_cast<int>(count);
        state.ClearOccurrenceChanges();
    }
    return S_OK;
}

HRESULT OutlookRecurrencePattern::get_StartTime(DATE* time)
{
    if (!time) return E_POINTER;
    *time = host_->RecurrenceStartTime();
    return S_OK;
}

HRESULT OutlookRecurrencePattern::put_StartTime(DATE time) { return host_->SetRecurrenceStartTime(time); }

HRESULT OutlookRecurrencePattern::get_Duration(LONG* minutes)
{
    if (!minutes) return E_POINTER;
    *minutes = host_->RecurrenceDuration();
    return S_OK;
}

HRESULT OutlookRecurrencePattern::put_Duration(LONG minutes) { return host_->SetRecurrenceDuration(minutes); }

HRESULT OutlookRecurrencePattern::get_EndTime(DATE* time)
{
    if (!time) return E_POINTER;
    const double end = host_->RecurrenceStartTime() + host_->RecurrenceDuration() / 1440.0;
    *time = end - std::floor(end);
    return S_OK;
}

HRESULT OutlookRecurrencePattern::put_EndTime(DATE time)
{
    if (!std::isfinite(time)) return E_INVALIDARG;
    const LONG start = std::lround(host_->RecurrenceStartTime() * 1440.0);
    LONG end = std::lround((time - std::floor(time)) * 1440.0) % 1440;
    // An end at or before the start ends on the next day.
    if (end <= start) end += 1440;
    return host_->SetRecurrenceDuration(end - start);
}

HRESULT OutlookRecurrencePattern::get_Interval(LONG* interval)
{
    if (!interval) return E_POINTER;
    *interval = Rule().interval;
    return S_OK;
}

HRESULT OutlookRecurrencePattern::put_Interval(LONG interval) { return SetField(&RecurrenceRule::interval, interval); }

HRESULT OutlookRecurrencePattern::get_DayOfWeekMask(LONG* mask)
{
    if (!mask) return E_POINTER;
    *mask = Rule().dayOfWeekMask;
    return S_OK;
}

HRESULT OutlookRecurrencePattern::put_DayOfWeekMask(LONG mask)
{
    return SetField(&RecurrenceRule::dayOfWeekMask, mask);
}

HRESULT OutlookRecurrencePattern::get_DayOfMonth(LONG* day)
{
    if (!day) return E_POINTER;
    *day = Rule().dayOfMonth;
    return S_OK;
}

HRESULT OutlookRecurrencePattern::put_DayOfMonth(LONG day) { return SetField(&RecurrenceRule::dayOfMonth, day); }

HRESULT OutlookRecurrencePattern::get_Instance(LONG* instance)
{
    if (!instance) return E_POINTER;
    *instance = Rule().instance;
    return S_OK;
}

HRESULT OutlookRecurrencePattern::put_Instance(LONG instance) { return SetField(&RecurrenceRule::instance, instance); }

HRESULT OutlookRecurrencePattern::get_MonthOfYear(LONG* month)
{
    if (!month) return E_POINTER;
    *month = Rule().monthOfYear;
    return S_OK;
}

HRESULT OutlookRecurrencePattern::put_MonthOfYear(LONG month) { return SetField(&RecurrenceRule::monthOfYear, month); }

HRESULT OutlookRecurrencePattern::get_Exceptions(IExceptions** exceptions)
{
    if (!exceptions) return E_POINTER;
    return host_->RecurrenceExceptions(exceptions);
}

HRESULT OutlookRecurrencePattern::GetOccurrence(DATE date, IAppointment** occurrence)
{
    if (!occurrence) return E_POINTER;
    return host_->RecurrenceOccurrence(date, occurrence);
}

HRESULT OutlookRecurrencePattern::get_Application(IPOutlookApp** app)
{
    return OutlookHandOut(host_->RecurrenceApplication(), app);
}
