// The fillers against libical: random patterns of every kind as blobs and as RRULEs, entries compared one by one.
// Rules the calendar keeps on purpose, which the model adds to libical's days:
//  - day 29..31 falls on a shorter month's last day (BYMONTHDAY=28..D;BYSETPOS=-1);
//  - weeks run from Sunday (WKST=SU);
//  - yearly patterns repeat every year whatever their period;
//  - the pattern's EndDate ends every pattern, whatever its end type;
//  - expansion starts at the last pattern date before the range (or the first one); a date more than 2 days
//    before the range adds nothing, changed or not;
//  - an entry is kept when it overlaps the range.
// Sections: The model; Random patterns; Comparing the entries; Own zones with daylight saving.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/engine/calendar_recurrence_fixture.h"
#include "tests/support/recurrence_ical_oracle.h"

using namespace recurtest;
using platform::RecurrenceExceptionInfo;

namespace {

// ---- The model ------------------------------------------------------------

struct Civil {
    int y, m, d;
};

Civil CivilOf(std::int64_t oleDay)
{
    const platform::RecurrenceCivilDate d =
        platform::RecurrenceDateFromDay(static_cast<platform::RecurrenceDay>(oleDay + kOleDayZeroFrom1601));
    return Civil{d.year, d.month, d.day};
}

int WeekdayOf(std::int64_t oleDay) { return static_cast<int>((oleDay + 6) % 7); }

// libical's pattern days up to lastDay, with periods aligned to the pattern's (weeks from Sunday, months from the 1st,
// years from 1 January, every year whatever the period).
std::vector<std::int64_t> PatternDays(const platform::RecurrencePatternBlob& p, std::int64_t lastDay)
{
    const std::int64_t startDay = p.startDate / 1440 - kOleDayZeroFrom1601;
    const Civil s = CivilOf(startDay);
    platform::RecurrenceRule r;
    r.interval = static_cast<int>(p.period);
    r.dayOfWeekMask = static_cast<int>(p.weekdayMask);
    r.dayOfMonth = static_cast<int>(p.dayOfMonth);
    r.instance = static_cast<int>(p.nth);
    r.monthOfYear = p.firstDateTime == 0 ? 1 : CCalendarRecurrence::fGetMonthInNum(p.firstDateTime);
    std::int64_t dtstart = startDay;
    switch (p.frequency) {
        case kRecurDaily:
            r.type = platform::kRecursDaily;
            r.interval = static_cast<int>(p.period / 1440);
            break;
        case kRecurWeekly:
            r.type = platform::kRecursWeekly;
            dtstart = startDay - WeekdayOf(startDay);
            break;
        case kRecurMonthly:
            r.type = p.patternType == 2 ? platform::kRecursMonthly : platform::kRecursMonthNth;
            dtstart = OleDay(s.y, s.m, 1);
            break;
        default:
            r.type = p.patternType == 2 ? platform::kRecursYearly : platform::kRecursYearNth;
            dtstart = OleDay(s.y, 1, 1);
            break;
    }
    r.patternStartDay = static_cast<platform::RecurrenceDay>(dtstart + kOleDayZeroFrom1601);
    std::vector<std::int64_t> days;
    const auto last = static_cast<platform::RecurrenceDay>(lastDay + kOleDayZeroFrom1601);
    for (platform::RecurrenceDay day : icaloracle::IcalDays(r, SIZE_MAX, last)) {
        if (day - kOleDayZeroFrom1601 >= startDay) days.push_back(day - kOleDayZeroFrom1601);
    }
    return days;
}

struct Case {
    Appointment appointment;
    std::int64_t firstDay;
    std::int64_t lastDay;
    LONG zoneBias = 0;  // own zone (fixed offset) when hasZone
    bool hasZone = false;
    // Or an own zone with daylight saving, named for libical, on a device in another such zone.
    const char* ownZoneName = nullptr;
    const char* deviceZoneName = nullptr;
    TIME_ZONE_INFORMATION device = FixedZone(0);
};

icaltimetype IcalTimeOfMinutes(std::int64_t minutes)
{
    const Civil d = CivilOf(minutes / 1440);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02dT%02d%02d00", d.y, d.m, d.d, static_cast<int>(minutes % 1440 / 60),
                  static_cast<int>(minutes % 60));
    return icaltime_from_string(buf);
}

