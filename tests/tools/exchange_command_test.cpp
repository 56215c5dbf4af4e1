// kstools export and import: a store carried through an iCalendar file into an
// empty store shows the same lists; files in other programs' conventions import
// at the right times; bad files are refused item by item and a failed import
// leaves the store as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>

#include "tests/support/kstools_home.h"

namespace {

using Json = nlohmann::json;

class KstoolsExchange : public KstoolsHome {
protected:
    // A second, empty store for imports.
    std::string Other() const { return (HomeDir() / "imported").string(); }

    kstest::ChildResult In(const std::string& home, std::vector<std::string> args, const std::string& zone)
    {
        std::filesystem::create_directories(home);
        return Run(std::move(args), {{"KSTOOLS_HOME", home}, {"TZ", zone}, {"KSTOOLS_NOW", "2024-03-01T09:00"}});
    }
    std::string File(const std::string& name, const std::string& text = "") const
    {
        const std::string path = (HomeDir() / name).string();
        if (!text.empty()) std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    // The list's JSON with record OIDs blanked: they differ between stores.
    static std::string WithoutOids(std::string json)
    {
        const std::string key = "\"oid\": \"";
        for (size_t at = json.find(key); at != std::string::npos; at = json.find(key, at + key.size())) {
            const size_t end = json.find('"', at + key.size());
            if (end == std::string::npos) break;
            json.erase(at + key.size(), end - at - key.size());
        }
        return json;
    }
    Json Calendar(const std::string& home, const std::string& zone, const std::string& from, const std::string& to)
    {
        return JsonOf(In(home, {"calendar", "--json", "--from", from, "--to", to}, zone));
    }
};

// Whether two long texts agree; the first line where they part when not
// (without the quadratic diff gtest would make of them).
testing::AssertionResult SameText(const std::string& expected, const std::string& actual)
{
    if (expected == actual) return testing::AssertionSuccess();
    size_t line = 1, at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) line += expected[at++] == '\n';
    const size_t from = expected.rfind('\n', at) == std::string::npos ? 0 : expected.rfind('\n', at) + 1;
    return testing::AssertionFailure() << "line " << line << ": expected \"" << expected.substr(from, 120)
                                       << "\", got \"" << actual.substr(from, 120) << "\"";
}

// Times as other programs write them, read on a device in Berlin.
struct Convention {
    const char* name;
    std::string events;  // VEVENTs (and VTIMEZONEs) of one VCALENDAR
    std::vector<std::string> starts;  // of the imported entries, in the list's order
    bool allDay;
    int duration;
};

void PrintTo(const Convention& c, std::ostream* os) { *os << c.name; }

const char* const kNewYorkZone =
    "BEGIN:VTIMEZONE\r\nTZID:Eastern\r\n"
    "BEGIN:STANDARD\r\nDTSTART:20071104T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\n"
    "TZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\nEND:STANDARD\r\n"
    "BEGIN:DAYLIGHT\r\nDTSTART:20070311T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\n"
    "TZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\nEND:DAYLIGHT\r\n"
    // An older observance that no longer holds.
    "BEGIN:DAYLIGHT\r\nDTSTART:19870405T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=4;BYDAY=1SU;UNTIL=20060402T070000Z\r\n"
    "TZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE\r\n";

class KstoolsConventions : public KstoolsExchange, public testing::WithParamInterface<Convention> {};

TEST_P(KstoolsConventions, ImportAtTheirTimes)
{
    const Convention& c = GetParam();
    const std::string file = File("other.ics", std::string("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other//EN\r\n") +
                                                   c.events + "END:VCALENDAR\r\n");
    const kstest::ChildResult imported = In(home_, {"import", file}, "Europe/Berlin");
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    const Json list = Calendar(home_, "Europe/Berlin", "2024-03-01", "2024-07-31");
    std::vector<std::string> starts;
    std::set<std::string> seen;
    for (const Json& day : list["days"]) {
        for (const Json& e : day["entries"]) {
            if (!seen.insert(e["start"].get<std::string>()).second) continue;
            starts.push_back(e["start"]);
            EXPECT_EQ(e["all_day"], c.allDay) << c.name;
            EXPECT_EQ(e["duration"], c.duration) << c.name;
        }
    }
    EXPECT_EQ(starts, c.starts) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    OtherPrograms, KstoolsConventions,
    testing::Values(
        Convention{"Utc", "BEGIN:VEVENT\r\nUID:1\r\nDTSTART:20240710T120000Z\r\nDTEND:20240710T133000Z\r\nEND:VEVENT\r\n",
                   {"2024-07-10T14:00"}, false, 90},
        Convention{"Floating", "BEGIN:VEVENT\r\nUID:1\r\nDTSTART:20240710T120000\r\nDURATION:PT45M\r\nEND:VEVENT\r\n",
                   {"2024-07-10T12:00"}, false, 45},
        Convention{"AllDayDates",
                   "BEGIN:VEVENT\r\nUID:1\r\nDTSTART;VALUE=DATE:20240712\r\nDTEND;VALUE=DATE:20240714\r\nEND:VEVENT\r\n",
                   {"2024-07-12T00:00"}, true, 2880},
        Convention{"ZoneByDatabaseName",
                   "BEGIN:VEVENT\r\nUID:1\r\nDTSTART;TZID=America/New_York:20240704T090000\r\n"
                   "DTEND;TZID=America/New_York:20240704T100000\r\nEND:VEVENT\r\n",
                   {"2024-07-04T15:00"}, false, 60},
        // New York moves its clocks three weeks before Berlin: the 09:00 meeting is at 14:00 then.
        Convention{"OwnZoneRepeats",
                   (std::string(kNewYorkZone) +
                    "BEGIN:VEVENT\r\nUID:1\r\nDTSTART;TZID=Eastern:20240304T090000\r\nDTEND;TZID=Eastern:20240304T093000\r\n"
                    "RRULE:FREQ=WEEKLY;BYDAY=MO;COUNT=5\r\nEXDATE;TZID=Eastern:20240318T090000\r\nEND:VEVENT\r\n"
                    "BEGIN:VEVENT\r\nUID:1\r\nRECURRENCE-ID;TZID=Eastern:20240325T090000\r\n"
                    "DTSTART;TZID=Eastern:20240325T110000\r\nDTEND;TZID=Eastern:20240325T113000\r\nEND:VEVENT\r\n"),
                   {"2024-03-04T15:00", "2024-03-11T14:00", "2024-03-25T16:00", "2024-04-01T15:00"}, false, 30}),
    [](const testing::TestParamInfo<Convention>& info) { return info.param.name; });

TEST_F(KstoolsExchange, StoreCarriedThroughAFileShowsTheSameLists)
{
    const std::string zone = "America/New_York";
    const kstest::ChildResult seeded =
        In(home_, {"store", "seed", "--appointments", "250", "--tasks", "80", "--contacts", "40"}, zone);
    ASSERT_EQ(seeded.exitCode, 0) << seeded.err;
    const std::string file = File("all.ics"), cards = File("all.vcf");
    const kstest::ChildResult exported =
        In(home_, {"export", "--ics", file, "--tasks", "--journal", "--vcf", cards}, zone);
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_NE(exported.out.find("wrote 40 contacts"), std::string::npos) << exported.out;
    for (const std::string& f : {file, cards}) {
        const kstest::ChildResult imported = In(Other(), {"import", f}, zone);
        ASSERT_EQ(imported.exitCode, 0) << imported.err;
        EXPECT_NE(imported.out.find(" 0 "), std::string::npos) << imported.out;
    }
    const std::vector<std::vector<std::string>> lists = {
        {"calendar", "--json", "--from", "2024-01-01", "--to", "2025-12-31"}, {"tasks", "--json"}, {"contacts", "--json"}};
    for (const auto& list : lists) {
        const kstest::ChildResult before = In(home_, list, zone);
        const kstest::ChildResult after = In(Other(), list, zone);
        ASSERT_EQ(before.exitCode, 0) << before.err;
        ASSERT_EQ(after.exitCode, 0) << after.err;
        EXPECT_TRUE(SameText(WithoutOids(before.out), WithoutOids(after.out))) << list[0];
    }
}

// Recurring tasks carried out through a file and back keep their
// occurrences: Python's dateutil expands each exported rule from its start
// to the same dates as the rule the task was imported with.
TEST_F(KstoolsExchange, RecurringTasksKeepTheirOccurrences)
{
    struct Rule {
        const char* summary;
        const char* start;
        const char* rrule;
    };
    const Rule rules[] = {{"Weekly", "20240304", "FREQ=WEEKLY;BYDAY=MO,WE;COUNT=10"},
                          {"Every third day", "20240301", "FREQ=DAILY;INTERVAL=3;UNTIL=20240415"},
                          {"Fifteenth", "20240315", "FREQ=MONTHLY;BYMONTHDAY=15"},
                          {"Second Tuesday", "20240312", "FREQ=MONTHLY;BYDAY=2TU;COUNT=6"},
                          {"Last Friday", "20240329", "FREQ=MONTHLY;INTERVAL=2;BYDAY=-1FR"},
                          {"June first", "20240601", "FREQ=YEARLY;BYMONTH=6;BYMONTHDAY=1;COUNT=4"}};
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other//EN\r\n";
    for (const Rule& r : rules) {
        text += std::string("BEGIN:VTODO\r\nUID:") + r.summary + "\r\nSUMMARY:" + r.summary +
                "\r\nDTSTART;VALUE=DATE:" + r.start + "\r\nDUE;VALUE=DATE:" + r.start + "\r\nRRULE:" + r.rrule +
                "\r\nEND:VTODO\r\n";
    }
    text += "BEGIN:VTODO\r\nUID:h\r\nSUMMARY:Hourly\r\nDTSTART;VALUE=DATE:20240301\r\nRRULE:FREQ=HOURLY\r\n"
            "END:VTODO\r\nEND:VCALENDAR\r\n";
    const kstest::ChildResult imported = In(home_, {"import", File("tasks.ics", text)}, "Europe/Berlin");
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_NE(imported.err.find("Hourly"), std::string::npos) << "the rule left out is named: " << imported.err;
    const std::string out = File("out.ics");
    ASSERT_EQ(In(home_, {"export", "--ics", out, "--tasks"}, "Europe/Berlin").exitCode, 0);

    // Each task's summary, DTSTART and RRULE as exported, against the rule it came with.
    std::string script = "import sys, datetime, icalendar\nfrom dateutil.rrule import rrulestr\n"
                         "given = {";
    for (const Rule& r : rules)
        script += std::string("'") + r.summary + "': ('" + r.start + "', '" + r.rrule + "'), ";
    script += R"(}
def days(start, rule):
    first = datetime.datetime.strptime(start, '%Y%m%d')
    return [d.date() for d in rrulestr(rule, dtstart=first)[:40]] if rule else []
cal = icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())
seen = set()
for todo in cal.walk('VTODO'):
    name = str(todo['SUMMARY']); seen.add(name)
    rule = todo.get('RRULE')
    got = days(todo['DTSTART'].to_ical().decode()[:8], rule.to_ical().decode() if rule else '')
    want = days(*given[name]) if name in given else []
    if got != want: print(name, 'differs:', got[:5], 'against', want[:5])
missing = set(given) - seen
if missing: print('missing', sorted(missing))
print('checked', len(seen))
)";
    const std::string py = File("check.py", script);
    const kstest::ChildResult checked = kstest::RunChild({"/usr/bin/python3", py, out});
    EXPECT_EQ(checked.out, "checked 7\n") << checked.err;
}

