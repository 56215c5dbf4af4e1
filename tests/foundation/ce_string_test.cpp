// CeString on one thread.
#include "foundation/ce_string.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "platform/base/local_memory.h"
#include "platform/modules/string_resources.h"
#include "tests/support/test_windows.h"

namespace {

std::u16string Text(const CeString& s) { return static_cast<const WCHAR*>(s); }
const WCHAR* Ptr(const CeString& s) { return s; }
const WCHAR* ResourceId(UINT id) { return reinterpret_cast<const WCHAR*>(static_cast<std::uintptr_t>(id)); }

// A change that writes `text` over the start of the buffer `get(size)` hands out.
template <class Get>
std::function<void(CeString&)> Buffered(Get get, int size, std::u16string text)
{
    return [=](CeString& s) {
        std::copy(text.begin(), text.end(), (s.*get)(size));
        s.ReleaseBuffer();
    };
}

TEST(CeStringBlock, EmptyStringsShareTheStaticBlockAssignmentSharesCopyConstructionDoesNot)
{
    for (const CeString& s : {CeString(), CeString(static_cast<const WCHAR*>(nullptr)), CeString(u""),
                              CeString(u"x", 0), CeString(u'c', 0), CeString("", 0)}) {
        EXPECT_EQ(Ptr(s), CeStringRep::s_lpszCeEmpty);
    }
    EXPECT_EQ(CeString::NullRep()->GetString(), CeString::NullString());
    CeString target(u"text"), empty;
    target = empty;
    EXPECT_EQ(Ptr(target), CeStringRep::s_lpszCeEmpty);
    target[0] = u'!';  // writers on the empty string leave the static block alone
    target.SetIndexChar(u'Q', 0);
    EXPECT_EQ(CeStringRep::s_cerepNullRep->GetRefs(), -1);
    EXPECT_EQ(CeString::NullString()[0], 0);
    CeString a(u"abcd");
    EXPECT_EQ(reinterpret_cast<const BYTE*>(Ptr(a)) - reinterpret_cast<const BYTE*>(a.GetRep()), 8);
    EXPECT_EQ(a.GetRep()->GetLength(), 4);
    {
        CeString b, c;
        b = a;
        c = b;
        EXPECT_EQ(c.GetRep(), a.GetRep());
        EXPECT_EQ(a.GetRep()->GetRefs(), 3);
        EXPECT_NE(CeString(a).GetRep(), a.GetRep());
        b = CeString(u"other");
        EXPECT_EQ(a.GetRep()->GetRefs(), 2);
    }
    CeString& alias = a;
    a = alias;
    EXPECT_EQ(a.GetRep()->GetRefs(), 1);
    const CeStringRep* rep = a.GetRep();
    CeString moved(std::move(a));
    EXPECT_EQ(moved.GetRep(), rep);
    EXPECT_EQ(Ptr(a), CeString::NullString());  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(CeStringRep::AllocBuf(-1), nullptr);
    for (int at : {0, 2, 9, 17}) {  // a copy stops at the first 0 unit
        CeString z(u"abcdefghijklmnopqrs");
        z.SetIndexChar(0, at);
        EXPECT_EQ(CeString(z).Length(), at);
    }
}

TEST(CeStringText, EveryProducingOperationStringResourcesAndSystemMessages)
{
    using S = CeString;
    const struct {
        const char* what;
        const WCHAR* start;
        std::function<void(CeString&)> change;
        std::u16string expected;
    } rows[] = {
        {"counted", u"", [](S& s) { s = S(u"hello", 3); }, u"hel"},
        {"count -1", u"", [](S& s) { s = S(u"hello", -1); }, u"hello"},
        {"count past end", u"", [](S& s) { s = S(u"hi", 40); }, u"hi"},
        {"null counted", u"x", [](S& s) { s = S(static_cast<const WCHAR*>(nullptr), 5); }, u""},
        {"8-bit counted", u"", [](S& s) { s = S("abcdef", 2); }, u"ab"},
        {"8-bit signed", u"", [](S& s) { s = S("A\x7F\x80\xA0\xFF", 0); }, u"A\x007F\xFF80\xFFA0\xFFFF"},
        {"assign 8-bit", u"", [](S& s) { s = "x\xE9"; }, u"x\xFFE9"},
        {"repeated", u"", [](S& s) { s = S(u'x', 3); }, u"xxx"},
        {"short", u"", [](S& s) { s = S(static_cast<SHORT>(-5), 10); }, u"-5"},
        {"long -1 hex", u"", [](S& s) { s = S(static_cast<LONG>(-1), 16); }, u"ffffffff"},
        {"long min", u"", [](S& s) { s = S(static_cast<LONG>(-2147483647 - 1), 10); }, u"-2147483648"},
        {"ulong max", u"", [](S& s) { s = S(static_cast<ULONG>(4294967295u), 10); }, u"4294967295"},
        {"octal", u"x", [](S& s) { s.SetLong(100, 8); }, u"144"},
        {"set short hex", u"x", [](S& s) { s.SetShort(300, 16); }, u"12c"},
        {"set ulong", u"x", [](S& s) { s.SetULong(3000000000u); }, u"3000000000"},
        {"12.5", u"", [](S& s) { s = S(12.5, 3); }, u"12.500"},
        {"0.05", u"", [](S& s) { s = S(0.05, 3); }, u"0.050"},
        {"-0.05", u"", [](S& s) { s = S(-0.05, 3); }, u"-0.050"},
        {"-0.0001", u"", [](S& s) { s = S(-0.0001, 3); }, u"-0.000"},
        {"rounded", u"", [](S& s) { s = S(1234.5678, 2); }, u"1234.57"},
        {"huge", u"", [](S& s) { s = S(1e45, 3); }, u"1e+45"},
        {"huge negative", u"x", [](S& s) { s.SetDouble(-1e45); }, u"-1e+45"},
        {"assign null", u"old", [](S& s) { s = static_cast<const WCHAR*>(nullptr); }, u""},
        {"assign own tail", u"abcdef", [](S& s) { s = Ptr(s) + 2; }, u"cdef"},
        {"append counted", u"abc", [](S& s) { s.Append(u"defgh", 2); }, u"abcde"},
        {"append null", u"abc", [](S& s) { s.Append(nullptr); }, u"abc"},
        {"append none", u"abc", [](S& s) { s.Append(u"x", 0); }, u"abc"},
        {"append own middle", u"abab", [](S& s) { s.Append(Ptr(s) + 1, 2); }, u"ababba"},
        {"append to empty", u"", [](S& s) { s += S(u"src"); }, u"src"},
        {"append itself", u"ab", [](S& s) { s += s; }, u"abab"},
        {"+= char", u"ab", [](S& s) { s += u'.'; }, u"ab."},
        {"plus changes left", u"l", [](S& s) { s + u"-r"; }, u"l-r"},
        {"plus string", u"l", [](S& s) { s + S(u"+"); }, u"l+"},
        {"insert past end", u"b", [](S& s) { s.Insert(9, u">"); }, u"b>"},
        {"insert before start", u"b", [](S& s) { s.Insert(-9, u"<a"); }, u"<ab"},
        {"truncate at length", u"abc", [](S& s) { s.Truncate(3); }, u"abc"},
        {"truncate -1", u"abc", [](S& s) { s.Truncate(-1); }, u"abc"},
        {"truncate to 0", u"abc", [](S& s) { s.Truncate(0); }, u""},
        {"truncate", u"abcdef", [](S& s) { s.Truncate(2); }, u"ab"},
        {"empty", u"abc", [](S& s) { s.Empty(); }, u""},
        {"assign text", u"abc", [](S& s) { s = u"other"; }, u"other"},
        {"operator[]", u"Hello", [](S& s) { s[0] = u'J'; }, u"Jello"},
        {"GetBuffer within", u"Hello", Buffered(&S::GetBuffer, 5, u"Ha"), u"Hallo"},
        {"GetBuffer beyond", u"Hello", Buffered(&S::GetBuffer, 20, u"Y"), u"Yello"},
        {"GetBufferSetLength same", u"Hello", Buffered(&S::GetBufferSetLength, 5, u"J"), u"Jello"},
        {"GetBufferSetLength new", u"Hello", Buffered(&S::GetBufferSetLength, 2, u"ok"), u"ok"},
        {"lower", u"Hello", [](S& s) { s.MakeLower(); }, u"hello"},
        {"reverse", u"Hello", [](S& s) { s.Reverse(); }, u"olleH"},
        {"set char n", u"Hello", [](S& s) { s.Set('z', 2); }, u"zz"},
        {"ltrim", u" \xFFA0\t ab c \r\n", [](S& s) { s.LTrim(); }, u"ab c \r\n"},
        {"rtrim", u" \t ab c \r\n", [](S& s) { s.RTrim(); }, u" \t ab c"},
        {"trim blank", u" \t\n ", [](S& s) { s.Trim(); }, u""},
        {"rtrim keeps 0xFFA0", u"\xFFA0", [](S& s) { s.RTrim(); }, u"\xFFA0"},
        {"upper accented", u"Wörld", [](S& s) { s.MakeUpper(); }, u"WÖRLD"},
        {"set 8-bit char", u"ab", [](S& s) { s.Set('\xA0'); }, u"\xFFA0\xFFA0"},
        {"set index < 0", u"abc", [](S& s) { s.SetIndexChar(u'X', -5); }, u"Xbc"},
        {"set index past end", u"abc", [](S& s) { s.SetIndexChar(u'X', 3); }, u"abc"},
        {"format limited", u"x", [](S& s) { s.Format(5, u"%d-%s", 12345, u"abc"); }, u"12345"},
        {"format empty", u"x", [](S& s) { s.Format(10, u""); }, u""},
        {"format", u"old", [](S& s) { s.Format(u"%s=%d (%08lX)", u"k", -4, 0xABCDu); }, u"k=-4 (0000ABCD)"},
        {"message fallback", u"x", [](S& s) { s.FormatMessageW(98765); }, u"Error 98765 occured"},
        {"format cut", u"x", [](S& s) { s.Format(u"%s", std::u16string(2000, u'w').c_str()); },
         std::u16string(1023, u'w')},
        {"replace commas", u"a,b,c", [](S& s) { s.Replace(u",", u";;;"); }, u"a;;;b;;;c"},
        {"replace no case", u"Xx-xX", [](S& s) { s.Replace(u"x", u"y", 0, 0); }, u"yy-yy"},
        {"replace from 2", u"aaaa", [](S& s) { s.Replace(u"a", u"b", 2); }, u"aabb"},
        {"replace huge start", u"aa", [](S& s) { s.Replace(u"a", u"b", 0xFFFFFFFFu); }, u"aa"},
        {"mid", u"abcdef", [](S& s) { s = s.Mid(2, 3); }, u"cde"},
        {"mid outside", u"abcdef", [](S& s) { s = s.Mid(6, 1); }, u""},
        {"left -1", u"abcdef", [](S& s) { s = s.Left(-1); }, u"abcdef"},
        {"right", u"abcdef", [](S& s) { s = s.Right(2); }, u"ef"},
        {"delete 0", u"abc", [](S& s) { s = s.Delete(0); }, u"bc"},
        {"delete 5", u"abc", [](S& s) { s = s.Delete(5); }, u""},
        {"delete -1", u"abc", [](S& s) { s = s.Delete(-1); }, u""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CeString s(row.start);
        row.change(s);
        EXPECT_EQ(Text(s), row.expected);
        EXPECT_EQ(s.Length(), static_cast<int>(row.expected.size()));
        if (row.expected.empty()) {
            EXPECT_EQ(Ptr(s), CeString::NullString());
        }
        if (!*row.start) continue;
        // On a block shared by assignment the writer copies first.
        CeString keeper(row.start), writer;
        writer = keeper;
        const CeStringRep* shared = keeper.GetRep();
        row.change(writer);
        EXPECT_EQ(Text(writer), row.expected);
        EXPECT_EQ(Text(keeper), row.start);
        EXPECT_EQ(keeper.GetRep(), shared);
        if (writer.GetRep() != shared) {
            EXPECT_EQ(shared->GetRefs(), 1);
        }
    }
    CeString source(u"abc");
    EXPECT_EQ(Text(source.Delete(1)), u"ac");
    EXPECT_EQ(Text(source), u"abc");
    WCHAR buf[256] = {0};
    std::u16string expected(buf, static_cast<size_t>(std::max(0, LoadStringW(nullptr, 101, buf, 256))));
    ASSERT_FALSE(expected.empty()) << "the string table lacks resource 101";
    EXPECT_EQ(Text(CeString(ResourceId(101))), expected);
    EXPECT_TRUE(CeString(ResourceId(64999)).IsEmpty());
    CeString s(u"keep");
    EXPECT_EQ(s.LoadStringW(64999), 0);
    EXPECT_EQ(Text(s), u"keep");
    s = ResourceId(101);
    EXPECT_EQ(Text(s), expected);
    s.FormatMessageW(2);
    EXPECT_FALSE(s.IsEmpty());
    EXPECT_NE(Text(s), u"Error 2 occured");
}

TEST(CeStringRead, IndexNumbersComparisonAndSearch)
{
    CeString s(u"abc");
    EXPECT_EQ(s.GetIndexChar(-3), u'a');
    EXPECT_EQ(s.GetIndexChar(3), 0);
    EXPECT_EQ(static_cast<int>(CeString(u"  42abc")), 42);
    EXPECT_DOUBLE_EQ(static_cast<double>(CeString(u"3.25")), 3.25);
    EXPECT_GT(CeString(u"a").Compare(u"B"), 0);  // code units, not the alphabet
    EXPECT_EQ(s.Compare(u"abX", 2), 0);
    EXPECT_NE(s.Compare(u"abX", 3), 0);
    EXPECT_EQ(s.CompareNoCase(u"ABC"), 0);
    EXPECT_LT(s.CompareNoCase(u"ABD"), 0);
    EXPECT_EQ(s.Compare(nullptr) + s.Compare(nullptr, 2) + s.CompareNoCase(nullptr), -3);
    CeString mid(u"mid");
    for (const WCHAR* rhs : {u"mid", u"abc", u"zzz", u"Mid", static_cast<const WCHAR*>(nullptr)}) {
        int order = rhs ? std::u16string(u"mid").compare(rhs) : -1;  // null is greater than every string
        SCOPED_TRACE(order);
        EXPECT_EQ(mid == rhs, order == 0);
        EXPECT_EQ(mid != rhs, order != 0);
        EXPECT_EQ(mid < rhs, order < 0);
        EXPECT_EQ(mid <= rhs, order <= 0);
        EXPECT_EQ(mid > rhs, order > 0);
        EXPECT_EQ(mid >= rhs, order >= 0);
    }
    EXPECT_TRUE(CeString() < static_cast<const WCHAR*>(nullptr));

    CeString h(u"hello world");
    const WCHAR* base = h;
    EXPECT_EQ(h.Find(u"lo"), base + 3);
    EXPECT_EQ(h.Find(u"xyz"), nullptr);
    EXPECT_EQ(h.Find(static_cast<const WCHAR*>(nullptr)), nullptr);
    EXPECT_EQ(h.Find(u'o'), base + 4);
    EXPECT_EQ(h.ReverseFind(u'o'), base + 7);
    EXPECT_EQ(h.FindIndex(u"World"), -1);
    EXPECT_EQ(h.FindIndex(u'l'), 2);
    EXPECT_EQ(h.ReverseFindIndex(u'l'), 9);
    EXPECT_EQ(h.ReverseFindIndex(u'#'), -1);
    EXPECT_EQ(h.FindOneOf(u"xwl"), base + 2);
    EXPECT_EQ(h.FindNotOneOf(u"he"), base + 2);
    EXPECT_EQ(h.FindNotOneOf(u"helo wrd"), nullptr);
}

TEST(CeStringBuffer, GetBufferReleaseBufferCopiesOutAndWindowTexts)
{
    CeString s(u"abcdef");
    EXPECT_EQ(s.GetBuffer(0), nullptr);
    EXPECT_EQ(s.GetBuffer(3), Ptr(s));  // within the length: the block itself
    std::memcpy(s.GetBuffer(10), u"0123456789", 10 * sizeof(WCHAR));
    s.ReleaseBuffer();
    EXPECT_EQ(Text(s), u"0123456789");
    s.GetBuffer(20)[4] = 0;
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetRep()->GetLength(), 4);
    s.GetBuffer(4)[0] = 0;
    s.ReleaseBuffer();
    EXPECT_EQ(Ptr(s), CeString::NullString());
    s = u"x";
    s.GetBuffer(1)[0] = 0;
    s.ReleaseBuffer();
    EXPECT_EQ(s.Length(), 0) << "a one-character string emptied through its buffer";
    s = u"abc";
    EXPECT_EQ(s.GetBufferSetLength(3), Ptr(s));
    std::memcpy(s.GetBufferSetLength(6), u"xy", 3 * sizeof(WCHAR));
    EXPECT_EQ(s.Length(), 6);
    s.ReleaseBuffer();
    EXPECT_EQ(Text(s), u"xy");
    EXPECT_EQ(s.GetBufferSetLength(0), nullptr);
    EXPECT_TRUE(s.IsEmpty());

    ULONG bytes = 0;
    WCHAR* copy = CeString(u"hi").GetStringCopy(true, false, &bytes);
    EXPECT_EQ(bytes, 6u);
    EXPECT_EQ(std::u16string(copy), u"hi");
    std::free(copy);
    auto* marked = reinterpret_cast<BYTE*>(CeString(u"hi").GetStringCopy(false, true, &bytes));
    ASSERT_NE(marked, nullptr);
    EXPECT_EQ(bytes, 8u);
    EXPECT_EQ(LocalSize(marked), 8u);
    const BYTE expected[8] = {0xFF, 0xFE, 'h', 0, 'i', 0, 0, 0};
    EXPECT_EQ(std::memcmp(marked, expected, 8), 0);
    EXPECT_EQ(LocalFree(marked), nullptr);
    WCHAR buf[4] = {u'#', u'#', u'#', u'#'};
    EXPECT_EQ(wce_AsciiToWide(buf, "a\xA0"), buf);
    EXPECT_EQ(std::u16string(buf, 4), (std::u16string{u'a', 0xFFA0, 0, u'#'}));

    // Window texts read into the buffer (the window text itself is the platform's, window_test).
    HWND window = kstest::CreateHandlerWindow(nullptr, nullptr, 0, u"Title text");
    EXPECT_EQ(Text(CeString(window)), u"Title text");
    CeString(u"New caption").SetWindowTextW(window);
    CeString read(u"old");
    EXPECT_EQ(read.GetWindowTextW(window), 11);
    EXPECT_EQ(Text(read), u"New caption");
    SetWindowTextW(window, u"");
    EXPECT_EQ(read.GetWindowTextW(window), 0);
    EXPECT_TRUE(read.IsEmpty());
    read = u"old";
    DestroyWindow(window);
    EXPECT_EQ(read.GetWindowTextW(window), 0);  // no longer a window
    EXPECT_EQ(Ptr(read), CeString::NullString());
}

}  // namespace
