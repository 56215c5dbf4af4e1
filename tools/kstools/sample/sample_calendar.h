// SampleCalendar: the day arithmetic of the sample generator, on OLE dates
// (days since 30 December 1899, the fraction the time of day), anchored on
// today of the device clock, which KSTOOLS_NOW pins for reproducible stores.
#pragma once

#include "platform/base/types.h"
#include "platform/time/variant_time.h"

namespace kstools {

struct SampleDay {
    int year;
    int month;  // 1..12
    int day;    // 1..31
};

class SampleCalendar {
public:
    // Anchored on today's midnight of the device clock.
    SampleCalendar();
    explicit SampleCalendar(DATE today) : m_today(today) {}

    DATE Today() const { return m_today; }
    // today + days, at hour:minute.
    DATE At(int days, int hour = 0, int minute = 0) const;

    // Midnight of a calendar day; months past 12 roll into the following
    // years, and a day past the month's end is the month's last day.
    static DATE Date(int year, int month, int day);
    static SampleDay DayOf(DATE date);
    // 0 Sunday .. 6 Saturday.
    static int Weekday(DATE date);
    // The first day on or after `from` that falls on `weekday`.
    static DATE OnOrAfter(DATE from, int weekday);
    // The instance-th (1..4, 5 = last) `weekday` of a month.
    static DATE NthWeekday(int year, int month, int weekday, int instance);
    // Adds a time of day in minutes to a midnight.
    static DATE WithTime(DATE midnight, int minutes) { return midnight + minutes / 1440.0; }

private:
    DATE m_today;
};

}  // namespace kstools
