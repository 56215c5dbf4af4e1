// Reading one appointment record into the calendar loader's working record:
// the filters and view tests that decide whether it is shown, its local
// times, and (only for records that produce an entry) the rest of its
// fields, including birthday and anniversary recognition.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "categories/category_blob.h"
#include "categories/category_filter.h"
#include "engine/calendar_day_numbers.h"
#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/objectstore/property_walk.h"
#include "platform/objectstore/store_schema.h"
#include "engine/calendar_thread.h"
#include "engine/note_emptiness.h"
#include "foundation/time_zone_rules.h"
#include "platform/base/private_heap.h"
#include "platform/text/wide_string.h"
#include "platform/time/variant_time.h"

namespace {

// Positions in the property list.
enum AppointmentProp {
    kStart,
    kDuration,
    kAllDay,
    kReminder,
    kUnused4223,
    kSensitivity,
    kBusyStatus,
    kSubject,
    kLocation,
    kExtraText,
    kNote,
    kCategories,
    kPattern,
    kAttendees,
    kZone,
};

// The record was read by the list of identifiers: each entry sits at its
// place in the list, where it is looked for first.
const CEPROPVAL* Entry(const CeDbRecord& record, const ULONG* ids, AppointmentProp prop)
{
    return record.StoredAt(record.FindProp(ids[prop], prop));
}

const WCHAR* TextOf(const CeDbRecord& record, const ULONG* ids, AppointmentProp prop)
{
    const CEPROPVAL* entry = Entry(record, ids, prop);
    return entry && TypeFromPropID(entry->propid) == CEVT_LPWSTR ? entry->val.lpwstr : nullptr;
}

CEBLOB BlobOf(const CeDbRecord& record, const ULONG* ids, AppointmentProp prop)
{
    const CEPROPVAL* entry = Entry(record, ids, prop);
    if (!entry || TypeFromPropID(entry->propid) != CEVT_BLOB) return CEBLOB{0, nullptr};
    return entry->val.blob;
}

LONG NumberOf(const CeDbRecord& record, const ULONG* ids, AppointmentProp prop)
{
    const CEPROPVAL* entry = Entry(record, ids, prop);
    if (!entry) return 0;
    return TypeFromPropID(entry->propid) == CEVT_I2 || TypeFromPropID(entry->propid) == CEVT_UI2 ? entry->val.iVal
                                                                                                 : entry->val.lVal;
}

// True when hay contains needle, compared without case; an empty needle never matches.
bool ContainsNoCase(const WCHAR* hay, const WCHAR* needle)
{
    if (!hay || !needle || !needle[0]) return false;
    for (; *hay; ++hay) {
        size_t i = 0;
        while (needle[i] && hay[i] && towlower(hay[i]) == towlower(needle[i])) ++i;
        if (!needle[i]) return true;
    }
    return false;
}

bool IsBlank(WCHAR c) { return c == u' ' || c == u'\t'; }

// A device zone whose shift from UTC (bias and either seasonal bias) is at
// most a day, and stored starts between these days, convert to a local day
// within a day of the UTC one; outside them no early answer is given.
constexpr LONG kMaxEarlyZoneShiftMinutes = 1440;
constexpr std::int64_t kEarliestEarlyDay = 0;      // 30 December 1899
constexpr std::int64_t kLatestEarlyDay = 2958465;  // 31 December 9999

LONG ZoneShiftBound(const TIME_ZONE_INFORMATION& zone)
{
    const long long seasonal = std::max(std::llabs(zone.StandardBias), std::llabs(zone.DaylightBias));
    const long long shift = std::llabs(zone.Bias) + seasonal;
    return shift <= kMaxEarlyZoneShiftMinutes ? static_cast<LONG>(shift) : -1;
}

// True when a one-off appointment starting at utc and lasting duration
// minutes cannot be shown on the days first..last whatever the conversion
// does: its local day is within a day of the UTC one, so it starts too late
// for the main view's test (a day after the last day) and after the range,
// or its last day (at most its local day plus its whole days, rounded up)
// lies before the range. Decided from the stored value, before any conversion.
bool OneOffOutsideDays(const FILETIME& utc, LONG duration, const TIME_ZONE_INFORMATION& zone, LONG first, LONG last)
{
    if (ZoneShiftBound(zone) < 0) return false;
    const std::int64_t day = calendar_days::DayOfFileTime(platform::FileTimeValue(utc));
    if (day < kEarliestEarlyDay || day > kLatestEarlyDay) return false;
    if (day - 1 >= static_cast<std::int64_t>(last) + 2) return true;
    const std::int64_t spanDays = (std::max<std::int64_t>(duration, 0) + 1439) / 1440;
    return day + 1 + spanDays < static_cast<std::int64_t>(first);
}

}  // namespace

