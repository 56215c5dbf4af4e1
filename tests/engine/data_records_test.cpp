// DATACALENDAR and DATAGENERAL: empty states, NullData, and independent
// copies of calendar rows.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "engine/data_calendar.h"
#include "engine/data_general.h"
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

}  // namespace
