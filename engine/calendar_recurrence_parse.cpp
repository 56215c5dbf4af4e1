// Reading a pattern blob and the appointment's zone blob into the working
// record. Fields sit at fixed offsets; a read past the blob's end gives 0,
// so a short blob fails the version checks instead of being read out of
// bounds. The zone blob itself is read by the object model's reader.
#include <algorithm>
#include <bit>
#include <cstring>
#include <cstdint>
#include <vector>

#include "engine/calendar_day_numbers.h"
#include "engine/calendar_recurrence.h"
#include "platform/objectmodel/outlook_zone.h"
#include "platform/text/bstr.h"
#include "platform/time/zone_rules.h"

namespace {

// Minutes from 1601 to 1 January 1700: exception dates before it were read
// from the wrong offset.
constexpr DWORD kMinutesOf1700 = 36159u * 1440u;

class BlobCursor {
public:
    BlobCursor(const BYTE* data, DWORD size) : m_data(data), m_size(size) {}

    // Fields wholly inside the blob are read in one step on a little-endian
    // host; the rest byte by byte, with 0 past the end.
    WORD WordAt(std::uint64_t at) const
    {
        if constexpr (std::endian::native == std::endian::little) {
            if (at < m_size && m_size - at >= 2) {
                WORD v;
                std::memcpy(&v, m_data + at, sizeof v);
                return v;
            }
        }
        return static_cast<WORD>(ByteAt(at) | (ByteAt(at + 1) << 8));
    }
    DWORD DwordAt(std::uint64_t at) const
    {
        if constexpr (std::endian::native == std::endian::little) {
            if (at < m_size && m_size - at >= 4) {
                DWORD v;
                std::memcpy(&v, m_data + at, sizeof v);
                return v;
            }
        }
        return static_cast<DWORD>(WordAt(at)) | (static_cast<DWORD>(WordAt(at + 2)) << 16);
    }
    WORD Word()
    {
        const WORD v = WordAt(m_pos);
        m_pos += 2;
        return v;
    }
    DWORD Dword()
    {
        const DWORD v = DwordAt(m_pos);
        m_pos += 4;
        return v;
    }
    void Skip(std::uint64_t count) { m_pos += count; }
    void Back(std::uint64_t count) { m_pos = m_pos >= count ? m_pos - count : 0; }
    std::uint64_t Pos() const { return m_pos; }
    bool AtEnd() const { return m_pos >= m_size; }
    // Bytes left before the end (0 past it).
    std::uint64_t Remaining() const { return m_pos >= m_size ? 0 : m_size - m_pos; }

    // count dates; only those inside the blob are kept (the rest would read 0).
    void Dates(DWORD count, std::vector<DWORD>& out)
    {
        const std::uint64_t inside = std::min<std::uint64_t>(count, Remaining() / 4);
        out.reserve(inside);
        for (std::uint64_t i = 0; i < inside; ++i) out.push_back(Dword());
        Skip((std::uint64_t{count} - inside) * 4);
    }

    // A text: a 16-bit length that is skipped, a 16-bit character count, then
    // the UTF-16 characters. Null for an empty text.
    BSTR Text()
    {
        Skip(2);
        const WORD count = Word();
        const std::uint64_t inside = std::min<std::uint64_t>(count, Remaining() / 2);
        BSTR text = inside ? SysAllocStringLen(nullptr, static_cast<UINT>(inside)) : nullptr;
        for (std::uint64_t i = 0; i < inside; ++i) text[i] = static_cast<WCHAR>(Word());
        Skip((std::uint64_t{count} - inside) * 2);
        if (!text) text = SysAllocString(u"");
        return text;
    }

private:
    DWORD ByteAt(std::uint64_t at) const { return at < m_size ? m_data[at] : 0; }

