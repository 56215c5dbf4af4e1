// Task lists refreshed row by row after store changes, compared with a fresh load of the same store.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "tests/engine/task_store.h"

using namespace tasktest;

namespace {

class TasksRefreshTest : public TaskStoreTest {
protected:
    void SetUp() override
    {
        TaskStoreTest::SetUp();
        cattest::WriteCategories({{u"Home", 0}, {u"Work", 1}});
        ResetFullCategoryList();
    }
};

// Every row of the display list (hidden ones too) and the counters.
std::vector<std::string> TaskRows(CTasksThread& loader)
{
    std::vector<std::string> rows;
    for (DATATASKS* row : loader.GetDataList()) {
        if (row->IsHeader()) {
            rows.push_back("[" + Utf8(row->subject) + "] " + std::to_string(row->NumChildren()) + " " +
                           std::to_string(row->percentComplete) + "%");
            continue;
        }
        rows.push_back(std::to_string(row->oid) + "|" + Utf8(row->subject) + "|" + std::to_string(row->dueDate) +
                       "|" + std::to_string(row->importance) + std::to_string(row->complete) +
                       std::to_string(row->overdue) + std::to_string(row->hidden) + "|" + Utf8(row->categories) +
                       "|" + std::to_string(row->rank) + "|" + std::to_string(row->percentComplete) + "%");
    }
    rows.push_back("counts " + std::to_string(loader.GetIncludedCount()) + " " +
                   std::to_string(loader.GetCompletedCount()) + " " + std::to_string(loader.GetOverdueCount()) + " " +
                   std::to_string(loader.GetDueTodayCount()) + " " + std::to_string(loader.GetHighCount()) + " " +
                   std::to_string(loader.GetNormalCount()) + " " + std::to_string(loader.GetLowCount()) + " " +
                   std::to_string(loader.GetDisplayedCount()));
    return rows;
}

TEST_F(TasksRefreshTest, RefreshedAfterRandomChangesEqualsAFreshLoad)
{
    // Group kinds (0 none, 1 category, 2 importance, 3 priority, 4 progress, 5 completion, 6 date, 7 priority manager),
    // rules (42250 all, 42251 today, 42252 overdue) and two sort keys in both directions.
    const struct {
        int group;
        int rule;
        int showCompleted;
        int sort0, sort1;
        int descending;
        int tasks;  // few: the list empties and fills again
        unsigned seed;
    } cases[] = {{0, 42250, 0, 0, 1, 0, 24, 1}, {0, 42251, 1, 2, 0, 1, 24, 2}, {1, 42250, 1, 1, 2, 0, 24, 3},
                 {2, 42250, 0, 0, 1, 1, 24, 4}, {3, 42252, 1, 1, 0, 0, 24, 5}, {5, 42250, 1, 2, 1, 0, 24, 6},
                 {6, 42250, 0, 1, 2, 1, 24, 7}, {7, 42250, 1, 0, 1, 0, 24, 8}, {2, 42252, 0, 0, 1, 0, 1, 9},
                 {2, 42250, 0, 0, 1, 0, 1, 10}, {5, 42250, 0, 1, 0, 0, 2, 11}, {4, 42250, 1, 0, 1, 0, 24, 12},
                 {5, 42250, 1, 0, 1, 0, 3, 13}};
    const std::u16string subjects[] = {u"call", u"A1 plan", u"B2 Call", u"write", u"a3 write", u""};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seed);
        TearDown();
        SetUp();
        SetTaskSetting(u"GroupBy", c.group);
        SetTaskSetting(u"TV_FilterData", c.rule);
        SetTaskSetting(u"bShowCompleted", c.showCompleted);
        SetTaskSetting(u"TV_Sort0", c.sort0);
        SetTaskSetting(u"TV_Sort1", c.sort1);
        SetTaskSetting(u"TV_SortDescending0", c.descending);
        std::mt19937 random(c.seed);
        auto randomTask = [&] {
            TaskFields task{.subject = subjects[random() % 6], .importance = static_cast<LONG>(1 + random() % 3)};
            if (random() % 4) task.due = today + static_cast<double>(random() % 7) - 3;
            if (random() % 2) task.percent = random() % 3 * 50;
            task.complete = random() % 3 == 0;
            if (task.complete) task.completed = today - 1;
            const unsigned categories = random() % 4;
            if (categories == 1) task.categories = loadertest::BlobOf({0});
            if (categories == 2) task.categories = loadertest::BlobOf({1});
            if (categories == 3) task.categories = loadertest::BlobOf({0, 1});
            return task;
        };
        std::vector<CEOID> oids;
        for (int i = 0; i < c.tasks; ++i) oids.push_back(WriteTask(randomTask()));
        CTasksThread refreshed;
        ASSERT_TRUE(Load(refreshed));
        for (int round = 0; round < 8; ++round) {
            std::vector<CEOID> changed;
            for (int n = 1 + static_cast<int>(random() % 3); n > 0; --n) {
                const size_t at = oids.empty() ? 0 : random() % oids.size();
                const unsigned kind = oids.empty() ? 0 : random() % 3;
                if (kind == 0) oids.push_back(WriteTask(randomTask()));
                if (kind == 1) WriteTask(randomTask(), oids[at]);
                if (kind == 2) {
                    ASSERT_TRUE(loadertest::DeletePimRecord(kTasksDatabase, oids[at]));
                }
                changed.push_back(kind == 0 ? oids.back() : oids[at]);
                if (kind == 2) oids.erase(oids.begin() + static_cast<long>(at));
            }
            const bool inPlace = refreshed.RefreshRecords(changed);
            CTasksThread fresh;
            ASSERT_TRUE(Load(fresh));
            // Only a list left without a task may ask for a full load.
            if (!inPlace) {
                bool anyTask = false;
                for (int i = 1; i <= fresh.GetDataList().GetCount(); ++i)
                    anyTask = anyTask || !fresh.GetDataList().GetAt(i)->IsHeader();
                ASSERT_FALSE(anyTask) << "round " << round;
                ASSERT_TRUE(Load(refreshed));
            }
            ASSERT_EQ(TaskRows(refreshed), TaskRows(fresh)) << "round " << round;
        }
    }
}

