// Task records written straight into "Tasks Database" the way the object
// model leaves them, and a task list run to completion through LoaderHost.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/loader_host.h"
#include "engine/tasks_thread.h"
#include "platform/objectstore/cedb.h"
#include "platform/time/clock.h"
#include "platform/kernel/handle.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/time/system_time.h"
#include "platform/time/variant_time.h"
#include "storage/c_registry.h"
#include "tests/engine/test_loader.h"

namespace tasktest {

// One task record; an absent optional leaves its property out. Dates are
// day numbers (OLE dates).
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

inline FILETIME DayToFileTime(double day)
{
    SYSTEMTIME st{};
    VariantTimeToSystemTime(day, &st);
    FILETIME ft{};
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

inline CEOID WriteTask(const TaskFields& task)
{
    CEOID dbOid = PimDatabases::Oid(kTasksDatabase);
    HANDLE db = CeOpenDatabaseEx(nullptr, &dbOid, nullptr, 0, 0, nullptr);
    if (db == INVALID_HANDLE_VALUE) return 0;
    std::u16string subject = task.subject;
    std::vector<BYTE> categories = task.categories, note = task.note;
    std::vector<CEPROPVAL> props;
    auto add = [&](CEPROPID id) -> CEPROPVAL& {
        props.push_back(CEPROPVAL{});
        props.back().propid = id;
        return props.back();
    };
    add(0x0037001F).val.lpwstr = subject.data();
    add(0x00040002).val.iVal = task.sensitivity;
    add(0x410F0002).val.iVal = task.complete ? 1 : 0;
    if (task.due) add(0x41050040).val.filetime = DayToFileTime(*task.due);
    if (task.start) add(0x41040040).val.filetime = DayToFileTime(*task.start);
    if (task.completed) add(0x410F0040).val.filetime = DayToFileTime(*task.completed);
    if (task.importance) add(0x00260003).val.lVal = *task.importance;
    if (!categories.empty()) {
        CEPROPVAL& p = add(0x00160041);
        p.val.blob.dwCount = static_cast<DWORD>(categories.size());
        p.val.blob.lpb = categories.data();
    }
    if (!note.empty()) {
        CEPROPVAL& p = add(0x00170041);
        p.val.blob.dwCount = static_cast<DWORD>(note.size());
        p.val.blob.lpb = note.data();
    }
    if (task.parent) add(0x2A090005).val.dblVal = *task.parent;
    if (task.percent) add(0x2A110013).val.ulVal = *task.percent;
    const CEOID oid = CeWriteRecordProps(db, 0, static_cast<WORD>(props.size()), props.data());
    CloseHandle(db);
    return oid;
}

// The stored parent property of a task; nothing when it has none.
inline std::optional<double> StoredParent(CEOID task)
{
    CEOID dbOid = PimDatabases::Oid(kTasksDatabase);
    HANDLE db = CeOpenDatabaseEx(nullptr, &dbOid, nullptr, 0, 0, nullptr);
    if (db == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<double> result;
    if (CeSeekDatabase(db, CEDB_SEEK_CEOID, task, nullptr) == task) {
        CEPROPID id = 0x2A090005;
        WORD count = 1;
        LPBYTE buffer = nullptr;
        DWORD size = 0;
        if (CeReadRecordProps(db, CEDB_ALLOWREALLOC, &count, &id, &buffer, &size)) {
            auto* prop = reinterpret_cast<CEPROPVAL*>(buffer);
            if (!(prop->wFlags & CEDB_PROPNOTFOUND)) result = prop->val.dblVal;
        }
        LocalFree(buffer);
    }
    CloseHandle(db);
    return result;
}

inline void SetTaskSetting(const WCHAR* name, ULONG value, const WCHAR* key = kTasksSettingsKey)
{
    CRegistry settings;
    ASSERT_EQ(settings.OpenKey(HKEY_CURRENT_USER, key), 0);
    settings.SetValue(name, value);
}

inline void SetTaskSetting(const WCHAR* name, const WCHAR* text, const WCHAR* key)
{
    CRegistry settings;
    ASSERT_EQ(settings.OpenKey(HKEY_CURRENT_USER, key), 0);
    settings.SetValue(name, text);
}

// A row as a test reads it: "[Header]" for headers, else the subject,
// indented two spaces per depth below the first level of a group.
inline std::string Utf8(const WCHAR* text)
{
    std::string out;
    for (; text && *text; ++text) out += static_cast<char>(*text < 128 ? *text : '?');
    return out;
}

// Runs one full load the way a window does; false when it did not end.
inline bool Load(CTasksThread& loader, LPARAM* reported = nullptr)
{
    LoaderHost host;
    loader.SetNotifyWindow(host.Window());
    const bool ended = host.Run(loader, 60000);
    if (reported) *reported = host.CompletedCount();
    loader.SetNotifyWindow(nullptr);
    return ended;
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
        text.push_back(row->IsHeader() ? "[" + Utf8(row->subject) + "]" : Utf8(row->subject));
    }
    return text;
}

// A fresh data directory with the clock pinned at 10:00 on 7 December 2026.
class TaskStoreTest : public loadertest::LoaderSandbox {
protected:
    void SetUp() override
    {
        loadertest::LoaderSandbox::SetUp();
        SYSTEMTIME now{2026, 12, 1, 7, 10, 0, 0, 0};
        platform::SetPinnedNow(now);
        SYSTEMTIME day{2026, 12, 1, 7, 0, 0, 0, 0};
        DATE t = 0;
        SystemTimeToVariantTime(&day, &t);
        today = t;
    }
    void TearDown() override
    {
        platform::ClearPinnedNow();
        loadertest::LoaderSandbox::TearDown();
    }
    double today = 0;
};

}  // namespace tasktest
