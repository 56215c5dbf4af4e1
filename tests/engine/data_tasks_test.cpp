// DATATASKS: the empty row, resetting it, copies that own their strings,
// and counting descendants.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/data_tasks.h"
#include "platform/wide_string.h"

namespace {

std::u16string Text(const WCHAR* s) { return s ? std::u16string(s) : std::u16string(u"<null>"); }

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
    row.spareDate = 1.0;
    row.hasJournal = row.hasLinks = row.sensitivity = row.hasNote = 1;
    row.flag4126 = 3;
    row.flag4503 = 5;
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

void ExpectDefaultsApartFromTree(const DATATASKS& row)
{
    EXPECT_EQ(row.rank, 0);
    EXPECT_EQ(row.order, 0);
    EXPECT_EQ(row.importance, kTaskImportanceNormal);
    EXPECT_EQ(row.oid, 0u);
    EXPECT_EQ(row.priorityNumber[0], 0);
    EXPECT_EQ(row.priorityLetter[0], 0);
    EXPECT_EQ(row.subject, nullptr);
    EXPECT_EQ(row.categories, nullptr);
    EXPECT_EQ(row.iconText, nullptr);
    EXPECT_EQ(row.dueDate, kTaskNoDate);
    EXPECT_EQ(row.startDate, kTaskNoDate);
    EXPECT_EQ(row.completionDate, kTaskNoDate);
    EXPECT_EQ(row.spareDate, kTaskNoDate);
    EXPECT_EQ(row.hasJournal + row.hasLinks + row.sensitivity + row.hasNote + row.flag4126 + row.flag4503 +
                  row.complete + row.percentComplete,
              0);
    EXPECT_EQ(row.overdue + row.dueToday + row.hidden + row.filled, 0);
    EXPECT_EQ(row.expandable, 1);
}

void ExpectTreeCleared(const DATATASKS& row)
{
    EXPECT_EQ(row.keptAsParent, 0);
    EXPECT_EQ(row.expanded, 0);
    EXPECT_EQ(row.parentOid, 0u);
    EXPECT_EQ(row.depth, 0);
    EXPECT_EQ(row.groupIndex, 0);
    EXPECT_EQ(row.parent, nullptr);
    EXPECT_EQ(row.NumChildren(), 0);
    EXPECT_FALSE(row.IsParentNode());
}

TEST(DataTasks, NewRowHasTheDefaults)
{
    DATATASKS row;
    ExpectDefaultsApartFromTree(row);
    ExpectTreeCleared(row);
    EXPECT_TRUE(row.IsHeader());
    EXPECT_EQ(row.TotalNumChildren(), 0);
}

TEST(DataTasks, ResetKeepsThePlaceInTheTreeUnlessToldOtherwise)
{
    DATATASKS parent;
    DATATASKS child;
    DATATASKS row;
    FillAll(row, &parent);
    row.children.Append(&child);

    row.NullData(false);
    ExpectDefaultsApartFromTree(row);
    EXPECT_EQ(row.keptAsParent, 1);
    EXPECT_EQ(row.expanded, 1);
    EXPECT_EQ(row.parentOid, 0x99u);
    EXPECT_EQ(row.depth, 2);
    EXPECT_EQ(row.groupIndex, 6);
    EXPECT_EQ(row.parent, &parent);
    ASSERT_EQ(row.NumChildren(), 1);
    EXPECT_EQ(row.children.GetHead(), &child);

    FillAll(row, &parent);
    row.NullData(true);
    ExpectDefaultsApartFromTree(row);
    ExpectTreeCleared(row);
    // The child was only unlinked: it is still usable (and freed by its owner).
    child.oid = 5;
    EXPECT_EQ(child.oid, 5u);

    // Resetting an empty row again, with an empty string, is safe.
    row.subject = _wcsdup(u"");
    row.NullData(false);
    row.NullData(true);
    EXPECT_EQ(row.subject, nullptr);
}

TEST(DataTasks, CopyOwnsItsStringsAndIsMarkedFilled)
{
    DATATASKS parent;
    DATATASKS child;
    auto row = std::make_unique<DATATASKS>();
    FillAll(*row, &parent);
    row->filled = 0;
    row->children.Append(&child);

    std::unique_ptr<DATATASKS> copy(row->Copy(false));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->subject, row->subject);
    EXPECT_NE(copy->categories, row->categories);
    EXPECT_NE(copy->iconText, row->iconText);
    EXPECT_EQ(copy->filled, 1);
    // The original goes first: the copy's strings must survive it.
    row.reset();
    EXPECT_EQ(Text(copy->subject), u"Pay bills");
    EXPECT_EQ(Text(copy->categories), u"Home, Work");
    EXPECT_EQ(Text(copy->iconText), u"$");
    EXPECT_EQ(Text(copy->priorityNumber) + Text(copy->priorityLetter), u"12B");
    EXPECT_EQ(copy->oid, 0x1234u);
    EXPECT_EQ(copy->rank + copy->order + copy->importance, 4 + 9 + kTaskImportanceHigh);
    EXPECT_EQ(copy->dueDate, 45000.5);
    EXPECT_EQ(copy->startDate + copy->completionDate + copy->spareDate, 44990.0 + 45001.0 + 1.0);
    EXPECT_EQ(copy->hasJournal + copy->hasLinks + copy->sensitivity + copy->hasNote + copy->complete +
                  copy->overdue + copy->dueToday + copy->hidden + copy->flag4126 + copy->flag4503,
              8 + 3 + 5);
    EXPECT_EQ(copy->percentComplete, 100);
    EXPECT_EQ(copy->expandable, 0);
    EXPECT_EQ(copy->parentOid, 0x99u);
    EXPECT_EQ(copy->keptAsParent, 1);
    // Without the tree: no place in it.
    EXPECT_EQ(copy->expanded, 0);
    EXPECT_EQ(copy->depth, 0);
    EXPECT_EQ(copy->groupIndex, 0);
    EXPECT_EQ(copy->parent, nullptr);
    EXPECT_EQ(copy->NumChildren(), 0);
}

