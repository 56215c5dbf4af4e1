// The calendar after an iCalendar round trip against libical: a thousand random
// recurring appointments (every rule kind the device holds, own zones, all-day
// series, deleted and moved occurrences) are imported, exported, imported into an
// empty store, and every occurrence `kstools calendar` lists over two years must
// be one libical expands from the exported file, and the other way round.
#include <gtest/gtest.h>

#include <libical/ical.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/kstools_home.h"
#include "tests/support/recurrence_ical_oracle.h"
#include "tests/support/recurrence_random_rule.h"
#include "tests/support/saved_environment.h"

namespace {

using namespace platform;

constexpr const char* kDeviceZone = "Europe/Berlin";
constexpr const char* kFirstDay = "2025-01-01";
constexpr const char* kLastDay = "2026-12-31";
// Own zones of the series; "" is the device's wall clock, "Z" is UTC.
const char* const kZones[] = {"", "", "Z", "America/New_York", "Asia/Kolkata", "Australia/Sydney", "Europe/Berlin"};

// One occurrence as the calendar shows it: subject, local start and end, all day.
using Occurrence = std::tuple<std::string, std::string, std::string, bool>;

std::string Stamp(RecurrenceDay day, int minute, bool date)
{
    const RecurrenceCivilDate d = RecurrenceDateFromDay(day);
    char text[32];
    if (date) {
        std::snprintf(text, sizeof text, "%04d%02d%02d", d.year, d.month, d.day);
    } else {
        std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d00", d.year, d.month, d.day, minute / 60, minute % 60);
    }
    return text;
}

// A time property with its zone: "DTSTART;TZID=...:..." and the like.
std::string TimeLine(const std::string& name, const std::string& zone, RecurrenceDay day, int minute, bool allDay)
{
    if (allDay) return name + ";VALUE=DATE:" + Stamp(day, 0, true) + "\r\n";
    if (zone == "Z") return name + ":" + Stamp(day, minute, false) + "Z\r\n";
    if (zone.empty()) return name + ":" + Stamp(day, minute, false) + "\r\n";
    return name + ";TZID=" + zone + ":" + Stamp(day, minute, false) + "\r\n";
}

// The source calendar: recurring events as another program would write them.
std::string RandomCalendar(std::mt19937& rng, int count)
{
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const recurrule::RandomRuleSpan span{RecurrenceDayFromDate(2023, 6, 1), RecurrenceDayFromDate(2026, 10, 31), 12,
                                         80, 1500};
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Oracle//EN\r\n";
    for (int made = 0; made < count;) {
        RecurrenceRule r = recurrule::RandomRecurrenceRule(rng, span);
        r.firstDayOfWeek = 0;
        const std::optional<RecurrenceDay> first = RecurrenceDates(r).First();
        if (!first || !BuildRecurrencePatternBlob(r)) continue;
        const std::string uid = "E" + std::to_string(made++);
        const bool allDay = pick(0, 9) == 0;
        const std::string zone = allDay ? "" : kZones[pick(0, 6)];
        // Wall times clear of the hours clocks are moved in.
        const int minute = pick(4 * 60, 21 * 60 + 59);
        const int duration = pick(1, 16) * 15;
        text += "BEGIN:VEVENT\r\nUID:" + uid + "\r\nSUMMARY:" + uid + "\r\n" + TimeLine("DTSTART", zone, *first, minute, allDay);
        text += allDay ? TimeLine("DTEND", zone, *first + 1, 0, true) : "DURATION:PT" + std::to_string(duration) + "M\r\n";
        text += "RRULE:" + icaloracle::RRuleOf(r) + "\r\n";
        // Some of the first occurrences deleted, others moved within their day.
        std::vector<RecurrenceDay> days;
        const RecurrenceDates dates(r);
        for (std::int64_t n = 1; n <= 30; ++n) {
            const std::optional<RecurrenceDay> day = dates.Nth(n);
            if (!day) break;
            days.push_back(*day);
        }
        std::shuffle(days.begin(), days.end(), rng);
        const size_t deleted = std::min<size_t>(days.size() / 3, pick(0, 2));
        const size_t moved = std::min<size_t>(days.size() - deleted, pick(0, 2));
        for (size_t i = 0; i < deleted; ++i) text += TimeLine("EXDATE", zone, days[i], minute, allDay);
        text += "END:VEVENT\r\n";
        for (size_t i = deleted; i < deleted + moved; ++i) {
            text += "BEGIN:VEVENT\r\nUID:" + uid + "\r\nSUMMARY:" + uid + " moved\r\n" +
                    TimeLine("RECURRENCE-ID", zone, days[i], minute, allDay);
            if (allDay) {
                text += TimeLine("DTSTART", zone, days[i], 0, true) + TimeLine("DTEND", zone, days[i] + 1, 0, true);
            } else {
                const int to = std::clamp(minute + pick(-8, 8) * 15, 4 * 60, 23 * 60);
                text += TimeLine("DTSTART", zone, days[i], to, false) + "DURATION:PT" +
                        std::to_string(pick(1, 8) * 15) + "M\r\n";
            }
            text += "END:VEVENT\r\n";
        }
    }
    return text + "END:VCALENDAR\r\n";
}

// Whether an occurrence starts or ends in the hour the device's clocks go back
// (the last Sundays of October 2025 and 2026 in Berlin). The store keeps
// device wall times, which name two moments there: an event of another zone
// that crosses that hour is read with the length of its wall times.
bool InRepeatedHour(const Occurrence& o)
{
    for (const std::string& at : {std::get<1>(o), std::get<2>(o)}) {
        const std::string day = at.substr(0, 10), hour = at.substr(11, 2);
        if ((day == "2025-10-26" || day == "2026-10-25") && hour == "02") return true;
    }
    return false;
}

// ---- libical's occurrences of a file ----------------------------------------

using IcalOwned = std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)>;

