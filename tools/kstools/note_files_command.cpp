// kstools note add|show|move|copy|delete|alarm: one note of the notes list
// through CAlarmNote: an ink note (.pwi) or another file with note
// attributes, named by its device path, or a note of the external notes
// program (when its plug-in is installed), named "pwn:DATABASE:OID".
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "items/c_alarm_note.h"
#include "platform/files/files.h"
#include "platform/files/plugin_libraries.h"
#include "platform/text/utf8.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/date_argument.h"
#include "tools/kstools/note_path.h"

namespace kstools {
namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kExternalPrefix = "pwn:";

struct NoteName {
    std::u16string path;  // a file note
    LONG database = 0;    // an external note: its database and OID
    LONG oid = 0;
    std::u16string title;
    bool external = false;
};

LONG ParseNumber(const std::string& text, const std::string& what)
{
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 0);
    if (text.empty() || *end || value <= 0 || value > 0x7FFFFFFF)
        throw CommandError(what + " " + text + ": a positive number", kExitUsage);
    return static_cast<LONG>(value);
}

// "pwn:DATABASE:OID" (or, for a move target, "pwn:DATABASE:TITLE"), else a
// device path.
NoteName ParseNoteName(const std::string& text, bool target = false)
{
    NoteName name;
    if (text.rfind(kExternalPrefix, 0) != 0) {
        name.path = NoteDevicePath(text);
        if (name.path.empty()) throw CommandError("the note's path is empty", kExitUsage);
        return name;
    }
    name.external = true;
    const std::string rest = text.substr(std::string(kExternalPrefix).size());
    const size_t colon = rest.find(':');
    name.database = ParseNumber(rest.substr(0, colon), "the database");
    const std::string second = colon == std::string::npos ? std::string() : rest.substr(colon + 1);
    if (target) name.title = Utf8ToWide(second);
    else name.oid = ParseNumber(second, "the note");
    return name;
}

LONG KindOfPath(const std::u16string& path)
{
    const bool ink = path.size() > 4 && (path.substr(path.size() - 4) == u".pwi" || path.substr(path.size() - 4) == u".PWI");
    return ink ? kAlarmNoteInk : kAlarmNoteAttributesOnly;
}

std::string Describe(const NoteName& name)
{
    if (!name.external) return WideToUtf8(name.path);
    return kExternalPrefix + std::to_string(name.database) + ":" + std::to_string(name.oid);
}

// Opens and loads the note; throws when it cannot.
void Open(CAlarmNote& note, const NoteName& name)
{
    platform::LoadInstalledPlugins();
    const bool read = name.external ? note.ReadNote(name.database, name.oid, nullptr)
                                    : note.ReadNote(name.path.c_str(), KindOfPath(name.path));
    if (!read)
        throw CommandError("no note " + Describe(name) +
                           (name.external ? " (is the notes program's plug-in installed?)" : " (no such file)"));
    if (!note.LoadNote()) throw CommandError("the note " + Describe(name) + " cannot be read");
}

std::string NameOf(const CAlarmNote& note)
{
    if (note.Kind() != kAlarmNoteExternal) return WideToUtf8(note.Path());
    return kExternalPrefix + std::to_string(note.Database()) + ":" + std::to_string(note.Oid());
}

Json NoteJson(const CAlarmNote& note)
{
    const char* kind = note.Kind() == kAlarmNoteInk ? "ink" : note.Kind() == kAlarmNoteExternal ? "external" : "file";
    return Json{{"note", NameOf(note)},
                {"title", WideToUtf8(note.Title())},
                {"kind", kind},
                {"category", WideToUtf8(note.Category())},
                {"private", note.Private() != 0},
                {"alarm", note.HasAlarm() ? Json(FormatIsoDateTime(note.AlarmTime())) : Json()},
                {"text", WideToUtf8(note.Text())}};
}

