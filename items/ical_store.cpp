// Storing what ReadICalendar read, through the object model, in one store
// transaction.
#include <cstdio>
#include <set>

#include "items/c_journal.h"
#include "items/ical_calendar.h"
#include "items/item_recurrence.h"
#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/objectmodel/category_database.h"
#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/outlook_minutes.h"
#include "platform/objectstore/cedb.h"
#include "platform/text/owned_bstr.h"
#include "platform/text/utf8.h"
#include "storage/c_outlook.h"

namespace ical {
namespace {

using platform::ComRef;
using platform::OwnedBstr;

struct StoreFailure {
    std::string message;
};

void Check(HRESULT hr, const char* what)
{
    if (FAILED(hr)) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
        throw StoreFailure{std::string("cannot ") + what + " (error " + code + ")"};
    }
}

template <class Item>
ComRef<Item> Create(COutlook& outlook, int kind)
{
    ComRef<IDispatch> created;
    Check(outlook.CreateItem(kind, created.Put()), "create the item");
    ComRef<Item> item = ComRef<Item>::Query(created.Get());
    if (!item) Check(E_NOINTERFACE, "create the item");
    return item;
}

// The fields an occurrence shares with a single appointment.
void PutFields(IAppointment* item, const EventFields& f, bool allDay)
{
    Check(item->put_Subject(OwnedBstr(f.subject)), "set the subject");
    Check(item->put_Location(OwnedBstr(f.location)), "set the location");
    if (!f.body.empty()) Check(item->put_Body(OwnedBstr(f.body)), "set the note");
    Check(item->put_Start(platform::MinutesToOleDate(f.start)), "set the start");
    Check(item->put_Duration(f.duration), "set the length");
    if (allDay) Check(item->put_AllDayEvent(VARIANT_TRUE), "make the appointment all day");
    Check(item->put_BusyStatus(f.busyStatus), "set the busy status");
    Check(item->put_ReminderSet(f.reminderMinutes ? VARIANT_TRUE : VARIANT_FALSE), "set the reminder");
    if (f.reminderMinutes) Check(item->put_ReminderMinutesBeforeStart(*f.reminderMinutes), "set the reminder");
}

void PutRule(IRecurrencePattern* pattern, const platform::RecurrenceRule& rule)
{
    ItemRecurrence r;
    r.type = rule.type;
    r.interval = rule.interval;
    r.dayOfWeekMask = rule.dayOfWeekMask;
    r.dayOfMonth = rule.dayOfMonth;
    r.instance = rule.instance;
    r.monthOfYear = rule.monthOfYear;
    Check(pattern->put_RecurrenceType(StoredRecurrenceType(r)), "set the recurrence");
    WriteRecurrenceRule(pattern, r);
    Check(pattern->put_PatternStartDate(platform::RecurrenceDayToOleDate(rule.patternStartDay)),
          "set the first day of the recurrence");
    switch (rule.end) {
        case platform::RecurrenceEnd::kNoEnd:
            Check(pattern->put_NoEndDate(VARIANT_TRUE), "set the recurrence's end");
            break;
        case platform::RecurrenceEnd::kAfterOccurrences:
            Check(pattern->put_Occurrences(rule.occurrences), "set the recurrence's end");
            break;
        case platform::RecurrenceEnd::kByDate:
            Check(pattern->put_PatternEndDate(platform::RecurrenceDayToOleDate(rule.patternEndDay)),
                  "set the recurrence's end");
            break;
    }
}

// A single appointment with the event's own fields; returns nothing.
void StoreSingle(COutlook& outlook, const Event& e, const EventFields& fields)
{
    ComRef<IAppointment> item = Create<IAppointment>(outlook, olAppointmentItem);
    if (e.zone) {
        TIME_ZONE_INFORMATION zone = *e.zone;
        Check(item->put_TimeZone(&zone), "set the time zone");
    }
    PutFields(item.Get(), fields, e.allDay);
    if (!e.categories.empty()) Check(item->put_Categories(OwnedBstr(e.categories)), "set the categories");
    Check(item->put_Sensitivity(e.sensitivity), "set the privacy");
    if (!e.attendees.empty()) {
        ComRef<IRecipients> recipients;
        Check(item->get_Recipients(recipients.Put()), "read the attendees");
        for (const Attendee& a : e.attendees) {
            ComRef<IRecipient> recipient;
            Check(recipients->Add(OwnedBstr(a.name), recipient.Put()), "add an attendee");
            Check(recipient->put_Address(OwnedBstr(a.address)), "set an attendee's address");
        }
        Check(item->put_MeetingStatus(olMeeting), "make the appointment a meeting");
    }
    if (!e.rule) {
        Check(item->Save(), "save the appointment");
        return;
    }
    ComRef<IRecurrencePattern> pattern;
    Check(item->GetRecurrencePattern(pattern.Put()), "make the appointment recurring");
    PutRule(pattern.Get(), *e.rule);
    Check(item->Save(), "save the appointment");
    for (std::int64_t original : e.deleted) {
        ComRef<IAppointment> occurrence;
        // A date the rule does not hold leaves nothing to delete.
        if (FAILED(pattern->GetOccurrence(platform::MinutesToOleDate(original), occurrence.Put())) || !occurrence)
            continue;
        Check(occurrence->Delete(), "delete an occurrence");
    }
    for (const OccurrenceChange& change : e.changes) {
        ComRef<IAppointment> occurrence;
        if (FAILED(pattern->GetOccurrence(platform::MinutesToOleDate(change.originalStart), occurrence.Put())) ||
            !occurrence)
            continue;
        PutFields(occurrence.Get(), change.fields, e.allDay);
        if (SUCCEEDED(occurrence->Save())) continue;
        // Moved past a neighbouring occurrence, which the series cannot hold:
        // the occurrence leaves the series and stands alone.
        ComRef<IAppointment> again;
        Check(pattern->GetOccurrence(platform::MinutesToOleDate(change.originalStart), again.Put()),
              "find a changed occurrence");
        Check(again->Delete(), "delete an occurrence");
        Event alone = e;
        alone.rule.reset();
        StoreSingle(outlook, alone, change.fields);
    }
}

void StoreTodo(COutlook& outlook, const Todo& t)
{
    ComRef<ITask> item = Create<ITask>(outlook, olTaskItem);
    Check(item->put_Subject(OwnedBstr(t.subject)), "set the subject");
    if (!t.body.empty()) Check(item->put_Body(OwnedBstr(t.body)), "set the note");
    if (!t.categories.empty()) Check(item->put_Categories(OwnedBstr(t.categories)), "set the categories");
    if (t.start != kNoOleDate) Check(item->put_StartDate(t.start), "set the start date");
    if (t.due != kNoOleDate) Check(item->put_DueDate(t.due), "set the due date");
    Check(item->put_Importance(t.importance), "set the priority");
    Check(item->put_Sensitivity(t.sensitivity), "set the privacy");
    Check(item->put_ReminderSet(t.reminder != kNoOleDate ? VARIANT_TRUE : VARIANT_FALSE), "set the reminder");
    if (t.reminder != kNoOleDate) Check(item->put_ReminderTime(t.reminder), "set the reminder");
    if (t.rule) {
        ComRef<IRecurrencePattern> pattern;
        Check(item->GetRecurrencePattern(pattern.Put()), "make the task recurring");
        PutRule(pattern.Get(), *t.rule);
    }
    if (t.complete) {
        Check(item->put_Complete(VARIANT_TRUE), "complete the task");
        if (t.completed != kNoOleDate) Check(item->put_DateCompleted(t.completed), "set the completion date");
    }
    Check(item->Save(), "save the task");
}

void StoreJournal(const JournalEntry& j)
{
    CJournalData data;
    data.m_start = j.start;
    data.m_created = j.start;
    data.m_subject = j.subject.c_str();
    data.m_type = j.type.c_str();
    data.m_duration = j.duration;
    data.SetNotesText(j.notes.c_str());
    CJournal::CheckAndCreateDB();
    CJournal::WriteEntry(data, false);
    if (!data.m_record) throw StoreFailure{"cannot write the journal entry"};
}

// Makes the named categories the store lacks, in the order given.
void MakeCategories(const std::vector<std::u16string>& names)
{
    if (names.empty()) return;
    std::vector<CategoryRecord> records;
    CategoryDatabase::ReadAll(records);
    std::vector<int> used;
    std::set<std::u16string> known;
    for (const CategoryRecord& r : records) {
        used.push_back(r.index);
        known.insert(r.name);
    }
    for (const std::u16string& name : names) {
        if (!known.insert(name).second) continue;
        const int index = CategoryDatabase::LowestFreeIndex(used);
        if (index < 0) return;  // the rest are made as the items name them, where they fit
        if (CategoryDatabase::Add(name.c_str(), static_cast<SHORT>(index)) != ERROR_SUCCESS)
            throw StoreFailure{"cannot make the category " + WideToUtf8(name)};
        used.push_back(index);
    }
}

}  // namespace

