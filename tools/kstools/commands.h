// The command families of kstools. Each adds its subcommands to the app; the
// callbacks run after the global options have been applied.
#pragma once

#include <CLI/CLI.hpp>

#include "tools/kstools/cli_context.h"

namespace kstools {

void AddStringsCommand(CLI::App& app, CliContext& ctx);
void AddMatchCommand(CLI::App& app, CliContext& ctx);
void AddSettingsCommand(CLI::App& app, CliContext& ctx);
void AddDateCommand(CLI::App& app, CliContext& ctx);
void AddStoreCommand(CLI::App& app, CliContext& ctx);
// Adds "seed" to the store command; call after AddStoreCommand.
void AddStoreSeedCommand(CLI::App& app, CliContext& ctx);
void AddDemoCommand(CLI::App& app, CliContext& ctx);
void AddCategoriesCommand(CLI::App& app, CliContext& ctx);
void AddJournalCommand(CLI::App& app, CliContext& ctx);
void AddTasksCommand(CLI::App& app, CliContext& ctx);
void AddTaskCommand(CLI::App& app, CliContext& ctx);
void AddProjectsCommand(CLI::App& app, CliContext& ctx);
void AddCalendarCommand(CLI::App& app, CliContext& ctx);
void AddRecurCommand(CLI::App& app, CliContext& ctx);
void AddNoteCommand(CLI::App& app, CliContext& ctx);
// Adds add, show, move, copy, delete and alarm to the note command (called by
// AddNoteCommand).
void AddNoteFileCommands(CLI::App& note, CliContext& ctx);
void AddNotesCommand(CLI::App& app, CliContext& ctx);
void AddContactsCommand(CLI::App& app, CliContext& ctx);
// Adds "recent" and "calls" to the contacts command.
void AddContactListsCommands(CLI::App& contacts, CliContext& ctx);
void AddRenderCommand(CLI::App& app, CliContext& ctx);
void AddLinksCommand(CLI::App& app, CliContext& ctx);
void AddTemplatesCommand(CLI::App& app, CliContext& ctx);
void AddAlarmsCommand(CLI::App& app, CliContext& ctx);
// Adds "appt", and "convert" to the task command; call after AddTaskCommand.
void AddApptCommand(CLI::App& app, CliContext& ctx);
void AddViewCommand(CLI::App& app, CliContext& ctx);
void AddMacroCommand(CLI::App& app, CliContext& ctx);
// Adds "dial", "sms" and "calls".
void AddPhoneCommands(CLI::App& app, CliContext& ctx);
void AddContactCommand(CLI::App& app, CliContext& ctx);
void AddViewsCommand(CLI::App& app, CliContext& ctx);
void AddSearchCommand(CLI::App& app, CliContext& ctx);
// "export" and "import": iCalendar files.
void AddExchangeCommands(CLI::App& app, CliContext& ctx);

}  // namespace kstools
