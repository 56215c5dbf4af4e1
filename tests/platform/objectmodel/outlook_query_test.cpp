// Restrictions: what parses for which item kind, what is refused, and how
// parsed restrictions decide on given property values.
#include "platform/objectmodel/outlook_query.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/time/variant_time.h"
#include "tests/support/test_dates.h"

namespace {

using kstest::Ole;

// Property values of one imagined item, by name.
struct Values {
    std::map<std::u16string, OutlookPropertyValue> byName;

    Values& Text(const char16_t* name, const char16_t* text)
    {
        byName[name] = {OutlookValueKind::Text, text, 0};
        return *this;
    }
    Values& Number(const char16_t* name, double number)
    {
        byName[name] = {OutlookValueKind::Number, {}, number};
        return *this;
    }
    Values& Date(const char16_t* name, double date)
    {
        byName[name] = {OutlookValueKind::Date, {}, date};
        return *this;
    }
    Values& Bool(const char16_t* name, bool flag)
    {
        byName[name] = {OutlookValueKind::Bool, {}, flag ? 1.0 : 0.0};
        return *this;
    }
    OutlookQuery::Lookup Lookup() const
    {
        return [this](std::u16string_view name, OutlookPropertyValue* value) {
            auto found = byName.find(std::u16string(name));
            if (found == byName.end()) return false;
            *value = found->second;
            return true;
        };
    }
};

bool Matches(const char16_t* text, int kind, const Values& values)
{
    OutlookQuery query;
    EXPECT_EQ(OutlookQuery::Parse(text, kind, &query), S_OK) << "restriction should parse";
    return query.Matches(values.Lookup());
}

TEST(OutlookQueryTest, RefusesWhatIsNotARestriction)
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
}

TEST(OutlookQueryTest, PropertyNamesBelongToTheItemKind)
{
    OutlookQuery query;
    EXPECT_EQ(OutlookQuery::Parse(u"[Email1Address] = \"a\"", olContactItem, &query), S_OK);
    EXPECT_EQ(OutlookQuery::Parse(u"[Email1Address] = \"a\"", olTaskItem, &query), E_INVALIDARG);
    EXPECT_EQ(OutlookQuery::Parse(u"[Location] = \"a\"", olAppointmentItem, &query), S_OK);
    EXPECT_EQ(OutlookQuery::Parse(u"[Location] = \"a\"", olContactItem, &query), E_INVALIDARG);
    EXPECT_EQ(OutlookQuery::Parse(u"[subject] = \"a\"", olAppointmentItem, &query), S_OK) << "names in any case";
    EXPECT_EQ(OutlookQuery::Parse(u"[Subject] = \"a\"", 0, &query), E_INVALIDARG) << "no item kind";
}

TEST(OutlookQueryTest, NestingIsBounded)
{
    std::u16string deep(64, u'(');
    deep += u"[Subject] = \"x\"";
    deep += std::u16string(64, u')');
    OutlookQuery query;
    EXPECT_EQ(OutlookQuery::Parse(deep, olTaskItem, &query), E_INVALIDARG);
    std::u16string fine(10, u'(');
    fine += u"[Subject] = \"x\"";
    fine += std::u16string(10, u')');
    EXPECT_EQ(OutlookQuery::Parse(fine, olTaskItem, &query), S_OK);

    std::u16string longChain = u"[Subject] = \"x\"";
    for (int i = 0; i < 2000; ++i) longChain += u" OR [Subject] = \"x\"";
    EXPECT_EQ(OutlookQuery::Parse(longChain, olTaskItem, &query), E_INVALIDARG) << "too many comparisons";
}

TEST(OutlookQueryTest, TextComparesWithoutCase)
{
    Values contact;
    contact.Text(u"Email1Address", u"Ann@Example.com").Text(u"Email2Address", u"").Text(u"LastName", u"Moss");
    EXPECT_TRUE(Matches(u"[Email1Address] = \"ann@example.com\"", olContactItem, contact));
    EXPECT_FALSE(Matches(u"[Email1Address] <> \"ANN@EXAMPLE.COM\"", olContactItem, contact));
    EXPECT_TRUE(Matches(u"[Email2Address] = \"ann@example.com\" OR [Email1Address] = \"ann@example.com\"",
                        olContactItem, contact));
    EXPECT_FALSE(Matches(u"[Email2Address] = \"ann@example.com\"", olContactItem, contact));
    EXPECT_TRUE(Matches(u"[LastName] > \"m\" AND [LastName] < \"N\"", olContactItem, contact));
    EXPECT_TRUE(Matches(u"[LastName] >= \"moss\" AND [LastName] <= \"MOSS\"", olContactItem, contact));
}

