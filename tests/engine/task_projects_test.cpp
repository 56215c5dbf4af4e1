// The project database and list: creation of the database, projects added,
// found, removed and read back, and the records other programs may have left.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "../support/scripted_ui_host.h"
#include "engine/task_projects.h"
#include "foundation/ce_string.h"
#include "platform/cedb.h"
#include "platform/error_codes.h"
#include "platform/handle.h"
#include "test_loader.h"
#include "tests/support/test_windows.h"

namespace {

// Access to the protected parts for checks.
class TestProjects : public CTaskProjects {
public:
    using CTaskProjects::CTaskProjects;
    using CTaskProjects::OpenDB;
};

HANDLE OpenRaw(CEOID* oid = nullptr)
{
    CEOID found = 0;
    HANDLE db = CeOpenDatabaseEx(nullptr, &found, kProjectsDatabase, 0, 0, nullptr);
    if (oid) *oid = found;
    return db;
}

// Writes a project record as another program might: name and marker each
// present only when given.
CEOID WriteRawProject(std::optional<std::u16string> name, std::optional<USHORT> marker)
{
    HANDLE db = OpenRaw();
    if (db == INVALID_HANDLE_VALUE) return 0;
    std::vector<CEPROPVAL> props;
    if (name) {
        CEPROPVAL p{};
        p.propid = kProjectNameProperty;
        p.val.lpwstr = name->data();
        props.push_back(p);
    }
    if (marker) {
        CEPROPVAL p{};
        p.propid = kProjectMarkerProperty;
        p.val.uiVal = *marker;
        props.push_back(p);
    }
    const CEOID oid = CeWriteRecordProps(db, 0, static_cast<WORD>(props.size()), props.data());
    CloseHandle(db);
    return oid;
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

// The stored name and marker of one record; nullopt when it is gone.
struct StoredProject {
    std::u16string name;
    std::optional<USHORT> marker;
};
std::optional<StoredProject> ReadRaw(CEOID record)
{
    HANDLE db = OpenRaw();
    if (db == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<StoredProject> result;
    if (CeSeekDatabase(db, CEDB_SEEK_CEOID, record, nullptr) == record) {
        CEPROPID ids[2] = {kProjectNameProperty, kProjectMarkerProperty};
        WORD count = 2;
        LPBYTE buffer = nullptr;
        DWORD size = 0;
        if (CeReadRecordProps(db, CEDB_ALLOWREALLOC, &count, ids, &buffer, &size) == record) {
            auto* props = reinterpret_cast<CEPROPVAL*>(buffer);
            result = StoredProject{};
            if (!(props[0].wFlags & CEDB_PROPNOTFOUND)) result->name = props[0].val.lpwstr;
            if (!(props[1].wFlags & CEDB_PROPNOTFOUND)) result->marker = props[1].val.uiVal;
        }
        if (buffer) LocalFree(buffer);
    }
    CloseHandle(db);
    return result;
}

std::vector<std::u16string> Names(const CePtrList<TASK_PROJECT*>& list)
{
    std::vector<std::u16string> names;
    for (TASK_PROJECT* p : list) names.push_back(static_cast<const WCHAR*>(p->name));
    return names;
}

class TaskProjectsTest : public loadertest::LoaderSandbox {};

TEST_F(TaskProjectsTest, CheckAndCreateDBMakesTheDatabaseWithItsSortOrders)
{
    EXPECT_FALSE(DatabaseInfo().has_value());
    CTaskProjects::CheckAndCreateDB();
    auto info = DatabaseInfo();
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->dwDbaseType, 0u);
    ASSERT_EQ(info->wNumSortOrder, 2);
    EXPECT_EQ(info->rgSortSpecs[0].propid, kProjectNameProperty);
    EXPECT_EQ(info->rgSortSpecs[0].dwFlags, 0u);
    EXPECT_EQ(info->rgSortSpecs[1].propid, kProjectMarkerProperty);
    EXPECT_EQ(info->rgSortSpecs[1].dwFlags, 0u);
    EXPECT_EQ(info->wNumRecords, 0);
}

TEST_F(TaskProjectsTest, CheckAndCreateDBKeepsAnExistingDatabase)
{
    SORTORDERSPEC sort{kProjectNameProperty, 0};
    ASSERT_NE(CeCreateDatabase(kProjectsDatabase, 0, 1, &sort), 0u);
    const CEOID kept = WriteRawProject(u"Garden", USHORT{3});
    ASSERT_NE(kept, 0u);

    CTaskProjects::CheckAndCreateDB();
    EXPECT_EQ(StoredRecordCount(), 1);
    ASSERT_TRUE(ReadRaw(kept).has_value());
    EXPECT_EQ(ReadRaw(kept)->name, u"Garden");
}

TEST_F(TaskProjectsTest, TheCheckRunsOncePerStore)
{
    CTaskProjects::CheckAndCreateDB();
    CEOID dbOid = 0;
    HANDLE db = OpenRaw(&dbOid);
    ASSERT_NE(db, INVALID_HANDLE_VALUE);
    CloseHandle(db);
    ASSERT_TRUE(CeDeleteDatabase(dbOid));

    // The check is not made again, so a database deleted behind the list's
    // back stays missing and the load reports it.
    CTaskProjects::CheckAndCreateDB();
    EXPECT_FALSE(DatabaseInfo().has_value());
    CTaskProjects projects(nullptr);
    EXPECT_EQ(projects.LoadProjects(), nullptr);
    EXPECT_TRUE(projects.GetProjects().IsEmpty());

    // Nor can a project be added; the user is told why.
    ScriptedUiHost host;
    EXPECT_EQ(projects.CreateProject(u"Nowhere"), 0u);
    ASSERT_EQ(host.MessageCount(), 1u);
    CeString expected;
    expected.FormatMessageW(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(host.LastMessage().text, std::u16string(expected));
    EXPECT_TRUE(projects.GetProjects().IsEmpty());
}

TEST_F(TaskProjectsTest, FirstUseCreatesTheDatabase)
{
    TestProjects projects(nullptr);
    EXPECT_TRUE(projects.OpenDB());
    EXPECT_TRUE(projects.OpenDB());  // already open
    EXPECT_TRUE(DatabaseInfo().has_value());
    CePtrList<TASK_PROJECT*>* list = projects.LoadProjects();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list, &projects.GetProjects());
    EXPECT_TRUE(list->IsEmpty());
}

TEST_F(TaskProjectsTest, CreatedProjectsAreStoredAndReadBack)
{
    ULONG garden = 0, house = 0;
    {
        CTaskProjects projects(nullptr);
        house = projects.CreateProject(u"House");
        garden = projects.CreateProject(u"Garden");
        ASSERT_NE(house, 0u);
        ASSERT_NE(garden, 0u);
        EXPECT_NE(house, garden);
        // The list is re-sorted after each addition.
        EXPECT_EQ(Names(projects.GetProjects()), (std::vector<std::u16string>{u"Garden", u"House"}));
    }
    auto stored = ReadRaw(house);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->name, u"House");
    EXPECT_EQ(stored->marker, std::optional<USHORT>(kProjectMarkerValue));

    CTaskProjects again(nullptr);
    ASSERT_NE(again.LoadProjects(), nullptr);
    EXPECT_EQ(Names(again.GetProjects()), (std::vector<std::u16string>{u"Garden", u"House"}));
    TASK_PROJECT* found = again.FindProjectbyID(garden);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->oid, garden);
    EXPECT_EQ(std::u16string(found->name), u"Garden");
}

