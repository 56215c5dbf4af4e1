// kstools store seed and demo: reproducible, sized as asked, covering what the views show.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
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
using Strings = std::vector<std::string>;

class KstoolsSeed : public KstoolsHome {
protected:
    // Another data directory, inside this test's own.
    std::string MakeHome()
    {
        const std::string home = home_ + "/other" + std::to_string(++m_homes);
        std::filesystem::create_directory(home);
        return home;
    }
    kstest::ChildResult Run(const Strings& args, const std::string& home = {})
    {
        return KstoolsHome::Run(args, {{"KSTOOLS_HOME", home.empty() ? home_ : home},
                                       {"KSTOOLS_NOW", "2026-03-05T10:00"},
                                       {"TZ", "America/New_York"}});
    }
    // `store seed` with these counts of appointments, tasks and contacts.
    kstest::ChildResult Seed(int appointments, int tasks, int contacts, Strings more = {}, const std::string& home = {})
    {
        Strings args = {"store",          "seed",
                        "--appointments", std::to_string(appointments),
                        "--tasks",        std::to_string(tasks),
                        "--contacts",     std::to_string(contacts)};
        args.insert(args.end(), more.begin(), more.end());
        return Run(args, home);
    }
    Json Dump(const std::string& database, const std::string& home = {})
    {
        const Json out = JsonOf(Run({"store", "dump", database, "--json"}, home));
        return out.is_null() ? Json::array() : out["records"];
    }
    int m_homes = 0;
};

// The records without their OIDs, which each store hands out its own way.
Json WithoutOids(Json records)
{
    for (Json& record : records) record.erase("oid");
    return records;
}

TEST_F(KstoolsSeed, TheSameSeedGivesTheSameStoreWithTheCountsAskedFor)
{
    const std::string same = MakeHome(), other = MakeHome();
    const Json report = JsonOf(Seed(45, 25, 12, {"--seed", "7", "--json"}));
    EXPECT_EQ(report["appointments"], 45);
    EXPECT_EQ(report["seed"], 7);
    auto r = Seed(45, 25, 12, {"--seed", "7"}, same);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << "no progress bar without a terminal: " << r.err;
    ASSERT_EQ(Seed(45, 25, 12, {"--seed", "8"}, other).exitCode, 0);
    for (auto [database, count] :
         {std::pair{"Appointments Database", 45u}, {"Tasks Database", 25u}, {"Contacts Database", 12u}}) {
        const Json records = Dump(database);
        EXPECT_EQ(records.size(), count) << database;
        EXPECT_EQ(WithoutOids(records), WithoutOids(Dump(database, same))) << database;
    }
    // The call log names contacts by OID: without them too.
    auto calls = [&](const std::string& home) {
        Json records = WithoutOids(Dump("KS_CallLog", home));
        for (Json& record : records) {
            Json kept = Json::array();
            for (const Json& p : record["properties"])
                if (p["propid"] != PropidText(kCallContact)) kept.push_back(p);
            record["properties"] = kept;
        }
        return records;
    };
    EXPECT_EQ(calls({}).size(), 40u);
    EXPECT_EQ(calls({}), calls(same));
    EXPECT_NE(Dump("Appointments Database"), Dump("Appointments Database", other)) << "the seed matters";
    EXPECT_NE(Dump("Contacts Database"), Dump("Contacts Database", other));
    // The default seed is 1, and a second run adds to what is there.
    EXPECT_EQ(JsonOf(Seed(3, 0, 0, {"--json"}))["seed"], 1);
    EXPECT_EQ(Dump("Appointments Database").size(), 48u);
    EXPECT_EQ(Dump("Tasks Database").size(), 25u);
}

