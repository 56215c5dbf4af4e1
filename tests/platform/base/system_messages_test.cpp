#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "platform/base/last_error.h"
#include "platform/base/system_messages.h"

namespace {

constexpr DWORD kFromSystem = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

TEST(SystemMessages, CodesGiveTheSystemsTextOrAReason)
{
    const std::u16string notFound = u"The specified module could not be found.";
    struct {
        DWORD flags;
        DWORD code;
        DWORD size;        // of the buffer
        const char16_t* text;  // null: refused
        DWORD lastError;   // when refused
    } cases[] = {
        {kFromSystem, ERROR_MOD_NOT_FOUND, 256, u"The specified module could not be found.", 0},
        {FORMAT_MESSAGE_FROM_SYSTEM, ERROR_FILE_NOT_FOUND, 256, u"The system cannot find the file specified.", 0},
        {kFromSystem, ERROR_SUCCESS, 256, u"The operation completed successfully.", 0},
        {kFromSystem, ERROR_TIMEOUT, 256, u"This operation returned because the timeout period expired.", 0},
        {kFromSystem, ERROR_MOD_NOT_FOUND, static_cast<DWORD>(notFound.size() + 1), notFound.c_str(), 0},
        {kFromSystem, ERROR_MOD_NOT_FOUND, static_cast<DWORD>(notFound.size()), nullptr, ERROR_INSUFFICIENT_BUFFER},
        {kFromSystem, 0xDEAD, 256, nullptr, ERROR_MR_MID_NOT_FOUND},
        {kFromSystem, ERROR_MR_MID_NOT_FOUND + 1, 256, nullptr, ERROR_MR_MID_NOT_FOUND},
        {0x00000400 /* from a string */, ERROR_MOD_NOT_FOUND, 256, nullptr, ERROR_INVALID_PARAMETER},
        {kFromSystem, ERROR_MOD_NOT_FOUND, 0, nullptr, ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : cases) {
        char16_t buffer[256];
        std::fill(std::begin(buffer), std::end(buffer), u'#');
        SetLastError(0);
        const DWORD written = FormatMessageW(c.flags, nullptr, c.code, 0, buffer, c.size, nullptr);
        if (c.text) {
            EXPECT_EQ(std::u16string(buffer), c.text) << c.code;
            EXPECT_EQ(written, std::u16string(c.text).size()) << c.code;
        } else {
            EXPECT_EQ(written, 0u) << c.code;
            EXPECT_EQ(GetLastError(), c.lastError) << c.code;
        }
    }
    SetLastError(0);
    EXPECT_EQ(FormatMessageW(kFromSystem, nullptr, ERROR_MOD_NOT_FOUND, 0, nullptr, 256, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
