// List rows: DATACALENDAR, DATAGENERAL and DATATASKS (copies, reset, descendants), and which notes count as empty.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/data_calendar.h"
#include "engine/data_general.h"
#include "engine/data_tasks.h"
#include "engine/note_emptiness.h"
#include "platform/text/utf8.h"
#include "platform/text/wide_string.h"

namespace {

std::string Text(const WCHAR* s) { return s ? WideToUtf8(s) : "<null>"; }

// Every field but the task, as one line; strings by their text.
std::string Fields(const DATACALENDAR& r)
{
    std::ostringstream out;
    out << r.oid << ' ' << r.meeting << ' ' << r.busyStatus << ' ' << r.duration << ' ' << r.day << ' ' << r.start
        << ' ' << r.end << ' ' << Text(r.subject) << '/' << Text(r.location) << '/' << Text(r.extraText) << '/'
        << Text(r.categoryText) << ' ' << r.hasLinks << r.hasJournal << r.hasNote << r.allDay << r.isPrivate
        << r.recurring << r.exception << r.reminder << ' ' << r.trailing << ' ' << r.kind << ' ' << int(r.endsEarly)
        << ' ' << r.anniversaryYear << ' ' << r.birthdayYear << ' ' << int(r.ownsStrings);
    return out.str();
}

// A row with every field away from its default.
void Fill(DATACALENDAR& row)
{
    row.oid = 0x1234;
    row.meeting = 1;
    row.busyStatus = 3;
    row.duration = 90;
    row.day = 45000;
    row.start = 45000.25;
    row.end = 45000.3125;
    row.subject = SysAllocString(u"Lunch");
    row.location = SysAllocString(u"Cafe");
    row.extraText = _wcsdup(u"extra");
    row.categoryText = _wcsdup(u"Work, Home");
    row.hasLinks = row.hasJournal = row.hasNote = 1;
    row.allDay = 0xFFFF;
    row.isPrivate = row.recurring = row.exception = row.reminder = 1;
    row.trailing = 7;
    row.kind = 2;
    row.endsEarly = 1;
    row.anniversaryYear = 1999;
    row.birthdayYear = 1970;
    row.ownsStrings = 1;
}

TEST(DataCalendarTest, NullDataEmptiesTheRowAndCopiesOwnTheirStrings)
{
    const DATACALENDAR fresh;
    EXPECT_EQ(Fields(fresh), "0 0 0 0 949998 949998 949998 <null>/<null>/<null>/<null> 00000000 0 3 0 0 0 0");
    auto* row = new DATACALENDAR;
    Fill(*row);
    const std::string filled = Fields(*row);
    DATACALENDAR* copy = row->Copy();
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->subject, row->subject);
    EXPECT_NE(copy->categoryText, row->categoryText);
    row->NullData();
    EXPECT_EQ(Fields(*row), Fields(fresh));
    delete row;  // the copy's strings must survive
    EXPECT_EQ(Fields(*copy), filled);
    EXPECT_EQ(SysStringLen(copy->subject), 5u);
    delete copy;

    // A missing category text is copied as an empty one; other strings stay missing.
    DATACALENDAR bare;
    bare.oid = 5;
    std::unique_ptr<DATACALENDAR> blank(bare.Copy());
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(Text(blank->subject) + "/" + Text(blank->extraText) + "/" + Text(blank->categoryText), "<null>/<null>/");
}

// Rows sharing their strings: every holder shows the same texts until the
// last one goes, and a row given its own copies can change them alone.
TEST(DataCalendarTest, CopiesSharingTextsKeepThemUntilTheLastHolderGoes)
{
    auto* series = new DATACALENDAR;
    Fill(*series);
    const std::string filled = Fields(*series);
    std::unique_ptr<DATACALENDAR> first(series->CopySharingTexts());
    std::unique_ptr<DATACALENDAR> second(first->CopySharingTexts());
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->subject, series->subject);
    EXPECT_EQ(second->categoryText, series->categoryText);
    series->NullData();  // the source lets go; the copies still hold the texts
    EXPECT_EQ(Fields(*first), filled);
    delete series;

    ASSERT_TRUE(second->OwnTexts());
    EXPECT_NE(second->subject, first->subject);
    SysFreeString(second->subject);
    second->subject = SysAllocString(u"Moved");
    EXPECT_EQ(Text(first->subject) + "/" + Text(second->subject), "Lunch/Moved");
    EXPECT_EQ(SysStringLen(second->location), 4u);
    first.reset();
    EXPECT_EQ(Text(second->categoryText), "Work, Home");

    // Shared strings are freed once the copies are gone; a missing category
    // text is shared as an empty one, as Copy makes it.
    DATACALENDAR bare;
    std::unique_ptr<DATACALENDAR> blank(bare.CopySharingTexts());
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(Text(blank->subject) + "/" + Text(blank->categoryText), "<null>/");
    bare.FreeTexts();
    EXPECT_EQ(Text(blank->categoryText), "");
}

