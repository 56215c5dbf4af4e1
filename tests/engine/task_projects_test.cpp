// The project database and list: creation, adding, finding, removing, reading back, and other programs' records.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/task_projects.h"
#include "foundation/ce_string.h"
#include "platform/base/error_codes.h"
#include "platform/base/local_block.h"
#include "platform/kernel/handle.h"
#include "platform/objectstore/cedb.h"
#include "tests/engine/test_loader.h"
#include "tests/support/scripted_ui_host.h"
#include "tests/support/test_windows.h"

namespace {

HANDLE OpenRaw(CEOID* oid = nullptr)
{
    CEOID found = 0;
    HANDLE db = CeOpenDatabaseEx(nullptr, &found, kProjectsDatabase, 0, 0, nullptr);
    if (oid) *oid = found;
    return db;
}

// Writes a project record as another program might: name and marker each only when given.
CEOID WriteRawProject(std::optional<std::u16string> name, std::optional<USHORT> marker)
{
    loadertest::PropList p;
    if (name) p.Add(kProjectName).lpwstr = name->data();
    if (marker) p.Add(kProjectMarker).uiVal = *marker;
    return loadertest::WriteRecord(kProjectsDatabase, kProjectName, p.props);
}

std::optional<CEDBASEINFO> DatabaseInfo()
{
    CEOID oid = 0;
    HANDLE db = OpenRaw(&oid);
    if (db == INVALID_HANDLE_VALUE) return std::nullopt;
    CloseHandle(db);
    CEOIDINFO info{};
    if (!CeOidGetInfo(oid, &info) || info.wObjType != OBJTYPE_DATABASE) return std::nullopt;
    return info.infDatabase;
}

int StoredRecordCount()
{
    auto info = DatabaseInfo();
    return info ? info->wNumRecords : -1;
}

// A record's stored "name|marker" ("-": no marker); nullopt when the record is gone.
std::optional<std::u16string> ReadRaw(CEOID record)
{
    HANDLE db = OpenRaw();
    std::optional<std::u16string> result;
    if (db != INVALID_HANDLE_VALUE && CeSeekDatabase(db, CEDB_SEEK_CEOID, record, nullptr) == record) {
        CEPROPID ids[2] = {kProjectName, kProjectMarker};
        WORD count = 2;
        platform::LocalBlock buffer;
        DWORD size = 0;
        if (CeReadRecordProps(db, CEDB_ALLOWREALLOC, &count, ids, buffer.InOut(), &size) == record) {
            auto* props = buffer.As<CEPROPVAL>();
            result = (props[0].wFlags & CEDB_PROPNOTFOUND) ? u"" : props[0].val.lpwstr;
            *result +=
                (props[1].wFlags & CEDB_PROPNOTFOUND) ? u"|-" : u"|" + std::u16string(1, u'0' + props[1].val.uiVal);
        }
    }
    if (db != INVALID_HANDLE_VALUE) CloseHandle(db);
    return result;
}

std::vector<std::u16string> Names(const CePtrList<TASK_PROJECT*>& list)
{
    std::vector<std::u16string> names;
    for (TASK_PROJECT* p : list) names.push_back(static_cast<const WCHAR*>(p->name));
    return names;
}

class TaskProjectsTest : public loadertest::LoaderSandbox {};

TEST_F(TaskProjectsTest, CheckAndCreateDBMakesTheDatabaseOncePerStore)
{
    EXPECT_FALSE(DatabaseInfo().has_value());
    CTaskProjects::CheckAndCreateDB();
    auto info = DatabaseInfo();
    ASSERT_TRUE(info.has_value());
    ASSERT_EQ(info->wNumSortOrder, 2);
    EXPECT_EQ(info->rgSortSpecs[0].propid, kProjectName);
    EXPECT_EQ(info->rgSortSpecs[1].propid, kProjectMarker);
    EXPECT_EQ(info->rgSortSpecs[0].dwFlags | info->rgSortSpecs[1].dwFlags, 0u);

    CEOID dbOid = 0;
    HANDLE db = OpenRaw(&dbOid);
    ASSERT_NE(db, INVALID_HANDLE_VALUE);
    CloseHandle(db);
    ASSERT_TRUE(CeDeleteDatabase(dbOid));

    // Not checked again: a database deleted behind the list's back stays missing; no project can be added.
    CTaskProjects::CheckAndCreateDB();
    EXPECT_FALSE(DatabaseInfo().has_value());
    CTaskProjects projects(nullptr);
    EXPECT_EQ(projects.LoadProjects(), nullptr);
    ScriptedUiHost host;
    EXPECT_EQ(projects.CreateProject(u"Nowhere"), 0u);
    ASSERT_EQ(host.MessageCount(), 1u);
    CeString expected;
    expected.FormatMessageW(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(host.LastMessage().text, std::u16string(expected));
    EXPECT_TRUE(projects.GetProjects().IsEmpty());
}

TEST_F(TaskProjectsTest, CreatedProjectsAreStoredFoundAndReadBack)
{
    ScriptedUiHost host;
    ULONG garden = 0, house = 0;
    {
        CTaskProjects projects(nullptr);
        ASSERT_NE(projects.LoadProjects(), nullptr) << "the database is made on first use";
        EXPECT_EQ(projects.CreateProject(nullptr), 0u);
        EXPECT_EQ(projects.CreateProject(u""), 0u);
        EXPECT_EQ(StoredRecordCount(), 0);
        house = projects.CreateProject(u"House");
        garden = projects.CreateProject(u"Garden");
        ASSERT_NE(house, 0u);
        ASSERT_NE(garden, 0u);
        EXPECT_NE(house, garden);
        // The list is re-sorted after each addition.
        EXPECT_EQ(Names(projects.GetProjects()), (std::vector<std::u16string>{u"Garden", u"House"}));
        // A listed name gives its project; names are compared exactly.
        EXPECT_EQ(projects.CreateProject(u"House"), house);
        EXPECT_EQ(StoredRecordCount(), 2);
        EXPECT_NE(projects.CreateProject(u"house"), house);
        EXPECT_EQ(StoredRecordCount(), 3);
    }
    EXPECT_EQ(host.MessageCount(), 0u);
    EXPECT_EQ(ReadRaw(house), u"House|3");

    CTaskProjects again(nullptr);
    EXPECT_EQ(again.FindProjectbyID(garden), nullptr) << "not loaded yet";
    ASSERT_NE(again.LoadProjects(), nullptr);
    EXPECT_EQ(Names(again.GetProjects()), (std::vector<std::u16string>{u"Garden", u"House", u"house"}));
    EXPECT_EQ(again.CreateProject(u"Garden"), garden) << "a loaded list knows its projects too";
    EXPECT_EQ(StoredRecordCount(), 3);
    for (ULONG oid : {garden, house}) {
        TASK_PROJECT* found = again.FindProjectbyID(oid);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(std::u16string(found->name), oid == garden ? u"Garden" : u"House");
    }
    EXPECT_EQ(again.FindProjectbyID(0), nullptr);
    EXPECT_EQ(again.FindProjectbyID(garden + house + 1000), nullptr);

    // Removing deletes the record, then the list entry; a record that cannot be deleted leaves the list alone.
    again.RemoveProject(garden);
    EXPECT_FALSE(ReadRaw(garden).has_value());
    EXPECT_EQ(again.FindProjectbyID(garden), nullptr);
    again.RemoveProject(garden);
    again.RemoveProject(0);
    EXPECT_EQ(Names(again.GetProjects()), (std::vector<std::u16string>{u"House", u"house"}));
    EXPECT_EQ(StoredRecordCount(), 2);
    // The name can be used again once the project is gone.
    const ULONG reborn = again.CreateProject(u"Garden");
    EXPECT_NE(reborn, 0u);
    EXPECT_NE(reborn, garden);
}

TEST_F(TaskProjectsTest, LoadSkipsNamelessRecordsAndSortsByName)
{
    // A database left by another program, with a sort order of its own, is kept.
    SORTORDERSPEC sort{kProjectName, 0};
    ASSERT_NE(CeCreateDatabase(kProjectsDatabase, 0, 1, &sort), 0u);
    const CEOID beta = WriteRawProject(u"beta", USHORT{3});
    const CEOID upperAlpha = WriteRawProject(u"Alpha", std::nullopt);
    ASSERT_NE(WriteRawProject(std::nullopt, USHORT{3}), 0u);
    ASSERT_NE(WriteRawProject(u"", USHORT{3}), 0u);
    const CEOID zed = WriteRawProject(u"Zed", USHORT{7});
    const CEOID alpha = WriteRawProject(u"alpha", USHORT{3});
    CTaskProjects::CheckAndCreateDB();
    ASSERT_EQ(StoredRecordCount(), 6);
    EXPECT_EQ(ReadRaw(upperAlpha), u"Alpha|-");

    CTaskProjects projects(nullptr);
    ASSERT_NE(projects.LoadProjects(), nullptr);
    // A second load replaces the list rather than adding to it.
    ASSERT_NE(projects.LoadProjects(), nullptr);
    // Ordinal order on 16-bit units (capitals first), unlike the database's own locale order.
    EXPECT_EQ(Names(projects.GetProjects()), (std::vector<std::u16string>{u"Alpha", u"Zed", u"alpha", u"beta"}));
    std::vector<DWORD> oids;
    for (TASK_PROJECT* p : projects.GetProjects()) oids.push_back(p->oid);
    EXPECT_EQ(oids, (std::vector<DWORD>{upperAlpha, zed, alpha, beta}));
}

TEST_F(TaskProjectsTest, TheWindowHearsOfChangesAndOfAFailedAdd)
{
    ScriptedUiHost host;
    std::vector<UINT> heard;
    kstest::OwnWindow window([&heard](HWND h, UINT m, WPARAM w, LPARAM l) {
        if (m == DB_CEOID_CREATED || m == DB_CEOID_RECORD_DELETED) heard.push_back(m);
        return DefWindowProcW(h, m, w, l);
    });
    {
        CTaskProjects projects(window.Hwnd());
        ASSERT_NE(projects.CreateProject(u"Small"), 0u);
        ASSERT_NE(WriteRawProject(u"From elsewhere", USHORT{3}), 0u);
        ASSERT_TRUE(kstest::PumpUntil([&] { return !heard.empty(); }, 2000));
        EXPECT_EQ(heard.front(), DB_CEOID_CREATED);

        // A name of more than a record may hold: the window's owner is told why.
        const std::u16string huge((8u << 20) + 16, u'n');
        EXPECT_EQ(projects.CreateProject(huge.c_str()), 0u);
        EXPECT_EQ(Names(projects.GetProjects()), (std::vector<std::u16string>{u"Small"}));
        EXPECT_EQ(StoredRecordCount(), 2);
        ASSERT_EQ(host.MessageCount(), 1u);
        const auto shown = host.LastMessage();
        EXPECT_EQ(shown.owner, window.Hwnd());
        CeString expected;
        expected.FormatMessageW(ERROR_BAD_LENGTH);
        EXPECT_EQ(shown.text, std::u16string(expected));
        EXPECT_EQ(shown.flags & MB_ICONMASK, MB_ICONERROR);
    }
    kstest::PumpPending();
}

}  // namespace
