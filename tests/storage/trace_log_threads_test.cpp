// CeTraceLog from several threads at once: no line is lost or cut.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/text/debug_output.h"
#include "storage/trace_log.h"
#include "tests/support/device_sandbox.h"

namespace {

void Discard(std::u16string_view) {}

class TraceLogThreads : public DeviceSandbox {};

TEST_F(TraceLogThreads, LinesOfDifferentThreadsNeverInterleave)
{
    platform::DebugOutputSink previous = platform::SetDebugOutputSink(Discard);
    constexpr int kThreads = 4;
    constexpr int kLines = 150;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                CeTraceLog(u"thread %d line %d %s", t, i, u"----------------------------------------");
        });
    for (auto& thread : threads) thread.join();
    platform::SetDebugOutputSink(previous);

    std::istringstream log(ReadHostFile("Kestrel_Log.txt"));
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