bool CCalendarThread::fReadRecord(bool& read, bool readFirst)
{
    CeDb* db = GetDatabaseClass();
    read = !readFirst || (db && ReadCurrent(*db, kCalendarAppointmentProps, m_appointmentProps));
    if (!read) return false;
    const ULONG* ids = m_appointmentProps;
    DATACALENDARDB& w = m_working;

    w.busyStatus = NumberOf(m_record, ids, kBusyStatus);
    if (FiltersOn()) {
        const LONG wanted = CalendarSettings::StatusOfFilter(m_settings.statusFilter);
        if (wanted >= 0 && w.busyStatus != wanted) return false;
        const CEBLOB categories = BlobOf(m_record, ids, kCategories);
        if (!CategoryFilterHighLevel(&categories, &m_categoryRestrict)) return false;
    }
    w.isPrivate = NumberOf(m_record, ids, kSensitivity) != 0 ? 1 : 0;
    if (m_settings.filterPrivacy >= 0 && w.isPrivate != m_settings.filterPrivacy) return false;

    w.recurring = BlobOf(m_record, ids, kPattern).dwCount > 0 ? 1 : 0;
    w.allDay = NumberOf(m_record, ids, kAllDay) == 1 ? 1 : 0;
    w.meeting = BlobOf(m_record, ids, kAttendees).dwCount > 4 ? 1 : 0;
    w.duration = NumberOf(m_record, ids, kDuration);

    switch (m_settings.view) {
        case kCalendarViewBirthdays:
        case kCalendarViewAnniversaries:
            if (!w.allDay || !w.recurring) return false;
            break;
        case kCalendarViewHolidays:
            if (!w.allDay) return false;
            break;
        case kCalendarViewRecurring:
            if (!w.recurring) return false;
            break;
        case kCalendarViewMeetings:
            if (!w.meeting) return false;
            break;
        default:
            break;
    }

    const CEPROPVAL* startEntry = Entry(m_record, ids, kStart);
    if (!startEntry || TypeFromPropID(startEntry->propid) != CEVT_FILETIME) return false;
    // A range view shows a one-off appointment only on days of its range:
    // most of a store lies far outside it and is passed over here, unconverted.
    if (RangeMode() && !w.recurring &&
        OneOffOutsideDays(startEntry->val.filetime, w.duration, m_deviceZone, m_firstDay, m_lastDay)) {
        return false;
    }
    SYSTEMTIME utc{}, local{};
    if (!FileTimeToSystemTime(&startEntry->val.filetime, &utc)) return false;
    if (!w.recurring && w.allDay && m_settings.advancedAllDayTimeZone) {
        // A single all-day entry keeps its stored day; a start in the
        // afternoon is the midnight of a zone east of UTC, i.e. the next day.
        local = utc;
        if (local.wHour > 12) {
            FILETIME ft{};
            SystemTimeToFileTime(&local, &ft);
            ft = platform::MakeFileTime(platform::FileTimeValue(ft) + kFileTimeUnitsPerDay);
            FileTimeToSystemTime(&ft, &local);
            local.wHour = 0;
        }
    } else {
        BOOL dst = FALSE;
        CeSystemTimeToTzSpecificLocalTime(&m_deviceZone, &utc, &local, &dst);
    }
    DATE start = 0;
    if (!SystemTimeToVariantTime(&local, &start)) return false;
    w.start = start;
    w.end = start + w.duration / 1440.0;
    w.localStart = local;

    w.day = static_cast<LONG>(std::floor(start));
    if (m_settings.view == kCalendarViewAll && !w.recurring &&
        (w.day - 1 > m_lastDay || w.day - 1 > kCalendarLastAcceptedDay)) {
        return false;
    }
    w.oid = m_record.GetOid();
    return true;
}

