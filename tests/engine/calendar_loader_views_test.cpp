// Calendar rows after a load. Sections: Views; Birthdays and anniversaries; Days and filters; Rows and day headers;
// Contact dates and journal entries; Series, holidays and floating days; Tasks.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <thread>
#include <tuple>

#include "engine/scoped_data_lock.h"
#include "platform/locale/compare_string.h"
#include "tests/engine/calendar_store.h"
#include "tests/engine/task_store.h"

using namespace caltest;

namespace {

std::set<std::string> Subjects(CCalendarThread& loader)
{
    std::set<std::string> subjects;
    for (DATACALENDAR* row : loader.GetDataList()) {
        if (row->oid != 0) subjects.insert(Utf8(row->subject));
    }
    return subjects;
}

// A row: kind, day, time, length, flags and category text.
std::string Shape(const DATACALENDAR* row)
{
    const SYSTEMTIME start = Day(row->start);
    std::ostringstream out;
    out << "kind " << row->kind << " day " << Day(row->day).wDay << " " << start.wHour << ":" << start.wMinute << "+"
        << row->duration << " busy " << row->busyStatus << " " << row->reminder << row->meeting << row->hasNote
        << row->hasLinks << row->hasJournal << row->isPrivate << row->recurring << row->exception << " '"
        << Utf8(row->categoryText) << "'";
    return out.str();
}

// A yearly all-day series from date: a birthday or an anniversary by its subject.
CEOID WriteYearly(const std::u16string& subject, double date)
{
    return WriteAppointment(
        {.subject = subject, .start = date, .duration = 1440, .allDay = true, .pattern = YearlyAllDay(date)});
}

class CalendarViewsTest : public CalendarStoreTest {};

// ---- Views ----------------------------------------------------------------

TEST_F(CalendarViewsTest, EachViewTakesItsOwnAppointmentsAndOccurrencesFromOneStore)
{
    // Something for every view, in the week of 7 December 2026.
    WriteAppointment({.subject = u"standup", .start = Date(2026, 12, 8, 9, 0), .duration = 15, .busy = 2});
    WriteAppointment({.subject = u"lunch", .start = Date(2026, 12, 9, 12, 0), .busy = 0});
    WriteAppointment({.subject = u"review", .start = Date(2026, 12, 10, 14, 0), .meeting = true});
    WriteAppointment({.subject = u"Boxing Day", .start = Date(2026, 12, 11), .duration = 1440, .allDay = true});
    WriteYearly(u"Mum bday", Date(1970, 12, 9));
    // Named an anniversary by its subject only.
    WriteYearly(u"Wedding anniv", Date(2001, 12, 12));
    WriteAppointment({.subject = u"gym",
                      .start = Date(2026, 11, 2, 18, 0),
                      .duration = 90,
                      .pattern = Weekly(Date(2026, 11, 2), 2, 18 * 60, 90)});
    WriteAppointment({.subject = u"march", .start = Date(2027, 3, 1, 9, 0)});
    struct Case {
        int view;
        std::set<std::string> subjects;
    } const cases[] = {
        {0, {"(56 years) Mum bday"}},
        {1, {"(25 years) Wedding anniv"}},
        {2, {"Boxing Day"}},
        {3, {"(56 years) Mum bday", "(25 years) Wedding anniv", "gym"}},
        {4, {"review"}},
        {5, {"standup", "lunch", "review", "Boxing Day", "(56 years) Mum bday", "(25 years) Wedding anniv", "gym"}},
        {6, {"standup", "lunch", "review", "Boxing Day", "(56 years) Mum bday", "(25 years) Wedding anniv", "gym"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.view);
        SetCalendarSetting(u"CAV_FilterAppointments", c.view);
        CCalendarThread loader;
        LPARAM reported = -1;
        ASSERT_TRUE(Load(loader, today, today + 21, &reported));
        EXPECT_EQ(Subjects(loader), c.subjects);
        EXPECT_EQ(reported, loader.GetDataList().GetCount());
        EXPECT_EQ(loader.GetHandedOverCount(), loader.GetDataList().GetCount());
        // A list view shows a series once, at its first occurrence (2 November); a range view, every one.
        if (c.view == 3) {
            ASSERT_EQ(Rows(loader, "gym").size(), 1u);
            EXPECT_EQ(Day(Rows(loader, "gym")[0]->day).wMonth, 11);
        }
        if (c.view == 5) {
            EXPECT_EQ(DaysOf(loader, "gym"), (std::vector<int>{7, 14, 21, 28}));
            for (DATACALENDAR* row : Rows(loader, "gym"))
                EXPECT_NE(Shape(row).find(" 18:0+90 busy 2 00000010"), std::string::npos);
        }
    }
}

// ---- Birthdays and anniversaries ------------------------------------------

TEST_F(CalendarViewsTest, BirthdayListIsOrderedByDayOfYearWhateverTheYear)
{
    WriteYearly(u"Zed birthday", Date(1990, 3, 1));
    WriteYearly(u"Amy bday", Date(2010, 1, 20));
    WriteYearly(u"Old birthday", Date(1950, 12, 31));
    SetCalendarSetting(u"CAV_FilterAppointments", 0u);
    SetCalendarSetting(u"BDayCatName", u"");
    CCalendarThread loader;
    ASSERT_TRUE(Load(loader, today, today));
    EXPECT_EQ(Lines(loader),
              (std::vector<std::string>{"20 --", "20 (16 years) Amy bday", "1 --", "1 (36 years) Zed birthday", "31 --",
                                        "31 (76 years) Old birthday"}));
}

TEST_F(CalendarViewsTest, AnniversaryNameSetToTheBirthdayNameFallsBackToAnniversaries)
{
    WriteYearly(u"Team birthdays", Date(2000, 12, 9));
    WriteYearly(u"Club Anniversaries", Date(2000, 12, 10));
    SetCalendarSetting(u"AnnCatName", u"Birthdays");
    SetCalendarSetting(u"CAV_FilterAppointments", 1);
    CCalendarThread loader;
    ASSERT_TRUE(Load(loader, today, today));
    // "birthdays" would have made the first one an anniversary too.
    EXPECT_EQ(Subjects(loader), (std::set<std::string>{"(26 years) Club Anniversaries"}));
    EXPECT_EQ(Utf8(Rows(loader, "(26 years) Club Anniversaries")[0]->categoryText), "~Anniversary");
}

// A birthday's first year has no age; only all-day yearly series are birthdays, whatever their subject.
TEST_F(CalendarViewsTest, OnlyAllDayYearlySeriesAreBirthdays)
{
    WriteYearly(u"Baby birthday", Date(2026, 12, 9));
    WriteAppointment({.subject = u"birthday party prep",
                      .start = Date(2026, 12, 1, 18, 0),
                      .pattern = Weekly(Date(2026, 12, 1), 4, 18 * 60, 60)});
    WriteAppointment({.subject = u"birthday lunch", .start = Date(2026, 12, 9, 12, 0)});
    CCalendarThread loader;
    ASSERT_TRUE(Load(loader, today, today + 6));
    EXPECT_EQ(Rows(loader, "Baby birthday").size(), 1u);
    for (const char* subject : {"birthday party prep", "birthday lunch"}) {
        const std::vector<DATACALENDAR*> rows = Rows(loader, subject);
        ASSERT_EQ(rows.size(), 1u) << subject;
        EXPECT_EQ(rows[0]->birthdayYear, 0) << subject;
    }

    // A birthday in the range counts the years to the occurrence.
    WriteYearly(u"Gran", Date(1970, 6, 3));
    SetCalendarSetting(u"BDayCatName", u"gran");  // recognised by the category name in the subject
    CCalendarThread june;
    ASSERT_TRUE(Load(june, Date(2025, 6, 1), Date(2025, 6, 7)));
    auto gran = Rows(june, "(55 years) Gran");
    ASSERT_EQ(gran.size(), 1u);
    EXPECT_EQ(gran[0]->birthdayYear + gran[0]->anniversaryYear * 10000, 1970);
    EXPECT_EQ(Shape(gran[0]), "kind 3 day 3 0:0+1440 busy 2 00000010 '~Birthday'");
}

// ---- Days and filters -----------------------------------------------------

// Days an appointment over midnight is shown on, by view and early-end hour (0: never), and its early-end marks.
TEST_F(CalendarViewsTest, AppointmentsSpreadOverTheDaysOfTheRangeTheyTouchUpToALimit)
{
    WriteAppointment({.subject = u"night shift", .start = Date(2026, 12, 8, 22, 0), .duration = 11 * 60});
    WriteAppointment({.subject = u"late shift", .start = Date(2026, 12, 8, 22, 0), .duration = 11 * 60 + 1});
    WriteAppointment({.subject = u"conference", .start = Date(2026, 12, 8, 9, 0), .duration = 2 * 1440 - 60});
    WriteAppointment({.subject = u"congress", .start = Date(2026, 12, 8, 9, 0), .duration = 3 * 1440});
    WriteAppointment({.subject = u"evening", .start = Date(2026, 12, 8, 20, 0), .duration = 240});
    WriteAppointment({.subject = u"day off", .start = Date(2026, 12, 9), .duration = 1440, .allDay = true});
    WriteAppointment({.subject = u"trip", .start = Date(2026, 12, 10), .duration = 2 * 1440, .allDay = true});
    WriteAppointment({.subject = u"before", .start = Date(2026, 12, 6, 20, 0), .duration = 240});
    // Stored on the day before the range (23:30 UTC), shown on its first day.
    WriteAppointment({.subject = u"past midnight", .start = Date(2026, 12, 7, 0, 30), .duration = 0});
    // Sundays 20:00 to midnight: the one ending as the range begins is left out, like the one-off above.
    WriteAppointment({.subject = u"sundays",
                      .start = Date(2026, 11, 29, 20, 0),
                      .duration = 240,
                      .pattern = Weekly(Date(2026, 11, 29), 1, 20 * 60, 240)});
    WriteAppointment({.subject = u"holiday", .start = Date(2026, 12, 12), .duration = 10 * 1440, .allDay = true});
    WriteAppointment({.subject = u"sabbatical", .start = Date(2026, 1, 1, 9, 0), .duration = 400 * 1440});
    struct Expected {
        const char* subject;
        std::vector<int> days;
        std::vector<int> endsEarly;  // of each row; empty: not looked at
    };
    const struct {
        int view;
        ULONG singleIfEndsEarly;
        std::vector<Expected> expected;
    } cases[] = {
        {5,
         0,
         {{"night shift", {8, 9}, {0, 0}},
          // Ending at midnight is ending the day before; before the range, not in it.
          {"evening", {8}},
          {"day off", {9}},
          {"trip", {10, 11}},
          {"before", {}},
          {"past midnight", {7}},
          {"sundays", {13}},
          // Spreading stops at the range; begun before it: its first day, then the range's.
          {"holiday", {12, 13}},
          {"sabbatical", {1, 7, 8, 9, 10, 11, 12, 13}}}},
        {5, 10, {{"night shift", {8}, {1}}}},
        // Ending exactly at the hour counts as early; one minute past does not.
        {5, 9, {{"night shift", {8}}, {"late shift", {8, 9}}}},
        // Three days with the last left out: the second is marked.
        {5, 12, {{"conference", {8, 9}, {0, 1}}}},
        // The single-day view: each appointment on its first day only.
        {6, 0, {{"congress", {8}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "view " << c.view << ", early before " << c.singleIfEndsEarly);
        SetCalendarSetting(u"CAV_FilterAppointments", c.view);
        SetCalendarSetting(u"AppointmentSingleIfEndsEarly", c.singleIfEndsEarly);
        CCalendarThread loader;
        ASSERT_TRUE(Load(loader, today, today + 6));
        for (const Expected& e : c.expected) {
            EXPECT_EQ(DaysOf(loader, e.subject), e.days) << e.subject;
            const std::vector<DATACALENDAR*> rows = Rows(loader, e.subject);
            std::vector<int> endsEarly;
            for (DATACALENDAR* row : rows) {
                endsEarly.push_back(row->endsEarly);
                EXPECT_EQ(row->start, rows[0]->start) << e.subject << ": a copy keeps the original's times";
            }
            if (!e.endsEarly.empty()) {
                EXPECT_EQ(endsEarly, e.endsEarly) << e.subject;
            }
        }
    }

    // Damaged durations cannot flood the list.
    WriteAppointment({.subject = u"Forever day", .start = Date(2026, 12, 8), .duration = 0x7FFFFFFF, .allDay = true});
    WriteAppointment({.subject = u"negative", .start = Date(2026, 12, 8, 9, 0), .duration = -500});
    SetCalendarSetting(u"CAV_FilterAppointments", 2);
    CCalendarThread listView;
    ASSERT_TRUE(Load(listView, today, today));
    EXPECT_EQ(Rows(listView, "Forever day").size(), static_cast<size_t>(kCalendarMaxSpreadDays) + 1);

    SetCalendarSetting(u"CAV_FilterAppointments", 5);
    CCalendarThread rangeView;
    ASSERT_TRUE(Load(rangeView, today, today + 6));
    EXPECT_EQ(DaysOf(rangeView, "negative"), (std::vector<int>{8}));
    // Ending after 2999, it is not taken at all.
    EXPECT_TRUE(Rows(rangeView, "Forever day").empty());
}

// One store; each row sets the filters it names and lists what the view shows.
TEST_F(CalendarViewsTest, StatusPrivacyCompletionAndCategoryFilters)
{
    cattest::WriteCategory(u"Work", 3);
    cattest::WriteCategory(u"Home", 5);
    WriteAppointment({.subject = u"busy", .start = Date(2026, 12, 8, 9, 0), .busy = 2, .meeting = true});
    WriteAppointment({.subject = u"free", .start = Date(2026, 12, 8, 10, 0), .busy = 0, .meeting = true});
    WriteAppointment({.subject = u"away", .start = Date(2026, 12, 8, 11, 0), .busy = 3});
    WriteAppointment({.subject = u"maybe", .start = Date(2026, 12, 8, 12, 0), .busy = 1});
    WriteAppointment({.subject = u"weekly busy",
                      .start = Date(2026, 12, 1, 8, 0),
                      .busy = 2,
                      .pattern = Weekly(Date(2026, 12, 1), 4, 8 * 60, 30)});
    WriteAppointment({.subject = u"public", .start = Date(2026, 12, 9, 9, 0)});
    WriteAppointment({.subject = u"private", .start = Date(2026, 12, 9, 10, 0), .sensitivity = 2});
    WriteAppointment({.subject = u"<\u2022>filed</\u2022>", .start = Date(2026, 12, 9, 11, 0)});
    WriteAppointment({.subject = u"work", .start = Date(2026, 12, 10, 9, 0), .categories = loadertest::BlobOf({3})});
    WriteAppointment({.subject = u"home", .start = Date(2026, 12, 10, 10, 0), .categories = loadertest::BlobOf({5})});
    using Set = std::set<std::string>;
    const Set all = {"busy",   "free",    "away",         "maybe", "weekly busy",
                     "public", "private", "<?>filed</?>", "work",  "home"};
    auto without = [&](const Set& gone) {
        Set kept;
        for (const std::string& s : all)
            if (!gone.count(s)) kept.insert(s);
        return kept;
    };
    const std::pair<const WCHAR*, ULONG> defaults[] = {{u"CAV_StatusFilter", kCalendarStatusAll},
                                                       {u"CAV_FilterAppointments", 5},
                                                       {u"CAV_FilterPrivacy", ULONG(-1)},
                                                       {u"DisplayCompletedAppointments", 1},
                                                       {u"bHideCategories", 0}};
    const struct {
        std::vector<std::pair<const WCHAR*, ULONG>> settings;
        Set shown;
    } cases[] = {
        // List views ignore the status filter.
        {{{u"CAV_StatusFilter", 42166}, {u"CAV_FilterAppointments", 3}}, {"weekly busy"}},
        {{{u"CAV_StatusFilter", 42166}, {u"CAV_FilterAppointments", 4}}, {"free"}},
        {{{u"CAV_StatusFilter", 42166}}, {"free"}},
        {{{u"CAV_StatusFilter", 42166}, {u"CAV_FilterAppointments", 6}}, {"free"}},
        {{{u"CAV_StatusFilter", 42165}}, without({"free", "away", "maybe"})},
        {{{u"CAV_StatusFilter", 42167}}, {"away"}},
        {{{u"CAV_StatusFilter", 42168}}, {"maybe"}},
        {{}, all},
        {{{u"CAV_FilterPrivacy", 0}}, without({"private"})},
        {{{u"CAV_FilterPrivacy", 1}}, {"private"}},
        {{{u"DisplayCompletedAppointments", 0}}, without({"<?>filed</?>"})},
        // Hiding an empty selection still turns the filters on; uncategorised-only keeps the others.
        {{{u"bHideCategories", ULONG(-1)}}, without({"work", "home"})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.settings.size() << " settings, shown first " << *c.shown.begin());
        for (auto [name, value] : defaults) SetCalendarSetting(name, value);
        for (auto [name, value] : c.settings) SetCalendarSetting(name, value);
        CCalendarThread loader;
        ASSERT_TRUE(Load(loader, today, today + 6));
        EXPECT_EQ(Subjects(loader), c.shown);
        if (c.shown.count("private")) {
            EXPECT_EQ(Rows(loader, "private")[0]->isPrivate, 1);
        }
        if (c.shown.count("work")) {
            EXPECT_EQ(Utf8(Rows(loader, "work")[0]->categoryText), "Work");
        }
    }
    // A view with a key of its own takes the category flags from the base key, where they are saved.
    SetCalendarSetting(u"bHideCategories", 0u, u"Software\\Corvid\\Kestrel\\CAV_Week");
    CCalendarThread week(u"Software\\Corvid\\Kestrel\\CAV_Week");
    ASSERT_TRUE(Load(week, today, today + 6));
    EXPECT_EQ(Subjects(week), std::end(cases)[-1].shown);
}

// ---- Rows and day headers -------------------------------------------------

TEST_F(CalendarViewsTest, RowsCarryTheRecordsFlagsAndTexts)
{
    const std::vector<BYTE> note = {'h', 'i', 0};
    const CEOID oid = WriteAppointment({.subject = u"dentist",
                                        .start = Date(2026, 12, 8, 9, 30),
                                        .duration = 45,
                                        .busy = 3,
                                        .reminder = true,
                                        .location = u"Main St",
                                        .meeting = true,
                                        .note = note});
    WriteAppointment({.subject = u"", .start = Date(2026, 12, 8, 11, 0), .noSubject = true});
    loadertest::WriteSideRecord(kLinksDatabase, kLinksSeekProperty, oid);
    CCalendarThread loader;
    ASSERT_TRUE(Load(loader, today, today + 6));
    auto rows = Rows(loader, "dentist");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]->oid, oid);
    EXPECT_EQ(Utf8(rows[0]->location), "Main St");
    EXPECT_EQ(Shape(rows[0]), "kind 3 day 8 9:30+45 busy 3 11110000 ''");
    EXPECT_NEAR(rows[0]->end - rows[0]->start, 45.0 / 1440.0, 1e-6);
    EXPECT_EQ(Rows(loader, "<No Subject>").size(), 1u);

    // All-day ones keep their day in any zone (Berlin's midnight is 23:00 UTC the day before).
    WriteAppointment({.subject = u"fest", .start = Date(2026, 12, 9), .duration = 1440, .allDay = true});
    // A timed one moves with the zone: 09:00 in Berlin is 03:00 in New York.
    WriteAppointment({.subject = u"call", .start = Date(2026, 12, 10, 9, 0)});
    // Stored on the day after the range (03:00 UTC), 22:00 on its last day in New York.
    WriteAppointment({.subject = u"late call", .start = Date(2026, 12, 14, 4, 0)});
    WriteAppointment({.subject = u"far east", .start = Date(2026, 12, 5, 0, 0), .duration = 30});
    ASSERT_TRUE(platform::SetDeviceTimeZone(u"America/New_York"));
    CCalendarThread zoned;
    ASSERT_TRUE(Load(zoned, today, today + 6));
    EXPECT_EQ(DaysOf(zoned, "fest"), (std::vector<int>{9}));
    auto call = Rows(zoned, "call");
    ASSERT_EQ(call.size(), 1u);
    EXPECT_EQ(Day(call[0]->start).wHour, 3);
    EXPECT_EQ(Day(call[0]->day).wDay, 10);
    EXPECT_EQ(DaysOf(zoned, "late call"), (std::vector<int>{13}));
    // A zone 50 hours east of UTC: stored two days before the range (23:00 UTC), shown on its first day.
    TIME_ZONE_INFORMATION farEast{};
    farEast.Bias = -3000;
    ASSERT_TRUE(SetTimeZoneInformation(&farEast));
    CCalendarThread farZoned;
    ASSERT_TRUE(Load(farZoned, today, today + 6));
    EXPECT_EQ(DaysOf(farZoned, "far east"), (std::vector<int>{7}));
}

// The main view has a header for every day of the range, other views only for days with entries.
TEST_F(CalendarViewsTest, DayHeaders)
{
    WriteAppointment({.subject = u"one", .start = Date(2026, 12, 8, 9, 0), .meeting = true});
    WriteAppointment({.subject = u"all day", .start = Date(2026, 12, 8), .duration = 1440, .allDay = true});
    WriteAppointment({.subject = u"early", .start = Date(2026, 12, 8, 7, 0)});
    WriteAppointment({.subject = u"b", .start = Date(2026, 12, 10, 9, 0), .meeting = true});
    WriteAppointment({.subject = u"c", .start = Date(2026, 12, 10, 8, 0), .meeting = true});
    CCalendarThread loader;
    ASSERT_TRUE(Load(loader, today, today + 2));
    EXPECT_EQ(Lines(loader), (std::vector<std::string>{"7 --", "8 --", "8 all day", "8 early", "8 one", "9 --"}));
    loader.SetNoHeaderDates(true);
    ASSERT_TRUE(Load(loader, today, today + 2));
    EXPECT_EQ(Lines(loader), (std::vector<std::string>{"8 all day", "8 early", "8 one"}));

    SetCalendarSetting(u"CAV_FilterAppointments", 4);
    CCalendarThread meetings;
    ASSERT_TRUE(Load(meetings, today, today + 6));
    EXPECT_EQ(Lines(meetings), (std::vector<std::string>{"8 --", "8 one", "10 --", "10 c", "10 b"}));
}

// Appointments of one day and time order by subject in the user's collation (accents, case, hyphens and
// apostrophes counting as CompareStringW counts them), equal subjects by OID; descending is the exact reverse.
TEST_F(CalendarViewsTest, AppointmentsAtOneTimeOrderBySubjectsCollationThenByOid)
{
    const std::u16string alphabet = u"aAeE\u00e9\u00c9o\u00f6-' ";
    std::mt19937 rng(5);
    std::vector<std::tuple<int, std::u16string, CEOID>> expected;  // day, subject, OID
    for (int i = 0; i < 160; ++i) {
        std::u16string subject = u"Re";
        for (int n = static_cast<int>(rng() % 5); n > 0; --n) subject.push_back(alphabet[rng() % alphabet.size()]);
        if (i % 8 == 7) subject = std::get<1>(expected[rng() % expected.size()]);  // a repeated subject
        const int day = 8 + i % 2;
        expected.emplace_back(day, subject, WriteAppointment({.subject = subject, .start = Date(2026, 12, day, 9, 0)}));
    }
    std::stable_sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
        const int r = CompareStringW(LOCALE_USER_DEFAULT, 0, std::get<1>(a).c_str(), -1, std::get<1>(b).c_str(), -1);
        if (std::get<0>(a) != std::get<0>(b) || r == CSTR_EQUAL)
            return std::tie(std::get<0>(a), std::get<2>(a)) < std::tie(std::get<0>(b), std::get<2>(b));
        return r == CSTR_LESS_THAN;
    });
    std::vector<std::string> want;
    for (const auto& [day, subject, oid] : expected)
        want.push_back(std::to_string(day) + " " + Utf8(subject.c_str()) + " #" + std::to_string(oid));
    auto shown = [](CCalendarThread& loader) {
        std::vector<std::string> lines;
        for (DATACALENDAR* row : loader.GetDataList())
            if (row->oid)
                lines.push_back(std::to_string(Day(row->day).wDay) + " " + Utf8(row->subject) + " #" +
                                std::to_string(row->oid));
        return lines;
    };
    CCalendarThread loader;
    ASSERT_TRUE(Load(loader, today, today + 2));
    EXPECT_EQ(shown(loader), want);
    ASSERT_TRUE(loader.SortDataList(false));
    std::reverse(want.begin(), want.end());
    EXPECT_EQ(shown(loader), want);
}

