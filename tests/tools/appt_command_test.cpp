// kstools appt: an appointment added, shown, enciphered, converted and deleted from the command line.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/kstools_home.h"

namespace {

using Json = nlohmann::json;

class KstoolsAppt : public KstoolsHome {
protected:
    const std::map<std::string, std::string> now{{"KSTOOLS_NOW", "2026-12-07T10:00"}};
    Json Appt(std::vector<std::string> args)
    {
        args.insert(args.begin(), "appt");
        args.push_back("--json");
        return JsonOf(Run(args, now));
    }
    // kstools with `input` on its standard input (through the shell, which passes it on a pipe).
    kstest::ChildResult WithInput(const std::string& input, const std::vector<std::string>& args)
    {
        std::string line = "printf '%s' \"$1\" | \"$0\"";
        for (size_t i = 0; i < args.size(); ++i) line += " \"$" + std::to_string(i + 2) + "\"";
        std::vector<std::string> argv{"/bin/sh", "-c", line, KSTOOLS_CLI, input};
        argv.insert(argv.end(), args.begin(), args.end());
        return kstest::RunChild(argv, {{"KSTOOLS_HOME", HomeDir().string()}, {"KSTOOLS_LOCALE", "en-US"},
                                       {"KSTOOLS_NOW", "2026-12-07T10:00"}});
    }
};

TEST_F(KstoolsAppt, AWeeklySeriesLosesOneOccurrenceThenTheWhole)
{
    const Json added = Appt({"add", "Stand-up", "--start", "2026-12-08T09:30", "--duration", "15", "--recur", "weekly"});
    const std::string oid = std::to_string(added["oid"].get<long>());
    EXPECT_EQ(added["recurring"], true);
    EXPECT_EQ(added["end"], "2026-12-08T09:45:00");
    EXPECT_EQ(added["reminder"], 15);
    const std::string summary = Run({"appt", "show", std::to_string(added["oid"].get<long>()), "--summary"}, now).out;
    EXPECT_NE(summary.find("\n15 minutes before\n"), std::string::npos) << "the bell leaves no blank: " << summary;

    EXPECT_EQ(Appt({"show", oid, "--occurrence", "2026-12-15"})["occurrence"], true);
    auto one = Run({"appt", "delete", oid, "--occurrence", "2026-12-15"}, now);
    EXPECT_EQ(one.exitCode, 0) << one.err;
    EXPECT_NE(one.out.find("deleted one occurrence"), std::string::npos);
    EXPECT_EQ(Run({"appt", "show", oid, "--occurrence", "2026-12-15"}, now).exitCode, 1);
    EXPECT_EQ(Appt({"show", oid, "--occurrence", "2026-12-22"})["start"], "2026-12-22T09:30:00");

    EXPECT_EQ(Run({"appt", "delete", oid, "--series"}, now).exitCode, 0);
    auto gone = Run({"appt", "show", oid}, now);
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_NE(gone.err.find("no appointment with OID"), std::string::npos);
}

TEST_F(KstoolsAppt, CryptTakesThePassphraseFromStandardInputAndDeciphersBack)
{
    const Json added = Appt({"add", "Lunch", "--start", "2026-12-08T12:30", "--location", "Harbour", "--extra-alarms",
                             "60,120"});
    EXPECT_EQ(added["extraAlarms"], Json::array({60, 120}));
    const std::string oid = std::to_string(added["oid"].get<long>());
    auto enciphered = WithInput("Kestrel\n", {"appt", "crypt", oid, "--yes", "--json"});
    ASSERT_EQ(enciphered.exitCode, 0) << enciphered.err;
    const Json secret = Json::parse(enciphered.out);
    EXPECT_NE(secret["subject"], "Lunch");
    EXPECT_NE(secret["location"], "Harbour");

    struct {
        std::string input;
        int exitCode;
    } const refused[] = {{"", 2}, {"\n", 2}};
    for (const auto& r : refused) EXPECT_EQ(WithInput(r.input, {"appt", "crypt", oid, "--no"}).exitCode, r.exitCode);

    auto back = WithInput("Kestrel\n", {"appt", "crypt", oid, "--no", "--json"});
    ASSERT_EQ(back.exitCode, 0) << back.err;
    EXPECT_EQ(Json::parse(back.out)["subject"], "Lunch");
    EXPECT_EQ(Json::parse(back.out)["location"], "Harbour");
}

TEST_F(KstoolsAppt, ConversionsSummaryAndBadArguments)
{
    const Json added = Appt({"add", "Report", "--start", "2026-12-09T14:00", "--all-day", "true"});
    EXPECT_EQ(added["allDay"], true);
    EXPECT_EQ(added["busy"], "free");
    EXPECT_EQ(added["reminder"], nullptr);
    const std::string oid = std::to_string(added["oid"].get<long>());

    const std::string png = (HomeDir() / "summary.png").string();
    ASSERT_EQ(Run({"appt", "show", oid, "--png", png}, now).exitCode, 0);
    std::ifstream picture(png, std::ios::binary);
    std::string signature(8, '\0');
    picture.read(signature.data(), 8);
    EXPECT_EQ(signature, "\x89PNG\r\n\x1a\n");

    auto task = Run({"appt", "convert", oid, "--yes"}, now);
    ASSERT_EQ(task.exitCode, 0) << task.err;
    EXPECT_NE(task.out.find("the appointment was deleted"), std::string::npos);
    const std::string taskOid = task.out.substr(5, task.out.find(' ', 5) - 5);
    EXPECT_EQ(Run({"appt", "show", taskOid}, now).exitCode, 1) << "a task is no appointment";
    auto back = Run({"task", "convert", taskOid, "--no"}, now);
    ASSERT_EQ(back.exitCode, 0) << back.err;
    EXPECT_EQ(back.out.find("deleted"), std::string::npos);
    const std::string again = back.out.substr(12, back.out.find_first_not_of("0123456789", 12) - 12);
    EXPECT_EQ(Appt({"show", again})["subject"], "Report");

    for (const std::vector<std::string>& bad : {std::vector<std::string>{"appt", "edit", again, "--busy", "away"},
                                               {"appt", "edit", again, "--recur", "hourly"},
                                               {"appt", "delete", again, "--yes", "--no"}})
        EXPECT_EQ(Run(bad, now).exitCode, 2) << bad[3];
}

}  // namespace

namespace {

TEST_F(KstoolsAppt, BeamPrintsTheFileItWrote)
{
    const std::string oid = std::to_string(Appt({"add", "Stand-up", "--start", "2026-12-08T09:30"})["oid"].get<long>());
    const auto beamed = Run({"appt", "beam", oid}, now);
    EXPECT_EQ(beamed.out, "\\Outbox\\Stand-up.ics\n") << beamed.err;
    const auto task = Run({"task", "beam", oid}, now);
    EXPECT_EQ(task.exitCode, 1);
    EXPECT_NE(task.err.find("no task"), std::string::npos) << task.err;
}

}  // namespace
