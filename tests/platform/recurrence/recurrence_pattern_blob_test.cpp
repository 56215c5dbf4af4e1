// The recurrence pattern blob: exceptions byte by byte, random round trips, damage.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/recurrence/recurrence_pattern_blob.h"
#include "tests/support/recurrence_published_blobs.h"

using namespace platform;

namespace {

using publishedblobs::Bytes;
using publishedblobs::Hex;

RecurrenceBlobResult Decode(const std::vector<BYTE>& bytes, RecurrencePatternBlob& out)
{
    return DecodeRecurrencePatternBlob(bytes.data(), bytes.size(), out);
}

// Every second day from Thursday 2 May 2024, 09:00 to 10:00, five times.
RecurrencePatternBlob DailyBlob()
{
    RecurrencePatternBlob b;
    b.frequency = kRecurFrequencyDaily;
    b.patternType = kRecurPatternDay;
    b.firstDateTime = 1440;
    b.period = 2880;
    b.endType = kRecurEndAfterCount;
    b.occurrenceCount = 5;
    b.startDate = 222651360;  // 2 May 2024
    b.endDate = 222662880;    // 10 May 2024
    b.startTimeOffset = 540;
    b.endTimeOffset = 600;
    return b;
}

// DailyBlob with 4 May deleted, 6 May moved to 7 May 10:00-11:30 with its
// own subject, location, busy status and "not all day", and 8 May made an
// all-day occurrence with a reminder and a note of its own.
RecurrencePatternBlob DailyBlobWithChanges()
{
    RecurrencePatternBlob b = DailyBlob();
    b.deletedInstanceDates = {222654240, 222657120, 222660000};  // 4, 6, 8 May
    b.modifiedInstanceDates = {222658560, 222660000};            // 7, 8 May
    RecurrenceExceptionInfo moved;
    moved.startDateTime = 222658560 + 600;
    moved.endDateTime = 222658560 + 690;
    moved.originalStartDate = 222657120 + 540;
    moved.subject = u"Ab";
    moved.location = u"X";
    moved.busyStatus = 2;
    moved.allDay = false;
    RecurrenceExceptionInfo allDay;
    allDay.startDateTime = 222660000;
    allDay.endDateTime = 222660000 + 1440;
    allDay.originalStartDate = 222660000 + 540;
    allDay.reminderDelta = 15;
    allDay.reminderSet = 1;
    allDay.allDay = true;
    allDay.ownNote = true;
    allDay.noteBytes = {1, 2, 3, 4, 5};
    b.exceptions = {moved, allDay};
    return b;
}

const std::string kDailyWithChanges =
    "043004300A2000000000A0050000400B000000000000"          // versions, daily, day, FirstDateTime, period, sliding
    "222000000500000000000000"                              // after 5; FirstDOW Sunday
    "03000000206F450D607A450DA085450D"                      // deleted: 4, 6, 8 May
    "020000000080450DA085450D"                              // modified: 7, 8 May
    "E063450DE090450D05300000053000001C020000580200000200"  // dates, versions, offsets, two changes
    // 7 May 10:00 to 11:30, was 6 May 09:00; flags: subject, location, busy status, all-day.
    "5882450DB282450D7C7C450DB100"
    "030002004100620002000100580002000000"  // "Ab", "X" (count + 1, count, characters); busy
    "02000000"                              // 2: not all day
    // 8 May, all day; reminder delta and set, all day, own note.
    "A085450D408B450DBC87450D8C01"
    "0F0000000100000001000000"  // reminder 15, set, 1: all day
    "01000102030405"            // note: L = 1, then L + 4 bytes
    "0000000000000000";         // reserved block sizes

}  // namespace

TEST(RecurrencePatternBlobEncode, ChangedAndDeletedOccurrencesAndAnOwnNoteWithoutBytes)
{
    RecurrencePatternBlob blob = DailyBlobWithChanges();
    EXPECT_EQ(Hex(EncodeRecurrencePatternBlob(blob)), kDailyWithChanges);

    RecurrencePatternBlob decoded;
    EXPECT_EQ(Decode(Bytes(kDailyWithChanges), decoded), RecurrenceBlobResult::kOk);
    EXPECT_EQ(decoded, blob);

    blob = DailyBlob();
    blob.modifiedInstanceDates = {222651360};
    RecurrenceExceptionInfo e;
    e.startDateTime = 222651360 + 60;
    e.endDateTime = 222651360 + 120;
    e.originalStartDate = 222651360 + 540;
    e.subject = u"";
    e.ownNote = true;
    blob.exceptions = {e};
    const std::string hex = Hex(EncodeRecurrencePatternBlob(blob));
    // Flags 0x0101, the empty subject as 1, 0, the note length 0, then the reserved sizes.
    EXPECT_EQ(hex.substr(hex.size() - 32), "01010100000000000000000000000000");
    EXPECT_EQ(Decode(Bytes(hex), decoded), RecurrenceBlobResult::kOk);
    EXPECT_EQ(decoded, blob);
}