// ---- Contact dates and journal entries ------------------------------------

TEST_F(CalendarViewsTest, ContactBirthdaysAndAnniversariesOnEveryYearOfTheRange)
{
    WriteContact(u"Ann", u"Lee", Date(1980, 12, 9), Date(2010, 1, 2));
    WriteContact(u"Bo", u"Ek", std::nullopt, Date(2026, 12, 10));
    {
        CCalendarThread off;
        ASSERT_TRUE(Load(off, today, today + 30));
        EXPECT_TRUE(Subjects(off).empty());
    }
    SetCalendarSetting(u"ReadBirthdays", 1);
    CCalendarThread loader;
    ASSERT_TRUE(Load(loader, Date(2026, 12, 1), Date(2027, 1, 31)));
    EXPECT_EQ(Subjects(loader), (std::set<std::string>{"(46 years) Ann Lee", "(47 years) Ann Lee", "(16 years) Ann Lee",
                                                       "(17 years) Ann Lee", "(0 years) Bo Ek", "(1 years) Bo Ek"}));
    auto rows = Rows(loader, "(46 years) Ann Lee");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]->allDay, 0xFFFF);
    EXPECT_EQ(Shape(rows[0]), "kind 2 day 9 0:0+1440 busy 0 00000000 '~Birthday'");
    EXPECT_EQ(Utf8(Rows(loader, "(16 years) Ann Lee")[0]->categoryText), "~Anniversary");

    // The birthday list takes this year's birthdays only.
    SetCalendarSetting(u"CAV_FilterAppointments", 0u);
    CCalendarThread birthdays;
    ASSERT_TRUE(Load(birthdays, today, today));
    EXPECT_EQ(Subjects(birthdays), (std::set<std::string>{"(46 years) Ann Lee"}));

    // Born on a leap day: shown on the last day of February.
    WriteContact(u"Leap", u"Day", Date(2000, 2, 29));
    SetCalendarSetting(u"CAV_FilterAppointments", 5);
    CCalendarThread february;
    ASSERT_TRUE(Load(february, Date(2027, 2, 1), Date(2027, 3, 5)));
    EXPECT_EQ(DaysOf(february, "(27 years) Leap Day"), (std::vector<int>{28}));
}

