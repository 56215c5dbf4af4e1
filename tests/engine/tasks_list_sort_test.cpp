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
#include "task_rows.h"

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

    // The quicksort's result must be a permutation of the input that a
    // stable sort by the same comparison matches position by position up
    // to ties.
    void ExpectSortedLikeStableSort(const std::vector<DATATASKS*>& rows, TasksCompareFn fn, bool ascending,
                                    const char* what)
    {
        CePtrList<DATATASKS*> list(1);
        Fill(list, rows);
        TasksQuickSort(list, fn, ascending);
        std::vector<DATATASKS*> sorted = Items(list);

        std::vector<DATATASKS*> model = rows;
        std::stable_sort(model.begin(), model.end(), [&](DATATASKS* a, DATATASKS* b) {
            return ascending ? fn(a, b, 0) < 0 : fn(a, b, 0) > 0;
        });
        ASSERT_EQ(sorted.size(), model.size()) << what;
        EXPECT_TRUE(std::is_permutation(sorted.begin(), sorted.end(), rows.begin())) << what;
        for (size_t i = 0; i < model.size(); ++i) {
            ASSERT_EQ(fn(sorted[i], model[i], 0), 0) << what << " at " << i;
        }
    }
};

TEST_F(TasksListSortTest, MatchesAStableSortForEveryKeyAndDirection)
{
    std::vector<DATATASKS*> rows = RandomRows(300, 42);
    for (int primary = 0; primary <= 8; ++primary) {
        for (int secondary : {primary, 1, 2, 4}) {
            for (int directions = 0; directions < 4; ++directions) {
                TasksSortState::SetPrefs(SortPrefs(primary, secondary, directions & 1, directions & 2,
                                                   directions < 2 ? -1 : 1));
                std::string what = "keys " + std::to_string(primary) + "/" + std::to_string(secondary) +
                                   " directions " + std::to_string(directions);
                ExpectSortedLikeStableSort(rows, TasksPrimaryComparison(primary), true, what.c_str());
                ExpectSortedLikeStableSort(rows, TasksPrimaryComparison(primary), false,
                                           (what + " descending sort").c_str());
            }
        }
    }
}

TEST_F(TasksListSortTest, ShortListsAreLeftAlone)
{
    CePtrList<DATATASKS*> empty(1);
    TasksQuickSort(empty, &TasksCompareSubject, true);
    EXPECT_EQ(empty.GetCount(), 0);

    CePtrList<DATATASKS*> one(1);
    DATATASKS* row = pool_.Task(1, u"x");
    one.Append(row);
    g_counted = &TasksCompareSubject;
    g_calls = 0;
    TasksQuickSort(one, &Counted, true);
    EXPECT_EQ(g_calls, 0);
    EXPECT_EQ(one.GetAt(1), row);
}