// A wall-clock time of the own zone on the device's clock by libical's zone data (own DST per day, at noon;
// the device's offset at the instant).
std::int64_t ZoneToDevice(const Case& c, std::int64_t localMinutes)
{
    icaltimezone* own = icaltimezone_get_builtin_timezone(c.ownZoneName);
    icaltimezone* device = icaltimezone_get_builtin_timezone(c.deviceZoneName);
    int daylight = 0;
    icaltimetype noon = IcalTimeOfMinutes(localMinutes / 1440 * 1440 + 12 * 60);
    const std::int64_t utc = localMinutes - icaltimezone_get_utc_offset(own, &noon, &daylight) / 60;
    icaltimetype instant = IcalTimeOfMinutes(utc);
    return utc + icaltimezone_get_utc_offset_of_utc_time(device, &instant, &daylight) / 60;
}

// A pattern ending more than 3 days before the range or starting more than 3 days after it is not expanded.
bool OutsideWindow(const Case& c)
{
    const platform::RecurrencePatternBlob& p = c.appointment.pattern;
    const std::int64_t startDay = p.startDate / 1440 - kOleDayZeroFrom1601;
    const std::int64_t endDay = p.endDate / 1440 - kOleDayZeroFrom1601;
    return endDay < c.firstDay - 3 || startDay > c.lastDay + 3;
}

