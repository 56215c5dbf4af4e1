// Appointment, contact and journal records written straight into the store
// the way the object model and the journal leave them, and a calendar list
// run to completion through LoaderHost.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/calendar_thread.h"
#include "engine/loader_host.h"
#include "platform/objectstore/cedb.h"
#include "platform/time/clock.h"
#include "platform/kernel/handle.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/recurrence/recurrence_pattern_blob.h"
#include "platform/recurrence/recurrence_rule.h"
#include "platform/time/system_time.h"
#include "platform/time/time_zone.h"
#include "platform/time/variant_time.h"
#include "storage/c_registry.h"
#include "tests/engine/test_loader.h"

namespace caltest {

// Days from 1 January 1601 (the pattern blob's origin) to the OLE date 0.
inline constexpr int kBlobDayOfOleZero = 109205;

// An OLE date of a wall-clock time.
inline double Date(int year, int month, int day, int hour = 0, int minute = 0)
{
    SYSTEMTIME st{static_cast<WORD>(year), static_cast<WORD>(month),  0, static_cast<WORD>(day),
                  static_cast<WORD>(hour), static_cast<WORD>(minute), 0, 0};
    DATE date = 0;
    SystemTimeToVariantTime(&st, &date);
    return date;
}

inline SYSTEMTIME Day(double date)
{
    SYSTEMTIME st{};
    VariantTimeToSystemTime(date, &st);
    return st;
}

inline std::uint64_t FileTimeValue(const FILETIME& ft)
{
    return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

inline FILETIME MakeFileTime(std::uint64_t v) { return FILETIME{static_cast<DWORD>(v), static_cast<DWORD>(v >> 32)}; }

// A wall-clock OLE date as a FILETIME without zone conversion.
inline FILETIME LocalFileTime(double date)
{
    SYSTEMTIME st = Day(date);
    FILETIME ft{};
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

// A wall-clock time of the device zone as the UTC FILETIME the store keeps.
inline FILETIME DeviceUtc(double date)
{
    return MakeFileTime(platform::LocalToUtc(FileTimeValue(LocalFileTime(date))));
}

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
};

inline HANDLE OpenStore(const WCHAR* name)
{
    CEOID dbOid = PimDatabases::Oid(name);
    return CeOpenDatabaseEx(nullptr, &dbOid, nullptr, 0, 0, nullptr);
}

inline CEOID WriteAppointment(const Appointment& given)
{
    HANDLE db = OpenStore(kAppointmentsDatabase);
    if (db == INVALID_HANDLE_VALUE) return 0;
    Appointment a = given;
    // One attendee: a count, then a name and an address.
    std::vector<BYTE> attendees = {1, 0, 0, 0, 1, 0, 'A', 0, 3, 0, 'a', 0, '@', 0, 'b', 0};
    std::vector<CEPROPVAL> props;
    auto add = [&](CEPROPID id) -> CEPROPVAL& {
        props.push_back(CEPROPVAL{});
        props.back().propid = id;
        return props.back();
    };
    auto blob = [&](CEPROPID id, std::vector<BYTE>& bytes) {
        if (bytes.empty()) return;
        CEPROPVAL& p = add(id);
        p.val.blob.dwCount = static_cast<DWORD>(bytes.size());
        p.val.blob.lpb = bytes.data();
    };
    if (!a.noSubject) add(0x0037001F).val.lpwstr = a.subject.data();
    add(0x420D0040).val.filetime = DeviceUtc(a.start);
    add(0x42130003).val.lVal = a.duration;
    add(0x42150003).val.lVal = a.allDay ? 1 : 0;
    add(0x000F0002).val.iVal = a.busy;
    add(0x00040002).val.iVal = a.sensitivity;
    add(0x45030002).val.iVal = a.reminder ? 1 : 0;
    if (!a.location.empty()) add(0x4208001F).val.lpwstr = a.location.data();
    blob(0x00160041, a.categories);
    blob(0x00170041, a.note);
    blob(0x40150041, a.pattern);
    blob(0x00010041, a.zone);
    if (a.meeting) blob(0x00300041, attendees);
    const CEOID oid = CeWriteRecordProps(db, 0, static_cast<WORD>(props.size()), props.data());
    CloseHandle(db);
    return oid;
}

// The pattern blob of a rule whose first day is the OLE day firstDay.
inline std::vector<BYTE> PatternBlob(platform::RecurrenceRule rule, double firstDay,
                                     const std::vector<double>& deletedDays = {})
{
    rule.patternStartDay = static_cast<platform::RecurrenceDay>(firstDay) + kBlobDayOfOleZero;
    auto blob = platform::BuildRecurrencePatternBlob(rule);
    if (!blob) return {};
    for (double d : deletedDays) {
        blob->deletedInstanceDates.push_back(static_cast<DWORD>((static_cast<int>(d) + kBlobDayOfOleZero)) * 1440u);
    }
    return platform::EncodeRecurrencePatternBlob(*blob);
}

// A yearly all-day pattern on the day of date (a birthday or anniversary).
inline std::vector<BYTE> YearlyAllDay(double date)
{
    const SYSTEMTIME st = Day(date);
    platform::RecurrenceRule rule;
    rule.type = platform::kRecursYearly;
    rule.dayOfMonth = st.wDay;
    rule.monthOfYear = st.wMonth;
    rule.durationMinutes = 1440;
    return PatternBlob(rule, date);
}

inline std::vector<BYTE> Weekly(double firstDay, int mask, int startMinute, int duration,
                                const std::vector<double>& deletedDays = {})
{
    platform::RecurrenceRule rule;
    rule.type = platform::kRecursWeekly;
    rule.dayOfWeekMask = mask;
    rule.startMinute = startMinute;
    rule.durationMinutes = duration;
    return PatternBlob(rule, firstDay, deletedDays);
}

inline CEOID WriteContact(const std::u16string& first, const std::u16string& last, std::optional<double> birthday,
                          std::optional<double> anniversary = std::nullopt)
{
    HANDLE db = OpenStore(kContactsDatabase);
    if (db == INVALID_HANDLE_VALUE) return 0;
    std::u16string f = first, l = last, fileAs = last + u", " + first;
    std::vector<CEPROPVAL> props(3);
    props[0].propid = 0x3A06001F;
    props[0].val.lpwstr = f.data();
    props[1].propid = 0x3A11001F;
    props[1].val.lpwstr = l.data();
    props[2].propid = 0x4013001F;
    props[2].val.lpwstr = fileAs.data();
    if (birthday) {
        props.push_back(CEPROPVAL{});
        props.back().propid = 0x40010040;
        props.back().val.filetime = LocalFileTime(*birthday);
    }
    if (anniversary) {
        props.push_back(CEPROPVAL{});
        props.back().propid = 0x40030040;
        props.back().val.filetime = LocalFileTime(*anniversary);
    }
    const CEOID oid = CeWriteRecordProps(db, 0, static_cast<WORD>(props.size()), props.data());
    CloseHandle(db);
    return oid;
}

// A journal entry about item (0: about nothing); times are local.
inline CEOID WriteJournal(const std::u16string& subject, const std::u16string& type, std::optional<double> start,
                          double created, ULONG duration, const std::u16string& categories, CEOID item = 0)
{
    HANDLE db = loadertest::OpenOrCreate(kLoaderJournalDatabase, kJournalSeekProperty);
    if (db == INVALID_HANDLE_VALUE) return 0;
    std::u16string s = subject, t = type, c = categories;
    std::vector<CEPROPVAL> props(6);
    props[0].propid = kJournalSeekProperty;
    props[0].val.ulVal = item;
    props[1].propid = 0x0030001F;
    props[1].val.lpwstr = s.data();
    props[2].propid = 0x0031001F;
    props[2].val.lpwstr = t.data();
    props[3].propid = 0x00320013;
    props[3].val.ulVal = duration;
    props[4].propid = 0x0034001F;
    props[4].val.lpwstr = c.data();
    props[5].propid = 0x002D0040;
    props[5].val.filetime = LocalFileTime(created);
    if (start) {
        props.push_back(CEPROPVAL{});
        props.back().propid = 0x002B0040;
        props.back().val.filetime = LocalFileTime(*start);
    }
    const CEOID oid = CeWriteRecordProps(db, 0, static_cast<WORD>(props.size()), props.data());
    CloseHandle(db);
    return oid;
}

inline void SetCalendarSetting(const WCHAR* name, ULONG value, const WCHAR* key = kCalendarSettingsKey)
{
    CRegistry settings;
    ASSERT_EQ(settings.OpenKey(HKEY_CURRENT_USER, key), 0);
    settings.SetValue(name, value);
}

inline void SetCalendarSetting(const WCHAR* name, const WCHAR* text, const WCHAR* key = kCalendarSettingsKey)
{
    CRegistry settings;
    ASSERT_EQ(settings.OpenKey(HKEY_CURRENT_USER, key), 0);
    settings.SetValue(name, text);
}

inline std::string Utf8(const WCHAR* text)
{
    std::string out;
    for (; text && *text; ++text) out += static_cast<char>(*text < 128 ? *text : '?');
    return out;
}

// Runs one load of the days first..last (OLE dates) the way a view does;
// false when it did not end.
inline bool Load(CCalendarThread& loader, double first, double last, LPARAM* reported = nullptr)
{
    loader.SetRestrict(Day(first), Day(last));
    LoaderHost host;
    loader.SetNotifyWindow(host.Window());
    const bool ended = host.Run(loader, 60000);
    if (reported) *reported = host.CompletedCount();
    loader.SetNotifyWindow(nullptr);
    return ended;
}

// The list as "day-of-month subject" lines, headers as "day-of-month --".
inline std::vector<std::string> Lines(CCalendarThread& loader)
{
    std::vector<std::string> lines;
    for (DATACALENDAR* row : loader.GetDataList()) {
        const SYSTEMTIME st = Day(row->day);
        std::string line = std::to_string(st.wDay) + " ";
        line += row->oid == 0 ? "--" : Utf8(row->subject);
        lines.push_back(line);
    }
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

// A fresh data directory, the device in Berlin, the clock pinned at 10:00 on
// Monday 7 December 2026.
class CalendarStoreTest : public loadertest::LoaderSandbox {
protected:
    void SetUp() override
    {
        loadertest::LoaderSandbox::SetUp();
        ASSERT_TRUE(platform::SetDeviceTimeZone(u"Europe/Berlin"));
        SYSTEMTIME now{2026, 12, 1, 7, 10, 0, 0, 0};
        platform::SetPinnedNow(now);
        today = Date(2026, 12, 7);
    }
    void TearDown() override
    {
        platform::ClearPinnedNow();
        platform::ResetDeviceTimeZone();
        loadertest::LoaderSandbox::TearDown();
    }
    double today = 0;
};

}  // namespace caltest
