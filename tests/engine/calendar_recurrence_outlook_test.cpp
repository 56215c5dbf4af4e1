// Series written through the object model, some of their occurrences
// deleted or changed there, then read back by the calendar's expander: every
// day of a stretch shows an entry exactly when the object model's
// GetOccurrence finds an occurrence, at the same times and with the same
// changes.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "tests/engine/calendar_recurrence_fixture.h"
#include "tests/platform/objectmodel/outlook_item_test_support.h"
#include "tests/support/recurrence_ical_oracle.h"
#include "tests/support/recurrence_random_rule.h"

using namespace outlooktest;
using platform::RecurrenceDay;

namespace {

// Deletes some occurrences of a saved series and changes others: a new
// subject, location, busy status or all-day flag, moved by up to three days,
// made up to two days long. Moves the object model refuses leave the series
// as it was.
void ChangeSomeOccurrences(IAppointment* series, RecurrenceDay first, RecurrenceDay last, std::mt19937& rng)
{
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    ComRef<IRecurrencePattern> p;
    series->GetRecurrencePattern(p.Put());
    for (int tries = 0, changed = 0; tries < 400 && changed < 6; ++tries) {
        ComRef<IAppointment> o;
        if (FAILED(p->GetOccurrence(OleDayOf(pick(first, last)) + 0.5, o.Put()))) continue;
        ++changed;
        const int what = pick(0, 5);
        if (what == 0) {
            o->Delete();
        } else {
            if (what == 1) PutText(o, &IAppointment::put_Subject, u"Changed");
            if (what == 2) PutText(o, &IAppointment::put_Location, u"Elsewhere");
            if (what == 3) o->put_BusyStatus(olFree);
            if (what == 5) o->put_AllDayEvent(VARIANT_TRUE);
            const DATE start = Get(o, &IAppointment::get_Start);
            if (pick(0, 1)) o->put_Start(start + pick(-72, 72) / 24.0);
            if (pick(0, 3) == 0) o->put_Duration(pick(10, 3000));
            o->Save();
        }
    }
}

class CalendarRecurrenceFromOutlook : public OutlookItemTest {};

TEST_F(CalendarRecurrenceFromOutlook, EntriesAreTheOccurrencesGetOccurrenceFinds)
{
    std::mt19937 rng(1468);
    int compared = 0;
    for (int i = 0; i < 300; ++i) {
        platform::RecurrenceRule r = recurrule::RandomRecurrenceRule(rng, recurrule::kSeriesSpan);
        r.firstDayOfWeek = 0;  // the object model's weeks run from Sunday
        ComRef<IAppointment> item = MakeSeries(r, OleDayOf(r.patternStartDay) + 9.5 / 24, nullptr);
        if (item->Save() != S_OK) continue;  // a date-ended rule without any occurrence
        const CEOID oid = OidOf(item);
        const int span = r.type == olRecursDaily || r.type == olRecursWeekly ? 120 : 1500;
        const RecurrenceDay first = r.patternStartDay - 3, last = r.patternStartDay + span;
        ChangeSomeOccurrences(item.Get(), first + 5, last - 5, rng);
        item.Reset();

        const std::string what = "rule " + std::to_string(i) + ": " + icaloracle::RRuleOf(r);
        const ComRef<IAppointment> series = MakeItem<IAppointment>(kAppointmentsDatabase, oid, MakeOutlookAppointment);
        const std::vector<BYTE> blob = ReadRaw(kAppointmentsDatabase, oid, kAppointmentRecurrencePattern).bytes;
        const std::int64_t firstOle = static_cast<std::int64_t>(OleDayOf(first));
        const std::int64_t lastOle = static_cast<std::int64_t>(OleDayOf(last));
        const recurtest::Series record{Get(series, &IAppointment::get_Start), false,
                                       Get(series, &IAppointment::get_BusyStatus)};
        const recurtest::Expansion expansion =
            recurtest::ExpandStored(blob, {}, record, firstOle, lastOle, recurtest::FixedZone(0));
        ASSERT_EQ(expansion.result, kRecurrenceUsable) << what;
        std::map<std::int64_t, recurtest::Entry> byDay;
        for (const recurtest::Entry& e : expansion.entries) {
            if (e.day >= firstOle) {
                ASSERT_TRUE(byDay.emplace(e.day, e).second) << what << ": two entries on a day";
            }
        }
        ++compared;

        ComRef<IRecurrencePattern> p;
        series->GetRecurrencePattern(p.Put());
        for (std::int64_t day = firstOle; day <= lastOle; ++day) {
            ComRef<IAppointment> o;
            const HRESULT hr = p->GetOccurrence(static_cast<DATE>(day) + 0.5, o.Put());
            const auto entry = byDay.find(day);
            ASSERT_EQ(hr, entry == byDay.end() ? E_FAIL : S_OK) << what << ", day " << day - firstOle - 3;
            if (!o) continue;
            const recurtest::Entry& e = entry->second;
            const bool allDay = Get(o, &IAppointment::get_AllDayEvent) == VARIANT_TRUE;
            EXPECT_EQ(e.allDay, allDay) << what;
            EXPECT_NEAR(Get(o, &IAppointment::get_Start) * 1440, static_cast<double>(e.start), 0.01) << what;
            if (!allDay) {
                EXPECT_NEAR(Get(o, &IAppointment::get_End) * 1440, static_cast<double>(e.end), 0.01) << what;
            }
            EXPECT_EQ(Text(o, &IAppointment::get_Subject) == u"Changed", e.subject == "Changed") << what;
            EXPECT_EQ(Text(o, &IAppointment::get_Location) == u"Elsewhere", e.location == "Elsewhere") << what;
            EXPECT_EQ(Get(o, &IAppointment::get_BusyStatus), e.busyStatus) << what;
        }
    }
    EXPECT_GT(compared, 250);
}

}  // namespace