// What the calendar should show, built from libical's days.
std::vector<Entry> Model(const Case& c)
{
    const platform::RecurrencePatternBlob& p = c.appointment.pattern;
    const std::int64_t endDay = p.endDate / 1440 - kOleDayZeroFrom1601;
    std::vector<Entry> out;
    if (OutsideWindow(c)) return out;
    // An own zone's date after the range may fall on its last day on the device.
    const bool ownZone = c.hasZone || c.ownZoneName;
    const std::vector<std::int64_t> days = PatternDays(p, std::min(endDay, c.lastDay + (ownZone ? 2 : 0)));
    // The walk starts at the last pattern date before the range.
    size_t first = 0;
    while (first + 1 < days.size() && days[first + 1] < c.firstDay) ++first;
    // A weekly walk takes the whole week (Sunday to Saturday) of that date.
    auto weekOf = [](std::int64_t d) { return d - WeekdayOf(d); };
    if (p.frequency == kRecurWeekly) {
        while (first > 0 && weekOf(days[first - 1]) == weekOf(days[first])) --first;
    }
    const bool allDay = c.appointment.allDay;
    const LONG shift = c.hasZone ? c.zoneBias : 0;
    auto toDevice = [&](std::int64_t local) { return c.ownZoneName ? ZoneToDevice(c, local) : local + shift; };
    auto add = [&](Entry e) {
        if ((e.end < 0 ? (e.end - 1439) / 1440 : e.end / 1440) >= c.firstDay && e.day <= c.lastDay) out.push_back(e);
    };
    auto dayOfMinutes = [](std::int64_t m) { return m / 1440; };
    for (size_t i = first; i < days.size(); ++i) {
        const std::int64_t day = days[i];
        auto sameDay = [day](DWORD minutes) {
            return static_cast<std::int64_t>(minutes / 1440) - kOleDayZeroFrom1601 == day;
        };
        const RecurrenceExceptionInfo* change = nullptr;
        for (const auto& e : p.exceptions) {
            if (sameDay(e.originalStartDate)) change = &e;
        }
        if (change) {
            const std::int64_t newDay = change->startDateTime / 1440 - kOleDayZeroFrom1601;
            if (newDay < c.firstDay - 2) continue;
            if (change->subject && change->subject->rfind(u"<\u2022>", 0) == 0) continue;
            const bool changedAllDay = change->allDay ? *change->allDay : allDay;
            Entry e{};
            const std::int64_t start = static_cast<std::int64_t>(change->startDateTime) - kOleDayZeroFrom1601 * 1440;
            const std::int64_t end = static_cast<std::int64_t>(change->endDateTime) - kOleDayZeroFrom1601 * 1440;
            if (changedAllDay) {
                e.start = dayOfMinutes(start) * 1440;
                e.end = (dayOfMinutes(end) - (end > start && end % 1440 == 0 ? 1 : 0)) * 1440;
                if (end <= start) e.end = e.start;
                e.duration = static_cast<LONG>(e.end - e.start + 1440);
            } else {
                e.start = toDevice(start);
                // A change moved to another day keeps its length when it spans days.
                const bool movedMultiDay = !sameDay(change->startDateTime) && dayOfMinutes(end) > dayOfMinutes(start);
                e.end = movedMultiDay ? e.start + (end - start) : toDevice(end);
                e.duration = static_cast<LONG>(e.end - e.start);
            }
            e.day = static_cast<LONG>(dayOfMinutes(e.start));
            e.subject = change->subject ? WideToUtf8(*change->subject) : "Series";
            e.location = change->location ? WideToUtf8(*change->location) : "Room";
            e.allDay = changedAllDay;
            e.busyStatus = change->busyStatus ? static_cast<LONG>(*change->busyStatus) : c.appointment.busyStatus;
            e.exception = true;
            e.hasNote = change->ownNote;
            add(e);
            continue;
        }
        bool deleted = false;
        for (DWORD d : p.deletedInstanceDates) deleted = deleted || sameDay(d);
        if (deleted || day < c.firstDay - 2) continue;
        Entry e{};
        if (allDay) {
            const std::int64_t lengthDays = std::max<std::int64_t>(p.endTimeOffset / 1440, 1);
            e.start = day * 1440;
            e.end = (day + lengthDays - 1) * 1440;
            e.duration = static_cast<LONG>(lengthDays * 1440);
        } else {
            e.start = toDevice(day * 1440 + p.startTimeOffset);
            e.end = toDevice(day * 1440 + p.endTimeOffset);
            e.duration = static_cast<LONG>(e.end - e.start);
        }
        e.day = static_cast<LONG>(dayOfMinutes(e.start));
        e.subject = "Series";
        e.location = "Room";
        e.allDay = allDay;
        e.busyStatus = c.appointment.busyStatus;
        add(e);
    }
    std::sort(out.begin(), out.end());
    return out;
}

// ---- Random patterns ------------------------------------------------------

class PatternMaker {
public:
    explicit PatternMaker(unsigned seed) : m_rng(seed) {}

    // Timed patterns get this own zone on a device in `deviceZone`; ranges from 2009 on follow the zone data's rules.
    void UseZones(const char* ownName, const TIME_ZONE_INFORMATION& own, const char* deviceName,
                  const TIME_ZONE_INFORMATION& device)
    {
        m_ownName = ownName;
        m_own = own;
        m_deviceName = deviceName;
        m_device = device;
        // Times 7 minutes off the quarter hour never meet a transition instant (conventions differ there).
        m_minuteOffset = 7;
    }

