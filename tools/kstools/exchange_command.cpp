// kstools export and import: the store's items to and from iCalendar files,
// and its contacts to and from vCard files. The file kind comes from the
// option (--ics, --vcf) or the file's extension.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include <nlohmann/json.hpp>

#include "items/contact_vcard.h"
#include "items/ical_calendar.h"
#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/pocket_outlook.h"
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
    std::string vcf;
    std::string vcardVersion = "3.0";
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

// The OIDs of every contact in the store, in the folder's order.
std::vector<long> AllContactOids(COutlook& outlook)
{
    platform::ComRef<IFolder> folder;
    platform::ComRef<IPOutlookItemCollection> items;
    int count = 0;
    if (FAILED(outlook.GetDefaultFolder(olFolderContacts, folder.Put())) ||
        FAILED(folder->get_Items(items.Put())) || FAILED(items->get_Count(&count)))
        throw CommandError("cannot read the contacts");
    std::vector<long> oids;
    for (int i = 1; i <= count; ++i) {
        platform::ComRef<IDispatch> item;
        LONG oid = 0;
        if (FAILED(items->Item(i, item.Put()))) continue;
        platform::ComRef<IContact> contact = platform::ComRef<IContact>::Query(item.Get());
        if (contact && SUCCEEDED(contact->get_Oid(&oid))) oids.push_back(oid);
    }
    return oids;
}

void ExportContacts(const ExportOptions& o)
{
    if (o.vcardVersion != "3.0" && o.vcardVersion != "4.0")
        throw CommandError("--vcard-version " + o.vcardVersion + ": use 3.0 or 4.0", kExitUsage);
    OutlookSession session;
    const std::vector<long> oids = AllContactOids(session.Outlook());
    std::vector<std::string> errors;
    const std::string text = ContactVCard::Write(oids, o.vcardVersion, &errors);
    for (const std::string& error : errors) std::fprintf(stderr, "kstools: %s\n", error.c_str());
    WriteFile(o.vcf, text);
    if (o.vcf == "-") return;
    const size_t written = oids.size() - errors.size();
    if (o.json)
        std::puts(Json{{"file", o.vcf}, {"contacts", written}, {"version", o.vcardVersion}}.dump(2).c_str());
    else
        std::printf("wrote %zu contacts to %s\n", written, o.vcf.c_str());
}

void RunExport(const ExportOptions& o)
{
    if (o.ics.empty() && o.vcf.empty()) throw CommandError("export needs --ics FILE or --vcf FILE", kExitUsage);
    if (o.ics == "-" && o.vcf == "-") throw CommandError("only one of --ics and --vcf can be -", kExitUsage);
    if (!o.vcf.empty()) ExportContacts(o);
    if (o.ics.empty()) return;
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

void ImportContacts(const ImportOptions& o)
{
    const std::string text = ReadFile(o.file);
    OutlookSession session;
    const ContactImport result = ContactVCard::Read(text);
    int refused = 0;
    Json notices = Json::array();
    for (const ContactCardMessage& m : result.messages) {
        refused += m.refused ? 1 : 0;
        const std::string where = "card " + std::to_string(m.card + 1) + (m.line ? ", line " + std::to_string(m.line) : "");
        if (o.json)
            notices.push_back(Json{{"card", m.card + 1}, {"line", m.line}, {"message", m.text}, {"refused", m.refused}});
        else
            std::fprintf(stderr, "kstools: %s: %s%s\n", where.c_str(), m.refused ? "refused: " : "", m.text.c_str());
    }
    if (o.json)
        std::puts(Json{{"file", o.file}, {"cards", result.cards}, {"contacts", result.oids.size()}, {"refused", refused},
                       {"notices", notices}}
                      .dump(2)
                      .c_str());
    else
        std::printf("imported %zu contacts of %zu cards; %d cards refused\n", result.oids.size(), result.cards, refused);
    if (result.cards == 0) throw CommandError(o.file + " holds no vCard");
    if (refused > 0) throw CommandError(std::to_string(refused) + " cards of " + o.file + " were not imported");
}

void RunImport(const ImportOptions& o)
{
    const std::string ext = Extension(o.file);
    if (ext == ".vcf" || ext == ".vcard") return ImportContacts(o);
    if (ext != ".ics" && ext != ".ical" && ext != ".icalendar" && ext != ".ifb")
        throw CommandError("import reads iCalendar (.ics) and vCard (.vcf) files; " +
                               (ext.empty() ? "this file" : ext + " files") + " are not supported",
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
        "--tasks and --journal also tasks and journal entries; with --vcf the contacts to a vCard file");
    exportCommand->add_option("--ics", exportOptions->ics, "The iCalendar file to write (- for standard output)")
        ->type_name("FILE");
    exportCommand->add_option("--vcf", exportOptions->vcf, "The vCard file to write the contacts to (- for standard output)")
        ->type_name("FILE");
    exportCommand->add_option("--vcard-version", exportOptions->vcardVersion, "3.0 (default) or 4.0")->type_name("V");
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
        "Add the events, tasks and journal entries of an iCalendar file (.ics) to the store, all or none, or the "
        "contacts of a vCard file (.vcf, versions 2.1, 3.0 and 4.0), card by card. A "
        "recurrence the device cannot repeat is stored as single appointments for two years; each item left out is "
        "named on standard error, and the exit code is then 1");
    importCommand->add_option("FILE", importOptions->file, "The file to read")->required();
    importCommand->add_flag("--json", importOptions->json,
                            "Print {file, appointments, tasks, journalEntries, refused, notices: [{item, message, "
                            "refused}]}");
    ctx.OnRun(importCommand, [importOptions] { RunImport(*importOptions); });
}

}  // namespace kstools
