// A large task store loaded while the window keeps restarting the loader: only the last run hands over a list.
#include <gtest/gtest.h>

#include <set>

#include "engine/scoped_data_lock.h"
#include "engine/tasks_thread.h"
#include "platform/kernel/tick.h"
#include "platform/messaging/messages.h"
#include "tests/engine/task_store.h"

using namespace tasktest;

namespace {

#if defined(__SANITIZE_THREAD__)
constexpr int kTasks = 3000;  // the race detector makes every step slow
#else
constexpr int kTasks = 20000;
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

}  // namespace
