// Searches of a fixed store of every kind, compared with a plain scan of the same items written here; the
// order of the hits; and texts that must not hurt the search.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "categories/full_category_list.h"
#include "engine/search_thread.h"
#include "platform/locale/date_format.h"
#include "platform/text/wide_string.h"
#include "tests/engine/calendar_store.h"
#include "tests/engine/contacts_store.h"
#include "tests/engine/notes_tree.h"
#include "tests/engine/task_store.h"
#include "tests/support/locale_pin.h"

namespace {

// One item of the fixed store as the oracle sees it.
struct Item {
    DWORD kind;
    std::u16string name;                // how the hit is known
    std::vector<std::u16string> texts;  // the fields the search reads
    std::u16string note;                // text only in the note (the ink for notes)
    std::optional<double> from, to;     // the item's dates (a single date: from only)
    bool isPrivate = false;
    bool complete = false;
    bool work = false;  // in the category "Work"
};

std::vector<BYTE> Plain(const std::u16string& text)
{
    std::vector<BYTE> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

double D(int month, int day, int year = 2026) { return kstest::Ole(year, month, day); }

class SearchThreadTest : public notestest::NotesSandbox {
protected:
    void SetUp() override
    {
        NotesSandbox::SetUp();
        cattest::WriteCategories({{u"Work", 0}, {u"Home", 1}});
        ResetFullCategoryList();
        const std::vector<BYTE> work = loadertest::BlobOf({0});
        Contact({.given = u"John", .surname = u"Smith", .fileAs = u"Smith, John", .categories = work,
                 .mobilePhone = u"(555) 123-4567", .email = u"john@sinks.example"},
                {u"Smith, John", u"John", u"Smith", u"5551234567", u"(555) 123-4567", u"john@sinks.example"}, true);
        Contact({.given = u"Anna", .surname = u"Smyth", .fileAs = u"Smyth, Anna", .businessCity = u"Berlin"},
                {u"Smyth, Anna", u"Anna", u"Smyth", u"Berlin"}, false);
        Contact({.given = u"Rupert", .surname = u"Brown", .fileAs = u"Brown, Rupert"},
                {u"Brown, Rupert", u"Rupert", u"Brown"}, false);
        Task({.subject = u"A1: Call the plumber about the sink", .due = D(12, 10), .sensitivity = 1,
              .categories = work},
             false);
        Task({.subject = u"Buy milk", .complete = true, .note = Plain(u"oat milk from the corner shop")}, false);
        Task({.subject = u"Plan trip", .due = D(11, 30), .start = D(11, 1)}, false);
        Task({.subject = u"Report", .due = D(2, 1, 2027), .note = Plain(u"quarterly sink numbers")}, false);
        Appointment({.subject = u"Dentist", .start = D(12, 8) + 0.5, .location = u"Sink Street clinic"}, false);
        Appointment({.subject = u"Team sink-up", .start = D(12, 20) + 0.4, .sensitivity = 1, .categories = work},
                    true);
        Appointment({.subject = u"Yoga", .start = D(1, 5) + 0.75,
                     .pattern = caltest::Weekly(D(1, 5), 0x02, 18 * 60, 60)},
                    false);
        Ink(u"\\My Documents\\Plumbing.pwi", u"the sink leaks again");
        Ink(u"\\My Documents\\Groceries.pwi", u"milk and bread");
        Attributes(u"\\My Documents\\Groceries.pwi", u"Work", true);
        items.push_back({kSearchKindNote, u"Plumbing.pwi", {u"Plumbing.pwi"}, u"the sink leaks again", {}, {}});
        items.push_back({kSearchKindNote, u"Groceries.pwi", {u"Groceries.pwi"}, u"milk and bread", {}, {}, true, false, true});
        names[caltest::WriteJournal(u"Called John about the sink", u"Phone call", D(12, 3), D(12, 3), 5, u"Work")] =
            u"Called John about the sink";
        items.push_back({kSearchKindJournal, u"Called John about the sink",
                         {u"Called John about the sink", u"Phone call", u"Work"}, u"", D(12, 3), {}, false, false,
                         true});
    }

    void Contact(const contacttest::ContactFields& c, std::vector<std::u16string> texts, bool work)
    {
        names[contacttest::WriteContact(c)] = c.fileAs;
        items.push_back({kSearchKindContact, c.fileAs, texts, u"", {}, {}, false, false, work});
    }
    void Task(const tasktest::TaskFields& t, bool)
    {
        const std::u16string shown = t.subject.rfind(u"A1: ", 0) == 0 ? t.subject.substr(4) : t.subject;
        names[tasktest::WriteTask(t)] = shown;
        Item item{kSearchKindTask, shown, {shown}, std::u16string(t.note.begin(), t.note.end())};
        if (!item.note.empty()) item.note.pop_back();
        item.from = t.start ? t.start : t.due;
        item.to = t.due;
        item.isPrivate = t.sensitivity != 0;
        item.complete = t.complete;
        item.work = !t.categories.empty();
        items.push_back(item);
    }
    void Appointment(const caltest::Appointment& a, bool work)
    {
        names[caltest::WriteAppointment(a)] = a.subject;
        Item item{kSearchKindAppointment, a.subject, {a.subject + (a.location.empty() ? u"" : u" " + a.location)}};
        item.from = a.start;
        item.to = a.pattern.empty() ? a.start : D(12, 31, 4500);  // a weekly series without end
        item.isPrivate = a.sensitivity != 0;
        item.work = work;
        items.push_back(item);
    }

    // The search's hits as "kind name".
    std::set<std::string> Search(_KSSEARCH params, const std::u16string& text, bool workOnly = false)
    {
        CSearchThread search;
        params.searchText = const_cast<WCHAR*>(text.c_str());
        EXPECT_TRUE(search.SetParams(&params));
        if (workOnly) SelectWork(search);
        EXPECT_TRUE(loadertest::RunLoad(search));
        std::set<std::string> hits;
        for (DATAGENERAL* hit : search.GetDataList()) {
            const std::u16string name = hit->kind == kSearchKindNote ? hit->displayText : names[hit->oid];
            hits.insert(std::to_string(hit->kind) + " " + loadertest::Utf8(name.c_str()));
        }
        return hits;
    }
    static void SelectWork(CSearchThread& search)
    {
        auto* selected = new CePtrList<CFullCategory*>;
        selected->SetDeletePolicy(1);
        selected->Append(new CFullCategory(u"Work", 0, 0));
        CCategoryFilterInfo* info = nullptr;
        search.GetCategoryRestrict(info);
        info->SetSelected(selected);
    }

    // The plain scan: every chosen item whose text (or, with note bodies, note) holds the lower-case needle
    // and which passes the restrictions.
    std::set<std::string> Scan(const _KSSEARCH& p, const std::u16string& needle, bool workOnly = false) const
    {
        auto lower = [](std::u16string s) {
            for (auto& c : s) c = towlower(c);
            return s;
        };
        const std::map<DWORD, DWORD> chosen = {{kSearchKindContact, p.contacts},
                                               {kSearchKindTask, p.tasks},
                                               {kSearchKindAppointment, p.calendar},
                                               {kSearchKindNote, p.notes},
                                               {kSearchKindJournal, p.journal}};
        std::set<std::string> hits;
        for (const Item& item : items) {
            if (!chosen.at(item.kind)) continue;
            bool found = needle == u"*";
            for (const auto& text : item.texts) found = found || lower(text).find(lower(needle)) != std::u16string::npos;
            const bool noteRead = p.noteBodies || item.kind == kSearchKindJournal;
            if (item.kind == kSearchKindNote) found = p.noteBodies ? lower(item.note).find(needle) != std::u16string::npos
                                                                   : found;
            else if (noteRead && !item.note.empty()) found = found || lower(item.note).find(needle) != std::u16string::npos;
            if (!found) continue;
            if (p.privacy >= 0 && item.isPrivate != (p.privacy == 1)) continue;
            if (item.kind == kSearchKindTask && p.completion >= 0 && item.complete != (p.completion == 1)) continue;
            if (workOnly && !item.work) continue;
            if (p.from != kSearchNoDate && item.kind != kSearchKindNote) {
                if (!item.from) continue;
                const double last = item.to ? *item.to : *item.from;
                if (last < p.from || *item.from >= p.to + 1) continue;
            }
            hits.insert(std::to_string(item.kind) + " " + loadertest::Utf8(item.name.c_str()));
        }
        return hits;
    }

    std::vector<Item> items;
    std::map<CEOID, std::u16string> names;
};

_KSSEARCH Everything()
{
    _KSSEARCH p;
    p.contacts = p.tasks = p.calendar = p.notes = p.journal = 1;
    return p;
}

TEST_F(SearchThreadTest, EveryStoreAndRestrictionAgreesWithAPlainScan)
{
    const struct {
        const char* name;
        std::function<void(_KSSEARCH&)> set;
        std::u16string text;
        bool workOnly = false;
    } cases[] = {
        {"every store", [](_KSSEARCH&) {}, u"sink"},
        {"note bodies, ink only", [](_KSSEARCH& p) { p.noteBodies = 1; }, u"sink"},
        {"contacts only", [](_KSSEARCH& p) { p.tasks = p.calendar = p.notes = p.journal = 0; }, u"smith"},
        {"tasks only", [](_KSSEARCH& p) { p.contacts = p.calendar = p.notes = p.journal = 0; }, u"milk"},
        {"appointments only", [](_KSSEARCH& p) { p.contacts = p.tasks = p.notes = p.journal = 0; }, u"o"},
        {"notes only, bodies",
         [](_KSSEARCH& p) {
             p.contacts = p.tasks = p.calendar = p.journal = 0;
             p.noteBodies = 1;
         },
         u"milk"},
        {"journal only", [](_KSSEARCH& p) { p.contacts = p.tasks = p.calendar = p.notes = 0; }, u"phone"},
        {"private only", [](_KSSEARCH& p) { p.privacy = 1; p.contacts = p.journal = 0; }, u"*"},
        {"not private", [](_KSSEARCH& p) { p.privacy = 0; p.contacts = p.journal = 0; }, u"*"},
        {"complete tasks", [](_KSSEARCH& p) { p.completion = 1; p.contacts = p.calendar = p.notes = p.journal = 0; },
         u"*"},
        {"incomplete tasks",
         [](_KSSEARCH& p) { p.completion = 0; p.contacts = p.calendar = p.notes = p.journal = 0; }, u"*"},
        {"December", [](_KSSEARCH& p) { p.from = D(12, 1); p.to = D(12, 31); p.contacts = p.notes = 0; }, u"*"},
        {"one Monday", [](_KSSEARCH& p) { p.from = p.to = D(12, 7); p.contacts = p.notes = 0; }, u"*"},
        {"category", [](_KSSEARCH&) {}, u"*", true},
        {"contact names in a category",
         [](_KSSEARCH& p) {
             p.fieldScope = kSearchFieldsNames;
             p.tasks = p.calendar = p.notes = p.journal = 0;
         },
         u"smith", true},
        {"phone digits", [](_KSSEARCH&) {}, u"5551234"},
    };
    for (const auto& c : cases) {
        _KSSEARCH p = Everything();
        c.set(p);
        EXPECT_EQ(Search(p, c.text, c.workOnly), Scan(p, c.text, c.workOnly)) << c.name;
    }
}

TEST_F(SearchThreadTest, RecurringSeriesCountOnlyWhereAnOccurrenceFalls)
{
    _KSSEARCH p;
    p.calendar = 1;
    p.from = p.to = D(12, 7);  // a Monday
    EXPECT_EQ(Search(p, u"yoga"), (std::set<std::string>{"3 Yoga"}));
    p.from = p.to = D(12, 8);  // a Tuesday
    EXPECT_EQ(Search(p, u"yoga"), std::set<std::string>());
}

TEST_F(SearchThreadTest, FieldScopesSoundexAndTheStartOfFields)
{
    const struct {
        DWORD scope;
        bool anywhere, soundex;
        std::u16string text;
        std::set<std::string> hits;
    } cases[] = {
        {kSearchFieldsAll, true, true, u"Smith", {"2 Smith, John", "2 Smyth, Anna"}},
        {kSearchFieldsNames, false, false, u"jo", {"2 Smith, John"}},
        {kSearchFieldsName1, false, false, u"anna", {"2 Smyth, Anna"}},
        {kSearchFieldsName1, false, false, u"smyth", {}},
        {kSearchFieldsPhones, true, false, u"555123", {"2 Smith, John"}},
        {kSearchFieldsPhones, true, false, u"berlin", {}},
        {kSearchFieldsText, true, false, u"sinks.example", {"2 Smith, John"}},
        {kSearchFieldsLocation, true, false, u"street", {"3 Dentist"}},
        {kSearchFieldsLocation, true, false, u"dentist", {}},
        {kSearchFieldsNames, true, false, u"dentist", {"3 Dentist"}},
        {kSearchFieldsAll, false, false, u"call", {"4 Call the plumber about the sink"}},
        {kSearchFieldsAll, false, false, u"A1", {}},
        {kSearchFieldsAll, false, false, u"te?m", {"3 Team sink-up"}},
        {kSearchFieldsAll, true, false, u"pl*r", {"4 Call the plumber about the sink", "4 Plan trip"}},
    };
    for (const auto& c : cases) {
        _KSSEARCH p;
        p.contacts = p.tasks = p.calendar = 1;
        p.fieldScope = c.scope;
        p.anywhere = c.anywhere;
        p.soundex = c.soundex;
        EXPECT_EQ(Search(p, c.text), c.hits) << loadertest::Utf8(c.text.c_str()) << " scope " << c.scope;
    }
}

TEST_F(SearchThreadTest, HitsStayGroupedByStoreWhateverTheKey)
{
    // Key 0 leaves the stored settings in force; 4 is "any other key", the display text.
    for (DWORD key : {DWORD{4}, kSearchSortSensitivity, kSearchSortDate, kSearchSortCategories}) {
        for (int descending : {0, 1}) {
            CSearchThread search;
            _KSSEARCH p = Everything();
            p.searchText = const_cast<WCHAR*>(u"*");
            ASSERT_TRUE(search.SetParams(&p));
            search.SetSortOverride(key, descending);
            ASSERT_TRUE(loadertest::RunLoad(search));
            std::vector<std::u16string> groups, texts;
            for (DATAGENERAL* hit : search.GetDataList()) {
                if (groups.empty() || groups.back() != hit->groupText) groups.push_back(hit->groupText);
                if (hit->kind == kSearchKindContact) texts.push_back(hit->displayText);
            }
            EXPECT_EQ(std::set<std::u16string>(groups.begin(), groups.end()).size(), groups.size()) << key;
            EXPECT_EQ(search.GetDataList().GetCount(), 13);
            if (key == 4) {
                std::vector<std::u16string> expected = {u"Brown, Rupert", u"Smith, John", u"Smyth, Anna"};
                if (descending) std::reverse(expected.begin(), expected.end());
                EXPECT_EQ(texts, expected);
            }
        }
    }
}

TEST_F(SearchThreadTest, ALoadAgainReplacesTheHitsOfTheLast)
{
    // The hits and their texts of one load go with the next: a search loaded
    // again and again shows what a new search of each text shows.
    auto shown = [](CSearchThread& search) {
        std::vector<std::u16string> rows;
        for (DATAGENERAL* hit : search.GetDataList())
            rows.push_back(std::u16string(hit->groupText) + u"|" + hit->displayText + u"|" +
                           (hit->categoryText ? hit->categoryText : u"") + u"|" +
                           (hit->furtherText ? hit->furtherText : u""));
        return rows;
    };
    auto load = [](CSearchThread& search, const char16_t* text) {
        _KSSEARCH p = Everything();
        p.searchText = const_cast<WCHAR*>(text);
        EXPECT_TRUE(search.SetParams(&p));
        EXPECT_TRUE(loadertest::RunLoad(search));
    };
    CSearchThread again;
    for (const char16_t* text : {u"sink", u"milk", u"*", u"sink"}) {
        CSearchThread fresh;
        load(fresh, text);
        load(again, text);
        EXPECT_EQ(shown(again), shown(fresh)) << loadertest::Utf8(text);
        EXPECT_FALSE(shown(again).empty()) << loadertest::Utf8(text);
    }
}

TEST(SearchSort, EveryKeyAndDirectionOrdersTheHitsWithinTheirStores)
{
    // Texts that tie at the first collation level (case, accents), hyphens that word sort
    // skips, equal texts under two OIDs, missing texts and three groups given out of order.
    // The rows get the OIDs 100, 99, ... 89 in the order listed.
    struct Row {
        const char16_t* group;
        const char16_t* display;
        const char16_t* categories;
        WORD isPrivate;
        double date;
    };
    const Row rows[] = {
        {u"<IMG SRC=237> ", u"[1/2] <B>Coop</B>", u"Work", 1, 3},
        {u"<IMG SRC=10> ", u"co-op", nullptr, 0, 2},
        {u"<IMG SRC=10> ", u"Coop", u"Home, Work", 1, 2},
        {u"<IMG SRC=10> ", u"coop", u"home", 0, 1},
        {u"<IMG SRC=293> ", u"R\u00E9sum\u00E9", u"", 0, 5},
        {u"<IMG SRC=293> ", u"resume", u"Work", 1, 5},
        {u"<IMG SRC=293> ", u"Resume", nullptr, 0, 4},
        {u"<IMG SRC=293> ", u"resume", u"Work", 0, 4},
        {u"<IMG SRC=10> ", nullptr, u"Work", 0, 1},
        {u"<IMG SRC=237> ", u"\u00C5ngstr\u00F6m", u"Zeta", 1, 9},
        {u"<IMG SRC=237> ", u"angstrom", u"zeta", 0, 9},
        {nullptr, u"zz", nullptr, 0, 0},
    };
    const struct {
        DWORD key;
        int descending;
        std::vector<DWORD> oids;
    } cases[] = {
        {4, 0, {89, 92, 99, 97, 98, 100, 90, 91, 93, 95, 94, 96}},
        {4, 1, {89, 98, 97, 99, 92, 91, 90, 100, 96, 94, 93, 95}},
        {kSearchSortSensitivity, 0, {89, 92, 99, 97, 98, 90, 100, 91, 93, 94, 96, 95}},
        {kSearchSortSensitivity, 1, {89, 98, 97, 99, 92, 91, 100, 90, 95, 96, 94, 93}},
        {kSearchSortDate, 0, {89, 92, 97, 99, 98, 100, 90, 91, 93, 94, 95, 96}},
        {kSearchSortDate, 1, {89, 98, 99, 97, 92, 91, 90, 100, 96, 95, 94, 93}},
        {kSearchSortCategories, 0, {89, 97, 98, 92, 99, 100, 90, 91, 93, 95, 94, 96}},
        {kSearchSortCategories, 1, {89, 92, 98, 97, 99, 91, 90, 100, 93, 95, 96, 94}},
    };
    for (const auto& c : cases) {
        CSearchThread search;
        DWORD oid = 100;
        for (const Row& r : rows) {
            auto* hit = new DATAGENERAL;
            hit->oid = oid--;
            hit->groupText = r.group ? _wcsdup(r.group) : nullptr;
            hit->displayText = r.display ? _wcsdup(r.display) : nullptr;
            hit->categoryText = r.categories ? _wcsdup(r.categories) : nullptr;
            hit->isPrivate = r.isPrivate;
            hit->date = r.date;
            search.GetDataList().Append(hit);
        }
        search.SetSortOverride(c.key, c.descending);
        search.SortDataList();
        std::vector<DWORD> got;
        for (DATAGENERAL* hit : search.GetDataList()) got.push_back(hit->oid);
        EXPECT_EQ(got, c.oids) << "key " << c.key << " descending " << c.descending;
    }
}

TEST_F(SearchThreadTest, TextsThatFindNothingOrAreRefused)
{
    CSearchThread search;
    _KSSEARCH p = Everything();
    const std::u16string giant(10000, u's');
    p.searchText = const_cast<WCHAR*>(giant.c_str());
    EXPECT_FALSE(search.SetParams(&p));
    ASSERT_TRUE(loadertest::RunLoad(search));
    EXPECT_EQ(search.GetDataList().GetCount(), 0);
    EXPECT_EQ(Search(Everything(), u"   "), std::set<std::string>());
    const std::u16string halves = {0xDC00, u's', 0xD800};
    EXPECT_EQ(Search(Everything(), halves), std::set<std::string>());
    EXPECT_EQ(Search(Everything(), u"?*?*?"), Search(Everything(), u"*"));
}

TEST_F(SearchThreadTest, DatesAreWrittenInTheLocaleOfEachSearch)
{
    // Searches in turn in locales whose short dates differ: each shows the
    // appointment's day as its own locale writes it, whatever the last
    // search wrote.
    _KSSEARCH p;
    p.calendar = 1;
    p.searchText = const_cast<WCHAR*>(u"dentist");
    const SYSTEMTIME day{2026, 12, 2, 8, 0, 0, 0, 0};
    std::set<std::u16string> seen;
    for (const char* locale : {"en-US", "de-DE", "de-DE", "en-US", "ja-JP"}) {
        SCOPED_TRACE(locale);
        PinnedLocale pinned(locale);
        WCHAR date[64] = {};
        ASSERT_GT(GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &day, nullptr, date, 64), 0);
        seen.insert(date);
        CSearchThread search;
        ASSERT_TRUE(search.SetParams(&p));
        ASSERT_TRUE(loadertest::RunLoad(search));
        ASSERT_EQ(search.GetDataList().GetCount(), 1);
        EXPECT_EQ(std::u16string(search.GetDataList().GetHead()->displayText),
                  u"[" + std::u16string(date) + u"] <B>Dentist</B> (Sink Street clinic)");
    }
    EXPECT_EQ(seen.size(), 3u);
}

}  // namespace
