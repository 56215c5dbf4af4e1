// The task tree: parents from the records, percent rolled up, moves written back, broken links at top level.
#include <gtest/gtest.h>

#include <map>

#include "engine/task_projects.h"
#include "engine/tasks_thread.h"
#include "tests/engine/task_store.h"

using namespace tasktest;

namespace {

class TasksTreeTest : public TaskStoreTest {
protected:
    std::map<std::string, DATATASKS*> RowsBySubject(CTasksThread& loader)
    {
        std::map<std::string, DATATASKS*> rows;
        for (DATATASKS* row : loader.GetDataList()) rows[Utf8(row->subject)] = row;
        return rows;
    }
    // Writes the parent property of a stored task.
    static CEOID SetParent(CEOID task, double parent)
    {
        loadertest::PropList link;
        link.Add(kTaskParent).dblVal = parent;
        return loadertest::WritePimRecord(kTasksDatabase, link.props, task);
    }
    // A project view on a new project.
    CEOID ShowProject(const WCHAR* name)
    {
        CTaskProjects projects(nullptr);
        CTaskProjects::CheckAndCreateDB();
        const CEOID project = projects.CreateProject(name);
        SetTaskSetting(u"TV_FilterData", 42262);
        SetTaskSetting(u"FCCurrentProjectOID", project);
        return project;
    }
};

TEST_F(TasksTreeTest, FractionOfTheParentPropertyOpensTheTaskItself)
{
    const double project = ShowProject(u"House");
    const CEOID p = WriteTask({.subject = u"P", .parent = project + 0.5});
    const CEOID c = WriteTask({.subject = u"C", .parent = p + 0.5});
    WriteTask({.subject = u"G", .parent = static_cast<double>(c)});
    CTasksThread loader;
    ASSERT_TRUE(Load(loader));
    EXPECT_EQ(VisibleText(loader), (std::vector<std::string>{"P", "C", "G"}));
    auto rows = RowsBySubject(loader);
    EXPECT_EQ(rows["C"]->parent, rows["P"]);
    EXPECT_EQ(rows["G"]->depth, 2);
    EXPECT_EQ(loader.GetTreeCount(), 3);

    // 1234.0 rather than 1234.5: C is shown with its children hidden.
    ASSERT_EQ(SetParent(c, static_cast<double>(p)), c);
    ASSERT_TRUE(Load(loader));
    EXPECT_EQ(VisibleText(loader), (std::vector<std::string>{"P", "C"}));
    EXPECT_EQ(loader.GetDataList().GetCount(), 3);
    ASSERT_EQ(SetParent(c, p + 0.5), c);
    ASSERT_TRUE(Load(loader));  // C open again, for the whole-tree calls
    EXPECT_EQ(loader.GetDisplayedTreeCount(), 2);
    EXPECT_EQ(loader.GetProjectFilterOID(), static_cast<DWORD>(project));

    // Collapsing everything leaves the top row and writes each closed link back; expanding shows the tree again.
    loader.ExpandAll(false);
    EXPECT_EQ(VisibleText(loader), std::vector<std::string>{"P"});
    EXPECT_EQ(std::vector({StoredParent(p), StoredParent(c)}), std::vector<std::optional<double>>({project, p}));
    EXPECT_FALSE(loader.IsTreeExpanded());
    loader.ExpandTreeNode(true, RowsBySubject(loader)["P"], true);
    EXPECT_TRUE(loader.IsTreeExpanded());
    EXPECT_EQ(VisibleText(loader), (std::vector<std::string>{"P", "C", "G"}));
    EXPECT_EQ(std::vector({StoredParent(p), StoredParent(c)}),
              std::vector<std::optional<double>>({project + 0.5, p + 0.5}));
    loader.ExpandAll(true);
    const std::vector<std::string> expanded = VisibleText(loader);
    ASSERT_GE(expanded.size(), 2u);
    EXPECT_EQ(expanded[1], "C");
    // Deleting C's subtree takes G with it.
    long position = PositionOf(loader, RowsBySubject(loader)["C"]->oid);
    loader.DeleteChildrenFromTask(position);
    EXPECT_EQ(loader.GetDataList().GetCount(), 1);
}

TEST_F(TasksTreeTest, ParentPercentIsTheMeanOfItsChildren)
{
    const double project = ShowProject(u"Garden");
    const CEOID p = WriteTask({.subject = u"P", .parent = project + 0.5});
    WriteTask({.subject = u"a", .complete = true, .parent = p + 0.5, .percent = 100});
    const CEOID b = WriteTask({.subject = u"b", .parent = p + 0.5, .percent = 50});
    const CEOID c = WriteTask({.subject = u"c", .parent = p + 0.5, .percent = 0});
    CTasksThread loader;
    ASSERT_TRUE(Load(loader));
    auto rows = RowsBySubject(loader);
    EXPECT_EQ(rows["P"]->percentComplete, 50);
    EXPECT_EQ(rows["P"]->complete, 0);

    for (CEOID child : {b, c}) {
        loadertest::PropList done;
        done.Add(kTaskComplete).iVal = 1;
        done.Add(kTaskDateCompleted).filetime = FtOf(today);
        ASSERT_EQ(loadertest::WritePimRecord(kTasksDatabase, done.props, child), child);
    }
    ASSERT_TRUE(Load(loader));
    rows = RowsBySubject(loader);
    EXPECT_EQ(rows["P"]->percentComplete, 100);
    EXPECT_EQ(rows["P"]->complete, 1);
}

TEST_F(TasksTreeTest, MovingASubtreeWritesTheLinkAndRenumbersDepths)
{
    const double project = ShowProject(u"Move");
    const CEOID p = WriteTask({.subject = u"P", .parent = project + 0.5});
    const CEOID q = WriteTask({.subject = u"Q", .parent = project + 0.5});
    const CEOID c = WriteTask({.subject = u"C", .parent = p + 0.5});
    WriteTask({.subject = u"G", .parent = c + 0.5});
    CTasksThread loader;
    ASSERT_TRUE(Load(loader));
    auto rows = RowsBySubject(loader);

    _HIERSTRUCT move{c, q, 1};
    loader.AddTreeNode(&move, PositionOf(loader, rows["C"]->oid), PositionOf(loader, rows["Q"]->oid));
    EXPECT_EQ(rows["C"]->parent, rows["Q"]);
    EXPECT_EQ(rows["P"]->NumChildren(), 0);
    EXPECT_EQ(rows["G"]->depth, 2);
    EXPECT_EQ(StoredParent(c), q + 0.5);

    // Out of its parent, with its child promoted to Q.
    loader.RemoveTreeNode(&move, PositionOf(loader, rows["C"]->oid), true);
    EXPECT_EQ(StoredParent(c), std::nullopt);
    EXPECT_EQ(rows["G"]->parent, rows["Q"]);
    EXPECT_EQ(rows["G"]->depth, 1);
    EXPECT_EQ(StoredParent(rows["G"]->oid), q + 0.5);
    EXPECT_EQ(rows["C"]->depth, 0);

    // A row cannot become a child of its own descendant.
    _HIERSTRUCT loop{q, rows["G"]->oid, 1};
    loader.AddTreeNode(&loop, PositionOf(loader, rows["Q"]->oid), PositionOf(loader, rows["G"]->oid));
    EXPECT_EQ(rows["Q"]->parent, nullptr);
}

// Outside the project view a top-level parent opens by its own stored fraction (0.5 open, 0 closed), or without a
// stored value as "bShowExpanded" says, under every rule.
TEST_F(TasksTreeTest, TopLevelParentOpensByItsOwnValueOrTheSetting)
{
    const CEOID p = WriteTask({.subject = u"P"});
    WriteTask({.subject = u"G", .parent = static_cast<double>(WriteTask({.subject = u"C", .parent = p + 0.5}))});
    SetTaskSetting(u"GroupBy", 8);
    const struct {
        double own;  // -1: none stored
        ULONG showExpanded, rule;
        size_t visible;
    } cases[] = {{0.5, 0, 42250, 3}, {0.0, 1, 42259, 1}, {-1, 1, 42255, 3}, {-1, 0, 42250, 1}};
    for (const auto& c : cases) {
        loadertest::PropList own;
        own.Add(kTaskParent).dblVal = c.own;
        own.props[0].wFlags = c.own < 0 ? CEDB_PROPDELETE : 0;
        ASSERT_EQ(loadertest::WritePimRecord(kTasksDatabase, own.props, p), p);
        SetTaskSetting(u"bShowExpanded", c.showExpanded);
        SetTaskSetting(u"TV_FilterData", c.rule);
        CTasksThread loader;
        ASSERT_TRUE(Load(loader));
        EXPECT_EQ(VisibleText(loader).size(), c.visible) << c.own << "/" << c.showExpanded;
    }
}

// Outside the project view: a parent the filters drop is kept for its child; broken links end at top level.
TEST_F(TasksTreeTest, ParentsKeptAndBrokenLinksEndAtTopLevel)
{
    const CEOID p = WriteTask({.subject = u"done parent", .complete = true, .completed = today});
    WriteTask({.subject = u"child", .parent = p + 0.5});
    // A and B name each other; C names itself; D names a task that is gone.
    const CEOID a = WriteTask({.subject = u"A"});
    const CEOID b = WriteTask({.subject = u"B", .parent = a + 0.5});
    ASSERT_EQ(SetParent(a, b + 0.5), a);
    const CEOID c = WriteTask({.subject = u"C"});
    ASSERT_EQ(SetParent(c, c + 0.5), c);
    WriteTask({.subject = u"D", .parent = 0x7FFF0000 + 0.5});
    SetTaskSetting(u"GroupBy", 8);
    CTasksThread loader;
    ASSERT_TRUE(Load(loader));
    auto rows = RowsBySubject(loader);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows["done parent"]->keptAsParent, 1);
    EXPECT_EQ(rows["child"]->parent, rows["done parent"]);
    EXPECT_EQ(rows["D"]->keptAsParent, 0);
    // The parent was counted once, as a completed task the filters saw.
    EXPECT_EQ(loader.GetIncludedCount(), 6);
    EXPECT_EQ(loader.GetCompletedCount(), 1);
    EXPECT_TRUE(rows["A"]->parent == nullptr || rows["B"]->parent == nullptr);
    EXPECT_EQ(rows["C"]->parent, nullptr);
    EXPECT_EQ(rows["D"]->parent, nullptr);
    EXPECT_EQ(rows["D"]->parentOid, 0u);
    EXPECT_EQ(loader.GetDataList().GetCount(), 6);
}

