// Recurrence test helpers: encoded pattern blobs, an entry sink, and the loader's parse-and-expand path.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "engine/calendar_recurrence.h"
#include "engine/data_calendar_db.h"
#include "platform/objectmodel/outlook_zone.h"
#include "platform/recurrence/recurrence_dates.h"
#include "platform/recurrence/recurrence_pattern_blob.h"
#include "platform/text/bstr.h"
#include "platform/text/utf8.h"

namespace recurtest {

// Days from 1 January 1601 to 30 December 1899 (day 0 of OLE dates).
inline constexpr std::int64_t kOleDayZeroFrom1601 = 109205;

inline std::int64_t OleDay(int y, int m, int d)
{
    return platform::RecurrenceDayFromDate(y, m, d) - kOleDayZeroFrom1601;
}

inline DWORD MinutesOfDay(std::int64_t oleDay) { return static_cast<DWORD>((oleDay + kOleDayZeroFrom1601) * 1440); }
inline DWORD Minutes(int y, int m, int d, int hour = 0, int minute = 0)
{
    return MinutesOfDay(OleDay(y, m, d)) + static_cast<DWORD>(hour * 60 + minute);
}

// Minutes since OLE day 0 of an OLE date, rounded.
inline std::int64_t MinutesOfOle(double date) { return std::llround(date * 1440.0); }

struct Entry {
    std::int64_t start;  // minutes since OLE day 0
    std::int64_t end;
    LONG duration;
    LONG day;
    std::string subject;
    std::string location;
    bool allDay;
    LONG busyStatus;
    bool exception;
    bool hasNote;

    bool operator<(const Entry& o) const
    {
        return start != o.start ? start < o.start : end != o.end ? end < o.end : exception < o.exception;
    }
    bool operator==(const Entry&) const = default;
};

inline std::string Utf8(BSTR text)
{
    return text ? WideToUtf8(text, static_cast<int>(SysStringLen(text))) : std::string("(null)");
}

inline std::ostream& operator<<(std::ostream& os, const Entry& e)
{
    return os << "{start " << e.start / 1440 << "+" << e.start % 1440 << " end " << e.end / 1440 << "+" << e.end % 1440
              << " dur " << e.duration << " day " << e.day << " '" << e.subject << "' loc '" << e.location
              << "' allDay " << e.allDay << " busy " << e.busyStatus << " exc " << e.exception << "}";
}

// Keeps every entry; reads "the rest of the record" by setting the subject.
class RecordingSink : public CalendarOccurrenceSink {
public:
    bool ReadRecordRest(DATACALENDARDB& working) override
    {
        ++restReads;
        if (!showRecord) return false;
        SysFreeString(working.subject);
        working.subject = SysAllocString(u"Series");
        SysFreeString(working.location);
        working.location = SysAllocString(u"Room");
        return true;
    }
    bool IsAppointmentToBeDisplayed(const WCHAR* subject) override
    {
        return !(subject[0] == u'<' && subject[1] == u'\u2022' && subject[2] == u'>');
    }
    void AddEntry(DATACALENDAR* entry) override
    {
        entries.push_back(Entry{MinutesOfOle(entry->start), MinutesOfOle(entry->end), entry->duration, entry->day,
                                Utf8(entry->subject), Utf8(entry->location), entry->allDay != 0, entry->busyStatus,
                                entry->exception != 0, entry->hasNote != 0});
        delete entry;
    }

    bool showRecord = true;
    int restReads = 0;
    std::vector<Entry> entries;
};

// A zone with a fixed offset (UTC = local + bias).
inline TIME_ZONE_INFORMATION FixedZone(LONG bias)
{
    TIME_ZONE_INFORMATION z{};
    z.Bias = bias;
    return z;
}

// The 48-byte zone blob of a zone, as the object model writes it.
inline std::vector<BYTE> ZoneBlob(const TIME_ZONE_INFORMATION& z) { return platform::EncodeOutlookZoneBlob(z); }

struct Appointment {
    platform::RecurrencePatternBlob pattern;
    std::vector<BYTE> zone;  // empty: no own zone
    bool allDay = false;
    LONG busyStatus = 2;
};

// What the parser made of a pattern, and the entries it expanded to.
struct Expansion {
    bool usable = false;
    RecurrenceParseResult result = kRecurrenceRejected;
    std::string reason;
    CalendarPatternFields fields;
    int deleted = 0;
    std::vector<Entry> entries;  // sorted
};

// The series record the pattern belongs to.
struct Series {
    double start = 0;  // OLE date
    bool allDay = false;
    LONG busyStatus = 2;
};

// Parses and expands a series' stored pattern (and own zone, if any) over [firstDay, lastDay] as the loader does.
inline Expansion ExpandStored(const std::vector<BYTE>& blob, const std::vector<BYTE>& zone, const Series& series,
                              std::int64_t firstDay, std::int64_t lastDay, const TIME_ZONE_INFORMATION& device,
                              RecordingSink* sinkOut = nullptr, bool rangeMode = true)
{
    CCalendarRecurrence recurrence;
    recurrence.SetRange(static_cast<LONG>(firstDay), static_cast<LONG>(lastDay), rangeMode);
    recurrence.SetDeviceZone(&device);
    DATACALENDARDB working;
    working.start = series.start;
    working.allDay = series.allDay ? 1 : 0;
    working.busyStatus = series.busyStatus;
    working.recurring = 1;
    RecordingSink localSink;
    RecordingSink& sink = sinkOut ? *sinkOut : localSink;
    Expansion out;
    out.usable = recurrence.ParseAndCheckRecurring(
        blob.empty() ? nullptr : blob.data(), static_cast<DWORD>(blob.size()), zone.empty() ? nullptr : zone.data(),
        static_cast<DWORD>(zone.size()), working);
    out.result = recurrence.LastResult();
    out.reason = recurrence.LastReason();
    out.fields = recurrence.LastFields();
    out.deleted = recurrence.DeletedOccurrences().GetCount();
    if (out.usable) recurrence.fFillEventList(working, sink);
    out.entries = sink.entries;
    std::sort(out.entries.begin(), out.entries.end());
    return out;
}

// An appointment's pattern, encoded, through ExpandStored.
inline std::vector<Entry> Expand(const Appointment& a, std::int64_t firstDay, std::int64_t lastDay,
                                 const TIME_ZONE_INFORMATION& device, RecurrenceParseResult* result = nullptr,
                                 RecordingSink* sinkOut = nullptr)
{
    const std::vector<BYTE> blob = platform::EncodeRecurrencePatternBlob(a.pattern);
    EXPECT_FALSE(blob.empty());
    const Series series{
        static_cast<double>(a.pattern.startDate / 1440 - kOleDayZeroFrom1601) + a.pattern.startTimeOffset / 1440.0,
        a.allDay, a.busyStatus};
    Expansion expansion = ExpandStored(blob, a.zone, series, firstDay, lastDay, device, sinkOut);
    if (result) *result = expansion.result;
    return expansion.entries;
}

}  // namespace recurtest
