#include "platform/objectmodel/outlook_appointment.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/objectmodel/outlook_meeting_notices.h"
#include "platform/objectmodel/outlook_recipients.h"
#include "platform/objectmodel/outlook_zone.h"
#include "tests/platform/objectmodel/outlook_item_test_support.h"

using namespace outlooktest;

namespace {

ComRef<IAppointment> NewAppointment()
{
    return MakeItem<IAppointment>(kAppointmentsDatabase, 0, MakeOutlookAppointment);
}
ComRef<IAppointment> OpenAppointment(CEOID oid)
{
    return MakeItem<IAppointment>(kAppointmentsDatabase, oid, MakeOutlookAppointment);
}

RawProp Raw(CEOID oid, CEPROPID id) { return ReadRaw(kAppointmentsDatabase, oid, id); }
std::uint64_t RawTime(CEOID oid, CEPROPID id) { return platform::FileTimeValue(Raw(oid, id).val.val.filetime); }

using OutlookAppointmentTest = OutlookItemTest;

// The conversion itself is tested with OutlookLocalDateToUtc.
TEST_F(OutlookAppointmentTest, StartIsStoredInUtcThroughTheDeviceZone)
{
    ASSERT_TRUE(platform::SetDeviceTimeZone(u"America/New_York"));
    ComRef<IAppointment> item = NewAppointment();
    item->put_Start(Ole(2026, 7, 1, 10, 0));
    const CEOID oid = SaveAndClose(item);
    EXPECT_EQ(RawTime(oid, kAppointmentStart), platform::FileTimeValue(LocalFileTime(2026, 7, 1, 14, 0)));
    ComRef<IAppointment> read = OpenAppointment(oid);
    EXPECT_DATE(Get(read, &IAppointment::get_Start), Ole(2026, 7, 1, 10, 0));
}

TEST_F(OutlookAppointmentTest, EveryPropertyRoundTripsThroughTheModelTheRecordAndTheAttendeeBlob)
{
    ComRef<IAppointment> item = NewAppointment();
    EXPECT_EQ(Get(item, &IAppointment::get_BusyStatus), olBusy) << "a new appointment is busy";
    PutText(item, &IAppointment::put_Subject, u"Review");
    PutText(item, &IAppointment::put_Location, u"Room 4");
    PutText(item, &IAppointment::put_Body, u"Agenda");
    item->put_Start(Ole(2026, 6, 2, 9, 15));
    item->put_End(Ole(2026, 6, 2, 10, 45));
    item->put_BusyStatus(olOutOfOffice);
    item->put_Sensitivity(olPrivate);
    item->put_ReminderSet(VARIANT_TRUE);
    item->put_ReminderMinutesBeforeStart(30);
    AddAttendee(item, u"Ann", u"ann@example.org");
    AddAttendee(item, u"Bob");
    TIME_ZONE_INFORMATION zone{};
    zone.Bias = 300;
    zone.DaylightBias = -60;
    zone.StandardDate = SYSTEMTIME{0, 11, 0, 1, 2, 0, 0, 0};
    zone.DaylightDate = SYSTEMTIME{0, 3, 0, 2, 2, 0, 0, 0};
    ASSERT_EQ(item->put_TimeZone(&zone), S_OK);
    PutText(item, &IAppointment::put_Categories, u"Travel");
    const CEOID oid = SaveAndClose(item);
    platform::CloseObjectStore();

    ComRef<IAppointment> read = OpenAppointment(oid);
    EXPECT_EQ(Text(read, &IAppointment::get_Subject), u"Review");
    EXPECT_EQ(Text(read, &IAppointment::get_Location), u"Room 4");
    EXPECT_EQ(Text(read, &IAppointment::get_Body), u"Agenda");
    EXPECT_EQ(Text(read, &IAppointment::get_Categories), u"Travel");
    EXPECT_DATE(Get(read, &IAppointment::get_Start), Ole(2026, 6, 2, 9, 15));
    EXPECT_DATE(Get(read, &IAppointment::get_End), Ole(2026, 6, 2, 10, 45));
    EXPECT_EQ(Get(read, &IAppointment::get_Duration), 90);
    EXPECT_EQ(Get(read, &IAppointment::get_BusyStatus), olOutOfOffice);
    EXPECT_EQ(Get(read, &IAppointment::get_Sensitivity), olPrivate);
    EXPECT_EQ(Get(read, &IAppointment::get_ReminderMinutesBeforeStart), 30);
    EXPECT_EQ(Get(read, &IAppointment::get_MeetingStatus), olMeeting);
    EXPECT_EQ(Get(read, &IAppointment::get_ReminderSet), VARIANT_TRUE);
    EXPECT_EQ(Get(read, &IAppointment::get_AllDayEvent), VARIANT_FALSE);
    TIME_ZONE_INFORMATION back{};
    EXPECT_EQ(read->get_TimeZone(&back), S_OK);
    EXPECT_EQ(std::memcmp(&back, &zone, sizeof zone), 0);
    ComRef<IRecipients> attendees;
    read->get_Recipients(attendees.Put());
    ASSERT_EQ(Get(attendees, &IRecipients::get_Count), 2);
    ComRef<IRecipient> one;
    attendees->Item(1, one.Put());
    EXPECT_EQ(Text(one, &IRecipient::get_Address), u"ann@example.org");
    one.Reset();
    attendees.Reset();
    read.Reset();

    EXPECT_EQ(Raw(oid, kAppointmentDuration).val.val.lVal, 90);
    EXPECT_EQ(Raw(oid, kAppointmentBusyStatus).val.val.iVal, 3);
    EXPECT_EQ(Raw(oid, kAppointmentSensitivity).val.val.iVal, 2);
    EXPECT_EQ(Raw(oid, kAppointmentReminderMinutes).val.val.lVal, 30);
    EXPECT_EQ(Raw(oid, kAppointmentLocation).text, u"Room 4");
    const std::vector<BYTE> meeting = Raw(oid, kAppointmentAttendees).bytes;
    ASSERT_GE(meeting.size(), 10u) << "readers tell a meeting by a blob longer than 4 bytes";
    EXPECT_EQ(meeting[0], 2);  // count
    EXPECT_EQ(meeting[4], 3);  // "Ann"
    EXPECT_EQ(meeting[6], 'A');
    EXPECT_EQ(Raw(oid, kItemCategories).bytes, (std::vector<BYTE>{0x01, 0, 0, 0}));
    EXPECT_EQ(Raw(oid, kItemNote).bytes, (std::vector<BYTE>{'A', 'g', 'e', 'n', 'd', 'a', 0}));
    const std::vector<BYTE> zoneBlob = Raw(oid, kAppointmentTimeZone).bytes;
    ASSERT_EQ(zoneBlob.size(), 48u);
    EXPECT_EQ(zoneBlob[0] | (zoneBlob[1] << 8), 300) << "the field offsets are tested with OutlookZoneBlob";

    // All-day events start at midnight and last whole days.
    item = NewAppointment();
    item->put_Start(Ole(2026, 8, 3, 10, 30));
    item->put_Duration(30 + 1440);  // into the next day
    item->put_AllDayEvent(VARIANT_TRUE);
    ASSERT_EQ(item->Save(), S_OK);
    EXPECT_DATE(Get(item, &IAppointment::get_Start), Ole(2026, 8, 3));
    EXPECT_EQ(Get(item, &IAppointment::get_Duration), 2 * 1440);
    const CEOID allDay = OidOf(item);
    item.Reset();
    EXPECT_EQ(Raw(allDay, kAppointmentAllDay).val.val.lVal, 1);
    EXPECT_EQ(RawTime(allDay, kAppointmentStart), platform::FileTimeValue(LocalFileTime(2026, 8, 3)));

    OutlookAttendeeList list;
    list.push_back(std::make_shared<OutlookAttendee>(OutlookAttendee{u"Zoë", u""}));
    list.push_back(std::make_shared<OutlookAttendee>(OutlookAttendee{u"", u"x@y"}));
    const std::vector<BYTE> blob = EncodeOutlookAttendees(list);
    EXPECT_EQ(blob.size(), 4u + (2 + 6 + 2) + (2 + 2 + 6));
    const std::optional<OutlookAttendeeList> decoded = DecodeOutlookAttendees(blob);
    ASSERT_EQ(decoded.value_or(OutlookAttendeeList{}).size(), 2u);
    EXPECT_EQ((*decoded)[0]->name, u"Zoë");
    EXPECT_EQ((*decoded)[1]->address, u"x@y");
    EXPECT_FALSE(DecodeOutlookAttendees(std::vector<BYTE>(blob.begin(), blob.end() - 1)).has_value());
    std::vector<BYTE> longer = blob;
    longer.push_back(0);
    EXPECT_FALSE(DecodeOutlookAttendees(longer).has_value());
    EXPECT_TRUE(EncodeOutlookAttendees({}).empty());
}

TEST_F(OutlookAppointmentTest, InvalidValuesFailTheSaveAndLeaveTheRecord)
{
    ComRef<IAppointment> item = NewAppointment();
    PutText(item, &IAppointment::put_Subject, u"Kept");
    item->put_Start(Ole(2026, 9, 1, 12, 0));
    ASSERT_EQ(item->Save(), S_OK);
    const CEOID oid = OidOf(item);

    PutText(item, &IAppointment::put_Subject, u"Lost");
    item->put_End(Ole(2026, 9, 1, 11, 0));
    EXPECT_EQ(item->Save(), E_INVALIDDATES) << "end before start";
    item->put_Duration(60);
    item->put_ReminderSet(VARIANT_TRUE);
    item->put_ReminderMinutesBeforeStart(-5);
    EXPECT_EQ(item->Save(), E_INVALIDREMINDERTIME);
    item->put_ReminderSet(VARIANT_FALSE);
    item->put_Start(Ole(3100, 1, 1));
    EXPECT_EQ(item->Save(), E_INVALIDDATES);
    EXPECT_EQ(item->put_BusyStatus(4), E_INVALIDARG);
    EXPECT_EQ(item->put_Sensitivity(1), E_INVALIDARG);
    TIME_ZONE_INFORMATION bad{};
    bad.StandardDate.wMonth = 13;
    bad.DaylightDate.wMonth = 3;
    EXPECT_EQ(item->put_TimeZone(&bad), E_INVALIDARG);
    item.Reset();

    EXPECT_EQ(Raw(oid, kAppointmentSubject).text, u"Kept");
    EXPECT_EQ(RawTime(oid, kAppointmentStart), platform::FileTimeValue(LocalFileTime(2026, 9, 1, 12, 0)));
    EXPECT_EQ(Raw(oid, kAppointmentDuration).val.val.lVal, 60);
}

TEST_F(OutlookAppointmentTest, SendAndCancelTellTheAttendees)
{
    OutlookMeetingNotices::Clear();
    ComRef<IAppointment> item = NewAppointment();
    EXPECT_EQ(item->Send(), E_FAIL) << "nobody to tell";
    EXPECT_EQ(item->Cancel(), E_FAIL);
    PutText(item, &IAppointment::put_Subject, u"Planning");
    AddAttendee(item, u"Cy", u"cy@example.org");
    ASSERT_EQ(item->Send(), S_OK);
    ASSERT_EQ(item->Cancel(), S_OK);
    const CEOID oid = OidOf(item);
    item.Reset();

    const std::vector<OutlookMeetingNotice> notices = OutlookMeetingNotices::All();
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_FALSE(notices[0].cancelled);
    EXPECT_TRUE(notices[1].cancelled);
    EXPECT_EQ(notices[0].oid, oid);
    EXPECT_EQ(notices[0].subject, u"Planning");
    EXPECT_EQ(notices[1].addresses, std::vector<std::u16string>{u"cy@example.org"});
    ComRef<IAppointment> read = OpenAppointment(oid);
    EXPECT_EQ(Get(read, &IAppointment::get_MeetingStatus), olMeetingCanceled);
}

}  // namespace
