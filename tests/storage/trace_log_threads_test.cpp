// CeTraceLog: the line format, the 8-bit log file, the debugger output, and several threads.
#include "storage/trace_log.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/last_error.h"
#include "platform/kernel/tick.h"
#include "platform/text/debug_output.h"
#include "platform/text/utf8.h"
#include "tests/support/device_sandbox.h"

namespace {

std::vector<std::string> g_debugger;
void Capture(std::u16string_view text) { g_debugger.push_back(WideToUtf8(text)); }
void Discard(std::u16string_view) {}

class TraceLogTest : public DeviceSandbox {
protected:
    void SetUp() override
    {
        DeviceSandbox::SetUp();
        g_debugger.clear();
        previous_ = platform::SetDebugOutputSink(Capture);
    }
    void TearDown() override
    {
        platform::SetDebugOutputSink(previous_);
        DeviceSandbox::TearDown();
    }
    std::string LogFile() const { return ReadHostFile("Kestrel_Log.txt"); }
    platform::DebugOutputSink previous_ = nullptr;
};

TEST_F(TraceLogTest, EachCallAppendsOneEightBitCrLfLineAfterTheTickCount)
{
    MakeHostFile("Kestrel_Log.txt", "earlier\r\n");
    DWORD before = GetTickCount();
    SetLastError(1018);
    CeTraceLog(u"open %s failed: %d\n", u"Grüße € Ж", 87);
    CeTraceLog(u"%s", u"100% %s");
    DWORD after = GetTickCount();
    EXPECT_EQ(GetLastError(), 1018u);

    std::string log = LogFile();
    ASSERT_EQ(log.rfind("earlier\r\n", 0), 0u) << log;
    std::vector<std::string> lines, bodies;
    for (size_t at = 9, end; (end = log.find("\r\n", at)) != std::string::npos; at = end + 2) {
        std::string line = lines.emplace_back(log.substr(at, end - at));
        size_t colon = line.find(": ");
        ASSERT_NE(colon, std::string::npos) << line;
        DWORD tick = static_cast<DWORD>(std::stol(line.substr(0, colon)));
        EXPECT_LE(tick - before, after - before) << line;
        bodies.push_back(line.substr(colon + 2));
    }
    EXPECT_EQ(bodies, (std::vector<std::string>{"open Gr\xFC\xDF"
                                                "e \x80 ? failed: 87",
                                                "100% %s"}));
    EXPECT_EQ(log.find('\n', 9), log.find("\r\n", 9) + 1) << "no bare line feeds";

    // The debugger sees the same lines, each ending in one line feed.
    ASSERT_EQ(g_debugger.size(), 2u);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(g_debugger[1], lines[1] + "\n");
    EXPECT_EQ(g_debugger[0], lines[0].substr(0, lines[0].find(' ')) + " open Grüße € Ж failed: 87\n");
}

TEST_F(TraceLogTest, AnUnwritableFileLosesOnlyTheFileLineAndStderrGetsOutputOnlyWhenAsked)
{
    std::filesystem::create_directories(Host("Kestrel_Log.txt"));
    CeTraceLog(u"still traced");
    CeTraceLog(nullptr);
    ASSERT_EQ(g_debugger.size(), 1u);
    EXPECT_NE(g_debugger[0].find(": still traced\n"), std::string::npos);
    platform::SetDebugOutputSink(nullptr);
    unsetenv("KSTOOLS_DEBUG");
    testing::internal::CaptureStderr();
    OutputDebugStringW(u"quiet\n");
    setenv("KSTOOLS_DEBUG", "0", 1);
    OutputDebugStringW(u"still quiet\n");
    setenv("KSTOOLS_DEBUG", "1", 1);
    OutputDebugStringW(u"löud\n");
    unsetenv("KSTOOLS_DEBUG");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "löud\n");
}

TEST_F(TraceLogTest, LinesOfDifferentThreadsNeverInterleave)
{
    platform::SetDebugOutputSink(Discard);  // the capture is for one thread
    constexpr int kThreads = 4;
    constexpr int kLines = 150;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                CeTraceLog(u"thread %d line %d %s", t, i, u"----------------------------------------");
        });
    for (auto& thread : threads) thread.join();

    std::istringstream log(LogFile());
    std::set<std::string> seen;
    std::string line;
    while (std::getline(log, line)) {
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r') << line;
        line.pop_back();
        size_t colon = line.find(": thread ");
        ASSERT_NE(colon, std::string::npos) << line;
        std::string body = line.substr(colon + 2);
        ASSERT_EQ(body.substr(body.size() - 41), " ----------------------------------------") << line;
        EXPECT_TRUE(seen.insert(body).second) << body;
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kLines));
}

}  // namespace
