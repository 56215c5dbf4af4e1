// CCalendarRecurrence: the range, the dispatch to the fillers, and turning
// one pattern date into an entry (unchanged or changed) with its times on
// the device's clock.
#include "engine/calendar_recurrence.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/calendar_day_numbers.h"
#include "foundation/time_zone_rules.h"
#include "platform/text/bstr.h"

namespace {

// The last day the loader shows (31 December 2999).
constexpr LONG kLastShownDay = 401768;

// A wall-clock time of the appointment's zone on the device's clock. Times
// the conversion cannot represent stay as they are.
SYSTEMTIME ToDeviceClock(const SYSTEMTIME& local, const TIME_ZONE_INFORMATION& own, const TIME_ZONE_INFORMATION& device)
{
    SYSTEMTIME utc{};
    SYSTEMTIME out{};
    BOOL dst = FALSE;
    if (!CeTzSpecificLocalTimeToSystemTime(&own, &local, IsInDST(local.wYear, local.wMonth, local.wDay, &own), &utc)) {
        return local;
    }
    if (!CeSystemTimeToTzSpecificLocalTime(&device, &utc, &out, &dst)) return local;
    return out;
}

// Minutes as a LONG; spans beyond it (only damaged patterns make them) are cut.
LONG MinutesToLong(double minutes)
{
    if (!(minutes > -2147483648.0)) return std::numeric_limits<LONG>::min();
    if (!(minutes < 2147483647.0)) return std::numeric_limits<LONG>::max();
    return static_cast<LONG>(std::lround(minutes));
}

BSTR CopyText(BSTR text) { return text ? SysAllocStringLen(text, SysStringLen(text)) : nullptr; }

}  // namespace

CCalendarRecurrence::CCalendarRecurrence() : m_deleted(1) {}

CCalendarRecurrence::~CCalendarRecurrence() = default;

void CCalendarRecurrence::SetRange(LONG firstDay, LONG lastDay, bool rangeMode)
{
    m_firstDay = firstDay;
    m_lastDay = lastDay;
    m_rangeMode = rangeMode;
}

void CCalendarRecurrence::SetDeviceZone(const TIME_ZONE_INFORMATION* zone)
{
    m_bDeviceZoneSet = zone != nullptr;
    if (zone) m_deviceZone = *zone;
    m_bCurrentZoneRead = false;
}

const TIME_ZONE_INFORMATION& CCalendarRecurrence::DeviceZone()
{
    if (m_bDeviceZoneSet) return m_deviceZone;
    if (!m_bCurrentZoneRead) {
        m_currentZone = TIME_ZONE_INFORMATION{};
        GetTimeZoneInformation(&m_currentZone);
        m_bCurrentZoneRead = true;
    }
    return m_currentZone;
}

void CCalendarRecurrence::fFillEventList(DATACALENDARDB& working, CalendarOccurrenceSink& sink)
{
    m_recordRest = 0;
    m_bCurrentZoneRead = false;  // the device zone as of this expansion
    switch (working.frequency) {
        case kRecurDaily:
            if (working.patternType == 0) return fFillDailyEvents(working, sink);
            if (working.patternType == 1) return fFillWeekDayEvents(working, sink);
            break;
        case kRecurWeekly:
            if (working.patternType == 1) return fFillWeeklyEvents(working, sink);
            break;
        case kRecurMonthly:
            if (working.patternType == 2) return fFillMonthlyType2(working, sink);
            if (working.patternType == 3) return fFillMonthlyType3(working, sink);
            break;
        case kRecurYearly:
            if (working.patternType == 2) return fFillYearlyType2(working, sink);
            if (working.patternType == 3) return fFillYearlyType3(working, sink);
            break;
        default:
            return fFillNonRecurrEvnt(working, sink);
    }
    // A frequency with a pattern type it does not take: nothing to expand.
}