TEST(DataTasks, CopyWithTheTreeSharesTheChildren)
{
    DATATASKS parent;
    DATATASKS child1;
    DATATASKS child2;
    DATATASKS row;
    FillAll(row, &parent);
    row.children.Append(&child1);
    row.children.Append(&child2);

    std::unique_ptr<DATATASKS> copy(row.Copy(true));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->expanded, 1);
    EXPECT_EQ(copy->depth, 2);
    EXPECT_EQ(copy->groupIndex, 6);
    EXPECT_EQ(copy->parent, &parent);
    ASSERT_EQ(copy->NumChildren(), 2);
    EXPECT_EQ(copy->children.GetAt(0), &child1);
    EXPECT_EQ(copy->children.GetAt(1), &child2);
    // The child lists are separate lists.
    copy->children.RemoveAt(0, false);
    EXPECT_EQ(row.NumChildren(), 2);
}

TEST(DataTasks, CopyKeepsMissingAndEmptyStringsApart)
{
    DATATASKS row;
    row.subject = _wcsdup(u"");
    std::unique_ptr<DATATASKS> copy(row.Copy(false));
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy->subject, nullptr);
    EXPECT_EQ(copy->subject[0], 0);
    EXPECT_NE(copy->subject, row.subject);
    EXPECT_EQ(copy->categories, nullptr);
    EXPECT_EQ(copy->iconText, nullptr);
}

TEST(DataTasks, TotalNumChildrenCountsEveryLevel)
{
    DATATASKS root;
    DATATASKS a, b, a1, a2, a2x;
    root.children.Append(&a);
    root.children.Append(&b);
    a.children.Append(&a1);
    a.children.Append(&a2);
    a2.children.Append(&a2x);
    EXPECT_EQ(root.NumChildren(), 2);
    EXPECT_EQ(root.TotalNumChildren(), 5);
    EXPECT_EQ(a.TotalNumChildren(), 3);
    EXPECT_EQ(b.TotalNumChildren(), 0);
    EXPECT_TRUE(a2.IsParentNode());
    EXPECT_FALSE(a2x.IsParentNode());

    // A loop of damaged links is counted once round instead of forever.
    a2x.children.Append(&a);
    EXPECT_EQ(root.TotalNumChildren(), 6);
}

}  // namespace