bool CCalendarThread::fReadRestOfRecord(DATACALENDARDB& w)
{
    const ULONG* ids = m_appointmentProps;
    const WCHAR* subject = TextOf(m_record, ids, kSubject);
    const bool hasSubject = subject && subject[0];
    if (hasSubject && !IsAppointmentToBeDisplayed(subject)) return false;
    w.FreeTexts();
    w.subject = SysAllocString(hasSubject ? subject : u"<No Subject>");
    const WCHAR* location = TextOf(m_record, ids, kLocation);
    w.location = SysAllocString(location ? location : u"");
    w.reminder = NumberOf(m_record, ids, kReminder) != 0 ? 1 : 0;
    const WCHAR* extra = TextOf(m_record, ids, kExtraText);
    w.extraText = extra ? _wcsdup(extra) : nullptr;
    const CEBLOB note = BlobOf(m_record, ids, kNote);
    w.hasNote = IsNoteEmpty(&note) ? 0 : 1;

    const CEBLOB categories = BlobOf(m_record, ids, kCategories);
    m_scratchCategories.RemoveAll();
    if (categories.dwCount > 0) BLOB2Categories(categories, m_scratchCategories);
    // Without categories the text is empty; the assembler is not asked.
    WCHAR* text = m_scratchCategories.IsEmpty() ? nullptr : CategoryAssembler(m_scratchCategories);
    m_scratchCategories.RemoveAll();
    w.categoryText = _wcsdup(text ? text : u"");
    if (text) {
        if (GetPrivateHeap())
            HeapFree(GetPrivateHeap(), 0, text);
        else
            std::free(text);
    }
    w.ownsStrings = 1;

    const WCHAR* floatCat = m_settings.floatCat;
    if (floatCat[0] && wcscmp(w.categoryText, floatCat) == 0 && hasSubject &&
        (w.subject[0] == u'D' || w.subject[0] == u'W')) {
        // Entries of the floating category carry a day or week code ("D3 ",
        // "W12 ") in front of the subject, which the calendar does not show.
        const WCHAR* rest = w.subject + 1;
        if (*rest) ++rest;
        while (*rest && (iswdigit(*rest) || IsBlank(*rest))) ++rest;
        if (*rest) {
            BSTR stripped = SysAllocString(rest);
            if (stripped) {
                SysFreeString(w.subject);
                w.subject = stripped;
            }
        }
    } else if (hasSubject) {
        RecogniseBirthday(w);
    }

    if (!PassesListView(w)) return false;
    if (SideDatabasesOpen()) {
        w.hasLinks = HasLinks(w.oid);
        w.hasJournal = HasJournal(w.oid);
    }
    return true;
}

void CCalendarThread::RecogniseBirthday(DATACALENDARDB& w)
{
    if (!w.recurring || !w.allDay || w.frequency != kRecurYearly || w.patternType != 2) return;
    const WCHAR* annName = m_settings.annCatName;
    const WCHAR* bdayName = m_settings.bdayCatName;
    if (!annName[0] && !bdayName[0]) return;
    // The subject and the categories are searched together, in lower case.
    size_t used = 0;
    auto append = [&](const WCHAR* text) {
        for (; text && *text && used + 1 < kCalendarMatchChars; ++text) m_matchText[used++] = towlower(*text);
        m_matchText[used] = 0;
    };
    m_matchText[0] = 0;
    append(w.subject);
    append(w.categoryText);
    const int view = m_settings.view;
    if (view != kCalendarViewAnniversaries) {
        if ((bdayName[0] && wcsstr(m_matchText, bdayName)) || wcsstr(m_matchText, u"birthday") ||
            wcsstr(m_matchText, u"bday")) {
            w.birthdayYear = w.localStart.wYear;
            return;
        }
    }
    if (view != kCalendarViewBirthdays) {
        if ((annName[0] && wcsstr(m_matchText, annName)) || wcsstr(m_matchText, u"anniv")) {
            w.anniversaryYear = w.localStart.wYear;
        }
    }
}

bool CCalendarThread::PassesListView(const DATACALENDARDB& w) const
{
    switch (m_settings.view) {
        case kCalendarViewBirthdays:
            return w.birthdayYear != 0;
        case kCalendarViewAnniversaries:
            return w.anniversaryYear != 0;
        case kCalendarViewHolidays:
            return ContainsNoCase(w.categoryText, m_settings.holidayCatName) ||
                   ContainsNoCase(w.subject, m_settings.holidaySubName);
        default:
            return true;
    }
}