void CCalendarRecurrence::fFillNonRecurrEvnt(DATACALENDARDB& working, CalendarOccurrenceSink& sink)
{
    m_recordRest = 0;
    const double lastDay = std::floor(working.end);
    const LONG firstDay = working.day;
    if (m_rangeMode && (lastDay < m_firstDay || firstDay > m_lastDay || firstDay < 0 || lastDay > kLastShownDay)) {
        return;
    }
    if (!EnsureRecordRest(working, sink)) return;
    DATACALENDAR* entry = working.CopySharingTexts();
    if (entry) sink.AddEntry(entry);
}

bool CCalendarRecurrence::EnsureRecordRest(DATACALENDARDB& working, CalendarOccurrenceSink& sink)
{
    if (m_recordRest == 0) {
        // The sink may replace the working record's strings by hand, which
        // strings still shared with the last record's entries must not see.
        if (!working.OwnTexts()) return false;
        m_recordRest = sink.ReadRecordRest(working) ? 1 : 2;
    }
    return m_recordRest == 1;
}

LONG CalendarOccurrenceSink::LastDayOf(const DATACALENDAR& entry) const
{
    using Limits = std::numeric_limits<LONG>;
    return static_cast<LONG>(std::clamp(std::floor(entry.end), double{Limits::min()}, double{Limits::max()}));
}

void CCalendarRecurrence::AddWhenInRange(DATACALENDAR* entry, CalendarOccurrenceSink& sink)
{
    if (sink.LastDayOf(*entry) >= m_firstDay && entry->day <= m_lastDay) {
        sink.AddEntry(entry);
    } else {
        delete entry;
    }
}

void CCalendarRecurrence::VisitPatternDate(DATACALENDARDB& working, CalendarOccurrenceSink& sink, long long day,
                                           long long patternStart)
{
    if (day < patternStart) return;
    m_occurrenceDate = static_cast<double>(day);
    // The civil date only serves to match deleted and changed occurrences:
    // a series with neither (most of them) goes without it.
    if (m_deleted.GetCount() != 0 || working.exceptions.GetCount() != 0) {
        m_occurrence = calendar_days::SystemTimeOfDay(day);
        if (fCheckDeleteExp(m_occurrence)) return;
        if (fCheckExp(working, m_occurrence, sink)) return;
    }
    fFillEventInfo(working, sink);
}

bool CCalendarRecurrence::fCheckDeleteExp(const SYSTEMTIME& date) const
{
    if (m_deleted.GetCount() == 0) return false;
    const long long day = calendar_days::DayOfSystemTime(date);
    if (static_cast<int>(m_deletedDays.size()) == m_deleted.GetCount()) {
        return std::binary_search(m_deletedDays.begin(), m_deletedDays.end(), day);
    }
    // The list was filled from outside the parser: look through it.
    for (DWORD minutes : m_deleted) {
        if (calendar_days::DayOfMinutes(minutes) == day) return true;
    }
    return false;
}

