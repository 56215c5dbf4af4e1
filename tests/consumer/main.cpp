// A program outside the tree, built against an installed copy of the library:
// it opens the data directory given as its argument, seeds tasks through the
// object model and loads them back through the task list loader. Exit code 0
// when the list holds exactly the seeded subjects.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/loader_host.h"
#include "engine/tasks_thread.h"
#include "items/c_journal.h"  // compiled only: the installed headers must stand alone
#include "items/kstools_entry.h"
#include "platform/files/data_directory.h"
#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/pocket_outlook.h"
#include "platform/text/owned_bstr.h"
#include "storage/c_registry.h"  // compiled only, as above

static int Fail(const char* what)
{
    std::fprintf(stderr, "consumer: %s\n", what);
    return 1;
}

int main(int argc, char** argv)
{
    if (argc != 2) return Fail("usage: consumer DATA-DIRECTORY");
    setenv("KSTOOLS_HOME", argv[1], 1);
    if (!platform::EnsureDeviceRoot()) return Fail("the data directory cannot be made");

    std::vector<std::u16string> seeded = {u"Call the bank", u"Écrire à Zoë", u"Water the plants"};
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
        platform::ComRef<IPOutlookApp> app;
        if (FAILED(CoCreateInstance(CLSID_Application, nullptr, CLSCTX_INPROC_SERVER, IID_IPOutlookApp,
                                    reinterpret_cast<void**>(app.Put()))) ||
            FAILED(app->Logon(0)))
            return Fail("the object model does not start");
        for (const std::u16string& subject : seeded) {
            platform::ComRef<IDispatch> item;
            if (FAILED(app->CreateItem(olTaskItem, item.Put()))) return Fail("no new task");
            auto task = platform::ComRef<ITask>::Query(item.Get());
            platform::OwnedBstr text(subject);
            if (!task || FAILED(task->put_Subject(text)) || FAILED(task->Save())) return Fail("a task is not saved");
        }
        app->Logoff();
    }
    CoUninitialize();

    CTasksThread loader;
    LoaderHost host;
    loader.SetNotifyWindow(host.Window());
    std::vector<std::u16string> loaded;
    host.OnComplete([&](LPARAM) {
        for (DATATASKS* row : loader.GetDataList())
            if (row && !row->IsHeader() && row->subject) loaded.emplace_back(row->subject);
    });
    if (!host.Run(loader, 60000)) return Fail("the task list does not load");
    std::sort(seeded.begin(), seeded.end());
    std::sort(loaded.begin(), loaded.end());
    if (loaded != seeded) return Fail("the task list does not hold the seeded tasks");
    std::printf("consumer: %zu tasks seeded and loaded\n", loaded.size());
    // The error box of the entry header links (no UI host: nobody sees it).
    ShowError(u"%d tasks", static_cast<int>(loaded.size()));
    return 0;
}
