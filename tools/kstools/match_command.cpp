// kstools match PATTERN TEXT... [--json]: the library's wildcard match, the one
// that note and picture file names are matched with.
#include <cstdio>

#include <nlohmann/json.hpp>

#include "foundation/wildmat.h"
#include "platform/text/utf8.h"
#include "tools/kstools/commands.h"

namespace kstools {
namespace {

struct MatchOptions {
    std::string pattern;
    std::vector<std::string> texts;
    bool json = false;
};

void RunMatch(const MatchOptions& options, CliContext& ctx)
{
    std::u16string pattern = Utf8ToWide(options.pattern);
    nlohmann::ordered_json results = nlohmann::ordered_json::array();
    bool any = false;
    for (const std::string& text : options.texts) {
        bool matched = wildmat(Utf8ToWide(text).c_str(), pattern.c_str());
        any = any || matched;
        if (options.json)
            results.push_back({{"text", text}, {"match", matched}});
        else
            std::printf("%s\t%s\n", matched ? "match" : "no match", text.c_str());
    }
    if (options.json) {
        nlohmann::ordered_json out = {{"pattern", options.pattern}, {"results", results}};
        std::puts(out.dump(2).c_str());
    }
    if (!any) ctx.exitCode = kExitFailure;
}

}  // namespace

void AddMatchCommand(CLI::App& app, CliContext& ctx)
{
    auto options = std::make_shared<MatchOptions>();
    CLI::App* cmd = app.add_subcommand(
        "match",
        "Match texts against a wildcard pattern ('*' any run, '?' one character, '\\' makes the next literal; "
        "case-sensitive; a pattern starting with '*' or '?' never matches a name starting with '.'). "
        "Exits 0 when at least one text matches, 1 when none does");
    cmd->add_option("pattern", options->pattern, "Wildcard pattern")->required();
    cmd->add_option("text", options->texts, "Texts to match")->required();
    cmd->add_flag("--json", options->json, "Print {pattern, results: [{text, match}]}");
    ctx.OnRun(cmd, [options, &ctx] { RunMatch(*options, ctx); });
}

}  // namespace kstools
