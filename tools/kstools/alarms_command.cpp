// kstools alarms [--watch [--once]]: the pending alarms of the user-notification
// store (tasks', appointments' and notes' reminders), and, watching, each one
// shown when its time comes and marked as shown in the store, so that a second
// watcher (they take turns), or the same one restarted, neither repeats nor
// loses one.
//
// An alarm is shown as a desktop notification through libnotify when a
// session bus is there (DBUS_SESSION_BUS_ADDRESS set; the library is loaded
// only then, so that a terminal without a desktop never touches it), and as a
// line on standard output in any case.
#include <dlfcn.h>
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "foundation/ce_mutex.h"
#include "platform/kernel/sync_objects.h"
#include "platform/kernel/tick.h"
#include "platform/objectstore/user_notifications.h"
#include "platform/text/utf8.h"
#include "platform/time/clock.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/date_argument.h"

namespace kstools {
namespace {

using Json = nlohmann::ordered_json;

struct Alarm {
    HANDLE handle = nullptr;
    DWORD status = 0;
    SYSTEMTIME start{};
    std::string application, title, text;
    bool Due() const { return (status & CNS_SIGNALLED) != 0; }
    bool Shown() const { return (status & CNS_HANDLED) != 0; }
};


// The timed notifications of the store that carry something to show.
std::vector<Alarm> ReadAlarms()
{
    DWORD count = 0;
    CeGetUserNotificationHandles(nullptr, 0, &count);
    std::vector<HANDLE> handles(count);
    if (count && !CeGetUserNotificationHandles(handles.data(), count, &count))
        throw CommandError("cannot read the alarms from the store");
    handles.resize(count);
    std::vector<Alarm> alarms;
    for (HANDLE handle : handles) {
        UINT needed = 0;
        CeGetUserNotification(handle, 0, &needed, nullptr);
        if (!needed) continue;  // cleared meanwhile
        std::vector<std::uint64_t> buffer(needed / sizeof(std::uint64_t) + 1);
        auto* bytes = reinterpret_cast<BYTE*>(buffer.data());
        if (!CeGetUserNotification(handle, needed, &needed, bytes)) continue;
        const auto* header = reinterpret_cast<const CE_NOTIFICATION_INFO_HEADER*>(bytes);
        if (!header->pcent || header->pcent->dwType == CNT_EVENT) continue;
        Alarm alarm;
        alarm.handle = handle;
        alarm.status = header->dwStatus;
        alarm.start = header->pcent->stStartTime;
        alarm.application = WideToUtf8(header->pcent->lpszApplication);
        if (header->pceun) {
            alarm.title = WideToUtf8(header->pceun->pwszDialogTitle);
            alarm.text = WideToUtf8(header->pceun->pwszDialogText);
        }
        if (alarm.title.empty()) alarm.title = "Reminder";
        if (alarm.text.empty()) alarm.text = WideToUtf8(header->pcent->lpszArguments);
        alarms.push_back(std::move(alarm));
    }
    return alarms;
}

long HandleNumber(HANDLE handle) { return static_cast<long>(reinterpret_cast<std::uintptr_t>(handle)); }

Json AlarmJson(const Alarm& alarm)
{
    return Json{{"handle", HandleNumber(alarm.handle)}, {"time", FormatIsoDateTime(alarm.start)},
                {"due", alarm.Due()},                   {"application", alarm.application},
                {"title", alarm.title},                 {"text", alarm.text}};
}

// libnotify, loaded on first use when a session bus is there.
class DesktopNotifier {
public:
    DesktopNotifier()
    {
        const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
        if (!bus || !*bus) return;
        m_library = dlopen("libnotify.so.4", RTLD_NOW | RTLD_LOCAL);
        if (!m_library) return;
        m_init = reinterpret_cast<InitFn>(dlsym(m_library, "notify_init"));
        m_uninit = reinterpret_cast<UninitFn>(dlsym(m_library, "notify_uninit"));
        m_new = reinterpret_cast<NewFn>(dlsym(m_library, "notify_notification_new"));
        m_show = reinterpret_cast<ShowFn>(dlsym(m_library, "notify_notification_show"));
        m_unref = reinterpret_cast<UnrefFn>(dlsym(m_library, "g_object_unref"));
        m_freeError = reinterpret_cast<UnrefFn>(dlsym(m_library, "g_error_free"));
        m_ready = m_init && m_uninit && m_new && m_show && m_unref && m_freeError && m_init("kstools");
    }
    ~DesktopNotifier()
    {
        if (m_ready) m_uninit();
        // The library stays loaded: GLib's types cannot be unloaded.
    }
    DesktopNotifier(const DesktopNotifier&) = delete;
    DesktopNotifier& operator=(const DesktopNotifier&) = delete;

