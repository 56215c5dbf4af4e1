// Interlocked operations, one private heap and the UI host from many threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/base/interlocked.h"
#include "platform/base/private_heap.h"
#include "platform/ui/ui_host.h"
#include "tests/support/scripted_ui_host.h"

namespace {

template <typename Body>
void OnThreads(int n, Body body)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < n; ++t) threads.emplace_back(body, t);
    for (auto& th : threads) th.join();
}

}  // namespace

TEST(Interlocked, ResultsOnOneThreadAndDistinctBalancedResultsOnMany)
{
    LONG volatile v = 0;
    EXPECT_EQ(InterlockedDecrement(&v), -1);  // the new value
    EXPECT_EQ(InterlockedIncrement(&v), 0);
    EXPECT_EQ(InterlockedExchange(&v, 10), 0);  // the old value
    EXPECT_EQ(InterlockedExchangeAdd(&v, 3), 10);
    EXPECT_EQ(InterlockedCompareExchange(&v, 20, 99), 13);  // no match: unchanged
    EXPECT_EQ(InterlockedCompareExchange(&v, 20, 13), 13);
    EXPECT_EQ(v, 20);
    int a = 1, b = 2;
    PVOID volatile p = &a;
    EXPECT_EQ(InterlockedExchangePointer(&p, &b), &a);
    EXPECT_EQ(InterlockedCompareExchangePointer(&p, &a, &a), &b);
    EXPECT_EQ(p, &b);
    constexpr int kThreads = 6, kEach = 5000;
    LONG volatile counter = 0, refs = 1;
    std::vector<std::vector<LONG>> seen(kThreads);
    OnThreads(kThreads, [&](int t) {
        for (int i = 0; i < kEach; ++i) {
            seen[t].push_back(InterlockedIncrement(&counter));
            InterlockedIncrement(&refs);
            InterlockedExchangeAdd(&refs, 2);
            InterlockedExchangeAdd(&refs, -2);
            InterlockedDecrement(&refs);
        }
    });
    std::vector<LONG> all;
    for (auto& s : seen) all.insert(all.end(), s.begin(), s.end());
    std::sort(all.begin(), all.end());
    ASSERT_EQ(all.size(), static_cast<size_t>(kThreads * kEach));
    for (size_t i = 0; i < all.size(); ++i) ASSERT_EQ(all[i], static_cast<LONG>(i + 1));
    EXPECT_EQ(refs, 1);
}

TEST(PrivateHeapConcurrency, ThreadsShareOneHeapWhileOtherHeapsComeAndGo)
{
    HANDLE heap = HeapCreate(0, 0x10000, 0);
    ASSERT_NE(heap, nullptr);
    std::vector<int> failures(5, 0);
    OnThreads(5, [&](int t) {
        if (t == 4) {  // heaps of its own, made and destroyed
            for (int round = 0; round < 100; ++round) {
                HANDLE own = HeapCreate(HEAP_NO_SERIALIZE, 0, 0);
                for (int i = 0; i < 200; ++i) HeapAlloc(own, 0, 64);
                HeapDestroy(own);
            }
            return;
        }
        // Each block filled with a value of its own, so that overlapping blocks show.
        std::vector<std::tuple<unsigned char*, size_t, unsigned char>> mine;
        for (int i = 0; i < 5000; ++i) {
            size_t n = 8 + static_cast<size_t>((i * 37 + t * 11) % 900);
            auto* p = static_cast<unsigned char*>(HeapAlloc(heap, i % 2 ? HEAP_ZERO_MEMORY : 0, n));
            if (!p) {
                ++failures[t];
                continue;
            }
            auto value = static_cast<unsigned char>(i * 4 + t);
            std::memset(p, value, n);
            mine.emplace_back(p, n, value);
            if (i % 4 == 0) {
                HeapFree(heap, 0, std::get<0>(mine.front()));
                mine.erase(mine.begin());
            }
            if (i % 7 || mine.empty()) continue;
            auto& [last, size, v] = mine.back();
            if (auto* q = static_cast<unsigned char*>(HeapReAlloc(heap, 0, last, size * 2))) {
                std::memset(q + size, v, size);
                mine.back() = {q, size * 2, v};
            }
        }
        for (auto& [p, n, v] : mine)
            if (std::count(p, p + n, v) != static_cast<long>(n) || HeapSize(heap, 0, p) != n) ++failures[t];
    });
    for (int f : failures) EXPECT_EQ(f, 0);
    EXPECT_TRUE(HeapDestroy(heap));
}

TEST(UiHostThreads, MessagesFromManyThreadsAreAllRecordedAndHostsMayChangeMeanwhile)
{
    {
        ScriptedUiHost host;
        OnThreads(4, [](int) {
            for (int i = 0; i < 200; ++i) EXPECT_EQ(MessageBoxW(nullptr, u"worker", u"t", MB_YESNO), IDYES);
        });
        EXPECT_EQ(host.MessageCount(), 800u);
    }
    std::atomic<bool> stop{false};
    std::thread asker([&] {
        while (!stop) MessageBoxW(nullptr, u"busy", nullptr, MB_OK);
    });
    for (int i = 0; i < 100; ++i) {
        ScriptedUiHost host;
        std::this_thread::yield();
    }
    stop = true;
    asker.join();
}