    const BYTE* m_data;
    DWORD m_size;
    std::uint64_t m_pos = 0;
};

bool IsAcceptedPair(WORD frequency, WORD patternType)
{
    switch (frequency) {
        case kRecurDaily:
            return patternType == 0 || patternType == 1;
        case kRecurWeekly:
            return patternType == 1;
        case kRecurMonthly:
        case kRecurYearly:
            return patternType == 2 || patternType == 3;
        default:
            return false;
    }
}

// Each exception, as one working-record entry.
CALENDAREXCEPTION* ReadException(BlobCursor& blob)
{
    DWORD start = blob.DwordAt(blob.Pos());
    DWORD original = blob.DwordAt(blob.Pos() + 8);
    // A date before 1700 means the record is misaligned by one field: read
    // the three dates once more from the neighbouring offset.
    if (start < kMinutesOf1700) {
        blob.Skip(4);
    } else if (original < kMinutesOf1700) {
        blob.Back(4);
    }
    start = blob.Dword();
    const DWORD end = blob.Dword();
    original = blob.Dword();
    WORD flags = blob.Word();

    auto* e = new CALENDAREXCEPTION;
    if (flags >= 0x0100) {
        flags = static_cast<WORD>(flags - 0x0100);
        e->ownNote = 1;
    }
    if (flags & 0x0001) e->subject = blob.Text();
    if (flags & 0x0008) blob.Skip(4);
    if (flags & 0x0004) blob.Skip(4);
    if (flags & 0x0010) e->location = blob.Text();
    if (flags & 0x0020) {
        WORD status = blob.WordAt(blob.Pos());
        if (status > 4) status = blob.WordAt(blob.Pos() + 2);
        blob.Skip(4);
        e->busyStatus = status;
    }
    if (flags & 0x0080) {
        e->allDay = blob.Word() == 1 ? 1 : 0;
        blob.Skip(2);
    }
    if (e->ownNote) {
        const WORD length = blob.Word();
        if (length != 0) blob.Skip(std::uint64_t{length} + 4);
    }

    e->startAgain = start;
    e->end = end;
    e->start = start;
    e->originalDate = original;
    e->newStart = start;
    if (start / 1440 != original / 1440) {
        e->moved = 1;
        e->start = original;
    }
    const LONG extraDays = end > start ? static_cast<LONG>(end / 1440 - start / 1440) : 0;
    e->days = extraDays;
    e->multiDay = extraDays > 0 ? 1 : 0;
    e->startHour = static_cast<LONG>(start % 1440 / 60);
    e->startMinute = static_cast<LONG>(start % 60);
    e->endHour = static_cast<LONG>(end % 1440 / 60) + 24 * extraDays;
    e->endMinute = static_cast<LONG>(end % 60);
    const std::int64_t startDay = calendar_days::DayOfMinutes(start);
    e->startTime = calendar_days::SystemTimeOfDay(startDay, e->startHour, e->startMinute);
    return e;
}

// The versions, frequency and pattern type at the blob's start; the reason
// the pattern is rejected, or null.
const char* ReadPatternHead(const BlobCursor& blob, CalendarPatternFields& f)
{
    f.version = blob.DwordAt(0);
    f.frequency = blob.WordAt(4);
    f.patternType = blob.WordAt(6);
    if (f.version != 0x30043004u) return "the pattern's versions are not 0x3004";
    if (!IsAcceptedPair(f.frequency, f.patternType)) return "the pattern's frequency and type are not supported";
    return nullptr;
}

// The rule after the head, through the end date: period, days, end, and the
// deleted and modified occurrence dates.
void ReadPatternRule(BlobCursor& blob, CalendarPatternFields& f, std::vector<DWORD>& deleted,
                     std::vector<DWORD>& modified)
{
    f.calendarType = blob.WordAt(8);
    f.firstDateTime = blob.DwordAt(10);
    f.period = blob.DwordAt(14);
    f.slidingFlag = blob.DwordAt(18);
    blob.Skip(22);
    switch (f.patternType) {
        case 1:
            f.weekdayMask = blob.Dword();
            break;
        case 2:
            f.dayOfMonth = blob.Dword();
            break;
        case 3:
            f.weekdayMask = blob.Dword();
            f.nth = blob.Dword();
            break;
        default:
            break;
    }
    f.endType = blob.Dword();
    f.occurrenceCount = blob.Dword();
    f.firstDayOfWeek = blob.Dword();
    f.deletedInstanceCount = blob.Dword();
    blob.Dates(f.deletedInstanceCount, deleted);
    f.modifiedInstanceCount = blob.Dword();
    blob.Dates(f.modifiedInstanceCount, modified);
    f.startDate = blob.Dword();
    f.endDate = blob.Dword();
}

// The second versions, the times of day and the exception count; the reason
// the pattern is rejected, or null.
const char* ReadPatternTimes(BlobCursor& blob, CalendarPatternFields& f)
{
    f.readerVersion2 = blob.Dword();
    f.writerVersion2 = blob.Dword();
    if (f.readerVersion2 != 0x3005 || f.writerVersion2 != 0x3005) return "the pattern's versions are not 0x3005";
    f.startTimeOffset = blob.Dword();
    f.endTimeOffset = blob.Dword();
    f.exceptionCount = blob.Word();
    return nullptr;
}

// The exceptions, as far as the blob holds them. The modified date of a
// moved occurrence becomes its original date, the date that names it.
void ReadExceptions(BlobCursor& blob, WORD count, std::vector<DWORD>& modified,
                    CePtrList<CALENDAREXCEPTION*>& exceptions)
{
    for (WORD i = 0; i < count && !blob.AtEnd(); ++i) {
        CALENDAREXCEPTION* e = ReadException(blob);
        if (e->moved) {
            for (DWORD& date : modified) {
                if (date / 1440 == e->newStart / 1440) {
                    date = e->originalDate;
                    break;
                }
            }
        }
        exceptions.Append(e);
    }
}

// The pattern's rule and times where the fillers read them in the working
// record; the pattern's start date replaces the record's.
void CopyPatternToWorking(const CalendarPatternFields& f, DATACALENDARDB& working)
{
    working.frequency = f.frequency;
    working.patternType = f.patternType;
    working.dailyPeriod = f.frequency == kRecurDaily && f.patternType == 0 ? f.period : 0;
    working.weekdayMask = f.weekdayMask;
    working.weeklyPeriod = f.frequency == kRecurWeekly ? f.period : 0;
    working.dayOfMonth = static_cast<WORD>(f.dayOfMonth);
    working.period = f.frequency == kRecurYearly ? 12 : f.period;
    working.nthWeekdayMask = static_cast<WORD>(f.weekdayMask);
    working.nth = static_cast<WORD>(f.nth);
    working.firstDateTime = f.firstDateTime;
    working.occurrenceCount = f.occurrenceCount;
    working.startHour = static_cast<WORD>(f.startTimeOffset / 60);
    working.startMinute = static_cast<WORD>(f.startTimeOffset % 60);
    working.endHour = static_cast<WORD>(std::min<DWORD>(f.endTimeOffset / 60, 0xFFFF));
    working.endMinute = static_cast<WORD>(f.endTimeOffset % 60);
    if (working.localStart.wYear == 0 && working.start != kCalendarNoDate) {
        // The record's own start (when the reader did not keep it), before
        // it gives way to the pattern's.
        const double start = working.start;
        const std::int64_t day = static_cast<std::int64_t>(start);
        const int minutes = static_cast<int>((start - static_cast<double>(day)) * 1440.0 + 0.5);
        working.localStart = calendar_days::SystemTimeOfDay(day, minutes / 60 % 24, minutes % 60);
    }
    working.start = static_cast<double>(calendar_days::DayOfMinutes(f.startDate));
    working.end = static_cast<double>(f.endDate);
}

}  // namespace

