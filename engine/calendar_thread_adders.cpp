// What the calendar loader adds to its list besides appointments, and how
// an entry enters the list: birthday subjects, multi-day spreading, journal
// entries, contacts' dates, day headers, and the adders that change a
// finished list.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>

#include "categories/category_filter.h"
#include "engine/calendar_thread.h"
#include "engine/scoped_data_lock.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/wide_string.h"
#include "platform/time/civil_calendar.h"
#include "platform/time/variant_time.h"

namespace {

constexpr int kSubjectChars = 1100;
constexpr int kJournalProps = 6;
// The parent text is the entry's category text.
constexpr ULONG kJournalPropIds[kJournalProps] = {
    kJournalSubject, kJournalType, kJournalDuration, kJournalParentText, kJournalCreated, kJournalStart,
};
constexpr int kContactProps = 4;
constexpr ULONG kContactPropIds[kContactProps] = {kContactFirstName, kContactLastName, kContactBirthday,
                                                  kContactAnniversary};

const WCHAR* Text(const CeDbRecord& record, ULONG propid)
{
    const CEPROPVAL* entry = record.Stored(propid);
    return entry ? entry->val.lpwstr : nullptr;
}

// A stored local FILETIME as an OLE date; false when missing or not a date.
bool LocalDate(const CeDbRecord& record, ULONG propid, double& date, SYSTEMTIME* broken = nullptr)
{
    const CEPROPVAL* entry = record.Stored(propid);
    if (!entry) return false;
    SYSTEMTIME st{};
    DATE value = 0;
    if (!FileTimeToSystemTime(&entry->val.filetime, &st) || !SystemTimeToVariantTime(&st, &value)) return false;
    date = value;
    if (broken) *broken = st;
    return true;
}

LONG Floor(double date) { return static_cast<LONG>(std::floor(date)); }

// Appends text to a malloc'ed string (which may be null), with ", " between
// the old text and the new one when the old is not empty.
WCHAR* AppendMarker(WCHAR* text, const WCHAR* marker)
{
    const size_t old = text ? wcslen(text) : 0;
    const size_t add = wcslen(marker);
    auto* joined = static_cast<WCHAR*>(std::malloc((old + 2 + add + 1) * sizeof(WCHAR)));
    if (!joined) return text;
    joined[0] = 0;
    if (old) {
        wcscpy(joined, text);
        wcscat(joined, u", ");
    }
    wcscat(joined, marker);
    std::free(text);
    return joined;
}

}  // namespace

LONG CCalendarThread::LastDayOf(const DATACALENDAR& entry) const
{
    if (entry.allDay) {
        const long long days = entry.duration > 0 ? (static_cast<long long>(entry.duration) + 1439) / 1440 : 1;
        return static_cast<LONG>(std::min<long long>(entry.day + days - 1, kCalendarNoDay));
    }
    const double minutes = std::round(entry.end * 1440.0);
    LONG last = Floor(entry.end);
    // Whole minutes (rounded above) fit an integer far beyond any date, and
    // the integer remainder is much cheaper than the library's fmod; an end
    // that is no finite number is not midnight.
    const bool midnight = std::fabs(minutes) < 0x1p62 && static_cast<long long>(minutes) % 1440 == 0;
    if (midnight && last > entry.day && m_settings.singleIfEndsEarly == 0) --last;
    return last < entry.day ? entry.day : last;
}

void CCalendarThread::AddCalendarItemToList(DATACALENDAR* entry)
{
    if (!entry) return;
    entry->ownsStrings = 1;
    const WORD firstYear = entry->birthdayYear ? entry->birthdayYear : entry->anniversaryYear;
    if (firstYear) {
        // The marker and the age are this row's own.
        if (!entry->OwnTexts()) {
            delete entry;
            return;
        }
        WORD reference = 0;
        if (!YearOf(RangeMode() ? entry->start : static_cast<double>(m_today), reference)) reference = firstYear;
        entry->categoryText = AppendMarker(entry->categoryText, entry->birthdayYear ? u"~Birthday" : u"~Anniversary");
        const int years = static_cast<int>(reference) - firstYear;
        if (years > 0) {
            WCHAR subject[kSubjectChars + 1];
            swprintf(subject, kSubjectChars + 1, u"(%i %s) %s", years, m_ageWord,
                     entry->subject ? entry->subject : u"");
            BSTR made = SysAllocString(subject);
            if (made) {
                SysFreeString(entry->subject);
                entry->subject = made;
            }
        }
    }
    m_list.Append(entry);
    if (m_settings.view != kCalendarViewSingleDay) SpreadOverDays(entry);
}