// A project view drops other projects' tasks with their descendants; deleting a parent promotes its children.
TEST_F(TasksTreeTest, ProjectViewAndDeletedParents)
{
    const double mine = ShowProject(u"Mine");
    CTaskProjects projects(nullptr);
    const double other = projects.CreateProject(u"Other");
    const CEOID theirs = WriteTask({.subject = u"theirs", .parent = other + 0.5});
    const CEOID c = WriteTask({.subject = u"their child", .parent = theirs + 0.5});
    WriteTask({.subject = u"their grandchild", .parent = c + 0.5});
    const CEOID p = WriteTask({.subject = u"P", .parent = mine + 0.5});
    WriteTask({.subject = u"C1", .parent = p + 0.5});
    WriteTask({.subject = u"C2", .parent = p + 0.5});
    WriteTask({.subject = u"loose"});
    CTasksThread loader;
    ASSERT_TRUE(Load(loader));
    EXPECT_EQ(VisibleText(loader), (std::vector<std::string>{"P", "C1", "C2"}));
    EXPECT_EQ(loader.GetDataList().GetCount(), 3);
    auto rows = RowsBySubject(loader);
    loader.DeleteTaskFromThread(PositionOf(loader, rows["P"]->oid));
    loader.SortDataList();
    EXPECT_EQ(VisibleText(loader), (std::vector<std::string>{"C1", "C2"}));
    EXPECT_EQ(StoredParent(rows["C1"]->oid), mine + 0.5);
}

}  // namespace
