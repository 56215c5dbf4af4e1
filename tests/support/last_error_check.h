// One-line checks of a failing call: its result and the last error it left.
#pragma once

#include <gtest/gtest.h>

#include "platform/base/last_error.h"

namespace kstest {

template <class R, class F>
::testing::AssertionResult FailedWith(const R& result, const F& failed, const char* call, DWORD error)
{
    const DWORD last = GetLastError();
    if (result == failed && last == error) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << call << " gave " << ::testing::PrintToString(result) << " and error "
                                         << last << ", not " << ::testing::PrintToString(failed) << " and error "
                                         << error;
}

}  // namespace kstest

// EXPECT_TRUE(FAILS_WITH(call, failed, error)): the call, made with the last
// error cleared, returns `failed` and leaves `error`.
#define FAILS_WITH(call, failed, error) \
    ::kstest::FailedWith((SetLastError(0), (call)), (failed), #call, static_cast<DWORD>(error))
