// Strings that share a block: every writer copies before it writes, and
// sharers on many threads at once neither race on the count nor lose a block.
#include "foundation/ce_string.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

std::u16string Text(const CeString& s) { return static_cast<const WCHAR*>(s); }

TEST(CeStringSharedBlock, EveryWriterLeavesTheOtherSharerUnchanged)
{
    const std::u16string plain = u"Hello World", padded = u" \xFFA0Hello World \t";
    const struct {
        const char* name;
        std::function<void(CeString&)> write;
        std::u16string expected;
        const std::u16string& original;
    } writers[] = {
        {"operator[]", [](CeString& s) { s[0] = u'J'; }, u"Jello World", plain},
        {"SetIndexChar", [](CeString& s) { s.SetIndexChar(u'!', 5); }, u"Hello!World", plain},
        {"GetBuffer within",
         [](CeString& s) {
             s.GetBuffer(5)[1] = u'a';
             s.ReleaseBuffer();
         },
         u"Hallo World", plain},
        {"GetBuffer beyond",
         [](CeString& s) {
             s.GetBuffer(20)[0] = u'Y';
             s.ReleaseBuffer();
         },
         u"Yello World", plain},
        {"GetBufferSetLength same",
         [](CeString& s) {
             s.GetBufferSetLength(11)[10] = u'D';
             s.ReleaseBuffer();
         },
         u"Hello WorlD", plain},
        {"GetBufferSetLength new",
         [](CeString& s) {
             std::memcpy(s.GetBufferSetLength(2), u"ok", 4);
             s.ReleaseBuffer();
         },
         u"ok", plain},
        {"MakeUpper", [](CeString& s) { s.MakeUpper(); }, u"HELLO WORLD", plain},
        {"MakeLower", [](CeString& s) { s.MakeLower(); }, u"hello world", plain},
        {"Reverse", [](CeString& s) { s.Reverse(); }, u"dlroW olleH", plain},
        {"Set(char)", [](CeString& s) { s.Set('z'); }, u"zzzzzzzzzzz", plain},
        {"Set(char, n)", [](CeString& s) { s.Set('z', 2); }, u"zz", plain},
        {"Append", [](CeString& s) { s.Append(u"!!"); }, u"Hello World!!", plain},
        {"append itself", [](CeString& s) { s += s; }, u"Hello WorldHello World", plain},
        {"+= char", [](CeString& s) { s += u'.'; }, u"Hello World.", plain},
        {"operator+", [](CeString& s) { s + u"?"; }, u"Hello World?", plain},
        {"Insert", [](CeString& s) { s.Insert(5, u","); }, u"Hello, World", plain},
        {"Truncate", [](CeString& s) { s.Truncate(5); }, u"Hello", plain},
        {"LTrim", [](CeString& s) { s.LTrim(); }, u"Hello World \t", padded},
        {"RTrim", [](CeString& s) { s.RTrim(); }, u" \xFFA0Hello World", padded},
        {"Trim", [](CeString& s) { s.Trim(); }, u"Hello World", padded},
        {"Replace", [](CeString& s) { s.Replace(u"o", u"0"); }, u"Hell0 W0rld", plain},
        {"Format", [](CeString& s) { s.Format(u"%d", 7); }, u"7", plain},
        {"Format(n)", [](CeString& s) { s.Format(3, u"%s", u"abcdef"); }, u"abc", plain},
        {"SetLong", [](CeString& s) { s.SetLong(42); }, u"42", plain},
        {"SetDouble", [](CeString& s) { s.SetDouble(1.5); }, u"1.500", plain},
        {"assign text", [](CeString& s) { s = u"other"; }, u"other", plain},
        {"Empty", [](CeString& s) { s.Empty(); }, u"", plain},
        {"FormatMessageW", [](CeString& s) { s.FormatMessageW(123456); }, u"Error 123456 occured", plain},
    };
    for (const auto& w : writers) {
        SCOPED_TRACE(w.name);
        CeString keeper(w.original.c_str()), writer;
        writer = keeper;
        const CeStringRep* shared = keeper.GetRep();
        ASSERT_EQ(writer.GetRep(), shared);
        w.write(writer);
        EXPECT_EQ(Text(keeper), w.original);
        EXPECT_EQ(keeper.Length(), static_cast<int>(w.original.size()));
        EXPECT_EQ(keeper.GetRep(), shared);
        EXPECT_EQ(Text(writer), w.expected);
        if (writer.GetRep() != shared) {
            EXPECT_EQ(shared->GetRefs(), 1) << "a stale reference is left";
        }
        CeString alone(w.original.c_str());  // a sole owner gets the same text
        w.write(alone);
        EXPECT_EQ(Text(alone), w.expected);
        EXPECT_EQ(alone.Length(), static_cast<int>(w.expected.size()));
    }
}

constexpr int kThreads = 8;

TEST(CeStringSharedBlock, ManyThreadsCopyAssignWriteAndRelease)
{
    const CeString source(u"shared across threads");
    CeString holder;
    holder = source;
    const CeStringRep* rep = source.GetRep();
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                CeString a, b;
                a = source;
                b = a;
                CeString c(a);
                if ((i + t) % 3 == 0) {
                    b.MakeUpper();
                    failures += Text(b) != u"SHARED ACROSS THREADS";
                }
                if ((i + t) % 5 == 0) {
                    a += u"!";
                    failures += Text(a) != u"shared across threads!";
                }
                failures += Text(c) != u"shared across threads";
                b = CeString();
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(rep->GetRefs(), 2);
    EXPECT_EQ(Text(source), u"shared across threads");
}

TEST(CeStringSharedBlock, SharersWritingAtOnceEachGetAPrivateCopy)
{
    for (int round = 0; round < 50; ++round) {
        std::vector<CeString> sharers(kThreads);
        {
            CeString base(u"abc");  // released first: the sharers hold the last references
            for (auto& s : sharers) s = base;
        }
        std::atomic<bool> go{false};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                while (!go) std::this_thread::yield();
                sharers[static_cast<size_t>(t)].SetIndexChar(static_cast<WCHAR>(u'A' + t), 0);
            });
        }
        go = true;
        for (auto& th : threads) th.join();
        for (int t = 0; t < kThreads; ++t) {
            EXPECT_EQ(Text(sharers[static_cast<size_t>(t)]), std::u16string{static_cast<char16_t>(u'A' + t)} + u"bc");
        }
    }
}

}  // namespace
