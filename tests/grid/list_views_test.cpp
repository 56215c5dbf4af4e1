// The list views' rows: what their cells say (read back through the parser,
// as the grid will show them), groups that open and close, the day view's
// floaters over the time slots, and pictures of the three lists compared
// with reviewed ones.
#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "categories/category_color_icons.h"
#include "engine/data_calendar.h"
#include "engine/data_contacts.h"
#include "engine/data_tasks.h"
#include "grid/calendar_day_presenter.h"
#include "grid/calendar_list_presenter.h"
#include "grid/contact_list_presenter.h"
#include "grid/list_cell_text.h"
#include "grid/list_grid.h"
#include "grid/task_list_presenter.h"
#include "platform/text/bstr.h"
#include "platform/messaging/painting.h"
#include "platform/objectstore/call_log.h"
#include "platform/text/wide_string.h"
#include "tests/categories/category_test_support.h"
#include "tests/engine/contacts_store.h"
#include "tests/grid/golden_compare.h"
#include "tests/grid/markup_canvas.h"
#include "tests/support/locale_pin.h"
#include "tests/support/test_windows.h"

namespace {

// 7 December 2026, a Monday, as an OLE date.
constexpr LONG kMonday = 46363;

// The text a cell shows: its text tokens joined, zero-width spaces dropped.
std::u16string Shown(const std::u16string& markup)
{
    CHTMLParser parser;
    parser.SetHTML(markup.c_str());
    parser.ParseHTML(nullptr);
    WCHAR buf[1024] = {};
    parser.GetText(buf, 1024, false);
    std::u16string out;
    for (const WCHAR* p = buf; *p; ++p) {
        if (*p != u'\u200B') out += *p;
    }
    return out;
}

TEST(ListCellText, ItemTextStaysTextInsideMarkup)
{
    const std::u16string cases[] = {u"plain", u"<B>not bold</B>", u"a <FONT COLOR=#FF0000>b", u"<A=x>link</A>",
                                    u"x < y > z", u"<BR><EDGE><SPAN>"};
    for (const std::u16string& text : cases) {
        SCOPED_TRACE(U8(text));
        EXPECT_EQ(Shown(u"<B>" + ListMarkupText(text) + u"</B>"), text);
    }
    EXPECT_EQ(ListMarkupText(u"two\r\nlines\tand\n\ntabs"), u"two lines and tabs");
}

// A call-log row's name is the loader's mark-up; a contact's is typed text.
TEST(ListCellText, CallLogRowsDrawTheirMarkupContactNamesStayText)
{
    const std::u16string name = u"<B>Ann Lee</B><BR><I>555-0101</I>";
    struct Case {
        bool call;
        bool tagsShown;
    } const cases[] = {{true, false}, {false, true}};
    for (const Case& c : cases) {
        DATACONTACTS row;
        row.displayName = const_cast<WCHAR*>(name.c_str());
        row.secondLine = const_cast<WCHAR*>(u"555-0101");
        if (c.call) row.callStart.dwHighDateTime = 0x01DD0000;
        const std::u16string shown = Shown(ContactRowMarkup(row));
        EXPECT_EQ(shown.find(u"<B>") != std::u16string::npos, c.tagsShown) << U8(shown);
        EXPECT_EQ(shown.find(u"555-0101") != shown.rfind(u"555-0101"), !c.call) << "the number once: " << U8(shown);
    }
}

// The call log's rows come as mark-up from the loader; the caller's name and
// number in them are typed text and draw as typed.
using CallLogRows = loadertest::LoaderSandbox;

TEST_F(CallLogRows, NamesAndNumbersDrawAsTyped)
{
    const struct {
        std::u16string name, number;
    } cases[] = {
        {u"<B>x", u"555 0101"},   {u"a<BR>b", u"555 0102"}, {u"1 < 2 > 0", u"<5550103"},
        {u"&lt;", u"555 0104"},   {u"", u"<I>555</I>"},     {u"Ann <FONT COLOR=#FF0000>Lee", u""},
    };
    contacttest::WriteContact({.fileAs = u"Carl"});  // the list needs a contacts database
    for (size_t i = 0; i < std::size(cases); ++i)
        platform::AddCallLogEntry({.number = cases[i].number,
                                   .name = cases[i].name,
                                   .start = FILETIME{static_cast<DWORD>(i * 600000000u), 31000000}});
    contacttest::SetContactSetting(u"DisplayFormat", kContactsCallLog);
    CContactsThread loader;
    ASSERT_TRUE(contacttest::Load(loader));
    const auto& rows = loader.GetDataList();
    ASSERT_EQ(rows.size(), std::size(cases));
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto& c = cases[std::size(cases) - 1 - i];  // newest first
        const std::u16string shown = Shown(ContactRowMarkup(*rows[i]));
        // The name in bold first (the number when there is no name), then the number.
        const std::u16string& title = c.name.empty() ? c.number : c.name;
        EXPECT_TRUE(shown.starts_with(title)) << U8(title) << " shows " << U8(shown);
        if (!c.name.empty() && !c.number.empty()) {
            EXPECT_NE(shown.find(c.number, title.size()), std::u16string::npos) << U8(shown);
        }
    }
}