TEST(RecurrencePatternBlobEncode, RefusesWhatCannotBeWritten)
{
    RecurrencePatternBlob blob = DailyBlob();
    blob.patternType = kRecurPatternMonth;  // (daily, month) is no accepted pair
    EXPECT_TRUE(EncodeRecurrencePatternBlob(blob).empty());

    blob = DailyBlob();
    blob.exceptions.resize(1);
    blob.exceptions[0].noteBytes = {1, 2, 3, 4, 5};  // bytes without the own-note flag
    EXPECT_TRUE(EncodeRecurrencePatternBlob(blob).empty());
    blob.exceptions[0].ownNote = true;
    EXPECT_FALSE(EncodeRecurrencePatternBlob(blob).empty());
    blob.exceptions[0].noteBytes = {1, 2, 3, 4};  // L + 4 bytes cannot be 4
    EXPECT_TRUE(EncodeRecurrencePatternBlob(blob).empty());
    blob.exceptions[0].noteBytes.assign(0xFFFF + 4, 7);
    EXPECT_FALSE(EncodeRecurrencePatternBlob(blob).empty());
    blob.exceptions[0].noteBytes.push_back(7);
    EXPECT_TRUE(EncodeRecurrencePatternBlob(blob).empty());

    blob = DailyBlob();
    blob.exceptions.resize(1);
    blob.exceptions[0].subject = std::u16string(0xFFFE, u'a');
    EXPECT_FALSE(EncodeRecurrencePatternBlob(blob).empty());
    blob.exceptions[0].location = std::u16string(0xFFFF, u'a');
    EXPECT_TRUE(EncodeRecurrencePatternBlob(blob).empty());
}

// Each kind's own fields are pinned in recurrence_rule_test.
TEST(RecurrencePatternBlobDecode, OnlyTheAcceptedPatternPairsRead)
{
    for (WORD frequency : {WORD{0}, WORD{0x2009}, kRecurFrequencyDaily, kRecurFrequencyWeekly, kRecurFrequencyMonthly,
                           kRecurFrequencyYearly, WORD{0x200E}}) {
        for (WORD patternType = 0; patternType < 16; ++patternType) {
            auto bytes = Bytes(kDailyWithChanges);
            bytes[4] = static_cast<BYTE>(frequency);
            bytes[5] = static_cast<BYTE>(frequency >> 8);
            bytes[6] = static_cast<BYTE>(patternType);
            RecurrencePatternBlob decoded;
            EXPECT_EQ(Decode(bytes, decoded) == RecurrenceBlobResult::kUnsupportedPattern,
                      !IsAcceptedRecurrencePattern(frequency, patternType))
                << frequency << "/" << patternType;
        }
    }
}