std::string WallText(int year, int month, int day, int hour, int minute)
{
    char text[64];  // room for any int in each field
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d", year, month, day, hour, minute);
    return text;
}

// A moment on the device's wall clock, from the system's zone database (this
// process runs on the device's zone; libical's own conversion misplaces the
// hour the clocks go back).
std::string OnDevice(time_t at)
{
    tm local{};
    localtime_r(&at, &local);
    return WallText(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min);
}

int Minutes(icalcomponent* event)
{
    const icaltimetype start = icalcomponent_get_dtstart(event);
    const icaltimetype end = icalcomponent_get_dtend(event);
    return static_cast<int>((icaltime_as_timet_with_zone(end, end.zone) -
                             icaltime_as_timet_with_zone(start, start.zone)) / 60);
}

// The key of an occurrence's original start: the absolute time (a date's or
// floating time's wall value as though it were UTC).
time_t Key(icaltimetype t) { return icaltime_as_timet_with_zone(t, t.is_date ? nullptr : t.zone); }

// A zoned start is a moment, its end that moment plus the length; floating
// times and dates are the device's wall clock, their end added to it. An
// all-day entry ends on its last day.
Occurrence OccurrenceOf(icalcomponent* event, icaltimetype start, int minutes)
{
    const std::string summary = icalcomponent_get_summary(event);
    if (start.is_date || start.zone == nullptr) {
        if (start.is_date) minutes -= 1440;
        icaltimetype end = start;
        end.is_date = 0;
        icaltime_adjust(&end, 0, 0, minutes, 0);
        return {summary, WallText(start.year, start.month, start.day, start.is_date ? 0 : start.hour,
                                  start.is_date ? 0 : start.minute),
                WallText(end.year, end.month, end.day, end.hour, end.minute), start.is_date != 0};
    }
    const time_t at = icaltime_as_timet_with_zone(start, start.zone);
    return {summary, OnDevice(at), OnDevice(at + minutes * 60), false};
}

std::multiset<Occurrence> LibicalOccurrences(const std::string& text, const std::string& first, const std::string& last)
{
    std::multiset<Occurrence> out;
    IcalOwned calendar(icalparser_parse_string(text.c_str()), icalcomponent_free);
    if (!calendar) return out;
    // Changed occurrences by series and original start.
    std::map<std::pair<std::string, time_t>, icalcomponent*> changes;
    for (icalcomponent* c = icalcomponent_get_first_component(calendar.get(), ICAL_VEVENT_COMPONENT); c;
         c = icalcomponent_get_next_component(calendar.get(), ICAL_VEVENT_COMPONENT)) {
        if (icalproperty* id = icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY))
            changes[{icalcomponent_get_uid(c), Key(icalproperty_get_datetime_with_component(id, c))}] = c;
    }
    auto keep = [&](const Occurrence& o) {
        const std::string day = std::get<1>(o).substr(0, 10);
        if (day >= first && day <= last && !InRepeatedHour(o)) out.insert(o);
    };
    for (icalcomponent* c = icalcomponent_get_first_component(calendar.get(), ICAL_VEVENT_COMPONENT); c;
         c = icalcomponent_get_next_component(calendar.get(), ICAL_VEVENT_COMPONENT)) {
        if (icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY)) continue;
        const icaltimetype start = icalcomponent_get_dtstart(c);
        const int minutes = Minutes(c);
        icalproperty* rrule = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY);
        if (!rrule) {
            keep(OccurrenceOf(c, start, minutes));
            continue;
        }
        std::set<time_t> deleted;
        for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_EXDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(c, ICAL_EXDATE_PROPERTY)) {
            deleted.insert(Key(icalproperty_get_datetime_with_component(p, c)));
        }
        icalrecur_iterator* it = icalrecur_iterator_new(icalproperty_get_rrule(rrule), start);
        if (!it) continue;
        for (int n = 0; n < 20000; ++n) {
            icaltimetype t = icalrecur_iterator_next(it);
            if (icaltime_is_null_time(t) || t.year > std::stoi(last.substr(0, 4)) + 1) break;
            t.zone = start.zone;
            if (deleted.count(Key(t))) continue;
            const auto changed = changes.find({icalcomponent_get_uid(c), Key(t)});
            if (changed != changes.end()) {
                keep(OccurrenceOf(changed->second, icalcomponent_get_dtstart(changed->second), Minutes(changed->second)));
            } else {
                keep(OccurrenceOf(c, t, minutes));
            }
        }
        icalrecur_iterator_free(it);
    }
    return out;
}