void Print(const CAlarmNote& note, bool json)
{
    if (json) {
        std::puts(NoteJson(note).dump(2).c_str());
        return;
    }
    std::printf("%s\n", NameOf(note).c_str());
    if (!note.Category().empty()) std::printf("category: %s\n", WideToUtf8(note.Category()).c_str());
    if (note.Private()) std::puts("private");
    if (note.HasAlarm()) std::printf("alarm: %s\n", FormatIsoDateTime(note.AlarmTime()).c_str());
    const std::string text = WideToUtf8(note.Text());
    if (!text.empty()) std::printf("\n%s\n", text.c_str());
}

struct AddOptions {
    std::optional<std::string> folder;
    std::optional<std::string> title;
    std::string text;
    std::string category;
    bool isPrivate = false;
    std::optional<std::string> alarm;
    std::optional<std::string> database;
    bool json = false;
};

void RunAdd(const AddOptions& o)
{
    CAlarmNote note;
    const std::u16string text = Utf8ToWide(o.text);
    const std::u16string category = Utf8ToWide(o.category);
    std::optional<SYSTEMTIME> alarm;
    if (o.alarm) alarm = ParseDateArgument(*o.alarm).time;
    if (o.database) {
        platform::LoadInstalledPlugins();
        const LONG database = ParseNumber(*o.database, "the database");
        const std::u16string title = o.title ? Utf8ToWide(*o.title) : std::u16string();
        if (!note.CreateInDatabase(database, title.empty() ? nullptr : title.c_str(), text.c_str(), category.c_str()))
            throw CommandError("the note was not made in database " + *o.database +
                               " (no such database, or the notes program's plug-in is not installed)");
    } else {
        const std::u16string folder = o.folder ? NoteDevicePath(*o.folder) : std::u16string();
        std::u16string title = o.title ? Utf8ToWide(*o.title) : std::u16string();
        if (!title.empty() && title.find(u'.') == std::u16string::npos) title += u".pwi";
        if (!note.Create(nullptr, folder.empty() ? nullptr : folder.c_str(), title.empty() ? nullptr : title.c_str(),
                         text.c_str(), category.c_str()))
            throw CommandError("the note was not written");
    }
    if (o.isPrivate || alarm) {
        note.SetPrivate(o.isPrivate ? 1 : 0);
        if (alarm) note.SetAlarmTime(&*alarm);
        if (!note.Save()) throw CommandError("the note's attributes were not written");
    }
    Print(note, o.json);
}

struct NoteOnly {
    std::string note;
    std::string target;
    bool json = false;
    std::optional<std::string> at;
    bool clear = false;
};

void RunShow(const NoteOnly& o)
{
    CAlarmNote note;
    Open(note, ParseNoteName(o.note));
    Print(note, o.json);
}

void RunMove(const NoteOnly& o)
{
    CAlarmNote note;
    const NoteName from = ParseNoteName(o.note);
    Open(note, from);
    if (from.external) {
        const NoteName to = ParseNoteName(o.target, true);
        if (!to.external) throw CommandError("a note of the notes program moves only to pwn:DATABASE[:TITLE]", kExitUsage);
        if (!note.MoveNote(to.database, to.title.empty() ? nullptr : to.title.c_str()))
            throw CommandError("the note was not moved (the notes program refused it)");
    } else {
        std::u16string target = NoteDevicePath(o.target);
        // A folder as the target keeps the note's name.
        const DWORD attributes = GetFileAttributesW(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            target += u"\\" + note.Title();
        if (!note.MoveNote(target.c_str())) throw CommandError("the note was not moved to " + o.target);
    }
    std::puts(NameOf(note).c_str());
}

void RunCopy(const NoteOnly& o)
{
    CAlarmNote note;
    Open(note, ParseNoteName(o.note));
    if (!note.Copy()) throw CommandError("the note was not copied");
    if (note.Kind() != kAlarmNoteExternal) std::puts(WideToUtf8(note.CopiedPath()).c_str());
}

void RunDelete(const NoteOnly& o)
{
    CAlarmNote note;
    const NoteName name = ParseNoteName(o.note);
    Open(note, name);
    if (!note.Delete()) throw CommandError("the note " + Describe(name) + " was not deleted");
}

void RunAlarm(const NoteOnly& o)
{
    std::optional<SYSTEMTIME> at;
    if (o.at) at = ParseDateArgument(*o.at).time;
    const NoteName name = ParseNoteName(o.note);
    if (name.external && (o.clear || o.at))
        throw CommandError("a note of the notes program takes its alarm through the question only", kExitUsage);
    CAlarmNote note;
    Open(note, name);
    if (o.clear || o.at) {
        note.SetAlarmTime(at ? &*at : nullptr);
        if (!note.Save()) throw CommandError("the alarm was not stored");
    } else if (!note.SetAlarm()) {
        throw CommandError("no alarm was set");
    }
    Print(note, o.json);
}

}  // namespace