TEST_F(CalendarViewsTest, JournalEntriesOfTheRangeInTheMainView)
{
    WriteJournal(u"Called Bo", u"Phone call", Date(2026, 12, 8, 15, 0), Date(2026, 12, 8, 15, 30), 20, u"Work");
    WriteJournal(u"", u"Note", std::nullopt, Date(2026, 12, 9, 8, 0), 0, u"");
    WriteJournal(u"Old", u"", Date(2026, 11, 1, 9, 0), Date(2026, 11, 1, 9, 0), 5, u"");
    // Written in the range about a later start: its start places it.
    WriteJournal(u"Planned", u"", Date(2027, 1, 20, 9, 0), Date(2026, 12, 8, 9, 0), 5, u"");
    {
        CCalendarThread off;
        ASSERT_TRUE(Load(off, today, today + 6));
        EXPECT_TRUE(Subjects(off).empty());
    }
    SetCalendarSetting(u"DV_ShowJournal", 1);
    CCalendarThread loader;
    ASSERT_TRUE(Load(loader, today, today + 6));
    EXPECT_EQ(Subjects(loader), (std::set<std::string>{"Called Bo [Phone call]", "[Note]"}));
    EXPECT_EQ(Shape(Rows(loader, "Called Bo [Phone call]")[0]), "kind 6 day 8 15:0+20 busy 0 00001000 'Work'");
    // Without a start, the created time places the entry.
    EXPECT_EQ(DaysOf(loader, "[Note]"), (std::vector<int>{9}));

    ASSERT_TRUE(loader.RemoveJournalFromThread());
    EXPECT_TRUE(Subjects(loader).empty());
    ASSERT_TRUE(loader.AddJournalToThread());
    EXPECT_EQ(Subjects(loader).size(), 2u);
    EXPECT_EQ(loader.GetHandedOverCount(), loader.GetDataList().GetCount());
}