// A row carrying a task is not copied; it hands the task to its deleter.
TEST(DataCalendarTest, RowCarryingATask)
{
    static int deleted = 0;
    static DATATASKS* seen = nullptr;
    deleted = 0;
    seen = nullptr;
    auto* saved = DATACALENDAR::s_pfnDeleteTask;
    DATACALENDAR::s_pfnDeleteTask = [](DATATASKS* task) {
        ++deleted;
        seen = task;
    };
    alignas(16) static char taskStandIn[64];
    {
        DATACALENDAR row;
        row.task = reinterpret_cast<DATATASKS*>(taskStandIn);
        EXPECT_EQ(row.Copy(), nullptr);
        EXPECT_EQ(row.CopySharingTexts(), nullptr);
        row.NullData();
        EXPECT_EQ(row.task, nullptr);
        EXPECT_EQ(deleted, 1);
        row.task = reinterpret_cast<DATATASKS*>(taskStandIn);
    }  // the destructor too
    EXPECT_EQ(deleted, 2);
    EXPECT_EQ(seen, reinterpret_cast<DATATASKS*>(taskStandIn));
    DATACALENDAR::s_pfnDeleteTask = saved;
}

TEST(DataGeneralTest, NullDataFreesTextsAndResetsTheDefaults)
{
    auto fields = [](const DATAGENERAL& h) {
        std::ostringstream out;
        out << h.oid << ' ' << h.kind << ' ' << h.date << ' ' << h.hasJournal << h.hasLinks << h.isPrivate << h.hasNote
            << ' ' << h.importance << ' ' << int(h.filled) << ' '
            << (h.displayText || h.groupText || h.categoryText || h.secondaryText || h.furtherText);
        return out.str();
    };
    DATAGENERAL hit;
    EXPECT_EQ(fields(hit), "0 0 949998 0000 1 0 0");
    hit.oid = 9;
    hit.kind = 4;
    hit.displayText = _wcsdup(u"<b>x</b>");
    hit.groupText = _wcsdup(u"g");
    hit.categoryText = _wcsdup(u"c");
    hit.secondaryText = _wcsdup(u"s");
    hit.furtherText = _wcsdup(u"f");
    hit.date = 45000.5;
    hit.hasJournal = hit.hasLinks = hit.isPrivate = hit.hasNote = 1;
    hit.importance = 2;
    hit.filled = 1;
    hit.NullData();
    EXPECT_EQ(fields(hit), "0 0 949998 0000 1 0 0");
    hit.displayText = _wcsdup(u"left for the destructor");
}

// Every field apart from the place in the tree, as one line.
std::string Fields(const DATATASKS& r)
{
    std::ostringstream out;
    out << r.rank << ' ' << r.order << ' ' << r.importance << ' ' << r.oid << ' ' << Text(r.priorityNumber) << ' '
        << Text(r.priorityLetter) << ' ' << Text(r.subject) << '/' << Text(r.categories) << '/' << Text(r.iconText)
        << ' ' << r.dueDate << ' ' << r.startDate << ' ' << r.completionDate << ' '
        << r.hasJournal << r.hasLinks << r.sensitivity << r.hasNote << ' ' << r.flag4126 << ' ' << r.reminderSet << ' '
        << r.complete << ' ' << r.percentComplete << ' ' << int(r.overdue) << int(r.dueToday) << int(r.hidden)
        << int(r.expandable) << int(r.filled);
    return out.str();
}

