// kstools calendar on a small store (device in Berlin, today Tuesday 10 March 2026) and a seeded one.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/objectstore/store_schema.h"
#include "platform/recurrence/recurrence_pattern_blob.h"
#include "platform/recurrence/recurrence_rule.h"
#include "platform/time/system_time.h"
#include "platform/time/time_zone.h"
#include "tests/support/kstools_home.h"
#include "tests/support/saved_environment.h"
#include "tests/support/test_dates.h"

namespace {

using Json = nlohmann::json;

// Days from 1 January 1601.
std::int32_t BlobDay(int year, int month, int day)
{
    return static_cast<std::int32_t>(kstest::FileTimeOf(kstest::Make(year, month, day)) / 864000000000ULL);
}

struct Appointment {
    std::u16string subject;
    SYSTEMTIME start{};  // Berlin wall clock
    LONG duration = 60;
    bool allDay = false;
    std::u16string location;
    bool reminder = false;
    bool isPrivate = false;
    bool meeting = false;
    std::vector<BYTE> note;
    std::vector<BYTE> pattern;
};

class KstoolsCalendar : public KstoolsHome {
protected:
    void SetUp() override
    {
        KstoolsHome::SetUp();
        setenv("KSTOOLS_NOW", "2026-03-10T09:00", 1);
        setenv("TZ", "Europe/Berlin", 1);
        ASSERT_TRUE(platform::SetDeviceTimeZone(u"Europe/Berlin"));
        platform::CloseObjectStore();
        ASSERT_TRUE(PimDatabases::Ensure());
    }
    void TearDown() override
    {
        platform::ResetDeviceTimeZone();
        KstoolsHome::TearDown();
    }
    kstest::SavedEnvironment m_environment{"KSTOOLS_NOW", "TZ"};

    static CEOID Write(const Appointment& given)
    {
        Appointment a = given;
        std::vector<BYTE> attendees = {1, 0, 0, 0, 1, 0, 'A', 0, 1, 0, 'a', 0};
        kstest::PropList r;
        r.Add(kAppointmentSubject).lpwstr = a.subject.data();
        r.Add(kAppointmentStart).filetime = platform::MakeFileTime(platform::LocalToUtc(kstest::FileTimeOf(a.start)));
        r.Add(kAppointmentDuration).lVal = a.duration;
        r.Add(kAppointmentAllDay).lVal = a.allDay ? 1 : 0;
        r.Add(kAppointmentBusyStatus).iVal = 2;
        r.Add(kAppointmentSensitivity).iVal = a.isPrivate ? 2 : 0;
        r.Add(kAppointmentReminderSet).iVal = a.reminder ? 1 : 0;
        if (!a.location.empty()) r.Add(kAppointmentLocation).lpwstr = a.location.data();
        r.Blob(kItemNote, a.note);
        r.Blob(kAppointmentRecurrencePattern, a.pattern);
        if (a.meeting) r.Blob(kAppointmentAttendees, attendees);
        return kstest::WritePimRecord(kAppointmentsDatabase, r.props);
    }

    void WriteSmallStore()
    {
        Write({.subject = u"Dentist",
               .start = {2026, 3, 0, 10, 10, 45, 0, 0},
               .location = u"Town hall",
               .reminder = true,
               .isPrivate = true,
               .note = {'b', 'r', 'i', 'n', 'g', 0}});
        Write({.subject = u"Fair", .start = {2026, 3, 0, 11, 0, 0, 0, 0}, .duration = 2880, .allDay = true});
        Write({.subject = u"Review", .start = {2026, 3, 0, 12, 14, 0, 0, 0}, .meeting = true});
        platform::RecurrenceRule rule;
        rule.type = platform::kRecursWeekly;
        rule.dayOfWeekMask = 2 | 8;  // Monday and Wednesday
        rule.startMinute = 9 * 60 + 15;
        rule.durationMinutes = 15;
        rule.patternStartDay = BlobDay(2026, 3, 2);
        auto pattern = platform::BuildRecurrencePatternBlob(rule);
        ASSERT_TRUE(pattern.has_value());
        pattern->deletedInstanceDates.push_back(static_cast<DWORD>(BlobDay(2026, 3, 11)) * 1440u);
        Write({.subject = u"Stand-up",
               .start = {2026, 3, 0, 2, 9, 15, 0, 0},
               .duration = 15,
               .pattern = platform::EncodeRecurrencePatternBlob(*pattern)});
    }

