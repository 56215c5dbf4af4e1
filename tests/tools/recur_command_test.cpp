// kstools recur: a pattern from hexadecimal bytes or a stored appointment, expanded as the calendar does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/objectstore/store_schema.h"
#include "platform/recurrence/recurrence_pattern_blob.h"
#include "tests/support/kstools_home.h"
#include "tests/support/recurrence_published_blobs.h"

namespace {

using Json = nlohmann::json;

using publishedblobs::Hex;

// Minutes since 1601 of a date (1 January 2024 is day 154,497).
DWORD Minutes2024(int dayOfYear, int minute = 0)
{
    return static_cast<DWORD>((154497 + dayOfYear - 1) * 1440 + minute);
}

// Mondays and Thursdays from Mon 1 Jan 2024, 09:00-10:15; Thu 11 Jan moved to Fri 12 Jan 14:00 and
// renamed; Mon 15 Jan deleted.
platform::RecurrencePatternBlob WeeklyPattern()
{
    platform::RecurrencePatternBlob b;
    b.frequency = platform::kRecurFrequencyWeekly;
    b.patternType = platform::kRecurPatternWeek;
    b.period = 1;
    b.weekdayMask = 2 | 16;
    b.startDate = Minutes2024(1);
    b.startTimeOffset = 540;
    b.endTimeOffset = 615;
    b.deletedInstanceDates = {Minutes2024(11), Minutes2024(15)};
    b.modifiedInstanceDates = {Minutes2024(12)};
    platform::RecurrenceExceptionInfo e;
    e.startDateTime = Minutes2024(12, 14 * 60);
    e.endDateTime = Minutes2024(12, 15 * 60);
    e.originalStartDate = Minutes2024(11, 540);
    e.subject = u"Moved";
    e.busyStatus = 3;
    b.exceptions = {e};
    return b;
}

class KstoolsRecur : public KstoolsHome {
protected:
    // The device clock runs in UTC unless a zone is given.
    kstest::ChildResult RunIn(const std::string& zone, std::vector<std::string> args)
    {
        args.insert(args.begin(), "recur");
        return Run(args, {{"TZ", zone}});
    }
    Json Recur(std::vector<std::string> args, const std::string& zone = "UTC")
    {
        args.push_back("--json");
        return JsonOf(RunIn(zone, args));
    }
};

std::vector<std::string> Starts(const Json& out)
{
    std::vector<std::string> starts;
    for (const auto& o : out["occurrences"]) starts.push_back(o["start"]);
    return starts;
}

TEST_F(KstoolsRecur, BlobOccurrencesWithChangesAndDeletions)
{
    const Json out = Recur({"--blob", Hex(platform::EncodeRecurrencePatternBlob(WeeklyPattern())), "--from",
                            "2024-01-08", "--to", "2024-01-21"});
    EXPECT_EQ(out["result"], "usable");
    EXPECT_EQ(out["reason"], "");
    EXPECT_EQ(out["fields"]["kind"], "weekly");
    EXPECT_EQ(out["fields"]["weekday_mask"], 18);
    EXPECT_EQ(out["fields"]["start_date"], "2024-01-01");
    EXPECT_EQ(out["fields"]["exception_count"], 1);
    EXPECT_EQ(out["fields"]["deleted_dates"], Json::array({"2024-01-15"}));
    EXPECT_EQ(Starts(out), (std::vector<std::string>{"2024-01-08T09:00", "2024-01-12T14:00", "2024-01-18T09:00"}));
    EXPECT_EQ(out["occurrences"][0], Json::parse(R"({"start": "2024-01-08T09:00", "end": "2024-01-08T10:15",
        "subject": "", "location": "", "all_day": false, "busy_status": 2, "exception": false})"));
    EXPECT_EQ(out["occurrences"][1], Json::parse(R"({"start": "2024-01-12T14:00", "end": "2024-01-12T15:00",
        "subject": "Moved", "location": "", "all_day": false, "busy_status": 3, "exception": true})"));

    auto r = RunIn("UTC", {"--blob", Hex(platform::EncodeRecurrencePatternBlob(WeeklyPattern())), "--from",
                           "2024-01-11", "--to", "2024-01-12"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("result: usable"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("2024-01-12T14:00  2024-01-12T15:00  Moved  [changed]"), std::string::npos) << r.out;
}

// Other device zones are the engine's recurrence oracle tests.
TEST_F(KstoolsRecur, OwnTimeZoneIsShownOnTheDevicesClockAndUnusablePatternsAreResults)
{
    // The appointment's zone is 5 hours behind UTC, without daylight saving.
    std::vector<BYTE> zone(48, 0);
    zone[0] = 0x2C;  // Bias 300
    zone[1] = 0x01;
    const std::string blob = Hex(platform::EncodeRecurrencePatternBlob(WeeklyPattern()));
    Json out = Recur({"--blob", blob, "--tz-blob", Hex(zone), "--from", "2024-01-08", "--to", "2024-01-08"});
    EXPECT_EQ(out["fields"]["own_time_zone"], true);
    EXPECT_EQ(Starts(out), (std::vector<std::string>{"2024-01-08T14:00"}));

    // A refused or doubtful pattern is a result: exit code 0.
    out = Recur({"--blob", publishedblobs::kWeekly, "--from", "2007-03-01", "--to", "2007-04-30"});
    EXPECT_EQ(out["result"], "rejected");
    EXPECT_NE(out["reason"].get<std::string>().find("0x3005"), std::string::npos);
    EXPECT_EQ(out["fields"]["writer_version2"], "0x3009");
    EXPECT_TRUE(out["occurrences"].empty());
    platform::RecurrencePatternBlob b = WeeklyPattern();
    b.calendarType = 1;
    out =
        Recur({"--blob", Hex(platform::EncodeRecurrencePatternBlob(b)), "--from", "2024-01-08", "--to", "2024-01-08"});
    EXPECT_EQ(out["result"], "warnings");
    EXPECT_FALSE(out["reason"].get<std::string>().empty());
    EXPECT_EQ(out["occurrences"].size(), 1u);
    EXPECT_EQ(Recur({"--blob", "DEADBEEF", "--from", "2024-01-01", "--to", "2024-01-31"})["result"], "rejected");
}

TEST_F(KstoolsRecur, StoredAppointmentIsReadByOid)
{
    auto seeded = Run({"store", "seed", "--appointments", "60", "--tasks", "0", "--contacts", "0"});
    ASSERT_EQ(seeded.exitCode, 0) << seeded.err;
    const Json records = JsonOf(Run({"store", "dump", "Appointments Database", "--json"}))["records"];
    int checked = 0;
    for (const auto& record : records) {
        const Json *pattern = Property(record, kAppointmentRecurrencePattern),
                   *zone = Property(record, kAppointmentTimeZone), *subject = Property(record, kAppointmentSubject);
        if (!pattern || !subject) continue;
        const Json byOid = Recur({"--oid", record["oid"], "--from", "2020-01-01", "--to", "2030-12-31"});
        std::vector<std::string> args = {"--blob", *pattern, "--from", "2020-01-01", "--to", "2030-12-31"};
        if (zone) args.insert(args.end(), {"--tz-blob", *zone});
        const Json byBlob = Recur(args);
        EXPECT_EQ(byOid["result"], byBlob["result"]);
        EXPECT_EQ(byOid["fields"], byBlob["fields"]);
        ASSERT_EQ(Starts(byOid), Starts(byBlob)) << record["oid"];
        for (const auto& o : byOid["occurrences"]) {
            if (o["exception"] == false) {
                EXPECT_EQ(o["subject"], *subject);
            }
        }
        if (++checked == 3) break;
    }
    EXPECT_GT(checked, 0) << "the seeded store holds recurring appointments";
    EXPECT_EQ(RunIn("UTC", {"--oid", "0x7FFFFF00", "--from", "2024-01-01", "--to", "2024-01-02"}).exitCode, 1);
}

}  // namespace