class ListCategories : public cattest::CategoryStore {
protected:
    void SetUp() override
    {
        CategoryStore::SetUp();
        cattest::WriteCategories({{u"Work", 0}, {u"Home", 1}, {u"Say \"hi\"", 2}});
        ASSERT_TRUE(SetCategoryColor(u"Home", RGB(0x12, 0x34, 0x56)));
    }
    void TearDown() override
    {
        CCategoryColorIcons::ClearInit();
        CategoryStore::TearDown();
    }
};

TEST_F(ListCategories, PicturesThenNamesInTheFirstColourFound)
{
    const struct {
        const char16_t* categories;
        std::u16string markup;
    } cases[] = {
        {nullptr, u""},
        {u"", u""},
        {u"Work", u"<IMG SRC=\"Work.bmp\">\u00A0Work"},
        {u"Work, Home", u"<IMG SRC=\"Work.bmp\"><IMG SRC=\"Home.bmp\">\u00A0<FONT COLOR=#123456>Work, Home</FONT>"},
        // A quote would end the picture's tag: no pictures, the names as text.
        {u"Say \"hi\", Home", u"<FONT COLOR=#123456>Say \"hi\", Home</FONT>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.categories ? U8(c.categories) : "null");
        EXPECT_EQ(U8(ListCategoryText(c.categories)), U8(c.markup));
    }
}

class ListLocale : public EnUsLocaleTest {};

TEST_F(ListLocale, DatesOutsideTheCalendarAreLeftOut)
{
    EXPECT_EQ(ListDateText(kMonday), u"12/7/2026");
    EXPECT_EQ(ListTimeText(kMonday + 0.5625), u"1:30 PM");
    EXPECT_EQ(ListHourText(kMonday + 0.5625), u"1 PM");
    for (double none : {0.0, -3.0, 949998.0, 1e300}) EXPECT_EQ(ListDateText(none), u"") << none;
}

// A task row made by hand, its strings owned by the row.
std::unique_ptr<DATATASKS> Task(DWORD oid, const char16_t* subject, LONG importance = kTaskImportanceNormal)
{
    auto t = std::make_unique<DATATASKS>();
    t->oid = oid;
    t->subject = _wcsdup(subject);
    t->importance = importance;
    return t;
}

TEST_F(ListLocale, TaskRowsShowPrioritySubjectDatesAndMarks)
{
    struct Case {
        const char* name;
        void (*set)(DATATASKS&);
        std::u16string priorityShown;
        std::u16string subjectShown;
        std::u16string mustContain;  // a piece of the subject cell's mark-up
    };
    const Case cases[] = {
        {"high with a code", [](DATATASKS& t) { wcscpy(t.priorityLetter, u"A"), wcscpy(t.priorityNumber, u"2"); },
         u"A2", u"Call Ann", u"<FONT COLOR=#C00000>A2"},
        {"high without code", [](DATATASKS&) {}, u"!", u"Call Ann", u"Call Ann"},
        {"complete", [](DATATASKS& t) { t.complete = 1; }, u"!", u"Call Ann", u"<S>"},
        {"overdue, due", [](DATATASKS& t) { t.overdue = 1, t.dueDate = kMonday; }, u"!", u"12/7/2026Call Ann",
         u"<SPAN><FONT COLOR=#C00000>12/7/2026"},
        {"nested two deep", [](DATATASKS& t) { t.depth = 2; }, u"!", u"\u00A0\u00A0\u00A0\u00A0\u00A0\u00A0Call Ann",
         u"Call Ann"},
        {"notes line", [](DATATASKS& t) {
             t.reminderSet = 1, t.sensitivity = 1, t.percentComplete = 40, t.categories = _wcsdup(u"Work, Home");
         },
         u"!", u"Call Ann40% \u00B7 \u00A0Work, Home \u00B7 reminder \u00B7 private", u"<IMG SRC=\"Work.bmp\">"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto task = Task(7, u"Call Ann", kTaskImportanceHigh);
        c.set(*task);
        const std::vector<std::u16string> cells = TaskRowCells(*task);
        ASSERT_EQ(cells.size(), 2u);
        EXPECT_EQ(Shown(cells[0]), c.priorityShown);
        EXPECT_EQ(Shown(cells[1]), c.subjectShown);
        EXPECT_TRUE((cells[0] + cells[1]).find(c.mustContain) != std::u16string::npos)
            << U8(cells[0]) << " | " << U8(cells[1]);
    }
}

TEST(ListRows, HeadersOpenAndCloseTheirGroups)
{
    CListRows rows({kListColumnShared});
    rows.AddItem(1, {u"before any header"});
    rows.AddHeader(u"Work", 2, true);
    rows.AddItem(2, {u"a"});
    rows.AddItem(3, {u"b"});
    rows.AddHeader(u"Home", 1, false);
    rows.AddItem(4, {u"c"});
    struct Step {
        int toggle;  // visible row tapped, -1 none
        bool toggled;
        int visible;
        int rowOfOid4;
    };
    const Step steps[] = {{-1, false, 5, -1}, {4, true, 6, 5}, {1, true, 4, 3}, {0, false, 4, 3}, {9, false, 4, 3}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.toggle);
        if (s.toggle >= 0) {
            EXPECT_EQ(rows.Toggle(s.toggle), s.toggled);
        }
        EXPECT_EQ(rows.VisibleCount(), s.visible);
        EXPECT_EQ(rows.FindItem(4), s.rowOfOid4);
    }
    // Closed "Work" now shows the closed marker and its count; past the end is no cell.
    EXPECT_EQ(Shown(rows.CellMarkup(1, 0)), u"+ Work (2)");
    EXPECT_EQ(rows.CellMarkup(4, 0), nullptr);
    EXPECT_EQ(rows.CellMarkup(0, 1), nullptr);
}

class ListHeaderSpot : public kstest::MarkupTest {};

TEST_F(ListHeaderSpot, TheMarkerIsTheHotSpotThatToggles)
{
    const CHotSpotArray spots = Draw(ListHeaderMarkup(u"Work", true, 3), RECT{0, 0, 200, 40});
    ASSERT_EQ(spots.size(), 1u);
    EXPECT_EQ(std::u16string(spots[0].target), u"toggle");
    EXPECT_EQ(spots[0].area.left, 0);
    EXPECT_LT(spots[0].area.right, Width(u"Work"));
}

// An appointment row owning its strings.
std::unique_ptr<DATACALENDAR> Appointment(DWORD oid, double start, double end, const char16_t* subject,
                                          LONG busy = 2)
{
    auto a = std::make_unique<DATACALENDAR>();
    a->oid = oid;
    a->start = start;
    a->end = end;
    a->day = static_cast<LONG>(start);
    a->duration = static_cast<LONG>((end - start) * 1440 + 0.5);
    a->subject = SysAllocString(subject);
    a->busyStatus = busy;
    return a;
}

constexpr double H(double hours) { return kMonday + hours / 24; }

TEST_F(ListLocale, DayViewHangsAppointmentsOverTheirSlots)
{
    struct Case {
        const char* name;
        double start, end;
        int firstMinute;  // the view's first slot
        int slots;
        WORD row, span, startPercent, lengthPercent;
    };
    const Case cases[] = {
        {"on the slots", H(9), H(10), 480, 20, 2, 2, 0, 100},
        {"inside one slot", H(9.25), H(9.5), 480, 20, 2, 1, 50, 50},
        {"off the slot edges", H(9.25), H(10.25), 480, 20, 2, 3, 16, 66},
        {"before eight", H(6.5), H(7), 390, 23, 0, 1, 0, 100},
        {"from yesterday", kMonday - 0.1, H(1), 0, 36, 0, 2, 0, 100},
        {"late into the night", H(20), H(23.75), 480, 32, 24, 8, 0, 93},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto a = Appointment(5, c.start, c.end, u"Review");
        const CALENDARDAYVIEW view = CalendarDayView({a.get()}, kMonday);
        EXPECT_EQ(view.firstMinute, c.firstMinute);
        EXPECT_EQ(view.rows.VisibleCount(), c.slots);
        ASSERT_EQ(view.floaters.size(), 1u);
        const LISTFLOATER& f = view.floaters[0];
        EXPECT_EQ(f.row, c.row);
        EXPECT_EQ(f.col, 1);
        EXPECT_EQ(f.rowSpan, c.span);
        EXPECT_EQ(f.startPercent, c.startPercent);
        EXPECT_EQ(f.lengthPercent, c.lengthPercent);
        EXPECT_EQ(f.id, 5u);
    }
    // An all-day entry takes a row above the slots, which move down by one;
    // an entry of another day is not shown.
    auto allDay = Appointment(6, kMonday, kMonday + 1, u"Holiday");
    allDay->allDay = 1;
    auto timed = Appointment(7, H(9), H(10), u"Review");
    auto tomorrow = Appointment(8, H(33), H(34), u"Later");
    const CALENDARDAYVIEW view = CalendarDayView({allDay.get(), timed.get(), tomorrow.get()}, kMonday);
    EXPECT_EQ(view.firstSlotRow, 1);
    EXPECT_EQ(Shown(view.rows.CellMarkup(0, 1)), u"Holiday");
    ASSERT_EQ(view.floaters.size(), 1u);
    EXPECT_EQ(view.floaters[0].row, 3);
    EXPECT_EQ(Shown(view.rows.CellMarkup(3, 0)), u"9 AM");
    EXPECT_EQ(Shown(view.rows.CellMarkup(4, 0)), u"");
}

TEST_F(ListLocale, AgendaAndWeekGroupEntriesByDay)
{
    auto a = Appointment(1, H(9), H(10), u"Standup");
    auto b = Appointment(2, H(24 + 14), H(24 + 15), u"Dentist");
    auto c = Appointment(3, H(24 + 8), H(24 + 8.5), u"Run");
    auto skipped = Appointment(4, H(24 * 9), H(24 * 9 + 1), u"Too late");
    const std::vector<const DATACALENDAR*> list{a.get(), c.get(), b.get(), skipped.get()};

    CListRows agenda = CalendarAgendaRows(list, kMonday, kMonday + 6);
    const std::u16string expected[] = {u"\u2013 Mon 7 Dec (1)", u"9:00 AM\u201310:00 AMStandup",
                                       u"\u2013 Tue 8 Dec (2)", u"8:00 AM\u20138:30 AMRun",
                                       u"2:00 PM\u20133:00 PMDentist"};
    ASSERT_EQ(agenda.VisibleCount(), 5);
    for (int r = 0; r < 5; ++r) EXPECT_EQ(Shown(agenda.CellMarkup(r, 0)), expected[r]) << r;
    agenda.Toggle(0);
    EXPECT_EQ(agenda.VisibleCount(), 4);

    const CListRows week = CalendarWeekRows(list, kMonday);
    ASSERT_EQ(week.VisibleCount(), 7);
    EXPECT_EQ(Shown(week.CellMarkup(1, 0)), u"Tue 8 Dec");
    EXPECT_EQ(Shown(week.CellMarkup(1, 1)), u"8:00 AM Run2:00 PM Dentist");
    EXPECT_EQ(Shown(week.CellMarkup(6, 1)), u"");
}

// Pictures of the three lists, at the size of a pocket screen.
class ListPictures : public kstest::MarkupTest {
protected:
    void SetUp() override
    {
        MarkupTest::SetUp();
        platform::SetUserLocaleName("en-US");
    }
    void TearDown() override
    {
        platform::SetUserLocaleName("");
        MarkupTest::TearDown();
    }
    // The list grid on a message-only parent that hands it every message.
    void Expect(const CListRows& rows, const std::vector<LISTFLOATER>& floaters, const char* name)
    {
        CListGrid grid;
        kstest::OwnWindow parent([&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
            LRESULT result = 0;
            if (grid.OnParentMessage(message, wParam, lParam, &result)) return result;
            return DefWindowProcW(hwnd, message, wParam, lParam);
        });
        const RECT rc{0, 0, 240, 320};
        ASSERT_TRUE(grid.Create(parent.Hwnd(), rc));
        grid.SetContent(rows, floaters);
        UpdateWindow(grid.GetHwnd());
        kstest::Canvas picture(240, 320);
        platform::OwnedBitmap shown(platform::WindowPicture(grid.GetHwnd()));
        platform::OwnedDc dc(CreateCompatibleDC(nullptr));
        HGDIOBJ old = SelectObject(dc.Get(), shown.Get());
        BitBlt(picture.dc.Get(), 0, 0, 240, 320, dc.Get(), 0, 0, SRCCOPY);
        SelectObject(dc.Get(), old);
        kstest::ExpectMatchesGolden(picture, 240, 320, name);
    }
};

TEST_F(ListPictures, TaskList)
{
    std::vector<std::unique_ptr<DATATASKS>> own;
    auto header = Task(0, u"Work");
    header->expanded = 1;
    auto add = [&](DWORD oid, const char16_t* subject, LONG importance, void (*set)(DATATASKS&)) {
        own.push_back(Task(oid, subject, importance));
        set(*own.back());
        own.back()->parent = header.get();
        header->children.InsertAt(header->children.GetCount(), own.back().get());
    };
    add(1, u"Quarterly report for the board", kTaskImportanceHigh, [](DATATASKS& t) {
        wcscpy(t.priorityLetter, u"A"), wcscpy(t.priorityNumber, u"1");
        t.dueDate = kMonday - 2, t.overdue = 1, t.categories = _wcsdup(u"Work"), t.reminderSet = 1;
    });
    add(2, u"Book the flights", kTaskImportanceNormal, [](DATATASKS& t) { t.dueDate = kMonday, t.dueToday = 1; });
    add(3, u"Renew the library card", kTaskImportanceLow, [](DATATASKS& t) { t.complete = 1; });
    add(4, u"Draft the <agenda> & notes", kTaskImportanceNormal,
        [](DATATASKS& t) { t.percentComplete = 50, t.hasNote = 1, t.sensitivity = 1; });
    auto closed = Task(0, u"Home");
    Expect(TaskListRows({header.get(), closed.get()}), {}, "list_tasks");
}

TEST_F(ListPictures, DayViewWithOverlappingAppointments)
{
    auto a = Appointment(1, H(9), H(10.5), u"Project review", 2);
    a->location = SysAllocString(u"Room 2");
    auto b = Appointment(2, H(9.5), H(10), u"Call Ben", 1);
    auto c = Appointment(3, H(10), H(11), u"Design", 2);
    auto d = Appointment(4, H(12.25), H(13), u"Lunch", 0);
    auto e = Appointment(5, kMonday, kMonday + 1, u"Ann's birthday");
    e->allDay = 1;
    const CALENDARDAYVIEW view = CalendarDayView({a.get(), b.get(), c.get(), d.get(), e.get()}, kMonday);
    Expect(view.rows, view.floaters, "list_day");
}

TEST_F(ListPictures, GroupedContactList)
{
    std::deque<DATACONTACTS> own;  // rows are made in place, never copied
    auto add = [&](const char16_t* name, const char16_t* second, BYTE header, LONG members, WORD group) {
        DATACONTACTS& c = own.emplace_back();
        c.oid = header ? 0 : static_cast<DWORD>(own.size());
        c.displayName = const_cast<WCHAR*>(name);
        c.secondLine = const_cast<WCHAR*>(second);
        c.header = header, c.memberCount = members, c.expanded = header && members > 0, c.groupIndex = group;
    };
    add(u"Acme Ltd", nullptr, 1, 2, 0);
    add(u"Berg, Anna", u"555-0100", 0, 0, 1);
    add(u"Chen, Li", u"555-0142", 0, 0, 1);
    add(u"Northwind", nullptr, 1, 0, 0);
    add(u"Zephyr Inc", nullptr, 1, 1, 0);
    add(u"Okafor, Ben", u"ben@example.com", 0, 0, 1);
    own.back().categories = const_cast<WCHAR*>(u"Friends");
    own.back().hasNote = 1;
    std::vector<const DATACONTACTS*> list;
    for (const DATACONTACTS& c : own) list.push_back(&c);
    Expect(ContactListRows(list), {}, "list_contacts");
}

}  // namespace