TEST(RecurrencePatternBlobDecode, TruncationAtEveryLengthAndDamagedFields)
{
    const auto bytes = Bytes(kDailyWithChanges);
    const size_t afterExceptions = bytes.size() - 8;
    for (size_t n = 0; n < bytes.size(); ++n) {
        RecurrencePatternBlob decoded;
        const RecurrenceBlobResult result = DecodeRecurrencePatternBlob(bytes.data(), n, decoded);
        if (n == afterExceptions || n == afterExceptions + 4) {
            // Writers that stop after the changed occurrences or the first reserved block.
            EXPECT_EQ(result, RecurrenceBlobResult::kOk) << n;
            EXPECT_EQ(decoded, DailyBlobWithChanges());
        } else {
            EXPECT_TRUE(result == RecurrenceBlobResult::kTruncated || result == RecurrenceBlobResult::kBadCount)
                << n << " gave " << static_cast<int>(result);
        }
    }
    RecurrencePatternBlob decoded;
    EXPECT_EQ(DecodeRecurrencePatternBlob(nullptr, 100, decoded), RecurrenceBlobResult::kTruncated);

    auto damaged = [&](size_t offset, std::initializer_list<BYTE> patch) {
        auto patched = bytes;
        size_t i = offset;
        for (BYTE b : patch) patched[i++] = b;
        RecurrencePatternBlob out;
        return Decode(patched, out);
    };
    EXPECT_EQ(damaged(0, {0x05}), RecurrenceBlobResult::kBadVersion);                   // ReaderVersion
    EXPECT_EQ(damaged(3, {0x31}), RecurrenceBlobResult::kBadVersion);                   // WriterVersion
    EXPECT_EQ(damaged(70, {0x06}), RecurrenceBlobResult::kBadVersion);                  // ReaderVersion2
    EXPECT_EQ(damaged(74, {0x09}), RecurrenceBlobResult::kBadVersion);                  // WriterVersion2
    EXPECT_EQ(damaged(34, {0xFF, 0xFF, 0xFF, 0xFF}), RecurrenceBlobResult::kBadCount);  // deleted count
    EXPECT_FALSE(RecurrenceBlobUsable(damaged(34, {0x0F})));  // the fields after it no longer line up
    EXPECT_EQ(damaged(50, {0x00, 0x00, 0x00, 0x40}), RecurrenceBlobResult::kBadCount);  // modified count
    EXPECT_EQ(damaged(86, {0xFF, 0x7F}), RecurrenceBlobResult::kBadCount);              // changed occurrences
    // Override flags the format does not have.
    EXPECT_EQ(damaged(100, {0xB3}), RecurrenceBlobResult::kUnsupportedException);  // 0x0002
    EXPECT_EQ(damaged(100, {0xF1}), RecurrenceBlobResult::kUnsupportedException);  // 0x0040
    EXPECT_EQ(damaged(101, {0x02}), RecurrenceBlobResult::kUnsupportedException);  // 0x0200
    // A subject longer than the blob.
    EXPECT_EQ(damaged(104, {0xFF, 0x00}), RecurrenceBlobResult::kTruncated);
    // 65535 characters: their count + 1 does not fit the stored length.
    EXPECT_EQ(damaged(104, {0xFF, 0xFF}), RecurrenceBlobResult::kBadCount);
    // A reserved block size beyond the end; a reserved block that is there.
    EXPECT_EQ(damaged(bytes.size() - 8, {0x01}), RecurrenceBlobResult::kTruncated);
    auto withReserved = bytes;
    withReserved[bytes.size() - 8] = 3;
    withReserved.insert(withReserved.end() - 4, {9, 9, 9});
    EXPECT_EQ(Decode(withReserved, decoded), RecurrenceBlobResult::kOk);
    EXPECT_EQ(decoded, DailyBlobWithChanges());
    // Bytes after the second reserved block are left alone.
    withReserved.push_back(0xEE);
    EXPECT_EQ(Decode(withReserved, decoded), RecurrenceBlobResult::kOk);
}

TEST(RecurrencePatternBlobDecode, WarningsKeepTheBlobUsable)
{
    auto warned = [](auto change) {
        RecurrencePatternBlob blob = DailyBlob();
        change(blob);
        RecurrencePatternBlob decoded;
        const auto result = Decode(EncodeRecurrencePatternBlob(blob), decoded);
        EXPECT_EQ(decoded, blob);
        return result;
    };
    EXPECT_EQ(warned([](auto&) {}), RecurrenceBlobResult::kOk);
    EXPECT_EQ(warned([](auto& b) { b.calendarType = 1; }), RecurrenceBlobResult::kOkWithWarnings);
    EXPECT_EQ(warned([](auto& b) { b.slidingFlag = 1; }), RecurrenceBlobResult::kOkWithWarnings);
    EXPECT_EQ(warned([](auto& b) { b.period = 0x10000; }), RecurrenceBlobResult::kOkWithWarnings);
    EXPECT_EQ(warned([](auto& b) { b.endType = kRecurEndNeverAlternate; }), RecurrenceBlobResult::kOkWithWarnings);
    EXPECT_EQ(warned([](auto& b) { b.modifiedInstanceDates = {1440}; }), RecurrenceBlobResult::kOkWithWarnings);
    EXPECT_FALSE(RecurrenceBlobUsable(RecurrenceBlobResult::kTruncated));
    EXPECT_TRUE(RecurrenceBlobUsable(RecurrenceBlobResult::kOkWithWarnings));
}