// The place in the tree: parent flag, expanded, parent OID, depth, group index, parent, children.
std::string Tree(const DATATASKS& r)
{
    std::ostringstream out;
    out << int(r.keptAsParent) << int(r.expanded) << ' ' << r.parentOid << ' ' << r.depth << ' ' << r.groupIndex << ' '
        << r.parent << ' ' << r.NumChildren();
    return out.str();
}

// A row with every field away from its default.
void FillAll(DATATASKS& row, DATATASKS* parent)
{
    row.rank = 4;
    row.order = 9;
    row.importance = kTaskImportanceHigh;
    row.oid = 0x1234;
    wcscpy(row.priorityNumber, u"12");
    wcscpy(row.priorityLetter, u"B");
    row.subject = _wcsdup(u"Pay bills");
    row.categories = _wcsdup(u"Home, Work");
    row.iconText = _wcsdup(u"$");
    row.dueDate = 45000.5;
    row.startDate = 44990.0;
    row.completionDate = 45001.0;
    row.hasJournal = row.hasLinks = row.sensitivity = row.hasNote = 1;
    row.flag4126 = 3;
    row.reminderSet = 5;
    row.complete = 1;
    row.percentComplete = 100;
    row.overdue = row.dueToday = row.hidden = 1;
    row.expandable = 0;
    row.filled = 1;
    row.keptAsParent = 1;
    row.expanded = 1;
    row.parentOid = 0x99;
    row.depth = 2;
    row.groupIndex = 6;
    row.parent = parent;
}

TEST(DataTasks, ResetGivesTheDefaultsAndKeepsThePlaceInTheTreeUnlessToldOtherwise)
{
    const DATATASKS fresh;
    EXPECT_EQ(Fields(fresh), "0 0 1 0   <null>/<null>/<null> 949998 949998 949998 0000 0 0 0 0 00010");
    EXPECT_EQ(Tree(fresh), "00 0 0 0 0 0");
    EXPECT_TRUE(fresh.IsHeader());

    DATATASKS parent, child, row;
    FillAll(row, &parent);
    row.children.Append(&child);
    const std::string tree = Tree(row);

    row.NullData(false);
    EXPECT_EQ(Fields(row), Fields(fresh));
    EXPECT_EQ(Tree(row), tree);

    FillAll(row, &parent);
    row.NullData(true);
    EXPECT_EQ(Fields(row), Fields(fresh));
    EXPECT_EQ(Tree(row), Tree(fresh));
    // The child was only unlinked: the stack frees it, once.
}

TEST(DataTasks, CopyOwnsItsStringsAndTakesTheTreeOnlyWhenAsked)
{
    DATATASKS parent, child1, child2;
    auto row = std::make_unique<DATATASKS>();
    FillAll(*row, &parent);
    row->filled = 0;
    row->children.Append(&child1);
    row->children.Append(&child2);

    std::unique_ptr<DATATASKS> bare(row->Copy(false));
    std::unique_ptr<DATATASKS> tree(row->Copy(true));
    ASSERT_NE(bare, nullptr);
    ASSERT_NE(tree, nullptr);
    row->filled = 1;  // a copy is always marked filled
    const std::string fields = Fields(*row);
    EXPECT_EQ(Tree(*tree), Tree(*row));
    EXPECT_EQ(Tree(*bare), "10 153 0 0 0 0") << "parent OID and kept as parent only";
    // The child lists are separate lists sharing the children.
    tree->children.RemoveAt(tree->children.GetIndexBase(), false);
    EXPECT_EQ(row->NumChildren(), 2);
    EXPECT_EQ(tree->children.GetHead(), &child2);

    // The original goes first: the copies' strings must survive it.
    row.reset();
    EXPECT_EQ(Fields(*bare), fields);
    EXPECT_EQ(Fields(*tree), fields);

    // A missing string stays missing, an empty one is copied.
    DATATASKS blank;
    blank.subject = _wcsdup(u"");
    std::unique_ptr<DATATASKS> copy(blank.Copy(false));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->subject, blank.subject);
    EXPECT_EQ(Text(copy->subject) + Text(copy->categories) + Text(copy->iconText), "<null><null>");
}

