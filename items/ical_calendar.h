// iCalendar (RFC 5545) exchange through libical: the store's appointments,
// tasks and journal entries written as VEVENT, VTODO and VJOURNAL, and a
// file read back into records that are then stored through the object model.
//
// Reading and storing are two steps: ReadICalendar turns a file into plain
// records and a notice for every item it refuses or changes the form of,
// touching nothing; StoreICalendar writes the records in one store
// transaction, so that a failure leaves the store as it was.
//
// Times in the records are device-local minutes since 1 January 1601 (the
// object model's wall clock); an all-day event's times are local midnights.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/types.h"
#include "platform/objectmodel/pocket_outlook.h"
#include "platform/recurrence/recurrence_rule.h"
#include "platform/time/time_zone.h"

class COutlook;

namespace ical {

// What an occurrence may change of its series, and a single event holds.
struct EventFields {
    std::u16string subject;
    std::u16string location;
    std::u16string body;
    std::int64_t start = 0;  // device-local minutes
    int duration = 0;        // minutes
    LONG busyStatus = olBusy;
    std::optional<int> reminderMinutes;  // before the start
};

struct OccurrenceChange {
    std::int64_t originalStart = 0;  // device-local minutes
    EventFields fields;
};

struct Attendee {
    std::u16string name;
    std::u16string address;
};

struct Event {
    std::string label;  // names the event in notices: its summary and start
    EventFields fields;
    bool allDay = false;
    std::u16string categories;  // "A, B"
    LONG sensitivity = olNormal;
    std::optional<TIME_ZONE_INFORMATION> zone;  // the event's own zone when not the device's
    std::vector<Attendee> attendees;
    std::optional<platform::RecurrenceRule> rule;  // days on the event's own wall clock
    std::vector<std::int64_t> deleted;             // original starts
    std::vector<OccurrenceChange> changes;
};

struct Todo {
    std::string label;
    std::u16string subject;
    std::u16string body;
    std::u16string categories;
    DATE start = kNoOleDate;  // local dates
    DATE due = kNoOleDate;
    DATE completed = kNoOleDate;
    DATE reminder = kNoOleDate;
    bool complete = false;
    LONG importance = olImportanceNormal;
    LONG sensitivity = olNormal;
    std::optional<platform::RecurrenceRule> rule;  // from the start date (else the due date) on
};

struct JournalEntry {
    std::string label;
    std::u16string subject;
    std::u16string notes;
    std::u16string type;
    SYSTEMTIME start{};  // local
    ULONG duration = 0;
};

struct Notice {
    std::string item;     // the label of the item concerned
    std::string message;  // what was refused or done instead, and why
    bool refused = false;  // the item was left out
};

struct Reading {
    std::string error;  // the whole file is unusable; nothing else is set
    std::vector<Event> events;
    std::vector<Todo> todos;
    std::vector<JournalEntry> journal;
    std::vector<Notice> notices;
    // The category names in the order the writing store numbers them; the
    // missing ones are made in this order before the items, so that the
    // items list their categories in the same order.
    std::vector<std::u16string> categoryOrder;
};

// Occurrences of a rule the device cannot hold are read as single events
// from the first one on, this many days at most and no more than
// kExpandedOccurrences of them.
constexpr int kExpansionDays = 2 * 366;
constexpr int kExpandedOccurrences = 1000;

// Reads an iCalendar file (one or several VCALENDARs). Never throws for bad
// input; an item that cannot be read is refused with a notice.
Reading ReadICalendar(std::string_view text);

struct StoreResult {
    bool ok = false;
    std::string error;  // when not ok: what failed; the store is unchanged
    int appointments = 0;
    int tasks = 0;
    int journalEntries = 0;
};

// Stores everything read, in one transaction. `progress` hears (done, total).
StoreResult StoreICalendar(COutlook& outlook, const Reading& reading,
                           const std::function<void(int, int)>& progress = {});

struct ExportOptions {
    std::optional<DATE> from;  // local days: appointments and entries that touch them
    std::optional<DATE> to;
    bool appointments = true;
    bool tasks = false;
    bool journal = false;
};

struct ExportResult {
    std::string text;
    std::string error;  // the store could not be read
    int appointments = 0;
    int tasks = 0;
    int journalEntries = 0;
};

ExportResult ExportICalendar(COutlook& outlook, const ExportOptions& options,
                             const std::function<void(int, int)>& progress = {});

// One appointment (a series with its changed and deleted occurrences) or one
// task as a calendar of its own: the form an item is beamed in. error is set
// when the item is of another kind or cannot be read.
ExportResult ExportItemICalendar(IDispatch* item);

// Makes the infrared folder write beamed appointments and tasks as ".ics"
// files through ExportItemICalendar; repeating it changes nothing.
void RegisterInfraredCalendarWriter();

}  // namespace ical
