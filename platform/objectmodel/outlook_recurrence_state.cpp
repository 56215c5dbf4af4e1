#include "platform/objectmodel/outlook_recurrence_state.h"

#include <algorithm>

using namespace platform;

namespace {

DWORD Midnight(RecurrenceDay day) { return static_cast<DWORD>(day) * 1440u; }
RecurrenceDay DayOf(DWORD minutes) { return static_cast<RecurrenceDay>(minutes / 1440u); }

void InsertSorted(std::vector<DWORD>& dates, DWORD date)
{
    auto at = std::lower_bound(dates.begin(), dates.end(), date);
    if (at == dates.end() || *at != date) dates.insert(at, date);
}

void EraseValue(std::vector<DWORD>& dates, DWORD date)
{
    auto at = std::find(dates.begin(), dates.end(), date);
    if (at != dates.end()) dates.erase(at);
}

}  // namespace

std::optional<OutlookRecurrenceState> OutlookRecurrenceState::FromBlob(const std::vector<BYTE>& blob)
{
    RecurrencePatternBlob decoded;
    if (!RecurrenceBlobUsable(DecodeRecurrencePatternBlob(blob.data(), blob.size(), decoded))) return std::nullopt;
    std::optional<RecurrenceRule> rule = RecurrenceRuleFromBlob(decoded);
    if (!rule) return std::nullopt;
    OutlookRecurrenceState state;
    state.rule = *rule;
    state.deletedDates = decoded.deletedInstanceDates;
    state.modifiedDates = decoded.modifiedInstanceDates;
    state.exceptions = decoded.exceptions;
    return state;
}

std::vector<BYTE> OutlookRecurrenceState::ToBlob() const
{
    std::optional<RecurrencePatternBlob> blob = BuildRecurrencePatternBlob(rule);
    if (!blob) return {};
    blob->deletedInstanceDates = deletedDates;
    blob->modifiedInstanceDates = modifiedDates;
    blob->exceptions = exceptions;
    return EncodeRecurrencePatternBlob(*blob);
}

void OutlookRecurrenceState::ClearOccurrenceChanges()
{
    deletedDates.clear();
    modifiedDates.clear();
    exceptions.clear();
}

RecurrenceExceptionInfo* OutlookRecurrenceState::ExceptionOn(RecurrenceDay day)
{
    for (RecurrenceExceptionInfo& info : exceptions)
        if (DayOf(info.originalStartDate) == day) return &info;
    return nullptr;
}

bool OutlookRecurrenceState::IsDeleted(RecurrenceDay day) const
{
    if (std::find(deletedDates.begin(), deletedDates.end(), Midnight(day)) == deletedDates.end()) return false;
    for (const RecurrenceExceptionInfo& info : exceptions)
        if (DayOf(info.originalStartDate) == day) return false;
    return true;
}

void OutlookRecurrenceState::PutException(RecurrenceDay originalDay, const RecurrenceExceptionInfo& info)
{
    DropException(originalDay, true);
    InsertSorted(deletedDates, Midnight(originalDay));
    InsertSorted(modifiedDates, Midnight(DayOf(info.startDateTime)));
    auto at = std::lower_bound(exceptions.begin(), exceptions.end(), info,
                               [](const RecurrenceExceptionInfo& a, const RecurrenceExceptionInfo& b) {
                                   return a.startDateTime < b.startDateTime;
                               });
    exceptions.insert(at, info);
}

void OutlookRecurrenceState::DropException(RecurrenceDay originalDay, bool keepDeleted)
{
    for (auto it = exceptions.begin(); it != exceptions.end(); ++it) {
        if (DayOf(it->originalStartDate) != originalDay) continue;
        const DWORD newDay = Midnight(DayOf(it->startDateTime));
        exceptions.erase(it);
        // Another change may have moved an occurrence onto the same day.
        const bool dayStillUsed =
            std::any_of(exceptions.begin(), exceptions.end(),
                        [&](const RecurrenceExceptionInfo& e) { return Midnight(DayOf(e.startDateTime)) == newDay; });
        if (!dayStillUsed) EraseValue(modifiedDates, newDay);
        break;
    }
    if (!keepDeleted) EraseValue(deletedDates, Midnight(originalDay));
}

void OutlookRecurrenceState::DeleteOccurrence(RecurrenceDay originalDay)
{
    DropException(originalDay, true);
    InsertSorted(deletedDates, Midnight(originalDay));
}
