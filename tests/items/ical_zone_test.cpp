// Zone records as VTIMEZONEs: libical converts times with the written
// VTIMEZONE as the zone record does, and the VTIMEZONE reads back to the same
// rules; other programs' VTIMEZONEs with ended observances read as their
// current rules.
#include <gtest/gtest.h>

#include <libical/ical.h>

#include "items/ical_zone.h"
#include "platform/objectmodel/outlook_zone.h"
#include "platform/recurrence/recurrence_dates.h"

namespace {

using platform::RecurrenceDayFromDate;

struct ComponentFree {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};

class IcalZone : public testing::TestWithParam<const char*> {};

TEST_P(IcalZone, LibicalConvertsWithTheWrittenZoneAsTheRecordDoes)
{
    const std::int64_t now = std::int64_t{RecurrenceDayFromDate(2024, 6, 1)} * 1440;
    const std::optional<TIME_ZONE_INFORMATION> zone = ical::ZoneFromDatabaseName(GetParam(), now);
    ASSERT_TRUE(zone) << GetParam();
    std::unique_ptr<icalcomponent, ComponentFree> vtimezone(ical::NewVTimezone(*zone, "Z"));
    const std::optional<TIME_ZONE_INFORMATION> back = ical::ZoneFromVTimezone(vtimezone.get());
    ASSERT_TRUE(back) << GetParam();
    EXPECT_TRUE(ical::SameZoneRules(*back, *zone)) << GetParam();

    icaltimezone* written = icaltimezone_new();
    ASSERT_TRUE(icaltimezone_set_component(written, icalcomponent_new_clone(vtimezone.get())));
    // Every 13 hours for two years, transitions included.
    for (std::int64_t local = now; local < now + 2 * 366 * 1440; local += 13 * 60 + 7) {
        const std::int64_t day = local / 1440;
        const platform::RecurrenceCivilDate d = platform::RecurrenceDateFromDay(static_cast<platform::RecurrenceDay>(day));
        icaltimetype t = icaltime_null_time();
        t.year = d.year;
        t.month = d.month;
        t.day = d.day;
        t.hour = static_cast<int>(local % 1440) / 60;
        t.minute = static_cast<int>(local % 60);
        t.zone = written;
        const std::int64_t expected = platform::ZoneLocalToUtcMinutes(*zone, local);
        // A wall time skipped by a transition has no reading to agree on.
        if (platform::UtcToZoneLocalMinutes(*zone, expected) != local) continue;
        // One repeated when the clocks go back means its first occurrence,
        // the daylight one (RFC 5545, 3.3.5); libical takes the second.
        const std::int64_t savings = -zone->DaylightBias;
        if (savings != 0 && platform::UtcToZoneLocalMinutes(*zone, expected + savings) == local) continue;
        ASSERT_TRUE(savings == 0 || platform::UtcToZoneLocalMinutes(*zone, expected - savings) != local)
            << GetParam() << ": a repeated wall time read as its second occurrence";
        const icaltimetype utc = icaltime_convert_to_zone(t, icaltimezone_get_utc_timezone());
        const std::int64_t got = std::int64_t{RecurrenceDayFromDate(utc.year, utc.month, utc.day)} * 1440 +
                                 utc.hour * 60 + utc.minute;
        ASSERT_EQ(got, expected) << GetParam() << " at " << d.year << "-" << d.month << "-" << d.day << " "
                                 << t.hour << ":" << t.minute;
    }
    icaltimezone_free(written, 1);
}

INSTANTIATE_TEST_SUITE_P(Zones, IcalZone,
                         testing::Values("America/New_York", "Europe/Berlin", "Australia/Sydney", "Asia/Kolkata",
                                         "America/Sao_Paulo", "Pacific/Auckland", "UTC"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (c == '/') c = '_';
                             return name;
                         });

TEST(IcalZoneRead, EndedDaylightObservancesLeaveStandardTime)
{
    const char* text =
        "BEGIN:VTIMEZONE\r\nTZID:Moscow\r\n"
        "BEGIN:DAYLIGHT\r\nDTSTART:19920329T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU;UNTIL=20100328T000000Z\r\n"
        "TZOFFSETFROM:+0300\r\nTZOFFSETTO:+0400\r\nEND:DAYLIGHT\r\n"
        "BEGIN:STANDARD\r\nDTSTART:20141026T020000\r\nTZOFFSETFROM:+0400\r\nTZOFFSETTO:+0300\r\nEND:STANDARD\r\n"
        "END:VTIMEZONE\r\n";
    std::unique_ptr<icalcomponent, ComponentFree> c(icalcomponent_new_from_string(text));
    const std::optional<TIME_ZONE_INFORMATION> zone = ical::ZoneFromVTimezone(c.get());
    ASSERT_TRUE(zone);
    EXPECT_EQ(zone->Bias, -180);
    EXPECT_EQ(zone->StandardDate.wMonth, 0);
}

}  // namespace
