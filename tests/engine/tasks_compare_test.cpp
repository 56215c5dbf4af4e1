// Task row order. Sections: Task rows (the pool, the sort fixture); Comparisons (keys, hidden and undated rows,
// tie-breaks, parent chains); List sorts (quicksort vs a stable sort, costs, tree and group sorts, flattening).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/data_tasks.h"
#include "engine/tasks_compare.h"
#include "engine/tasks_list_sort.h"
#include "platform/locale/locale_id.h"
#include "platform/text/wide_string.h"

namespace {

// ---- Task rows ----

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
    // A task with random keys from small ranges, so ties on every key are common.
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
        TasksSortState::Current().SetPrefs(TasksSortPrefs{});
    }
    void TearDown() override
    {
        TasksSortState::Current().SetPrefs(TasksSortPrefs{});
        platform::SetUserLocaleName("");
    }

    TaskRowPool pool_;
};

// ---- Comparisons ----

int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

int Cmp(TasksCompareFn fn, DATATASKS* a, DATATASKS* b) { return Sign(fn(a, b, 0)); }

// fn puts the rows in this order: each row before the next, both ways round.
void ExpectOrder(TasksCompareFn fn, std::initializer_list<DATATASKS*> rows, const std::string& what = "")
{
    for (auto it = rows.begin(); it + 1 != rows.end(); ++it) {
        EXPECT_EQ(Cmp(fn, it[0], it[1]), -1) << what << " at " << (it - rows.begin());
        EXPECT_EQ(Cmp(fn, it[1], it[0]), 1) << what << " at " << (it - rows.begin());
    }
}

// The keyed comparisons, which put visible rows first.
const std::pair<const char*, TasksCompareFn> kKeyed[] = {
    {"Subject", &TasksCompareSubject},   {"StartDate", &TasksCompareStartDate}, {"DueDate", &TasksCompareDueDate},
    {"Category", &TasksCompareCategory}, {"Priority", &TasksComparePriority},   {"Completion", &TasksCompareCompletion},
};

class TasksCompareTest : public TaskSortFixture {
protected:
    // Makes the direction of the primary key current.
    void Use(const TasksSortPrefs& prefs) { TasksSortState::Current().SetPrefs(prefs); }
};

TEST_F(TasksCompareTest, VisibleRowsGoFirstInBothDirectionsExceptInTheSecondaryPhase)
{
    // The hidden row wins on every key, so only the hidden step can put it last.
    DATATASKS* visible = pool_.Task(2, u"zulu");
    visible->dueDate = visible->startDate = visible->completionDate = 45100.0;
    visible->complete = 1;
    wcscpy(visible->priorityLetter, u"Z");
    visible->importance = kTaskImportanceLow;
    SetText(visible->categories, u"Zoo");
    DATATASKS* hidden = pool_.Task(1, u"alpha");
    hidden->hidden = 1;
    hidden->dueDate = hidden->startDate = 45000.0;
    wcscpy(hidden->priorityLetter, u"A");
    hidden->importance = kTaskImportanceHigh;
    SetText(hidden->categories, u"Aardvark");

    for (bool descending : {false, true}) {
        Use(SortPrefs(kTasksSortImportance, kTasksSortImportance, descending, descending));
        for (auto [name, fn] : kKeyed) ExpectOrder(fn, {visible, hidden}, name);
    }
    Use(SortPrefs(kTasksSortImportance, kTasksSortImportance));
    TasksSortState::Current().BeginSecondaryPhase();
    for (auto [name, fn] : kKeyed) EXPECT_EQ(Cmp(fn, hidden, visible), -1) << name << " ignores the hidden flag";
}

TEST_F(TasksCompareTest, TextsFollowTheLocaleOrderAndTheDirection)
{
    DATATASKS* missing = pool_.Task(2, u"");
    SetText(missing->subject, nullptr);
    SetText(missing->categories, nullptr);
    DATATASKS* empty = pool_.Task(1, u"");
    DATATASKS* apple = pool_.Task(3, u"apple");
    DATATASKS* upper = pool_.Task(4, u"APPLE");
    DATATASKS* banana = pool_.Task(5, u"Banana");
    SetText(apple->categories, u"home");
    SetText(banana->categories, u"Work");
    // The no-value header goes first in both directions; other headers, and tasks of that importance, by subject.
    DATATASKS* none = pool_.Header(u"zzz none", kTaskImportanceNone);
    DATATASKS* header = pool_.Header(u"b");
    apple->importance = kTaskImportanceNone;

    // Code-unit order would put "B" before "a"; case counts; a missing text is empty and the OID breaks the tie.
    Use(SortPrefs(kTasksSortSubject, kTasksSortDueDate));
    ExpectOrder(&TasksCompareSubject, {none, empty, missing, apple, upper, header, banana});
    ExpectOrder(&TasksCompareCategory, {empty, missing, apple, banana});
    Use(SortPrefs(kTasksSortSubject, kTasksSortDueDate, true));
    ExpectOrder(&TasksCompareSubject, {none, banana, header, upper, apple});
    ExpectOrder(&TasksCompareCategory, {banana, apple, empty});
}