bool CCalendarRecurrence::fCheckExp(DATACALENDARDB& working, const SYSTEMTIME& date, CalendarOccurrenceSink& sink)
{
    const long long day = calendar_days::DayOfSystemTime(date);
    for (int i = working.exceptions.GetCount(); i >= 1; --i) {
        CALENDAREXCEPTION* e = working.exceptions.GetAt(i);
        if (e == nullptr) continue;
        long long matchDay;
        if (e->moved) {
            matchDay = calendar_days::DayOfMinutes(e->originalDate);
        } else if (e->multiDay) {
            matchDay = calendar_days::DayOfSystemTime(e->startTime);
        } else {
            matchDay = calendar_days::DayOfMinutes(e->start);
        }
        if (matchDay != day) continue;

        LONG duration = 0;
        long long occurrenceDay = day;
        if (e->moved) {
            occurrenceDay = calendar_days::DayOfMinutes(e->newStart);
            if (e->multiDay) {
                const DWORD minutes = e->end - e->startAgain;
                duration = static_cast<LONG>(std::min<DWORD>(minutes, std::numeric_limits<LONG>::max()));
            }
        }
        if (occurrenceDay < std::int64_t{m_firstDay} - 2) return true;
        if (e->subject && !sink.IsAppointmentToBeDisplayed(e->subject)) return true;
        if (!EnsureRecordRest(working, sink)) return true;
        DATACALENDAR* entry = working.CopySharingTexts();
        if (entry == nullptr) return true;
        // A changed subject or location is the occurrence's own.
        if ((e->subject || e->location) && !entry->OwnTexts()) {
            delete entry;
            return true;
        }
        if (e->allDay != -1) entry->allDay = static_cast<WORD>(e->allDay);
        if (e->subject) {
            SysFreeString(entry->subject);
            entry->subject = CopyText(e->subject);
        }
        if (e->location) {
            SysFreeString(entry->location);
            entry->location = CopyText(e->location);
        }
        entry->hasNote = e->ownNote;
        if (e->busyStatus != -1) entry->busyStatus = e->busyStatus;
        entry->exception = 1;
        m_occurrence = calendar_days::SystemTimeOfDay(occurrenceDay);
        m_occurrenceDate = static_cast<double>(occurrenceDay);
        fGetRecurTimingStr(HasOwnZone(working) ? &working.zone : nullptr, e->startHour, e->startMinute, e->endHour,
                           e->endMinute, entry, duration);
        AddWhenInRange(entry, sink);
        return true;
    }
    return false;
}

void CCalendarRecurrence::fFillEventInfo(DATACALENDARDB& working, CalendarOccurrenceSink& sink)
{
    if (m_occurrenceDate < static_cast<double>(m_firstDay) - 2) return;
    if (!EnsureRecordRest(working, sink)) return;
    DATACALENDAR* entry = working.CopySharingTexts();
    if (entry == nullptr) return;
    fGetRecurTimingStr(HasOwnZone(working) ? &working.zone : nullptr, working.startHour, working.startMinute,
                       working.endHour, working.endMinute, entry, 0);
    AddWhenInRange(entry, sink);
}

void CCalendarRecurrence::fGetRecurTimingStr(const TIME_ZONE_INFORMATION* zone, int startHour, int startMinute,
                                             int endHour, int endMinute, DATACALENDAR* entry, LONG duration)
{
    const long long base = static_cast<long long>(std::floor(m_occurrenceDate));
    const bool allDay = entry->allDay != 0;
    startHour = std::max(startHour, 0);
    endHour = std::max(endHour, 0);
    startMinute = std::clamp(startMinute, 0, 59);
    endMinute = std::clamp(endMinute, 0, 59);

    const bool convert = !allDay && zone != nullptr;
    // Without a zone to convert from, the date is reckoned from the day
    // number directly rather than through a civil date and back.
    auto dateAt = [&](int hour, int minute) {
        if (!convert) return static_cast<double>(base + hour / 24) + ((hour % 24) * 60 + minute) / 1440.0;
        const SYSTEMTIME local = calendar_days::SystemTimeOfDay(base + hour / 24, hour % 24, minute);
        return calendar_days::OleDateOf(ToDeviceClock(local, *zone, DeviceZone()));
    };
    double startDate = dateAt(startHour, startMinute);
    double endDate;
    if (duration > 0) {
        LONG minutes = duration;
        if (allDay && minutes >= 1340) minutes -= 1440;
        endDate = startDate + minutes / 1440.0;
    } else {
        // An all-day entry's end of 24:00 is the start of its last day.
        if (allDay && endHour >= 24) endHour -= 24;
        endDate = dateAt(endHour, endMinute);
    }
    if (allDay) {
        startDate = std::floor(startDate);
        endDate = std::floor(endDate);
        entry->duration = MinutesToLong((endDate - startDate + 1) * 1440);
    } else {
        entry->duration = MinutesToLong((endDate - startDate) * 1440);
    }
    entry->start = startDate;
    entry->end = endDate;
    entry->day = static_cast<LONG>(std::floor(startDate));
}
