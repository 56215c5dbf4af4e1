// kstools export and import: the store's items to and from iCalendar files.
// The file kind comes from the option (--ics) or the file's extension, so
// that further kinds plug in beside iCalendar.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include <nlohmann/json.hpp>

#include "items/ical_calendar.h"
#include "platform/time/variant_time.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/date_argument.h"
#include "tools/kstools/outlook_session.h"
#include "tools/kstools/progress_bar.h"

namespace kstools {
namespace {

using Json = nlohmann::ordered_json;

// Larger files are refused before they are read.
constexpr std::uintmax_t kMaxImportBytes = 256u << 20;

struct ExportOptions {
    std::string ics;
    std::string from;
    std::string to;
    bool tasks = false;
    bool journal = false;
    bool json = false;
};

struct ImportOptions {
    std::string file;
    bool json = false;
};

DATE DateOf(const std::string& text)
{
    const DateArgument date = ParseDateArgument(text);
    DATE value = 0;
    SystemTimeToVariantTime(&date.time, &value);
    return value;
}

void WriteFile(const std::string& path, const std::string& text)
{
    if (path == "-") {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return;
    }
    // A new file renamed over the old one: a failure leaves the old file.
    const std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            throw CommandError("cannot write " + path);
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        throw CommandError("cannot write " + path);
    }
}

void RunExport(const ExportOptions& o)
{
    if (o.ics.empty()) throw CommandError("export needs --ics FILE", kExitUsage);
    ical::ExportOptions options;
    if (!o.from.empty()) options.from = DateOf(o.from);
    if (!o.to.empty()) options.to = DateOf(o.to);
    if (options.from && options.to && *options.to < *options.from)
        throw CommandError("--to is before --from", kExitUsage);
    options.tasks = o.tasks;
    options.journal = o.journal;
    OutlookSession session;
    std::unique_ptr<ProgressBar> bar;
    const ical::ExportResult result = ical::ExportICalendar(session.Outlook(), options, [&](int done, int total) {
        if (!bar) bar = std::make_unique<ProgressBar>("exporting", total);
        bar->Update(done);
    });
    if (bar) bar->Finish();
    if (!result.error.empty()) throw CommandError("export failed: " + result.error);
    WriteFile(o.ics, result.text);
    if (o.ics == "-") return;
    if (o.json) {
        std::puts(Json{{"file", o.ics},
                       {"appointments", result.appointments},
                       {"tasks", result.tasks},
                       {"journalEntries", result.journalEntries}}
                      .dump(2)
                      .c_str());
    } else {
        std::printf("wrote %d appointments, %d tasks and %d journal entries to %s\n", result.appointments,
                    result.tasks, result.journalEntries, o.ics.c_str());
    }
}

std::string Extension(const std::string& path)
{
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

std::string ReadFile(const std::string& path)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) throw CommandError("cannot read " + path + ": " + error.message());
    if (size > kMaxImportBytes) throw CommandError(path + " is larger than 256 MB");
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in && !in.eof()) throw CommandError("cannot read " + path);
    return text.str();
}

void RunImport(const ImportOptions& o)
{
    const std::string ext = Extension(o.file);
    if (ext != ".ics" && ext != ".ical" && ext != ".icalendar" && ext != ".ifb")
        throw CommandError("import reads iCalendar files (.ics); " + (ext.empty() ? "this file" : ext + " files") +
                               " are not supported",
                           kExitUsage);
    const ical::Reading reading = ical::ReadICalendar(ReadFile(o.file));
    if (!reading.error.empty()) throw CommandError(o.file + ": " + reading.error);
    int refused = 0;
    Json notices = Json::array();
    for (const ical::Notice& n : reading.notices) {
        refused += n.refused ? 1 : 0;
        if (o.json) {
            notices.push_back(Json{{"item", n.item}, {"message", n.message}, {"refused", n.refused}});
        } else {
            std::fprintf(stderr, "kstools: %s: %s%s\n", n.item.c_str(), n.refused ? "refused: " : "",
                         n.message.c_str());
        }
    }
    OutlookSession session;
    ProgressBar bar("importing",
                    static_cast<int>(reading.events.size() + reading.todos.size() + reading.journal.size()));
    const ical::StoreResult stored =
        ical::StoreICalendar(session.Outlook(), reading, [&bar](int done, int) { bar.Update(done); });
    bar.Finish();
    if (!stored.ok) throw CommandError("import failed, the store is unchanged: " + stored.error);
    if (o.json) {
        std::puts(Json{{"file", o.file},
                       {"appointments", stored.appointments},
                       {"tasks", stored.tasks},
                       {"journalEntries", stored.journalEntries},
                       {"refused", refused},
                       {"notices", notices}}
                      .dump(2)
                      .c_str());
    } else {
        std::printf("imported %d appointments, %d tasks and %d journal entries; %d items refused\n",
                    stored.appointments, stored.tasks, stored.journalEntries, refused);
    }
    if (refused > 0) throw CommandError(std::to_string(refused) + " items of " + o.file + " were not imported");
}

}  // namespace

void AddExchangeCommands(CLI::App& app, CliContext& ctx)
{
    auto exportOptions = std::make_shared<ExportOptions>();
    CLI::App* exportCommand = app.add_subcommand(
        "export",
        "Write the calendar to an iCalendar file (RFC 5545): appointments as events with their recurrence, deleted "
        "and changed occurrences, own time zone, reminder, categories, privacy, busy status and attendees; with "
        "--tasks and --journal also tasks and journal entries");
    exportCommand->add_option("--ics", exportOptions->ics, "The iCalendar file to write (- for standard output)")
        ->type_name("FILE");
    exportCommand->add_option("--from", exportOptions->from, "Only appointments and entries from this day on")
        ->type_name("DATE");
    exportCommand->add_option("--to", exportOptions->to, "Only appointments and entries up to this day")
        ->type_name("DATE");
    exportCommand->add_flag("--tasks", exportOptions->tasks, "Also write the tasks");
    exportCommand->add_flag("--journal", exportOptions->journal, "Also write the journal entries");
    exportCommand->add_flag("--json", exportOptions->json, "Print {file, appointments, tasks, journalEntries}");
    ctx.OnRun(exportCommand, [exportOptions] { RunExport(*exportOptions); });

    auto importOptions = std::make_shared<ImportOptions>();
    CLI::App* importCommand = app.add_subcommand(
        "import",
        "Add the events, tasks and journal entries of an iCalendar file (.ics) to the store, all or none. A "
        "recurrence the device cannot repeat is stored as single appointments for two years; each item left out is "
        "named on standard error, and the exit code is then 1");
    importCommand->add_option("FILE", importOptions->file, "The file to read")->required();
    importCommand->add_flag("--json", importOptions->json,
                            "Print {file, appointments, tasks, journalEntries, refused, notices: [{item, message, "
                            "refused}]}");
    ctx.OnRun(importCommand, [importOptions] { RunImport(*importOptions); });
}

}  // namespace kstools
