// Locale tests' helpers: pinning the user's locale; UTF-16 text that GoogleTest prints readably.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/locale/locale_id.h"
#include "platform/text/utf8.h"

// Chooses the user's locale for one scope and goes back to the default after.
class PinnedLocale {
public:
    explicit PinnedLocale(const char* name) { EXPECT_TRUE(platform::SetUserLocaleName(name)) << name; }
    ~PinnedLocale() { platform::SetUserLocaleName(""); }
    PinnedLocale(const PinnedLocale&) = delete;
    PinnedLocale& operator=(const PinnedLocale&) = delete;
};

// Every locale test runs in en-US unless it pins another locale itself.
class EnUsLocaleTest : public ::testing::Test {
private:
    PinnedLocale pinned_{"en-US"};
};

inline std::string U8(std::u16string_view s) { return WideToUtf8(s); }
