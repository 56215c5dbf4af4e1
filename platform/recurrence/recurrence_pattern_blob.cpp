#include "platform/recurrence/recurrence_pattern_blob.h"

#include <utility>

namespace platform {

namespace {

// Flags this format can carry; anything else refuses the changed occurrence.
constexpr WORD kKnownExceptionFlags = kRecurExceptionSubject | kRecurExceptionReminderDelta |
                                      kRecurExceptionReminderSet | kRecurExceptionLocation | kRecurExceptionBusyStatus |
                                      kRecurExceptionAllDay | kRecurExceptionOwnNote;

constexpr size_t kMaxText = 0xFFFE;         // the stored length is count + 1 in 16 bits
constexpr size_t kMaxNote = 0xFFFF + 4;     // 16-bit L, then L + 4 bytes
constexpr size_t kExceptionFixedSize = 14;  // three dates and the flags

class BlobWriter {
public:
    void Word(WORD v)
    {
        bytes_.push_back(static_cast<BYTE>(v));
        bytes_.push_back(static_cast<BYTE>(v >> 8));
    }
    void Dword(DWORD v)
    {
        Word(static_cast<WORD>(v));
        Word(static_cast<WORD>(v >> 16));
    }
    void Bytes(const std::vector<BYTE>& v) { bytes_.insert(bytes_.end(), v.begin(), v.end()); }
    // Count + 1, count, then the UTF-16 units.
    void Text(const std::u16string& text)
    {
        Word(static_cast<WORD>(text.size() + 1));
        Word(static_cast<WORD>(text.size()));
        for (char16_t c : text) Word(static_cast<WORD>(c));
    }
    std::vector<BYTE> Take() { return std::move(bytes_); }

private:
    std::vector<BYTE> bytes_;
};

class BlobReader {
public:
    BlobReader(const BYTE* data, size_t size) : data_(data), size_(size) {}

    size_t Remaining() const { return size_ - pos_; }
    bool Word(WORD& v)
    {
        if (Remaining() < 2) return false;
        v = static_cast<WORD>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return true;
    }
    bool Dword(DWORD& v)
    {
        WORD low = 0;
        WORD high = 0;
        if (Remaining() < 4) return false;
        Word(low);
        Word(high);
        v = static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16);
        return true;
    }
    bool Skip(size_t n)
    {
        if (Remaining() < n) return false;
        pos_ += n;
        return true;
    }
    bool Bytes(size_t n, std::vector<BYTE>& out)
    {
        if (Remaining() < n) return false;
        out.assign(data_ + pos_, data_ + pos_ + n);
        pos_ += n;
        return true;
    }
    // The stored length (count + 1, not relied on), the count, the units.
    bool Text(std::optional<std::u16string>& out)
    {
        WORD stored = 0;
        WORD count = 0;
        if (!Word(stored) || !Word(count)) return false;
        if (count > kMaxText) {
            failure_ = RecurrenceBlobResult::kBadCount;  // count + 1 cannot be stored
            return false;
        }
        if (Remaining() < size_t{count} * 2) return false;
        std::u16string text(count, u'\0');
        for (WORD i = 0; i < count; ++i) {
            WORD unit = 0;
            Word(unit);
            text[i] = static_cast<char16_t>(unit);
        }
        out = std::move(text);
        return true;
    }

