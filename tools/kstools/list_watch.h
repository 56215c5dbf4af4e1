// --watch for the list commands: the list is printed, then printed again
// after each burst of changes that this or another program makes to the
// databases it is made from, until the program is stopped (Ctrl+C, or a
// signal). Text lists are told apart by a line naming how many records
// changed (and ", rows refreshed" when only their rows were read again);
// JSON lists follow each other as whole documents.
#pragma once

#include <functional>
#include <initializer_list>
#include <vector>

#include <CLI/CLI.hpp>

#include "engine/store_change_watch.h"
#include "platform/base/types.h"

namespace kstools {

struct ListWatchOptions {
    bool watch = false;
    bool json = false;  // set by the command: no separator lines between documents
};

// Adds --watch to a list command.
void AddListWatchOption(CLI::App& cmd, ListWatchOptions& options);

// Runs print once; with --watch, again after each burst of changes to the
// databases (by name, in the object store), never returning. Throws
// CommandError when --watch is given and a database cannot be watched.
void PrintWatching(const ListWatchOptions& options, std::initializer_list<const WCHAR*> databases,
                   const std::function<void()>& print);

// As PrintWatching, for a list that can refresh only the rows a burst of
// changes touched: refresh gets each burst and says whether it brought the
// loaded list up to date; print(refreshed) then prints it, loading it first
// when refreshed is false (always the first time).
void PrintWatchingChanges(const ListWatchOptions& options, std::initializer_list<const WCHAR*> databases,
                          const std::function<bool(const std::vector<STORECHANGE>&)>& refresh,
                          const std::function<void(bool refreshed)>& print);

}  // namespace kstools