void CCalendarRecurrence::MarkWarning(const char* reason)
{
    if (m_lastResult == kRecurrenceUsable) {
        m_lastResult = kRecurrenceWarnings;
        m_lastReason = reason;
    }
}

bool CCalendarRecurrence::ParseAndCheckRecurring(const BYTE* pattern, DWORD size, const BYTE* zone, DWORD zoneSize,
                                                 DATACALENDARDB& working)
{
    ResetParse(working);
    if (pattern == nullptr || size == 0) {
        working.frequency = 0;
        m_lastReason = "the appointment has no recurrence pattern";
        return false;
    }

    BlobCursor blob(pattern, size);
    CalendarPatternFields& f = m_fields;
    if (const char* reason = ReadPatternHead(blob, f)) return RejectPattern(reason, working);
    m_lastResult = kRecurrenceUsable;
    m_lastReason = "";
    std::vector<DWORD> deleted;
    std::vector<DWORD> modified;
    ReadPatternRule(blob, f, deleted, modified);
    WarnAboutRuleFields();
    if (m_rangeMode && IsOutsideRange(f)) return RejectPattern("the pattern lies outside the range", working);
    if (const char* reason = ReadPatternTimes(blob, f)) return RejectPattern(reason, working);
    if (f.exceptionCount != f.modifiedInstanceCount) {
        MarkWarning("the exception count differs from the modified instance count");
    }
    ReadExceptions(blob, f.exceptionCount, modified, working.exceptions);
    KeepDeletedDates(deleted, modified, working);
    ReadOwnZone(zone, zoneSize, working);
    CopyPatternToWorking(f, working);
    return true;
}