    // Why the last Text() failed: kTruncated unless said otherwise.
    RecurrenceBlobResult TextFailure() const { return failure_; }

private:
    RecurrenceBlobResult failure_ = RecurrenceBlobResult::kTruncated;
    const BYTE* data_;
    size_t size_;
    size_t pos_ = 0;
};

bool UsesWeekdayMask(WORD patternType)
{
    return patternType == kRecurPatternWeek || patternType == kRecurPatternMonthNth;
}

bool EncodeException(const RecurrenceExceptionInfo& e, BlobWriter& w)
{
    if ((e.subject && e.subject->size() > kMaxText) || (e.location && e.location->size() > kMaxText)) return false;
    if (!e.noteBytes.empty() && (!e.ownNote || e.noteBytes.size() < 5 || e.noteBytes.size() > kMaxNote)) {
        return false;
    }
    w.Dword(e.startDateTime);
    w.Dword(e.endDateTime);
    w.Dword(e.originalStartDate);
    w.Word(e.OverrideFlags());
    if (e.subject) w.Text(*e.subject);
    if (e.reminderDelta) w.Dword(*e.reminderDelta);
    if (e.reminderSet) w.Dword(*e.reminderSet);
    if (e.location) w.Text(*e.location);
    if (e.busyStatus) w.Dword(*e.busyStatus);
    if (e.allDay) w.Dword(*e.allDay ? 1 : 2);
    if (e.ownNote) {
        w.Word(static_cast<WORD>(e.noteBytes.empty() ? 0 : e.noteBytes.size() - 4));
        w.Bytes(e.noteBytes);
    }
    return true;
}

RecurrenceBlobResult DecodeException(BlobReader& r, RecurrenceExceptionInfo& e)
{
    constexpr auto kTruncated = RecurrenceBlobResult::kTruncated;
    WORD flags = 0;
    if (!r.Dword(e.startDateTime) || !r.Dword(e.endDateTime) || !r.Dword(e.originalStartDate) || !r.Word(flags)) {
        return kTruncated;
    }
    if ((flags & ~kKnownExceptionFlags) != 0) return RecurrenceBlobResult::kUnsupportedException;
    DWORD value = 0;
    if ((flags & kRecurExceptionSubject) && !r.Text(e.subject)) return r.TextFailure();
    if (flags & kRecurExceptionReminderDelta) {
        if (!r.Dword(value)) return kTruncated;
        e.reminderDelta = value;
    }
    if (flags & kRecurExceptionReminderSet) {
        if (!r.Dword(value)) return kTruncated;
        e.reminderSet = value;
    }
    if ((flags & kRecurExceptionLocation) && !r.Text(e.location)) return r.TextFailure();
    if (flags & kRecurExceptionBusyStatus) {
        if (!r.Dword(value)) return kTruncated;
        e.busyStatus = value;
    }
    if (flags & kRecurExceptionAllDay) {
        if (!r.Dword(value)) return kTruncated;
        e.allDay = value == 1;
    }
    if (flags & kRecurExceptionOwnNote) {
        e.ownNote = true;
        WORD length = 0;
        if (!r.Word(length)) return kTruncated;
        if (length != 0 && !r.Bytes(size_t{length} + 4, e.noteBytes)) return kTruncated;
    }
    return RecurrenceBlobResult::kOk;
}

bool ReadDates(BlobReader& r, std::vector<DWORD>& dates, RecurrenceBlobResult& failure)
{
    DWORD count = 0;
    if (!r.Dword(count)) {
        failure = RecurrenceBlobResult::kTruncated;
        return false;
    }
    if (count > r.Remaining() / 4) {
        failure = RecurrenceBlobResult::kBadCount;
        return false;
    }
    dates.resize(count);
    for (DWORD& d : dates) r.Dword(d);
    return true;
}

}  // namespace

WORD RecurrenceExceptionInfo::OverrideFlags() const
{
    WORD flags = 0;
    if (subject) flags |= kRecurExceptionSubject;
    if (reminderDelta) flags |= kRecurExceptionReminderDelta;
    if (reminderSet) flags |= kRecurExceptionReminderSet;
    if (location) flags |= kRecurExceptionLocation;
    if (busyStatus) flags |= kRecurExceptionBusyStatus;
    if (allDay) flags |= kRecurExceptionAllDay;
    if (ownNote) flags |= kRecurExceptionOwnNote;
    return flags;
}

bool IsAcceptedRecurrencePattern(WORD frequency, WORD patternType)
{
    switch (frequency) {
        case kRecurFrequencyDaily:
            return patternType == kRecurPatternDay || patternType == kRecurPatternWeek;
        case kRecurFrequencyWeekly:
            return patternType == kRecurPatternWeek;
        case kRecurFrequencyMonthly:
        case kRecurFrequencyYearly:
            return patternType == kRecurPatternMonth || patternType == kRecurPatternMonthNth;
        default:
            return false;
    }
}