// Recurrence kinds, ends and exceptions; zones, meetings, privacy, holidays; priorities; contact dates.
TEST_F(KstoolsSeed, TheStoreCoversWhatTheViewsShow)
{
    ASSERT_EQ(Seed(40, 30, 10).exitCode, 0);
    std::set<std::tuple<WORD, WORD, DWORD>> seen;
    bool deletedOnly = false, moved = false, renamed = false;
    int zones = 0, multiDayAllDay = 0, meetings = 0, privateOnes = 0, holidays = 0;
    for (const Json& record : Dump("Appointments Database")) {
        if (const Json* hex = Property(record, kAppointmentRecurrencePattern)) {
            const std::vector<BYTE> bytes = publishedblobs::Bytes(*hex);
            platform::RecurrencePatternBlob p;
            EXPECT_TRUE(
                platform::RecurrenceBlobUsable(platform::DecodeRecurrencePatternBlob(bytes.data(), bytes.size(), p)))
                << hex->get<std::string>();
            seen.insert({p.frequency, p.patternType, p.endType});
            deletedOnly |= p.deletedInstanceDates.size() > p.modifiedInstanceDates.size();
            if (!p.exceptions.empty()) {
                moved |= p.exceptions[0].startDateTime != p.exceptions[0].originalStartDate;
                renamed |= p.exceptions[0].subject.has_value();
            }
        }
        if (const Json* zone = Property(record, kAppointmentTimeZone)) {
            EXPECT_EQ(zone->get<std::string>().size(), 96u) << "48 bytes";
            ++zones;
        }
        const Json* allDay = Property(record, kAppointmentAllDay);
        const bool isAllDay = allDay && *allDay == 1;
        const Json* duration = Property(record, kAppointmentDuration);
        multiDayAllDay += isAllDay && duration && duration->get<int>() > 1440;
        if (const Json* attendees = Property(record, kAppointmentAttendees))
            meetings += attendees->get<std::string>().size() > 8;
        if (const Json* sensitivity = Property(record, kAppointmentSensitivity)) privateOnes += *sensitivity != 0;
        if (const Json* subject = Property(record, kAppointmentSubject))
            holidays += isAllDay && subject->get<std::string>().find(" Day") != std::string::npos;
    }
    const std::pair<WORD, WORD> kinds[] = {{0x200A, 0}, {0x200A, 1}, {0x200B, 1}, {0x200C, 2},
                                           {0x200C, 3}, {0x200D, 2}, {0x200D, 3}};
    for (auto [frequency, type] : kinds) {
        for (DWORD end : {0x2021u, 0x2022u, 0x2023u}) {
            EXPECT_TRUE(seen.count({frequency, type, end}))
                << std::hex << frequency << "/" << type << " ending " << end;
        }
    }
    EXPECT_TRUE(deletedOnly && moved && renamed) << deletedOnly << moved << renamed;
    EXPECT_GE(zones, 3);
    EXPECT_GE(multiDayAllDay, 2);
    EXPECT_GE(meetings, 3);
    EXPECT_GE(privateOnes, 2);
    EXPECT_GE(holidays, 3);

    int lettered = 0, regenerating = 0;
    for (const Json& record : Dump("Tasks Database")) {
        const Json* subject = Property(record, kTaskSubject);
        ASSERT_NE(subject, nullptr);
        const std::string text = *subject;
        const size_t colon = text.find(": ");
        if (colon == std::string::npos) continue;
        lettered += colon <= 7 && std::isupper(static_cast<unsigned char>(text[0]));
        regenerating += text.substr(0, colon).find('|') != std::string::npos;
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
    const std::string file = MakeHome() + "/not-a-directory", corrupt = MakeHome();
    std::ofstream(file) << "x";
    std::ofstream garbage(corrupt + "/objectstore.db", std::ios::binary);
    for (int i = 0; i < 4096; ++i) garbage.put(static_cast<char>((i * 7919 + 13) & 0xFF));
    garbage.close();
    for (const std::string& home : {file, corrupt}) {
        for (const Strings& args : {Strings{"store", "seed", "--appointments", "2"}, Strings{"demo", "--json"}}) {
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
    const Json a = JsonOf(Run({"demo", "--json"}));
    EXPECT_EQ(a["seeded"], true);
    for (auto [key, count] : {std::pair{"appointments", 200}, {"tasks", 100}, {"contacts", 150}})
        EXPECT_EQ(a[key], count) << key;
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