// ---- Series, holidays and floating days -----------------------------------

TEST_F(CalendarViewsTest, ChangedOccurrenceShowsItsOwnSubjectAndTime)
{
    // Wednesdays at 10:00; 9 December's moved to 14:00 and renamed.
    const DWORD moved = static_cast<DWORD>(static_cast<int>(Date(2026, 12, 9)) + kBlobDayOfOleZero) * 1440u;
    platform::RecurrenceExceptionInfo change;
    change.startDateTime = moved + 14 * 60;
    change.endDateTime = moved + 14 * 60 + 45;
    change.originalStartDate = moved + 10 * 60;
    change.subject = u"sync (moved)";
    WriteAppointment({.subject = u"sync",
                      .start = Date(2026, 12, 2, 10, 0),
                      .duration = 30,
                      .pattern = Weekly(Date(2026, 12, 2), 8, 10 * 60, 30, {Date(2026, 12, 9)}, {change})});
    CCalendarThread loader;
    ASSERT_TRUE(Load(loader, today, today + 13));
    EXPECT_EQ(DaysOf(loader, "sync"), (std::vector<int>{16}));
    auto changed = Rows(loader, "sync (moved)");
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(Shape(changed[0]), "kind 3 day 9 14:0+45 busy 2 00000011 ''");
    EXPECT_EQ(Shape(Rows(loader, "sync")[0]), "kind 3 day 16 10:0+30 busy 2 00000010 ''");
}