    int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }

    Case Make(int kind)
    {
        Case c;
        platform::RecurrencePatternBlob& p = c.appointment.pattern;
        // The range: a week to a year somewhere in 2020..2030.
        c.firstDay = (m_ownName ? OleDay(2009, 1, 1) : OleDay(2020, 1, 1)) + Uniform(0, 3650);
        c.lastDay = c.firstDay + (Uniform(0, 3) == 0 ? Uniform(0, 6) : Uniform(7, 366));
        if (kind >= 4 && Uniform(0, 1)) c.lastDay = c.firstDay + Uniform(300, 800);  // rarer dates, longer ranges
        // The pattern starts up to 20 years before the range or inside it.
        const std::int64_t startDay = c.firstDay - (Uniform(0, 4) == 0 ? Uniform(0, 60) : Uniform(0, 7300)) +
                                      (Uniform(0, 5) == 0 ? Uniform(0, 30) : 0);
        p.startDate = MinutesOfDay(startDay);
        switch (kind) {
            case 0:
                p.frequency = kRecurDaily;
                p.patternType = 0;
                p.period = 1440u * static_cast<DWORD>(Uniform(1, 10) == 10 ? Uniform(11, 400) : Uniform(1, 10));
                break;
            case 1:
                p.frequency = kRecurDaily;
                p.patternType = 1;
                p.weekdayMask = 62;
                p.period = 0;
                break;
            case 2:
                p.frequency = kRecurWeekly;
                p.patternType = 1;
                p.period = static_cast<DWORD>(Uniform(1, 6));
                p.weekdayMask = static_cast<DWORD>(Uniform(1, 127));
                break;
            case 3:
                p.frequency = kRecurMonthly;
                p.patternType = 2;
                p.period = static_cast<DWORD>(Uniform(1, 4) == 4 ? Uniform(5, 24) : Uniform(1, 4));
                p.dayOfMonth = static_cast<DWORD>(Uniform(0, 2) == 0 ? Uniform(28, 31) : Uniform(1, 31));
                break;
            case 4:
                p.frequency = kRecurMonthly;
                p.patternType = 3;
                p.period = static_cast<DWORD>(Uniform(1, 12));
                p.weekdayMask = NthMask();
                p.nth = static_cast<DWORD>(Uniform(1, 5));
                break;
            case 5:
            case 6: {
                p.frequency = kRecurYearly;
                p.patternType = kind == 5 ? 2 : 3;
                p.period = static_cast<DWORD>(Uniform(0, 3) == 0 ? Uniform(1, 60) : 12);  // not used
                static const int kCumulative[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
                p.firstDateTime = static_cast<DWORD>(kCumulative[Uniform(0, 11)] * 1440);
                if (kind == 5) {
                    p.dayOfMonth = static_cast<DWORD>(Uniform(1, 31));
                } else {
                    p.weekdayMask = NthMask();
                    p.nth = static_cast<DWORD>(Uniform(1, 5));
                }
                break;
            }
            default:
                break;
        }
        // Every end type; EndDate is what ends it.
        const int end = Uniform(0, 2);
        p.endType = end == 0   ? platform::kRecurEndNever
                    : end == 1 ? platform::kRecurEndByDate
                               : platform::kRecurEndAfterCount;
        p.occurrenceCount = static_cast<DWORD>(Uniform(1, 50));
        p.endDate = end == 0 ? platform::kRecurNoEndDate
                             : MinutesOfDay(c.firstDay + Uniform(-10, static_cast<int>(c.lastDay - c.firstDay) + 10));
        if (p.endDate / 1440 < p.startDate / 1440) p.endDate = p.startDate;

        c.appointment.allDay = Uniform(0, 5) == 0;
        c.appointment.busyStatus = Uniform(0, 3);
        if (c.appointment.allDay) {
            p.startTimeOffset = 0;
            p.endTimeOffset = 1440u * static_cast<DWORD>(Uniform(1, 3));
        } else {
            p.startTimeOffset = static_cast<DWORD>(Uniform(0, 95) * 15 + m_minuteOffset);
            p.endTimeOffset = p.startTimeOffset + Length(Uniform(0, 10) == 0 ? Uniform(1440, 4000) : Uniform(0, 300));
            if (m_ownName) {
                c.ownZoneName = m_ownName;
                c.deviceZoneName = m_deviceName;
                c.device = m_device;
                c.appointment.zone = ZoneBlob(m_own);
            } else if (Uniform(0, 2) == 0) {
                c.hasZone = true;
                c.zoneBias = Uniform(-24, 24) * 30;
                c.appointment.zone = ZoneBlob(FixedZone(c.zoneBias));
            }
        }
        AddChanges(c);
        return c;
    }

private:
    // Minutes; whole quarter hours when times keep off the transition instants.
    DWORD Length(int minutes) const { return static_cast<DWORD>(m_minuteOffset ? minutes / 15 * 15 : minutes); }

    DWORD NthMask()
    {
        static const DWORD kMasks[] = {1, 2, 4, 8, 16, 32, 64, 62, 65, 127};
        return kMasks[Uniform(0, 9)];
    }

    // Deletes and changes some of the pattern's days near the range.
    void AddChanges(Case& c)
    {
        platform::RecurrencePatternBlob& p = c.appointment.pattern;
        const std::int64_t endDay = p.endDate / 1440 - kOleDayZeroFrom1601;
        std::vector<std::int64_t> days = PatternDays(p, std::min(endDay, c.lastDay + 5));
        days.erase(days.begin(), std::lower_bound(days.begin(), days.end(), c.firstDay - 40));
        if (days.empty() || Uniform(0, 3) == 0) return;
        std::set<std::int64_t> used;
        std::set<std::int64_t> newDays;
        const int changes = Uniform(0, std::min<int>(8, static_cast<int>(days.size())));
        for (int i = 0; i < changes; ++i) {
            const std::int64_t day = days[static_cast<size_t>(Uniform(0, static_cast<int>(days.size()) - 1))];
            if (!used.insert(day).second) continue;
            p.deletedInstanceDates.push_back(MinutesOfDay(day));
            if (Uniform(0, 2) == 0) continue;  // deleted
            RecurrenceExceptionInfo e;
            const DWORD original = MinutesOfDay(day) + p.startTimeOffset;
            std::int64_t newDay = day;
            if (Uniform(0, 2) == 0) newDay = day + Uniform(-3, 3);
            if (newDays.count(newDay) || (newDay != day && used.count(newDay))) newDay = day;
            newDays.insert(newDay);
            const bool allDay = Uniform(0, 4) == 0;
            if (allDay) {
                e.allDay = true;
                e.startDateTime = MinutesOfDay(newDay);
                e.endDateTime = e.startDateTime + 1440u * static_cast<DWORD>(Uniform(1, 2));
            } else {
                if (c.appointment.allDay || Uniform(0, 3) == 0) e.allDay = false;
                e.startDateTime = MinutesOfDay(newDay) + static_cast<DWORD>(Uniform(0, 95) * 15 + m_minuteOffset);
                e.endDateTime = e.startDateTime + Length(Uniform(0, 8) == 0 ? Uniform(1440, 3000) : Uniform(0, 240));
            }
            e.originalStartDate = original;
            if (Uniform(0, 1)) {
                e.subject = Uniform(0, 6) == 0 ? u"<\u2022>Done</\u2022>"
                                               : u"Changed " + std::u16string(1, static_cast<char16_t>(u'A' + i));
            }
            if (Uniform(0, 2) == 0) e.location = u"Elsewhere";
            if (Uniform(0, 2) == 0) e.busyStatus = static_cast<DWORD>(Uniform(0, 3));
            if (Uniform(0, 4) == 0) {
                e.ownNote = true;
                if (Uniform(0, 1)) e.noteBytes = std::vector<BYTE>(static_cast<size_t>(Uniform(5, 40)), 0x20);
            }
            if (Uniform(0, 4) == 0) e.reminderDelta = 15;
            if (Uniform(0, 4) == 0) e.reminderSet = 1;
            p.modifiedInstanceDates.push_back(MinutesOfDay(newDay));
            p.exceptions.push_back(e);
        }
    }

    std::mt19937 m_rng;
    const char* m_ownName = nullptr;
    const char* m_deviceName = nullptr;
    TIME_ZONE_INFORMATION m_own{};
    TIME_ZONE_INFORMATION m_device{};
    int m_minuteOffset = 0;
};

