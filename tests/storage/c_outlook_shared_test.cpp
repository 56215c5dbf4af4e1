// COutlook shared between threads: one application however many threads ask,
// no waiting for a logon that another thread has under way.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <thread>
#include <vector>

#include "tests/storage/fake_outlook_app.h"
#include "storage/c_outlook.h"
#include "tests/support/scripted_ui_host.h"

namespace {

using kstest::FakeCOutlook;
using kstest::FakeOutlookLog;

TEST(COutlookShared, EveryThreadGetsTheSameObject)
{
    COutlook* seen[4] = {};
    std::vector<std::thread> threads;
    for (auto& slot : seen) threads.emplace_back([&slot] { slot = &COutlook::GetOutlookObject(); });
    for (auto& t : threads) t.join();
    for (COutlook* p : seen) EXPECT_EQ(p, &COutlook::GetOutlookObject());
}

TEST(COutlookShared, ConcurrentOpensMakeOneApplication)
{
    ScriptedUiHost ui;
    FakeOutlookLog log;
    FakeCOutlook outlook(log);
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&] {
            while (!go) std::this_thread::yield();
            for (int n = 0; n < 50; ++n) outlook.Open();
        });
    }
    go = true;
    for (auto& t : threads) t.join();
    EXPECT_TRUE(outlook.IsOpen());
    EXPECT_EQ(log.created, 1);
    EXPECT_EQ(log.logons, 1);
    EXPECT_EQ(ui.MessageCount(), 0u);
}

TEST(COutlookShared, AThreadThatFindsALogonUnderWayDoesNotWait)
{
    ScriptedUiHost ui;
    FakeOutlookLog log;
    FakeCOutlook outlook(log);
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    outlook.duringCreate = [&] {
        entered.set_value();
        released.wait();
    };
    std::thread first([&] { EXPECT_TRUE(outlook.Open()); });
    entered.get_future().wait();

    // The logon is under way on the first thread: others report no application.
    EXPECT_FALSE(outlook.Open());
    IDispatch* item = nullptr;
    EXPECT_EQ(outlook.GetItemFromOid(9, &item), -1);
    EXPECT_EQ(outlook.CreateItem(olContactItem, &item), -1);

    release.set_value();
    first.join();
    EXPECT_EQ(log.created, 1);
    EXPECT_EQ(outlook.GetItemFromOid(9, &item), 0x209);
    EXPECT_EQ(ui.MessageCount(), 0u);
}

// A host whose message boxes run a probe while they are up.
class ProbingUiHost : public ScriptedUiHost {
public:
    std::function<void()> whileShown;
    int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, UINT flags) override
    {
        if (whileShown) whileShown();
        return ScriptedUiHost::MessageBox(owner, text, caption, flags);
    }
};

TEST(COutlookShared, AFailureIsShownWithTheLogonLockFree)
{
    for (bool createFails : {true, false}) {
        ProbingUiHost ui;
        FakeOutlookLog log;
        FakeCOutlook outlook(log);
        if (createFails)
            outlook.createResult = E_FAIL;
        else
            log.logonResult = E_FAIL;
        bool otherOpened = false;
        ui.whileShown = [&] {
            outlook.createResult = S_OK;
            log.logonResult = S_OK;
            std::thread([&] { otherOpened = outlook.Open(); }).join();
        };

        EXPECT_FALSE(outlook.Open());
        EXPECT_EQ(ui.MessageCount(), 1u);
        EXPECT_TRUE(otherOpened) << "another thread may log on while the user reads the message";
        EXPECT_TRUE(outlook.IsOpen());
    }
}

TEST(COutlookShared, ItemCallsRacingACloseNeverUseAReleasedApplication)
{
    ScriptedUiHost ui;
    FakeOutlookLog log;
    FakeCOutlook outlook(log);
    std::atomic<bool> stop{false};
    std::vector<std::thread> callers;
    for (int i = 0; i < 4; ++i) {
        callers.emplace_back([&] {
            IDispatch* item = nullptr;
            while (!stop) {
                HRESULT hr = outlook.GetItemFromOid(1, &item);
                EXPECT_TRUE(hr == 0x201 || hr == -1) << hr;
            }
        });
    }
    for (int n = 0; n < 200; ++n) outlook.Close();
    stop = true;
    for (auto& t : callers) t.join();
    outlook.Close();
    EXPECT_EQ(log.alive, 0) << "every application made was released";
    EXPECT_EQ(log.logoffs, log.created.load());
}

}  // namespace
