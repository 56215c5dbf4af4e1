// The personal-information databases and the orders the loaders open them in.
#include "platform/objectmodel/pim_databases.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/kernel/handle.h"
#include "platform/time/system_time.h"
#include "tests/platform/objectstore/cedb_test_support.h"
#include "tests/support/last_error_check.h"

namespace {

using PimDatabasesTest = CedbSandbox;

TEST_F(PimDatabasesTest, MadeOnceAndOpenedTheWayTheLoadersOpenThemTasksByDueDate)
{
    ASSERT_TRUE(PimDatabases::Ensure());
    ASSERT_TRUE(PimDatabases::Ensure());
    HANDLE find = CeFindFirstDatabaseEx(nullptr, 0);
    int count = 0;
    while (CeFindNextDatabaseEx(find, nullptr)) ++count;
    CloseHandle(find);
    EXPECT_EQ(count, 4) << "a second call makes nothing new";

    struct {
        const WCHAR* name;
        CEPROPID sort;
        DWORD flags;
    } opens[] = {
        {u"Appointments Database", kAppointmentStart, 0},
        {u"Tasks Database", 0, 0},
        {u"Tasks Database", kTaskSubject, 0},
        {u"Contacts Database", kContactFileAs, CEDB_AUTOINCREMENT},
        {u"\\Categories Database", 0, 0},
    };
    for (auto& open : opens) {
        CEOID oid = 0;
        HANDLE db = CeOpenDatabaseEx(nullptr, &oid, open.name, open.sort, open.flags, nullptr);
        EXPECT_NE(db, INVALID_HANDLE_VALUE) << std::string(open.name, open.name + 10) << " " << open.sort;
        if (db != INVALID_HANDLE_VALUE) CloseHandle(db);
        EXPECT_EQ(oid, PimDatabases::Oid(open.name));
    }
    EXPECT_TRUE(FAILS_WITH(PimDatabases::Oid(u"Notes Database"), 0u, static_cast<DWORD>(ERROR_INVALID_PARAMETER)));

    // Tasks are read by due date, undated ones last.
    CEOID tasks = PimDatabases::Oid(u"tasks database");
    ASSERT_NE(tasks, 0u) << "names are found without case";
    HANDLE db = CeOpenDatabaseEx(nullptr, &tasks, nullptr, 0, 0, nullptr);
    ASSERT_NE(db, INVALID_HANDLE_VALUE);
    CEPROPVAL late = cedbtest::Time(PropIdNumber(kTaskDueDate), 200),
              early = cedbtest::Time(PropIdNumber(kTaskDueDate), 100);
    CEOID undated = CeWriteRecordProps(db, 0, 0, nullptr);
    CEOID second = CeWriteRecordProps(db, 0, 1, &late);
    CEOID first = CeWriteRecordProps(db, 0, 1, &early);
    ASSERT_TRUE(undated && second && first);
    EXPECT_EQ(CeSeekDatabase(db, CEDB_SEEK_BEGINNING, 0, nullptr), first);
    EXPECT_EQ(CeSeekDatabase(db, CEDB_SEEK_CURRENT, 1, nullptr), second);
    EXPECT_EQ(CeSeekDatabase(db, CEDB_SEEK_CURRENT, 1, nullptr), undated);
    CloseHandle(db);
}

}  // namespace