void CCalendarThread::SpreadOverDays(DATACALENDAR* entry)
{
    LONG last = LastDayOf(*entry);
    LONG from = entry->day + 1;
    if (RangeMode()) {
        // A range view shows no day outside its range, so no copy is made
        // for one; this also bounds what a damaged duration can cost.
        if (last > m_lastDay) last = m_lastDay;
        if (from < m_firstDay) from = m_firstDay;
    } else if (last - entry->day > kCalendarMaxSpreadDays) {
        last = entry->day + kCalendarMaxSpreadDays;
    }
    if (last <= entry->day) return;
    const int endsEarlyHour = m_settings.singleIfEndsEarly;
    SYSTEMTIME end{};
    const bool endKnown = VariantTimeToSystemTime(entry->end, &end) != 0;
    DATACALENDAR* shown = entry;
    for (LONG d = from; d <= last; ++d) {
        if (d == last && !entry->allDay && endsEarlyHour != 0 && endKnown &&
            (end.wHour < endsEarlyHour || (end.wHour == endsEarlyHour && end.wMinute == 0))) {
            // Ends early on its last day: that day is left out, and the day
            // before says so.
            shown->endsEarly = 1;
            break;
        }
        DATACALENDAR* copy = entry->CopySharingTexts();
        if (!copy) break;
        copy->day = d;
        m_list.Append(copy);
        shown = copy;
    }
}

void CCalendarThread::RemoveKind(DWORD kind)
{
    for (int pos = m_list.GetCount(); pos >= 1; --pos) {
        DATACALENDAR* entry = m_list.GetAt(pos);
        if (entry && entry->kind == kind) m_list.RemoveAt(pos);
    }
}

void CCalendarThread::AddJournal()
{
    if (!m_settings.showJournal || m_settings.view != kCalendarViewAll || !HasRange()) return;
    if (!m_bInFullLoad) RemoveKind(kCalendarKindJournal);
    if (!m_side.Open(kJournalDatabase, 0, 0, nullptr)) return;
    ULONG ids[kJournalProps];
    std::copy(std::begin(kJournalPropIds), std::end(kJournalPropIds), ids);
    for (CEOID oid = m_side.SeekFirst(); oid != 0; oid = m_side.SeekNext()) {
        if (!ReadCurrent(m_side, kJournalProps, ids)) continue;
        const WCHAR* categories = Text(m_record, kJournalParentText);
        if (!CategoryFilterHighLevel(categories, &m_categoryRestrict)) continue;
        double start = 0, created = 0;
        const bool hasStart = LocalDate(m_record, kJournalStart, start);
        const bool hasCreated = LocalDate(m_record, kJournalCreated, created);
        if (!hasStart && !hasCreated) continue;
        // The start places the entry; the created time only stands in for a
        // missing start.
        if (!hasStart) start = created;
        if (Floor(start) < m_firstDay || Floor(start) > m_lastDay) continue;

        auto* entry = new DATACALENDAR;
        const CEPROPVAL* duration = m_record.Stored(kJournalDuration);
        entry->duration = duration ? static_cast<LONG>(duration->val.ulVal) : 0;
        entry->start = start;
        entry->end = start + entry->duration / 1440.0;
        entry->day = Floor(start);
        entry->oid = m_record.GetOid();
        entry->kind = kCalendarKindJournal;
        entry->hasJournal = 1;
        entry->categoryText = _wcsdup(categories ? categories : u"");
        const WCHAR* subject = Text(m_record, kJournalSubject);
        const WCHAR* type = Text(m_record, kJournalType);
        const bool hasSubject = subject && subject[0], hasType = type && type[0];
        WCHAR line[kSubjectChars + 1] = {};
        if (hasSubject && hasType)
            swprintf(line, kSubjectChars + 1, u"%s [%s]", subject, type);
        else if (hasSubject)
            swprintf(line, kSubjectChars + 1, u"%s", subject);
        else if (hasType)
            swprintf(line, kSubjectChars + 1, u"[%s]", type);
        entry->subject = SysAllocString(line);
        entry->location = SysAllocString(u"");
        entry->ownsStrings = 1;
        m_list.Append(entry);
    }
    m_side.Close();
    // A full load sorts once, when its list is whole (AddCalendarDate).
    if (!m_bInFullLoad) SortAscending();
}

void CCalendarThread::AddContactInfo()
{
    const int view = m_settings.view;
    if (!m_settings.readBirthdays) return;
    if (view != kCalendarViewBirthdays && view != kCalendarViewAnniversaries && view != kCalendarViewAll &&
        view != kCalendarViewSingleDay) {
        return;
    }
    if (!m_side.Open(kContactsDatabase, 0, 0, nullptr)) return;
    ULONG ids[kContactProps];
    std::copy(std::begin(kContactPropIds), std::end(kContactPropIds), ids);
    for (CEOID oid = m_side.SeekFirst(); oid != 0; oid = m_side.SeekNext()) {
        if (!ReadCurrent(m_side, kContactProps, ids)) continue;
        if (view != kCalendarViewAnniversaries) AddContactDate(m_record, kContactBirthday, true);
        if (view != kCalendarViewBirthdays) AddContactDate(m_record, kContactAnniversary, false);
    }
    m_side.Close();
}

