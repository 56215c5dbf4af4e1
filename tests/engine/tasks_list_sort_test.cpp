// The task list's quicksort against a stable sort by the same comparison,
// its cost on large and tie-heavy lists, the tree and group sorts, and the
// flattening of the tree into the display list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "engine/tasks_list_sort.h"
#include "tests/engine/task_rows.h"

namespace {

std::vector<DATATASKS*> Items(const CePtrList<DATATASKS*>& list)
{
    std::vector<DATATASKS*> items;
    for (DATATASKS* row : list) items.push_back(row);
    return items;
}

void Fill(CePtrList<DATATASKS*>& list, const std::vector<DATATASKS*>& rows)
{
    for (DATATASKS* row : rows) list.Append(row);
}

// Counts the calls of the comparison it wraps.
TasksCompareFn g_counted = nullptr;
long g_calls = 0;
int Counted(DATATASKS* const& a, DATATASKS* const& b, unsigned long user)
{
    ++g_calls;
    return g_counted(a, b, user);
}

class TasksListSortTest : public TaskSortFixture {
protected:
    std::vector<DATATASKS*> RandomRows(int count, unsigned seed)
    {
        std::mt19937 rng(seed);
        std::vector<DATATASKS*> rows;
        // Distinct OIDs in no particular order.
        for (int i = 0; i < count; ++i) {
            rows.push_back(pool_.RandomTask(static_cast<DWORD>(1000 + (i * 7919) % 100003), rng));
        }
        return rows;
    }

    // A random forest of count rows: each row hangs under a random earlier
    // row or starts a new tree in top. Returns the rows in the order made.
    std::vector<DATATASKS*> RandomForest(int count, std::mt19937& rng, CePtrList<DATATASKS*>& top)
    {
        std::vector<DATATASKS*> rows;
        for (int i = 0; i < count; ++i) {
            DATATASKS* row = pool_.RandomTask(static_cast<DWORD>(i + 1), rng);
            if (rows.empty() || rng() % 4 == 0) {
                top.Append(row);
            } else {
                row->parent = rows[rng() % rows.size()];
                row->parent->children.Append(row);
            }
            rows.push_back(row);
        }
        return rows;
    }
};

// The quicksort's result must be a permutation of the input that a stable
// sort by the same comparison matches position by position up to ties.
TEST_F(TasksListSortTest, MatchesAStableSortForEveryKeyAndDirection)
{
    const std::vector<DATATASKS*> rows = RandomRows(300, 42);
    for (int primary = 0; primary <= 8; ++primary) {
        for (int secondary : {primary, 1, 2, 4}) {
            for (int directions = 0; directions < 8; ++directions) {
                TasksSortState::SetPrefs(
                    SortPrefs(primary, secondary, directions & 1, directions & 2, directions & 4 ? 1 : -1));
                const TasksCompareFn fn = TasksPrimaryComparison(primary);
                for (bool ascending : {true, false}) {
                    CePtrList<DATATASKS*> list(1);
                    Fill(list, rows);
                    TasksQuickSort(list, fn, ascending);
                    const std::vector<DATATASKS*> sorted = Items(list);
                    std::vector<DATATASKS*> model = rows;
                    std::stable_sort(model.begin(), model.end(), [&](DATATASKS* a, DATATASKS* b) {
                        return ascending ? fn(a, b, 0) < 0 : fn(a, b, 0) > 0;
                    });
                    ASSERT_TRUE(std::is_permutation(sorted.begin(), sorted.end(), rows.begin(), rows.end()));
                    for (size_t i = 0; i < model.size(); ++i) {
                        ASSERT_EQ(fn(sorted[i], model[i], 0), 0)
                            << "keys " << primary << "/" << secondary << " directions " << directions << " ascending "
                            << ascending << " at " << i;
                    }
                }
            }
        }
    }
}

TEST_F(TasksListSortTest, AnOwningListKeepsEachRowOnceAndShortListsAreLeftAlone)
{
    // The list deletes its rows at the end: a row lost or doubled by the
    // sort shows up as a leak or a double delete.
    CePtrList<DATATASKS*> list(1);
    list.SetDeletePolicy(1);
    g_counted = &TasksCompareOID;
    for (DWORD oid = 50; oid >= 1; --oid) {
        auto* row = new DATATASKS;
        row->oid = oid;
        list.Append(row);
        if (oid == 50) {
            g_calls = 0;
            TasksQuickSort(list, &Counted, true);
            EXPECT_EQ(g_calls, 0) << "one row: nothing to compare";
        }
    }
    TasksQuickSort(list, &TasksCompareOID, true);
    for (DWORD oid = 1; oid <= 50; ++oid) EXPECT_EQ(list.GetAt(static_cast<int>(oid))->oid, oid);
}

TEST_F(TasksListSortTest, TwentyThousandRowsSortWithoutQuadraticCost)
{
    const int n = 20000;
    const double budget = 4.0 * n * std::log2(static_cast<double>(n));

    // Random keys with many ties, all distinct keys in order and reversed,
    // and every key equal (same primary and secondary key, so no tie-break).
    std::vector<DATATASKS*> random = RandomRows(n, 7);
    std::vector<DATATASKS*> same;
    for (int i = 0; i < n; ++i) same.push_back(pool_.Task(static_cast<DWORD>(i + 1), u"same"));
    std::vector<DATATASKS*> reversed(same.rbegin(), same.rend());

    const struct {
        const char* name;
        const std::vector<DATATASKS*>* rows;
        TasksSortPrefs prefs;
    } cases[] = {
        {"random by subject", &random, SortPrefs(kTasksSortSubject, kTasksSortDueDate)},
        {"random by priority", &random, SortPrefs(kTasksSortImportance, kTasksSortImportance)},
        {"all equal", &same, SortPrefs(kTasksSortSubject, kTasksSortSubject)},
        {"in order", &same, SortPrefs(kTasksSortSubject, kTasksSortDueDate)},
        {"reversed", &reversed, SortPrefs(kTasksSortSubject, kTasksSortDueDate)},
    };
    for (const auto& c : cases) {
        TasksSortState::SetPrefs(c.prefs);
        CePtrList<DATATASKS*> list(1);
        Fill(list, *c.rows);
        g_counted = TasksPrimaryComparison(c.prefs.primaryKey);
        g_calls = 0;
        TasksQuickSort(list, &Counted, true);
        EXPECT_LT(g_calls, budget) << c.name;
        std::vector<DATATASKS*> sorted = Items(list);
        for (size_t i = 1; i < sorted.size(); ++i) {
            ASSERT_LE(g_counted(sorted[i - 1], sorted[i], 0), 0) << c.name << " at " << i;
        }
    }
}

TEST_F(TasksListSortTest, TreeSortOrdersEveryLevelAndKeepsChildrenWithTheirParents)
{
    TasksSortState::SetPrefs(SortPrefs(kTasksSortSubject, kTasksSortSubject));
    std::mt19937 rng(5);
    CePtrList<DATATASKS*> top(1);
    std::vector<DATATASKS*> all = RandomForest(150, rng, top);
    SortHierTasks(top, &TasksCompareSubject);
    all.push_back(nullptr);  // stands for the top list
    for (DATATASKS* row : all) {
        std::vector<DATATASKS*> items = Items(row ? row->children : top);
        for (size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i]->parent, row) << "children stay with their parent";
            if (i > 0) {
                EXPECT_LE(TasksCompareSubject(items[i - 1], items[i], 0), 0);
            }
        }
    }
}

