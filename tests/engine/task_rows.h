// Task rows for the sorting tests: a pool that owns rows made with the
// fields a test cares about, and a fixture that pins the locale and the
// process-wide sort state.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/data_tasks.h"
#include "engine/tasks_compare.h"
#include "platform/locale/locale_id.h"
#include "platform/text/wide_string.h"

// Replaces one of a row's owned strings (null leaves it missing).
inline void SetText(WCHAR*& field, const WCHAR* text)
{
    std::free(field);
    field = text ? _wcsdup(text) : nullptr;
}

class TaskRowPool {
public:
    DATATASKS* Task(DWORD oid, const WCHAR* subject)
    {
        auto row = std::make_unique<DATATASKS>();
        row->oid = oid;
        row->subject = _wcsdup(subject);
        row->categories = _wcsdup(u"");
        rows_.push_back(std::move(row));
        return rows_.back().get();
    }
    DATATASKS* Header(const WCHAR* subject, LONG importance = kTaskImportanceNormal)
    {
        DATATASKS* row = Task(0, subject);
        row->importance = importance;
        return row;
    }
    // A task with random keys drawn from small ranges, so that ties on
    // every key are common.
    DATATASKS* RandomTask(DWORD oid, std::mt19937& rng)
    {
        static const WCHAR* const kSubjects[] = {u"alpha", u"Alpha", u"beta", u"gamma", u"", u"delta"};
        static const WCHAR* const kCategories[] = {u"", u"Home", u"Work", u"Home, Work"};
        static const WCHAR* const kLetters[] = {u"", u"A", u"B", u"c"};
        static const WCHAR* const kNumbers[] = {u"", u"1", u"2", u"10"};
        auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        DATATASKS* row = Task(oid, kSubjects[pick(6)]);
        SetText(row->categories, kCategories[pick(4)]);
        wcscpy(row->priorityLetter, kLetters[pick(4)]);
        wcscpy(row->priorityNumber, kNumbers[pick(4)]);
        row->importance = pick(3);
        row->rank = pick(4);
        row->hidden = pick(4) == 0;
        row->complete = pick(2);
        row->completionDate = 45000.0 + pick(3) + pick(2) * 0.5;
        row->dueDate = pick(4) == 0 ? kTaskNoDate : 45000.0 + pick(5) + pick(2) * 0.75;
        row->startDate = pick(4) == 0 ? kTaskNoDate : 44990.0 + pick(5) + pick(2) * 0.25;
        return row;
    }

private:
    std::vector<std::unique_ptr<DATATASKS>> rows_;
};

inline TasksSortPrefs SortPrefs(int primary, int secondary, bool primaryDescending = false,
                                bool secondaryDescending = false, int undated = -1)
{
    return TasksSortPrefs{primary, secondary, primaryDescending, secondaryDescending, undated};
}

class TaskSortFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(platform::SetUserLocaleName("en-US"));
        TasksSortState::SetPrefs(TasksSortPrefs{});
    }
    void TearDown() override
    {
        TasksSortState::SetPrefs(TasksSortPrefs{});
        platform::SetUserLocaleName("");
    }

    TaskRowPool pool_;
};
