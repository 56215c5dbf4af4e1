// Events, semaphores, in-process mutexes, named objects, handles, waits, and critical sections.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/kernel/critical_section.h"
#include "platform/kernel/internal/waitable_object.h"
#include "platform/kernel/scoped_critical_section.h"
#include "platform/kernel/sync_objects.h"
#include "platform/kernel/thread.h"
#include "tests/support/last_error_check.h"
#include "tests/support/manual_clock.h"
#include "tests/support/test_windows.h"

namespace {

using kstest::SpinUntil;

// Threads that each wait once for a handle and count how many got through.
class Waiters {
public:
    Waiters(HANDLE handle, int count)
    {
        for (int i = 0; i < count; ++i)
            threads_.emplace_back([=, this] {
                if (WaitForSingleObject(handle, 5000) == WAIT_OBJECT_0) ++released_;
            });
        EXPECT_TRUE(SpinUntil([&] { return platform::WaitingThreadCount(handle) == static_cast<size_t>(count); }));
    }
    ~Waiters()
    {
        for (auto& t : threads_) t.join();
    }
    // True when the count reaches `n` and stays there for a little while.
    bool SettlesAt(int n)
    {
        if (!SpinUntil([&] { return released_ >= n; })) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        return released_ == n;
    }

private:
    std::atomic<int> released_{0};
    std::vector<std::thread> threads_;
};

TEST(EventWait, SetAndPulseReleaseTheRightWaitersStateTimeOutsAndBadOperations)
{
    const struct {
        const char* name;
        BOOL manual;
        DWORD operation;
        int released;      // of three waiters
        DWORD stateAfter;  // a zero wait right after
    } cases[] = {
        {"manual set", TRUE, EVENT_SET, 3, WAIT_OBJECT_0},
        {"auto set", FALSE, EVENT_SET, 1, WAIT_TIMEOUT},
        {"manual pulse", TRUE, EVENT_PULSE, 3, WAIT_TIMEOUT},
        {"auto pulse", FALSE, EVENT_PULSE, 1, WAIT_TIMEOUT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HANDLE e = CreateEventW(nullptr, c.manual, FALSE, nullptr);
        {
            Waiters waiters(e, 3);
            EXPECT_TRUE(EventModify(e, c.operation));
            EXPECT_TRUE(waiters.SettlesAt(c.released));
            EXPECT_EQ(WaitForSingleObject(e, 0), c.stateAfter);
            for (int n = c.released + 1; n <= 3; ++n) {  // an auto event lets one more through per set
                SetEvent(e);
                EXPECT_TRUE(waiters.SettlesAt(n));
            }
        }
        EXPECT_EQ(WaitForSingleObject(e, 0), c.stateAfter);
        CloseHandle(e);
    }
    HANDLE manual = CreateEventW(nullptr, TRUE, FALSE, nullptr),
           automatic = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    PulseEvent(manual);  // a pulse nobody waits for is lost
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
    SetEvent(automatic);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);  // a set lasts for one wait only
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);
    ManualClock().AdvanceWhileRunning({59, 1}, [&] { EXPECT_EQ(WaitForSingleObject(manual, 60), WAIT_TIMEOUT); });
    ManualClock clock;
    std::thread waiter([&] { EXPECT_EQ(WaitForSingleObject(manual, 20), WAIT_TIMEOUT); });
    EXPECT_TRUE(SpinUntil([] { return platform::SettledTimedWaiters() == 1; }));
    platform::SetClockSource(nullptr);  // the host's clock takes the wait over
    waiter.join();
    EXPECT_TRUE(FAILS_WITH(EventModify(manual, 7), FALSE, ERROR_INVALID_PARAMETER));
    HANDLE s = CreateSemaphoreW(nullptr, 0, 1, nullptr);
    EXPECT_TRUE(FAILS_WITH(SetEvent(s), FALSE, ERROR_INVALID_HANDLE));  // not an event
    for (HANDLE h : {manual, automatic, s}) CloseHandle(h);
}

TEST(SemaphoreWait, CountsAcquisitionsReleasesAndWakesWaiters)
{
    HANDLE s = CreateSemaphoreW(nullptr, 1, 3, nullptr);
    ASSERT_NE(s, nullptr);
    for (DWORD expected : {WAIT_OBJECT_0, WAIT_TIMEOUT}) EXPECT_EQ(WaitForSingleObject(s, 0), expected);
    {
        Waiters waiters(s, 3);
        LONG previous = -1;
        EXPECT_TRUE(ReleaseSemaphore(s, 2, &previous));
        EXPECT_EQ(previous, 0);
        EXPECT_TRUE(waiters.SettlesAt(2));
        EXPECT_TRUE(
            FAILS_WITH(ReleaseSemaphore(s, 4, &previous), FALSE, ERROR_TOO_MANY_POSTS));  // would pass the maximum
        EXPECT_TRUE(ReleaseSemaphore(s, 2, &previous));
        EXPECT_TRUE(waiters.SettlesAt(3));
    }
    for (DWORD expected : {WAIT_OBJECT_0, WAIT_TIMEOUT}) EXPECT_EQ(WaitForSingleObject(s, 0), expected);
    EXPECT_FALSE(ReleaseSemaphore(s, 0, nullptr));
    EXPECT_FALSE(ReleaseSemaphore(s, -2, nullptr));
    CloseHandle(s);
    const std::pair<LONG, LONG> badCounts[] = {{0, 0}, {5, 4}, {-1, 4}};
    for (auto [initial, maximum] : badCounts) {
        EXPECT_TRUE(FAILS_WITH(CreateSemaphoreW(nullptr, initial, maximum, nullptr), nullptr, ERROR_INVALID_PARAMETER))
            << initial << "/" << maximum;
    }
}

