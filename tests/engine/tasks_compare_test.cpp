// Task row comparisons: each key in both directions, the hidden rows, the
// undated rows, the tie-break chain and the parent chain test.
#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "engine/tasks_compare.h"
#include "task_rows.h"

namespace {

int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

int Cmp(TasksCompareFn fn, DATATASKS* a, DATATASKS* b) { return Sign(fn(a, b, 0)); }

const std::vector<std::pair<const char*, TasksCompareFn>>& AllComparisons()
{
    static const std::vector<std::pair<const char*, TasksCompareFn>> all = {
        {"TPM", &TasksCompareTPM},           {"Subject", &TasksCompareSubject},
        {"StartDate", &TasksCompareStartDate}, {"DueDate", &TasksCompareDueDate},
        {"Category", &TasksCompareCategory},   {"Priority", &TasksComparePriority},
        {"Completion", &TasksCompareCompletion}, {"OID", &TasksCompareOID},
        {"ParentOID", &TasksCompareParentOID},
    };
    return all;
}

// The keyed comparisons, which put visible rows first.
const std::vector<std::pair<const char*, TasksCompareFn>>& KeyedComparisons()
{
    static const std::vector<std::pair<const char*, TasksCompareFn>> keyed = {
        {"Subject", &TasksCompareSubject},     {"StartDate", &TasksCompareStartDate},
        {"DueDate", &TasksCompareDueDate},     {"Category", &TasksCompareCategory},
        {"Priority", &TasksComparePriority},   {"Completion", &TasksCompareCompletion},
    };
    return keyed;
}

class TasksCompareTest : public TaskSortFixture {
protected:
    // Makes the direction of the primary key current.
    void Use(const TasksSortPrefs& prefs) { TasksSortState::SetPrefs(prefs); }
};

TEST_F(TasksCompareTest, ARowEqualsItselfUnderEveryComparisonAndPhase)
{
    DATATASKS* row = pool_.Task(7, u"same");
    row->hidden = 1;
    for (bool descending : {false, true}) {
        Use(SortPrefs(kTasksSortDueDate, kTasksSortStartDate, descending));
        for (auto [name, fn] : AllComparisons()) {
            EXPECT_EQ(fn(row, row, 0), 0) << name;
            TasksSortState::BeginSecondaryPhase();
            EXPECT_EQ(fn(row, row, 0), 0) << name << " in the secondary phase";
            TasksSortState::BeginPrimaryPhase();
        }
    }
    DATATASKS* none = nullptr;
    EXPECT_EQ(TasksCompareTPM(none, none, 0), 0);
}

TEST_F(TasksCompareTest, VisibleRowsGoFirstInBothDirectionsExceptInTheSecondaryPhase)
{
    // The hidden row wins on every key, so only the hidden step can put it last.
    DATATASKS* visible = pool_.Task(2, u"zulu");
    visible->dueDate = visible->startDate = 45100.0;
    visible->complete = 1;
    visible->completionDate = 45100.0;
    wcscpy(visible->priorityLetter, u"Z");
    visible->importance = kTaskImportanceLow;
    std::free(visible->categories);
    visible->categories = _wcsdup(u"Zoo");
    DATATASKS* hidden = pool_.Task(1, u"alpha");
    hidden->hidden = 1;
    hidden->dueDate = hidden->startDate = 45000.0;
    wcscpy(hidden->priorityLetter, u"A");
    hidden->importance = kTaskImportanceHigh;
    std::free(hidden->categories);
    hidden->categories = _wcsdup(u"Aardvark");

    for (bool descending : {false, true}) {
        Use(SortPrefs(kTasksSortImportance, kTasksSortImportance, descending, descending));
        for (auto [name, fn] : KeyedComparisons()) {
            EXPECT_EQ(Cmp(fn, visible, hidden), -1) << name << (descending ? " descending" : "");
            EXPECT_EQ(Cmp(fn, hidden, visible), 1) << name << (descending ? " descending" : "");
        }
    }
    Use(SortPrefs(kTasksSortImportance, kTasksSortImportance));
    TasksSortState::BeginSecondaryPhase();
    for (auto [name, fn] : KeyedComparisons()) {
        EXPECT_EQ(Cmp(fn, hidden, visible), -1) << name << " ignores the hidden flag";
    }
}

TEST_F(TasksCompareTest, SubjectsFollowTheLocaleOrderAndTheDirection)
{
    Use(SortPrefs(kTasksSortSubject, kTasksSortSubject));
    DATATASKS* apple = pool_.Task(1, u"apple");
    DATATASKS* banana = pool_.Task(2, u"Banana");
    // Code-unit order would put "B" before "a".
    EXPECT_EQ(Cmp(&TasksCompareSubject, apple, banana), -1);
    EXPECT_EQ(Cmp(&TasksCompareSubject, banana, apple), 1);
    // Case counts: the two differ only in case yet are not equal.
    DATATASKS* upper = pool_.Task(3, u"APPLE");
    EXPECT_NE(Cmp(&TasksCompareSubject, apple, upper), 0);
    EXPECT_EQ(Cmp(&TasksCompareSubject, apple, upper), -Cmp(&TasksCompareSubject, upper, apple));

    Use(SortPrefs(kTasksSortSubject, kTasksSortSubject, true));
    EXPECT_EQ(Cmp(&TasksCompareSubject, apple, banana), 1);
    EXPECT_EQ(Cmp(&TasksCompareSubject, banana, apple), -1);
}

TEST_F(TasksCompareTest, TheNoneHeaderGoesFirstWhateverTheDirection)
{
    DATATASKS* none = pool_.Header(u"zzz none", kTaskImportanceNone);
    DATATASKS* header = pool_.Header(u"aaa");
    DATATASKS* task = pool_.Task(5, u"aaa");
    task->importance = kTaskImportanceNone;  // only a header is the "none" header
    for (bool descending : {false, true}) {
        Use(SortPrefs(kTasksSortSubject, kTasksSortSubject, descending));
        EXPECT_EQ(Cmp(&TasksCompareSubject, none, header), -1);
        EXPECT_EQ(Cmp(&TasksCompareSubject, header, none), 1);
        EXPECT_EQ(Cmp(&TasksCompareSubject, none, task), -1);
    }
    Use(SortPrefs(kTasksSortSubject, kTasksSortSubject));
    DATATASKS* other = pool_.Task(6, u"bbb");
    EXPECT_EQ(Cmp(&TasksCompareSubject, task, other), -1) << "a task of importance 3 sorts by subject";
}

TEST_F(TasksCompareTest, MissingAndEmptyTextsCompareAsEmpty)
{
    Use(SortPrefs(kTasksSortSubject, kTasksSortDueDate));
    DATATASKS* missing = pool_.Task(2, u"");
    std::free(missing->subject);
    missing->subject = nullptr;
    std::free(missing->categories);
    missing->categories = nullptr;
    DATATASKS* empty = pool_.Task(1, u"");
    DATATASKS* text = pool_.Task(3, u"a");
    // Equal subjects: the tie-break ends at the OID.
    EXPECT_EQ(Cmp(&TasksCompareSubject, empty, missing), -1);
    EXPECT_EQ(Cmp(&TasksCompareSubject, missing, empty), 1);
    EXPECT_EQ(Cmp(&TasksCompareSubject, missing, text), -1);
    EXPECT_EQ(Cmp(&TasksCompareCategory, missing, empty), 1);
    std::free(text->categories);
    text->categories = _wcsdup(u"Home");
    EXPECT_EQ(Cmp(&TasksCompareCategory, missing, text), -1);
}

TEST_F(TasksCompareTest, CategoriesCompareByTheirDisplayString)
{
    DATATASKS* home = pool_.Task(2, u"x");
    std::free(home->categories);
    home->categories = _wcsdup(u"home");
    DATATASKS* work = pool_.Task(1, u"x");
    std::free(work->categories);
    work->categories = _wcsdup(u"Work");
    Use(SortPrefs(kTasksSortCategory, kTasksSortSubject));
    EXPECT_EQ(Cmp(&TasksCompareCategory, home, work), -1);
    Use(SortPrefs(kTasksSortCategory, kTasksSortSubject, true));
    EXPECT_EQ(Cmp(&TasksCompareCategory, home, work), 1);
}

TEST_F(TasksCompareTest, DatesCompareAsWholeDaysInTheDirection)
{
    for (auto fn : {&TasksCompareDueDate, &TasksCompareStartDate}) {
        const bool due = fn == &TasksCompareDueDate;
        auto set = [&](DATATASKS* row, double date) { (due ? row->dueDate : row->startDate) = date; };
        DATATASKS* morning = pool_.Task(1, u"b");
        DATATASKS* evening = pool_.Task(2, u"a");
        DATATASKS* nextDay = pool_.Task(3, u"a");
        set(morning, 45000.2);
        set(evening, 45000.9);
        set(nextDay, 45001.1);
        int key = due ? kTasksSortDueDate : kTasksSortStartDate;
        Use(SortPrefs(key, kTasksSortSubject));
        EXPECT_EQ(Cmp(fn, evening, nextDay), -1);
        EXPECT_EQ(Cmp(fn, nextDay, evening), 1);
        // Same day: the subject decides, although the times differ.
        EXPECT_EQ(Cmp(fn, evening, morning), -1);
        EXPECT_EQ(Cmp(fn, morning, evening), 1);
        Use(SortPrefs(key, kTasksSortSubject, true));
        EXPECT_EQ(Cmp(fn, evening, nextDay), 1);
        EXPECT_EQ(Cmp(fn, nextDay, evening), -1);
    }
}

TEST_F(TasksCompareTest, UndatedRowsGoLastOrFirstInBothDirections)
{
    for (auto fn : {&TasksCompareDueDate, &TasksCompareStartDate}) {
        const bool due = fn == &TasksCompareDueDate;
        int key = due ? kTasksSortDueDate : kTasksSortStartDate;
        DATATASKS* dated = pool_.Task(1, u"a");
        DATATASKS* undated = pool_.Task(2, u"a");
        (due ? dated->dueDate : dated->startDate) = 401000.0;
        for (bool descending : {false, true}) {
            Use(SortPrefs(key, kTasksSortSubject, descending, false, -1));
            EXPECT_EQ(Cmp(fn, dated, undated), -1) << "undated last, descending " << descending;
            EXPECT_EQ(Cmp(fn, undated, dated), 1);
            Use(SortPrefs(key, kTasksSortSubject, descending, false, 1));
            EXPECT_EQ(Cmp(fn, dated, undated), 1) << "undated first, descending " << descending;
            EXPECT_EQ(Cmp(fn, undated, dated), -1);
        }
        // Two undated rows fall through to the tie-break.
        DATATASKS* undated2 = pool_.Task(3, u"0 first");
        Use(SortPrefs(key, kTasksSortSubject));
        EXPECT_EQ(Cmp(fn, undated2, undated), -1);
    }
}

TEST_F(TasksCompareTest, CompletionPutsOpenTasksFirstThenCompletionDays)
{
    DATATASKS* open = pool_.Task(1, u"z");
    DATATASKS* early = pool_.Task(2, u"y");
    DATATASKS* late = pool_.Task(3, u"a");
    DATATASKS* lateSameDay = pool_.Task(4, u"b");
    early->complete = late->complete = lateSameDay->complete = 1;
    early->completionDate = 45000.9;
    late->completionDate = 45001.1;
    lateSameDay->completionDate = 45001.8;
    open->completionDate = 1.0;  // ignored for an open task
    Use(SortPrefs(kTasksSortCompletion, kTasksSortSubject));
    EXPECT_EQ(Cmp(&TasksCompareCompletion, open, early), -1);
    EXPECT_EQ(Cmp(&TasksCompareCompletion, early, open), 1);
    EXPECT_EQ(Cmp(&TasksCompareCompletion, early, late), -1);
    EXPECT_EQ(Cmp(&TasksCompareCompletion, late, lateSameDay), -1) << "same day: subject";
    EXPECT_EQ(Cmp(&TasksCompareCompletion, lateSameDay, late), 1);
    Use(SortPrefs(kTasksSortCompletion, kTasksSortSubject, true));
    EXPECT_EQ(Cmp(&TasksCompareCompletion, open, early), 1);
    EXPECT_EQ(Cmp(&TasksCompareCompletion, early, late), 1);
    DATATASKS* open2 = pool_.Task(5, u"a");
    EXPECT_EQ(Cmp(&TasksCompareCompletion, open2, open), -1) << "two open tasks: subject";
}

TEST_F(TasksCompareTest, PriorityLettersThenNumbersByValue)
{
    auto task = [&](DWORD oid, const WCHAR* letter, const WCHAR* number) {
        DATATASKS* row = pool_.Task(oid, u"same");
        wcscpy(row->priorityLetter, letter);
        wcscpy(row->priorityNumber, number);
        return row;
    };
    DATATASKS* a2 = task(1, u"A", u"2");
    DATATASKS* a10 = task(2, u"A", u"10");
    DATATASKS* b1 = task(3, u"B", u"1");
    DATATASKS* aNone = task(4, u"A", u"");
    DATATASKS* unlettered = task(5, u"", u"1");
    DATATASKS* a02 = task(6, u"A", u"02");

    Use(SortPrefs(kTasksSortPriority, kTasksSortPriority));
    EXPECT_EQ(Cmp(&TasksComparePriority, a2, a10), -1) << "numbers by value, not as text";
    EXPECT_EQ(Cmp(&TasksComparePriority, a10, a2), 1);
    EXPECT_EQ(Cmp(&TasksComparePriority, a10, b1), -1) << "the letter comes first";
    EXPECT_EQ(Cmp(&TasksComparePriority, aNone, a2), -1) << "an empty number first";
    EXPECT_EQ(Cmp(&TasksComparePriority, b1, unlettered), -1) << "a lettered row first";
    EXPECT_EQ(Cmp(&TasksComparePriority, unlettered, b1), 1);
    EXPECT_EQ(TasksComparePriority(a2, a02, 0), 0) << "same value, keys equal: no tie-break";

    Use(SortPrefs(kTasksSortPriority, kTasksSortPriority, true));
    EXPECT_EQ(Cmp(&TasksComparePriority, a2, a10), 1);
    EXPECT_EQ(Cmp(&TasksComparePriority, a10, b1), 1);
    EXPECT_EQ(Cmp(&TasksComparePriority, aNone, a2), 1);
    EXPECT_EQ(Cmp(&TasksComparePriority, b1, unlettered), 1);
}

TEST_F(TasksCompareTest, ImportanceCountsOnlyUnderItsKeyOrForHeaders)
{
    DATATASKS* high = pool_.Task(1, u"x");
    high->importance = kTaskImportanceHigh;
    wcscpy(high->priorityLetter, u"B");
    DATATASKS* low = pool_.Task(2, u"x");
    low->importance = kTaskImportanceLow;
    wcscpy(low->priorityLetter, u"A");

    Use(SortPrefs(kTasksSortImportance, kTasksSortSubject));
    EXPECT_EQ(Cmp(&TasksComparePriority, high, low), -1) << "higher importance first";
    Use(SortPrefs(kTasksSortImportance, kTasksSortSubject, true));
    EXPECT_EQ(Cmp(&TasksComparePriority, high, low), 1);
    Use(SortPrefs(kTasksSortPriority, kTasksSortSubject));
    EXPECT_EQ(Cmp(&TasksComparePriority, high, low), 1) << "without importance the letter decides";

    // As the secondary key, importance counts in the secondary phase only.
    Use(SortPrefs(kTasksSortDueDate, kTasksSortImportance));
    EXPECT_EQ(Cmp(&TasksCompareDueDate, high, low), -1);
    EXPECT_EQ(Cmp(&TasksComparePriority, high, low), 1) << "primary phase, primary key not 4";

    // A header always compares importance first.
    DATATASKS* headerHigh = pool_.Header(u"h", kTaskImportanceHigh);
    DATATASKS* headerLow = pool_.Header(u"l", kTaskImportanceLow);
    wcscpy(headerHigh->priorityLetter, u"B");
    wcscpy(headerLow->priorityLetter, u"A");
    Use(SortPrefs(kTasksSortPriority, kTasksSortSubject));
    EXPECT_EQ(Cmp(&TasksComparePriority, headerHigh, headerLow), -1);
    EXPECT_EQ(Cmp(&TasksComparePriority, headerLow, headerHigh), 1);
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
    DATATASKS* missing = nullptr;
    for (bool descending : {false, true}) {
        Use(SortPrefs(kTasksSortTpm, kTasksSortSubject, descending, descending));
        for (bool secondary : {false, true}) {
            if (secondary) TasksSortState::BeginSecondaryPhase();
            EXPECT_EQ(Cmp(&TasksCompareTPM, r1, r2), -1);
            EXPECT_EQ(Cmp(&TasksCompareTPM, r2, r2n3), -1) << "empty number first";
            EXPECT_EQ(Cmp(&TasksCompareTPM, r2n3, r2n20), -1) << "numbers by value";
            EXPECT_EQ(Cmp(&TasksCompareTPM, r2n20b, r2n20), 1) << "then the OID";
            EXPECT_EQ(Cmp(&TasksCompareTPM, r2n20, hiddenFirstRank), -1) << "hidden last in every phase";
            EXPECT_EQ(Cmp(&TasksCompareTPM, missing, hiddenFirstRank), -1);
            EXPECT_EQ(Cmp(&TasksCompareTPM, r1, missing), 1);
            TasksSortState::BeginPrimaryPhase();
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

    Use(SortPrefs(kTasksSortDueDate, kTasksSortStartDate));
    EXPECT_EQ(Cmp(&TasksCompareDueDate, a, b), -1) << "earlier start";
    Use(SortPrefs(kTasksSortDueDate, kTasksSortStartDate, false, true));
    EXPECT_EQ(Cmp(&TasksCompareDueDate, a, b), 1) << "secondary key descending";
    Use(SortPrefs(kTasksSortDueDate, kTasksSortStartDate, true, false));
    EXPECT_EQ(Cmp(&TasksCompareDueDate, a, b), -1) << "primary direction does not reach the secondary key";

    // Secondary key equal: subject, in the secondary direction.
    b->startDate = a->startDate;
    std::free(b->subject);
    b->subject = _wcsdup(u"earlier");
    Use(SortPrefs(kTasksSortDueDate, kTasksSortStartDate));
    EXPECT_EQ(Cmp(&TasksCompareDueDate, b, a), -1);
    Use(SortPrefs(kTasksSortDueDate, kTasksSortStartDate, false, true));
    EXPECT_EQ(Cmp(&TasksCompareDueDate, b, a), 1);

    // All equal: the OID, ascending whatever the directions.
    std::free(b->subject);
    b->subject = _wcsdup(u"same");
    for (bool descending : {false, true}) {
        Use(SortPrefs(kTasksSortDueDate, kTasksSortStartDate, descending, descending));
        EXPECT_EQ(Cmp(&TasksCompareDueDate, b, a), -1);
        EXPECT_EQ(Cmp(&TasksCompareDueDate, a, b), 1);
    }
}

TEST_F(TasksCompareTest, EqualKeysOrTheSecondaryPhaseGiveNoTieBreak)
{
    DATATASKS* a = pool_.Task(20, u"zeta");
    DATATASKS* b = pool_.Task(10, u"alpha");
    a->dueDate = b->dueDate = 45000.0;
    Use(SortPrefs(kTasksSortDueDate, kTasksSortDueDate));
    EXPECT_EQ(TasksCompareDueDate(a, b, 0), 0);
    EXPECT_EQ(TasksCompareSecond(a, b, 0), 0);

    Use(SortPrefs(kTasksSortDueDate, kTasksSortSubject));
    TasksSortState::BeginSecondaryPhase();
    EXPECT_EQ(TasksCompareSecond(a, b, 0), 0);
    EXPECT_EQ(TasksCompareDueDate(a, b, 0), 0);
}

TEST_F(TasksCompareTest, TieBreakRestoresThePrimaryPhaseAndDirection)
{
    DATATASKS* a = pool_.Task(2, u"x");
    DATATASKS* b = pool_.Task(1, u"x");
    Use(SortPrefs(kTasksSortDueDate, kTasksSortSubject, true, false));
    EXPECT_EQ(Cmp(&TasksCompareDueDate, a, b), 1);
    EXPECT_FALSE(TasksSortState::SecondaryPhase());
    EXPECT_TRUE(TasksSortState::Descending());
    // The restored direction still applies to the next comparison.
    a->dueDate = 45000.0;
    b->dueDate = 45001.0;
    EXPECT_EQ(Cmp(&TasksCompareDueDate, a, b), 1);
}

TEST_F(TasksCompareTest, OidComparisonsAreSigned)
{
    DATATASKS* big = pool_.Task(0x80000001u, u"x");
    DATATASKS* one = pool_.Task(1, u"x");
    EXPECT_EQ(Cmp(&TasksCompareOID, big, one), -1);
    EXPECT_EQ(Cmp(&TasksCompareOID, one, big), 1);
    big->parentOid = 0xFFFFFFFFu;
    one->parentOid = 0;
    EXPECT_EQ(Cmp(&TasksCompareParentOID, big, one), -1);
    one->parentOid = 0xFFFFFFFFu;
    EXPECT_EQ(TasksCompareParentOID(big, one, 0), 0);
}

TEST_F(TasksCompareTest, KeyTablePicksTheComparisons)
{
    EXPECT_EQ(TasksPrimaryComparison(kTasksSortTpm), &TasksCompareTPM);
    EXPECT_EQ(TasksSecondaryComparison(kTasksSortTpm), &TasksCompareStartDate);
    const std::pair<int, TasksCompareFn> same[] = {
        {kTasksSortSubject, &TasksCompareSubject},     {kTasksSortDueDate, &TasksCompareDueDate},
        {kTasksSortStartDate, &TasksCompareStartDate}, {kTasksSortImportance, &TasksComparePriority},
        {kTasksSortCompletion, &TasksCompareCompletion}, {kTasksSortPriority, &TasksComparePriority},
        {kTasksSortCategory, &TasksCompareCategory},   {8, &TasksCompareStartDate},
        {-1, &TasksCompareStartDate},
    };
    for (auto [key, fn] : same) {
        EXPECT_EQ(TasksPrimaryComparison(key), fn) << key;
        EXPECT_EQ(TasksSecondaryComparison(key), fn) << key;
    }
}

// Every comparison must be antisymmetric on task rows, or no sort can
// honour it.
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
    EXPECT_TRUE(IsDescendant(root, child));
    EXPECT_TRUE(IsDescendant(root, grandchild));
    EXPECT_TRUE(IsDescendant(child, grandchild));
    EXPECT_FALSE(IsDescendant(grandchild, root));
    EXPECT_FALSE(IsDescendant(stranger, grandchild));
    EXPECT_FALSE(IsDescendant(child, root));
    EXPECT_FALSE(IsDescendant(nullptr, child));
    EXPECT_FALSE(IsDescendant(root, nullptr));

    // Damaged links that form a loop end the walk.
    root->parent = grandchild;
    root->parentOid = 12;
    EXPECT_FALSE(IsDescendant(stranger, grandchild));
    EXPECT_TRUE(IsDescendant(grandchild, child));
}

}  // namespace
