// Restrictions: what parses for which item kind and how they decide.
#include "platform/objectmodel/outlook_query.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/time/variant_time.h"
#include "tests/support/test_dates.h"

namespace {

using kstest::Ole;

// Property values of one imagined item, by name.
using Values = std::map<std::u16string, OutlookPropertyValue>;
OutlookPropertyValue Text(const char16_t* text) { return {OutlookValueKind::Text, text, 0}; }
OutlookPropertyValue Number(double number) { return {OutlookValueKind::Number, {}, number}; }
OutlookPropertyValue Date(double date) { return {OutlookValueKind::Date, {}, date}; }
OutlookPropertyValue Bool(bool flag) { return {OutlookValueKind::Bool, {}, flag ? 1.0 : 0.0}; }

bool Matches(const char16_t* text, int kind, const Values& values)
{
    OutlookQuery query;
    EXPECT_EQ(OutlookQuery::Parse(text, kind, &query), S_OK) << "restriction should parse";
    return query.Matches([&](std::u16string_view name, OutlookPropertyValue* value) {
        auto found = values.find(std::u16string(name));
        if (found != values.end()) *value = found->second;
        return found != values.end();
    });
}

TEST(OutlookQueryTest, RefusesWhatIsNotARestrictionAndDecidesOnTheItemsValues)
{
    const char16_t* bad[] = {
        u"",
        u"   ",
        u"Subject = \"x\"",                      // no brackets
        u"[Subject] \"x\"",                      // no operator
        u"[Subject] == \"x\"",                   // no such operator
        u"[Subject] = ",                         // no value
        u"[Subject] = \"open",                   // unterminated text
        u"[Subject] = x",                        // bare word for text
        u"[Nonsense] = \"x\"",                   // no such property
        u"[Start] = \"x\"",                      // a task has no Start
        u"[DueDate] = \"not a date\"",           // date text that is no date
        u"[DueDate] = 12/05/2026",               // unquoted date
        u"[Importance] = \"high\"",              // number property, text value
        u"[Importance] = TRUE",                  // number property, yes/no value
        u"[Subject] = \"x\" AND",                // dangling AND
        u"OR [Subject] = \"x\"",                 // leading OR
        u"([Subject] = \"x\"",                   // open parenthesis
        u"[Subject] = \"x\")",                   // extra close
        u"[Subject] = \"x\" [Subject] = \"y\"",  // no joining word
        u"[Subject = \"x\"",                     // bracket never closed
        u"NOT",
    };
    for (const char16_t* text : bad) {
        OutlookQuery query;
        EXPECT_EQ(OutlookQuery::Parse(text, olTaskItem, &query), E_INVALIDARG)
            << std::string(std::u16string(text).begin(), std::u16string(text).end());
        EXPECT_TRUE(query.Empty());
    }
    EXPECT_EQ(OutlookQuery::Parse(u"[Subject] = \"x\"", olTaskItem, nullptr), E_POINTER);

    // Property names belong to the item kind.
    OutlookQuery query;
    EXPECT_EQ(OutlookQuery::Parse(u"[Email1Address] = \"a\"", olContactItem, &query), S_OK);
    EXPECT_EQ(OutlookQuery::Parse(u"[Email1Address] = \"a\"", olTaskItem, &query), E_INVALIDARG);
    EXPECT_EQ(OutlookQuery::Parse(u"[Location] = \"a\"", olAppointmentItem, &query), S_OK);
    EXPECT_EQ(OutlookQuery::Parse(u"[Location] = \"a\"", olContactItem, &query), E_INVALIDARG);
    EXPECT_EQ(OutlookQuery::Parse(u"[subject] = \"a\"", olAppointmentItem, &query), S_OK) << "names in any case";
    EXPECT_EQ(OutlookQuery::Parse(u"[Subject] = \"a\"", 0, &query), E_INVALIDARG) << "no item kind";

    // Nesting and chains are bounded.
    auto nested = [](size_t n) { return std::u16string(n, u'(') + u"[Subject] = \"x\"" + std::u16string(n, u')'); };
    EXPECT_EQ(OutlookQuery::Parse(nested(64), olTaskItem, &query), E_INVALIDARG);
    EXPECT_EQ(OutlookQuery::Parse(nested(10), olTaskItem, &query), S_OK);

    std::u16string longChain = u"[Subject] = \"x\"";
    for (int i = 0; i < 2000; ++i) longChain += u" OR [Subject] = \"x\"";
    EXPECT_EQ(OutlookQuery::Parse(longChain, olTaskItem, &query), E_INVALIDARG) << "too many comparisons";

    // Items of each kind, one without values and one whose Subject is a number.
    const Values contact = {
        {u"Email1Address", Text(u"Ann@Example.com")}, {u"Email2Address", Text(u"")}, {u"LastName", Text(u"Moss")}};
    const Values task = {{u"Subject", Text(u"it's \"done\"")}, {u"Importance", Number(0)}, {u"Complete", Bool(false)}};
    const Values appointment = {{u"BusyStatus", Number(2)},
                                {u"Duration", Number(90)},
                                {u"AllDayEvent", Bool(true)},
                                {u"Start", Date(Ole(2026, 12, 5, 9, 30))},
                                {u"End", Date(Ole(2026, 12, 5, 10, 0))}};
    const Values none, wrong = {{u"Subject", Number(3)}};
    const struct {
        const char16_t* text;
        int kind;
        const Values& values;
        bool expected;
    } matches[] = {
        // Text compares without case.
        {u"[Email1Address] = \"ann@example.com\"", olContactItem, contact, true},
        {u"[Email1Address] <> \"ANN@EXAMPLE.COM\"", olContactItem, contact, false},
        {u"[Email2Address] = \"ann@example.com\" OR [Email1Address] = \"ann@example.com\"", olContactItem, contact,
         true},
        {u"[Email2Address] = \"ann@example.com\"", olContactItem, contact, false},
        {u"[LastName] > \"m\" AND [LastName] < \"N\"", olContactItem, contact, true},
        {u"[LastName] >= \"moss\" AND [LastName] <= \"MOSS\"", olContactItem, contact, true},
        // Quotes are escaped by doubling.
        {u"[Subject] = 'it''s \"done\"'", olTaskItem, task, true},
        {u"[Subject] = \"it's \"\"done\"\"\"", olTaskItem, task, true},
        {u"[Subject] = \"it's\"", olTaskItem, task, false},
        // AND binds tighter than OR; parentheses regroup: false AND false OR true, false AND (false OR true).
        {u"[Subject] = \"b\" AND [Importance] = 2 OR [Complete] = FALSE", olTaskItem, task, true},
        {u"[Subject] = \"b\" AND ([Importance] = 2 OR [Complete] = FALSE)", olTaskItem, task, false},
        {u"NOT [Subject] = \"b\" and not [Importance] > 0", olTaskItem, task, true},
        {u"NOT ([Subject] = \"b\" OR [Importance] = 0)", olTaskItem, task, false},
        // Numbers, quoted or not, and flags (any non-zero is true).
        {u"[BusyStatus] = 2", olAppointmentItem, appointment, true},
        {u"[BusyStatus] = \"2\"", olAppointmentItem, appointment, true},
        {u"[Duration] > 89.5 AND [Duration] < 90.5", olAppointmentItem, appointment, true},
        {u"[Duration] < -1", olAppointmentItem, appointment, false},
        {u"[AllDayEvent] = TRUE", olAppointmentItem, appointment, true},
        {u"[AllDayEvent] = -1", olAppointmentItem, appointment, true},
        {u"[AllDayEvent] = false", olAppointmentItem, appointment, false},
        {u"[AllDayEvent] <> 0", olAppointmentItem, appointment, true},
        // Dates from text or numbers (46361.5 is 5 December 2026, 12:00).
        {u"[Start] >= \"12/05/2026 08:00\"", olAppointmentItem, appointment, true},
        {u"[Start] >= \"12/05/2026 10:00\"", olAppointmentItem, appointment, false},
        {u"[Start] = \"12/05/2026 09:30\"", olAppointmentItem, appointment, true},
        {u"[Start] > \"12/05/2026\" AND [End] < \"12/06/2026\"", olAppointmentItem, appointment, true},
        {u"[Start] < 46361.5", olAppointmentItem, appointment, true},
        {u"[Start] < 46361.3", olAppointmentItem, appointment, false},
        // A value that cannot be read, or is of another kind, never matches.
        {u"[Subject] = \"\"", olTaskItem, none, false},
        {u"[Subject] <> \"x\"", olTaskItem, none, false},
        {u"NOT [Subject] = \"x\"", olTaskItem, none, true},
        {u"[Subject] = \"3\"", olTaskItem, wrong, false},
    };
    for (const auto& m : matches)
        EXPECT_EQ(Matches(m.text, m.kind, m.values), m.expected)
            << std::string(std::u16string(m.text).begin(), std::u16string(m.text).end());
}

}  // namespace