// ---- What the calendar lists --------------------------------------------------

std::multiset<Occurrence> ListedOccurrences(const nlohmann::json& list, const std::string& first, const std::string& last)
{
    std::multiset<Occurrence> out;
    std::set<std::pair<std::string, std::string>> seen;  // entries over several days are listed on each
    for (const nlohmann::json& day : list["days"]) {
        for (const nlohmann::json& e : day["entries"]) {
            const std::string start = e["start"];
            if (!seen.insert({e["oid"], start}).second) continue;
            const std::string date = start.substr(0, 10);
            const Occurrence o{e["subject"], start, e["end"], e["all_day"]};
            if (date >= first && date <= last && !InRepeatedHour(o)) out.insert(o);
        }
    }
    return out;
}

std::string Describe(const std::multiset<Occurrence>& set, size_t limit = 8)
{
    std::ostringstream out;
    size_t n = 0;
    for (const Occurrence& o : set) {
        if (n++ == limit) break;
        out << "\n  " << std::get<0>(o) << " " << std::get<1>(o) << " to " << std::get<2>(o)
            << (std::get<3>(o) ? " all day" : "");
    }
    if (set.size() > limit) out << "\n  ... " << set.size() - limit << " more";
    return out.str();
}

class CalendarIcalOracle : public KstoolsHome {
protected:
    void SetUp() override
    {
        KstoolsHome::SetUp();
        setenv("TZ", kDeviceZone, 1);
        tzset();
    }
    void TearDown() override
    {
        zone_.reset();
        tzset();
        KstoolsHome::TearDown();
    }
    std::optional<kstest::SavedEnvironment> zone_{std::in_place, std::initializer_list<const char*>{"TZ"}};
    kstest::ChildResult In(const std::string& home, std::vector<std::string> args)
    {
        std::filesystem::create_directories(home);
        return Run(std::move(args), {{"KSTOOLS_HOME", home}, {"TZ", kDeviceZone}, {"KSTOOLS_NOW", "2025-01-01T09:00"}});
    }
};

TEST_F(CalendarIcalOracle, ImportedOccurrencesAreLibicalsExpansionOfTheExport)
{
    std::mt19937 rng(27);
    const std::string source = (HomeDir() / "source.ics").string(), exported = (HomeDir() / "exported.ics").string();
    std::ofstream(source, std::ios::binary) << RandomCalendar(rng, 1000);
    const std::string empty = (HomeDir() / "empty").string();

    const kstest::ChildResult first = In(home_, {"import", source});
    ASSERT_EQ(first.exitCode, 0) << first.err.substr(0, 2000);
    ASSERT_EQ(In(home_, {"export", "--ics", exported}).exitCode, 0);
    const kstest::ChildResult second = In(empty, {"import", exported});
    ASSERT_EQ(second.exitCode, 0) << second.err.substr(0, 2000);
    const nlohmann::json list = JsonOf(In(empty, {"calendar", "--json", "--from", kFirstDay, "--to", kLastDay}));

    std::ifstream in(exported, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    const std::multiset<Occurrence> expected = LibicalOccurrences(text, kFirstDay, kLastDay);
    const std::multiset<Occurrence> listed = ListedOccurrences(list, kFirstDay, kLastDay);
    std::multiset<Occurrence> missing, extra;
    std::set_difference(expected.begin(), expected.end(), listed.begin(), listed.end(),
                        std::inserter(missing, missing.end()));
    std::set_difference(listed.begin(), listed.end(), expected.begin(), expected.end(),
                        std::inserter(extra, extra.end()));
    EXPECT_GT(expected.size(), 10000u);
    EXPECT_TRUE(missing.empty()) << missing.size() << " of libical's occurrences not listed:" << Describe(missing);
    EXPECT_TRUE(extra.empty()) << extra.size() << " listed occurrences libical does not expand:" << Describe(extra);
}

}  // namespace