TEST(OutlookQueryTest, QuotesAreEscapedByDoubling)
{
    Values task;
    task.Text(u"Subject", u"it's \"done\"");
    EXPECT_TRUE(Matches(u"[Subject] = 'it''s \"done\"'", olTaskItem, task));
    EXPECT_TRUE(Matches(u"[Subject] = \"it's \"\"done\"\"\"", olTaskItem, task));
    EXPECT_FALSE(Matches(u"[Subject] = \"it's\"", olTaskItem, task));
}

TEST(OutlookQueryTest, AndBindsTighterThanOrAndParenthesesRegroup)
{
    Values task;
    task.Text(u"Subject", u"a").Number(u"Importance", 0).Bool(u"Complete", false);
    // false AND false OR true -> true; false AND (false OR true) -> false.
    EXPECT_TRUE(Matches(u"[Subject] = \"b\" AND [Importance] = 2 OR [Complete] = FALSE", olTaskItem, task));
    EXPECT_FALSE(Matches(u"[Subject] = \"b\" AND ([Importance] = 2 OR [Complete] = FALSE)", olTaskItem, task));
    EXPECT_TRUE(Matches(u"NOT [Subject] = \"b\" and not [Importance] > 0", olTaskItem, task));
    EXPECT_FALSE(Matches(u"NOT ([Subject] = \"a\" OR [Importance] = 2)", olTaskItem, task));
}

TEST(OutlookQueryTest, NumbersAndFlags)
{
    Values appointment;
    appointment.Number(u"BusyStatus", 2).Number(u"Duration", 90).Bool(u"AllDayEvent", true);
    EXPECT_TRUE(Matches(u"[BusyStatus] = 2", olAppointmentItem, appointment));
    EXPECT_TRUE(Matches(u"[BusyStatus] = \"2\"", olAppointmentItem, appointment)) << "quoted number";
    EXPECT_TRUE(Matches(u"[Duration] > 89.5 AND [Duration] < 90.5", olAppointmentItem, appointment));
    EXPECT_FALSE(Matches(u"[Duration] < -1", olAppointmentItem, appointment));
    EXPECT_TRUE(Matches(u"[AllDayEvent] = TRUE", olAppointmentItem, appointment));
    EXPECT_TRUE(Matches(u"[AllDayEvent] = -1", olAppointmentItem, appointment)) << "any non-zero is true";
    EXPECT_FALSE(Matches(u"[AllDayEvent] = false", olAppointmentItem, appointment));
    EXPECT_TRUE(Matches(u"[AllDayEvent] <> 0", olAppointmentItem, appointment));
}

TEST(OutlookQueryTest, DatesFromTextOrNumbers)
{
    Values appointment;
    appointment.Date(u"Start", Ole(2026, 12, 5, 9, 30)).Date(u"End", Ole(2026, 12, 5, 10, 0));
    EXPECT_TRUE(Matches(u"[Start] >= \"12/05/2026 08:00\"", olAppointmentItem, appointment));
    EXPECT_FALSE(Matches(u"[Start] >= \"12/05/2026 10:00\"", olAppointmentItem, appointment));
    EXPECT_TRUE(Matches(u"[Start] = \"12/05/2026 09:30\"", olAppointmentItem, appointment));
    EXPECT_TRUE(Matches(u"[Start] > \"12/05/2026\" AND [End] < \"12/06/2026\"", olAppointmentItem, appointment));
    const DATE start = Ole(2026, 12, 5, 9, 30);
    const std::u16string asNumber = u"[Start] < " + std::u16string(u"46361.5");
    EXPECT_EQ(Matches(asNumber.c_str(), olAppointmentItem, appointment), start < 46361.5);
}

TEST(OutlookQueryTest, AValueThatCannotBeReadNeverMatches)
{
    Values none;
    EXPECT_FALSE(Matches(u"[Subject] = \"\"", olTaskItem, none));
    EXPECT_FALSE(Matches(u"[Subject] <> \"x\"", olTaskItem, none));
    EXPECT_TRUE(Matches(u"NOT [Subject] = \"x\"", olTaskItem, none));
    // A value of another kind than the property's is no match either.
    Values wrong;
    wrong.Number(u"Subject", 3);
    EXPECT_FALSE(Matches(u"[Subject] = \"3\"", olTaskItem, wrong));
}

}  // namespace
