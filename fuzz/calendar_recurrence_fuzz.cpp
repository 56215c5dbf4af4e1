// Pattern and zone blobs through the calendar's parser and a bounded
// expansion: any input is rejected or expands into entries that all touch
// the 60-day range, without a crash or an endless walk.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "engine/calendar_recurrence.h"
#include "engine/data_calendar_db.h"

namespace {

class CountingSink : public CalendarOccurrenceSink {
public:
    CountingSink(LONG firstDay, LONG lastDay) : m_firstDay(firstDay), m_lastDay(lastDay) {}
    bool ReadRecordRest(DATACALENDARDB&) override
    {
        if (++m_restReads > 1) std::abort();  // read at most once per record
        return true;
    }
    bool IsAppointmentToBeDisplayed(const WCHAR*) override { return true; }
    void AddEntry(DATACALENDAR* entry) override
    {
        if (entry->day > m_lastDay || std::floor(entry->end) < m_firstDay) std::abort();
        if (++m_count > 1000) std::abort();  // 60 days cannot hold this many
        delete entry;
    }

private:
    LONG m_firstDay;
    LONG m_lastDay;
    int m_restReads = 0;
    int m_count = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte says how much of the rest is the zone blob.
    if (size < 1) return 0;
    const size_t zoneSize = data[0] % 64 < size - 1 ? data[0] % 64 : size - 1;
    const BYTE* zone = zoneSize ? data + 1 : nullptr;
    const BYTE* pattern = data + 1 + zoneSize;
    const size_t patternSize = size - 1 - zoneSize;

    constexpr LONG kFirstDay = 45292;  // 1 January 2024
    constexpr LONG kLastDay = kFirstDay + 59;
    static const TIME_ZONE_INFORMATION kDevice{};
    CCalendarRecurrence recurrence;
    recurrence.SetRange(kFirstDay, kLastDay);
    recurrence.SetDeviceZone(&kDevice);
    DATACALENDARDB working;
    working.start = kFirstDay;
    working.allDay = static_cast<WORD>(data[0] >> 7);
    if (recurrence.ParseAndCheckRecurring(patternSize ? pattern : nullptr, static_cast<DWORD>(patternSize), zone,
                                          static_cast<DWORD>(zoneSize), working)) {
        CountingSink sink(kFirstDay, kLastDay);
        recurrence.fFillEventList(working, sink);
    }
    return 0;
}