TEST(MutexWait, OwnerNestsOthersWaitForTheLastRelease)
{
    HANDLE m = CreateMutexW(nullptr, TRUE, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);  // nested
    BOOL releasedByOther = TRUE;
    DWORD error = 0;
    std::thread([&] {
        releasedByOther = ReleaseMutex(m);
        error = GetLastError();
    }).join();
    EXPECT_FALSE(releasedByOther);
    EXPECT_EQ(error, ERROR_NOT_OWNER);
    std::atomic<bool> got{false};
    std::thread other([&] {
        if (WaitForSingleObject(m, 5000) == WAIT_OBJECT_0) got = true;  // and ends owning it
    });
    ASSERT_TRUE(SpinUntil([&] { return platform::WaitingThreadCount(m) == 1; }));
    EXPECT_TRUE(ReleaseMutex(m));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(got);  // still held once
    EXPECT_TRUE(ReleaseMutex(m));
    other.join();
    EXPECT_TRUE(got);
    EXPECT_TRUE(FAILS_WITH(ReleaseMutex(m), FALSE, ERROR_NOT_OWNER));
    EXPECT_EQ(WaitForSingleObject(m, 1000), WAIT_ABANDONED);  // its owner ended
    EXPECT_TRUE(ReleaseMutex(m));                             // and it is ours now
    EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);
    ReleaseMutex(m);
    CloseHandle(m);
}

TEST(NamedObjectWait, SameNameSameObjectOtherKindRefused)
{
    HANDLE a = CreateEventW(nullptr, TRUE, FALSE, u"KsTestNamed");
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    HANDLE b = CreateEventW(nullptr, FALSE, TRUE, u"KsTestNamed");  // arguments ignored for an existing one
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(b && a != b);
    EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_TIMEOUT);
    SetEvent(a);
    EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_OBJECT_0);  // still manual
    EXPECT_TRUE(FAILS_WITH(CreateMutexW(nullptr, TRUE, u"KsTestNamed"), nullptr, ERROR_INVALID_HANDLE));
    EXPECT_EQ(CreateSemaphoreW(nullptr, 0, 1, u"KsTestNamed"), nullptr);
    CloseHandle(a);
    CloseHandle(b);
    // The name went with the last handle; a second creator of a mutex is told it exists and does not own it.
    HANDLE first = CreateMutexW(nullptr, TRUE, u"KsTestNamed");
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    std::thread([&] {
        HANDLE second = CreateMutexW(nullptr, TRUE, u"KsTestNamed");
        EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
        EXPECT_EQ(WaitForSingleObject(second, 20), WAIT_TIMEOUT);
        CloseHandle(second);
    }).join();
    ReleaseMutex(first);
    CloseHandle(first);
}

TEST(HandleWait, ClosedStaleGarbageAndClosedDuringAWaitHandlesFailCleanly)
{
    size_t before = platform::OpenHandleCount();
    HANDLE e = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    EXPECT_EQ(platform::OpenHandleCount(), before + 1);
    EXPECT_TRUE(CloseHandle(e));
    EXPECT_EQ(platform::OpenHandleCount(), before);
    EXPECT_TRUE(FAILS_WITH(CloseHandle(e), FALSE, ERROR_INVALID_HANDLE));
    EXPECT_TRUE(FAILS_WITH(WaitForSingleObject(e, 0), WAIT_FAILED, ERROR_INVALID_HANDLE));
    // The slot comes back into use, but never under the old value.
    for (int i = 0; i < 3000; ++i) {
        HANDLE fresh = CreateEventW(nullptr, TRUE, TRUE, nullptr);
        ASSERT_NE(fresh, e);
        ASSERT_EQ(WaitForSingleObject(e, 0), WAIT_FAILED) << i;
        CloseHandle(fresh);
    }
    for (auto garbage : {std::uintptr_t{0}, std::uintptr_t{0x1234}, ~std::uintptr_t{0},
                         std::uintptr_t{0xDEADBEEFCAFEull}, std::uintptr_t{0x1FFF0000}})
        EXPECT_EQ(WaitForSingleObject(reinterpret_cast<HANDLE>(garbage), 0), WAIT_FAILED);
    EXPECT_EQ(platform::OpenHandleCount(), before);
    HANDLE first = CreateEventW(nullptr, TRUE, FALSE, u"KsTestCloseDuringWait");
    HANDLE second = CreateEventW(nullptr, TRUE, FALSE, u"KsTestCloseDuringWait");
    std::atomic<DWORD> result{0xDEAD};
    std::thread waiter([&] { result = WaitForSingleObject(first, INFINITE); });
    ASSERT_TRUE(SpinUntil([&] { return platform::WaitingThreadCount(second) == 1; }));
    EXPECT_TRUE(CloseHandle(first));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(result, 0xDEADu);  // the wait goes on, on the object it holds
    SetEvent(second);
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0);
    CloseHandle(second);
}

