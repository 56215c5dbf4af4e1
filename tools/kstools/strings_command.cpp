// kstools strings [ID...] [--json]: the texts of the suite's string table.
#include <cstdio>

#include <nlohmann/json.hpp>

#include "platform/modules/string_resources.h"
#include "platform/text/utf8.h"
#include "tools/kstools/commands.h"

namespace kstools {
namespace {

struct StringsOptions {
    std::vector<UINT> ids;
    bool json = false;
};

void RunStrings(const StringsOptions& options)
{
    const StringTable& table = ApplicationStringTable();
    std::vector<UINT> ids = options.ids.empty() ? table.ids() : options.ids;

    std::vector<UINT> missing;
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    for (UINT id : ids) {
        const std::u16string* text = table.find(id);
        if (!text) {
            missing.push_back(id);
            continue;
        }
        std::string utf8 = WideToUtf8(*text);
        if (options.json)
            json[std::to_string(id)] = utf8;
        else
            std::printf("%u\t%s\n", id, utf8.c_str());
    }
    if (options.json) std::puts(json.dump(2).c_str());
    if (!missing.empty()) {
        std::string list;
        for (UINT id : missing) list += (list.empty() ? "" : ", ") + std::to_string(id);
        throw CommandError("the string table has no string " + list);
    }
}

}  // namespace

void AddStringsCommand(CLI::App& app, CliContext& ctx)
{
    auto options = std::make_shared<StringsOptions>();
    CLI::App* cmd =
        app.add_subcommand("strings", "Show texts of the suite's string table (all of them when no ID is given)");
    cmd->add_option("id", options->ids, "String numbers")->check(CLI::Range(0u, 65535u));
    cmd->add_flag("--json", options->json, "Print one JSON object of id: text");
    ctx.OnRun(cmd, [options] { RunStrings(*options); });
}

}  // namespace kstools
