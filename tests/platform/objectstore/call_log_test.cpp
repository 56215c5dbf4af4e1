// The call log kept in the object store.
#include "platform/objectstore/call_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/text/utf8.h"
#include "tests/platform/objectstore/cedb_test_support.h"

namespace {

using platform::CallLogEntry;
using platform::kCallIncoming;
using platform::kCallOutgoing;

// Minutes after an arbitrary day, as a UTC FILETIME.
FILETIME At(unsigned minutes) { return platform::MakeFileTime(133500000000000000ull + minutes * 600000000ull); }

CallLogEntry Call(std::u16string number, std::u16string name, unsigned minute, DWORD seconds, DWORD direction,
                  bool missed, CEOID contact)
{
    CallLogEntry c;
    c.number = std::move(number);
    c.name = std::move(name);
    c.start = At(minute);
    c.durationSeconds = seconds;
    c.direction = direction;
    c.missed = missed;
    c.contact = contact;
    return c;
}

std::string Show(const CallLogEntry& c)
{
    const unsigned long long ticks =
        (static_cast<unsigned long long>(c.start.dwHighDateTime) << 32 | c.start.dwLowDateTime) - 133500000000000000ull;
    return WideToUtf8(c.number.c_str()) + "|" + WideToUtf8(c.name.c_str()) + "|" + std::to_string(ticks / 600000000) +
           "m|" + std::to_string(c.durationSeconds) + "s|" + (c.direction == kCallOutgoing ? "out" : "in") +
           (c.missed ? "|missed" : "") + "|" + std::to_string(c.contact);
}

using CallLogTest = CedbSandbox;

TEST_F(CallLogTest, CallsReadBackNewestFirstWithEveryField)
{
    std::vector<CallLogEntry> calls;
    ASSERT_TRUE(platform::ReadCallLog(calls));
    EXPECT_TRUE(calls.empty()) << "a store without the log has no calls";

    // Added out of order; two begin at minute 30.
    const CallLogEntry added[] = {
        Call(u"+44 20 7946 0018", u"Ann \u00C9tienne", 30, 95, kCallIncoming, false, 0x1234),
        Call(u"", u"", 10, 0, kCallIncoming, true, 0),
        Call(u"555-0100", u"", 50, 600, kCallOutgoing, false, 0),
        Call(u"555-0199", u"Bob", 30, 0, kCallOutgoing, false, 7),
    };
    for (const CallLogEntry& c : added) EXPECT_NE(platform::AddCallLogEntry(c), 0u) << Show(c);

    ASSERT_TRUE(platform::ReadCallLog(calls));
    std::vector<std::string> shown;
    for (const CallLogEntry& c : calls) {
        shown.push_back(Show(c));
        EXPECT_NE(c.oid, 0u);
    }
    EXPECT_EQ(shown, (std::vector<std::string>{
                         "555-0100||50m|600s|out|0",
                         "555-0199|Bob|30m|0s|out|7",
                         "+44 20 7946 0018|Ann \xC3\x89tienne|30m|95s|in|4660",
                         "||10m|0s|in|missed|0",
                     }));
    ASSERT_TRUE(platform::ReadCallLog(calls, 2));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(Show(calls[1]), shown[1]) << "a limit keeps the newest";
}

TEST_F(CallLogTest, CallsThatCannotBeAreRefusedAndNothingIsStored)
{
    const CallLogEntry refused[] = {
        Call(u"1", u"", 1, 0, kCallOutgoing, true, 0),
        Call(u"1", u"", 1, 0, 2, false, 0),
    };
    for (const CallLogEntry& c : refused) {
        SetLastError(0);
        EXPECT_EQ(platform::AddCallLogEntry(c), 0u) << Show(c);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << Show(c);
    }
    std::vector<CallLogEntry> calls;
    ASSERT_TRUE(platform::ReadCallLog(calls));
    EXPECT_TRUE(calls.empty());
}

}  // namespace
