// kstools note OID [--set TEXT] [--json]: an appointment's, task's or
// contact's note as the object model reads it, set and saved first when
// asked, so any text can be seen to come back whole. The notes of the notes
// list (add, show, move, copy, delete, alarm) are in note_files_command.cpp.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/pocket_outlook.h"
#include "platform/text/owned_bstr.h"
#include "platform/text/utf8.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/outlook_session.h"
#include "tools/kstools/store_value.h"

namespace kstools {
namespace {

using platform::ComRef;
using platform::OwnedBstr;

struct NoteOptions {
    std::string oid;
    std::optional<std::string> text;
    bool json = false;
};

// Sets (when asked) and reads the note of an item of kind I; nothing when the item is of another kind.
template <class I>
std::optional<std::u16string> NoteOf(IDispatch* item, const std::optional<std::string>& text)
{
    ComRef<I> typed = ComRef<I>::Query(item);
    if (!typed) return std::nullopt;
    if (text) {
        const OwnedBstr body(Utf8ToWide(*text));
        HRESULT hr = typed->put_Body(body);
        if (SUCCEEDED(hr)) hr = typed->Save();
        if (FAILED(hr)) throw CommandError("the note was not saved: error " + HexId(static_cast<DWORD>(hr)));
    }
    OwnedBstr body;
    typed->get_Body(body.Put());
    return std::u16string(body.Get() ? body.Get() : u"");
}

void RunNote(const NoteOptions& options)
{
    const CEOID oid = ParseOid(options.oid);
    OutlookSession session;
    ComRef<IDispatch> item;
    if (FAILED(session.Outlook().GetItemFromOid(static_cast<long>(oid), item.Put())) || !item)
        throw CommandError("no appointment, task or contact has the OID " + HexId(oid));
    std::optional<std::u16string> note = NoteOf<IAppointment>(item.Get(), options.text);
    if (!note) note = NoteOf<ITask>(item.Get(), options.text);
    if (!note) note = NoteOf<IContact>(item.Get(), options.text);
    if (!note) throw CommandError("the item " + HexId(oid) + " has no note");
    if (options.json) {
        std::puts(nlohmann::ordered_json{{"oid", HexId(oid)}, {"note", WideToUtf8(*note)}}.dump(2).c_str());
    } else {
        std::puts(WideToUtf8(*note).c_str());
    }
}

}  // namespace

void AddNoteCommand(CLI::App& app, CliContext& ctx)
{
    CLI::App* note = app.add_subcommand(
        "note", "Show the note of an appointment, task or contact as the object model reads it, or set it first");
    note->footer("Exit codes: 0 done, 1 no such item or the save failed, 2 bad arguments.");
    auto options = std::make_shared<NoteOptions>();
    note->add_option("OID", options->oid, "The item (decimal or 0x-hexadecimal)");
    note->add_option("--set", options->text, "Save this text as the note first (any characters)");
    note->add_flag("--json", options->json, "Print {oid, note}");
    ctx.OnRun(note, [note, options] {
        if (!note->get_subcommands().empty()) return;
        if (options->oid.empty()) throw CommandError("note: give an item's OID or one of the subcommands", kExitUsage);
        RunNote(*options);
    });
    AddNoteFileCommands(*note, ctx);
}

}  // namespace kstools
