// DATACALENDAR and DATAGENERAL: empty states, NullData, and independent
// copies of calendar rows.
#include <gtest/gtest.h>

#include <string>

#include "engine/data_calendar.h"
#include "engine/data_general.h"
#include "platform/text/wide_string.h"

namespace {

void ExpectEmpty(const DATACALENDAR& row)
{
    EXPECT_EQ(row.task, nullptr);
    EXPECT_EQ(row.subject, nullptr);
    EXPECT_EQ(row.location, nullptr);
    EXPECT_EQ(row.extraText, nullptr);
    EXPECT_EQ(row.categoryText, nullptr);
    EXPECT_EQ(row.day, 949998);
    EXPECT_EQ(row.start, 949998.0);
    EXPECT_EQ(row.end, 949998.0);
    EXPECT_EQ(row.kind, 3u);
    EXPECT_EQ(row.oid, 0u);
    EXPECT_EQ(row.duration, 0);
    EXPECT_EQ(row.hasLinks + row.hasJournal + row.hasNote + row.allDay + row.isPrivate + row.recurring + row.exception +
                  row.reminder,
              0);
    EXPECT_EQ(row.trailing, 0u);
    EXPECT_EQ(row.endsEarly, 0);
    EXPECT_EQ(row.anniversaryYear + row.birthdayYear, 0);
    EXPECT_EQ(row.ownsStrings, 0);
}

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
    row.kind = 2;
    row.endsEarly = 1;
    row.anniversaryYear = 1999;
    row.birthdayYear = 1970;
}

TEST(DataCalendarTest, NewAndNulledRowsAreEmpty)
{
    DATACALENDAR row;
    ExpectEmpty(row);
    Fill(row);
    row.ownsStrings = 1;
    row.NullData();
    ExpectEmpty(row);
}

TEST(DataCalendarTest, CopyIsIndependentAndOwnsItsStrings)
{
    auto* row = new DATACALENDAR;
    Fill(*row);
    DATACALENDAR* copy = row->Copy();
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->subject, row->subject);
    EXPECT_NE(copy->categoryText, row->categoryText);
    delete row;  // the copy's strings must survive
    EXPECT_EQ(std::u16string(copy->subject), u"Lunch");
    EXPECT_EQ(SysStringLen(copy->subject), 5u);
    EXPECT_EQ(std::u16string(copy->location), u"Cafe");
    EXPECT_EQ(std::u16string(copy->extraText), u"extra");
    EXPECT_EQ(std::u16string(copy->categoryText), u"Work, Home");
    EXPECT_EQ(copy->oid, 0x1234u);
    EXPECT_EQ(copy->busyStatus, 3);
    EXPECT_EQ(copy->duration, 90);
    EXPECT_EQ(copy->day, 45000);
    EXPECT_EQ(copy->start, 45000.25);
    EXPECT_EQ(copy->end, 45000.3125);
    EXPECT_EQ(copy->allDay, 0xFFFF);
    EXPECT_EQ(copy->kind, 2u);
    EXPECT_EQ(copy->endsEarly, 1);
    EXPECT_EQ(copy->anniversaryYear, 1999);
    EXPECT_EQ(copy->birthdayYear, 1970);
    EXPECT_EQ(copy->ownsStrings, 1);
    delete copy;
}

TEST(DataCalendarTest, CopyWithoutCategoryTextGivesAnEmptyOne)
{
    DATACALENDAR row;
    row.oid = 5;
    DATACALENDAR* copy = row.Copy();
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy->categoryText, nullptr);
    EXPECT_EQ(copy->categoryText[0], 0);
    EXPECT_EQ(copy->subject, nullptr);
    EXPECT_EQ(copy->extraText, nullptr);
    delete copy;
}

TEST(DataCalendarTest, RowCarryingATaskIsNotCopied)
{
    DATACALENDAR row;
    alignas(16) static char taskStandIn[64];
    row.task = reinterpret_cast<DATATASKS*>(taskStandIn);
    EXPECT_EQ(row.Copy(), nullptr);
    row.task = nullptr;
}

TEST(DataCalendarTest, NullDataHandsTheTaskToItsDeleter)
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
    DATAGENERAL hit;
    EXPECT_EQ(hit.date, 949998.0);
    EXPECT_EQ(hit.importance, 1u);
    EXPECT_EQ(hit.displayText, nullptr);
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
    EXPECT_EQ(hit.oid, 0u);
    EXPECT_EQ(hit.kind, 0u);
    for (WCHAR* text : {hit.displayText, hit.groupText, hit.categoryText, hit.secondaryText, hit.furtherText})
        EXPECT_EQ(text, nullptr);
    EXPECT_EQ(hit.date, 949998.0);
    EXPECT_EQ(hit.hasJournal + hit.hasLinks + hit.isPrivate + hit.hasNote, 0);
    EXPECT_EQ(hit.importance, 1u);
    EXPECT_EQ(hit.filled, 0);
    hit.displayText = _wcsdup(u"left for the destructor");
}

}  // namespace
