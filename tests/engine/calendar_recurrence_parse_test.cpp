// Reading and expanding pattern blobs. Sections: Versions and kinds; Warnings and short blobs; Changed occurrences;
// The own zone; Published examples; Damaged blobs; Hand-worked days; The range window and own-zone all-day entries.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/calendar_recurrence.h"
#include "platform/recurrence/recurrence_dates.h"
#include "platform/recurrence/recurrence_rule.h"
#include "tests/engine/calendar_recurrence_fixture.h"
#include "tests/support/recurrence_published_blobs.h"

using namespace recurtest;
using platform::RecurrenceDay;
using platform::RecurrenceExceptionInfo;
using platform::RecurrenceRule;

namespace {

const TIME_ZONE_INFORMATION kUtc = FixedZone(0);

void PutWord(std::vector<BYTE>& b, size_t at, WORD v)
{
    b[at] = static_cast<BYTE>(v);
    b[at + 1] = static_cast<BYTE>(v >> 8);
}

void PutDword(std::vector<BYTE>& b, size_t at, DWORD v)
{
    PutWord(b, at, static_cast<WORD>(v));
    PutWord(b, at + 2, static_cast<WORD>(v >> 16));
}

Expansion ParseBlob(const std::vector<BYTE>& blob, std::int64_t firstDay, std::int64_t lastDay,
                    const std::vector<BYTE>& zone = {}, bool rangeMode = true)
{
    return ExpandStored(blob, zone, Series{static_cast<double>(firstDay)}, firstDay, lastDay, kUtc, nullptr, rangeMode);
}

platform::RecurrencePatternBlob Daily(DWORD start)
{
    platform::RecurrencePatternBlob b;
    b.frequency = kRecurDaily;
    b.patternType = 0;
    b.period = 1440;
    b.startDate = start;
    b.startTimeOffset = 600;
    b.endTimeOffset = 660;
    return b;
}

// Offset of ExceptionCount in a daily blob without deleted or modified dates: 22 + EndType, count, FirstDOW,
// two empty lists, dates, versions and offsets.
constexpr size_t kDailyExceptionCountAt = 22 + 12 + 8 + 8 + 8 + 8;

// ---- Versions and kinds ---------------------------------------------------

TEST(CalendarRecurrenceParse, MissingPatternsAndForeignVersionsAreRefused)
{
    // A missing or one-byte pattern clears the frequency.
    CCalendarRecurrence recurrence;
    DATACALENDARDB working;
    const BYTE one = 1;
    for (const BYTE* blob : {static_cast<const BYTE*>(nullptr), &one}) {
        working.frequency = kRecurDaily;
        EXPECT_FALSE(recurrence.ParseAndCheckRecurring(blob, 0, nullptr, 0, working));
        EXPECT_EQ(working.frequency, 0);
    }
    std::vector<BYTE> blob = platform::EncodeRecurrencePatternBlob(Daily(Minutes(2024, 1, 1)));
    ASSERT_TRUE(ParseBlob(blob, OleDay(2024, 1, 1), OleDay(2024, 1, 2)).usable);
    std::vector<BYTE> first = blob;
    PutWord(first, 2, 0x3005);
    EXPECT_EQ(ParseBlob(first, OleDay(2024, 1, 1), OleDay(2024, 1, 2)).result, kRecurrenceRejected);
    std::vector<BYTE> second = blob;
    PutDword(second, kDailyExceptionCountAt - 12, 0x3006);  // WriterVersion2
    const Expansion p = ParseBlob(second, OleDay(2024, 1, 1), OleDay(2024, 1, 2));
    EXPECT_FALSE(p.usable);
    EXPECT_EQ(p.result, kRecurrenceRejected);
    // Outside range mode the parser still says true (the loader decides).
    EXPECT_TRUE(ParseBlob(second, OleDay(2024, 1, 1), OleDay(2024, 1, 2), {}, false).usable);
}

TEST(CalendarRecurrenceParse, OnlyTheSevenPatternKindsAreAccepted)
{
    const struct {
        WORD frequency, type;
        bool accepted;
    } kinds[] = {{kRecurDaily, 0, true},    {kRecurDaily, 1, true},   {kRecurDaily, 2, false},
                 {kRecurWeekly, 0, false},  {kRecurWeekly, 1, true},  {kRecurWeekly, 2, false},
                 {kRecurMonthly, 1, false}, {kRecurMonthly, 2, true}, {kRecurMonthly, 3, true},
                 {kRecurYearly, 0, false},  {kRecurYearly, 2, true},  {kRecurYearly, 3, true},
                 {0x2009, 0, false},        {0x200E, 2, false}};
    for (const auto& k : kinds) {
        std::vector<BYTE> blob;
        if (k.accepted) {
            // Each accepted kind with the fields of its own type.
            platform::RecurrencePatternBlob b = Daily(Minutes(2024, 1, 1));
            b.frequency = k.frequency;
            b.patternType = k.type;
            b.period = k.frequency == kRecurDaily ? 1440 : 1;
            b.weekdayMask = 127;
            b.dayOfMonth = 1;
            b.nth = 1;
            blob = platform::EncodeRecurrencePatternBlob(b);
        } else {
            blob = platform::EncodeRecurrencePatternBlob(Daily(Minutes(2024, 1, 1)));
            PutWord(blob, 4, k.frequency);
            PutWord(blob, 6, k.type);
        }
        const Expansion p = ParseBlob(blob, OleDay(2024, 1, 1), OleDay(2024, 1, 2));
        EXPECT_EQ(p.result != kRecurrenceRejected, k.accepted) << std::hex << k.frequency << " " << k.type;
        EXPECT_EQ(p.entries.empty(), !k.accepted) << std::hex << k.frequency << " " << k.type;
    }
}

// ---- Warnings and short blobs ---------------------------------------------

TEST(CalendarRecurrenceParse, UnexpectedValuesOnlyWarn)
{
    using Blob = platform::RecurrencePatternBlob;
    const struct {
        const char* what;
        void (*edit)(Blob&);
        size_t entries;  // a daily pattern over three days, or 0: a period of 46 days
    } cases[] = {
        {"calendar type", [](Blob& b) { b.calendarType = 8; }, 3},
        {"sliding flag", [](Blob& b) { b.slidingFlag = 1; }, 3},
        {"end type", [](Blob& b) { b.endType = platform::kRecurEndNeverAlternate; }, 3},
        {"period with its upper half set", [](Blob& b) { b.period = 0x10000u + 1440; }, 0},
        {"exception count that differs from the modified dates", nullptr, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Blob b = Daily(Minutes(2023, 12, 1));
        if (c.edit) c.edit(b);
        std::vector<BYTE> blob = platform::EncodeRecurrencePatternBlob(b);
        if (!c.edit) PutWord(blob, kDailyExceptionCountAt, 1);
        const Expansion p = ParseBlob(blob, OleDay(2024, 1, 1), OleDay(2024, 1, 3));
        EXPECT_EQ(p.result, kRecurrenceWarnings);
        EXPECT_FALSE(p.reason.empty());
        if (c.entries) {
            EXPECT_EQ(p.entries.size(), c.entries);
        }
    }
    EXPECT_EQ(ParseBlob(platform::EncodeRecurrencePatternBlob(Daily(Minutes(2023, 12, 1))), OleDay(2024, 1, 1),
                        OleDay(2024, 1, 3))
                  .result,
              kRecurrenceUsable);
}

TEST(CalendarRecurrenceParse, FieldsBeyondTheEndReadAsZero)
{
    std::vector<BYTE> blob = platform::EncodeRecurrencePatternBlob(Daily(Minutes(2024, 1, 1)));
    // Cut after EndDate: the second versions read 0.
    blob.resize(kDailyExceptionCountAt - 16);
    Expansion p = ParseBlob(blob, OleDay(2024, 1, 1), OleDay(2024, 1, 2));
    EXPECT_EQ(p.result, kRecurrenceRejected);
    EXPECT_EQ(p.fields.readerVersion2, 0u);
    // Cut inside the end offset: it reads as its available low bytes.
    blob = platform::EncodeRecurrencePatternBlob(Daily(Minutes(2024, 1, 1)));
    blob.resize(kDailyExceptionCountAt - 3);
    p = ParseBlob(blob, OleDay(2024, 1, 1), OleDay(2024, 1, 1));
    EXPECT_EQ(p.fields.endTimeOffset, 660u & 0xFF);
    EXPECT_EQ(p.result, kRecurrenceUsable);  // exception count 0 agrees
    // A deleted-date count far beyond the blob reads zeros past the end.
    blob = platform::EncodeRecurrencePatternBlob(Daily(Minutes(2024, 1, 1)));
    PutDword(blob, 22 + 12, 0x7FFFFFFF);
    p = ParseBlob(blob, OleDay(2024, 1, 1), OleDay(2024, 1, 2));
    EXPECT_EQ(p.result, kRecurrenceRejected);
    EXPECT_EQ(p.fields.deletedInstanceCount, 0x7FFFFFFFu);
}

// ---- Changed occurrences --------------------------------------------------

// A blob with a changed occurrence on 10 January 2024, moved to 14:00.
platform::RecurrencePatternBlob WithChange(const RecurrenceExceptionInfo& extra)
{
    platform::RecurrencePatternBlob b = Daily(Minutes(2024, 1, 1));
    RecurrenceExceptionInfo e;
    e.startDateTime = Minutes(2024, 1, 10, 14, 0);
    e.endDateTime = Minutes(2024, 1, 10, 15, 0);
    e.originalStartDate = Minutes(2024, 1, 10, 10, 0);
    e.subject = u"First";
    b.deletedInstanceDates = {Minutes(2024, 1, 10), Minutes(2024, 1, 11)};
    b.modifiedInstanceDates = {Minutes(2024, 1, 10), Minutes(2024, 1, 11)};
    b.exceptions = {e, extra};
    return b;
}

// 10 January moved to 14:00, with a note of these bytes.
RecurrenceExceptionInfo Noted(size_t noteBytes)
{
    RecurrenceExceptionInfo e;
    e.startDateTime = Minutes(2024, 1, 10, 14, 0);
    e.endDateTime = Minutes(2024, 1, 10, 15, 0);
    e.originalStartDate = Minutes(2024, 1, 10, 10, 0);
    e.ownNote = true;
    e.noteBytes = std::vector<BYTE>(noteBytes, 0x55);
    return e;
}

RecurrenceExceptionInfo Eleventh()
{
    RecurrenceExceptionInfo e;
    e.startDateTime = Minutes(2024, 1, 11, 16, 0);
    e.endDateTime = Minutes(2024, 1, 11, 17, 0);
    e.originalStartDate = Minutes(2024, 1, 11, 10, 0);
    e.subject = u"Second";
    return e;
}

const Entry* OnDay(const std::vector<Entry>& entries, std::int64_t day)
{
    for (const Entry& e : entries) {
        if (e.day == day) return &e;
    }
    return nullptr;
}

TEST(CalendarRecurrenceParse, BusyStatusAboveFourAndOwnNotesShiftWhatFollows)
{
    RecurrenceExceptionInfo e = Eleventh();
    e.busyStatus = 7u | (1u << 16);  // 7, then 1 in the word after it
    Expansion p =
        ParseBlob(platform::EncodeRecurrencePatternBlob(WithChange(e)), OleDay(2024, 1, 10), OleDay(2024, 1, 11));
    ASSERT_NE(OnDay(p.entries, OleDay(2024, 1, 11)), nullptr);
    EXPECT_EQ(OnDay(p.entries, OleDay(2024, 1, 11))->busyStatus, 1);
    e.busyStatus = 3u | (1u << 16);
    p = ParseBlob(platform::EncodeRecurrencePatternBlob(WithChange(e)), OleDay(2024, 1, 10), OleDay(2024, 1, 11));
    EXPECT_EQ(OnDay(p.entries, OleDay(2024, 1, 11))->busyStatus, 3);
    EXPECT_EQ(OnDay(p.entries, OleDay(2024, 1, 10))->busyStatus, 2);  // unchanged

    // An own note is skipped and marked; the record after it is read from the right place.
    RecurrenceExceptionInfo noted = Noted(12);
    noted.reminderDelta = 30;
    noted.reminderSet = 1;
    platform::RecurrencePatternBlob b = WithChange(Eleventh());
    b.exceptions[0] = noted;
    p = ParseBlob(platform::EncodeRecurrencePatternBlob(b), OleDay(2024, 1, 10), OleDay(2024, 1, 11));
    ASSERT_EQ(p.entries.size(), 2u);
    EXPECT_TRUE(p.entries[0].hasNote);
    EXPECT_EQ(p.entries[0].subject, "Series");
    EXPECT_EQ(p.entries[0].start, OleDay(2024, 1, 10) * 1440 + 14 * 60);
    EXPECT_EQ(p.entries[1].subject, "Second");
    EXPECT_FALSE(p.entries[1].hasNote);
    EXPECT_EQ(p.entries[1].start, OleDay(2024, 1, 11) * 1440 + 16 * 60);
}

TEST(CalendarRecurrenceParse, ExceptionDatesBefore1700AreReadAgainFromTheNeighbouringOffset)
{
    // Four stray bytes before the second record: its start reads as 0 and its dates are taken 4 bytes later.
    std::vector<BYTE> blob = platform::EncodeRecurrencePatternBlob(WithChange(Eleventh()));
    const std::vector<BYTE> first = platform::EncodeRecurrencePatternBlob([] {
        platform::RecurrencePatternBlob b = WithChange(Eleventh());
        b.exceptions.pop_back();
        return b;
    }());
    // The first record ends where the one-record blob has its reserved tail.
    const size_t secondAt = first.size() - 10;
    blob.insert(blob.begin() + static_cast<std::ptrdiff_t>(secondAt), 4, BYTE{0});
    auto expectSecond = [](const std::vector<BYTE>& damaged) {
        const Expansion p = ParseBlob(damaged, OleDay(2024, 1, 10), OleDay(2024, 1, 11));
        const Entry* second = OnDay(p.entries, OleDay(2024, 1, 11));
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(second->subject, "Second");
        EXPECT_EQ(second->start, OleDay(2024, 1, 11) * 1440 + 16 * 60);
    };
    expectSecond(blob);

    // A first note 4 bytes shorter than its length says: the second record is read 4 bytes late,
    // its original date reads as a small number, and its dates are taken 4 bytes earlier.
    platform::RecurrencePatternBlob b = WithChange(Eleventh());
    b.exceptions[0] = Noted(9);  // length 5, then 9 bytes
    blob = platform::EncodeRecurrencePatternBlob(b);
    b.exceptions.pop_back();
    const size_t secondStart = platform::EncodeRecurrencePatternBlob(b).size() - 10;
    blob.erase(blob.begin() + static_cast<std::ptrdiff_t>(secondStart - 4),
               blob.begin() + static_cast<std::ptrdiff_t>(secondStart));
    expectSecond(blob);
}

TEST(CalendarRecurrenceParse, MovedOccurrenceIsKnownByItsOriginalDate)
{
    // 10 January moved to 12 January, 12 January's own occurrence deleted.
    platform::RecurrencePatternBlob b = Daily(Minutes(2024, 1, 1));
    RecurrenceExceptionInfo e;
    e.startDateTime = Minutes(2024, 1, 12, 8, 0);
    e.endDateTime = Minutes(2024, 1, 13, 9, 0);  // a day and an hour
    e.originalStartDate = Minutes(2024, 1, 10, 10, 0);
    b.deletedInstanceDates = {Minutes(2024, 1, 10), Minutes(2024, 1, 12)};
    b.modifiedInstanceDates = {Minutes(2024, 1, 12)};
    b.exceptions = {e};
    const Expansion p = ParseBlob(platform::EncodeRecurrencePatternBlob(b), OleDay(2024, 1, 9), OleDay(2024, 1, 13));
    EXPECT_EQ(p.deleted, 1);          // the changed occurrence's date is not counted as deleted
    ASSERT_EQ(p.entries.size(), 4u);  // 9, 11, the moved one on 12, 13
    const Entry* moved = OnDay(p.entries, OleDay(2024, 1, 12));
    ASSERT_NE(moved, nullptr);
    EXPECT_TRUE(moved->exception);
    EXPECT_EQ(moved->start, OleDay(2024, 1, 12) * 1440 + 8 * 60);
    EXPECT_EQ(moved->end, OleDay(2024, 1, 13) * 1440 + 9 * 60);
    EXPECT_EQ(moved->duration, 1500);
    EXPECT_EQ(OnDay(p.entries, OleDay(2024, 1, 10)), nullptr);
}

// ---- The own zone ---------------------------------------------------------

TEST(CalendarRecurrenceParse, OwnZoneWithImpossibleRulesWarnsAndKeepsStandardTime)
{
    TIME_ZONE_INFORMATION z = FixedZone(300);
    z.DaylightBias = -60;
    z.DaylightDate = SYSTEMTIME{0, 13, 0, 2, 2, 0, 0, 0};  // month 13
    z.StandardDate = SYSTEMTIME{0, 11, 9, 1, 2, 0, 0, 0};  // weekday 9
    const std::vector<BYTE> blob = platform::EncodeRecurrencePatternBlob(Daily(Minutes(2024, 6, 1)));
    const struct {
        const char* what;
        std::vector<BYTE> zone;
        RecurrenceParseResult result;
        bool hasZone;
        int hour;  // of the 10:00 occurrence on the device
    } cases[] = {
        {"impossible rules: no daylight saving", ZoneBlob(z), kRecurrenceWarnings, true, 15},
        {"an offset of more than a day: ignored", ZoneBlob(FixedZone(100000)), kRecurrenceWarnings, false, 10},
        {"a short blob reads zeros for what it lacks", {0x2C, 0x01}, kRecurrenceUsable, true, 15},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Expansion p = ParseBlob(blob, OleDay(2024, 6, 10), OleDay(2024, 6, 10), c.zone);
        EXPECT_EQ(p.result, c.result);
        EXPECT_EQ(p.fields.hasZone, c.hasZone);
        ASSERT_EQ(p.entries.size(), 1u);
        EXPECT_EQ(p.entries[0].start, OleDay(2024, 6, 10) * 1440 + c.hour * 60);
    }
}

// ---- Published examples ---------------------------------------------------

// Published examples: refused with their desktop versions, read and expanded with the device's.
TEST(CalendarRecurrencePublished, ExamplesReadWithTheDeviceVersionsOnly)
{
    const struct {
        const char* hex;
        size_t versionsAt;
        std::int64_t firstDay, lastDay;
        RecurrenceParseResult result;
        std::vector<int> days;  // yyyymmdd of each entry
        LONG startMinute, duration;
        int deleted;
    } examples[] = {
        // Monday, Thursday and Friday from 26 March 2007, twelve times (EndDate 20 April).
        {publishedblobs::kWeekly,
         publishedblobs::kWeeklyVersionsAt,
         OleDay(2007, 3, 1),
         OleDay(2007, 4, 30),
         kRecurrenceUsable,
         {20070326, 20070329, 20070330, 20070402, 20070405, 20070406, 20070409, 20070412, 20070413, 20070416, 20070419,
          20070420},
         600,
         30,
         0},
        // Every three days from 7 April until 4 May 2011, 19 and 22 April deleted.
        {publishedblobs::kDaily,
         publishedblobs::kDailyVersionsAt,
         OleDay(2011, 4, 1),
         OleDay(2011, 5, 31),
         kRecurrenceUsable,
         {20110407, 20110410, 20110413, 20110416, 20110425, 20110428, 20110501, 20110504},
         480,
         30,
         2},
        // A Hebrew calendar type warns; the dates are taken as Gregorian ones:
        // FirstDateTime (476 days) names December, the 3rd every year.
        {publishedblobs::kYearly,
         publishedblobs::kYearlyVersionsAt,
         OleDay(2008, 1, 1),
         OleDay(2010, 12, 31),
         kRecurrenceWarnings,
         {20081203, 20091203, 20101203},
         480,
         30,
         0},
    };
    for (const auto& e : examples) {
        SCOPED_TRACE(e.hex);
        const std::vector<BYTE> desktop = publishedblobs::Bytes(e.hex);
        const Expansion refused = ParseBlob(desktop, e.firstDay, e.lastDay);
        EXPECT_FALSE(refused.usable);
        EXPECT_EQ(refused.result, kRecurrenceRejected);
        EXPECT_NE(refused.reason.find("0x3005"), std::string::npos) << refused.reason;
        EXPECT_EQ(refused.fields.readerVersion2, 0x3006u);
        EXPECT_EQ(refused.fields.writerVersion2, 0x3009u);

        std::vector<BYTE> device = desktop;
        PutDword(device, e.versionsAt, 0x3005);
        PutDword(device, e.versionsAt + 4, 0x3005);
        const Expansion p = ParseBlob(device, e.firstDay, e.lastDay);
        EXPECT_EQ(p.result, e.result) << p.reason;
        EXPECT_EQ(p.deleted, e.deleted);
        ASSERT_EQ(p.entries.size(), e.days.size());
        for (size_t i = 0; i < e.days.size(); ++i) {
            const std::int64_t day = OleDay(e.days[i] / 10000, e.days[i] / 100 % 100, e.days[i] % 100);
            EXPECT_EQ(p.entries[i].start, day * 1440 + e.startMinute) << i;
            EXPECT_EQ(p.entries[i].duration, e.duration) << i;
        }
    }
}

// ---- Damaged blobs --------------------------------------------------------

TEST(CalendarRecurrenceRobustness, TruncatedAndDamagedBlobsNeverEscapeTheRange)
{
    platform::RecurrencePatternBlob b = WithChange(Eleventh());
    b.exceptions[1].location = u"Hall";
    b.exceptions[1].ownNote = true;
    b.exceptions[1].noteBytes = std::vector<BYTE>(20, 1);
    const std::vector<BYTE> full = platform::EncodeRecurrencePatternBlob(b);
    const std::int64_t first = OleDay(2024, 1, 5);
    const std::int64_t last = OleDay(2024, 3, 5);
    auto check = [&](const std::vector<BYTE>& blob, const std::vector<BYTE>& zone) {
        const Expansion p = ParseBlob(blob, first, last, zone);
        for (const Entry& e : p.entries) {
            ASSERT_LE(e.day, last);
            ASSERT_GE(e.end / 1440, first);
        }
        ASSERT_LE(p.entries.size(), 70u);
    };
    for (size_t n = 0; n <= full.size(); ++n)
        check(std::vector<BYTE>(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n)), {});
    std::mt19937 rng(7);
    for (int i = 0; i < 3000; ++i) {
        std::vector<BYTE> blob = full;
        const int flips = 1 + static_cast<int>(rng() % 6);
        for (int f = 0; f < flips; ++f) blob[rng() % blob.size()] = static_cast<BYTE>(rng());
        if (rng() % 4 == 0) blob.resize(rng() % blob.size());
        std::vector<BYTE> zone;
        if (rng() % 3 == 0) {
            zone.resize(rng() % 60);
            for (BYTE& z : zone) z = static_cast<BYTE>(rng());
        }
        check(blob, zone);
    }
    for (int i = 0; i < 2000; ++i) {
        std::vector<BYTE> blob(rng() % 200);
        for (BYTE& x : blob) x = static_cast<BYTE>(rng());
        if (blob.size() >= 8) {
            PutDword(blob, 0, 0x30043004);
            PutWord(blob, 4, static_cast<WORD>(0x200A + rng() % 4));
            PutWord(blob, 6, static_cast<WORD>(rng() % 4));
        }
        check(blob, {});
    }
}

TEST(CalendarRecurrenceRobustness, DegeneratePeriodsAndMasksEnd)
{
    auto run = [](platform::RecurrencePatternBlob b) {
        return ParseBlob(platform::EncodeRecurrencePatternBlob(b), OleDay(2024, 1, 1), OleDay(2024, 1, 31))
            .entries.size();
    };
    platform::RecurrencePatternBlob b = Daily(Minutes(2023, 1, 1));
    b.period = 0;
    EXPECT_EQ(run(b), 31u);  // a day at least
    b.period = 0xFFFFFFFF;
    run(b);
    b.frequency = kRecurWeekly;
    b.patternType = 1;
    b.weekdayMask = 0;
    EXPECT_EQ(run(b), 0u);
    b.weekdayMask = 0x7F;
    b.period = 0;
    EXPECT_EQ(run(b), 31u);
    b.frequency = kRecurMonthly;
    b.patternType = 3;
    b.nth = 9;
    EXPECT_EQ(run(b), 0u);
    b.patternType = 2;
    b.dayOfMonth = 0;  // read as the 1st
    b.period = 0;
    EXPECT_EQ(run(b), 1u);
    b.period = 0xFFFFFFFF;
    EXPECT_EQ(run(b), 0u);
    b.frequency = kRecurYearly;
    b.firstDateTime = 0xFFFFFFFF;  // December
    b.startDate = Minutes(2023, 12, 1);
    EXPECT_EQ(run(b), 0u);
    b = Daily(Minutes(2024, 1, 20));
    b.endDate = Minutes(2024, 1, 10);
    EXPECT_EQ(run(b), 0u);
}

// ---- Hand-worked days ----

RecurrenceDay Day(int y, int m, int d) { return platform::RecurrenceDayFromDate(y, m, d); }

std::string Show(RecurrenceDay day)
{
    const platform::RecurrenceCivilDate d = platform::RecurrenceDateFromDay(day);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

using Days = std::vector<std::string>;

Days Shown(const std::vector<RecurrenceDay>& days)
{
    Days out;
    for (RecurrenceDay d : days) out.push_back(Show(d));
    return out;
}

std::vector<RecurrenceDay> FirstN(const platform::RecurrenceDates& dates, size_t n)
{
    std::vector<RecurrenceDay> out;
    for (auto day = dates.First(); day && out.size() < n; day = dates.Next(*day)) out.push_back(*day);
    return out;
}

// The calendar's entries of the rule's blob from its first occurrence to `lastDay`.
std::vector<RecurrenceDay> CalendarDays(const RecurrenceRule& rule, RecurrenceDay lastDay)
{
    const std::optional<platform::RecurrencePatternBlob> blob = platform::BuildRecurrencePatternBlob(rule);
    EXPECT_TRUE(blob.has_value());
    if (!blob) return {};
    Appointment a;
    a.pattern = *blob;
    const std::int64_t first = static_cast<std::int64_t>(blob->startDate / 1440) - kOleDayZeroFrom1601;
    std::vector<RecurrenceDay> out;
    for (const Entry& e : Expand(a, first, lastDay - kOleDayZeroFrom1601, kUtc)) {
        out.push_back(static_cast<RecurrenceDay>(e.day + kOleDayZeroFrom1601));
    }
    return out;
}

using platform::kRecursMonthly;
using platform::kRecursWeekly;
using platform::kRecursYearly;

// Weeks not starting on Sunday (days from Python's dateutil; libical misplaces them), via both expanders.
TEST(CalendarRecurrenceCases, BothExpandersGiveTheHandWorkedDays)
{
    const RecurrenceRule weekly3{.type = kRecursWeekly,
                                 .interval = 3,
                                 .dayOfWeekMask = 0x1A,
                                 .patternStartDay = Day(2024, 5, 7)};  // Mon, Wed, Thu from Tuesday 7 May 2024
    auto weekStart = [](RecurrenceRule r, int first) {
        r.firstDayOfWeek = first;
        return r;
    };
    const RecurrenceRule weekly7{.type = kRecursWeekly,
                                 .interval = 7,
                                 .dayOfWeekMask = 0x03,
                                 .patternStartDay = Day(1937, 6, 26)};  // Sun, Mon from Saturday 26 June 1937
    const RecurrenceRule weekly2{.type = kRecursWeekly,
                                 .interval = 2,
                                 .dayOfWeekMask = 0x41,
                                 .patternStartDay = Day(2024, 5, 8)};  // Sun, Sat from Wednesday 8 May 2024
    const struct {
        const char* what;
        RecurrenceRule rule;
        Days expected;
    } cases[] = {
        {"the first week's Sunday lies before the start, its Saturday counts",
         weekly2,
         {"2024-05-11", "2024-05-19", "2024-05-25", "2024-06-02"}},
        {"weeks from Monday: 6 to 12 May holds both days",
         weekStart(weekly2, 1),
         {"2024-05-11", "2024-05-12", "2024-05-25", "2024-05-26"}},
        {"every 3 weeks, from Sunday",
         weekly3,
         {"2024-05-08", "2024-05-09", "2024-05-27", "2024-05-29", "2024-05-30", "2024-06-17"}},
        {"from Monday",
         weekStart(weekly3, 1),
         {"2024-05-08", "2024-05-09", "2024-05-27", "2024-05-29", "2024-05-30", "2024-06-17"}},
        {"from Tuesday",
         weekStart(weekly3, 2),
         {"2024-05-08", "2024-05-09", "2024-05-13", "2024-05-29", "2024-05-30", "2024-06-03"}},
        {"from Wednesday",
         weekStart(weekly3, 3),
         {"2024-05-22", "2024-05-23", "2024-05-27", "2024-06-12", "2024-06-13", "2024-06-17"}},
        {"from Thursday",
         weekStart(weekly3, 4),
         {"2024-05-08", "2024-05-23", "2024-05-27", "2024-05-29", "2024-06-13", "2024-06-17"}},
        {"from Friday",
         weekStart(weekly3, 5),
         {"2024-05-08", "2024-05-09", "2024-05-27", "2024-05-29", "2024-05-30", "2024-06-17"}},
        {"weeks from Tuesday: the first week holds both days after the start",
         weekStart(weekly7, 2),
         {"1937-06-27", "1937-06-28", "1937-08-15", "1937-08-16"}},
        {"the same from Sunday", weekly7, {"1937-08-08", "1937-08-09", "1937-09-26", "1937-09-27"}},
        {"Sundays every 8 weeks, weeks from Monday: the Sunday closing the first week comes first",
         {.type = kRecursWeekly,
          .interval = 8,
          .dayOfWeekMask = 0x01,
          .patternStartDay = Day(2023, 2, 28),
          .firstDayOfWeek = 1},
         {"2023-03-05", "2023-04-30", "2023-06-25"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const platform::RecurrenceDates dates(c.rule);
        EXPECT_EQ(Shown(FirstN(dates, c.expected.size())), c.expected);
        // The calendar counts weeks from Sunday, from the first occurrence on.
        RecurrenceRule fromSunday = c.rule;
        fromSunday.firstDayOfWeek = 0;
        fromSunday.patternStartDay = dates.First().value_or(c.rule.patternStartDay);
        const std::vector<RecurrenceDay> sundayWeeks = FirstN(platform::RecurrenceDates(fromSunday), c.expected.size());
        ASSERT_FALSE(sundayWeeks.empty());
        EXPECT_EQ(Shown(CalendarDays(c.rule, sundayWeeks.back())), Shown(sundayWeeks));
        if (c.rule.firstDayOfWeek == 0) {
            EXPECT_EQ(Shown(sundayWeeks), c.expected);
        }
    }
}

TEST(CalendarRecurrenceCases, NthDayOfTheMonthAndYearlyMonthInBothReaders)
{
    // Instance 5 is the last; masks 62, 65, 127: working days, weekend days, days. Day 0: none (the platform
    // falls back to the 1st, the calendar refuses).
    const struct {
        int year, month, mask, instance, day;
    } cases[] = {
        {2024, 5, 32, 5, 31},                            // last Friday of May 2024
        {2024, 8, platform::kRecurMaskWeekdays, 5, 30},  // the 31st is a Saturday
        {2024, 9, platform::kRecurMaskWeekdays, 1, 2},   // September 2024 begins on a Sunday
        {2024, 8, platform::kRecurMaskWeekend, 1, 3},
        {2024, 2, platform::kRecurMaskAllDays, 5, 29},
        {2023, 2, platform::kRecurMaskAllDays, 5, 28},
        {2024, 9, 1, 4, 22},  // the fourth Sunday against the last (fifth) one
        {2024, 9, 1, 5, 29},
        {1601, 1, 2, 1, 1},   // the first Monday of the first year counted: its first day
        {2024, 9, 0, 1, 0},   // no weekday
        {2024, 13, 2, 1, 0},  // no month
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.year) + "-" + std::to_string(c.month) + " mask " + std::to_string(c.mask) +
                     " instance " + std::to_string(c.instance));
        if (c.month <= 12) {
            EXPECT_EQ(Show(platform::RecurrenceNthDayOfMonth(c.year, c.month, c.mask, c.instance)),
                      Show(Day(c.year, c.month, c.day ? c.day : 1)));
        }
        SYSTEMTIME st{};
        const bool found =
            CCalendarRecurrence::fGetNthWeekDay(static_cast<WORD>(c.year), static_cast<WORD>(c.month),
                                                static_cast<WORD>(c.mask), static_cast<WORD>(c.instance), st);
        EXPECT_EQ(found, c.day != 0);
        if (found) {
            EXPECT_EQ(st.wDay, c.day);
        }
    }
    SYSTEMTIME st{};
    EXPECT_FALSE(CCalendarRecurrence::fGetNthWeekDay(2024, 9, 2, 6, st));  // no sixth Monday

    // The first of each month of a common year, a day later from March in a leap year, and the readers' edges.
    const int cumulative[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    std::vector<std::pair<DWORD, int>> months = {{39999, 1},   {40000, 2},   {169999, 4},     {170000, 5},
                                                 {474999, 11}, {475000, 12}, {0xFFFFFFFF, 12}};
    for (int m = 0; m < 12; ++m) {
        months.push_back({static_cast<DWORD>(cumulative[m] * 1440), m + 1});
        if (m >= 2) months.push_back({static_cast<DWORD>((cumulative[m] + 1) * 1440), m + 1});
    }
    for (const auto& [minutes, month] : months) {
        EXPECT_EQ(platform::RecurrenceMonthFromFirstDateTime(minutes), month) << minutes;
        EXPECT_EQ(CCalendarRecurrence::fGetMonthInNum(minutes), month) << minutes;
    }
}

Appointment Daily(DWORD startDate, DWORD startOffset, DWORD endOffset)
{
    Appointment a;
    a.pattern.frequency = kRecurDaily;
    a.pattern.patternType = 0;
    a.pattern.period = 1440;
    a.pattern.startDate = startDate;
    a.pattern.startTimeOffset = startOffset;
    a.pattern.endTimeOffset = endOffset;
    return a;
}

// ---- The range window and all-day entries in an own zone ----

TEST(CalendarRecurrenceRange, OccurrencesAndPatternsOutsideTheWindowAreNotLookedAt)
{
    // Weekly on Sundays for four days: 7 July's reaches into a range from Wed 10 July but begins 3 days before it.
    Appointment a = Daily(Minutes(2024, 6, 2), 9 * 60, 9 * 60 + 4 * 1440);
    a.pattern.frequency = kRecurWeekly;
    a.pattern.patternType = 1;
    a.pattern.period = 1;
    a.pattern.weekdayMask = 1;
    RecordingSink sink;
    EXPECT_TRUE(Expand(a, OleDay(2024, 7, 10), OleDay(2024, 7, 13), kUtc, nullptr, &sink).empty());
    EXPECT_EQ(sink.restReads, 0);
    // From Tuesday 9 July it is two days before and shown.
    const auto entries = Expand(a, OleDay(2024, 7, 9), OleDay(2024, 7, 13), kUtc);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].day, OleDay(2024, 7, 7));

    Appointment ended = Daily(Minutes(2024, 7, 1), 9 * 60, 10 * 60);
    ended.pattern.endType = platform::kRecurEndByDate;
    ended.pattern.endDate = Minutes(2024, 7, 6);
    RecurrenceParseResult result = kRecurrenceUsable;
    // The window reaches 3 days before the range: 6 July is in it for a range from 9 July, not from 10 July.
    EXPECT_TRUE(Expand(ended, OleDay(2024, 7, 9), OleDay(2024, 7, 20), kUtc, &result).empty());
    EXPECT_EQ(result, kRecurrenceUsable);
    Expand(ended, OleDay(2024, 7, 10), OleDay(2024, 7, 20), kUtc, &result);
    EXPECT_EQ(result, kRecurrenceRejected);
    Expand(ended, OleDay(2024, 6, 20), OleDay(2024, 6, 28), kUtc, &result);
    EXPECT_EQ(result, kRecurrenceUsable);
    Expand(ended, OleDay(2024, 6, 20), OleDay(2024, 6, 27), kUtc, &result);
    EXPECT_EQ(result, kRecurrenceRejected);
}

TEST(CalendarRecurrenceRange, RestOfTheRecordIsReadOnceAndCanHideIt)
{
    const Appointment a = Daily(Minutes(2024, 7, 1), 9 * 60, 10 * 60);
    RecordingSink sink;
    EXPECT_EQ(Expand(a, OleDay(2024, 7, 1), OleDay(2024, 7, 31), kUtc, nullptr, &sink).size(), 31u);
    EXPECT_EQ(sink.restReads, 1);
    RecordingSink hiding;
    hiding.showRecord = false;
    EXPECT_TRUE(Expand(a, OleDay(2024, 7, 1), OleDay(2024, 7, 31), kUtc, nullptr, &hiding).empty());
    EXPECT_EQ(hiding.restReads, 1);
}

TEST(CalendarRecurrenceZones, AllDayOccurrencesAreNotConverted)
{
    // An own zone five hours behind UTC on a device ten hours ahead.
    Appointment a = Daily(Minutes(2024, 1, 1), 0, 1440);
    a.allDay = true;
    a.zone = ZoneBlob(FixedZone(300));
    const auto entries = Expand(a, OleDay(2024, 1, 10), OleDay(2024, 1, 10), FixedZone(-600));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].start, OleDay(2024, 1, 10) * 1440);
    EXPECT_EQ(entries[0].duration, 1440);
}

}  // namespace
