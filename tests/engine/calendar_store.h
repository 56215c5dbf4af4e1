// Appointment, contact and journal records written straight into the store; a calendar load through LoaderHost.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/calendar_thread.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/objectstore/cedb.h"
#include "platform/recurrence/recurrence_pattern_blob.h"
#include "platform/recurrence/recurrence_rule.h"
#include "platform/time/time_zone.h"
#include "tests/engine/test_loader.h"

namespace caltest {

// Days from 1 January 1601 (the pattern blob's origin) to the OLE date 0.
inline constexpr int kBlobDayOfOleZero = 109205;

using kstest::FtOf;
using loadertest::Utf8;

inline double Date(int year, int month, int day, int hour = 0, int minute = 0)
{
    return kstest::Ole(year, month, day, hour, minute);
}
inline SYSTEMTIME Day(double date) { return kstest::SysOf(date); }

// One appointment record; start is a wall-clock time of the device zone.
struct Appointment {
    std::u16string subject;
    double start = 0;
    LONG duration = 60;
    bool allDay = false;
    SHORT busy = 2;
    SHORT sensitivity = 0;
    bool reminder = false;
    std::u16string location;
    std::vector<BYTE> categories;
    bool meeting = false;
    std::vector<BYTE> note;
    std::vector<BYTE> pattern;
    std::vector<BYTE> zone;
    bool noSubject = false;
    bool noDuration = false;
    bool emptyPattern = false;  // a pattern property of no bytes
};

inline CEOID WriteAppointment(const Appointment& given, CEOID oid = 0)
{
    Appointment a = given;
    // One attendee: a count, then a name and an address.
    std::vector<BYTE> attendees = {1, 0, 0, 0, 1, 0, 'A', 0, 3, 0, 'a', 0, '@', 0, 'b', 0};
    loadertest::PropList p;
    if (!a.noSubject) p.Add(kAppointmentSubject).lpwstr = a.subject.data();
    // The store keeps the device zone's wall-clock start as UTC.
    p.Add(kAppointmentStart).filetime =
        platform::MakeFileTime(platform::LocalToUtc(platform::FileTimeValue(FtOf(a.start))));
    if (!a.noDuration) p.Add(kAppointmentDuration).lVal = a.duration;
    p.Add(kAppointmentAllDay).lVal = a.allDay ? 1 : 0;
    p.Add(kAppointmentBusyStatus).iVal = a.busy;
    p.Add(kAppointmentSensitivity).iVal = a.sensitivity;
    p.Add(kAppointmentReminderSet).iVal = a.reminder ? 1 : 0;
    if (!a.location.empty()) p.Add(kAppointmentLocation).lpwstr = a.location.data();
    p.Blob(kItemCategories, a.categories);
    p.Blob(kItemNote, a.note);
    p.Blob(kAppointmentRecurrencePattern, a.pattern);
    if (a.emptyPattern) p.Add(kAppointmentRecurrencePattern).blob = CEBLOB{0, nullptr};
    p.Blob(kAppointmentTimeZone, a.zone);
    if (a.meeting) p.Blob(kAppointmentAttendees, attendees);
    return loadertest::WritePimRecord(kAppointmentsDatabase, p.props, oid);
}

// A rule's pattern blob from OLE day firstDay; changed occurrences' days are listed in deletedDays too.
inline std::vector<BYTE> PatternBlob(platform::RecurrenceRule rule, double firstDay,
                                     const std::vector<double>& deletedDays = {},
                                     const std::vector<platform::RecurrenceExceptionInfo>& changes = {})
{
    rule.patternStartDay = static_cast<platform::RecurrenceDay>(firstDay) + kBlobDayOfOleZero;
    auto blob = platform::BuildRecurrencePatternBlob(rule);
    if (!blob) return {};
    for (double d : deletedDays) {
        blob->deletedInstanceDates.push_back(static_cast<DWORD>((static_cast<int>(d) + kBlobDayOfOleZero)) * 1440u);
    }
    for (const auto& change : changes) {
        blob->modifiedInstanceDates.push_back(change.startDateTime / 1440 * 1440);
        blob->exceptions.push_back(change);
    }
    return platform::EncodeRecurrencePatternBlob(*blob);
}

// A yearly all-day pattern on the day of date (a birthday or anniversary).
inline std::vector<BYTE> YearlyAllDay(double date)
{
    const SYSTEMTIME st = Day(date);
    return PatternBlob(
        {.type = platform::kRecursYearly, .dayOfMonth = st.wDay, .monthOfYear = st.wMonth, .durationMinutes = 1440},
        date);
}

inline std::vector<BYTE> Weekly(double firstDay, int mask, int startMinute, int duration,
                                const std::vector<double>& deletedDays = {},
                                const std::vector<platform::RecurrenceExceptionInfo>& changes = {})
{
    return PatternBlob({.type = platform::kRecursWeekly,
                        .dayOfWeekMask = mask,
                        .startMinute = startMinute,
                        .durationMinutes = duration},
                       firstDay, deletedDays, changes);
}

inline CEOID WriteContact(const std::u16string& first, const std::u16string& last, std::optional<double> birthday,
                          std::optional<double> anniversary = std::nullopt)
{
    std::u16string f = first, l = last, fileAs = last + u", " + first;
    loadertest::PropList p;
    p.Add(kContactFirstName).lpwstr = f.data();
    p.Add(kContactLastName).lpwstr = l.data();
    p.Add(kContactFileAs).lpwstr = fileAs.data();
    if (birthday) p.Add(kContactBirthday).filetime = FtOf(*birthday);
    if (anniversary) p.Add(kContactAnniversary).filetime = FtOf(*anniversary);
    return loadertest::WritePimRecord(kContactsDatabase, p.props);
}

// A journal entry about item (0: about nothing); times are local.
inline CEOID WriteJournal(const std::u16string& subject, const std::u16string& type, std::optional<double> start,
                          double created, ULONG duration, const std::u16string& categories, CEOID item = 0)
{
    std::u16string s = subject, t = type, c = categories;
    loadertest::PropList p;
    p.Add(kJournalSeekProperty).ulVal = item;
    p.Add(kJournalSubject).lpwstr = s.data();
    p.Add(kJournalType).lpwstr = t.data();
    p.Add(kJournalDuration).ulVal = duration;
    p.Add(kJournalParentText).lpwstr = c.data();
    p.Add(kJournalCreated).filetime = FtOf(created);
    if (start) p.Add(kJournalStart).filetime = FtOf(*start);
    return loadertest::WriteRecord(kJournalDatabase, kJournalSeekProperty, p.props);
}

template <class V>
void SetCalendarSetting(const WCHAR* name, V value, const WCHAR* key = kCalendarSettingsKey)
{
    loadertest::SetSetting(key, name, value);
}

// Runs one load of the days first..last (OLE dates) the way a view does; false when it did not end.
inline bool Load(CCalendarThread& loader, double first, double last, LPARAM* reported = nullptr)
{
    loader.SetRestrict(Day(first), Day(last));
    return loadertest::RunLoad(loader, reported);
}

// The list as "day-of-month subject" lines, headers as "day-of-month --".
inline std::vector<std::string> Lines(CCalendarThread& loader)
{
    std::vector<std::string> lines;
    for (DATACALENDAR* row : loader.GetDataList())
        lines.push_back(std::to_string(Day(row->day).wDay) + " " + (row->oid == 0 ? "--" : Utf8(row->subject)));
    return lines;
}

// The rows (headers left out) with this subject.
inline std::vector<DATACALENDAR*> Rows(CCalendarThread& loader, const std::string& subject)
{
    std::vector<DATACALENDAR*> rows;
    for (DATACALENDAR* row : loader.GetDataList()) {
        if (row->oid != 0 && Utf8(row->subject) == subject) rows.push_back(row);
    }
    return rows;
}

// The days (day of month) the rows with this subject are shown on.
inline std::vector<int> DaysOf(CCalendarThread& loader, const std::string& subject)
{
    std::vector<int> days;
    for (DATACALENDAR* row : Rows(loader, subject)) days.push_back(Day(row->day).wDay);
    return days;
}

// The pinned clock, the device in Berlin.
class CalendarStoreTest : public loadertest::PinnedClockSandbox {
protected:
    void SetUp() override
    {
        loadertest::PinnedClockSandbox::SetUp();
        ASSERT_TRUE(platform::SetDeviceTimeZone(u"Europe/Berlin"));
    }
    void TearDown() override
    {
        platform::ResetDeviceTimeZone();
        loadertest::PinnedClockSandbox::TearDown();
    }
};

}  // namespace caltest
