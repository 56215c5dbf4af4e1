// A fresh data directory per journal test, and the journal database as the loaders and older programs see it.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "items/c_journal.h"
#include "platform/base/local_block.h"
#include "platform/kernel/handle.h"
#include "platform/objectstore/cedb.h"
#include "platform/time/clock.h"
#include "platform/time/system_time.h"
#include "storage/c_registry.h"
#include "tests/storage/settings_test_support.h"
#include "tests/support/store_records.h"
#include "tests/support/test_dates.h"

namespace journaltest {

inline SYSTEMTIME Local(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return kstest::Make(year, month, day, hour, minute, second);
}
using kstest::Ft;

// Times compared as the store keeps them (the day of the week is derived).
inline std::uint64_t TimeValue(const SYSTEMTIME& st) { return platform::FileTimeValue(Ft(st)); }

// Opens the journal by name in a sort order, as the loaders do (INVALID_HANDLE_VALUE when missing).
inline HANDLE OpenJournalHandle(CEPROPID sort, const WCHAR* name = kJournalDatabase)
{
    CEOID oid = 0;
    return CeOpenDatabaseEx(nullptr, &oid, name, sort, 0, nullptr);
}

// A record of only these properties in database name (made with the parent sort order if missing).
inline CEOID WriteRaw(std::vector<CEPROPVAL> props, const WCHAR* name = kJournalDatabase)
{
    HANDLE db = OpenJournalHandle(kJournalParent, name);
    if (db == INVALID_HANDLE_VALUE) {
        SORTORDERSPEC sort{kJournalParent, 0};
        if (!CeCreateDatabase(name, 0, 1, &sort)) return 0;
        db = OpenJournalHandle(kJournalParent, name);
        if (db == INVALID_HANDLE_VALUE) return 0;
    }
    const CEOID oid = CeWriteRecordProps(db, 0, static_cast<WORD>(props.size()), props.data());
    CloseHandle(db);
    return oid;
}

using kstest::Prop;

// The records under parent, as the loaders find them (first-equal, then next-equal seeks).
inline std::vector<CEOID> RecordsWithParent(CEOID parent)
{
    std::vector<CEOID> oids;
    HANDLE db = OpenJournalHandle(kJournalParent);
    if (db == INVALID_HANDLE_VALUE) return oids;
    CEPROPVAL key = Prop(kJournalParent, static_cast<LONG>(parent));
    for (CEOID oid = CeSeekDatabase(db, CEDB_SEEK_VALUEFIRSTEQUAL, reinterpret_cast<DWORD_PTR>(&key), nullptr); oid;
         oid = CeSeekDatabase(db, CEDB_SEEK_VALUENEXTEQUAL, reinterpret_cast<DWORD_PTR>(&key), nullptr))
        oids.push_back(oid);
    CloseHandle(db);
    return oids;
}

// The properties a stored record has (strings and blobs point nowhere).
inline std::vector<CEPROPVAL> StoredProps(CEOID record)
{
    std::vector<CEPROPVAL> ids;
    HANDLE db = OpenJournalHandle(kJournalParent);
    if (db == INVALID_HANDLE_VALUE) return ids;
    if (CeSeekDatabase(db, CEDB_SEEK_CEOID, record, nullptr) == record) {
        WORD count = 0;
        platform::LocalBlock buffer;
        DWORD size = 0;
        if (CeReadRecordProps(db, CEDB_ALLOWREALLOC, &count, nullptr, buffer.InOut(), &size)) {
            auto* props = buffer.As<CEPROPVAL>();
            ids.assign(props, props + count);
        }
    }
    CloseHandle(db);
    return ids;
}

inline void SetAutoJournal(const WCHAR* action, ULONG value)
{
    CRegistry settings;
    ASSERT_EQ(settings.OpenKey(HKEY_CURRENT_USER, kAutoJournalKey), 0);
    ASSERT_EQ(settings.SetValue(action, value), 0);
}

using JournalSandbox = StoreSandbox;

}  // namespace journaltest