TEST_F(TasksCompareTest, DatesCompareAsWholeDaysWithUndatedRowsWhereTheSettingSays)
{
    for (auto fn : {&TasksCompareDueDate, &TasksCompareStartDate}) {
        const bool due = fn == &TasksCompareDueDate;
        const int key = due ? kTasksSortDueDate : kTasksSortStartDate;
        auto task = [&](DWORD oid, const WCHAR* subject, double date) {
            DATATASKS* row = pool_.Task(oid, subject);
            (due ? row->dueDate : row->startDate) = date;
            return row;
        };
        DATATASKS* morning = task(1, u"b", 45000.2);
        DATATASKS* evening = task(2, u"a", 45000.9);
        DATATASKS* nextDay = task(3, u"a", 45001.1);
        DATATASKS* late = task(4, u"a", 401000.0);
        DATATASKS* undated = task(5, u"b", kTaskNoDate);
        DATATASKS* undated2 = task(6, u"a", kTaskNoDate);
        // Same day: the subject decides, although the times differ.
        Use(SortPrefs(key, kTasksSortSubject));
        ExpectOrder(fn, {evening, morning, nextDay, late, undated2, undated}, due ? "due" : "start");
        Use(SortPrefs(key, kTasksSortSubject, true));
        ExpectOrder(fn, {nextDay, evening, undated2}, "descending");
        // The undated setting holds in both directions.
        for (bool descending : {false, true}) {
            Use(SortPrefs(key, kTasksSortSubject, descending, false, 1));
            ExpectOrder(fn, {undated, late}, "undated first");
        }
    }
}

TEST_F(TasksCompareTest, CompletionPutsOpenTasksFirstThenCompletionDays)
{
    DATATASKS* open = pool_.Task(1, u"z");
    DATATASKS* open2 = pool_.Task(5, u"a");
    DATATASKS* early = pool_.Task(2, u"y");
    DATATASKS* late = pool_.Task(3, u"a");
    DATATASKS* lateSameDay = pool_.Task(4, u"b");
    early->complete = late->complete = lateSameDay->complete = 1;
    early->completionDate = 45000.9;
    late->completionDate = 45001.1;
    lateSameDay->completionDate = 45001.8;
    open->completionDate = 1.0;  // ignored for an open task
    Use(SortPrefs(kTasksSortCompletion, kTasksSortSubject));
    ExpectOrder(&TasksCompareCompletion, {open2, open, early, late, lateSameDay});
    Use(SortPrefs(kTasksSortCompletion, kTasksSortSubject, true));
    ExpectOrder(&TasksCompareCompletion, {late, early, open});
}