void CCalendarThread::AddContactDate(CeDbRecord& record, DWORD propid, bool birthday)
{
    double date = 0;
    SYSTEMTIME original{};
    if (!LocalDate(record, propid, date, &original)) return;
    WORD firstYear = 0, lastYear = 0;
    if (m_settings.view == kCalendarViewAll && HasRange()) {
        firstYear = m_firstTime.wYear;
        lastYear = m_lastTime.wYear;
    } else if (!YearOf(static_cast<double>(m_today), firstYear)) {
        return;
    } else {
        lastYear = firstYear;
    }
    const WCHAR* first = Text(record, kContactFirstName);
    const WCHAR* last = Text(record, kContactLastName);
    for (int year = firstYear; year <= lastYear; ++year) {
        SYSTEMTIME st{};
        st.wYear = static_cast<WORD>(year);
        st.wMonth = original.wMonth;
        st.wDay = original.wDay;
        // 29 February falls on the 28th in other years.
        if (st.wMonth == 2 && st.wDay == 29 && !platform::civil::IsLeapYear(year)) st.wDay = 28;
        DATE day = 0;
        if (!SystemTimeToVariantTime(&st, &day)) continue;
        auto* entry = new DATACALENDAR;
        entry->kind = kCalendarKindContactDate;
        entry->oid = record.GetOid();
        entry->day = Floor(day);
        entry->start = entry->end = entry->day;
        entry->duration = 1440;
        entry->allDay = 0xFFFF;
        entry->busyStatus = 0;
        entry->location = SysAllocString(u"");
        entry->categoryText = _wcsdup(birthday ? u"~Birthday" : u"~Anniversary");
        const int years = year - original.wYear;
        WCHAR subject[kSubjectChars + 1];
        swprintf(subject, kSubjectChars + 1, u"(%i %s) %s %s", years > 0 ? years : 0, m_ageWord, first ? first : u"",
                 last ? last : u"");
        entry->subject = SysAllocString(subject);
        entry->ownsStrings = 1;
        m_list.Append(entry);
    }
}

void CCalendarThread::AddCalendarDate()
{
    if (m_bNoHeaderDates) {
        // Without headers the list is still handed over in order.
        SortAscending();
        return;
    }
    auto header = [](LONG day) {
        auto* entry = new DATACALENDAR;
        entry->oid = 0;
        entry->day = day;
        entry->start = entry->end = day;
        entry->kind = kCalendarKindAppointment;
        entry->ownsStrings = 1;
        return entry;
    };
    if (m_settings.view == kCalendarViewAll) {
        for (LONG d = m_firstDay; HasRange() && d <= m_lastDay; ++d) m_list.Append(header(d));
        SortAscending();
        return;
    }
    SortAscending();
    // A series shown once per day may meet itself (a list view, or an
    // occurrence spread onto a day another one starts on): keep one.
    std::set<LONG> days;
    for (int pos = m_list.GetCount(); pos >= 1; --pos) {
        DATACALENDAR* entry = m_list.GetAt(pos);
        if (!entry) continue;
        if (pos > 1) {
            DATACALENDAR* before = m_list.GetAt(pos - 1);
            if (before && !entry->task && !before->task && entry->oid == before->oid && entry->day == before->day &&
                entry->start == before->start && entry->duration == before->duration) {
                m_list.RemoveAt(pos);
                continue;
            }
        }
        if (entry->oid != 0 && !entry->trailing) days.insert(entry->day);
    }
    for (LONG day : days) m_list.Append(header(day));
    SortAscending();
}

bool CCalendarThread::AddTasksToThread(bool settings, bool tasks, bool sort, bool count)
{
    const ScopedDataLock lock(*this);
    if (!lock.Acquired()) return false;
    if (settings) SettingChange();
    AddTasks(tasks);
    if (sort) SortAscending();
    if (count) m_handedOver = m_list.GetCount();
    return true;
}

bool CCalendarThread::AddJournalToThread()
{
    const ScopedDataLock lock(*this);
    if (!lock.Acquired()) return false;
    SettingChange();
    AddJournal();
    m_handedOver = m_list.GetCount();
    return true;
}

bool CCalendarThread::RemoveTasksFromThread()
{
    const ScopedDataLock lock(*this);
    if (!lock.Acquired()) return false;
    RemoveKind(kCalendarKindTask);
    SortAscending();
    m_handedOver = m_list.GetCount();
    return true;
}

bool CCalendarThread::RemoveJournalFromThread()
{
    const ScopedDataLock lock(*this);
    if (!lock.Acquired()) return false;
    RemoveKind(kCalendarKindJournal);
    SortAscending();
    m_handedOver = m_list.GetCount();
    return true;
}
