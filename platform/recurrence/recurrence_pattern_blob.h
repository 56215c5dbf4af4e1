// The recurrence pattern blob of a recurring appointment (property
// kAppointmentRecurrencePattern) in the form the handheld store writes: an
// Outlook-style AppointmentRecurrencePattern whose second version pair is
// 0x3005/0x3005, whose changed-occurrence texts are UTF-16 and whose changed
// occurrences may carry their own note, with no extended-exception section.
//
// Every date in the blob counts minutes since 1 January 1601 00:00 on the
// local wall clock; pattern start and end, deleted and modified dates are
// midnights.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/types.h"

namespace platform {

// RecurFrequency.
constexpr WORD kRecurFrequencyDaily = 0x200A;
constexpr WORD kRecurFrequencyWeekly = 0x200B;
constexpr WORD kRecurFrequencyMonthly = 0x200C;
constexpr WORD kRecurFrequencyYearly = 0x200D;

// PatternType. (Daily, week) is the "every weekday" pattern.
constexpr WORD kRecurPatternDay = 0x0000;
constexpr WORD kRecurPatternWeek = 0x0001;
constexpr WORD kRecurPatternMonth = 0x0002;
constexpr WORD kRecurPatternMonthNth = 0x0003;

// EndType.
constexpr DWORD kRecurEndByDate = 0x2021;
constexpr DWORD kRecurEndAfterCount = 0x2022;
constexpr DWORD kRecurEndNever = 0x2023;
constexpr DWORD kRecurEndNeverAlternate = 0xFFFFFFFF;  // also read as "never"

// EndDate of a pattern without end (31 December 4500 23:59), and the
// occurrence count written with it.
constexpr DWORD kRecurNoEndDate = 0x5AE980DF;
constexpr DWORD kRecurNoEndOccurrenceCount = 10;

constexpr WORD kRecurBlobVersion = 0x3004;    // ReaderVersion and WriterVersion
constexpr DWORD kRecurBlobVersion2 = 0x3005;  // ReaderVersion2 and WriterVersion2

// OverrideFlags of a changed occurrence. Meeting type (0x0002) and
// attachment (0x0040) are not part of this format: blobs using them are
// refused.
constexpr WORD kRecurExceptionSubject = 0x0001;
constexpr WORD kRecurExceptionMeetingType = 0x0002;
constexpr WORD kRecurExceptionReminderDelta = 0x0004;
constexpr WORD kRecurExceptionReminderSet = 0x0008;
constexpr WORD kRecurExceptionLocation = 0x0010;
constexpr WORD kRecurExceptionBusyStatus = 0x0020;
constexpr WORD kRecurExceptionAttachment = 0x0040;
constexpr WORD kRecurExceptionAllDay = 0x0080;
constexpr WORD kRecurExceptionOwnNote = 0x0100;

// One changed occurrence (ExceptionInfo). An unset optional means "as the
// pattern".
struct RecurrenceExceptionInfo {
    DWORD startDateTime = 0;      // new start, minutes since 1601
    DWORD endDateTime = 0;        // new end
    DWORD originalStartDate = 0;  // the occurrence's original start
    std::optional<std::u16string> subject;
    std::optional<std::u16string> location;
    std::optional<DWORD> busyStatus;     // 0 free, 1 tentative, 2 busy, 3 out of office
    std::optional<bool> allDay;          // written as 1 (all day) or 2 (not)
    std::optional<DWORD> reminderDelta;  // minutes before the start
    std::optional<DWORD> reminderSet;    // 0 or 1
    // The occurrence carries its own note. The note's bytes follow the other
    // fields as a 16-bit length L and, when L != 0, L + 4 bytes: noteBytes
    // is therefore empty or at least 5 bytes long.
    bool ownNote = false;
    std::vector<BYTE> noteBytes;

    // The OverrideFlags that these fields produce.
    WORD OverrideFlags() const;

    bool operator==(const RecurrenceExceptionInfo&) const = default;
};

struct RecurrencePatternBlob {
    WORD frequency = kRecurFrequencyDaily;
    WORD patternType = kRecurPatternDay;
    WORD calendarType = 0;
    DWORD firstDateTime = 0;
    DWORD period = 1440;  // daily: minutes; weekly: weeks; monthly and yearly: months
    DWORD slidingFlag = 0;
    // PatternTypeSpecific: weekdayMask (bit 0 Sunday) for week, every-weekday
    // and month-nth patterns; dayOfMonth for month patterns; nth (1..4, 5 =
    // last) for month-nth patterns. Fields that the pattern type does not
    // use are neither written nor read.
    DWORD weekdayMask = 0;
    DWORD dayOfMonth = 0;
    DWORD nth = 0;
    DWORD endType = kRecurEndNever;
    DWORD occurrenceCount = kRecurNoEndOccurrenceCount;
    DWORD firstDayOfWeek = 0;                  // FirstDOW, 0 = Sunday
    std::vector<DWORD> deletedInstanceDates;   // original dates of deleted and changed occurrences
    std::vector<DWORD> modifiedInstanceDates;  // new dates of changed occurrences
    DWORD startDate = 0;
    DWORD endDate = kRecurNoEndDate;
    DWORD startTimeOffset = 0;  // minutes after midnight
    DWORD endTimeOffset = 0;    // may exceed 1440 for occurrences that span days
    std::vector<RecurrenceExceptionInfo> exceptions;

    bool operator==(const RecurrencePatternBlob&) const = default;
};

enum class RecurrenceBlobResult {
    kOk,
    // Decoded, but a field that should be 0 is not (calendar type, sliding
    // flag, upper halves of period and end type) or the changed-occurrence
    // count differs from the modified-date count.
    kOkWithWarnings,
    kBadVersion,            // a version field is not 0x3004 / 0x3005
    kUnsupportedPattern,    // an unaccepted (frequency, pattern type) pair
    kTruncated,             // the blob ends inside a field
    kBadCount,              // a count larger than the rest of the blob can hold, or a 65535-character text
    kUnsupportedException,  // override flags 0x0002, 0x0040 or above 0x01FF
};

// True for kOk and kOkWithWarnings.
constexpr bool RecurrenceBlobUsable(RecurrenceBlobResult r)
{
    return r == RecurrenceBlobResult::kOk || r == RecurrenceBlobResult::kOkWithWarnings;
}

// True for the seven accepted (frequency, pattern type) pairs: (daily, day),
// (daily, week), (weekly, week), (monthly, month), (monthly, month-nth),
// (yearly, month), (yearly, month-nth).
bool IsAcceptedRecurrencePattern(WORD frequency, WORD patternType);

// The little-endian bytes of the blob, versions included, ending with the two
// reserved block sizes (0). Empty when the blob cannot be written: an
// unaccepted (frequency, pattern type) pair, a subject or location longer
// than 65534 characters, more than 65535 changed occurrences, note bytes
// without the own-note flag, or note bytes of length 1..4 or above 65539.
std::vector<BYTE> EncodeRecurrencePatternBlob(const RecurrencePatternBlob& blob);

// Reads a blob into `out` (which is reset first). Reserved blocks after the
// changed occurrences are skipped; a blob that ends right after the changed
// occurrences is accepted too. Never reads outside [data, data + size).
RecurrenceBlobResult DecodeRecurrencePatternBlob(const BYTE* data, size_t size, RecurrencePatternBlob& out);

}  // namespace platform
