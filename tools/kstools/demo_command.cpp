// kstools demo: the personal-information store at a glance. An empty store is
// seeded with the default sample data first.
#include <cstdio>
#include <memory>
#include <string>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "platform/time/clock.h"
#include "platform/text/utf8.h"
#include "platform/time/variant_time.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/outlook_session.h"
#include "tools/kstools/progress_bar.h"
#include "tools/kstools/sample/sample_store_seeder.h"
#include "tools/kstools/store_summary.h"

namespace kstools {
namespace {

constexpr size_t kUpcomingShown = 5;

DATE LocalNow()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    now.wMilliseconds = 0;
    DATE date = 0;
    SystemTimeToVariantTime(&now, &date);
    return date;
}

// "2026-03-09T12:30" (local).
std::string DateText(DATE date)
{
    SYSTEMTIME st{};
    VariantTimeToSystemTime(date, &st);
    return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute);
}

void RunDemo(bool json)
{
    OutlookSession session;
    StoreSummary summary = StoreSummary::Read(session.Outlook(), LocalNow(), kUpcomingShown);
    const bool seeded = summary.IsEmpty();
    if (seeded) {
        const SampleStoreOptions defaults;
        ProgressBar bar("seeding", defaults.appointments + defaults.tasks + defaults.contacts);
        SampleStoreSeeder(session.Outlook(), defaults).Run([&bar](int done, int) { bar.Update(done); });
        bar.Finish();
        summary = StoreSummary::Read(session.Outlook(), LocalNow(), kUpcomingShown);
    }
    if (json) {
        nlohmann::ordered_json upcoming = nlohmann::ordered_json::array();
        for (const UpcomingAppointment& a : summary.upcoming) {
            upcoming.push_back(
                {{"start", DateText(a.start)}, {"subject", WideToUtf8(a.subject)}, {"recurring", a.recurring}});
        }
        nlohmann::ordered_json out{{"seeded", seeded},
                                   {"appointments", summary.appointments},
                                   {"recurringAppointments", summary.recurringAppointments},
                                   {"tasks", summary.tasks},
                                   {"completedTasks", summary.completedTasks},
                                   {"contacts", summary.contacts},
                                   {"upcoming", std::move(upcoming)}};
        std::puts(out.dump(2).c_str());
        return;
    }
    std::puts(seeded ? "The store was empty: sample data added." : "The store already holds data; nothing added.");
    std::printf("Appointments: %d (%d recurring)\n", summary.appointments, summary.recurringAppointments);
    std::printf("Tasks:        %d (%d completed)\n", summary.tasks, summary.completedTasks);
    std::printf("Contacts:     %d\n", summary.contacts);
    if (summary.upcoming.empty()) {
        std::puts("No appointments ahead.");
        return;
    }
    std::puts("Next appointments:");
    for (const UpcomingAppointment& a : summary.upcoming) {
        std::string when = DateText(a.start);
        when[10] = ' ';
        std::printf("  %s  %s%s\n", when.c_str(), WideToUtf8(a.subject).c_str(), a.recurring ? "  (recurring)" : "");
    }
}

}  // namespace

void AddDemoCommand(CLI::App& app, CliContext& ctx)
{
    auto json = std::make_shared<bool>(false);
    CLI::App* demo = app.add_subcommand(
        "demo",
        "Show the personal-information store at a glance: items per kind, recurring appointments and the next "
        "appointments. An empty store is first filled with the sample data of 'store seed'");
    demo->add_flag("--json", *json,
                   "Print {seeded, appointments, recurringAppointments, tasks, completedTasks, contacts, "
                   "upcoming: [{start, subject, recurring}]}");
    ctx.OnRun(demo, [json] { RunDemo(*json); });
}

}  // namespace kstools