std::vector<BYTE> EncodeRecurrencePatternBlob(const RecurrencePatternBlob& blob)
{
    if (!IsAcceptedRecurrencePattern(blob.frequency, blob.patternType) || blob.exceptions.size() > 0xFFFF) {
        return {};
    }
    BlobWriter w;
    w.Word(kRecurBlobVersion);
    w.Word(kRecurBlobVersion);
    w.Word(blob.frequency);
    w.Word(blob.patternType);
    w.Word(blob.calendarType);
    w.Dword(blob.firstDateTime);
    w.Dword(blob.period);
    w.Dword(blob.slidingFlag);
    if (UsesWeekdayMask(blob.patternType)) w.Dword(blob.weekdayMask);
    if (blob.patternType == kRecurPatternMonth) w.Dword(blob.dayOfMonth);
    if (blob.patternType == kRecurPatternMonthNth) w.Dword(blob.nth);
    w.Dword(blob.endType);
    w.Dword(blob.occurrenceCount);
    w.Dword(blob.firstDayOfWeek);
    w.Dword(static_cast<DWORD>(blob.deletedInstanceDates.size()));
    for (DWORD d : blob.deletedInstanceDates) w.Dword(d);
    w.Dword(static_cast<DWORD>(blob.modifiedInstanceDates.size()));
    for (DWORD d : blob.modifiedInstanceDates) w.Dword(d);
    w.Dword(blob.startDate);
    w.Dword(blob.endDate);
    w.Dword(kRecurBlobVersion2);
    w.Dword(kRecurBlobVersion2);
    w.Dword(blob.startTimeOffset);
    w.Dword(blob.endTimeOffset);
    w.Word(static_cast<WORD>(blob.exceptions.size()));
    for (const RecurrenceExceptionInfo& e : blob.exceptions) {
        if (!EncodeException(e, w)) return {};
    }
    w.Dword(0);  // ReservedBlock1Size
    w.Dword(0);  // ReservedBlock2Size
    return w.Take();
}

RecurrenceBlobResult DecodeRecurrencePatternBlob(const BYTE* data, size_t size, RecurrencePatternBlob& out)
{
    out = RecurrencePatternBlob{};
    if (data == nullptr) size = 0;
    BlobReader r(data, size);
    constexpr auto kTruncated = RecurrenceBlobResult::kTruncated;

    WORD reader = 0;
    WORD writer = 0;
    if (!r.Word(reader) || !r.Word(writer)) return kTruncated;
    if (reader != kRecurBlobVersion || writer != kRecurBlobVersion) return RecurrenceBlobResult::kBadVersion;
    if (!r.Word(out.frequency) || !r.Word(out.patternType)) return kTruncated;
    if (!IsAcceptedRecurrencePattern(out.frequency, out.patternType)) return RecurrenceBlobResult::kUnsupportedPattern;
    if (!r.Word(out.calendarType) || !r.Dword(out.firstDateTime) || !r.Dword(out.period) || !r.Dword(out.slidingFlag)) {
        return kTruncated;
    }
    if (UsesWeekdayMask(out.patternType) && !r.Dword(out.weekdayMask)) return kTruncated;
    if (out.patternType == kRecurPatternMonth && !r.Dword(out.dayOfMonth)) return kTruncated;
    if (out.patternType == kRecurPatternMonthNth && !r.Dword(out.nth)) return kTruncated;
    if (!r.Dword(out.endType) || !r.Dword(out.occurrenceCount) || !r.Dword(out.firstDayOfWeek)) return kTruncated;
    RecurrenceBlobResult failure = kTruncated;
    if (!ReadDates(r, out.deletedInstanceDates, failure) || !ReadDates(r, out.modifiedInstanceDates, failure)) {
        return failure;
    }
    if (!r.Dword(out.startDate) || !r.Dword(out.endDate)) return kTruncated;
    DWORD reader2 = 0;
    DWORD writer2 = 0;
    if (!r.Dword(reader2) || !r.Dword(writer2)) return kTruncated;
    if (reader2 != kRecurBlobVersion2 || writer2 != kRecurBlobVersion2) return RecurrenceBlobResult::kBadVersion;
    WORD exceptionCount = 0;
    if (!r.Dword(out.startTimeOffset) || !r.Dword(out.endTimeOffset) || !r.Word(exceptionCount)) return kTruncated;
    if (exceptionCount > r.Remaining() / kExceptionFixedSize) return RecurrenceBlobResult::kBadCount;
    out.exceptions.resize(exceptionCount);
    for (RecurrenceExceptionInfo& e : out.exceptions) {
        const RecurrenceBlobResult result = DecodeException(r, e);
        if (result != RecurrenceBlobResult::kOk) return result;
    }
    // The reserved blocks: each a 32-bit size and that many bytes. Older
    // writers stop right after the changed occurrences.
    for (int block = 0; block < 2 && r.Remaining() != 0; ++block) {
        DWORD reserved = 0;
        if (!r.Dword(reserved) || !r.Skip(reserved)) return kTruncated;
    }

    const bool warnings = out.calendarType != 0 || (out.period >> 16) != 0 || out.slidingFlag != 0 ||
                          (out.endType >> 16) != 0 || out.exceptions.size() != out.modifiedInstanceDates.size();
    return warnings ? RecurrenceBlobResult::kOkWithWarnings : RecurrenceBlobResult::kOk;
}

}  // namespace platform
