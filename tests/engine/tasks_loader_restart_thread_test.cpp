// A large task store loaded while the window keeps restarting the loader: only the last run hands over a list.
// A task list and a calendar loaded at once on two threads: each sorts its tasks by its own settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>
#include <tuple>

#include "engine/calendar_thread.h"
#include "engine/scoped_data_lock.h"
#include "engine/tasks_thread.h"
#include "platform/kernel/tick.h"
#include "platform/messaging/messages.h"
#include "tests/engine/task_store.h"

using namespace tasktest;

namespace {

#if defined(__SANITIZE_THREAD__)
constexpr int kTasks = 3000;  // the race detector makes every step slow
constexpr int kSortedTasks = 300, kConcurrentLoads = 4;
#else
constexpr int kTasks = 20000;
constexpr int kSortedTasks = 1500, kConcurrentLoads = 12;
#endif

class TasksLoaderRestartTest : public TaskStoreTest {};

TEST_F(TasksLoaderRestartTest, LastOfManyRestartsHandsOverEveryTaskOnce)
{
    CEOID dbOid = PimDatabases::Oid(kTasksDatabase);
    HANDLE db = CeOpenDatabaseEx(nullptr, &dbOid, nullptr, 0, 0, nullptr);
    ASSERT_NE(db, INVALID_HANDLE_VALUE);
    for (int i = 0; i < kTasks; ++i) {
        std::u16string subject = u"task";
        for (char ch : std::to_string(i)) subject += static_cast<WCHAR>(ch);
        CEPROPVAL props[2]{};
        props[0].propid = kTaskSubject;
        props[0].val.lpwstr = subject.data();
        props[1].propid = kTaskDueDate;
        props[1].val.filetime = FtOf(today + i % 40);
        ASSERT_NE(CeWriteRecordProps(db, 0, 2, props), 0u);
    }
    CloseHandle(db);
    SetTaskSetting(u"GroupBy", 4);
    SetTaskSetting(u"bShowExpanded", 1);

    LoaderHost host;
    CTasksThread loader;
    loader.SetNotifyWindow(host.Window());
    int handedOver = -1;
    std::set<DWORD> oids;
    int rows = 0;
    host.OnComplete([&](LPARAM count) {
        handedOver = static_cast<int>(count);
        oids.clear();
        rows = 0;
        for (DATATASKS* row : loader.GetDataList()) {
            if (row->IsHeader()) continue;
            ++rows;
            oids.insert(row->oid);
        }
    });
    // Each start stops the run before it; stopped runs hand nothing over, so only the last one is seen.
    auto pumpFor = [&](DWORD ms) {
        MSG msg;
        const DWORD until = GetTickCount() + ms;
        while (GetTickCount() < until) {
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            if (handedOver >= 0 && !loader.IsRunning()) return;
            Sleep(1);
        }
    };
    for (int restart = 0; restart < 6; ++restart) {
        ASSERT_EQ(loader.Start(), 1);
        pumpFor(20 + restart * 15);
        handedOver = -1;
    }
    ASSERT_EQ(loader.Start(), 1);
    pumpFor(120000);
    ASSERT_GE(handedOver, 0) << "the last run did not hand its list over";
    EXPECT_EQ(rows, kTasks);
    EXPECT_EQ(static_cast<int>(oids.size()), kTasks);
    // Every task is visible; the headers in use are too.
    EXPECT_GE(handedOver, kTasks);
    EXPECT_EQ(loader.GetIncludedCount(), kTasks);
    EXPECT_TRUE(ScopedDataLock(loader).Acquired());
}

TEST_F(TasksLoaderRestartTest, TaskListAndCalendarLoadedAtOnceKeepTheirOwnTaskOrders)
{
    for (int i = 0; i < kSortedTasks; ++i) {  // every fourth undated, the others due up to a week ago
        const std::string name = std::to_string(20000 + i * 7919 % kSortedTasks);
        WriteTask({.subject = {name.begin(), name.end()}, .due = i % 4 ? std::optional(today - i % 8) : std::nullopt});
    }
    // The task list: undated first, then due date descending, then subject. The calendar: by subject.
    const std::pair<const WCHAR*, int> sort[] = {{u"TV_Sort0", 2}, {u"TV_SortDescending0", 1}, {u"UndatedTaskSort", 1}};
    for (auto [name, value] : sort) SetTaskSetting(name, value);
    for (auto name : {u"DV_ShowTasks", u"TaskSort"}) loadertest::SetSetting(kCalendarSettingsKey, name, 1);
    auto key = [](const DATATASKS* t) { return std::tuple(t->dueDate < kTaskNoDate, -t->dueDate, Utf8(t->subject)); };
    int faults[2] = {};
    std::thread tasks([&] {
        CTasksThread loader;
        for (int i = 0; i < kConcurrentLoads; ++i) {
            const std::vector<DATATASKS*> rows = Load(loader) ? Visible(loader) : std::vector<DATATASKS*>();
            faults[0] += rows.size() != kSortedTasks ||
                         !std::is_sorted(rows.begin(), rows.end(), [&](auto a, auto b) { return key(a) < key(b); });
        }
    });
    std::thread calendar([&] {
        CCalendarThread loader;
        loader.SetRestrict(kstest::SysOf(today), kstest::SysOf(today));
        for (int i = 0; i < kConcurrentLoads; ++i) {
            std::vector<std::string> rows;
            if (RunLoad(loader))
                for (DATACALENDAR* row : loader.GetDataList())
                    if (row->task) rows.push_back(Utf8(row->task->subject));
            faults[1] += rows.size() != kSortedTasks * 3 / 4 || !std::is_sorted(rows.begin(), rows.end());
        }
    });
    tasks.join();
    calendar.join();
    EXPECT_EQ(std::vector(faults, faults + 2), std::vector({0, 0})) << "loads out of order: task list, calendar";
}

}  // namespace