    Json RunJson(std::vector<std::string> args)
    {
        args.insert(args.begin(), "calendar");
        args.push_back("--json");
        return JsonOf(Run(args));
    }

    // "date subject" for every entry.
    static std::vector<std::string> Entries(const Json& out)
    {
        std::vector<std::string> lines;
        for (const Json& day : out["days"]) {
            for (const Json& e : day["entries"]) {
                lines.push_back(day["date"].get<std::string>() + " " + e["subject"].get<std::string>());
            }
        }
        return lines;
    }

    static Json Entry(const Json& out, const std::string& date, const std::string& subject)
    {
        for (const Json& day : out["days"]) {
            if (day["date"] != date) continue;
            for (const Json& e : day["entries"]) {
                if (e["subject"] == subject) return e;
            }
        }
        return Json();
    }
};

TEST_F(KstoolsCalendar, ListsTheRangeDayByDayInTheStoredView)
{
    WriteSmallStore();
    const Json out = RunJson({"--from", "2026-03-09", "--to", "2026-03-12"});
    EXPECT_EQ(out["from"], "2026-03-09");
    EXPECT_EQ(out["to"], "2026-03-12");
    EXPECT_EQ(out["view"], 5);
    ASSERT_EQ(out["days"].size(), 4u);
    // The deleted Wednesday occurrence is missing; the two-day fair is on both days.
    EXPECT_EQ(Entries(out), (std::vector<std::string>{"2026-03-09 Stand-up", "2026-03-10 Dentist", "2026-03-11 Fair",
                                                      "2026-03-12 Fair", "2026-03-12 Review"}));
    EXPECT_EQ(out["count"], 5);
    Json dentist = Entry(out, "2026-03-10", "Dentist");
    dentist.erase("oid");
    EXPECT_EQ(dentist, Json::parse(R"({"kind": "appointment", "subject": "Dentist", "start": "2026-03-10T10:45",
        "end": "2026-03-10T11:45", "location": "Town hall", "all_day": false, "duration": 60, "busy_status": 2,
        "categories": "", "markers": ["private", "reminder", "note"]})"));
    const Json standup = Entry(out, "2026-03-09", "Stand-up");
    EXPECT_EQ(standup["start"], "2026-03-09T09:15");
    EXPECT_EQ(standup["markers"], (Json{"recurring"}));
    EXPECT_EQ(Entry(out, "2026-03-12", "Review")["markers"], (Json{"meeting"}));

    const kstest::ChildResult r = Run({"calendar", "--from", "2026-03-09", "--to", "2026-03-12"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Mon 2026-03-09\n  09:15    15m     Stand-up  (recurring)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  10:45    1h      Dentist  @ Town hall  (private, reminder, note)\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Wed 2026-03-11\n  all day  2d      Fair\n"), std::string::npos) << r.out;

    // Without a range: the week from today.
    const Json week = RunJson({});
    EXPECT_EQ(week["from"], "2026-03-10");
    EXPECT_EQ(week["to"], "2026-03-16");
    EXPECT_EQ(week["days"].size(), 7u);

    // A chosen view is stored for the next run (what each view keeps is the calendar loader's).
    EXPECT_EQ(Run({"calendar", "--view", "7"}).exitCode, 2);  // the mistakes themselves: kstools_usage_test
    EXPECT_EQ(RunJson({})["view"], 5) << "a refused view leaves the stored one alone";
    EXPECT_EQ(Entries(RunJson({"--view", "3"})), (std::vector<std::string>{"2026-03-02 Stand-up"}));
    EXPECT_EQ(RunJson({"--from", "2026-03-09"})["view"], 3);
}

// Tasks of a seeded store reach the output (which ones is calendar_thread_test's).
TEST_F(KstoolsCalendar, SeededStoreListsTasksBesideAppointments)
{
    ASSERT_EQ(Run({"store", "seed", "--appointments", "100", "--tasks", "40"}).exitCode, 0);
    ASSERT_EQ(Run({"settings", "set", "Software\\Corvid\\Kestrel\\CAV", "DV_ShowTasks", "dword:1"}).exitCode, 0);
    const Json out = RunJson({"--from", "2026-03-01", "--to", "2026-03-31"});
    int entries = 0, tasks = 0;
    for (const Json& day : out["days"]) {
        for (const Json& e : day["entries"]) ++entries, tasks += e["kind"] == "task";
    }
    EXPECT_EQ(out["count"], entries);
    EXPECT_GT(tasks, 0);
    EXPECT_GT(entries, tasks);
}

}  // namespace
