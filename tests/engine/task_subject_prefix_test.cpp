// Priority codes before task subjects: which carry one, their letter, number and days, and where the subject begins.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "engine/task_subject_prefix.h"
#include "platform/text/utf8.h"

namespace {

struct PrefixCase {
    const char* why;
    std::u16string subject;
    bool split;
    std::u16string letter;
    std::u16string number;
    int days;
    std::u16string rest;  // the subject afterwards
};

// Worked by hand: a code ends at the first ':'; without '|' it is at most 3 characters, with '|' the ':' is before
// position 8; the letter first, then one digit, two digits or "0" and a digit; "|" starts the days.
const std::vector<PrefixCase> kCases = {
    {"letter and digit", u"A1: Call Bob", true, u"A", u"1", 0, u"Call Bob"},
    {"two digits", u"B12: x", true, u"B", u"12", 0, u"x"},
    {"leading zero dropped", u"A01: x", true, u"A", u"1", 0, u"x"},
    {"zero zero keeps one zero", u"A00: x", true, u"A", u"0", 0, u"x"},
    {"ten", u"A10: x", true, u"A", u"10", 0, u"x"},
    {"letter only", u"A: x", true, u"A", u"", 0, u"x"},
    {"lower-case letter, no space", u"a1:x", true, u"a", u"1", 0, u"x"},
    {"non-ASCII letter", u"\u00C41: x", true, u"\u00C4", u"1", 0, u"x"},
    {"only one space belongs to the code", u"A1:  two", true, u"A", u"1", 0, u" two"},
    {"nothing after the code", u"A1:", true, u"A", u"1", 0, u""},
    {"letter and colon alone", u"X:", true, u"X", u"", 0, u""},
    {"later colons stay in the subject", u"A1:x: y", true, u"A", u"1", 0, u"x: y"},
    {"long subject", u"Z9: " + std::u16string(5000, u'w'), true, u"Z", u"9", 0, std::u16string(5000, u'w')},

    {"days alone", u"|7: water plants", true, u"", u"", 7, u"water plants"},
    {"days after a one-digit code", u"C3|14: pay rent", true, u"C", u"3", 14, u"pay rent"},
    {"days after a two-digit code", u"A12|5: x", true, u"A", u"12", 5, u"x"},
    {"days after a letter", u"A|5: x", true, u"A", u"", 5, u"x"},
    {"empty days", u"A1|: x", true, u"A", u"1", 0, u"x"},
    {"days stop at a non-digit", u"A1|5x: y", true, u"A", u"1", 5, u"y"},
    {"six-digit days alone", u"|123456: y", true, u"", u"", 123456, u"y"},
    {"longest code with days", u"A1|2345: y", true, u"A", u"1", 2345, u"y"},
    {"a bar after the colon gives no days", u"A1: x|y", true, u"A", u"1", 0, u"x|y"},
    // The code length is measured to the bar, so a letter and a non-digit pass here though "AB: x" does not.
    {"a bar after the colon sets the code length", u"AB: x|y", true, u"A", u"", 0, u"x|y"},
};

// Subjects left whole: words, letters or digits misplaced, spaces, times of day, codes or days too long.
const std::u16string kNoCode[] = {
    u"Note: hello",
    u"AB: x",
    u"To: Bob",
    u"ABC: x",
    u"A1x: x",
    u"A1 : x",
    u"12: x",
    u"1|5: x",
    u":x",
    u":",
    u"Call Bob",
    u"",
    u"Meeting at 10:30",
    u"|: x",
    u"|x: y",
    u"|1234567: y",
    u"A1|23456: y",
    u"A1|5 x",
    std::u16string(5000, u'w') + u": x",
};

TEST(TaskSubjectPrefixTest, SplitsCodesAsTheRulesSay)
{
    std::vector<PrefixCase> cases = kCases;
    for (const std::u16string& s : kNoCode) cases.push_back({"no code", s, false, u"", u"", 0, s});
    for (const PrefixCase& c : cases) {
        SCOPED_TRACE(std::string(c.why) + ": " + WideToUtf8(c.subject.substr(0, 20)));
        std::u16string buffer = c.subject;
        WCHAR* subject = buffer.data();
        WCHAR letter[kTaskPrefixBufferChars] = {u'?', u'?', u'?', 0};
        WCHAR number[kTaskPrefixBufferChars] = {u'?', u'?', u'?', 0};
        int days = -1;
        EXPECT_EQ(TaskSubjectPrefix::Parse(subject, letter, number, days), c.split);
        EXPECT_EQ(std::u16string(letter), c.letter);
        EXPECT_EQ(std::u16string(number), c.number);
        EXPECT_EQ(days, c.days);
        EXPECT_EQ(std::u16string(subject), c.rest);
        // The subject is moved inside the caller's buffer, never copied.
        EXPECT_EQ(subject, buffer.data() + (buffer.size() - c.rest.size()));
    }
}

TEST(TaskSubjectPrefixTest, NullArgumentsAreHarmless)
{
    WCHAR* none = nullptr;
    WCHAR letter[kTaskPrefixBufferChars] = {u'x', 0};
    WCHAR number[kTaskPrefixBufferChars] = {u'9', 0};
    int days = 3;
    EXPECT_FALSE(TaskSubjectPrefix::Parse(none, letter, number, days));
    EXPECT_TRUE(none == nullptr && letter[0] == 0 && number[0] == 0 && days == 0);

    // Callers that want only the plain subject and the days pass no buffers.
    std::u16string text = u"B7|3: Laundry";
    WCHAR* subject = text.data();
    EXPECT_TRUE(TaskSubjectPrefix::Parse(subject, nullptr, nullptr, days));
    EXPECT_EQ(std::u16string(subject) + u"/" + char16_t(u'0' + days), u"Laundry/3");
}

TEST(TaskSubjectPrefixTest, ParseIntReadsLeadingDigitsUpToTheEnd)
{
    // Text, characters it may read, value; values beyond int stop at its maximum.
    const struct {
        std::u16string text;
        size_t limit;
        int value;
    } cases[] = {
        {u"1234x5", 6, 1234},
        {u"1234x5", 2, 12},
        {u"1234x5", 0, 0},
        {u"x5", 2, 0},
        {u"2147483646", 10, INT_MAX - 1},
        {u"2147483647", 10, INT_MAX},
        {u"99999999999999999999", 20, INT_MAX},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TaskSubjectPrefix::ParseInt(c.text.c_str(), c.text.c_str() + c.limit), c.value)
            << WideToUtf8(c.text) << " " << c.limit;
    }
    EXPECT_EQ(TaskSubjectPrefix::ParseInt(nullptr, nullptr), 0);
}

}  // namespace