TEST_F(KstoolsExchange, PythonIcalendarFilesImport)
{
    const std::string file = File("python.ics");
    const char* script = R"(
import sys, datetime, pytz, icalendar
cal = icalendar.Calendar(); cal.add('prodid', '-//Python//EN'); cal.add('version', '2.0')
ny = pytz.timezone('America/New_York')
def event(uid, start, end, **more):
    e = icalendar.Event(); e.add('uid', uid); e.add('summary', 'Python ' + uid)
    e.add('dtstart', start); e.add('dtend', end)
    for k, v in more.items(): e.add(k, v)
    cal.add_component(e)
event('zoned', ny.localize(datetime.datetime(2024, 7, 4, 9, 0)), ny.localize(datetime.datetime(2024, 7, 4, 10, 0)))
event('utc', datetime.datetime(2024, 7, 5, 8, 0, tzinfo=pytz.utc), datetime.datetime(2024, 7, 5, 9, 0, tzinfo=pytz.utc))
event('day', datetime.date(2024, 7, 6), datetime.date(2024, 7, 7))
event('weekly', datetime.datetime(2024, 7, 8, 9, 0), datetime.datetime(2024, 7, 8, 9, 30),
      rrule={'freq': 'weekly', 'byday': ['MO', 'WE'], 'count': 4}, categories=['Work', 'Travel'], **{'class': 'PRIVATE'})
open(sys.argv[1], 'wb').write(cal.to_ical())
)";
    const kstest::ChildResult made = kstest::RunChild({"/usr/bin/python3", "-c", script, file}, {});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const kstest::ChildResult imported = In(home_, {"import", file}, "Europe/Berlin");
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    std::vector<std::string> got;
    const Json list = Calendar(home_, "Europe/Berlin", "2024-07-01", "2024-07-31");
    for (const Json& day : list["days"]) {
        for (const Json& e : day["entries"])
            got.push_back(e["start"].get<std::string>() + " " + e["subject"].get<std::string>() + " " +
                          e["categories"].get<std::string>());
    }
    const std::vector<std::string> expected = {
        "2024-07-04T15:00 Python zoned ",        "2024-07-05T10:00 Python utc ",
        "2024-07-06T00:00 Python day ",          "2024-07-08T09:00 Python weekly Work, Travel",
        "2024-07-10T09:00 Python weekly Work, Travel", "2024-07-15T09:00 Python weekly Work, Travel",
        "2024-07-17T09:00 Python weekly Work, Travel"};
    EXPECT_EQ(got, expected);
}