void CCalendarRecurrence::ResetParse(DATACALENDARDB& working)
{
    m_deleted.RemoveAll();
    m_deletedDays.clear();
    working.exceptions.RemoveAll();
    working.deletedDates.RemoveAll();
    working.zone = TIME_ZONE_INFORMATION{};
    m_fields = CalendarPatternFields{};
    m_lastResult = kRecurrenceRejected;
    m_recordRest = 0;
}

bool CCalendarRecurrence::RejectPattern(const char* reason, DATACALENDARDB& working)
{
    m_lastResult = kRecurrenceRejected;
    m_lastReason = reason;
    working.frequency = 0;
    return !m_rangeMode;
}

void CCalendarRecurrence::WarnAboutRuleFields()
{
    const CalendarPatternFields& f = m_fields;
    if (f.calendarType != 0) MarkWarning("the calendar type is not 0");
    if (f.period >> 16) MarkWarning("the period's upper 16 bits are not 0");
    if (f.slidingFlag != 0) MarkWarning("the sliding flag is not 0");
    if (f.endType >> 16) MarkWarning("the end type's upper 16 bits are not 0");
}

bool CCalendarRecurrence::IsOutsideRange(const CalendarPatternFields& f) const
{
    const std::int64_t startDay = calendar_days::DayOfMinutes(f.startDate);
    const std::int64_t endDay = calendar_days::DayOfMinutes(f.endDate);
    return endDay < std::int64_t{m_firstDay} - 3 || startDay > std::int64_t{m_lastDay} + 3;
}

void CCalendarRecurrence::KeepDeletedDates(const std::vector<DWORD>& deleted, const std::vector<DWORD>& modified,
                                           DATACALENDARDB& working)
{
    for (DWORD date : deleted) {
        working.deletedDates.Append(date);
        const bool changed =
            std::any_of(modified.begin(), modified.end(), [date](DWORD m) { return m / 1440 == date / 1440; });
        if (!changed) {
            m_deleted.Append(date);
            m_deletedDays.push_back(calendar_days::DayOfMinutes(date));
        }
    }
    std::sort(m_deletedDays.begin(), m_deletedDays.end());
}

// The object model's reader of the zone blob, with a tolerant layer on top
// for damaged records (a short blob reads zeros, impossible offsets drop the
// zone, impossible rules drop daylight time), each with a warning rather than
// a rejection.
void CCalendarRecurrence::ReadOwnZone(const BYTE* zone, DWORD zoneSize, DATACALENDARDB& working)
{
    if (zone == nullptr || zoneSize == 0) return;
    TIME_ZONE_INFORMATION& tz = working.zone;
    tz = platform::ReadOutlookZoneBlob(zone, zoneSize);
    if (!platform::HasValidZoneBiases(tz)) {
        // Offsets beyond a day are no zone at all: times stay as stored.
        tz = TIME_ZONE_INFORMATION{};
        MarkWarning("the time zone's offsets exceed a day; the zone is ignored");
        return;
    }
    if (tz.StandardDate.wMonth != 0 || tz.DaylightDate.wMonth != 0) {
        if (!platform::IsValidZoneRule(tz.StandardDate) || !platform::IsValidZoneRule(tz.DaylightDate)) {
            // Rules that name no real day: the zone keeps standard time.
            tz.StandardDate = SYSTEMTIME{};
            tz.DaylightDate = SYSTEMTIME{};
            MarkWarning("the time zone's daylight-saving rules are impossible; standard time is used");
        }
    }
    tz.StandardName[0] = 1;
    m_fields.hasZone = true;
}