TEST_F(CalendarViewsTest, HolidayAndFloatingCategories)
{
    cattest::WriteCategory(u"Public holiday", 4);
    cattest::WriteCategory(u"Floating", 2);
    WriteAppointment({.subject = u"Closed",
                      .start = Date(2026, 12, 24),
                      .duration = 1440,
                      .allDay = true,
                      .categories = loadertest::BlobOf({4})});
    WriteAppointment({.subject = u"Christmas Day", .start = Date(2026, 12, 25), .duration = 1440, .allDay = true});
    WriteAppointment({.subject = u"Payday", .start = Date(2026, 12, 28), .duration = 1440, .allDay = true});
    WriteAppointment({.subject = u"Open day", .start = Date(2026, 12, 29, 10, 0)});  // not all day
    SetCalendarSetting(u"CAV_FilterAppointments", 2);
    CCalendarThread loader;
    ASSERT_TRUE(Load(loader, today, today));
    EXPECT_EQ(Subjects(loader), (std::set<std::string>{"Closed", "Christmas Day"}));

    SetCalendarSetting(u"HolidaySubName", u"PAY");
    ASSERT_TRUE(Load(loader, today, today));
    EXPECT_EQ(Subjects(loader), (std::set<std::string>{"Closed", "Payday"}));

    // A floating category drops the day code from the subject.
    WriteAppointment(
        {.subject = u"D12 Call the bank", .start = Date(2026, 12, 8, 9, 0), .categories = loadertest::BlobOf({2})});
    WriteAppointment({.subject = u"W3", .start = Date(2026, 12, 8, 10, 0), .categories = loadertest::BlobOf({2})});
    WriteAppointment({.subject = u"Wk 4 Visit", .start = Date(2026, 12, 9), .categories = loadertest::BlobOf({2})});
    WriteAppointment({.subject = u"Dinner", .start = Date(2026, 12, 8, 19, 0)});
    SetCalendarSetting(u"FloatCat", u"Floating", kCalendarTodayKey);
    SetCalendarSetting(u"CAV_FilterAppointments", 5);
    CCalendarThread floating;
    ASSERT_TRUE(Load(floating, today, today + 6));
    // Nothing would be left of the second: it keeps its subject. The code's second character goes even
    // when it is no digit.
    EXPECT_EQ(Subjects(floating), (std::set<std::string>{"Call the bank", "W3", "Visit", "Dinner"}));
}