TEST_F(TasksCompareTest, PriorityLettersThenNumbersByValueWithImportanceUnderItsKey)
{
    // OID 0 makes a header.
    auto task = [&](DWORD oid, const WCHAR* letter, const WCHAR* number, LONG importance = kTaskImportanceNormal) {
        DATATASKS* row = pool_.Task(oid, u"same");
        wcscpy(row->priorityLetter, letter);
        wcscpy(row->priorityNumber, number);
        row->importance = importance;
        return row;
    };
    DATATASKS* aNone = task(4, u"A", u"");
    DATATASKS* a2 = task(1, u"A", u"2");
    DATATASKS* a10 = task(2, u"A", u"10");
    DATATASKS* b1 = task(3, u"B", u"1");
    DATATASKS* unlettered = task(5, u"", u"1");
    DATATASKS* a02 = task(6, u"A", u"02");
    // An empty number first, numbers by value, a lettered row first.
    Use(SortPrefs(kTasksSortPriority, kTasksSortPriority));
    ExpectOrder(&TasksComparePriority, {aNone, a2, a10, b1, unlettered});
    EXPECT_EQ(TasksComparePriority(a2, a02, 0), 0) << "same value, keys equal: no tie-break";
    Use(SortPrefs(kTasksSortPriority, kTasksSortPriority, true));
    ExpectOrder(&TasksComparePriority, {unlettered, b1, a10, a2, aNone});

    DATATASKS* high = task(7, u"B", u"", kTaskImportanceHigh);
    DATATASKS* low = task(8, u"A", u"", kTaskImportanceLow);
    DATATASKS* headerHigh = task(0, u"B", u"", kTaskImportanceHigh);
    DATATASKS* headerLow = task(0, u"A", u"", kTaskImportanceLow);
    Use(SortPrefs(kTasksSortPriority, kTasksSortSubject));
    ExpectOrder(&TasksComparePriority, {low, high}, "without importance the letter decides");
    ExpectOrder(&TasksComparePriority, {headerHigh, headerLow}, "a header always compares importance");
    Use(SortPrefs(kTasksSortImportance, kTasksSortSubject));
    ExpectOrder(&TasksComparePriority, {high, low}, "higher importance first");
    Use(SortPrefs(kTasksSortImportance, kTasksSortSubject, true));
    ExpectOrder(&TasksComparePriority, {low, high}, "descending");
    // As the secondary key, importance counts in the secondary phase only.
    Use(SortPrefs(kTasksSortDueDate, kTasksSortImportance));
    ExpectOrder(&TasksCompareDueDate, {high, low}, "tie-break by importance");
    ExpectOrder(&TasksComparePriority, {low, high}, "primary phase, primary key not importance");
}

TEST_F(TasksCompareTest, RankOrderIgnoresDirectionAndPutsHiddenAndMissingRowsInPlace)
{
    auto task = [&](DWORD oid, LONG rank, const WCHAR* number) {
        DATATASKS* row = pool_.Task(oid, u"z");
        row->rank = rank;
        wcscpy(row->priorityNumber, number);
        return row;
    };
    DATATASKS* r1 = task(9, 1, u"5");
    DATATASKS* r2 = task(1, 2, u"");
    DATATASKS* r2n3 = task(2, 2, u"3");
    DATATASKS* r2n20 = task(3, 2, u"20");
    DATATASKS* r2n20b = task(4, 2, u"20");
    DATATASKS* hiddenFirstRank = task(5, 0, u"");
    hiddenFirstRank->hidden = 1;
    // Rank, then an empty number first, numbers by value, then the OID;
    // hidden rows last in every phase, a missing row first.
    for (bool descending : {false, true}) {
        Use(SortPrefs(kTasksSortTpm, kTasksSortSubject, descending, descending));
        for (bool secondary : {false, true}) {
            if (secondary) TasksSortState::Current().BeginSecondaryPhase();
            ExpectOrder(&TasksCompareTPM, {nullptr, r1, r2, r2n3, r2n20, r2n20b, hiddenFirstRank});
            TasksSortState::Current().BeginPrimaryPhase();
        }
    }
}

TEST_F(TasksCompareTest, TieBreakUsesSecondaryKeyAndDirectionThenSubjectThenOid)
{
    DATATASKS* a = pool_.Task(20, u"same");
    DATATASKS* b = pool_.Task(10, u"same");
    a->dueDate = b->dueDate = 45000.0;
    a->startDate = 44000.0;
    b->startDate = 44500.0;

    // The secondary direction, not the primary, applies to the secondary key and then to the subject.
    auto expectSecondary = [&](DATATASKS* first, DATATASKS* second, const char* what) {
        for (int directions : {0, 2, 3, 1}) {
            Use(SortPrefs(kTasksSortDueDate, kTasksSortStartDate, directions & 1, directions & 2));
            const bool down = directions & 2;
            ExpectOrder(&TasksCompareDueDate, {down ? second : first, down ? first : second}, what);
        }
    };
    expectSecondary(a, b, "earlier start");
    // The phase and primary direction (last descending, secondary ascending) are back for the next comparison.
    EXPECT_FALSE(TasksSortState::Current().SecondaryPhase());
    EXPECT_TRUE(TasksSortState::Current().Descending());

    b->startDate = a->startDate;
    SetText(b->subject, u"earlier");
    expectSecondary(b, a, "subject");

    // All equal: the OID, ascending whatever the directions.
    SetText(b->subject, u"same");
    for (bool descending : {false, true}) {
        Use(SortPrefs(kTasksSortDueDate, kTasksSortStartDate, descending, descending));
        ExpectOrder(&TasksCompareDueDate, {b, a}, "OID");
    }

    // No tie-break when both keys are the same or in the secondary phase.
    SetText(b->subject, u"alpha");
    Use(SortPrefs(kTasksSortDueDate, kTasksSortDueDate));
    EXPECT_EQ(TasksCompareDueDate(a, b, 0), 0);
    Use(SortPrefs(kTasksSortDueDate, kTasksSortSubject));
    TasksSortState::Current().BeginSecondaryPhase();
    EXPECT_EQ(TasksCompareSecond(a, b, 0), 0);
    EXPECT_EQ(TasksCompareDueDate(a, b, 0), 0);
}

