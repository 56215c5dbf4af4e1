// Beaming appointments and tasks: the calendar file the infrared stand-in leaves in the device's outbox is
// read by an independent reader (Python's vobject) and holds what was saved; refused beams leave no file.
#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "items/c_appointment.h"
#include "items/c_task.h"
#include "items/infrared_beam.h"
#include "tests/items/item_test_support.h"
#include "tests/items/vobject_oracle.h"
#include "tests/support/scripted_ui_host.h"

using namespace itemtest;
using Json = nlohmann::json;

namespace {

// Every component of the calendar: its name and property name -> list of values as text.
constexpr const char* kCalendarDump = R"PY(
import sys, json, vobject
out = []
cal = vobject.readOne(open(sys.argv[1], encoding='utf-8').read())
for c in cal.getChildren():
    if not isinstance(c, vobject.base.Component): continue
    props = {}
    for p in c.getChildren():
        if isinstance(p, vobject.base.Component): props.setdefault(p.name.upper(), []).append('component'); continue
        v = p.value
        props.setdefault(p.name.upper(), []).append(','.join(str(x) for x in v) if isinstance(v, list) else str(v))
    out.append({'name': c.name.upper(), 'props': props})
print(json.dumps(out))
)PY";

class InfraredBeamTest : public ItemSandbox {
protected:
    Json Read(const std::u16string& devicePath) { return Json::parse(RunPython(kCalendarDump, HostPath(devicePath))); }
    static size_t OutboxCount()
    {
        const std::filesystem::path outbox = HostPath(u"\\Outbox");
        if (!std::filesystem::exists(outbox)) return 0;
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(outbox), {}));
    }
    static const Json* Component(const Json& calendar, const char* name)
    {
        for (const Json& c : calendar)
            if (c["name"] == name) return &c;
        return nullptr;
    }
    ScriptedUiHost host;
};

TEST_F(InfraredBeamTest, ARecurringAppointmentIsBeamedAsACalendarFileWithItsSeries)
{
    CAppointment appointment;
    ASSERT_TRUE(appointment.Create(today + 1 + 9.5 / 24, u"Review: plan/budget", 45, nullptr, false));
    ASSERT_TRUE(appointment.LoadData());
    appointment.SetLocation(u"Room 4, east wing");
    appointment.SetBody(u"Bring the figures.");
    AppointmentRecurrence weekly;
    weekly.type = olRecursWeekly;
    weekly.dayOfWeekMask = 1 << 2;  // Tuesdays, the first day
    weekly.noEnd = false;
    weekly.occurrences = 5;
    appointment.SetRecurrence(weekly);
    ASSERT_TRUE(appointment.Save());
    // The third week's meeting is dropped; it must leave the series as an excluded date.
    CAppointment series;
    ASSERT_TRUE(series.ReadOID(appointment.Oid()));
    host.QueueAnswer(IDYES);
    ASSERT_EQ(series.Delete(today + 15, false), kApptDeletedOccurrence);

    const size_t asked = host.MessageCount();
    CAppointment beamed;
    ASSERT_TRUE(beamed.ReadOID(appointment.Oid()));
    ASSERT_TRUE(beamed.SendViaIR());
    const std::u16string file = u"\\Outbox\\Review_ plan_budget.ics";
    ASSERT_TRUE(std::filesystem::exists(HostPath(file)));
    const Json calendar = Read(file);
    const Json* event = Component(calendar, "VEVENT");
    ASSERT_NE(event, nullptr) << calendar.dump();
    const Json& p = (*event)["props"];
    EXPECT_EQ(p["SUMMARY"][0], "Review: plan/budget");
    EXPECT_EQ(p["LOCATION"][0], "Room 4, east wing");
    EXPECT_EQ(p["DESCRIPTION"][0], "Bring the figures.");
    EXPECT_NE(p["RRULE"][0].get<std::string>().find("FREQ=WEEKLY"), std::string::npos);
    EXPECT_NE(p["RRULE"][0].get<std::string>().find("COUNT=5"), std::string::npos);
    ASSERT_TRUE(p.contains("EXDATE"));
    EXPECT_NE(p["EXDATE"][0].get<std::string>().find("2026-12-22"), std::string::npos) << p["EXDATE"];
    EXPECT_NE(p["DTSTART"][0].get<std::string>().find("2026-12-08 09:30"), std::string::npos) << p["DTSTART"];
    EXPECT_EQ(host.MessageCount(), asked);
    // Beamed again, the first file stays and the second takes the next free name.
    ASSERT_TRUE(beamed.SendViaIR());
    EXPECT_TRUE(std::filesystem::exists(HostPath(u"\\Outbox\\Review_ plan_budget (2).ics")));
}

TEST_F(InfraredBeamTest, ATaskIsBeamedAsATodo)
{
    CTask task;
    ASSERT_TRUE(task.Create(today + 3, u"File the report", nullptr, true));
    ASSERT_TRUE(task.LoadData());
    task.SetBody(u"Two copies.");
    ASSERT_TRUE(task.Save());
    ASSERT_TRUE(task.SendViaIR());
    const Json calendar = Read(u"\\Outbox\\File the report.ics");
    const Json* todo = Component(calendar, "VTODO");
    ASSERT_NE(todo, nullptr) << calendar.dump();
    EXPECT_EQ((*todo)["props"]["SUMMARY"][0], "File the report");
    EXPECT_EQ((*todo)["props"]["DESCRIPTION"][0], "Two copies.");
    EXPECT_EQ((*todo)["props"]["DUE"][0], "2026-12-10");
    EXPECT_EQ(Component(calendar, "VEVENT"), nullptr);
}

TEST_F(InfraredBeamTest, WhatCannotBeBeamedLeavesNoFileAndSaysSo)
{
    CTask task;
    ASSERT_TRUE(task.Create(today, u"Task", nullptr, true));
    ASSERT_TRUE(task.Save());
    CAppointment appointment;
    ASSERT_TRUE(appointment.Create(today + 0.5, u"Appointment", 30, nullptr, false));
    ASSERT_TRUE(appointment.Save());

    // Each OID beamed as another kind, and OIDs of nothing.
    const std::pair<int, long> kRefused[] = {{olAppointmentItem, task.Oid()}, {olTaskItem, appointment.Oid()},
                                             {olContactItem, appointment.Oid()}, {olTaskItem, 0},
                                             {olAppointmentItem, 987654}, {12345, task.Oid()}};
    for (const auto& [kind, oid] : kRefused) EXPECT_TRUE(FAILED(BeamItemThroughInfrared(kind, oid))) << kind << " " << oid;
    EXPECT_TRUE(host.Messages().empty()) << "the plain call shows nothing";

    // An appointment not yet saved cannot be beamed; the user is told.
    CAppointment unsaved;
    ASSERT_TRUE(unsaved.Create(today + 0.5, u"Draft", 30, nullptr, false));
    EXPECT_FALSE(unsaved.SendViaIR());
    EXPECT_EQ(host.MessageCount(), 1u);
    // A task deleted after it was opened.
    CTask opened;
    ASSERT_TRUE(opened.ReadOID(task.Oid()));
    ASSERT_TRUE(Open<ITask>(task.Oid())->Delete() == S_OK);
    EXPECT_FALSE(opened.SendViaIR());
    EXPECT_EQ(host.MessageCount(), 2u);
    // The item that is there still goes, alone: none of the refused ones left a file.
    EXPECT_EQ(BeamItemThroughInfrared(olAppointmentItem, appointment.Oid()), S_OK);
    EXPECT_EQ(OutboxCount(), 1u);
}

}  // namespace
