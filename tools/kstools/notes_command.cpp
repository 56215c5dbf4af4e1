// kstools notes [--folder PATH] [--filter KEY=VALUE]... [--sort KEY] [--json]:
// the notes list as the notes window shows it: the documents folders of the
// device and of each storage card (and the external notes program's
// databases when it is there), folders open or closed as their stored state
// says, notes filtered and sorted.
// kstools notes ink FILE [--png OUT] [--json]: one ink note's text and
// strokes, drawn to a picture.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "categories/c_full_category.h"
#include "engine/loader_host.h"
#include "engine/notes_thread.h"
#include "platform/files/plugin_libraries.h"
#include "platform/ink/ink_drawing.h"
#include "platform/ink/ink_note.h"
#include "platform/locale/compare_string.h"
#include "platform/text/utf8.h"
#include "platform/time/system_time.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/date_argument.h"
#include "tools/kstools/file_argument.h"
#include "tools/kstools/note_path.h"

namespace kstools {
namespace {

using Json = nlohmann::ordered_json;

struct NotesOptions {
    std::optional<std::string> folder;
    std::vector<std::string> filters;
    std::optional<std::string> sort;
    bool ascending = false;
    bool showAll = false;
    bool json = false;
};

constexpr const char* kSortNames[] = {"name", "alarm", "created", "modified", "size", "category"};

DWORD SortKeyOf(const std::string& name)
{
    for (DWORD key = 0; key < std::size(kSortNames); ++key)
        if (name == kSortNames[key]) return key;
    throw CommandError("--sort " + name + ": use name, alarm, created, modified, size or category", kExitUsage);
}

// Applies one KEY=VALUE filter to the loader.
void ApplyFilter(CNotesThread& loader, const std::string& filter)
{
    const size_t eq = filter.find('=');
    const std::string key = filter.substr(0, eq);
    const std::string value = eq == std::string::npos ? std::string() : filter.substr(eq + 1);
    if (eq == std::string::npos || value.empty())
        throw CommandError("--filter " + filter + ": the form is KEY=VALUE", kExitUsage);
    const std::u16string text = Utf8ToWide(value);
    if (key == "privacy") {
        if (value == "all") loader.SetFilterPrivacy(kNotesPrivacyAll);
        else if (value == "public") loader.SetFilterPrivacy(kNotesPrivacyPublic);
        else if (value == "private") loader.SetFilterPrivacy(kNotesPrivacyPrivate);
        else throw CommandError("--filter privacy=" + value + ": use all, public or private", kExitUsage);
    } else if (key == "category") {
        auto selected = new CePtrList<CFullCategory*>;
        selected->Append(new CFullCategory(text.c_str(), 0, 0));
        CCategoryFilterInfo* info = nullptr;
        loader.GetCategoryRestrict(info);
        info->bHideCategories = kCategoryShowSelected;
        info->SetSelected(selected);
    } else if (key == "name") {
        loader.SetCompareString(text.c_str(), false, false, false);
    } else if (key == "contains") {
        loader.SetCompareString(text.c_str(), true, false, false);
    } else if (key == "match") {
        loader.SetCompareString(text.c_str(), false, false, true);
    } else if (key == "text") {
        loader.SetCompareString(text.c_str(), true, true, false);
    } else {
        throw CommandError("--filter " + key + ": use privacy, category, name, contains, match or text", kExitUsage);
    }
}

std::string TimeText(const FILETIME& time)
{
    SYSTEMTIME st{};
    if ((time.dwLowDateTime == 0 && time.dwHighDateTime == 0) || !FileTimeToSystemTime(&time, &st)) return {};
    return FormatIsoDateTime(st);
}

const char* KindName(const DATANOTES& row)
{
    if (row.kind == kNoteKindDatabase) return row.folder ? "database" : "database-note";
    if (row.folder) return row.depth == 0 ? "root" : "folder";
    switch (row.kind) {
        case kNoteKindInk: return "ink";
        case kNoteKindVoice: return "voice";
        case kNoteKindPmi: return "pmi";
        default: return "empty";
    }
}

Json RowJson(const DATANOTES& row)
{
    Json out{{"kind", KindName(row)}, {"depth", row.depth}, {"name", WideToUtf8(row.name)}};
    if (row.folder) {
        out["path"] = WideToUtf8(row.path);
        out["open"] = row.expanded != 0;
        out["hidden"] = row.hiddenFolder != 0;
        return out;
    }
    if (row.kind == kNoteKindFolder) return out;  // an empty folder's placeholder
    if (row.kind != kNoteKindDatabase) out["path"] = WideToUtf8(row.path);
    out["sizeKiB"] = row.size;
    out["created"] = TimeText(row.created);
    out["modified"] = TimeText(row.modified);
    out["categories"] = WideToUtf8(row.categories);
    out["private"] = row.isPrivate != 0;
    out["alarm"] = row.hasAlarm ? Json(TimeText(row.alarm)) : Json();
    return out;
}

void PrintRow(const DATANOTES& row)
{
    const std::string indent(static_cast<size_t>(row.depth) * 2, ' ');
    const std::string name = WideToUtf8(row.name);
    if (row.folder) {
        std::printf("%s%c %s%s\n", indent.c_str(), row.expanded ? '-' : '+', name.c_str(),
                    row.hiddenFolder ? " (hidden)" : "");
        return;
    }
    if (row.kind == kNoteKindFolder) {
        std::printf("%s  (%s)\n", indent.c_str(), name.c_str());
        return;
    }
    std::string extra;
    if (row.categories.Length() > 0) extra += "  [" + WideToUtf8(row.categories) + "]";
    if (row.isPrivate) extra += "  private";
    if (row.hasAlarm) extra += "  alarm " + TimeText(row.alarm);
    std::printf("%s  %s  %s  %u KiB  %s%s\n", indent.c_str(), name.c_str(), KindName(row), row.size,
                TimeText(row.modified).c_str(), extra.c_str());
}

// Opens the folder at path for this run (its ancestors too) without storing
// the state; the row, or null when no listed folder has that path.
DATANOTES* OpenFolder(CNotesThread& loader, const std::u16string& path)
{
    for (;;) {
        DATANOTES* best = nullptr;
        for (const auto& row : loader.GetDataList()) {
            if (!row->folder) continue;
            const std::u16string rowPath = static_cast<const WCHAR*>(row->path);
            const bool same = lstrcmpiW(rowPath.c_str(), path.c_str()) == 0;
            const bool above = path.size() > rowPath.size() && path[rowPath.size()] == u'\\' &&
                               lstrcmpiW(path.substr(0, rowPath.size()).c_str(), rowPath.c_str()) == 0;
            if (same) best = row.get();
            if (same) break;
            if (above && !row->expanded) best = row.get();
        }
        if (!best) return nullptr;
        const bool target = lstrcmpiW(static_cast<const WCHAR*>(best->path), path.c_str()) == 0;
        if (!best->expanded && !loader.ExpandTreeNode(true, best, false)) return nullptr;
        if (target) return best;
    }
}

void Collect(const DATANOTES& row, std::vector<const DATANOTES*>& out)
{
    out.push_back(&row);
    for (const DATANOTES* child : row.children) Collect(*child, out);
}

void RunNotes(const NotesOptions& o)
{
    platform::LoadInstalledPlugins();
    CNotesThread loader;
    loader.SetManualSettings(true);
    if (o.showAll) loader.SetShowAllFolders(true);
    if (o.sort) loader.SetSort(SortKeyOf(*o.sort), !o.ascending);
    else if (o.ascending) loader.SetSort(loader.SortKey(), false);
    for (const std::string& filter : o.filters) ApplyFilter(loader, filter);

    LoaderHost host;
    if (!host.Window()) throw CommandError("the notes list cannot be loaded: no message window");
    loader.SetNotifyWindow(host.Window());
    if (!host.Run(loader, 600000)) throw CommandError("the notes list did not finish loading");

    std::vector<const DATANOTES*> rows;
    if (o.folder) {
        const std::u16string path = NoteDevicePath(*o.folder);
        DATANOTES* folder = OpenFolder(loader, path);
        if (!folder)
            throw CommandError("no notes folder " + *o.folder +
                               " is listed (a storage card taken out, a hidden folder without --show-all, or a typo)");
        loader.SortDataList();
        Collect(*folder, rows);
    } else {
        for (const auto& row : loader.GetDataList()) rows.push_back(row.get());
    }

    if (o.json) {
        Json list = Json::array();
        for (const DATANOTES* row : rows) list.push_back(RowJson(*row));
        Json out{{"sort", kSortNames[loader.SortKey() < std::size(kSortNames) ? loader.SortKey() : 0]},
                 {"descending", loader.SortDescending()},
                 {"rows", list}};
        std::puts(out.dump(2).c_str());
        return;
    }
    for (const DATANOTES* row : rows) PrintRow(*row);
    if (rows.empty()) std::puts("no notes folders");
}

struct InkOptions {
    std::string file;
    std::string png;
    bool json = false;
};

void RunInk(const InkOptions& o)
{
    const FileArgument file(o.file, FileArgument::Need::Existing);
    platform::InkNote note;
    const platform::InkReadError error = platform::ReadInkFile(file.DevicePath().c_str(), note);
    if (error != platform::InkReadError::None)
        throw CommandError(o.file + ": " + platform::InkReadErrorText(error));
    if (!o.png.empty() && !platform::WriteInkNotePng(note, o.png)) throw CommandError("cannot write " + o.png);
    size_t points = 0;
    for (const platform::InkStroke& stroke : note.strokes) points += stroke.points.size();
    if (o.json) {
        Json out{{"width", note.pageWidth},
                 {"height", note.pageHeight},
                 {"text", WideToUtf8(note.text)},
                 {"strokes", note.strokes.size()},
                 {"points", points},
                 {"empty", note.IsEmpty()}};
        std::puts(out.dump(2).c_str());
        return;
    }
    std::printf("%d x %d page, %zu strokes (%zu points)\n", note.pageWidth, note.pageHeight, note.strokes.size(),
                points);
    if (!note.text.empty()) std::puts(WideToUtf8(note.text).c_str());
}

}  // namespace

void AddNotesCommand(CLI::App& app, CliContext& ctx)
{
    CLI::App* notes = app.add_subcommand(
        "notes",
        "Show the notes list as the notes window does: a root per documents folder (the device's and each storage "
        "card's), folders open or closed as stored in NoteFolderState.txt, ink (.pwi), voice (.wav) and .pmi notes "
        "with the category, privacy and alarm of NoteData.txt");
    notes->footer(
        "FILTER: privacy=all|public|private, category=NAME, name=TEXT (names beginning with TEXT), contains=TEXT "
        "(TEXT anywhere in the name), match=PATTERN (* and ? over the name), text=TEXT (TEXT in the note's typed "
        "text); case is ignored. Folders show as \"+ name\" closed or \"- name\" open; a search opens every folder. "
        "Exit codes: 0 done, 1 the list cannot be loaded or the folder is not listed, 2 bad arguments.");
    auto o = std::make_shared<NotesOptions>();
    notes->add_option("--folder", o->folder, "Only this folder (a device path), opened for this run")
        ->type_name("PATH");
    notes->add_option("--filter", o->filters, "A filter KEY=VALUE (repeatable)")->type_name("KEY=VALUE");
    notes->add_option("--sort", o->sort, "Sort notes by name, alarm, created, modified, size or category")
        ->type_name("KEY");
    notes->add_flag("--ascending", o->ascending, "Sort notes ascending (default descending)");
    notes->add_flag("--show-all", o->showAll, "Also list hidden folders");
    notes->add_flag("--json", o->json,
                    "Print {sort, descending, rows: [{kind, depth, name, path, open, hidden} for folders, {kind, "
                    "depth, name, path, sizeKiB, created, modified, categories, private, alarm} for notes]}");
    ctx.OnRun(notes, [notes, o] {
        if (!notes->get_subcommands().empty()) return;
        RunNotes(*o);
    });

    CLI::App* ink = notes->add_subcommand("ink", "Show an ink note (.pwi): its page, text and strokes; draw it to PNG");
    ink->footer("Exit codes: 0 done, 1 the file is not a readable ink note (empty, cut short, another format), 2 bad "
                "arguments or no such file.");
    auto io = std::make_shared<InkOptions>();
    ink->add_option("FILE", io->file, "The ink note: a device path (\\My Documents\\a.pwi) or a file of this computer")
        ->required();
    ink->add_option("--png", io->png, "Draw the note into this PNG file (a host path)")->type_name("OUT");
    ink->add_flag("--json", io->json, "Print {width, height, text, strokes, points, empty}");
    ctx.OnRun(ink, [io] { RunInk(*io); });
}

}  // namespace kstools