TEST_F(TasksCompareTest, OidComparisonsAreSignedAndTheKeyTablePicksTheComparisons)
{
    DATATASKS* big = pool_.Task(0x80000001u, u"x");
    DATATASKS* one = pool_.Task(1, u"x");
    ExpectOrder(&TasksCompareOID, {big, one});
    big->parentOid = 0xFFFFFFFFu;
    ExpectOrder(&TasksCompareParentOID, {big, one});
    one->parentOid = 0xFFFFFFFFu;
    EXPECT_EQ(TasksCompareParentOID(big, one, 0), 0);

    // The rank order stands in as a start-date tie-break; unknown keys compare by start date.
    const TasksCompareFn primary[] = {&TasksCompareTPM,       &TasksCompareSubject,  &TasksCompareDueDate,
                                      &TasksCompareStartDate, &TasksComparePriority, &TasksCompareCompletion,
                                      &TasksComparePriority,  &TasksCompareCategory, &TasksCompareStartDate};
    for (int key = -1; key <= 8; ++key) {
        const TasksCompareFn fn = key < 0 ? &TasksCompareStartDate : primary[key];
        EXPECT_EQ(TasksPrimaryComparison(key), fn) << key;
        EXPECT_EQ(TasksSecondaryComparison(key), key == kTasksSortTpm ? &TasksCompareStartDate : fn) << key;
    }
}

// Every comparison must be antisymmetric on task rows (and a row equal to itself), or no sort can honour it.
TEST_F(TasksCompareTest, SwappingTheRowsNegatesEveryComparison)
{
    std::mt19937 rng(1234);
    std::vector<DATATASKS*> rows;
    for (DWORD oid = 1; oid <= 40; ++oid) rows.push_back(pool_.RandomTask(oid, rng));
    for (int primary = 0; primary <= 7; ++primary) {
        for (int secondary = 0; secondary <= 7; ++secondary) {
            for (int directions = 0; directions < 4; ++directions) {
                Use(SortPrefs(primary, secondary, directions & 1, directions & 2, directions < 2 ? -1 : 1));
                TasksCompareFn fn = TasksPrimaryComparison(primary);
                for (DATATASKS* a : rows) {
                    for (DATATASKS* b : rows) {
                        ASSERT_EQ(Cmp(fn, a, b), -Cmp(fn, b, a))
                            << "keys " << primary << "/" << secondary << " directions " << directions << " OIDs "
                            << a->oid << "/" << b->oid;
                        if (a != b && primary != secondary) {
                            ASSERT_NE(Cmp(fn, a, b), 0) << "the tie-break ends at the OID";
                        }
                    }
                }
            }
        }
    }
}

TEST_F(TasksCompareTest, DescendantFollowsTheWholeParentChain)
{
    DATATASKS* root = pool_.Task(10, u"root");
    DATATASKS* child = pool_.Task(11, u"child");
    DATATASKS* grandchild = pool_.Task(12, u"grandchild");
    DATATASKS* stranger = pool_.Task(13, u"stranger");
    child->parentOid = 10;
    child->parent = root;
    grandchild->parentOid = 11;
    grandchild->parent = child;
    EXPECT_TRUE(IsDescendant(root, grandchild) && IsDescendant(child, grandchild));
    EXPECT_FALSE(IsDescendant(grandchild, root) || IsDescendant(stranger, grandchild));
    EXPECT_FALSE(IsDescendant(nullptr, child) || IsDescendant(root, nullptr));

    // Damaged links that form a loop end the walk.
    root->parent = grandchild;
    root->parentOid = 12;
    EXPECT_FALSE(IsDescendant(stranger, grandchild));
    EXPECT_TRUE(IsDescendant(grandchild, child));
}

// ---- List sorts ----

// The rows of a list or of a row's children, in order.
template <class List>
std::vector<DATATASKS*> Items(const List& list)
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

    // A random forest: each row under a random earlier row or a new tree in top; the rows in the order made.
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