struct BadFile {
    const char* name;
    std::string text;
    int exitCode;
    const char* message;  // on standard error
    int stored;           // appointments the import adds
};

void PrintTo(const BadFile& b, std::ostream* os) { *os << b.name; }

std::string Events(const std::string& events)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" + events + "END:VCALENDAR\r\n";
}

std::string Event(const std::string& lines)
{
    return "BEGIN:VEVENT\r\nUID:x\r\n" + lines + "END:VEVENT\r\n";
}

class KstoolsBadFiles : public KstoolsExchange, public testing::WithParamInterface<BadFile> {};

TEST_P(KstoolsBadFiles, RefuseItemByItemAndLeaveTheStoreWhenFailing)
{
    const BadFile& b = GetParam();
    const std::string good = File("good.ics", Events(Event("DTSTART:20240105T100000Z\r\nSUMMARY:Kept\r\n")));
    ASSERT_EQ(In(home_, {"import", good}, "UTC").exitCode, 0);
    const kstest::ChildResult r = In(home_, {"import", "--json", File("bad.ics", b.text)}, "UTC");
    EXPECT_EQ(r.exitCode, b.exitCode) << b.name << ": " << r.err;
    const std::string said = r.err + r.out;
    EXPECT_NE(said.find(b.message), std::string::npos) << b.name << ": " << said.substr(0, 400);
    const Json list = Calendar(home_, "UTC", "2024-01-01", "2027-12-31");
    EXPECT_EQ(list["count"].get<int>(), 1 + b.stored) << b.name;
}

