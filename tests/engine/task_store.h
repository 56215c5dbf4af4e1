// Task records written straight into "Tasks Database", and a task list loaded through LoaderHost.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/tasks_thread.h"
#include "platform/base/local_block.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/objectstore/cedb.h"
#include "tests/engine/test_loader.h"

namespace tasktest {

// One task record; an absent optional leaves its property out. Dates are OLE day numbers.
struct TaskFields {
    std::u16string subject;
    std::optional<double> due;
    std::optional<double> start;
    bool complete = false;
    std::optional<double> completed;
    std::optional<LONG> importance;  // as stored: 1 high, 2 normal, 3 low
    SHORT sensitivity = 0;
    std::vector<BYTE> categories;  // empty: no blob
    std::optional<double> parent;  // parent OID (+0.5 expanded)
    std::optional<ULONG> percent;
    std::vector<BYTE> note;
};

using kstest::FtOf;
using loadertest::RunLoad;
using loadertest::Utf8;

inline CEOID WriteTask(const TaskFields& task, CEOID oid = 0)
{
    std::u16string subject = task.subject;
    std::vector<BYTE> categories = task.categories, note = task.note;
    loadertest::PropList p;
    p.Add(kTaskSubject).lpwstr = subject.data();
    p.Add(kTaskSensitivity).iVal = task.sensitivity;
    p.Add(kTaskComplete).iVal = task.complete ? 1 : 0;
    if (task.due) p.Add(kTaskDueDate).filetime = FtOf(*task.due);
    if (task.start) p.Add(kTaskStartDate).filetime = FtOf(*task.start);
    if (task.completed) p.Add(kTaskDateCompleted).filetime = FtOf(*task.completed);
    if (task.importance) p.Add(kTaskImportance).lVal = *task.importance;
    p.Blob(kItemCategories, categories);
    p.Blob(kItemNote, note);
    if (task.parent) p.Add(kTaskParent).dblVal = *task.parent;
    if (task.percent) p.Add(kTaskPercentComplete).ulVal = *task.percent;
    return loadertest::WritePimRecord(kTasksDatabase, p.props, oid);
}

// The stored parent property of a task; nothing when it has none.
inline std::optional<double> StoredParent(CEOID task)
{
    CEOID dbOid = PimDatabases::Oid(kTasksDatabase);
    HANDLE db = CeOpenDatabaseEx(nullptr, &dbOid, nullptr, 0, 0, nullptr);
    if (db == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<double> result;
    if (CeSeekDatabase(db, CEDB_SEEK_CEOID, task, nullptr) == task) {
        CEPROPID id = kTaskParent;
        WORD count = 1;
        platform::LocalBlock buffer;
        DWORD size = 0;
        if (CeReadRecordProps(db, CEDB_ALLOWREALLOC, &count, &id, buffer.InOut(), &size)) {
            auto* prop = buffer.As<CEPROPVAL>();
            if (!(prop->wFlags & CEDB_PROPNOTFOUND)) result = prop->val.dblVal;
        }
    }
    CloseHandle(db);
    return result;
}

// Reads a stored task the way a load does, for a single update.
inline bool ReadTask(CTasksThread& loader, CEOID oid, CeDbRecord& record)
{
    CeDb tasks;
    ULONG ids[kTasksPropertyCount];
    loader.SetPropIds(ids);
    return tasks.Open(kTasksDatabase, 0, 0, nullptr) && tasks.SeekTo(oid) == oid &&
           tasks.ReadRec(record, kTasksPropertyCount, ids);
}

template <class V>
void SetTaskSetting(const WCHAR* name, V value, const WCHAR* key = kTasksSettingsKey)
{
    loadertest::SetSetting(key, name, value);
}

inline bool Load(CTasksThread& loader, LPARAM* reported = nullptr) { return RunLoad(loader, reported); }

// The 1-based list position of the task's first row; -1 when it has none.
inline int PositionOf(CTasksThread& loader, CEOID oid)
{
    int at = 1;
    for (DATATASKS* row : loader.GetDataList()) {
        if (row->oid == oid) return at;
        ++at;
    }
    return -1;
}

// The visible rows, in display order.
inline std::vector<DATATASKS*> Visible(CTasksThread& loader)
{
    std::vector<DATATASKS*> rows;
    int n = 0;
    for (DATATASKS* row : loader.GetDataList()) {
        if (n++ >= loader.GetDisplayedCount()) break;
        rows.push_back(row);
    }
    return rows;
}

inline std::vector<std::string> VisibleText(CTasksThread& loader)
{
    std::vector<std::string> text;
    for (DATATASKS* row : Visible(loader)) {
        std::string shown = Utf8(row->subject);
        text.push_back(row->IsHeader() ? std::string("[").append(shown).append("]") : shown);
    }
    return text;
}

using TaskStoreTest = loadertest::PinnedClockSandbox;

}  // namespace tasktest
