// Recurring appointments through the object model. Sections: Saving a pattern;
// Changing, deleting and clearing occurrences; Own zones and all-day entries; All-day
// changes and unreadable patterns; Against libical.
#include "platform/objectmodel/outlook_recurrence_pattern.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

#include "platform/objectmodel/outlook_appointment.h"
#include "platform/recurrence/recurrence_dates.h"
#include "platform/recurrence/recurrence_pattern_blob.h"
#include "tests/platform/objectmodel/outlook_item_test_support.h"
#include "tests/platform/objectstore/cedb_test_support.h"
#include "tests/support/recurrence_ical_oracle.h"
#include "tests/support/recurrence_random_rule.h"

using namespace outlooktest;

namespace {

ComRef<IAppointment> OpenAppointment(CEOID oid)
{
    return MakeItem<IAppointment>(kAppointmentsDatabase, oid, MakeOutlookAppointment);
}

DWORD Midnight(int y, int m, int d) { return static_cast<DWORD>(platform::RecurrenceDayFromDate(y, m, d)) * 1440u; }

platform::RecurrencePatternBlob StoredBlob(CEOID oid)
{
    const std::vector<BYTE> bytes = ReadRaw(kAppointmentsDatabase, oid, kAppointmentRecurrencePattern).bytes;
    platform::RecurrencePatternBlob blob;
    EXPECT_TRUE(
        platform::RecurrenceBlobUsable(platform::DecodeRecurrencePatternBlob(bytes.data(), bytes.size(), blob)));
    return blob;
}

// The item's pattern, set to recur by `type`.
ComRef<IRecurrencePattern> Recurring(const ComRef<IAppointment>& item, LONG type)
{
    ComRef<IRecurrencePattern> pattern;
    EXPECT_EQ(item->GetRecurrencePattern(pattern.Put()), S_OK);
    pattern->put_RecurrenceType(type);
    return pattern;
}

class OutlookRecurrenceTest : public OutlookItemTest {
protected:
    // Mondays from 2 March 2026, 10:00 to 11:00, "Standup".
    CEOID SaveWeeklyMeeting(LONG occurrences = 0)
    {
        ComRef<IAppointment> item = MakeItem<IAppointment>(kAppointmentsDatabase, 0, MakeOutlookAppointment);
        PutText(item, &IAppointment::put_Subject, u"Standup");
        PutText(item, &IAppointment::put_Location, u"Hall");
        item->put_Start(Ole(2026, 3, 2, 10, 0));
        item->put_Duration(60);
        ComRef<IRecurrencePattern> pattern = Recurring(item, olRecursWeekly);
        pattern->put_DayOfWeekMask(olMonday);
        if (occurrences) pattern->put_Occurrences(occurrences);
        pattern.Reset();
        EXPECT_EQ(item->Save(), S_OK);
        return OidOf(item);
    }

    // Recurring by `type` in a zone five hours behind the device's UTC.
    static CEOID SaveInZoneBehind(DATE start, LONG type, bool allDay = false)
    {
        ComRef<IAppointment> item = MakeItem<IAppointment>(kAppointmentsDatabase, 0, MakeOutlookAppointment);
        TIME_ZONE_INFORMATION zone{};
        zone.Bias = 300;
        EXPECT_EQ(item->put_TimeZone(&zone), S_OK);
        item->put_Start(start);
        if (allDay) item->put_AllDayEvent(VARIANT_TRUE);
        Recurring(item, type);
        EXPECT_EQ(item->Save(), S_OK);
        return OidOf(item);
    }