// Whether another thread could take the section without waiting (it lets go again at once).
bool FreeForOthers(CRITICAL_SECTION* cs)
{
    return std::async(std::launch::async,
                      [cs] {
                          if (!TryEnterCriticalSection(cs)) return false;
                          LeaveCriticalSection(cs);
                          return true;
                      })
        .get();
}

class CriticalSectionThread : public ::testing::Test {
protected:
    void SetUp() override { InitializeCriticalSection(&cs); }
    void TearDown() override { DeleteCriticalSection(&cs); }
    CRITICAL_SECTION cs;
};

TEST_F(CriticalSectionThread, OwnerNestsOthersTryAtOnceReleasesCrossThreadsAndThreadsExcludeEachOther)
{
    EnterCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EXPECT_TRUE(TryEnterCriticalSection(&cs));  // the owner never waits on itself
    EXPECT_EQ(cs.RecursionCount, 3);
    EXPECT_EQ(cs.OwningThread, reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(GetCurrentThreadId())));
    LeaveCriticalSection(&cs);
    LeaveCriticalSection(&cs);
    DWORD start = GetTickCount();
    EXPECT_FALSE(FreeForOthers(&cs));
    EXPECT_LT(GetTickCount() - start, 50u);
    LeaveCriticalSection(&cs);
    EXPECT_TRUE(FreeForOthers(&cs));
    EXPECT_EQ(cs.LockCount, -1);
    EXPECT_EQ(cs.OwningThread, nullptr);
    {
        platform::ScopedCriticalSection held(&cs);
        {
            platform::ScopedCriticalSection nested(&cs, std::try_to_lock);
            EXPECT_TRUE(nested.Acquired()) << "the owner nests";
        }
        std::thread([&] {
            platform::ScopedCriticalSection tried(&cs, std::try_to_lock);
            EXPECT_FALSE(tried.Acquired());
        }).join();
        EXPECT_FALSE(FreeForOthers(&cs)) << "neither the nested level nor the failed try let the holder's go";
    }
    EXPECT_TRUE(FreeForOthers(&cs));
    ASSERT_TRUE(TryEnterCriticalSection(&cs));               // taken on this thread...
    std::thread([&] { LeaveCriticalSection(&cs); }).join();  // ...released on another
    EXPECT_TRUE(FreeForOthers(&cs));
    std::thread([&] {
        LeaveCriticalSection(&cs);
        LeaveCriticalSection(&cs);
    }).join();
    EnterCriticalSection(&cs);
    EXPECT_FALSE(FreeForOthers(&cs));  // had the extra releases counted, one level would not hold it
    EXPECT_EQ(cs.RecursionCount, 1);
    // A waiter gets the section when a third thread releases it.
    std::atomic<bool> entered{false};
    std::thread waiter([&] {
        EnterCriticalSection(&cs);
        entered = true;
        LeaveCriticalSection(&cs);
    });
    ASSERT_TRUE(kstest::SpinUntil([&] { return std::atomic_ref<LONG>(cs.LockCount).load() == 1; }));
    EXPECT_FALSE(entered);
    std::thread([&] { LeaveCriticalSection(&cs); }).join();
    waiter.join();
    EXPECT_TRUE(entered);
    EXPECT_TRUE(FreeForOthers(&cs));
    int counter = 0;  // deliberately unprotected but for the section
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                EnterCriticalSection(&cs);
                int seen = counter;
                if (i % 7 == 0) std::this_thread::yield();
                counter = seen + 1;
                LeaveCriticalSection(&cs);
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(counter, 8000);
}

TEST(CriticalSectionStructure, ZeroFilledCopiedNullAndDeletedSections)
{
    CRITICAL_SECTION cs{};
    EnterCriticalSection(&cs);
    CRITICAL_SECTION copy = cs;  // a copy shares the lock
    EXPECT_EQ(copy.RecursionCount, 1);
    EXPECT_FALSE(FreeForOthers(&copy));
    LeaveCriticalSection(&copy);
    EXPECT_TRUE(FreeForOthers(&cs));
    DeleteCriticalSection(&cs);
    DeleteCriticalSection(&cs);
    EnterCriticalSection(nullptr);
    LeaveCriticalSection(nullptr);
    EXPECT_FALSE(TryEnterCriticalSection(nullptr));
    DeleteCriticalSection(nullptr);
}

}  // namespace
