// kstools macro TEXT [--contact OID] [--json]: a text with its macros
// ("%ld%", "%tmp1%", "%fileas%") expanded as the note and item editors do.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "items/power_macro.h"
#include "platform/text/utf8.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/store_value.h"

namespace kstools {
namespace {

struct MacroOptions {
    std::string text;
    std::optional<std::string> contact;
    bool json = false;
};

void RunMacro(const MacroOptions& o)
{
    long contact = o.contact ? static_cast<long>(ParseOid(*o.contact)) : 0;
    const std::u16string text = Utf8ToWide(o.text);
    std::unique_ptr<WCHAR, decltype(&std::free)> expanded(PowerMacro(text.c_str(), &contact, nullptr), &std::free);
    if (!expanded) throw CommandError("the text could not be expanded (out of memory)");
    const std::string out = WideToUtf8(expanded.get());
    if (o.json) {
        nlohmann::ordered_json json{{"text", out}, {"contact", contact ? nlohmann::ordered_json(HexId(static_cast<DWORD>(contact))) : nlohmann::ordered_json()}};
        std::puts(json.dump(2).c_str());
        return;
    }
    std::puts(out.c_str());
}

}  // namespace

void AddMacroCommand(CLI::App& app, CliContext& ctx)
{
    CLI::App* macro = app.add_subcommand(
        "macro", "Expand the macros of a text: %ts% %tm% %ld% %sd% %dy% %wk%, stopwatches %tmp1%..%tmp4% and "
                 "%dtm1%..%dtm4%, a contact's fields (%fileas% %first% %mobile% %birthday% ...); %s stays");
    macro->footer("A macro name is matched ignoring case; an unknown one vanishes with its percent signs. Without "
                  "--contact, the first contact macro asks for a contact (the question ContactChooser, answered "
                  "with an OID; none: contact macros stay empty). Exit codes: 0 done, 1 failure, 2 bad arguments.");
    auto o = std::make_shared<MacroOptions>();
    macro->add_option("TEXT", o->text, "The text")->required();
    macro->add_option("--contact", o->contact, "The contact of the contact macros (decimal or 0x-hexadecimal)")
        ->type_name("OID");
    macro->add_flag("--json", o->json, "Print {text, contact}");
    ctx.OnRun(macro, [o] { RunMacro(*o); });
}

}  // namespace kstools