// ---- Comparing the entries ------------------------------------------------

const char* const kKindNames[] = {"Daily", "EveryWeekday", "Weekly", "Monthly", "MonthNth", "Yearly", "YearlyNth"};

class RecurrenceOracle : public ::testing::TestWithParam<int> {};

// Compares n random cases of a kind, counting those with expected entries.
void CompareCases(PatternMaker& maker, int kind, int n, int* nonEmpty)
{
    for (int i = 0; i < n; ++i) {
        const Case c = maker.Make(kind);
        RecurrenceParseResult result = kRecurrenceRejected;
        const std::vector<Entry> actual = Expand(c.appointment, c.firstDay, c.lastDay, c.device, &result);
        ASSERT_EQ(result == kRecurrenceRejected, OutsideWindow(c)) << kKindNames[kind] << " case " << i;
        const std::vector<Entry> expected = Model(c);
        if (!expected.empty()) ++*nonEmpty;
        ASSERT_EQ(actual, expected) << kKindNames[kind] << " case " << i << ": range from OLE day " << c.firstDay
                                    << " for " << (c.lastDay - c.firstDay + 1) << " days, zone "
                                    << (c.ownZoneName ? c.ownZoneName : std::to_string(c.zoneBias));
    }
}

// ---- Own zones with daylight saving ---------------------------------------