TEST_F(TasksListSortTest, HeadersStandInTheirComparisonOrderWhateverTheDirection)
{
    for (bool descending : {false, true}) {
        TasksSortState::SetPrefs(SortPrefs(kTasksSortSubject, kTasksSortDueDate, descending));
        CePtrList<DATATASKS*> top(0);
        DATATASKS* none = pool_.Header(u"(none)", kTaskImportanceNone);
        DATATASKS* work = pool_.Header(u"Work");
        DATATASKS* home = pool_.Header(u"Home");
        DATATASKS* errands = pool_.Header(u"Errands");
        errands->hidden = 1;  // not looked at for headers
        for (DATATASKS* header : {work, home, none, errands}) top.Append(header);
        DATATASKS* b = pool_.Task(1, u"b");
        DATATASKS* a = pool_.Task(2, u"a");
        DATATASKS* c = pool_.Task(3, u"c");
        c->hidden = 1;
        for (DATATASKS* task : {b, c, a}) home->children.Append(task);

        SortGroupTasks(top, &TasksCompareSubject, &TasksCompareSubject);

        using Rows = std::vector<DATATASKS*>;
        EXPECT_EQ(Items(top), (descending ? Rows{errands, home, work, none} : Rows{none, errands, home, work}));
        EXPECT_EQ(Items(home->children), (descending ? Rows{b, a, c} : Rows{a, b, c}))
            << "children by the primary comparison, hidden last";
        EXPECT_FALSE(TasksSortState::SecondaryPhase());
        EXPECT_EQ(TasksSortState::Descending(), descending);
    }
}

// The display order the flattening must produce: each row followed by its
// children, depth-first.
void Preorder(DATATASKS* row, std::vector<DATATASKS*>& out)
{
    out.push_back(row);
    for (DATATASKS* child : row->children) Preorder(child, out);
}

TEST_F(TasksListSortTest, FlatteningPutsVisibleRowsFirstInDisplayOrder)
{
    for (unsigned seed = 0; seed <= 30; ++seed) {
        std::mt19937 rng(seed);
        CePtrList<DATATASKS*> top(0);
        std::vector<DATATASKS*> rows = RandomForest(seed == 0 ? 0 : 1 + static_cast<int>(rng() % 60), rng, top);
        // The display list starts with old rows it must not delete.
        CePtrList<DATATASKS*> display(1);
        display.SetDeletePolicy(1);
        for (DATATASKS* row : rows) display.Append(row);
        display.Append(pool_.Task(999, u"old row"));

        int visible = LoadHierTasks(top, display);

        std::vector<DATATASKS*> order;
        for (DATATASKS* row : top) Preorder(row, order);
        std::vector<DATATASKS*> expected;
        for (DATATASKS* row : order) {
            if (!row->hidden) expected.push_back(row);
        }
        const int expectedVisible = static_cast<int>(expected.size());
        for (auto it = order.rbegin(); it != order.rend(); ++it) {
            if ((*it)->hidden) expected.push_back(*it);
        }
        EXPECT_EQ(visible, expectedVisible) << "seed " << seed;
        EXPECT_EQ(Items(display), expected) << "seed " << seed;

        // The rows belong to the pool: unlink them before the list goes.
        while (display.GetCount() > 0) display.RemoveAt(1, false);
    }
}

}  // namespace
