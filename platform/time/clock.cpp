#include "platform/time/clock.h"

#include <chrono>
#include <cstdlib>
#include <mutex>

#include "platform/kernel/clock_source.h"
#include "platform/time/time_zone.h"

namespace {

std::mutex g_pinMutex;
std::optional<SYSTEMTIME> g_pinned;

// Exactly `digits` decimal digits at text[pos].
bool ReadNumber(std::string_view text, size_t pos, size_t digits, WORD* out)
{
    if (pos + digits > text.size()) return false;
    unsigned value = 0;
    for (size_t i = pos; i < pos + digits; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
    }
    *out = static_cast<WORD>(value);
    return true;
}

void ToSystemTime(std::uint64_t value, LPSYSTEMTIME st)
{
    const FILETIME ft = platform::MakeFileTime(value);
    FileTimeToSystemTime(&ft, st);
}

}  // namespace

namespace platform {

std::uint64_t HostFileTime()
{
    const auto sinceEpoch = ClockWallTime().time_since_epoch();
    using FileTimeUnits = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;
    const auto units = std::chrono::duration_cast<FileTimeUnits>(sinceEpoch);
    return static_cast<std::uint64_t>(kFileTimeUnitsOf1970 + units.count());
}

std::optional<SYSTEMTIME> ParsePinnedNow(std::string_view text)
{
    // YYYY-MM-DDTHH:MM, optionally followed by :SS.
    if (text.size() != 16 && text.size() != 19) return std::nullopt;
    SYSTEMTIME st{};
    const bool ok = ReadNumber(text, 0, 4, &st.wYear) && text[4] == '-' && ReadNumber(text, 5, 2, &st.wMonth) &&
                    text[7] == '-' && ReadNumber(text, 8, 2, &st.wDay) && text[10] == 'T' &&
                    ReadNumber(text, 11, 2, &st.wHour) && text[13] == ':' && ReadNumber(text, 14, 2, &st.wMinute) &&
                    (text.size() == 16 || (text[16] == ':' && ReadNumber(text, 17, 2, &st.wSecond)));
    FILETIME check;
    if (!ok || !SystemTimeToFileTime(&st, &check)) return std::nullopt;
    return st;
}

bool SetPinnedNow(const SYSTEMTIME& local)
{
    SYSTEMTIME st = local;
    st.wMilliseconds = 0;
    FILETIME check;
    if (!SystemTimeToFileTime(&st, &check)) return false;
    FileTimeToSystemTime(&check, &st);  // fills the day of the week
    std::lock_guard<std::mutex> lock(g_pinMutex);
    g_pinned = st;
    return true;
}

void ClearPinnedNow()
{
    std::lock_guard<std::mutex> lock(g_pinMutex);
    g_pinned.reset();
}

std::optional<SYSTEMTIME> PinnedNow()
{
    {
        std::lock_guard<std::mutex> lock(g_pinMutex);
        if (g_pinned) return g_pinned;
    }
    const char* env = std::getenv("KSTOOLS_NOW");
    return env ? ParsePinnedNow(env) : std::nullopt;
}

std::uint64_t CurrentFileTime()
{
    const std::optional<SYSTEMTIME> pinned = PinnedNow();
    if (!pinned) return platform::HostFileTime();
    FILETIME local;
    SystemTimeToFileTime(&*pinned, &local);
    return LocalToUtc(FileTimeValue(local));
}

}  // namespace platform

void GetSystemTime(LPSYSTEMTIME st)
{
    if (st) ToSystemTime(platform::CurrentFileTime(), st);
}

void GetLocalTime(LPSYSTEMTIME st)
{
    if (!st) return;
    const std::uint64_t utc = platform::CurrentFileTime();
    const std::int64_t offset = std::int64_t{platform::LocalOffsetMinutesAt(utc)} * kFileTimeUnitsPerMinute;
    ToSystemTime(utc + static_cast<std::uint64_t>(offset), st);
}

void GetSystemTimeAsFileTime(LPFILETIME ft)
{
    if (ft) *ft = platform::MakeFileTime(platform::CurrentFileTime());
}