// ---- Tasks ----------------------------------------------------------------

class CalendarTasksTest : public caltest::CalendarStoreTest {
protected:
    void SetUp() override
    {
        caltest::CalendarStoreTest::SetUp();
        SetCalendarSetting(u"DV_ShowTasks", 1);
    }

    // Task subject ("!" after an overdue one) -> the days (offsets from today) it is shown on.
    std::map<std::string, std::vector<int>> Placement(double first, double last)
    {
        CCalendarThread loader;
        EXPECT_TRUE(caltest::Load(loader, first, last));
        return PlacementOf(loader);
    }
    std::map<std::string, std::vector<int>> PlacementOf(CCalendarThread& loader)
    {
        std::map<std::string, std::vector<int>> days;
        for (DATACALENDAR* row : loader.GetDataList()) {
            if (row->kind != kCalendarKindTask) continue;
            EXPECT_NE(row->task, nullptr);
            const std::string key = caltest::Utf8(row->subject) + (row->task && row->task->overdue ? "!" : "");
            days[key].push_back(static_cast<int>(row->day - static_cast<LONG>(today)));
        }
        return days;
    }
    using Days = std::vector<int>;
};

// One store; each row sets the settings it names and lists the days its tasks are shown on ({}: not shown).
TEST_F(CalendarTasksTest, EachSettingAndRangePlacesItsTasks)
{
    const double t = today;
    cattest::WriteCategory(u"Work", 3);
    tasktest::WriteTask({.subject = u"overdue", .due = t - 1});
    tasktest::WriteTask({.subject = u"today", .due = t});
    tasktest::WriteTask({.subject = u"later", .due = t + 2});
    tasktest::WriteTask({.subject = u"planned", .due = t + 2, .start = t + 1});
    tasktest::WriteTask({.subject = u"long", .due = t + 2, .start = t - 5});
    tasktest::WriteTask({.subject = u"started", .due = t + 10, .start = t - 1});
    tasktest::WriteTask({.subject = u"far", .due = t + 10});
    tasktest::WriteTask({.subject = u"template", .due = 401752});
    tasktest::WriteTask({.subject = u"running", .due = t + 20, .start = t});
    tasktest::WriteTask({.subject = u"inside", .due = t + 9});
    tasktest::WriteTask({.subject = u"starts inside", .due = t + 30, .start = t + 8});
    tasktest::WriteTask({.subject = u"undated"});
    tasktest::WriteTask({.subject = u"done", .due = t - 4, .complete = true, .completed = t - 2});
    tasktest::WriteTask({.subject = u"done long ago", .due = t - 40, .complete = true, .completed = t - 30});
    tasktest::WriteTask({.subject = u"urgent", .due = t + 30, .importance = 1});
    tasktest::WriteTask({.subject = u"urgent template", .due = 401752, .importance = 1});
    tasktest::WriteTask({.subject = u"mine", .due = t, .sensitivity = 2});
    tasktest::WriteTask({.subject = u"work", .due = t, .categories = loadertest::BlobOf({3})});
    const std::pair<const WCHAR*, ULONG> defaults[] = {{u"bShowInProgressTasksToday", 0}, {u"CAV_ShowUndatedTasks", 0},
                                                       {u"CA_ShowCompletedTasks", 0},     {u"CAV_ForceHighTasks", 0},
                                                       {u"CAV_FilterPrivacy", ULONG(-1)}, {u"bHideCategories", 0},
                                                       {u"CAV_FilterAppointments", 5}};
    const struct {
        std::vector<std::pair<const WCHAR*, ULONG>> settings;
        int first, last;
        std::map<std::string, Days> placed;
    } cases[] = {
        {{},
         -3,
         3,
         {{"overdue!", {-1, 0}},
          {"today", {0}},
          {"later", {2}},
          {"planned", {1, 2}},
          {"long", {2}},
          {"started", {-1}},
          {"far", {}},
          {"template", {}},
          {"undated", {}},
          {"done", {}},
          {"urgent", {}},
          {"urgent template", {}}}},
        // An overdue task is shown today and on its due day in range; a range without today drops it.
        {{}, 0, 6, {{"overdue!", {0}}}},
        {{}, -6, 0, {{"overdue!", {-1, 0}}}},
        {{}, 7, 13, {{"overdue!", {}}}},
        {{{u"bShowInProgressTasksToday", 1}}, -3, 3, {{"long", {0, 2}}, {"started", {0}}}},
        {{{u"bShowInProgressTasksToday", 2}}, -3, 3, {{"long", {-3, -2, -1, 0, 1, 2}}, {"started", {-1, 0, 1, 2, 3}}}},
        // A range without today uses its first day for running tasks.
        {{{u"CAV_ShowUndatedTasks", 1}},
         7,
         13,
         {{"running", {7}}, {"inside", {9}}, {"starts inside", {8}}, {"undated", {7}}}},
        // A forced task with nowhere else to go lands on today; forcing reaches the templates' days too.
        {{{u"CAV_ShowUndatedTasks", 1}, {u"CA_ShowCompletedTasks", 1}, {u"CAV_ForceHighTasks", 1}},
         -3,
         3,
         {{"undated", {0}}, {"done", {-2}}, {"done long ago", {}}, {"urgent", {0}}, {"urgent template", {0}}}},
        {{{u"CAV_FilterPrivacy", 0}}, 0, 0, {{"work", {0}}, {"mine", {}}}},
        {{{u"bHideCategories", ULONG(-1)}}, 0, 0, {{"mine", {0}}, {"work", {}}}},
        // Only the main view takes tasks.
        {{{u"CAV_FilterAppointments", 6}}, 0, 0, {{"today", {}}}},
        {{{u"CAV_FilterAppointments", 4}}, 0, 0, {{"today", {}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "range " << c.first << ".." << c.last << ", " << c.settings.size()
                                        << " settings, first named " << c.placed.begin()->first);
        for (auto [name, value] : defaults) SetCalendarSetting(name, value);
        for (auto [name, value] : c.settings) SetCalendarSetting(name, value);
        std::map<std::string, Days> placed = Placement(t + c.first, t + c.last);
        for (const auto& [subject, days] : c.placed) EXPECT_EQ(placed[subject], days) << subject;
    }
}

TEST_F(CalendarTasksTest, TaskRowsCarryTheTaskRecord)
{
    cattest::WriteCategory(u"Home", 5);
    const CEOID oid = tasktest::WriteTask({.subject = u"pay rent",
                                           .due = today + 1,
                                           .importance = 1,
                                           .sensitivity = 2,
                                           .categories = loadertest::BlobOf({5}),
                                           .percent = 40,
                                           .note = {'x', 0}});
    CCalendarThread loader;
    ASSERT_TRUE(caltest::Load(loader, today, today + 3));
    auto rows = caltest::Rows(loader, "pay rent");
    ASSERT_EQ(rows.size(), 1u);
    const DATACALENDAR* row = rows[0];
    ASSERT_NE(row->task, nullptr);
    // Row: OID, kind, private, note, categories; task: OID, importance, percent, due day.
    EXPECT_EQ(caltest::Utf8(row->categoryText), "Home");
    EXPECT_EQ(
        (std::vector<LONG>{LONG(row->oid), LONG(row->kind), row->isPrivate, row->hasNote, LONG(row->task->oid),
                           row->task->importance, LONG(row->task->percentComplete), LONG(row->task->dueDate - today)}),
        (std::vector<LONG>{LONG(oid), kCalendarKindTask, 1, 1, LONG(oid), kTaskImportanceHigh, 40, 1}));
}

TEST_F(CalendarTasksTest, AddersReplaceTheTaskRowsWithoutAReload)
{
    SetCalendarSetting(u"DV_ShowTasks", 0u);
    tasktest::WriteTask({.subject = u"today", .due = today});
    caltest::WriteAppointment({.subject = u"meeting", .start = Date(2026, 12, 7, 9, 0)});
    CCalendarThread loader;
    ASSERT_TRUE(caltest::Load(loader, today, today + 1));
    EXPECT_TRUE(PlacementOf(loader).empty());
    const int withoutTasks = loader.GetDataList().GetCount();

    ASSERT_TRUE(loader.AddTasksToThread(false, true, true, true));
    EXPECT_EQ(PlacementOf(loader), (std::map<std::string, Days>{{"today", {0}}}));
    EXPECT_EQ(loader.GetHandedOverCount(), withoutTasks + 1);
    // Adding again replaces the rows instead of doubling them; sorted: the day's header, the appointment, the task.
    ASSERT_TRUE(loader.AddTasksToThread(false, true, true, true));
    EXPECT_EQ(caltest::Lines(loader), (std::vector<std::string>{"7 --", "7 meeting", "7 today", "8 --"}));

    ASSERT_TRUE(loader.RemoveTasksFromThread());
    EXPECT_TRUE(PlacementOf(loader).empty());
    EXPECT_EQ(loader.GetHandedOverCount(), withoutTasks);

    // A busy loader is left alone.
    bool added = true;
    ScopedDataLock held(loader);
    ASSERT_TRUE(held.Acquired());
    std::thread([&] { added = loader.AddTasksToThread(false, true, true, true); }).join();
    held.Unlock();
    EXPECT_FALSE(added);
    EXPECT_TRUE(PlacementOf(loader).empty());
}

}  // namespace