// A zone an hour ahead in summer, from the nth Sunday of one month to that of another (5: last), at these hours.
TIME_ZONE_INFORMATION DaylightRules(LONG bias, WORD fromMonth, WORD fromNth, WORD fromHour, WORD toMonth, WORD toNth,
                                    WORD toHour)
{
    TIME_ZONE_INFORMATION z = FixedZone(bias);
    z.DaylightBias = -60;
    z.DaylightDate = SYSTEMTIME{0, fromMonth, 0, fromNth, fromHour, 0, 0, 0};
    z.StandardDate = SYSTEMTIME{0, toMonth, 0, toNth, toHour, 0, 0, 0};
    return z;
}

const TIME_ZONE_INFORMATION kNewYork = DaylightRules(300, 3, 2, 2, 11, 1, 2);
const TIME_ZONE_INFORMATION kBerlin = DaylightRules(-60, 3, 5, 2, 10, 5, 3);
const TIME_ZONE_INFORMATION kSydney = DaylightRules(-600, 10, 1, 2, 4, 1, 3);

// Without an own zone or with a fixed one; then own zones with daylight saving on a device with its own.
TEST_P(RecurrenceOracle, EntriesMatchLibicalExpansion)
{
    const int kind = GetParam();
    PatternMaker maker(20240601u + static_cast<unsigned>(kind));
    int nonEmpty = 0;
    CompareCases(maker, kind, 500, &nonEmpty);
    EXPECT_GT(nonEmpty, 150);  // the ranges do meet their patterns
    nonEmpty = 0;
    PatternMaker westToEast(20250101u + static_cast<unsigned>(kind));
    westToEast.UseZones("America/New_York", kNewYork, "Europe/Berlin", kBerlin);
    CompareCases(westToEast, kind, 150, &nonEmpty);
    PatternMaker eastToWest(20250201u + static_cast<unsigned>(kind));
    eastToWest.UseZones("Europe/Berlin", kBerlin, "America/New_York", kNewYork);
    CompareCases(eastToWest, kind, 150, &nonEmpty);
    PatternMaker southToNorth(20250301u + static_cast<unsigned>(kind));
    southToNorth.UseZones("Australia/Sydney", kSydney, "Europe/Berlin", kBerlin);
    CompareCases(southToNorth, kind, 150, &nonEmpty);
    EXPECT_GT(nonEmpty, 120);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, RecurrenceOracle, ::testing::Range(0, 7),
                         [](const ::testing::TestParamInfo<int>& info) { return std::string(kKindNames[info.param]); });

}  // namespace