// The quicksort's result must match a stable sort by the same comparison position by position, up to ties.
TEST_F(TasksListSortTest, MatchesAStableSortForEveryKeyAndDirection)
{
    const std::vector<DATATASKS*> rows = RandomRows(300, 42);
    for (int primary = 0; primary <= 8; ++primary) {
        for (int secondary : {primary, 1, 2, 4}) {
            for (int directions = 0; directions < 8; ++directions) {
                TasksSortState::Current().SetPrefs(
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

// Sorting by the subjects' keys gives the locale's order exactly: random subjects with accents, case, hyphens and
// apostrophes, many sharing a long beginning (so ties between keys are common), sorted by subject and as the tie-break
// of the due date, in both directions, with and without keys.
TEST_F(TasksListSortTest, SubjectKeysSortAsTheLocaleDoes)
{
    std::mt19937 rng(11);
    const std::u16string letters = u"aAeE\u00e9\u00c9oO\u00f6z-' ";
    const std::u16string stems[] = {u"", u"Renew the lease ", u"r\u00e9sum\u00e9 ", u"co-op "};
    std::vector<DATATASKS*> rows;
    for (DWORD oid = 1; oid <= 400; ++oid) {
        std::u16string subject = stems[rng() % std::size(stems)];
        for (size_t n = rng() % 6; n > 0; --n) subject.push_back(letters[rng() % letters.size()]);
        rows.push_back(pool_.Task(oid, subject.c_str()));
        rows.back()->dueDate = 46000 + static_cast<double>(rng() % 3);
    }
    for (int primary : {kTasksSortSubject, kTasksSortDueDate}) {
        for (bool descending : {false, true}) {
            TasksSortState& state = TasksSortState::Current();
            state.SetPrefs(SortPrefs(primary, kTasksSortSubject, descending, descending));
            auto sorted = [&](bool keyed) {
                CePtrList<DATATASKS*> list(1);
                Fill(list, rows);
                std::unique_ptr<TasksSubjectKeys> keys(keyed ? new TasksSubjectKeys(state, {&list}) : nullptr);
                TasksQuickSort(list, TasksPrimaryComparison(primary), true);
                return Items(list);
            };
            EXPECT_EQ(sorted(true), sorted(false)) << "primary " << primary << " descending " << descending;
            EXPECT_FALSE(state.SubjectKeysReady()) << "the keys serve one sort only";
        }
    }
}

TEST_F(TasksListSortTest, TwentyThousandRowsSortWithoutQuadraticCost)
{
    const int n = 20000;
    const double budget = 4.0 * n * std::log2(static_cast<double>(n));

    // Random keys with many ties, distinct keys in order and reversed, and all keys equal (so no tie-break).
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
        TasksSortState::Current().SetPrefs(c.prefs);
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
    TasksSortState::Current().SetPrefs(SortPrefs(kTasksSortSubject, kTasksSortSubject));
    std::mt19937 rng(5);
    CePtrList<DATATASKS*> top(1);
    std::vector<DATATASKS*> all = RandomForest(150, rng, top);
    SortHierTasks(top, &TasksCompareSubject);
    all.push_back(nullptr);  // stands for the top list
    for (DATATASKS* row : all) {
        std::vector<DATATASKS*> items = row ? Items(row->children) : Items(top);
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
        TasksSortState::Current().SetPrefs(SortPrefs(kTasksSortSubject, kTasksSortDueDate, descending));
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
        EXPECT_FALSE(TasksSortState::Current().SecondaryPhase());
        EXPECT_EQ(TasksSortState::Current().Descending(), descending);
    }
}

// The display order the flattening must produce: each row followed by its children, depth-first.
void Preorder(DATATASKS* row, std::vector<DATATASKS*>& out)
{
    out.push_back(row);
    for (DATATASKS* child : row->children) Preorder(child, out);
}

TEST_F(TasksListSortTest, FlatteningPutsVisibleRowsFirstInDisplayOrder)
{
    // Odd seeds: the list holds just the tree's rows, and keeps its nodes.
    for (unsigned seed = 0; seed <= 30; ++seed) {
        std::mt19937 rng(seed);
        CePtrList<DATATASKS*> top(0);
        std::vector<DATATASKS*> rows = RandomForest(seed == 0 ? 0 : 1 + static_cast<int>(rng() % 60), rng, top);
        // The display list starts with old rows it must not delete.
        CePtrList<DATATASKS*> display(1);
        display.SetDeletePolicy(1);
        for (DATATASKS* row : rows) display.Append(row);
        if (seed % 2 == 0) display.Append(pool_.Task(999, u"old row"));

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