namespace {

std::optional<std::u16string> RandomText(std::mt19937& rng)
{
    if (rng() % 3 == 0) return std::nullopt;
    std::u16string text(rng() % 12, u'\0');
    for (char16_t& c : text) c = static_cast<char16_t>(rng());
    return text;
}

RecurrencePatternBlob RandomBlob(std::mt19937& rng)
{
    static const std::pair<WORD, WORD> kPairs[] = {
        {kRecurFrequencyDaily, kRecurPatternDay},        {kRecurFrequencyDaily, kRecurPatternWeek},
        {kRecurFrequencyWeekly, kRecurPatternWeek},      {kRecurFrequencyMonthly, kRecurPatternMonth},
        {kRecurFrequencyMonthly, kRecurPatternMonthNth}, {kRecurFrequencyYearly, kRecurPatternMonth},
        {kRecurFrequencyYearly, kRecurPatternMonthNth}};
    RecurrencePatternBlob b;
    std::tie(b.frequency, b.patternType) = kPairs[rng() % 7];
    b.calendarType = static_cast<WORD>(rng() % 2);
    b.firstDateTime = rng();
    b.period = rng();
    b.slidingFlag = rng() % 2;
    if (b.patternType == kRecurPatternWeek || b.patternType == kRecurPatternMonthNth) b.weekdayMask = rng();
    if (b.patternType == kRecurPatternMonth) b.dayOfMonth = rng();
    if (b.patternType == kRecurPatternMonthNth) b.nth = rng();
    b.endType = rng();
    b.occurrenceCount = rng();
    b.firstDayOfWeek = rng();
    b.deletedInstanceDates.resize(rng() % 5);
    for (DWORD& d : b.deletedInstanceDates) d = rng();
    b.modifiedInstanceDates.resize(rng() % 4);
    for (DWORD& d : b.modifiedInstanceDates) d = rng();
    b.startDate = rng();
    b.endDate = rng();
    b.startTimeOffset = rng();
    b.endTimeOffset = rng();
    b.exceptions.resize(rng() % 4);
    for (RecurrenceExceptionInfo& e : b.exceptions) {
        e.startDateTime = rng();
        e.endDateTime = rng();
        e.originalStartDate = rng();
        e.subject = RandomText(rng);
        e.location = RandomText(rng);
        if (rng() % 2) e.busyStatus = rng() % 5;
        if (rng() % 2) e.allDay = rng() % 2 == 0;
        if (rng() % 2) e.reminderDelta = rng();
        if (rng() % 2) e.reminderSet = rng() % 2;
        e.ownNote = rng() % 2;
        if (e.ownNote && rng() % 2) e.noteBytes.assign(5 + rng() % 20, static_cast<BYTE>(rng()));
    }
    return b;
}

}  // namespace

TEST(RecurrencePatternBlobDecode, RandomBlobsRoundTripAndDamageNeverBreaksTheReader)
{
    // Damaged (flipped bytes, cut tails), what reads as usable writes back to bytes that read the same.
    std::mt19937 rng(4015);
    for (int i = 0; i < 3000; ++i) {
        const RecurrencePatternBlob blob = RandomBlob(rng);
        auto bytes = EncodeRecurrencePatternBlob(blob);
        ASSERT_FALSE(bytes.empty());
        RecurrencePatternBlob decoded;
        ASSERT_TRUE(RecurrenceBlobUsable(Decode(bytes, decoded))) << i;
        ASSERT_EQ(decoded, blob) << i;

        const int flips = 1 + static_cast<int>(rng() % 4);
        for (int f = 0; f < flips; ++f) bytes[rng() % bytes.size()] = static_cast<BYTE>(rng());
        if (rng() % 3 == 0) bytes.resize(rng() % bytes.size());
        RecurrencePatternBlob damaged, second;
        if (!RecurrenceBlobUsable(Decode(bytes, damaged))) continue;
        const auto again = EncodeRecurrencePatternBlob(damaged);
        ASSERT_FALSE(again.empty()) << i;
        ASSERT_TRUE(RecurrenceBlobUsable(Decode(again, second))) << i;
        ASSERT_EQ(second, damaged) << i;
    }
}