TEST_F(TasksListSortTest, AnOwningListKeepsEachRowOnce)
{
    // The list deletes its rows at the end: a row lost or doubled by the
    // sort shows up as a leak or a double delete.
    auto* list = new CePtrList<DATATASKS*>(1);
    list->SetDeletePolicy(1);
    for (DWORD oid = 1; oid <= 50; ++oid) {
        auto* row = new DATATASKS;
        row->oid = 51 - oid;
        list->Append(row);
    }
    TasksQuickSort(*list, &TasksCompareOID, true);
    DWORD expected = 1;
    for (DATATASKS* row : *list) EXPECT_EQ(row->oid, expected++);
    EXPECT_EQ(list->GetAt(1)->oid, 1u) << "positions follow the new order";
    EXPECT_EQ(list->GetAt(50)->oid, 50u);
    delete list;
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

    struct Case {
        const char* name;
        const std::vector<DATATASKS*>* rows;
        TasksSortPrefs prefs;
    };
    const Case cases[] = {
        {"random by subject", &random, SortPrefs(kTasksSortSubject, kTasksSortDueDate)},
        {"random by priority", &random, SortPrefs(kTasksSortImportance, kTasksSortImportance)},
        {"all equal", &same, SortPrefs(kTasksSortSubject, kTasksSortSubject)},
        {"in order", &same, SortPrefs(kTasksSortSubject, kTasksSortDueDate)},
        {"reversed", &reversed, SortPrefs(kTasksSortSubject, kTasksSortDueDate)},
    };
    for (const Case& c : cases) {
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

TEST_F(TasksListSortTest, TreeSortOrdersEveryLevel)
{
    TasksSortState::SetPrefs(SortPrefs(kTasksSortSubject, kTasksSortSubject));
    std::mt19937 rng(5);
    std::vector<DATATASKS*> all;
    CePtrList<DATATASKS*> top(1);
    // Three levels: each top row has children, each child has children.
    DWORD oid = 1;
    for (int i = 0; i < 6; ++i) {
        DATATASKS* root = pool_.RandomTask(oid++, rng);
        top.Append(root);
        all.push_back(root);
        for (int j = 0; j < 5; ++j) {
            DATATASKS* child = pool_.RandomTask(oid++, rng);
            child->parent = root;
            root->children.Append(child);
            all.push_back(child);
            for (int k = 0; k < 4; ++k) {
                DATATASKS* grandchild = pool_.RandomTask(oid++, rng);
                grandchild->parent = child;
                child->children.Append(grandchild);
                all.push_back(grandchild);
            }
        }
    }
    SortHierTasks(top, &TasksCompareSubject);
    auto expectSorted = [](const CePtrList<DATATASKS*>& list) {
        std::vector<DATATASKS*> items = Items(list);
        for (size_t i = 1; i < items.size(); ++i) EXPECT_LE(TasksCompareSubject(items[i - 1], items[i], 0), 0);
    };
    expectSorted(top);
    for (DATATASKS* row : all) {
        expectSorted(row->children);
        for (DATATASKS* child : row->children) EXPECT_EQ(child->parent, row) << "children stay with their parent";
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

        std::vector<DATATASKS*> headers = Items(top);
        std::vector<DATATASKS*> natural = descending ? std::vector<DATATASKS*>{errands, home, work, none}
                                                     : std::vector<DATATASKS*>{none, errands, home, work};
        EXPECT_EQ(headers, natural) << "descending " << descending;
        std::vector<DATATASKS*> children = Items(home->children);
        std::vector<DATATASKS*> expected =
            descending ? std::vector<DATATASKS*>{b, a, c} : std::vector<DATATASKS*>{a, b, c};
        EXPECT_EQ(children, expected) << "children by the primary comparison, hidden last";
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
    for (unsigned seed = 1; seed <= 30; ++seed) {
        std::mt19937 rng(seed);
        CePtrList<DATATASKS*> top(0);
        std::vector<DATATASKS*> rows;
        DWORD oid = 1;
        // A random forest: every new row hangs under a random earlier row or
        // starts a new tree.
        int count = 1 + static_cast<int>(rng() % 60);
        for (int i = 0; i < count; ++i) {
            DATATASKS* row = pool_.RandomTask(oid++, rng);
            if (rows.empty() || rng() % 4 == 0) {
                top.Append(row);
            } else {
                DATATASKS* parent = rows[rng() % rows.size()];
                row->parent = parent;
                parent->children.Append(row);
            }
            rows.push_back(row);
        }
        // The display list starts with old rows it must not delete.
        CePtrList<DATATASKS*> display(1);
        display.SetDeletePolicy(1);
        for (DATATASKS* row : rows) display.Append(row);

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
        int total = 0;
        for (DATATASKS* row : top) total += 1 + row->TotalNumChildren();
        EXPECT_EQ(display.GetCount(), total);

        // The rows belong to the pool: unlink them before the list goes.
        while (display.GetCount() > 0) display.RemoveAt(1, false);
    }
}

TEST_F(TasksListSortTest, FlatteningAnEmptyTopEmptiesTheDisplay)
{
    CePtrList<DATATASKS*> top(0);
    CePtrList<DATATASKS*> display(1);
    display.SetDeletePolicy(1);
    DATATASKS* kept = pool_.Task(1, u"kept");
    display.Append(kept);
    EXPECT_EQ(LoadHierTasks(top, display), 0);
    EXPECT_EQ(display.GetCount(), 0);
    EXPECT_EQ(kept->oid, 1u) << "the row was not deleted";
}

}  // namespace
