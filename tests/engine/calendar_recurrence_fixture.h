// Helpers of the recurrence expansion tests: pattern blobs written with the
// platform's encoder, a sink that keeps what the expansion hands over, and
// one call that runs a pattern through parser and fillers the way the
// calendar loader does.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "engine/calendar_recurrence.h"
#include "engine/data_calendar_db.h"
#include "platform/text/bstr.h"
#include "platform/recurrence/recurrence_pattern_blob.h"
#include "platform/text/utf8.h"

namespace recurtest {

// Days from 1 January 1601 to 30 December 1899 (day 0 of OLE dates).
inline constexpr std::int64_t kOleDayZeroFrom1601 = 109205;

// Civil date to OLE day number, by counting from a known day (independent
// of the code under test).
inline std::int64_t OleDay(int y, int m, int d)
{
    static const int kCumulative[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    auto leap = [](int yy) { return (yy % 4 == 0 && yy % 100 != 0) || yy % 400 == 0; };
    std::int64_t days = 0;  // from 1 January 1900
    for (int yy = 1900; yy < y; ++yy) days += leap(yy) ? 366 : 365;
    days += kCumulative[m - 1] + (m > 2 && leap(y) ? 1 : 0) + (d - 1);
    return days + 2;  // 1 January 1900 is OLE day 2
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

inline bool operator==(const Entry& a, const Entry& b)
{
    return a.start == b.start && a.end == b.end && a.duration == b.duration && a.day == b.day &&
           a.subject == b.subject && a.location == b.location && a.allDay == b.allDay && a.busyStatus == b.busyStatus &&
           a.exception == b.exception && a.hasNote == b.hasNote;
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

// The 48-byte zone blob of a zone.
inline std::vector<BYTE> ZoneBlob(const TIME_ZONE_INFORMATION& z)
{
    std::vector<BYTE> out(48, 0);
    auto put32 = [&](size_t at, LONG v) {
        for (int i = 0; i < 4; ++i) out[at + i] = static_cast<BYTE>(static_cast<DWORD>(v) >> (8 * i));
    };
    auto putRule = [&](size_t at, const SYSTEMTIME& st) {
        const WORD w[8] = {st.wYear, st.wMonth,  st.wDayOfWeek, st.wDay,
                           st.wHour, st.wMinute, st.wSecond,    st.wMilliseconds};
        for (int i = 0; i < 8; ++i) {
            out[at + 2 * i] = static_cast<BYTE>(w[i]);
            out[at + 2 * i + 1] = static_cast<BYTE>(w[i] >> 8);
        }
    };
    put32(0, z.Bias);
    put32(4, z.StandardBias);
    put32(8, z.DaylightBias);
    putRule(14, z.StandardDate);
    putRule(32, z.DaylightDate);
    return out;
}

struct Appointment {
    platform::RecurrencePatternBlob pattern;
    std::vector<BYTE> zone;  // empty: no own zone
    bool allDay = false;
    LONG busyStatus = 2;
};

// Parses and expands an appointment over [firstDay, lastDay] with the
// device on `device`; the parse result goes to *result when given.
inline std::vector<Entry> Expand(const Appointment& a, std::int64_t firstDay, std::int64_t lastDay,
                                 const TIME_ZONE_INFORMATION& device, RecurrenceParseResult* result = nullptr,
                                 RecordingSink* sinkOut = nullptr)
{
    const std::vector<BYTE> blob = platform::EncodeRecurrencePatternBlob(a.pattern);
    EXPECT_FALSE(blob.empty());
    CCalendarRecurrence recurrence;
    recurrence.SetRange(static_cast<LONG>(firstDay), static_cast<LONG>(lastDay));
    recurrence.SetDeviceZone(&device);
    DATACALENDARDB working;
    working.start =
        static_cast<double>(a.pattern.startDate / 1440 - kOleDayZeroFrom1601) + a.pattern.startTimeOffset / 1440.0;
    working.allDay = a.allDay ? 1 : 0;
    working.busyStatus = a.busyStatus;
    working.recurring = 1;
    RecordingSink localSink;
    RecordingSink& sink = sinkOut ? *sinkOut : localSink;
    const bool usable = recurrence.ParseAndCheckRecurring(blob.data(), static_cast<DWORD>(blob.size()),
                                                          a.zone.empty() ? nullptr : a.zone.data(),
                                                          static_cast<DWORD>(a.zone.size()), working);
    if (result) *result = recurrence.LastResult();
    if (usable) recurrence.fFillEventList(working, sink);
    std::vector<Entry> out = sink.entries;
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace recurtest
