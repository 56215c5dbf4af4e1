// Expanding recurring appointments over a window: 10,000 patterns of every
// kind (fixed seed, starts up to 20 years before the window) through the
// calendar's parser and fillers, against libical expanding the equivalent
// RRULEs over the same window (its iterator moved to the window with
// icalrecur_iterator_set_start rather than walked from the pattern start).
//
//   Year, Month: all patterns over 2026, and over March 2026.
//   Year<Kind>: the patterns of one kind over 2026.
//   Deletions0 / Deletions500 (ours only): one daily pattern over 2026
//     without and with 500 deleted dates.
//   StartInWindow / StartFarBack (ours only): one weekly pattern starting
//     inside the month and 20 years before it.
//
// Before anything is timed, the occurrences each side finds on the
// window's days are counted and must agree.
#include <benchmark/benchmark.h>
#include <libical/ical.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "engine/calendar_day_numbers.h"
#include "engine/calendar_recurrence.h"
#include "engine/data_calendar_db.h"
#include "platform/recurrence/recurrence_pattern_blob.h"
#include "platform/time/civil_calendar.h"

namespace {

using calendar_days::DateOf;
using calendar_days::DayOf;
using calendar_days::WeekdayOf;

constexpr int kKinds = 7;
const char* const kDays[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

struct Pattern {
    int kind;
    std::vector<BYTE> blob;
    std::int64_t startDay;
    icalrecurrencetype rule;
    icaltimetype dtstart;
};

std::string ByDay(DWORD mask)
{
    std::string out;
    for (int d = 0; d < 7; ++d) {
        if (mask & (1u << d)) out += std::string(out.empty() ? "" : ",") + kDays[d];
    }
    return out;
}

std::string MonthDay(DWORD day)
{
    if (day <= 28) return "BYMONTHDAY=" + std::to_string(day);
    std::string days = "28";
    for (DWORD d = 29; d <= day; ++d) {
        days.push_back(',');
        days.append(std::to_string(d));
    }
    return "BYMONTHDAY=" + days + ";BYSETPOS=-1";
}

icaltimetype IcalDate(std::int64_t day)
{
    const calendar_days::CivilDate d = DateOf(day);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02dT000000", d.year, d.month, d.day);
    return icaltime_from_string(buf);
}

Pattern Make(int kind, std::int64_t startDay, std::mt19937& rng)
{
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    platform::RecurrencePatternBlob b;
    b.startDate = calendar_days::MinutesOfDay(startDay);
    b.startTimeOffset = static_cast<DWORD>(pick(0, 80) * 15);
    b.endTimeOffset = b.startTimeOffset + static_cast<DWORD>(pick(1, 8) * 15);
    const calendar_days::CivilDate s = DateOf(startDay);
    const std::string setposOf[6] = {"", "1", "2", "3", "4", "-1"};
    std::string rule;
    std::int64_t dtstart = startDay;
    switch (kind) {
        case 0:
            b.frequency = kRecurDaily;
            b.patternType = 0;
            b.period = 1440u * static_cast<DWORD>(pick(1, 14));
            rule = "FREQ=DAILY;INTERVAL=" + std::to_string(b.period / 1440);
            break;
        case 1:
            b.frequency = kRecurDaily;
            b.patternType = 1;
            b.weekdayMask = 62;
            b.period = 0;
            rule = "FREQ=DAILY;BYDAY=MO,TU,WE,TH,FR";
            dtstart = startDay - WeekdayOf(startDay);
            break;
        case 2:
            b.frequency = kRecurWeekly;
            b.patternType = 1;
            b.period = static_cast<DWORD>(pick(1, 4));
            b.weekdayMask = static_cast<DWORD>(pick(1, 127));
            rule = "FREQ=WEEKLY;INTERVAL=" + std::to_string(b.period) + ";BYDAY=" + ByDay(b.weekdayMask) + ";WKST=SU";
            dtstart = startDay - WeekdayOf(startDay);
            break;
        case 3:
            b.frequency = kRecurMonthly;
            b.patternType = 2;
            b.period = static_cast<DWORD>(pick(1, 6));
            b.dayOfMonth = static_cast<DWORD>(pick(1, 31));
            rule = "FREQ=MONTHLY;INTERVAL=" + std::to_string(b.period) + ";" + MonthDay(b.dayOfMonth);
            dtstart = DayOf(s.year, s.month, 1);
            break;
        case 4:
            b.frequency = kRecurMonthly;
            b.patternType = 3;
            b.period = static_cast<DWORD>(pick(1, 6));
            b.weekdayMask = static_cast<DWORD>(1u << pick(0, 6));
            b.nth = static_cast<DWORD>(pick(1, 5));
            rule = "FREQ=MONTHLY;INTERVAL=" + std::to_string(b.period) + ";BYDAY=" + ByDay(b.weekdayMask) +
                   ";BYSETPOS=" + setposOf[b.nth];
            dtstart = DayOf(s.year, s.month, 1);
            break;
        case 5:
        case 6: {
            b.frequency = kRecurYearly;
            b.patternType = kind == 5 ? 2 : 3;
            b.period = 12;
            const int month = pick(1, 12);
            b.firstDateTime = static_cast<DWORD>(platform::civil::DaysBeforeMonth(month, false) * 1440);
            if (kind == 5) {
                b.dayOfMonth = static_cast<DWORD>(pick(1, 31));
                rule = "FREQ=YEARLY;BYMONTH=" + std::to_string(month) + ";" + MonthDay(b.dayOfMonth);
            } else {
                b.weekdayMask = static_cast<DWORD>(1u << pick(0, 6));
                b.nth = static_cast<DWORD>(pick(1, 5));
                rule = "FREQ=YEARLY;BYMONTH=" + std::to_string(month) + ";BYDAY=" + ByDay(b.weekdayMask) +
                       ";BYSETPOS=" + setposOf[b.nth];
            }
            dtstart = DayOf(s.year, 1, 1);
            break;
        }
        default:
            break;
    }
    Pattern p{kind, platform::EncodeRecurrencePatternBlob(b), startDay, icalrecurrencetype_from_string(rule.c_str()),
              IcalDate(dtstart)};
    return p;
}

const std::int64_t kYearFirst = DayOf(2026, 1, 1);
const std::int64_t kYearLast = DayOf(2026, 12, 31);
const std::int64_t kMonthFirst = DayOf(2026, 3, 1);
const std::int64_t kMonthLast = DayOf(2026, 3, 31);

const std::vector<Pattern>& Patterns()
{
    static const std::vector<Pattern> patterns = [] {
        std::mt19937 rng(20260101);
        std::vector<Pattern> out;
        out.reserve(10000);
        for (int i = 0; i < 10000; ++i) {
            const std::int64_t start = kYearFirst - std::uniform_int_distribution<int>(0, 7300)(rng);
            out.push_back(Make(i % kKinds, start, rng));
        }
        return out;
    }();
    return patterns;
}

class CountingSink : public CalendarOccurrenceSink {
public:
    bool ReadRecordRest(DATACALENDARDB&) override { return true; }
    bool IsAppointmentToBeDisplayed(const WCHAR*) override { return true; }
    void AddEntry(DATACALENDAR* entry) override
    {
        ++count;
        if (entry->day >= first && entry->day <= last) ++inWindow;
        delete entry;
    }
    std::int64_t first = 0, last = 0;
    long count = 0;
    long inWindow = 0;
};

// Ours: parse and expand each pattern.
long ExpandOurs(const std::vector<const Pattern*>& patterns, std::int64_t first, std::int64_t last, long* inWindow)
{
    static const TIME_ZONE_INFORMATION kUtc{};
    CCalendarRecurrence recurrence;
    recurrence.SetRange(static_cast<LONG>(first), static_cast<LONG>(last));
    recurrence.SetDeviceZone(&kUtc);
    DATACALENDARDB working;
    CountingSink sink;
    sink.first = first;
    sink.last = last;
    for (const Pattern* p : patterns) {
        working.start = static_cast<double>(p->startDay);
        if (recurrence.ParseAndCheckRecurring(p->blob.data(), static_cast<DWORD>(p->blob.size()), nullptr, 0,
                                              working)) {
            recurrence.fFillEventList(working, sink);
        }
    }
    if (inWindow) *inWindow = sink.inWindow;
    return sink.count;
}

// Peer: libical's occurrences on the window's days.
long ExpandPeer(const std::vector<const Pattern*>& patterns, std::int64_t first, std::int64_t last)
{
    const icaltimetype windowStart = IcalDate(first);
    long count = 0;
    for (const Pattern* p : patterns) {
        icalrecur_iterator* it = icalrecur_iterator_new(p->rule, p->dtstart);
        if (it == nullptr) continue;
        if (icaltime_compare(windowStart, p->dtstart) > 0) icalrecur_iterator_set_start(it, windowStart);
        for (;;) {
            const icaltimetype t = icalrecur_iterator_next(it);
            if (icaltime_is_null_time(t)) break;
            const std::int64_t day = DayOf(t.year, t.month, t.day);
            if (day > last) break;
            if (day >= first && day >= p->startDay) ++count;
        }
        icalrecur_iterator_free(it);
    }
    return count;
}

std::vector<const Pattern*> OfKind(int kind)
{
    std::vector<const Pattern*> out;
    for (const Pattern& p : Patterns()) {
        if (kind < 0 || p.kind == kind) out.push_back(&p);
    }
    return out;
}

// Both sides must find the same occurrences on the window's days.
void CheckAgreement(std::int64_t first, std::int64_t last)
{
    for (int kind = -1; kind < kKinds; ++kind) {
        const auto patterns = OfKind(kind);
        long ours = 0;
        ExpandOurs(patterns, first, last, &ours);
        const long peer = ExpandPeer(patterns, first, last);
        if (ours != peer) {
            std::fprintf(stderr, "kind %d: ours %ld occurrences, libical %ld\n", kind, ours, peer);
            std::abort();
        }
    }
}

void Run(benchmark::State& state, bool ours, int kind, std::int64_t first, std::int64_t last)
{
    static bool checked = false;
    if (!checked) {
        CheckAgreement(kYearFirst, kYearLast);
        CheckAgreement(kMonthFirst, kMonthLast);
        checked = true;
    }
    const auto patterns = OfKind(kind);
    long n = 0;
    for (auto _ : state) {
        n = ours ? ExpandOurs(patterns, first, last, nullptr) : ExpandPeer(patterns, first, last);
        benchmark::DoNotOptimize(n);
    }
    state.counters["patterns"] = static_cast<double>(patterns.size());
    state.counters["occurrences"] = static_cast<double>(n);
}

void BM_Year_Ours(benchmark::State& s) { Run(s, true, -1, kYearFirst, kYearLast); }
void BM_Year_Peer(benchmark::State& s) { Run(s, false, -1, kYearFirst, kYearLast); }
void BM_Month_Ours(benchmark::State& s) { Run(s, true, -1, kMonthFirst, kMonthLast); }
void BM_Month_Peer(benchmark::State& s) { Run(s, false, -1, kMonthFirst, kMonthLast); }
BENCHMARK(BM_Year_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Year_Peer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Month_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Month_Peer)->Unit(benchmark::kMillisecond);

#define KIND_PAIR(Name, kind)                                                                      \
    void BM_Year##Name##_Ours(benchmark::State& s) { Run(s, true, kind, kYearFirst, kYearLast); }  \
    void BM_Year##Name##_Peer(benchmark::State& s) { Run(s, false, kind, kYearFirst, kYearLast); } \
    BENCHMARK(BM_Year##Name##_Ours)->Unit(benchmark::kMillisecond);                                \
    BENCHMARK(BM_Year##Name##_Peer)->Unit(benchmark::kMillisecond);
KIND_PAIR(Daily, 0)
KIND_PAIR(EveryWeekday, 1)
KIND_PAIR(Weekly, 2)
KIND_PAIR(Monthly, 3)
KIND_PAIR(MonthNth, 4)
KIND_PAIR(Yearly, 5)
KIND_PAIR(YearlyNth, 6)

// One pattern, parsed and expanded `repeat` times.
void RunSingle(benchmark::State& state, const std::vector<BYTE>& blob, std::int64_t first, std::int64_t last)
{
    static const TIME_ZONE_INFORMATION kUtc{};
    CCalendarRecurrence recurrence;
    recurrence.SetRange(static_cast<LONG>(first), static_cast<LONG>(last));
    recurrence.SetDeviceZone(&kUtc);
    DATACALENDARDB working;
    CountingSink sink;
    for (auto _ : state) {
        if (recurrence.ParseAndCheckRecurring(blob.data(), static_cast<DWORD>(blob.size()), nullptr, 0, working)) {
            recurrence.fFillEventList(working, sink);
        }
    }
    state.counters["occurrences"] = static_cast<double>(sink.count) / static_cast<double>(state.iterations());
}

std::vector<BYTE> DailyWithDeletions(int deletions)
{
    platform::RecurrencePatternBlob b;
    b.frequency = kRecurDaily;
    b.patternType = 0;
    b.period = 1440;
    b.startDate = calendar_days::MinutesOfDay(kYearFirst - 1000);
    b.startTimeOffset = 540;
    b.endTimeOffset = 600;
    // Every second day from 500 days before the window onwards.
    for (int i = 0; i < deletions; ++i)
        b.deletedInstanceDates.push_back(calendar_days::MinutesOfDay(kYearFirst - 500 + 2 * i));
    return platform::EncodeRecurrencePatternBlob(b);
}

std::vector<BYTE> WeeklyFrom(std::int64_t startDay)
{
    platform::RecurrencePatternBlob b;
    b.frequency = kRecurWeekly;
    b.patternType = 1;
    b.period = 1;
    b.weekdayMask = 2 | 8 | 32;
    b.startDate = calendar_days::MinutesOfDay(startDay);
    b.startTimeOffset = 540;
    b.endTimeOffset = 600;
    return platform::EncodeRecurrencePatternBlob(b);
}

void BM_Deletions0(benchmark::State& s) { RunSingle(s, DailyWithDeletions(0), kYearFirst, kYearLast); }
void BM_Deletions500(benchmark::State& s) { RunSingle(s, DailyWithDeletions(500), kYearFirst, kYearLast); }
void BM_StartInWindow(benchmark::State& s) { RunSingle(s, WeeklyFrom(kMonthFirst), kMonthFirst, kMonthLast); }
void BM_StartFarBack(benchmark::State& s) { RunSingle(s, WeeklyFrom(kMonthFirst - 7305), kMonthFirst, kMonthLast); }
BENCHMARK(BM_Deletions0);
BENCHMARK(BM_Deletions500);
BENCHMARK(BM_StartInWindow);
BENCHMARK(BM_StartFarBack);

}  // namespace

BENCHMARK_MAIN();
