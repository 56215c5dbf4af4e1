#include "tools/kstools/store_summary.h"

#include <algorithm>
#include <cmath>

#include "platform/objectmodel/com_ref.h"
#include "platform/recurrence/recurrence_dates.h"
#include "platform/text/owned_bstr.h"
#include "tools/kstools/sample/sample_seed_check.h"

namespace kstools {

using platform::ComRef;
using platform::OwnedBstr;

namespace {

using platform::RecurrenceDay;

// Day numbers: OLE dates count from 30 December 1899, recurrence days from
// 1 January 1601.
RecurrenceDay ToRecurrenceDay(DATE date)
{
    static const RecurrenceDay kOleDayZero = platform::RecurrenceDayFromDate(1899, 12, 30);
    return kOleDayZero + static_cast<RecurrenceDay>(std::floor(date));
}

DATE ToOleDate(RecurrenceDay day)
{
    static const RecurrenceDay kOleDayZero = platform::RecurrenceDayFromDate(1899, 12, 30);
    return static_cast<DATE>(day - kOleDayZero);
}

ComRef<IPOutlookItemCollection> FolderItems(COutlook& outlook, int folder, const char* what)
{
    ComRef<IFolder> items;
    CheckSeedResult(outlook.GetDefaultFolder(folder, items.Put()), std::string("open the ") + what);
    ComRef<IPOutlookItemCollection> collection;
    CheckSeedResult(items->get_Items(collection.Put()), std::string("read the ") + what);
    return collection;
}

int CountOf(IPOutlookItemCollection* items)
{
    int count = 0;
    CheckSeedResult(items->get_Count(&count), "count the items");
    return count;
}

// The rule of a pattern view, read back field by field.
platform::RecurrenceRule RuleOf(IRecurrencePattern* pattern, DATE start, LONG duration)
{
    platform::RecurrenceRule rule;
    LONG value = 0;
    pattern->get_RecurrenceType(&value);
    rule.type = value;
    pattern->get_Interval(&value);
    rule.interval = value;
    pattern->get_DayOfWeekMask(&value);
    rule.dayOfWeekMask = value;
    pattern->get_DayOfMonth(&value);
    rule.dayOfMonth = value;
    pattern->get_Instance(&value);
    rule.instance = value;
    pattern->get_MonthOfYear(&value);
    rule.monthOfYear = value;
    DATE patternStart = start;
    pattern->get_PatternStartDate(&patternStart);
    rule.patternStartDay = ToRecurrenceDay(patternStart);
    rule.startMinute = static_cast<int>(std::lround((start - std::floor(start)) * 1440)) % 1440;
    rule.durationMinutes = std::clamp<LONG>(duration, 0, platform::kRecurMaxDurationMinutes);
    VARIANT_BOOL noEnd = VARIANT_TRUE;
    pattern->get_NoEndDate(&noEnd);
    if (!noEnd) {
        DATE end = kNoOleDate;
        pattern->get_PatternEndDate(&end);
        rule.end = platform::RecurrenceEnd::kByDate;
        rule.patternEndDay = ToRecurrenceDay(end);
    }
    // The view answers its kind's fields only; the rest are the defaults.
    if (rule.type == platform::kRecursDaily && rule.dayOfWeekMask != platform::kRecurMaskWeekdays)
        rule.dayOfWeekMask = 0;
    if (rule.type == platform::kRecursDaily || rule.type == platform::kRecursWeekly) {
        rule.dayOfMonth = rule.instance = rule.monthOfYear = 0;
    }
    return rule;
}

// The first occurrence from `now` on that has not been deleted.
bool NextOccurrence(IAppointment* item, DATE now, UpcomingAppointment& next)
{
    DATE start = 0;
    LONG duration = 0;
    item->get_Start(&start);
    item->get_Duration(&duration);
    ComRef<IRecurrencePattern> pattern;
    if (FAILED(item->GetRecurrencePattern(pattern.Put()))) return false;
    const platform::RecurrenceDates dates(RuleOf(pattern.Get(), start, duration));
    std::optional<RecurrenceDay> day = dates.FirstOnOrAfter(ToRecurrenceDay(now) - 1);
    for (int tries = 0; day && tries < 8; ++tries, day = dates.Next(*day)) {
        ComRef<IAppointment> occurrence;
        const DATE original = ToOleDate(*day) + (start - std::floor(start));
        if (FAILED(pattern->GetOccurrence(original, occurrence.Put())) || !occurrence) continue;
        DATE actual = original;
        occurrence->get_Start(&actual);
        if (actual < now) continue;
        OwnedBstr subject;
        occurrence->get_Subject(subject.Put());
        next = {actual, subject.Text(), true};
        return true;
    }
    return false;
}

}  // namespace

StoreSummary StoreSummary::Read(COutlook& outlook, DATE now, size_t upcomingCount)
{
    StoreSummary summary;
    ComRef<IPOutlookItemCollection> appointments = FolderItems(outlook, olFolderCalendar, "calendar");
    summary.appointments = CountOf(appointments.Get());
    for (int i = 1; i <= summary.appointments; ++i) {
        ComRef<IDispatch> entry;
        CheckSeedResult(appointments->Item(i, entry.Put()), "read an appointment");
        ComRef<IAppointment> item = ComRef<IAppointment>::Query(entry.Get());
        if (!item) continue;
        VARIANT_BOOL recurring = VARIANT_FALSE;
        item->get_IsRecurring(&recurring);
        UpcomingAppointment next;
        if (recurring) {
            ++summary.recurringAppointments;
            if (!NextOccurrence(item.Get(), now, next)) continue;
        } else {
            item->get_Start(&next.start);
            if (next.start < now) continue;
            OwnedBstr subject;
            item->get_Subject(subject.Put());
            next.subject = subject.Text();
        }
        summary.upcoming.push_back(std::move(next));
    }
    std::stable_sort(summary.upcoming.begin(), summary.upcoming.end(),
                     [](const UpcomingAppointment& a, const UpcomingAppointment& b) { return a.start < b.start; });
    if (summary.upcoming.size() > upcomingCount) summary.upcoming.resize(upcomingCount);

    ComRef<IPOutlookItemCollection> tasks = FolderItems(outlook, olFolderTasks, "task list");
    summary.tasks = CountOf(tasks.Get());
    for (int i = 1; i <= summary.tasks; ++i) {
        ComRef<IDispatch> entry;
        CheckSeedResult(tasks->Item(i, entry.Put()), "read a task");
        ComRef<ITask> task = ComRef<ITask>::Query(entry.Get());
        VARIANT_BOOL complete = VARIANT_FALSE;
        if (task && SUCCEEDED(task->get_Complete(&complete)) && complete) ++summary.completedTasks;
    }
    ComRef<IPOutlookItemCollection> contacts = FolderItems(outlook, olFolderContacts, "contacts");
    summary.contacts = CountOf(contacts.Get());
    return summary;
}

}  // namespace kstools
