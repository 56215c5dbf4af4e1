// kstools: the command-line face of the KSTools engine.
#include <cstdio>
#include <memory>

#include <CLI/CLI.hpp>

#include "platform/ui/ui_host.h"
#include "tools/kstools/cli_context.h"
#include "tools/kstools/commands.h"

int main(int argc, char** argv)
{
    using namespace kstools;
    CliContext ctx;
    CLI::App app{"kstools: load, filter and inspect personal-information data with the KSTools engine"};
    app.name("kstools");
    app.set_version_flag("--version", std::string("kstools ") + KSTOOLS_VERSION);
    app.require_subcommand(0, 1);
    app.add_option("--home", ctx.home, "Data directory (default: $KSTOOLS_HOME, else ~/.local/share/kstools)")
        ->envname("KSTOOLS_HOME");
    app.add_option("--now", ctx.now, "Pin the clock: YYYY-MM-DDTHH:MM[:SS] (default: $KSTOOLS_NOW)")
        ->envname("KSTOOLS_NOW");
    app.add_option("--locale", ctx.locale, "Pin the locale, e.g. en-US (default: $KSTOOLS_LOCALE)")
        ->envname("KSTOOLS_LOCALE");

    AddStringsCommand(app, ctx);
    AddMatchCommand(app, ctx);
    AddSettingsCommand(app, ctx);
    AddDateCommand(app, ctx);
    AddStoreCommand(app, ctx);
    AddStoreSeedCommand(app, ctx);
    AddDemoCommand(app, ctx);
    AddCategoriesCommand(app, ctx);
    AddJournalCommand(app, ctx);
    AddTasksCommand(app, ctx);
    AddTaskCommand(app, ctx);
    AddProjectsCommand(app, ctx);
    AddCalendarCommand(app, ctx);
    AddRecurCommand(app, ctx);
    AddNoteCommand(app, ctx);
    AddNotesCommand(app, ctx);
    AddContactsCommand(app, ctx);
    AddRenderCommand(app, ctx);
    AddLinksCommand(app, ctx);
    AddTemplatesCommand(app, ctx);
    AddAlarmsCommand(app, ctx);
    AddApptCommand(app, ctx);
    AddViewCommand(app, ctx);
    AddMacroCommand(app, ctx);
    AddPhoneCommands(app, ctx);
    AddContactCommand(app, ctx);
    AddViewsCommand(app, ctx);
    AddSearchCommand(app, ctx);
    AddExchangeCommands(app, ctx);

    // Questions go to the terminal; with no terminal the default answer is taken.
    static TerminalUiHost terminalHost;
    SetUiHost(&terminalHost);

    try {
        app.parse(argc, argv);
        ctx.ApplyToEnvironment();
        bool ran = false;
        for (auto& [command, action] : ctx.actions) {
            if (command->parsed()) {
                action();
                ran = true;
            }
        }
        if (!ran) std::fputs(app.help().c_str(), stdout);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        return kExitOk;
    } catch (const CLI::CallForAllHelp&) {
        std::fputs(app.help("", CLI::AppFormatMode::All).c_str(), stdout);
        return kExitOk;
    } catch (const CLI::CallForVersion& e) {
        std::puts(e.what());
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);
        std::fprintf(stderr, "kstools: %s\nRun 'kstools --help' for the commands and options.\n", e.what());
        return kExitUsage;
    } catch (const CommandError& e) {
        std::fprintf(stderr, "kstools: %s\n", e.what());
        return e.exitCode();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kstools: %s\n", e.what());
        return kExitFailure;
    }
    return ctx.exitCode;
}
