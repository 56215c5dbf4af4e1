#include "tools/kstools/sample/sample_appointment_writer.h"

#include <string>

#include "platform/objectmodel/com_ref.h"
#include "platform/text/owned_bstr.h"
#include "tools/kstools/sample/sample_pattern_writer.h"
#include "tools/kstools/sample/sample_seed_check.h"

namespace kstools {

using platform::ComRef;
using platform::OwnedBstr;

namespace {

void WriteFields(IAppointment* item, const SampleAppointmentPlan& plan, const std::string& name)
{
    CheckSeedResult(item->put_Subject(OwnedBstr(plan.subject)), "set the subject of " + name);
    if (!plan.location.empty())
        CheckSeedResult(item->put_Location(OwnedBstr(plan.location)), "set the location of " + name);
    if (!plan.categories.empty()) {
        CheckSeedResult(item->put_Categories(OwnedBstr(plan.categories)), "set the categories of " + name);
    }
    if (!plan.body.empty()) CheckSeedResult(item->put_Body(OwnedBstr(plan.body)), "set the note of " + name);
    CheckSeedResult(item->put_Start(plan.start), "set the start of " + name);
    CheckSeedResult(item->put_Duration(plan.durationMinutes), "set the duration of " + name);
    if (plan.allDay) CheckSeedResult(item->put_AllDayEvent(VARIANT_TRUE), "make " + name + " all day");
    CheckSeedResult(item->put_BusyStatus(plan.busyStatus), "set the busy status of " + name);
    if (plan.isPrivate) CheckSeedResult(item->put_Sensitivity(olPrivate), "make " + name + " private");
    if (plan.reminderMinutes >= 0) {
        CheckSeedResult(item->put_ReminderSet(VARIANT_TRUE), "set the reminder of " + name);
        CheckSeedResult(item->put_ReminderMinutesBeforeStart(plan.reminderMinutes), "set the reminder of " + name);
    }
    if (plan.zone) {
        TIME_ZONE_INFORMATION zone = *plan.zone;
        CheckSeedResult(item->put_TimeZone(&zone), "set the time zone of " + name);
    }
}

void WriteAttendees(IAppointment* item, const SampleAppointmentPlan& plan, const std::string& name)
{
    if (plan.attendees.empty()) return;
    ComRef<IRecipients> recipients;
    CheckSeedResult(item->get_Recipients(recipients.Put()), "read the attendees of " + name);
    for (const SampleAttendee& person : plan.attendees) {
        ComRef<IRecipient> recipient;
        CheckSeedResult(recipients->Add(OwnedBstr(person.name), recipient.Put()), "invite to " + name);
        CheckSeedResult(recipient->put_Address(OwnedBstr(person.address)), "invite to " + name);
    }
    CheckSeedResult(item->put_MeetingStatus(olMeeting), "make " + name + " a meeting");
}

void WriteException(IRecurrencePattern* pattern, const SampleException& change, const std::string& name)
{
    const std::string what = "change an occurrence of " + name;
    ComRef<IAppointment> occurrence;
    CheckSeedResult(pattern->GetOccurrence(change.originalStart, occurrence.Put()), what);
    switch (change.kind) {
        case SampleExceptionKind::kDeleted:
            CheckSeedResult(occurrence->Delete(), "delete an occurrence of " + name);
            return;
        case SampleExceptionKind::kMoved: {
            LONG duration = 0;
            CheckSeedResult(occurrence->get_Duration(&duration), what);
            CheckSeedResult(occurrence->put_Start(change.newStart), "move an occurrence of " + name);
            CheckSeedResult(occurrence->put_Duration(duration), "move an occurrence of " + name);
            break;
        }
        case SampleExceptionKind::kSubject:
            CheckSeedResult(occurrence->put_Subject(OwnedBstr(change.subject)), what);
            break;
    }
    CheckSeedResult(occurrence->Save(), "save an occurrence of " + name);
}

}  // namespace

void SampleAppointmentWriter::Write(const SampleAppointmentPlan& plan)
{
    const std::string name = SeedItemName("appointment", plan.subject);
    ComRef<IDispatch> created;
    CheckSeedResult(m_outlook.CreateItem(olAppointmentItem, created.Put()), "create " + name);
    ComRef<IAppointment> item = ComRef<IAppointment>::Query(created.Get());
    if (!item) CheckSeedResult(E_NOINTERFACE, "create " + name);

    WriteFields(item.Get(), plan, name);
    WriteAttendees(item.Get(), plan, name);
    ComRef<IRecurrencePattern> pattern;
    if (plan.pattern) {
        CheckSeedResult(item->GetRecurrencePattern(pattern.Put()), "make " + name + " recurring");
        SamplePatternWriter::Write(pattern.Get(), *plan.pattern, name);
    }
    CheckSeedResult(item->Save(), "save " + name);
    for (const SampleException& change : plan.exceptions) WriteException(pattern.Get(), change, name);
}

}  // namespace kstools
