#include "tools/kstools/list_watch.h"

#include <cstdio>

#include "engine/store_change_watch.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/text/utf8.h"
#include "tools/kstools/cli_context.h"

namespace kstools {

void AddListWatchOption(CLI::App& cmd, ListWatchOptions& options)
{
    cmd.add_flag("--watch", options.watch,
                 "Print the list again whenever this or another program changes it, until stopped (Ctrl+C)");
}

void PrintWatching(const ListWatchOptions& options, std::initializer_list<const WCHAR*> databases,
                   const std::function<void()>& print)
{
    PrintWatchingChanges(
        options, databases, [](const std::vector<STORECHANGE>&) { return false; }, [&print](bool) { print(); });
}

void PrintWatchingChanges(const ListWatchOptions& options, std::initializer_list<const WCHAR*> databases,
                          const std::function<bool(const std::vector<STORECHANGE>&)>& refresh,
                          const std::function<void(bool refreshed)>& print)
{
    if (!options.watch) {
        print(false);
        return;
    }
    // Watched before the first print, so that no change made while it runs
    // is missed; a new store's databases are made first, as the first item
    // saved would make them.
    PimDatabases::Ensure();
    CStoreChangeWatch watch;
    for (const WCHAR* database : databases) {
        if (!watch.Watch(database))
            throw CommandError("cannot watch the store's \"" + WideToUtf8(database) + "\"");
    }
    print(false);
    std::fflush(stdout);
    for (;;) {
        const std::vector<STORECHANGE> changes = watch.WaitForChanges(INFINITE);
        const bool refreshed = refresh(changes);
        if (!options.json) {
            std::printf("\n-- %zu change%s%s --\n", changes.size(), changes.size() == 1 ? "" : "s",
                        refreshed ? ", rows refreshed" : "");
        }
        print(refreshed);
        std::fflush(stdout);
    }
}

}  // namespace kstools