void AddNoteFileCommands(CLI::App& note, CliContext& ctx)
{
    const char* noteHelp = "The note: a device path (\\My Documents\\a.pwi) or pwn:DATABASE:OID";

    CLI::App* add = note.add_subcommand(
        "add", "Make a new ink note (in the default folder unless --folder), or with --database a text note of the "
               "notes program");
    add->footer("Exit codes: 0 done, 1 the note was not written, 2 bad arguments.");
    auto ao = std::make_shared<AddOptions>();
    add->add_option("--folder", ao->folder, "Device folder of the note")->type_name("PATH");
    add->add_option("--title", ao->title, "File name (default: today's date and time, \".pwi\" added)");
    add->add_option("--text", ao->text, "The note's typed text");
    add->add_option("--category", ao->category, "Categories, joined by \", \"");
    add->add_flag("--private", ao->isPrivate, "Mark the note private");
    add->add_option("--alarm", ao->alarm, "Alarm at YYYY-MM-DDTHH:MM")->type_name("TIME");
    add->add_option("--database", ao->database,
                    "Make a text note in this database of the notes program instead (its plug-in must be installed)");
    add->add_flag("--json", ao->json, "Print {note, title, kind, category, private, alarm, text}");
    ctx.OnRun(add, [ao] { RunAdd(*ao); });

    const auto simple = [&](const char* name, const char* help, void (*run)(const NoteOnly&), bool json) {
        CLI::App* command = note.add_subcommand(name, help);
        command->footer("Exit codes: 0 done, 1 no such note or the operation failed, 2 bad arguments.");
        auto o = std::make_shared<NoteOnly>();
        command->add_option("NOTE", o->note, noteHelp)->required();
        if (json) command->add_flag("--json", o->json, "Print {note, title, kind, category, private, alarm, text}");
        ctx.OnRun(command, [o, run] { run(*o); });
        return std::make_pair(command, o);
    };
    simple("show", "Show a note: its category, privacy, alarm and text", &RunShow, true);
    simple("copy", "Copy a note beside itself (\"name (copy).pwi\") with its attributes; prints the copy", &RunCopy,
           false);
    simple("delete", "Delete a note with its attributes and alarm", &RunDelete, false);
    auto [moveCommand, mo] = simple("move", "Move a note to a device path or folder (a taken name gets \" (2)\"); for "
                                     "the notes program: rename it (same database) or move it", &RunMove, false);
    moveCommand->add_option("TARGET", mo->target, "Device path or folder, or pwn:DATABASE[:TITLE]")->required();
    auto [alarmCommand, alo] = simple("alarm", "Set a note's alarm: --at, --clear, or answer the alarm question (the "
                                        "proposal, one hour from now on the minute, when not answered)", &RunAlarm,
                               true);
    alarmCommand->add_option("--at", alo->at, "Alarm at YYYY-MM-DDTHH:MM")->type_name("TIME");
    alarmCommand->add_flag("--clear", alo->clear, "Remove the alarm");
}

}  // namespace kstools
