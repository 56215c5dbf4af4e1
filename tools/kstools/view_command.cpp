// kstools view tasks|calendar|contacts: the list in a real window on the X
// display, worked by mouse and keyboard as a pocket device's stylus and keys
// work it (see list_view_window.h); Escape with no box open ends it. The
// window shows the same picture as --png of the list command at that size.
#include <cmath>
#include <memory>
#include <string>

#include "engine/calendar_thread.h"
#include "engine/contacts_thread.h"
#include "engine/loader_host.h"
#include "engine/tasks_thread.h"
#include "grid/calendar_list_presenter.h"
#include "grid/contact_list_presenter.h"
#include "grid/task_list_presenter.h"
#include "platform/gdi/display_metrics.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/objectstore/store_schema.h"
#include "platform/messaging/messages.h"
#include "platform/time/clock.h"
#include "platform/time/variant_time.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/date_argument.h"
#include "tools/kstools/list_refresh.h"
#include "tools/kstools/list_view_window.h"
#include "tools/kstools/task_list_snapshot.h"
#include "tools/kstools/x11_presenter.h"

namespace kstools {
namespace {


struct ViewOptions {
    std::string list;
    std::string from;
    int width = 240;
    int height = 320;
    int scale = 1;
    bool day = false;
    bool week = false;
};

LISTCONTENT TaskContent(CTasksThread& loader)
{
    LISTCONTENT content;
    CePtrList<DATATASKS*>& data = loader.GetDataList();
    content.rows = TaskListRows(std::vector<const DATATASKS*>(data.begin(), data.end()));
    return content;
}

// Loads the task list into a new loader, kept for refreshing.
LISTCONTENT LoadTasks(std::unique_ptr<CTasksThread>& kept)
{
    kept.reset();  // one loader at a time
    kept = std::make_unique<CTasksThread>();
    LISTCONTENT content;
    LoadTaskListWith(*kept, [&] { content = TaskContent(*kept); });
    return content;
}

LONG FirstDay(const ViewOptions& o)
{
    SYSTEMTIME day{};
    if (o.from.empty())
        GetLocalTime(&day);
    else
        day = ParseDateArgument(o.from).time;
    day.wHour = day.wMinute = day.wSecond = day.wMilliseconds = 0;
    DATE date = 0;
    SystemTimeToVariantTime(&day, &date);
    return static_cast<LONG>(std::floor(date));
}

LISTCONTENT CalendarContent(const ViewOptions& o, CCalendarThread& loader)
{
    const LONG first = FirstDay(o), last = first + (o.day ? 0 : 6);
    CePtrList<DATACALENDAR*>& data = loader.GetDataList();
    const std::vector<const DATACALENDAR*> list(data.begin(), data.end());
    LISTCONTENT content;
    if (o.day) {
        CALENDARDAYVIEW view = CalendarDayView(list, first);
        content.rows = std::move(view.rows);
        content.floaters = std::move(view.floaters);
    } else if (o.week) {
        content.rows = CalendarWeekRows(list, first);
    } else {
        content.rows = CalendarAgendaRows(list, first, last);
    }
    return content;
}

// Loads the calendar into a new loader, kept for refreshing.
LISTCONTENT LoadCalendar(const ViewOptions& o, std::unique_ptr<CCalendarThread>& kept)
{
    const LONG first = FirstDay(o), last = first + (o.day ? 0 : 6);
    SYSTEMTIME from{}, to{};
    VariantTimeToSystemTime(first, &from);
    VariantTimeToSystemTime(last, &to);
    kept.reset();
    kept = std::make_unique<CCalendarThread>();
    CCalendarThread& loader = *kept;
    loader.SetRestrict(from, to);
    LoaderHost host;
    if (!host.Window()) throw CommandError("no window for the loader");
    loader.SetNotifyWindow(host.Window());
    if (!host.Run(loader, kListLoadTimeoutMs)) throw CommandError("the calendar did not finish loading");
    loader.SetNotifyWindow(nullptr);
    return CalendarContent(o, loader);
}

// The contacts whose names begin with the search (the loader's own typed
// search), the whole list when it is empty.
LISTCONTENT ContactContent(CContactsThread& loader)
{
    LISTCONTENT content;
    content.rows = ContactListRows(
        std::vector<const DATACONTACTS*>(loader.GetDataList().begin(), loader.GetDataList().end()));
    return content;
}

LISTCONTENT LoadContacts(const std::u16string& search, std::unique_ptr<CContactsThread>& kept)
{
    kept.reset();
    kept = std::make_unique<CContactsThread>();
    CContactsThread& loader = *kept;
    if (!search.empty()) loader.SetCompareString(search.c_str(), false, 0);
    LoaderHost host;
    if (!host.Window()) throw CommandError("no window for the loader");
    loader.SetNotifyWindow(host.Window());
    loader.SetLastRowRead(0);
    loader.SetStartListIndex(0);
    if (!host.Run(loader, kListLoadTimeoutMs)) throw CommandError("the contact list did not finish loading");
    const long total = loader.GetTotalNumRecords();
    if (IsContactsNameFormat(loader.Settings().displayFormat) && !loader.IsCompareString() &&
        loader.GetLastRowRead() < total) {
        loader.SetStartListIndex(total);
        if (!host.Run(loader, kListLoadTimeoutMs)) throw CommandError("the contact list did not finish loading");
    }
    loader.SetNotifyWindow(nullptr);
    return ContactContent(loader);
}

void RunView(const ViewOptions& o)
{
    platform::SetDisplayScale(o.scale);
    // The loader of the content shown is kept: a burst of store changes
    // refreshes its rows where it can, else the list loads again.
    ListViewWindow::Loader load;
    ListViewWindow::Refresher refresh;
    if (o.list == "tasks") {
        auto kept = std::make_shared<std::unique_ptr<CTasksThread>>();
        load = [kept](const std::u16string&) { return LoadTasks(*kept); };
        refresh = [kept](const std::vector<STORECHANGE>& changes, LISTCONTENT& content) {
            if (!*kept || !RefreshTaskRows(**kept, changes)) return false;
            content = TaskContent(**kept);
            return true;
        };
    } else if (o.list == "calendar") {
        FirstDay(o);  // a bad --from fails before any window opens
        auto kept = std::make_shared<std::unique_ptr<CCalendarThread>>();
        load = [o, kept](const std::u16string&) { return LoadCalendar(o, *kept); };
        refresh = [o, kept](const std::vector<STORECHANGE>& changes, LISTCONTENT& content) {
            if (!*kept || !RefreshCalendarRows(**kept, changes)) return false;
            content = CalendarContent(o, **kept);
            return true;
        };
    } else {
        auto kept = std::make_shared<std::unique_ptr<CContactsThread>>();
        load = [kept](const std::u16string& search) { return LoadContacts(search, *kept); };
        refresh = [kept](const std::vector<STORECHANGE>& changes, LISTCONTENT& content) {
            if (!*kept || !RefreshContactRows(**kept, changes)) return false;
            content = ContactContent(**kept);
            return true;
        };
    }
    X11Presenter presenter;
    std::string error;
    if (!presenter.Open(error)) throw CommandError(error);
    ListViewWindow view(load, o.list == "contacts");
    view.SetRefresher(refresh);
    if (!view.Create(u"kstools", o.width, o.height)) throw CommandError("cannot make the list's window");
    // The store announces changes as they are made; a new store's databases
    // are made first, so that there is something to watch.
    PimDatabases::Ensure();
    const bool watching = o.list == "tasks"      ? view.WatchStore({kTasksDatabase})
                          : o.list == "contacts" ? view.WatchStore({kContactsDatabase})
                                                 : view.WatchStore({kAppointmentsDatabase, kTasksDatabase,
                                                                    kContactsDatabase});
    if (!watching) throw CommandError("cannot watch the store for changes");
    presenter.Run(view.Window(), u"kstools " + std::u16string(o.list.begin(), o.list.end()), nullptr);
}

}  // namespace

void AddViewCommand(CLI::App& app, CliContext& ctx)
{
    auto o = std::make_shared<ViewOptions>();
    CLI::App* cmd = app.add_subcommand(
        "view", "Show a list in a window on the X display: the wheel, arrows and page keys scroll, a tap selects or "
                "opens and closes a group, a double tap shows a summary, tap and hold a notice; typing searches the "
                "contact list; Escape ends");
    cmd->footer("Exit codes: 0 closed, 1 no display or the list cannot be loaded, 2 bad arguments.");
    cmd->add_option("list", o->list, "tasks, calendar or contacts")
        ->required()
        ->check(CLI::IsMember({"tasks", "calendar", "contacts"}));
    cmd->add_option("--width", o->width, "Width of the window (default 240)")->check(CLI::Range(16, 8000));
    cmd->add_option("--height", o->height, "Height of the window (default 320)")->check(CLI::Range(16, 8000));
    cmd->add_option("--scale", o->scale, "Screen scale: 1 ordinary, 2 double resolution")
        ->check(CLI::IsMember({1, 2}));
    cmd->add_option("--from", o->from, "Calendar: the first day (YYYY-MM-DD, default today)")->type_name("DATE");
    CLI::Option* day = cmd->add_flag("--day", o->day, "Calendar: the day view");
    CLI::Option* week = cmd->add_flag("--week", o->week, "Calendar: the week view (default: the agenda)");
    day->excludes(week);
    ctx.OnRun(cmd, [o] { RunView(*o); });
}

}  // namespace kstools