TEST_F(TasksRefreshTest, RepeatedRefreshesKeepTheSubjectTextsBounded)
{
    // Ten tasks with long subjects, one renamed per round: old subjects must not pile up for as long as a watch
    // runs, and most rounds still refresh in place.
    std::vector<CEOID> oids;
    for (int i = 0; i < 10; ++i) oids.push_back(WriteTask({.subject = std::u16string(1000, u'a')}));
    CTasksThread loader;
    ASSERT_TRUE(Load(loader));
    const int rounds = 120;
    size_t firstHalfPeak = 0, secondHalfPeak = 0;
    int loads = 0;
    for (int round = 0; round < rounds; ++round) {
        const CEOID oid = oids[static_cast<size_t>(round) % oids.size()];
        WriteTask({.subject = std::u16string(1000, static_cast<char16_t>(u'b' + round % 20))}, oid);
        if (!loader.RefreshRecords({oid})) {
            ++loads;
            ASSERT_TRUE(Load(loader));
        }
        size_t& peak = round < rounds / 2 ? firstHalfPeak : secondHalfPeak;
        peak = std::max(peak, loader.SubjectTextChars());
    }
    EXPECT_LE(secondHalfPeak, firstHalfPeak);
    EXPECT_LE(loads, rounds / 10);
    CTasksThread fresh;
    ASSERT_TRUE(Load(fresh));
    EXPECT_EQ(TaskRows(loader), TaskRows(fresh));
}

TEST_F(TasksRefreshTest, ListsOnlyALoadCanBringUpToDateAreLeftAsTheyAre)
{
    auto setting = [](const WCHAR* name, int value) { return [=](CTasksThread&) { SetTaskSetting(name, value); }; };
    auto selectWork = [](CTasksThread& loader) {
        CCategoryFilterInfo* info = nullptr;
        loader.GetCategoryRestrict(info);
        info->SetSelected(new CePtrList<CFullCategory*>);
        info->m_pSelected->Append(new CFullCategory(u"Work", 1, 0));
        loader.SetCategoryRestrict(false);
    };
    // A project tree, a day rule (each set before the load); after the load: a setting, the day, each category
    // flag, a category selection (with and without manual settings), a new category in the store.
    const struct {
        const WCHAR* setting;
        int value;
        std::function<void(CTasksThread&)> afterLoad;
        bool manual = false;
    } cases[] = {{u"GroupBy", 8, [](CTasksThread&) {}},
                 {u"TV_FilterData", 42261, [](CTasksThread&) {}},
                 {u"GroupBy", 0, setting(u"bShowCompleted", 1)},
                 {u"GroupBy", 0, [](CTasksThread&) { platform::SetPinnedNow(kstest::Make(2026, 12, 8, 10)); }},
                 {u"GroupBy", 0, setting(u"bHideCategories", 1)},
                 {u"GroupBy", 0, setting(u"m_bIncludeNoCat", 1)},
                 {u"GroupBy", 0, setting(u"CategoryANDOR", 1)},
                 {u"GroupBy", 0, selectWork},
                 {u"GroupBy", 0, selectWork, true},
                 {u"GroupBy", 1, [](CTasksThread&) { cattest::WriteCategory(u"Errands", 2); }}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        TearDown();
        SetUp();
        SetTaskSetting(c.setting, c.value);
        const CEOID task = WriteTask({.subject = u"task", .categories = loadertest::BlobOf({0})});
        CTasksThread loader;
        loader.SetManualSettings(c.manual);
        ASSERT_TRUE(Load(loader));
        const std::vector<std::string> before = TaskRows(loader);
        c.afterLoad(loader);
        ASSERT_TRUE(loadertest::DeletePimRecord(kTasksDatabase, task));
        EXPECT_FALSE(loader.RefreshRecords({task}));
        EXPECT_EQ(TaskRows(loader), before);
        // The declined check may have read the new state: the next burst must not refresh either.
        EXPECT_FALSE(loader.RefreshRecords({task}));
    }
}

}  // namespace