TEST_F(TaskProjectsTest, ADuplicateNameReturnsTheListedProject)
{
    CTaskProjects projects(nullptr);
    const ULONG first = projects.CreateProject(u"Taxes");
    ASSERT_NE(first, 0u);
    ASSERT_EQ(StoredRecordCount(), 1);

    EXPECT_EQ(projects.CreateProject(u"Taxes"), first);
    EXPECT_EQ(StoredRecordCount(), 1);
    EXPECT_EQ(projects.GetProjects().GetCount(), 1);

    // Names are compared exactly: another case is another project.
    const ULONG other = projects.CreateProject(u"taxes");
    EXPECT_NE(other, 0u);
    EXPECT_NE(other, first);
    EXPECT_EQ(StoredRecordCount(), 2);

    // A list loaded afresh knows the project too.
    CTaskProjects loaded(nullptr);
    ASSERT_NE(loaded.LoadProjects(), nullptr);
    EXPECT_EQ(loaded.CreateProject(u"Taxes"), first);
    EXPECT_EQ(StoredRecordCount(), 2);
}

TEST_F(TaskProjectsTest, NoNameNoProject)
{
    ScriptedUiHost host;
    CTaskProjects projects(nullptr);
    EXPECT_EQ(projects.CreateProject(nullptr), 0u);
    EXPECT_EQ(projects.CreateProject(u""), 0u);
    EXPECT_TRUE(projects.GetProjects().IsEmpty());
    EXPECT_LE(StoredRecordCount(), 0);
    EXPECT_EQ(host.MessageCount(), 0u);
}

TEST_F(TaskProjectsTest, LoadSkipsNamelessRecordsAndSortsByName)
{
    CTaskProjects::CheckAndCreateDB();
    const CEOID beta = WriteRawProject(u"beta", USHORT{3});
    const CEOID upperAlpha = WriteRawProject(u"Alpha", std::nullopt);
    ASSERT_NE(WriteRawProject(std::nullopt, USHORT{3}), 0u);
    ASSERT_NE(WriteRawProject(u"", USHORT{3}), 0u);
    const CEOID zed = WriteRawProject(u"Zed", USHORT{7});
    const CEOID alpha = WriteRawProject(u"alpha", USHORT{3});
    ASSERT_EQ(StoredRecordCount(), 6);

    CTaskProjects projects(nullptr);
    ASSERT_NE(projects.LoadProjects(), nullptr);
    // Ordinal order on 16-bit units: capitals before small letters, unlike
    // the database's own (locale) order.
    EXPECT_EQ(Names(projects.GetProjects()), (std::vector<std::u16string>{u"Alpha", u"Zed", u"alpha", u"beta"}));
    std::vector<DWORD> oids;
    for (TASK_PROJECT* p : projects.GetProjects()) oids.push_back(p->oid);
    EXPECT_EQ(oids, (std::vector<DWORD>{upperAlpha, zed, alpha, beta}));

    // A second load replaces the list rather than adding to it.
    ASSERT_NE(projects.LoadProjects(), nullptr);
    EXPECT_EQ(projects.GetProjects().GetCount(), 4);
}

