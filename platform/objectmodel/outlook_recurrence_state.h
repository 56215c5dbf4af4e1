// What an item knows of its recurrence: the rule in the object model's terms
// and the occurrences that were deleted or changed, kept as the pattern
// blob's lists (dates in minutes since 1601 on the item's wall clock).
//
// Changing a rule field drops the deleted and changed occurrences, since
// they belong to the dates of the old rule.
#pragma once

#include <optional>
#include <vector>

#include "platform/recurrence/recurrence_pattern_blob.h"
#include "platform/recurrence/recurrence_rule.h"
#include "platform/base/types.h"

struct OutlookRecurrenceState {
    platform::RecurrenceRule rule;
    std::vector<DWORD> deletedDates;   // midnights of the original days of deleted and changed occurrences
    std::vector<DWORD> modifiedDates;  // midnights of the new days of changed occurrences
    std::vector<platform::RecurrenceExceptionInfo> exceptions;

    // The state a stored blob describes; nothing for a blob that does not
    // decode or whose rule is invalid.
    static std::optional<OutlookRecurrenceState> FromBlob(const std::vector<BYTE>& blob);
    // The stored blob; empty for an invalid rule.
    std::vector<BYTE> ToBlob() const;

    void ClearOccurrenceChanges();
    // The changed occurrence whose original start falls on `day`, or null.
    platform::RecurrenceExceptionInfo* ExceptionOn(platform::RecurrenceDay day);
    // Whether the occurrence of `day` was deleted (and not changed).
    bool IsDeleted(platform::RecurrenceDay day) const;
    // Records a change of the occurrence of `originalDay`, replacing an
    // earlier one; the exceptions stay ordered by their new start.
    void PutException(platform::RecurrenceDay originalDay, const platform::RecurrenceExceptionInfo& info);
    // Forgets the change of the occurrence of `originalDay` (its deleted
    // date stays only when `keepDeleted`).
    void DropException(platform::RecurrenceDay originalDay, bool keepDeleted);
    // Marks the occurrence of `originalDay` deleted (dropping its change).
    void DeleteOccurrence(platform::RecurrenceDay originalDay);
};
