// Collators and locale data shared by many threads: every thread must get the
// answers a single thread gets (run under ThreadSanitizer as well).
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/locale/compare_string.h"
#include "platform/locale/date_format.h"
#include "platform/locale/locale_info.h"

namespace {

struct Job {
    LCID locale;
    DWORD flags;
    const char16_t* a;
    const char16_t* b;
};

const Job kJobs[] = {
    {0x0409, 0, u"\u00e4", u"z"},           {0x041D, 0, u"\u00e4", u"z"},
    {0x0407, NORM_IGNORECASE, u"A", u"a"},  {0x10407, NORM_IGNORENONSPACE, u"M\u00fcller", u"Mueller"},
    {0x0405, SORT_STRINGSORT, u"ch", u"h"}, {0x0411, 0x30007, u"\u30ab", u"\u304b"},
    {0x0409, 0, u"coop", u"co-op"},         {0x040C, NORM_IGNORESYMBOLS, u"a-b", u"ab"},
};

}  // namespace

TEST(LocaleConcurrency, ThreadsCompareAndFormatLikeOneThread)
{
    std::vector<int> expected;
    for (const Job& job : kJobs) expected.push_back(CompareStringW(job.locale, job.flags, job.a, -1, job.b, -1));
    SYSTEMTIME st{2024, 3, 0, 5, 14, 7, 9, 0};
    const LCID formatLocales[] = {0x0409, 0x0407, 0x0411, 0x0419};

    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 200; ++round) {
                size_t i = static_cast<size_t>(round + t) % std::size(kJobs);
                const Job& job = kJobs[i];
                if (CompareStringW(job.locale, job.flags, job.a, -1, job.b, -1) != expected[i]) ++failures;
                // Locale data is built on first use, possibly by several threads at once.
                WCHAR buffer[64];
                LCID locale = formatLocales[static_cast<size_t>(round + t) % std::size(formatLocales)];
                if (GetDateFormatW(locale, DATE_LONGDATE, &st, nullptr, buffer, 64) == 0) ++failures;
                if (GetLocaleInfoW(locale, LOCALE_STIMEFORMAT, buffer, 64) == 0) ++failures;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
}
