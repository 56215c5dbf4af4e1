// kstools store seed: fills the personal-information store with sample data
// through the object model.
#include <cstdio>
#include <memory>

#include <nlohmann/json.hpp>

#include "tools/kstools/commands.h"
#include "tools/kstools/outlook_session.h"
#include "tools/kstools/progress_bar.h"
#include "platform/time/clock.h"
#include "platform/time/system_time.h"
#include "tools/kstools/sample/sample_notes.h"
#include "tools/kstools/sample/sample_store_seeder.h"

namespace kstools {
namespace {

constexpr int kMaxSeedItems = 100000;

void RunStoreSeed(const SampleStoreOptions& options, bool json)
{
    OutlookSession session;
    ProgressBar bar("seeding", options.appointments + options.tasks + options.contacts);
    SampleStoreSeeder(session.Outlook(), options).Run([&bar](int done, int) { bar.Update(done); });
    bar.Finish();
    SYSTEMTIME local{};
    GetLocalTime(&local);
    FILETIME now{};
    SystemTimeToFileTime(&local, &now);
    const SampleNotesResult notes = SeedSampleNotes(now);
    if (json) {
        nlohmann::ordered_json out{{"appointments", options.appointments},
                                   {"tasks", options.tasks},
                                   {"contacts", options.contacts},
                                   {"notes", notes.notes},
                                   {"storageCards", notes.cards},
                                   {"externalNotes", notes.externalNotes},
                                   {"seed", options.seed}};
        std::puts(out.dump(2).c_str());
    } else {
        std::printf("added %d appointments, %d tasks and %d contacts (seed %llu)\n", options.appointments,
                    options.tasks, options.contacts, static_cast<unsigned long long>(options.seed));
        std::printf("wrote %d sample notes, on the device and on %d storage card\n", notes.notes, notes.cards);
        if (notes.externalNotes)
            std::printf("wrote %d notes into the notes program's Notebook\n", notes.externalNotes);
    }
}

}  // namespace

void AddStoreSeedCommand(CLI::App& app, CliContext& ctx)
{
    CLI::App* store = app.get_subcommand("store");
    auto options = std::make_shared<SampleStoreOptions>();
    auto json = std::make_shared<bool>(false);
    CLI::App* seed = store->add_subcommand(
        "seed",
        "Add sample appointments, tasks and contacts to the personal-information store through the object model: "
        "every recurrence kind and end, changed and deleted occurrences, meetings, birthdays, holidays, task "
        "priority codes and more; also a few ink, text and voice notes in the documents folder and on a storage card "
        "(\\Storage Card), and, with the notes program's plug-in installed, a few notes in its Notebook. The same "
        "seed and pinned clock (--now) give the same store");
    seed->add_option("--appointments", options->appointments, "Number of appointments (default 200)")
        ->check(CLI::Range(0, kMaxSeedItems));
    seed->add_option("--tasks", options->tasks, "Number of tasks (default 100)")->check(CLI::Range(0, kMaxSeedItems));
    seed->add_option("--contacts", options->contacts, "Number of contacts (default 150)")
        ->check(CLI::Range(0, kMaxSeedItems));
    seed->add_option("--seed", options->seed, "Seed of the generator (default 1)");
    seed->add_flag("--json", *json, "Print {appointments, tasks, contacts, notes, storageCards, externalNotes, seed}");
    ctx.OnRun(seed, [options, json] { RunStoreSeed(*options, *json); });
}

}  // namespace kstools