INSTANTIATE_TEST_SUITE_P(
    Refused, KstoolsBadFiles,
    testing::Values(
        BadFile{"NotCalendar", "hello\nworld\n", 1, "not an iCalendar file", 0},
        BadFile{"Before1601", Events(Event("DTSTART:15000101T100000Z\r\n")), 1, "the year 1500", 0},
        BadFile{"After4500", Events(Event("DTSTART:46000101T100000Z\r\n")), 1, "the year 4600", 0},
        BadFile{"AbsurdCount", Events(Event("DTSTART:20240101T100000Z\r\nRRULE:FREQ=DAILY;COUNT=1000000000\r\n")), 0,
                "stored as 733 single appointments", 733},
        BadFile{"HourlyRule", Events(Event("DTSTART:20240101T100000Z\r\nRRULE:FREQ=HOURLY;COUNT=3\r\n")), 0,
                "more often than daily", 3},
        BadFile{"MegabyteLine",
                Events(Event("DTSTART:20240102T100000Z\r\nSUMMARY:" + std::string(1 << 20, 'a') + "\r\n") +
                       Event("DTSTART:20240103T100000Z\r\nSUMMARY:fine\r\n")),
                1, "a summary of 1048576 characters", 1},
        BadFile{"UnknownAndMalformed",
                Events(Event("DTSTART:20240102T100000Z\r\nX-OTHER;P=1:v\r\nFOO BAR\r\n:\r\nSUMMARY:odd\r\n")), 0,
                "\"refused\": 0", 1},
        // The store refuses the second event's category: the first is not kept either.
        BadFile{"StoreRefusesOne",
                Events(Event("DTSTART:20240102T100000Z\r\nSUMMARY:one\r\n") +
                       Event("DTSTART:20240103T100000Z\r\nSUMMARY:two\r\nCATEGORIES:" + std::string(3000, 'c') +
                             "\r\n")),
                1, "the store is unchanged", 0}),
    [](const testing::TestParamInfo<BadFile>& info) { return info.param.name; });

}  // namespace