TEST(DataTasks, TotalNumChildrenCountsEveryLevelAndSurvivesALoop)
{
    DATATASKS root, a, b, a1, a2, a2x;
    root.children.Append(&a);
    root.children.Append(&b);
    a.children.Append(&a1);
    a.children.Append(&a2);
    a2.children.Append(&a2x);
    EXPECT_EQ(root.TotalNumChildren(), 5);
    EXPECT_EQ(a.TotalNumChildren(), 3);
    EXPECT_EQ(b.TotalNumChildren(), 0);

    // A loop of damaged links is counted once round instead of forever.
    a2x.children.Append(&a);
    EXPECT_EQ(root.TotalNumChildren(), 6);
}

// A row's children keep the list's positions: inserts before a position from 0 up to the count (which appends),
// removals at 0 to count - 1; other positions change nothing.
TEST(DataTasks, ChildrenInsertAndRemoveByPositionAsAListDoes)
{
    DATATASKS row, a, b, c, d;
    EXPECT_EQ(row.children.GetHead(), nullptr);
    auto order = [&] {
        std::string out;
        for (DATATASKS* child : row.children) out += child == &a ? 'a' : child == &b ? 'b' : child == &c ? 'c' : 'd';
        return out + " " + std::to_string(row.NumChildren()) + (row.IsParentNode() ? "P" : "");
    };
    struct Step {
        bool insert;
        int pos;
        DATATASKS* child;
        int result;
        const char* after;
    };
    const Step steps[] = {
        {false, 0, nullptr, CELIST_BADPOSITION, " 0"},
        {true, 1, &a, CELIST_BADPOSITION, " 0"},
        {true, 0, &b, CELIST_OK, "b 1P"},
        {true, 0, &a, CELIST_OK, "ab 2P"},
        {true, 2, &d, CELIST_OK, "abd 3P"},
        {true, 2, &c, CELIST_OK, "abcd 4P"},
        {true, 5, &a, CELIST_BADPOSITION, "abcd 4P"},
        {true, -1, &a, CELIST_BADPOSITION, "abcd 4P"},
        {false, 4, nullptr, CELIST_BADPOSITION, "abcd 4P"},
        {false, -1, nullptr, CELIST_BADPOSITION, "abcd 4P"},
        {false, 3, nullptr, CELIST_OK, "abc 3P"},
        {false, 0, nullptr, CELIST_OK, "bc 2P"},
    };
    for (const Step& step : steps) {
        const int result = step.insert ? row.children.InsertAt(step.pos, step.child) : row.children.RemoveAt(step.pos);
        EXPECT_EQ(result, step.result) << (step.insert ? "insert at " : "remove at ") << step.pos;
        EXPECT_EQ(order(), step.after) << (step.insert ? "insert at " : "remove at ") << step.pos;
    }
    EXPECT_EQ(row.children.GetCount() * 10 + (row.children.GetHead() == &b), 21);
    row.children.RemoveAll();
    EXPECT_EQ(order(), " 0");
}

TEST(NoteEmptinessTest, MissingBlankAndEmptyInkNotesAreEmpty)
{
    EXPECT_TRUE(IsNoteEmpty(nullptr));
    BYTE text[] = {'h', 'i'};
    CEBLOB noCount{0, text}, noData{2, nullptr};
    EXPECT_TRUE(IsNoteEmpty(&noCount));
    EXPECT_TRUE(IsNoteEmpty(&noData));

    // Each note is start filled up with 'x' to size bytes.
    struct Case {
        std::string start;
        size_t size;
        bool empty;
    } cases[] = {
        {std::string("\0ab", 3), 3, true},  // a first byte of 0
        {"a", 1, false},
        {std::string("B\0u\0", 4), 4, false},  // a zero after the first byte
        {"\xEF\xBB\xBF\xCE\xB1", 6, false},    // text in UTF-8 after its marker
        {"{\\pwi", 476, true},
        {"{\\pwi1\\ansi", 476, true},
        {"{\\pwi", 475, false},  // an ink note with something in it
        {"{\\pwi", 477, false},
        {"{\\pwX", 476, false},
        {" {\\pwi", 476, false},
        {"{\\PWI", 476, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start + " / " + std::to_string(c.size));
        std::vector<BYTE> bytes(c.start.begin(), c.start.end());
        bytes.resize(c.size, 'x');
        CEBLOB blob{static_cast<DWORD>(bytes.size()), bytes.data()};
        EXPECT_EQ(IsNoteEmpty(&blob), c.empty);
    }
}

}  // namespace
