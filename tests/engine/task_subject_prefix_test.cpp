// Priority codes in front of task subjects: which subjects carry one, what
// letter, number and regeneration days they give, and where the plain
// subject begins.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "engine/task_subject_prefix.h"

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

// Expected values worked out by hand from the code rules: a code ends at the
// first ':'; without '|' it is at most three characters, with '|' the ':'
// comes before position 8; the letter comes first, then one digit, two digits
// or "0" and a digit; "|" starts the days.
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

    {"days alone", u"|7: water plants", true, u"", u"", 7, u"water plants"},
    {"days after a one-digit code", u"C3|14: pay rent", true, u"C", u"3", 14, u"pay rent"},
    {"days after a two-digit code", u"A12|5: x", true, u"A", u"12", 5, u"x"},
    {"days after a letter", u"A|5: x", true, u"A", u"", 5, u"x"},
    {"empty days", u"A1|: x", true, u"A", u"1", 0, u"x"},
    {"days stop at a non-digit", u"A1|5x: y", true, u"A", u"1", 5, u"y"},
    {"six-digit days alone", u"|123456: y", true, u"", u"", 123456, u"y"},
    {"longest code with days", u"A1|2345: y", true, u"A", u"1", 2345, u"y"},
    {"a bar after the colon gives no days", u"A1: x|y", true, u"A", u"1", 0, u"x|y"},
    // The code length is measured to the bar wherever it is, so a letter
    // followed by a non-digit passes here although "AB: x" does not.
    {"a bar after the colon sets the code length", u"AB: x|y", true, u"A", u"", 0, u"x|y"},

    {"four-character word", u"Note: hello", false, u"", u"", 0, u"Note: hello"},
    {"two letters", u"AB: x", false, u"", u"", 0, u"AB: x"},
    {"two-letter word", u"To: Bob", false, u"", u"", 0, u"To: Bob"},
    {"three letters", u"ABC: x", false, u"", u"", 0, u"ABC: x"},
    {"digit then letter", u"A1x: x", false, u"", u"", 0, u"A1x: x"},
    {"space inside the code", u"A1 : x", false, u"", u"", 0, u"A1 : x"},
    {"digits first", u"12: x", false, u"", u"", 0, u"12: x"},
    {"digit before the bar", u"1|5: x", false, u"", u"", 0, u"1|5: x"},
    {"colon first", u":x", false, u"", u"", 0, u":x"},
    {"colon alone", u":", false, u"", u"", 0, u":"},
    {"no colon", u"Call Bob", false, u"", u"", 0, u"Call Bob"},
    {"empty subject", u"", false, u"", u"", 0, u""},
    {"a time of day", u"Meeting at 10:30", false, u"", u"", 0, u"Meeting at 10:30"},
    {"bar and colon only", u"|: x", false, u"", u"", 0, u"|: x"},
    {"bar and a letter", u"|x: y", false, u"", u"", 0, u"|x: y"},
    {"seven-digit days", u"|1234567: y", false, u"", u"", 0, u"|1234567: y"},
    {"code with days too long", u"A1|23456: y", false, u"", u"", 0, u"A1|23456: y"},
    {"bar without colon", u"A1|5 x", false, u"", u"", 0, u"A1|5 x"},
};

TEST(TaskSubjectPrefixTest, SplitsCodesAsTheRulesSay)
{
    for (const PrefixCase& c : kCases) {
        SCOPED_TRACE(c.why);
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

TEST(TaskSubjectPrefixTest, LongSubjectsAreSplitWithoutCopying)
{
    std::u16string tail(5000, u'w');
    std::u16string withCode = u"Z9: " + tail;
    WCHAR* subject = withCode.data();
    WCHAR letter[kTaskPrefixBufferChars];
    WCHAR number[kTaskPrefixBufferChars];
    int days = 0;
    ASSERT_TRUE(TaskSubjectPrefix::Parse(subject, letter, number, days));
    EXPECT_EQ(subject, withCode.data() + 4);
    EXPECT_EQ(std::u16string(subject), tail);

    // A colon far out in a long subject is no code.
    std::u16string noCode = tail + u": x";
    subject = noCode.data();
    EXPECT_FALSE(TaskSubjectPrefix::Parse(subject, letter, number, days));
    EXPECT_EQ(subject, noCode.data());
}

TEST(TaskSubjectPrefixTest, NullArgumentsAreHarmless)
{
    WCHAR* none = nullptr;
    WCHAR letter[kTaskPrefixBufferChars] = {u'x', 0};
    WCHAR number[kTaskPrefixBufferChars] = {u'9', 0};
    int days = 3;
    EXPECT_FALSE(TaskSubjectPrefix::Parse(none, letter, number, days));
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(letter[0], 0);
    EXPECT_EQ(number[0], 0);
    EXPECT_EQ(days, 0);

    // Callers that want only the plain subject and the days pass no buffers.
    std::u16string text = u"B7|3: Laundry";
    WCHAR* subject = text.data();
    EXPECT_TRUE(TaskSubjectPrefix::Parse(subject, nullptr, nullptr, days));
    EXPECT_EQ(std::u16string(subject), u"Laundry");
    EXPECT_EQ(days, 3);
}

TEST(TaskSubjectPrefixTest, ParseIntReadsLeadingDigitsUpToTheEnd)
{
    const std::u16string text = u"1234x5";
    const WCHAR* s = text.c_str();
    EXPECT_EQ(TaskSubjectPrefix::ParseInt(s, s + text.size()), 1234);
    EXPECT_EQ(TaskSubjectPrefix::ParseInt(s, s + 2), 12);
    EXPECT_EQ(TaskSubjectPrefix::ParseInt(s, s), 0);
    EXPECT_EQ(TaskSubjectPrefix::ParseInt(s + 4, s + text.size()), 0);
    EXPECT_EQ(TaskSubjectPrefix::ParseInt(nullptr, nullptr), 0);
    const std::u16string huge = u"99999999999999999999";
    EXPECT_EQ(TaskSubjectPrefix::ParseInt(huge.c_str(), huge.c_str() + huge.size()), INT_MAX);
    const std::u16string max = u"2147483647";
    EXPECT_EQ(TaskSubjectPrefix::ParseInt(max.c_str(), max.c_str() + max.size()), INT_MAX);
    const std::u16string belowMax = u"2147483646";
    EXPECT_EQ(TaskSubjectPrefix::ParseInt(belowMax.c_str(), belowMax.c_str() + belowMax.size()), INT_MAX - 1);
}

}  // namespace
