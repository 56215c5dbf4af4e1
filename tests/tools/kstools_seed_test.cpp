// kstools store seed and kstools demo: the sample store is reproducible,
// holds what was asked for, and covers what the views need to show. The
// store is read back through the raw record dump, independently of the
// object model that wrote it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/objectstore/store_schema.h"
#include "platform/recurrence/recurrence_pattern_blob.h"
#include "tests/support/kstools_home.h"
#include "tests/support/recurrence_published_blobs.h"

namespace {

using Json = nlohmann::json;

class KstoolsSeed : public KstoolsHome {
protected:
    // Another data directory, inside this test's own.
    std::string MakeHome()
    {
        const std::string home = home_ + "/other" + std::to_string(++m_homes);
        std::filesystem::create_directory(home);
        return home;
    }

    kstest::ChildResult Run(std::vector<std::string> args, const std::string& home = {})
    {
        return KstoolsHome::Run(args, {{"KSTOOLS_HOME", home.empty() ? home_ : home},
                                       {"KSTOOLS_NOW", "2026-03-05T10:00"},
                                       {"TZ", "America/New_York"}});
    }

    Json Dump(const std::string& database, const std::string& home = {})
    {
        auto r = Run({"store", "dump", database, "--json"}, home);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.exitCode == 0 ? Json::parse(r.out)["records"] : Json::array();
    }