StoreResult StoreICalendar(COutlook& outlook, const Reading& reading, const std::function<void(int, int)>& progress)
{
    StoreResult result;
    const int total = static_cast<int>(reading.events.size() + reading.todos.size() + reading.journal.size());
    int done = 0;
    auto step = [&] {
        ++done;
        if (progress) progress(done, total);
    };
    std::string failure;
    StoreResult counts;
    const BOOL stored = platform::RunObjectStoreTransaction(nullptr, [&] {
        std::string label = "categories";
        try {
            MakeCategories(reading.categoryOrder);
            for (const Event& e : reading.events) {
                label = e.label;
                StoreSingle(outlook, e, e.fields);
                ++counts.appointments;
                step();
            }
            for (const Todo& t : reading.todos) {
                label = t.label;
                StoreTodo(outlook, t);
                ++counts.tasks;
                step();
            }
            for (const JournalEntry& j : reading.journal) {
                label = j.label;
                StoreJournal(j);
                ++counts.journalEntries;
                step();
            }
        } catch (const StoreFailure& f) {
            failure = label + ": " + f.message;
            return false;
        }
        return true;
    });
    if (!stored) {
        result.error = failure.empty() ? "the store could not be written (error " + std::to_string(GetLastError()) + ")"
                                       : failure;
        return result;
    }
    counts.ok = true;
    return counts;
}

}  // namespace ical