    ComRef<IAppointment> Occurrence(CEOID oid, DATE date, HRESULT expected = S_OK)
    {
        ComRef<IAppointment> series = OpenAppointment(oid);
        ComRef<IRecurrencePattern> pattern;
        series->GetRecurrencePattern(pattern.Put());
        ComRef<IAppointment> occurrence;
        EXPECT_EQ(pattern->GetOccurrence(date, occurrence.Put()), expected);
        return occurrence;
    }
};

// ---- Saving a pattern -----------------------------------------------------

TEST_F(OutlookRecurrenceTest, PatternFieldsComeBackAfterReopeningAndSavingMovesTheStartToTheFirstOccurrence)
{
    ComRef<IAppointment> item = MakeItem<IAppointment>(kAppointmentsDatabase, 0, MakeOutlookAppointment);
    item->put_Start(Ole(2026, 1, 31, 18, 30));
    item->put_Duration(45);
    ComRef<IRecurrencePattern> pattern = Recurring(item, olRecursMonthly);
    pattern->put_Interval(2);
    pattern->put_PatternEndDate(Ole(2026, 12, 31));
    pattern.Reset();
    const CEOID oid = SaveAndClose(item);
    platform::CloseObjectStore();

    ComRef<IAppointment> read = OpenAppointment(oid);
    EXPECT_EQ(Get(read, &IAppointment::get_IsRecurring), VARIANT_TRUE);
    read->GetRecurrencePattern(pattern.Put());
    using P = IRecurrencePattern;
    EXPECT_EQ(Get(pattern, &P::get_RecurrenceType), olRecursMonthly);
    EXPECT_EQ(Get(pattern, &P::get_Interval), 2);
    EXPECT_EQ(Get(pattern, &P::get_DayOfMonth), 31) << "taken from the start when the kind was chosen";
    EXPECT_EQ(Get(pattern, &P::get_Duration), 45);
    EXPECT_EQ(Get(pattern, &P::get_Occurrences), 6) << "31 Jan, 31 Mar, 31 May, 31 Jul, 30 Sep, 30 Nov";
    EXPECT_DATE(Get(pattern, &P::get_PatternStartDate), Ole(2026, 1, 31));
    EXPECT_DATE(Get(pattern, &P::get_PatternEndDate), Ole(2026, 12, 31));
    EXPECT_NEAR(Get(pattern, &P::get_StartTime), (18 * 60 + 30) / 1440.0, 1e-7);
    EXPECT_NEAR(Get(pattern, &P::get_EndTime), (19 * 60 + 15) / 1440.0, 1e-7);
    EXPECT_EQ(Get(pattern, &P::get_NoEndDate), VARIANT_FALSE);
    pattern.Reset();
    read.Reset();

    const platform::RecurrencePatternBlob blob = StoredBlob(oid);
    EXPECT_EQ(blob.frequency, platform::kRecurFrequencyMonthly);
    EXPECT_EQ(blob.patternType, platform::kRecurPatternMonth);
    EXPECT_EQ(blob.period, 2u);
    EXPECT_EQ(blob.dayOfMonth, 31u);
    EXPECT_EQ(blob.endType, platform::kRecurEndByDate);
    EXPECT_EQ(blob.startDate, Midnight(2026, 1, 31));
    EXPECT_EQ(blob.startTimeOffset, 18u * 60 + 30);
    EXPECT_EQ(blob.endTimeOffset, 18u * 60 + 30 + 45);

    // Saving moves a start on Saturday 28 February to the first Monday.
    item = MakeItem<IAppointment>(kAppointmentsDatabase, 0, MakeOutlookAppointment);
    item->put_Start(Ole(2026, 2, 28, 10, 0));
    pattern = Recurring(item, olRecursWeekly);
    pattern->put_DayOfWeekMask(olMonday);
    pattern.Reset();
    ASSERT_EQ(item->Save(), S_OK);
    EXPECT_DATE(Get(item, &IAppointment::get_Start), Ole(2026, 3, 2, 10, 0));
    EXPECT_EQ(StoredBlob(OidOf(item)).startDate, Midnight(2026, 3, 2));
    item->GetRecurrencePattern(pattern.Put());
    EXPECT_DATE(Get(pattern, &IRecurrencePattern::get_PatternStartDate), Ole(2026, 3, 2));
}

TEST_F(OutlookRecurrenceTest, BadPatternFieldsAndTooLongOccurrencesFailTheSaveAndAnUnreadablePatternStays)
{
    struct Case {
        LONG type;
        void (*set)(IRecurrencePattern*);
        HRESULT expected;
        const char* what;
    } cases[] = {
        {olRecursDaily, [](IRecurrencePattern* p) { p->put_Interval(0); }, E_INVALIDRECURRENCE, "interval 0"},
        {olRecursDaily, [](IRecurrencePattern* p) { p->put_Interval(999); }, E_INVALIDRECURRENCE, "interval 999"},
        {olRecursMonthly, [](IRecurrencePattern* p) { p->put_DayOfMonth(0); }, E_INVALIDRECURRENCE, "day 0"},
        {olRecursMonthly, [](IRecurrencePattern* p) { p->put_DayOfMonth(32); }, E_INVALIDRECURRENCE, "day 32"},
        {olRecursMonthNth, [](IRecurrencePattern* p) { p->put_Instance(6); }, E_INVALIDRECURRENCE, "instance 6"},
        {olRecursWeekly, [](IRecurrencePattern* p) { p->put_DayOfWeekMask(0); }, E_INVALIDRECURRENCE, "no weekday"},
        {olRecursYearly, [](IRecurrencePattern* p) { p->put_MonthOfYear(13); }, E_INVALIDRECURRENCE, "month 13"},
        {olRecursDaily, [](IRecurrencePattern* p) { p->put_PatternEndDate(Ole(2026, 1, 1)); }, E_INVALIDDATES,
         "end before start"},
        {olRecursDaily, [](IRecurrencePattern* p) { p->put_PatternStartDate(Ole(1850, 1, 1)); }, E_INVALIDDATES,
         "a first occurrence before the first date a start may take"},
    };
    for (const Case& c : cases) {
        ComRef<IAppointment> item = MakeItem<IAppointment>(kAppointmentsDatabase, 0, MakeOutlookAppointment);
        item->put_Start(Ole(2026, 4, 6, 9, 0));
        ASSERT_EQ(item->Save(), S_OK);
        const CEOID oid = OidOf(item);
        ComRef<IRecurrencePattern> pattern = Recurring(item, c.type);
        c.set(pattern.Get());
        pattern.Reset();
        EXPECT_EQ(item->Save(), c.expected) << c.what;
        item.Reset();
        EXPECT_FALSE(ReadRaw(kAppointmentsDatabase, oid, kAppointmentRecurrencePattern).found) << c.what;
    }
    ComRef<IAppointment> item = MakeItem<IAppointment>(kAppointmentsDatabase, 0, MakeOutlookAppointment);
    item->put_Start(Ole(2026, 4, 6, 9, 0));
    item->put_Duration(2 * 1440);
    ComRef<IRecurrencePattern> pattern = Recurring(item, olRecursDaily);
    EXPECT_EQ(item->Save(), E_INVALIDDATES);
    item->put_Duration(30);
    item->put_ReminderSet(VARIANT_TRUE);
    item->put_ReminderMinutesBeforeStart(2 * 1440);
    EXPECT_EQ(item->Save(), E_INVALIDREMINDERTIME);
    item->put_ReminderMinutesBeforeStart(15);
    EXPECT_EQ(item->Save(), S_OK);

    // A pattern that cannot be read is left as it is.
    ComRef<IAppointment> unreadable = MakeItem<IAppointment>(kAppointmentsDatabase, 0, MakeOutlookAppointment);
    const CEOID garbled = SaveAndClose(unreadable);
    const BYTE garbage[] = {0x04, 0x30, 0x04, 0x30, 0x99, 0x99};
    ASSERT_TRUE(WriteRaw(kAppointmentsDatabase, garbled,
                         {cedbtest::Blob(PropIdNumber(kAppointmentRecurrencePattern), garbage, sizeof garbage)}));

    ComRef<IAppointment> edit = OpenAppointment(garbled);
    EXPECT_EQ(Get(edit, &IAppointment::get_IsRecurring), VARIANT_FALSE);
    PutText(edit, &IAppointment::put_Subject, u"Edited");
    ASSERT_EQ(edit->Save(), S_OK);
    edit.Reset();
    EXPECT_EQ(ReadRaw(kAppointmentsDatabase, garbled, kAppointmentRecurrencePattern).bytes,
              std::vector<BYTE>(garbage, garbage + sizeof garbage));
}

// ---- Changing and deleting occurrences ------------------------------------

TEST_F(OutlookRecurrenceTest, ChangedOccurrenceBecomesAnExceptionWithOnlyItsChangedFields)
{
    const CEOID oid = SaveWeeklyMeeting();
    ComRef<IAppointment> occurrence = Occurrence(oid, Ole(2026, 3, 16));
    ASSERT_NE(occurrence.Get(), nullptr);
    EXPECT_DATE(Get(occurrence, &IAppointment::get_Start), Ole(2026, 3, 16, 10, 0));
    PutText(occurrence, &IAppointment::put_Subject, u"Standup (moved)");
    occurrence->put_Start(Ole(2026, 3, 17, 14, 0));  // Tuesday afternoon
    occurrence->put_BusyStatus(olTentative);
    ASSERT_EQ(occurrence->Save(), S_OK);
    EXPECT_EQ(OidOf(occurrence), oid);
    occurrence.Reset();

    const platform::RecurrencePatternBlob blob = StoredBlob(oid);
    platform::RecurrenceExceptionInfo info;  // nothing else (the location, all day) changed
    info.originalStartDate = Midnight(2026, 3, 16) + 600;
    info.startDateTime = Midnight(2026, 3, 17) + 14 * 60;
    info.endDateTime = Midnight(2026, 3, 17) + 15 * 60;
    info.subject = u"Standup (moved)";
    info.busyStatus = olTentative;
    EXPECT_EQ(blob.exceptions, std::vector{info});
    EXPECT_EQ(blob.deletedInstanceDates, std::vector<DWORD>{Midnight(2026, 3, 16)});
    EXPECT_EQ(blob.modifiedInstanceDates, std::vector<DWORD>{Midnight(2026, 3, 17)});

    platform::CloseObjectStore();
    Occurrence(oid, Ole(2026, 3, 16), E_FAIL);
    ComRef<IAppointment> moved = Occurrence(oid, Ole(2026, 3, 17));
    ASSERT_NE(moved.Get(), nullptr);
    EXPECT_EQ(Text(moved, &IAppointment::get_Subject), u"Standup (moved)");
    EXPECT_EQ(Text(moved, &IAppointment::get_Location), u"Hall");
    moved.Reset();

    ComRef<IAppointment> series = OpenAppointment(oid);
    ComRef<IRecurrencePattern> pattern;
    series->GetRecurrencePattern(pattern.Put());
    ComRef<IExceptions> exceptions;
    pattern->get_Exceptions(exceptions.Put());
    ASSERT_EQ(Get(exceptions, &IExceptions::get_Count), 1);
    ComRef<IException> exception;
    exceptions->Item(1, exception.Put());
    EXPECT_EQ(Get(exception, &IException::get_Deleted), VARIANT_FALSE);
    EXPECT_DATE(Get(exception, &IException::get_OriginalDate), Ole(2026, 3, 16, 10, 0));
    ComRef<IAppointment> changed;
    ASSERT_EQ(exception->get_AppointmentItem(changed.Put()), S_OK);
    EXPECT_EQ(Text(changed, &IAppointment::get_Subject), u"Standup (moved)");
}

TEST_F(OutlookRecurrenceTest, DeletedOccurrencesAreListedAndNotFoundAndClearingDropsTheBlob)
{
    const CEOID oid = SaveWeeklyMeeting();
    ComRef<IAppointment> occurrence = Occurrence(oid, Ole(2026, 3, 9));
    ASSERT_EQ(occurrence->Delete(), S_OK);
    occurrence.Reset();
    // A changed occurrence that is then deleted leaves only its deleted date.
    ComRef<IAppointment> changed = Occurrence(oid, Ole(2026, 3, 23));
    PutText(changed, &IAppointment::put_Subject, u"Other");
    ASSERT_EQ(changed->Save(), S_OK);
    ASSERT_EQ(changed->Delete(), S_OK);
    changed.Reset();

    const platform::RecurrencePatternBlob blob = StoredBlob(oid);
    EXPECT_EQ(blob.deletedInstanceDates, (std::vector<DWORD>{Midnight(2026, 3, 9), Midnight(2026, 3, 23)}));
    EXPECT_TRUE(blob.modifiedInstanceDates.empty());
    EXPECT_TRUE(blob.exceptions.empty());
    Occurrence(oid, Ole(2026, 3, 9), E_FAIL);
    Occurrence(oid, Ole(2026, 3, 10), E_FAIL);  // a Tuesday: no occurrence at all
    EXPECT_NE(Occurrence(oid, Ole(2026, 3, 30)).Get(), nullptr);

    ComRef<IAppointment> item = OpenAppointment(oid);
    ASSERT_EQ(item->ClearRecurrencePattern(), S_OK);
    ASSERT_EQ(item->Save(), S_OK);
    EXPECT_EQ(Get(item, &IAppointment::get_IsRecurring), VARIANT_FALSE);
    item.Reset();
    EXPECT_FALSE(ReadRaw(kAppointmentsDatabase, oid, kAppointmentRecurrencePattern).found);
}

TEST_F(OutlookRecurrenceTest, MovesOntoOrPastNeighboursAndChangesInADeletedSeriesAreRefused)
{
    const CEOID oid = SaveWeeklyMeeting();
    const std::vector<BYTE> before = ReadRaw(kAppointmentsDatabase, oid, kAppointmentRecurrencePattern).bytes;
    struct Case {
        DATE newStart;
        HRESULT expected;
    } cases[] = {
        {Ole(2026, 3, 23, 15, 0), E_EXCEPTIONSAMEDAY},  // the next Monday
        {Ole(2026, 3, 9, 8, 0), E_EXCEPTIONSAMEDAY},    // the previous Monday
        {Ole(2026, 3, 25, 10, 0), E_CANTCHANGEDATE},    // past the next one
        {Ole(2026, 3, 5, 10, 0), E_CANTCHANGEDATE},     // before the previous one
    };
    for (const Case& c : cases) {
        ComRef<IAppointment> occurrence = Occurrence(oid, Ole(2026, 3, 16));
        occurrence->put_Start(c.newStart);
        EXPECT_EQ(occurrence->Save(), c.expected);
    }
    ComRef<IAppointment> occurrence = Occurrence(oid, Ole(2026, 3, 16));
    occurrence->put_Start(Ole(2026, 3, 20, 10, 0));
    occurrence->put_Duration(4 * 1440);
    EXPECT_EQ(occurrence->Save(), E_OVERLAPPINGEXCEPTION);
    occurrence.Reset();
    EXPECT_EQ(ReadRaw(kAppointmentsDatabase, oid, kAppointmentRecurrencePattern).bytes, before);

    // Occurrences of a deleted series cannot be changed.
    ComRef<IAppointment> series = OpenAppointment(oid);
    ComRef<IRecurrencePattern> pattern;
    series->GetRecurrencePattern(pattern.Put());
    ASSERT_EQ(pattern->GetOccurrence(Ole(2026, 3, 9), occurrence.Put()), S_OK);
    pattern.Reset();
    ASSERT_EQ(series->Delete(), S_OK);
    PutText(occurrence, &IAppointment::put_Subject, u"Orphan");
    EXPECT_EQ(occurrence->Save(), E_FAIL);
    EXPECT_EQ(occurrence->Delete(), E_FAIL);
    EXPECT_EQ(series->Save(), E_FAIL);
    occurrence.Reset();
    series.Reset();
    EXPECT_EQ(RecordCount(kAppointmentsDatabase), 0);
}

// ---- Own zones and all-day entries ----------------------------------------

TEST_F(OutlookRecurrenceTest, OwnZoneKeepsTheWallClockOfThatZoneAndAllDayEntriesTheDeviceDays)
{
    CEOID oid = SaveInZoneBehind(Ole(2026, 5, 4, 15, 0), olRecursDaily);  // 10:00 in the zone
    platform::RecurrencePatternBlob blob = StoredBlob(oid);
    EXPECT_EQ(blob.startTimeOffset, 600u);
    EXPECT_EQ(blob.startDate, Midnight(2026, 5, 4));
    ComRef<IAppointment> occurrence = Occurrence(oid, Ole(2026, 5, 6));
    ASSERT_NE(occurrence.Get(), nullptr);
    EXPECT_DATE(Get(occurrence, &IAppointment::get_Start), Ole(2026, 5, 6, 15, 0));
    occurrence.Reset();

    // All-day entries keep their stored days: the zone must not pull them to the day before.
    oid = SaveInZoneBehind(Ole(2026, 3, 2), olRecursWeekly, true);  // a Monday
    blob = StoredBlob(oid);
    EXPECT_EQ(blob.weekdayMask, static_cast<DWORD>(olMonday));
    EXPECT_EQ(blob.startDate, Midnight(2026, 3, 2));
    EXPECT_EQ(blob.startTimeOffset, 0u);
    EXPECT_EQ(blob.endTimeOffset, 1440u);

    // A timed change of one occurrence is on the zone's clock again.
    ComRef<IAppointment> timed = Occurrence(oid, Ole(2026, 3, 9));
    ASSERT_NE(timed.Get(), nullptr);
    timed->put_AllDayEvent(VARIANT_FALSE);
    timed->put_Start(Ole(2026, 3, 9, 15, 0));
    timed->put_Duration(60);
    ASSERT_EQ(timed->Save(), S_OK);
    timed.Reset();
    blob = StoredBlob(oid);
    ASSERT_EQ(blob.exceptions.size(), 1u);
    EXPECT_EQ(blob.exceptions[0].startDateTime, Midnight(2026, 3, 9) + 600);
    EXPECT_EQ(blob.exceptions[0].originalStartDate, Midnight(2026, 3, 9));
    for (DATE start : {Ole(2026, 3, 9, 15, 0), Ole(2026, 3, 16)}) {
        ComRef<IAppointment> shown = Occurrence(oid, std::floor(start));
        ASSERT_NE(shown.Get(), nullptr);
        EXPECT_DATE(Get(shown, &IAppointment::get_Start), start);
    }
}

// ---- All-day changes and unreadable patterns ------------------------------

TEST_F(OutlookRecurrenceTest, AllDayChangesAreFlaggedAndRefusedForMeetings)
{
    const CEOID oid = SaveWeeklyMeeting();
    ComRef<IAppointment> occurrence = Occurrence(oid, Ole(2026, 3, 9));
    occurrence->put_AllDayEvent(VARIANT_TRUE);
    ASSERT_EQ(occurrence->Save(), S_OK);
    occurrence.Reset();
    platform::RecurrencePatternBlob blob = StoredBlob(oid);
    ASSERT_EQ(blob.exceptions.size(), 1u);
    EXPECT_EQ(blob.exceptions[0].allDay, std::optional<bool>(true));
    EXPECT_EQ(blob.exceptions[0].startDateTime, Midnight(2026, 3, 9)) << "an all-day occurrence starts at midnight";
    EXPECT_EQ(blob.exceptions[0].endDateTime, Midnight(2026, 3, 10));
    EXPECT_FALSE(blob.exceptions[0].subject.has_value());

    // Put back as the series has it, the change disappears altogether.
    occurrence = Occurrence(oid, Ole(2026, 3, 9));
    occurrence->put_AllDayEvent(VARIANT_FALSE);
    occurrence->put_Start(Ole(2026, 3, 9, 10, 0));
    occurrence->put_Duration(60);
    ASSERT_EQ(occurrence->Save(), S_OK);
    occurrence.Reset();
    blob = StoredBlob(oid);
    EXPECT_TRUE(blob.exceptions.empty());
    EXPECT_TRUE(blob.deletedInstanceDates.empty());
    EXPECT_TRUE(blob.modifiedInstanceDates.empty());

    // A meeting's occurrence cannot become all day on its own.
    ComRef<IAppointment> series = OpenAppointment(oid);
    AddAttendee(series, u"Dee");
    ASSERT_EQ(series->Save(), S_OK);
    series.Reset();
    occurrence = Occurrence(oid, Ole(2026, 3, 9));
    occurrence->put_AllDayEvent(VARIANT_TRUE);
    EXPECT_EQ(occurrence->Save(), E_ALLDAYMEETING);
    occurrence.Reset();
    EXPECT_TRUE(StoredBlob(oid).exceptions.empty());
}

// ---- Against libical ------------------------------------------------------

// Every day of a stretch is an occurrence exactly when libical lists it, on the device's days.
namespace oracle {

// Occurrences on the wall clock's day d start on device day d + dayShift at deviceHour.
void ExpectOccurrencesAsLibical(int rules, int deviceHour, const TIME_ZONE_INFORMATION* zone, int dayShift)
{
    std::mt19937 rng(4501 + deviceHour);
    for (int i = 0; i < rules; ++i) {
        platform::RecurrenceRule r = recurrule::RandomRecurrenceRule(rng, recurrule::kSeriesSpan);
        r.firstDayOfWeek = 0;  // the object model's weeks run from Sunday
        const int span = r.type == olRecursDaily || r.type == olRecursWeekly ? 120 : 800;
        const platform::RecurrenceDay first = r.patternStartDay - 3, last = r.patternStartDay + span;
        const std::vector<platform::RecurrenceDay> days = icaloracle::IcalDays(r, span + 1, last);
        const std::set<platform::RecurrenceDay> expected(days.begin(), days.end());
        const ComRef<IAppointment> item =
            MakeSeries(r, OleDayOf(r.patternStartDay + dayShift) + deviceHour / 24.0, zone);
        ComRef<IRecurrencePattern> p;
        item->GetRecurrencePattern(p.Put());
        const std::string what = "rule " + std::to_string(i) + ": " + icaloracle::RRuleOf(r);
        size_t found = 0;
        for (platform::RecurrenceDay day = first; day <= last; ++day) {
            const DATE deviceDay = OleDayOf(day + dayShift);
            ComRef<IAppointment> occurrence;
            const HRESULT hr = p->GetOccurrence(deviceDay + 0.5, occurrence.Put());
            ASSERT_EQ(hr, expected.count(day) ? S_OK : E_FAIL) << what << ", day " << day - r.patternStartDay;
            if (!occurrence) continue;
            ++found;
            EXPECT_NEAR(Get(occurrence, &IAppointment::get_Start), deviceDay + deviceHour / 24.0, 1e-6) << what;
        }
        EXPECT_EQ(found, expected.size()) << what;
    }
}

}  // namespace oracle

TEST_F(OutlookRecurrenceTest, GetOccurrenceAgreesWithLibicalAlsoInOwnZones)
{
    // 22:00 five hours behind UTC is 03:00 the next day on the device.
    TIME_ZONE_INFORMATION zone{};
    zone.Bias = 300;
    oracle::ExpectOccurrencesAsLibical(100, 3, &zone, 1);
    ASSERT_TRUE(platform::SetDeviceTimeZone(u"Europe/Berlin"));
    oracle::ExpectOccurrencesAsLibical(300, 9, nullptr, 0);
}

}  // namespace