    // True when the desktop took the notification.
    bool Show(const std::string& title, const std::string& text)
    {
        if (!m_ready) return false;
        void* notification = m_new(title.c_str(), text.c_str(), nullptr);
        if (!notification) return false;
        void* error = nullptr;
        const bool shown = m_show(notification, &error) != 0;
        m_unref(notification);
        if (error) m_freeError(error);
        return shown;
    }

private:
    using InitFn = int (*)(const char*);
    using UninitFn = void (*)();
    using NewFn = void* (*)(const char*, const char*, const char*);
    using ShowFn = int (*)(void*, void**);
    using UnrefFn = void (*)(void*);

    void* m_library = nullptr;
    InitFn m_init = nullptr;
    UninitFn m_uninit = nullptr;
    NewFn m_new = nullptr;
    ShowFn m_show = nullptr;
    UnrefFn m_unref = nullptr;
    UnrefFn m_freeError = nullptr;
    bool m_ready = false;
};

struct AlarmOptions {
    bool watch = false;
    bool once = false;
    bool json = false;
    int interval = 1;
};

// Watchers of one data directory (named objects live under it) take turns:
// each looks at the store, shows and marks while it holds this mutex, so a
// second watcher sees the first one's marks and never shows an alarm again.
constexpr WCHAR kAlarmWatchMutex[] = u"KstoolsAlarmWatch";

// Holds back the signals that stop a watcher (Ctrl-C, kill, a closed
// terminal) while it lives: a stop asked for between showing an alarm and
// marking it takes effect after the mark.
class StopsHeldBack {
public:
    StopsHeldBack()
    {
        sigset_t stops;
        sigemptyset(&stops);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&stops, signal);
        pthread_sigmask(SIG_BLOCK, &stops, &m_before);
    }
    ~StopsHeldBack() { pthread_sigmask(SIG_SETMASK, &m_before, nullptr); }
    StopsHeldBack(const StopsHeldBack&) = delete;
    StopsHeldBack& operator=(const StopsHeldBack&) = delete;

private:
    sigset_t m_before{};
};

// Shows and marks every alarm that is due and not yet shown; how many.
int FireDue(DesktopNotifier& desktop, bool json)
{
    CeMutex turn;
    if (turn.Create(kAlarmWatchMutex, INFINITE, false) != WAIT_OBJECT_0)
        throw CommandError("cannot take the alarm watchers' lock");
    int fired = 0;
    for (const Alarm& alarm : ReadAlarms()) {
        if (!alarm.Due() || alarm.Shown()) continue;
        // Shown first, then marked: a watcher killed outright between the two
        // shows that alarm again after its restart rather than never.
        const StopsHeldBack held;
        const bool onDesktop = desktop.Show(alarm.title, alarm.text);
        if (json) {
            Json line = AlarmJson(alarm);
            line["desktop"] = onDesktop;
            std::puts(line.dump().c_str());
        } else {
            std::printf("%s  %s: %s\n", FormatIsoDateTime(alarm.start).c_str(), alarm.title.c_str(), alarm.text.c_str());
        }
        std::fflush(stdout);
        MarkUserNotificationHandled(alarm.handle);  // fails only when it was cleared meanwhile
        ++fired;
    }
    return fired;
}

void List(const AlarmOptions& options)
{
    Json rows = Json::array();
    for (const Alarm& alarm : ReadAlarms())
        if (!alarm.Shown()) rows.push_back(AlarmJson(alarm));
    if (options.json) {
        std::puts(rows.dump(2).c_str());
        return;
    }
    if (rows.empty()) std::puts("no pending alarms");
    for (const Json& row : rows)
        std::printf("%-8ld %s%s  %s: %s\n", row["handle"].get<long>(), row["time"].get<std::string>().c_str(),
                    row["due"].get<bool>() ? " (due)" : "", row["title"].get<std::string>().c_str(),
                    row["text"].get<std::string>().c_str());
}

}  // namespace

void AddAlarmsCommand(CLI::App& app, CliContext& ctx)
{
    auto options = std::make_shared<AlarmOptions>();
    CLI::App* alarms = app.add_subcommand("alarms", "List the pending alarms, or watch them and show each when due");
    alarms->add_flag("--watch", options->watch,
                     "Show each alarm when its time comes (on the desktop when there is a session bus, and as a "
                     "line here) and mark it shown in the store");
    alarms->add_flag("--once", options->once, "With --watch: show the alarms due now, then stop");
    alarms->add_option("--interval", options->interval, "With --watch: seconds between looks at the store (1-3600)")
        ->check(CLI::Range(1, 3600));
    alarms->add_flag("--json", options->json,
                     "Print [{handle, time, due, application, title, text}]; watching, one such object per line "
                     "with desktop: whether the desktop showed it");
    alarms->footer("An alarm shown once is never shown again, also after a restart; an alarm moved to a new time "
                   "is pending again. Exit codes: 0 done, 1 the store cannot be read, 2 bad arguments.");
    ctx.OnRun(alarms, [options] {
        if (!options->watch) {
            if (options->once) throw CommandError("--once goes with --watch", kExitUsage);
            List(*options);
            return;
        }
        DesktopNotifier desktop;
        for (;;) {
            FireDue(desktop, options->json);
            if (options->once) return;
            Sleep(static_cast<DWORD>(options->interval) * 1000);
        }
    });
}

}  // namespace kstools