bool CCalendarThread::WalkNearRange(CeDb& db, CeManualEvent* stop, int& stopped)
{
    stopped = 0;
    if (ZoneShiftBound(m_deviceZone) < 0) return false;
    // Both extra sort orders or neither: a store made before they existed is
    // walked whole. The series are the records holding a pattern, read in
    // OID order: in the pattern's own order they lie all over the file, and
    // each read would wait for another part of it.
    if (!db.Open(kAppointmentsDatabase, kAppointmentDuration, CEDB_AUTOINCREMENT, nullptr) ||
        !db.Open(kAppointmentsDatabase, 0, CEDB_AUTOINCREMENT | CEDB_OIDORDER, nullptr) ||
        !CeRestrictToProperty(db.GetHandle(), kAppointmentRecurrencePattern)) {
        return false;
    }
    // A one-off appointment lasting at most kCalendarLongMinutes is shown
    // on local days from its first to at most kCalendarLongMinutes / 1440
    // days later, and its local day is within a day of its UTC day: one that
    // starts (UTC) two days or more outside these bounds is never shown.
    const std::int64_t longDays = kCalendarLongMinutes / 1440;
    m_nearStart = calendar_days::FileTimeOfDay(static_cast<std::int64_t>(m_firstDay) - longDays - 2);
    m_nearEnd = calendar_days::FileTimeOfDay(static_cast<std::int64_t>(m_lastDay) + 3);

    int visited = 0;
    if (!WalkNearRangePart(db, stop, NearRangePart::kSeries, visited)) {
        stopped = visited;
        return true;
    }
    if (db.Open(kAppointmentsDatabase, kAppointmentStart, CEDB_AUTOINCREMENT, nullptr)) {
        CEPROPVAL from{};
        from.propid = kAppointmentStart;
        from.val.filetime = platform::MakeFileTime(m_nearStart - (m_nearStart > 0 ? 1 : 0));
        const bool any = m_nearStart > 0 ? db.SeekGreaterRec(&from) != 0 : db.SeekFirst() != 0;
        if (any && !WalkNearRangePart(db, stop, NearRangePart::kStarting, visited)) {
            stopped = visited;
            return true;
        }
    }
    if (db.Open(kAppointmentsDatabase, kAppointmentDuration, CEDB_AUTOINCREMENT, nullptr)) {
        CEPROPVAL longer{};
        longer.propid = kAppointmentDuration;
        longer.val.lVal = kCalendarLongMinutes;
        if (db.SeekGreaterRec(&longer) != 0 && !WalkNearRangePart(db, stop, NearRangePart::kLong, visited)) {
            stopped = visited;
        }
    }
    return true;
}

bool CCalendarThread::WalkNearRangePart(CeDb& db, CeManualEvent* stop, NearRangePart part, int& visited)
{
    for (;;) {
        if (++visited % kCalendarStopCheckInterval == 0 && StopRequested(stop)) return false;
        if (!ReadCurrent(db, kCalendarAppointmentProps, m_appointmentProps)) {
            // A record that cannot be read is skipped; no current record is the end.
            if (GetLastError() == ERROR_NOT_FOUND || db.SeekNext() == 0) return true;
            continue;
        }
        const NearRangeVisit visit = ClassifyNearRange(part);
        if (visit == NearRangeVisit::kEnd) return true;
        if (visit == NearRangeVisit::kFile) FileAppointment(false);
    }
}

CCalendarThread::NearRangeVisit CCalendarThread::ClassifyNearRange(NearRangePart part) const
{
    const ULONG* ids = m_appointmentProps;
    const CEPROPVAL* pattern = Entry(m_record, ids, kPattern);
    const bool series = pattern && TypeFromPropID(pattern->propid) == CEVT_BLOB && pattern->val.blob.dwCount > 0;
    const CEPROPVAL* start = Entry(m_record, ids, kStart);
    const std::uint64_t utc = start ? platform::FileTimeValue(start->val.filetime) : 0;
    switch (part) {
        case NearRangePart::kSeries:
            // The walk holds the records with a pattern; an empty one is a
            // one-off.
            return series ? NearRangeVisit::kFile : NearRangeVisit::kSkip;
        case NearRangePart::kStarting:
            // Records without a start sort last.
            if (!start || utc >= m_nearEnd) return NearRangeVisit::kEnd;
            return series ? NearRangeVisit::kSkip : NearRangeVisit::kFile;
        case NearRangePart::kLong:
            // Records without a duration sort last; the ones starting near
            // the range were filed by their start.
            if (!Entry(m_record, ids, kDuration)) return NearRangeVisit::kEnd;
            return !series && start && utc < m_nearStart ? NearRangeVisit::kFile : NearRangeVisit::kSkip;
    }
    return NearRangeVisit::kEnd;
}
