// Strings sharing a block on many threads at once (one thread: ce_string_test).
#include "foundation/ce_string.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

std::u16string Text(const CeString& s) { return static_cast<const WCHAR*>(s); }

constexpr int kThreads = 8;

// Each thread writes to its own sharer of a block (each must get a copy), then copies,
// assigns, writes and releases strings sharing one long-lived block.
TEST(CeStringSharedBlock, ManyThreadsCopyAssignWriteAndRelease)
{
    const CeString source(u"shared across threads");
    CeString holder;
    holder = source;
    const CeStringRep* rep = source.GetRep();
    std::atomic<int> failures{0};
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
                for (int i = 0; i < 40; ++i) {
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
        go = true;
        for (auto& th : threads) th.join();
        for (int t = 0; t < kThreads; ++t)
            failures +=
                Text(sharers[static_cast<size_t>(t)]) != std::u16string{static_cast<char16_t>(u'A' + t)} + u"bc";
    }
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(rep->GetRefs(), 2);
    EXPECT_EQ(Text(source), u"shared across threads");
}

}  // namespace