TEST_F(TaskProjectsTest, FindProjectbyID)
{
    CTaskProjects projects(nullptr);
    EXPECT_EQ(projects.FindProjectbyID(12345), nullptr);  // empty list
    const ULONG a = projects.CreateProject(u"A");
    const ULONG b = projects.CreateProject(u"B");
    EXPECT_EQ(projects.FindProjectbyID(0), nullptr);
    ASSERT_NE(projects.FindProjectbyID(a), nullptr);
    EXPECT_EQ(std::u16string(projects.FindProjectbyID(a)->name), u"A");
    ASSERT_NE(projects.FindProjectbyID(b), nullptr);
    EXPECT_EQ(std::u16string(projects.FindProjectbyID(b)->name), u"B");
    EXPECT_EQ(projects.FindProjectbyID(a + b + 1000), nullptr);
}

TEST_F(TaskProjectsTest, RemoveProjectDeletesRecordAndListEntry)
{
    CTaskProjects projects(nullptr);
    const ULONG keep = projects.CreateProject(u"Keep");
    const ULONG drop = projects.CreateProject(u"Drop");
    ASSERT_EQ(StoredRecordCount(), 2);

    projects.RemoveProject(drop);
    EXPECT_EQ(StoredRecordCount(), 1);
    EXPECT_FALSE(ReadRaw(drop).has_value());
    EXPECT_EQ(projects.FindProjectbyID(drop), nullptr);
    EXPECT_EQ(Names(projects.GetProjects()), (std::vector<std::u16string>{u"Keep"}));

    // A record that cannot be deleted leaves the list alone.
    projects.RemoveProject(drop);
    projects.RemoveProject(0);
    EXPECT_EQ(projects.GetProjects().GetCount(), 1);
    EXPECT_EQ(StoredRecordCount(), 1);

    CTaskProjects loaded(nullptr);
    ASSERT_NE(loaded.LoadProjects(), nullptr);
    ASSERT_EQ(loaded.GetProjects().GetCount(), 1);
    EXPECT_EQ(loaded.GetProjects().GetHead()->oid, keep);

    // The name can be used again once the project is gone.
    const ULONG again = projects.CreateProject(u"Drop");
    EXPECT_NE(again, 0u);
    EXPECT_NE(again, drop);
}

TEST_F(TaskProjectsTest, AFailedAddShowsTheErrorAndReturnsZero)
{
    ScriptedUiHost host;
    kstest::OwnWindow window([](HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); });
    CTaskProjects projects(window.Hwnd());
    ASSERT_NE(projects.CreateProject(u"Small"), 0u);

    // A name of more than a record may hold.
    const std::u16string huge((8u << 20) + 16, u'n');
    EXPECT_EQ(projects.CreateProject(huge.c_str()), 0u);
    EXPECT_EQ(Names(projects.GetProjects()), (std::vector<std::u16string>{u"Small"}));
    EXPECT_EQ(StoredRecordCount(), 1);
    ASSERT_EQ(host.MessageCount(), 1u);
    const auto shown = host.LastMessage();
    EXPECT_EQ(shown.owner, window.Hwnd());
    CeString expected;
    expected.FormatMessageW(ERROR_BAD_LENGTH);
    EXPECT_EQ(shown.text, std::u16string(expected));
    EXPECT_EQ(shown.flags & MB_ICONMASK, MB_ICONERROR);
    kstest::PumpPending();
}

TEST_F(TaskProjectsTest, TheWindowHearsOfChanges)
{
    std::vector<UINT> heard;
    kstest::OwnWindow window([&heard](HWND h, UINT m, WPARAM w, LPARAM l) {
        if (m == DB_CEOID_CREATED || m == DB_CEOID_RECORD_DELETED) heard.push_back(m);
        return DefWindowProcW(h, m, w, l);
    });
    {
        CTaskProjects projects(window.Hwnd());
        ASSERT_NE(projects.LoadProjects(), nullptr);
        ASSERT_NE(WriteRawProject(u"From elsewhere", USHORT{3}), 0u);
        EXPECT_TRUE(kstest::PumpUntil([&] { return !heard.empty(); }, 2000));
        ASSERT_FALSE(heard.empty());
        EXPECT_EQ(heard.front(), DB_CEOID_CREATED);
    }
    kstest::PumpPending();
}

}  // namespace