    int m_homes = 0;
};

// The records without their OIDs, which each store hands out its own way.
Json WithoutOids(Json records)
{
    for (Json& record : records) record.erase("oid");
    return records;
}

// The property of a dumped record, or null.
const Json* Property(const Json& record, CEPROPID propid)
{
    for (const Json& p : record["properties"]) {
        if (p["propid"] == PropidText(propid)) return &p["value"];
    }
    return nullptr;
}

// The stored recurrence patterns, read by the platform's blob reader.
std::vector<platform::RecurrencePatternBlob> Patterns(const Json& appointments)
{
    std::vector<platform::RecurrencePatternBlob> patterns;
    for (const Json& record : appointments) {
        const Json* hex = Property(record, kAppointmentRecurrencePattern);
        if (!hex) continue;
        const std::vector<BYTE> bytes = publishedblobs::Bytes(*hex);
        platform::RecurrencePatternBlob p;
        EXPECT_TRUE(
            platform::RecurrenceBlobUsable(platform::DecodeRecurrencePatternBlob(bytes.data(), bytes.size(), p)))
            << hex->get<std::string>();
        patterns.push_back(p);
    }
    return patterns;
}

TEST_F(KstoolsSeed, TheSameSeedGivesTheSameStore)
{
    const std::string other = MakeHome();
    for (const std::string& home : {home_, other}) {
        auto r =
            Run({"store", "seed", "--appointments", "45", "--tasks", "25", "--contacts", "12", "--seed", "7"}, home);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(r.err.empty()) << "no progress bar without a terminal: " << r.err;
    }
    for (const char* database : {"Appointments Database", "Tasks Database", "Contacts Database"}) {
        EXPECT_EQ(WithoutOids(Dump(database)), WithoutOids(Dump(database, other))) << database;
    }

    const std::string third = MakeHome();
    ASSERT_EQ(Run({"store", "seed", "--appointments", "45", "--tasks", "25", "--contacts", "12", "--seed", "8"}, third)
                  .exitCode,
              0);
    EXPECT_NE(Dump("Appointments Database"), Dump("Appointments Database", third)) << "the seed matters";
    EXPECT_NE(Dump("Contacts Database"), Dump("Contacts Database", third));
}

TEST_F(KstoolsSeed, TheCountsAreAsAskedAndReportedAsData)
{
    auto r = Run({"store", "seed", "--appointments", "37", "--tasks", "19", "--contacts", "8", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Json report = Json::parse(r.out);
    EXPECT_EQ(report["appointments"], 37);
    EXPECT_EQ(report["seed"], 1);
    EXPECT_EQ(Dump("Appointments Database").size(), 37u);
    EXPECT_EQ(Dump("Tasks Database").size(), 19u);
    EXPECT_EQ(Dump("Contacts Database").size(), 8u);

    // A second run adds to what is there.
    ASSERT_EQ(Run({"store", "seed", "--appointments", "3", "--tasks", "0", "--contacts", "0"}).exitCode, 0);
    EXPECT_EQ(Dump("Appointments Database").size(), 40u);
    EXPECT_EQ(Dump("Tasks Database").size(), 19u);
}

TEST_F(KstoolsSeed, EveryRecurrenceKindEndsInEachWayAndHasChangedOccurrences)
{
    ASSERT_EQ(Run({"store", "seed", "--appointments", "40", "--tasks", "0", "--contacts", "0"}).exitCode, 0);
    std::set<std::tuple<WORD, WORD, DWORD>> seen;
    bool deletedOnly = false, moved = false, renamed = false;
    for (const platform::RecurrencePatternBlob& p : Patterns(Dump("Appointments Database"))) {
        seen.insert({p.frequency, p.patternType, p.endType});
        deletedOnly |= p.deletedInstanceDates.size() > p.modifiedInstanceDates.size();
        if (p.exceptions.empty()) continue;
        moved |= p.exceptions[0].startDateTime != p.exceptions[0].originalStartDate;
        renamed |= p.exceptions[0].subject.has_value();
    }
    const std::pair<WORD, WORD> kinds[] = {{0x200A, 0}, {0x200A, 1}, {0x200B, 1}, {0x200C, 2},
                                           {0x200C, 3}, {0x200D, 2}, {0x200D, 3}};
    for (auto [frequency, type] : kinds) {
        for (DWORD end : {0x2021u, 0x2022u, 0x2023u}) {
            EXPECT_TRUE(seen.count({frequency, type, end}))
                << std::hex << frequency << "/" << type << " ending " << end;
        }
    }
    EXPECT_TRUE(deletedOnly);
    EXPECT_TRUE(moved);
    EXPECT_TRUE(renamed);
}

TEST_F(KstoolsSeed, AppointmentsCoverZonesMultiDayMeetingsAndPrivacy)
{
    ASSERT_EQ(Run({"store", "seed", "--appointments", "40", "--tasks", "0", "--contacts", "0"}).exitCode, 0);
    int zones = 0, multiDayAllDay = 0, meetings = 0, privateOnes = 0, holidays = 0;
    for (const Json& record : Dump("Appointments Database")) {
        if (const Json* zone = Property(record, kAppointmentTimeZone)) {
            EXPECT_EQ(zone->get<std::string>().size(), 96u) << "48 bytes";
            ++zones;
        }
        const Json* allDay = Property(record, kAppointmentAllDay);
        const Json* duration = Property(record, kAppointmentDuration);
        if (allDay && *allDay == 1 && duration && duration->get<int>() > 1440) ++multiDayAllDay;
        if (const Json* attendees = Property(record, kAppointmentAttendees))
            meetings += attendees->get<std::string>().size() > 8;
        if (const Json* sensitivity = Property(record, kAppointmentSensitivity)) privateOnes += *sensitivity != 0;
        if (const Json* subject = Property(record, kAppointmentSubject)) {
            holidays += subject->get<std::string>().find(" Day") != std::string::npos && allDay && *allDay == 1;
        }
    }
    EXPECT_GE(zones, 3);
    EXPECT_GE(multiDayAllDay, 2);
    EXPECT_GE(meetings, 3);
    EXPECT_GE(privateOnes, 2);
    EXPECT_GE(holidays, 3);
}

TEST_F(KstoolsSeed, TasksCarryPriorityCodesAndContactsTheirDates)
{
    ASSERT_EQ(Run({"store", "seed", "--appointments", "0", "--tasks", "30", "--contacts", "10"}).exitCode, 0);
    int lettered = 0, regenerating = 0;
    for (const Json& record : Dump("Tasks Database")) {
        const Json* subject = Property(record, kTaskSubject);
        ASSERT_NE(subject, nullptr);
        const std::string text = *subject;
        const size_t colon = text.find(": ");
        if (colon != std::string::npos && colon <= 7 && std::isupper(static_cast<unsigned char>(text[0]))) ++lettered;
        if (colon != std::string::npos && text.substr(0, colon).find('|') != std::string::npos) ++regenerating;
    }
    EXPECT_GE(lettered, 5);
    EXPECT_GE(regenerating, 2);

    int birthdays = 0, anniversaries = 0;
    for (const Json& record : Dump("Contacts Database")) {
        birthdays += Property(record, kContactBirthday) != nullptr;
        anniversaries += Property(record, kContactAnniversary) != nullptr;
    }
    EXPECT_GE(birthdays, 3);
    EXPECT_GE(anniversaries, 2);
}

TEST_F(KstoolsSeed, AStoreThatCannotBeOpenedIsAPlainFailure)
{
    // A data directory that is a file, and an object store full of garbage.
    const std::string file = MakeHome() + "/not-a-directory";
    std::FILE* f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    const std::string corrupt = MakeHome();
    f = std::fopen((corrupt + "/objectstore.db").c_str(), "w");
    ASSERT_NE(f, nullptr);
    for (int i = 0; i < 4096; ++i) std::fputc((i * 7919 + 13) & 0xFF, f);
    std::fclose(f);

    for (const std::string& home : {file, corrupt}) {
        for (auto args : {std::vector<std::string>{"store", "seed", "--appointments", "2"},
                          std::vector<std::string>{"demo", "--json"}}) {
            auto r = Run(args, home);
            EXPECT_EQ(r.exitCode, 1) << args[0] << " in " << home << ": " << r.err;
            EXPECT_TRUE(r.out.empty()) << r.out;
            EXPECT_NE(r.err.find("kstools: cannot open the personal-information store in " + home + ": "),
                      std::string::npos)
                << r.err;
        }
    }
}

TEST_F(KstoolsSeed, DemoSeedsAnEmptyStoreOnceAndSummarises)
{
    auto first = Run({"demo", "--json"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const Json a = Json::parse(first.out);
    EXPECT_EQ(a["seeded"], true);
    EXPECT_EQ(a["appointments"], 200);
    EXPECT_EQ(a["tasks"], 100);
    EXPECT_EQ(a["contacts"], 150);
    EXPECT_GT(a["recurringAppointments"].get<int>(), 23);
    EXPECT_LT(a["recurringAppointments"].get<int>(), 200);
    EXPECT_GT(a["completedTasks"].get<int>(), 0);
    ASSERT_EQ(a["upcoming"].size(), 5u);
    std::string previous = "2026-03-05T10:00";
    for (const Json& next : a["upcoming"]) {
        EXPECT_GE(next["start"].get<std::string>(), previous) << "soonest first, none before now";
        previous = next["start"];
    }

    auto second = Run({"demo"});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_NE(second.out.find("nothing added"), std::string::npos) << second.out;
    EXPECT_NE(second.out.find("Appointments: 200"), std::string::npos) << second.out;
    EXPECT_NE(second.out.find("Next appointments:"), std::string::npos);
    EXPECT_EQ(Dump("Appointments Database").size(), 200u) << "a store with data is left alone";
}

}  // namespace
