// The appointment item: what it saves is read back behind it through the object model and by the
// calendar loader; questions are answered by the scripted host.
#include <gtest/gtest.h>

#include <algorithm>

#include "categories/c_full_category.h"
#include "engine/calendar_thread.h"
#include "items/app_task_tools.h"
#include "items/appointment_alarms.h"
#include "items/c_appointment.h"
#include "items/c_links.h"
#include "platform/objectmodel/outlook_meeting_notices.h"
#include "platform/objectstore/user_notifications.h"
#include "platform/time/variant_time.h"
#include "tests/engine/test_loader.h"
#include "tests/items/item_test_support.h"
#include "tests/support/scripted_ui_host.h"

using namespace itemtest;

namespace {

constexpr const WCHAR* kCav = u"Software\\Corvid\\Kestrel\\CAV";

class AppointmentItemTest : public ItemSandbox {
protected:
    long NewAppointment(const std::u16string& subject, double start, LONG minutes = 60)
    {
        CAppointment appointment;
        EXPECT_TRUE(appointment.Create(start, subject.c_str(), minutes, nullptr, false));
        EXPECT_TRUE(appointment.Save());
        return appointment.Oid();
    }
    static CAppointment Loaded(long oid, double date = kNoOleDate, bool occurrence = false)
    {
        CAppointment appointment;
        EXPECT_TRUE(appointment.ReadOID(oid, date, occurrence));
        EXPECT_TRUE(appointment.LoadData());
        return appointment;
    }
    std::u16string StoredSubject(long oid) { return Text(Open<IAppointment>(oid).Get(), &IAppointment::get_Subject); }
    LONG StoredPattern(long oid, HRESULT (IRecurrencePattern::*getter)(LONG*))
    {
        ComRef<IRecurrencePattern> pattern;
        EXPECT_EQ(Open<IAppointment>(oid)->GetRecurrencePattern(pattern.Put()), S_OK);
        LONG value = -1;
        (pattern.Get()->*getter)(&value);
        return value;
    }
    long WeeklyMeeting()
    {
        CAppointment meeting;
        EXPECT_TRUE(meeting.Create(today + 1 + 10.0 / 24, u"Stand-up", 15, nullptr, false));
        EXPECT_TRUE(meeting.AddAttendee(u"Ann", u"ann@example.org"));
        AppointmentRecurrence weekly;
        weekly.type = olRecursWeekly;
        weekly.dayOfWeekMask = 1 << 2;  // Tuesday, the first day
        meeting.SetRecurrence(weekly);
        host.QueueAnswer(IDNO);  // no update to the attendees yet
        EXPECT_TRUE(meeting.Save());
        return meeting.Oid();
    }
    ScriptedUiHost host;
};

TEST_F(AppointmentItemTest, ANewAppointmentWithoutStartIsAtEightTodayBusyWithTheDefaultReminder)
{
    CAppointment appointment;
    POOMCREATEITEM request;
    request.subject = u"Plan";
    request.duration = 45;
    ASSERT_TRUE(appointment.Create(&request));
    EXPECT_DOUBLE_EQ(appointment.Start(), today + 8.0 / 24);
    EXPECT_EQ(appointment.Duration(), 45);
    EXPECT_EQ(appointment.BusyStatus(), olBusy);
    EXPECT_TRUE(appointment.ReminderSet());
    EXPECT_EQ(appointment.ReminderMinutes(), 15);
    ASSERT_TRUE(appointment.Save());
    CAppointment stored = Loaded(appointment.Oid());
    EXPECT_NEAR(stored.Start(), today + 8.0 / 24, 1e-6);
    EXPECT_EQ(stored.ReminderMinutes(), 15);

    // Other defaults: none at or above 949997, any number of minutes below.
    for (const auto& [setting, set, minutes] : {std::tuple{949997, false, 0}, std::tuple{30, true, 30}}) {
        SetSetting(kCav, u"ReminderDefaultTime", setting);
        CAppointment made;
        ASSERT_TRUE(made.Create(today + 0.5, u"x", 30, nullptr, false));
        EXPECT_EQ(made.ReminderSet(), set) << setting;
        EXPECT_EQ(made.ReminderMinutes(), minutes) << setting;
    }
}

TEST_F(AppointmentItemTest, TheMarkedSubjectRoundTripsAndAMarkedAppointmentHasNoReminder)
{
    const long oid = NewAppointment(u"x", today + 0.5);
    auto item = Open<IAppointment>(oid);
    ASSERT_EQ(item->put_Subject(OwnedBstr(u"<\u2022>Lunch</\u2022>")), S_OK);
    ASSERT_EQ(item->put_ReminderSet(VARIANT_TRUE), S_OK);
    ASSERT_EQ(item->Save(), S_OK);

    CAppointment marked = Loaded(oid);
    EXPECT_EQ(marked.Subject(), u"Lunch");
    EXPECT_TRUE(marked.IsMarked());
    ASSERT_TRUE(marked.Save());
    EXPECT_EQ(StoredSubject(oid), u"<\u2022>Lunch</\u2022>");
    VARIANT_BOOL reminder = VARIANT_TRUE;
    Open<IAppointment>(oid)->get_ReminderSet(&reminder);
    EXPECT_EQ(reminder, VARIANT_FALSE);

    struct {
        std::u16string stored;
        bool templateDay;
        std::u16string subject, templateName;
        bool marked;
    } const cases[] = {
        {u"<\u2022>Lunch", false, u"<\u2022>Lunch", u"", false},  // no closing mark
        {u"<\u2022>A</\u2022> B", false, u"A B", u"", true},
        {u"[TEMPLATE:Weekly]Team meeting", true, u"Team meeting", u"Weekly", false},
        {u"[TEMPLATE:Weekly]Team meeting", false, u"[TEMPLATE:Weekly]Team meeting", u"", false},
        {u"[TEMPLATE:Weekly", true, u"[TEMPLATE:Weekly", u"", false},
    };
    for (const auto& c : cases) {
        bool isMarked = false;
        std::u16string name;
        EXPECT_EQ(CAppointment::SplitSubject(c.stored, c.templateDay, isMarked, name), c.subject);
        EXPECT_EQ(name, c.templateName);
        EXPECT_EQ(isMarked, c.marked);
    }
}

TEST_F(AppointmentItemTest, EveryWeekdayIsShownDailyAndStoredWeeklyWithMask62AndABadIntervalIsNotWritten)
{
    CAppointment appointment;
    ASSERT_TRUE(appointment.Create(today + 9.0 / 24, u"Run", 30, nullptr, false));
    AppointmentRecurrence weekdays;
    weekdays.type = olRecursDaily;
    weekdays.dayOfWeekMask = 62;
    weekdays.interval = 999;
    appointment.SetRecurrence(weekdays);
    ASSERT_TRUE(appointment.Save());
    const long oid = appointment.Oid();
    EXPECT_EQ(StoredPattern(oid, &IRecurrencePattern::get_RecurrenceType), olRecursWeekly);
    EXPECT_EQ(StoredPattern(oid, &IRecurrencePattern::get_DayOfWeekMask), 62);
    EXPECT_EQ(StoredPattern(oid, &IRecurrencePattern::get_Interval), 1) << "999 is not written";

    CAppointment loaded = Loaded(oid);
    EXPECT_EQ(loaded.Recurrence().type, olRecursDaily);
    EXPECT_EQ(loaded.Recurrence().dayOfWeekMask, 62);

    AppointmentRecurrence every;
    every = loaded.Recurrence();
    every.interval = 998;
    loaded.SetRecurrence(every);
    ASSERT_TRUE(loaded.Save());
    EXPECT_EQ(StoredPattern(oid, &IRecurrencePattern::get_Interval), 998);
    every.type = -1;
    loaded.SetRecurrence(every);
    ASSERT_TRUE(loaded.Save());
    VARIANT_BOOL recurring = VARIANT_TRUE;
    Open<IAppointment>(oid)->get_IsRecurring(&recurring);
    EXPECT_EQ(recurring, VARIANT_FALSE);
}

TEST_F(AppointmentItemTest, DeletingOneOccurrenceOfAMeetingAsksToCancelItWithTheAttendeesFirst)
{
    const long oid = WeeklyMeeting();
    const double second = today + 8;  // the Tuesday a week after the first
    OutlookMeetingNotices::Clear();
    CAppointment series = Loaded(oid);
    ASSERT_TRUE(series.IsMeeting());
    host.QueueAnswers({IDYES, IDYES});
    const size_t before = host.MessageCount();
    EXPECT_EQ(series.Delete(second, false), kApptDeletedOccurrence);
    const auto messages = host.Messages();
    ASSERT_EQ(messages.size(), before + 2);
    EXPECT_EQ(messages[before].text, u"Delete only this occurrence?");
    EXPECT_EQ(messages[before + 1].text, u"Cancel the meeting with the attendees?");
    const auto notices = OutlookMeetingNotices::All();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_TRUE(notices[0].cancelled);
    EXPECT_EQ(notices[0].addresses, std::vector<std::u16string>{u"ann@example.org"});

    // The series stays; the occurrence is gone, the next one is there.
    CAppointment probe;
    EXPECT_TRUE(probe.ReadOID(oid));
    EXPECT_FALSE(probe.ReadOID(oid, second, true));
    EXPECT_TRUE(probe.ReadOID(oid, second + 7, true));

    // Cancel asks nothing more and deletes nothing; No deletes the whole series.
    host.QueueAnswer(IDCANCEL);
    EXPECT_EQ(Loaded(oid).Delete(second + 7, false), 0);
    host.QueueAnswers({IDNO, IDNO});
    EXPECT_EQ(Loaded(oid).Delete(second + 7, false), kApptDeletedSeries);
    EXPECT_FALSE(Open<IAppointment>(oid));
}

TEST_F(AppointmentItemTest, SavingAMeetingAsksWhetherToUpdateTheAttendees)
{
    const long oid = WeeklyMeeting();
    struct {
        int answer;
        size_t notices;
    } const cases[] = {{IDYES, 1}, {IDNO, 0}};
    for (const auto& c : cases) {
        OutlookMeetingNotices::Clear();
        CAppointment meeting = Loaded(oid);
        meeting.SetLocation(u"Room 2");
        host.QueueAnswer(c.answer);
        ASSERT_TRUE(meeting.Save());
        EXPECT_EQ(OutlookMeetingNotices::All().size(), c.notices) << c.answer;
        EXPECT_EQ(Text(Open<IAppointment>(oid).Get(), &IAppointment::get_Location), u"Room 2");
    }
}

TEST_F(AppointmentItemTest, AllDayRulesFollowTheSettings)
{
    struct {
        int free, noAlarm;
        LONG busy;
        bool reminder;
    } const cases[] = {{1, 1, olFree, false}, {0, 0, olBusy, true}, {1, 0, olFree, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.free * 10 + c.noAlarm);
        SetSetting(kCav, u"bAllDayFree", c.free);
        SetSetting(kCav, u"bAllDayNoAlarm", c.noAlarm);
        CAppointment appointment;
        ASSERT_TRUE(appointment.Create(today + 0.5, u"Trip", 60, nullptr, false));
        appointment.SetAllDay(true);
        EXPECT_EQ(appointment.BusyStatus(), c.busy);
        EXPECT_EQ(appointment.ReminderSet(), c.reminder);
        appointment.SetAllDay(false);
        EXPECT_EQ(appointment.BusyStatus(), olBusy) << "switching off brings the busy status back";
    }
}

TEST_F(AppointmentItemTest, ANewAppointmentTakesTheFiltersCategoriesAsTheSettingsAndRequestSay)
{
    CePtrList<CFullCategory*> selected;
    selected.SetDeletePolicy(1);
    selected.Append(new CFullCategory(u"Work", 7, 0));
    selected.Append(new CFullCategory(u"Home", 3, 0));
    struct {
        int useOnNew;
        bool noCategories;
        std::u16string expected;
    } const cases[] = {{1, false, u"Work, Home"}, {0, false, u""}, {1, true, u""}};
    for (const auto& c : cases) {
        SetSetting(u"Software\\Corvid\\Kestrel", u"bUseCatOnNew", c.useOnNew);
        CAppointment appointment;
        ASSERT_TRUE(appointment.Create(today + 0.5, u"x", 30, &selected, c.noCategories));
        EXPECT_EQ(appointment.Categories(), c.expected) << c.useOnNew << c.noCategories;
    }
}

TEST_F(AppointmentItemTest, BusyStatusPrivacyAndTemplatesAreStored)
{
    const long oid = NewAppointment(u"Dentist", today + 0.5);
    CAppointment appointment = Loaded(oid);
    ASSERT_TRUE(appointment.ChangeBusyStatus(olOutOfOffice));
    ASSERT_TRUE(appointment.SetPrivacy());
    CAppointment stored = Loaded(oid);
    EXPECT_EQ(stored.BusyStatus(), olOutOfOffice);
    EXPECT_EQ(stored.Sensitivity(), olPrivate);
    ASSERT_TRUE(stored.SetPrivacy()) << "no password is required: the check passes";
    EXPECT_EQ(Loaded(oid).Sensitivity(), olNormal);

    const long copy = appointment.SaveAsTemplate(u"Check-up");
    ASSERT_NE(copy, 0);
    EXPECT_EQ(StoredSubject(copy), u"[TEMPLATE:Check-up]Dentist");
    CAppointment parked = Loaded(copy);
    EXPECT_NEAR(parked.Start(), kAppointmentTemplateDay + 0.5, 1e-6);
    EXPECT_EQ(parked.TemplateName(), u"Check-up");
    EXPECT_EQ(parked.Subject(), u"Dentist");
    EXPECT_EQ(appointment.SaveAsTemplate(u""), 0);
}

// The times at which the store's notifications ring, read behind the item.
std::vector<double> RingTimes()
{
    DWORD count = 0;
    CeGetUserNotificationHandles(nullptr, 0, &count);
    std::vector<HANDLE> handles(count);
    std::vector<double> times;
    if (count && CeGetUserNotificationHandles(handles.data(), count, &count)) {
        for (HANDLE handle : handles) {
            std::vector<std::uint64_t> buffer(512);
            UINT needed = 0;
            EXPECT_TRUE(CeGetUserNotification(handle, 4096, &needed, reinterpret_cast<BYTE*>(buffer.data())));
            DATE at = 0;
            SystemTimeToVariantTime(&reinterpret_cast<CE_NOTIFICATION_INFO_HEADER*>(buffer.data())->pcent->stStartTime, &at);
            times.push_back(at);
        }
    }
    return times;
}

TEST_F(AppointmentItemTest, ExtraAlarmsRingBeforeTheStartMoveWithItAndGoWithTheAppointment)
{
    CAppointment appointment;
    ASSERT_TRUE(appointment.Create(today + 1 + 0.5, u"Flight", 120, nullptr, false));
    appointment.SetExtraAlarms({60, 30, 60, 60 * 24 * 3});  // a repeat, and one that would ring in the past
    ASSERT_TRUE(appointment.Save());
    const long oid = appointment.Oid();
    EXPECT_EQ(Loaded(oid).ExtraAlarms(), (std::vector<LONG>{30, 60}));
    const auto near = [](std::vector<double> got, std::vector<double> want) {
        std::sort(got.begin(), got.end());
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-5);
    };
    near(RingTimes(), {today + 1.5 - 1.0 / 24, today + 1.5 - 0.5 / 24});

    CAppointment moved = Loaded(oid);
    moved.SetStart(today + 2 + 0.5);
    ASSERT_TRUE(moved.Save());
    near(RingTimes(), {today + 2.5 - 1.0 / 24, today + 2.5 - 0.5 / 24});

    EXPECT_EQ(Loaded(oid).Delete(today, true), kApptDeletedSeries);
    EXPECT_TRUE(RingTimes().empty());
    EXPECT_TRUE(AppointmentAlarms::Read(oid).empty());
}

TEST_F(AppointmentItemTest, TheCalendarLoaderListsWhatTheItemSaved)
{
    CAppointment appointment;
    ASSERT_TRUE(appointment.Create(today + 1 + 14.5 / 24, u"Review", 90, nullptr, false));
    appointment.SetLocation(u"Room 4");
    appointment.SetCategories(u"");
    appointment.SetMarked(true);
    ASSERT_TRUE(appointment.Save());
    CCalendarThread loader;
    loader.SetRestrict(kstest::SysOf(today), kstest::SysOf(today + 3));
    ASSERT_TRUE(loadertest::RunLoad(loader));
    const DATACALENDAR* row = nullptr;
    for (DATACALENDAR* one : loader.GetDataList())
        if (one->oid == static_cast<DWORD>(appointment.Oid())) row = one;
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(std::u16string(row->subject), u"<\u2022>Review</\u2022>");
    EXPECT_EQ(std::u16string(row->location), u"Room 4");
    EXPECT_NEAR(row->start, today + 1 + 14.5 / 24, 1e-6);
    EXPECT_EQ(row->duration, 90);
    EXPECT_EQ(row->busyStatus, olBusy);
    EXPECT_EQ(row->reminder, 0) << "a marked appointment has no reminder";
}

TEST_F(AppointmentItemTest, ConversionsCarryTheFieldsAndDeleteTheOldItemOnlyOnYes)
{
    CAppointment appointment;
    ASSERT_TRUE(appointment.Create(today + 2 + 9.0 / 24, u"Write report", 60 * 24 * 2, nullptr, false));
    appointment.SetBody(u"Draft first");
    ASSERT_TRUE(appointment.Save());
    bool deleted = true;
    host.QueueAnswer(IDNO);
    const long task = CAppTaskTools::ConvertAppointmentToTask(appointment.Oid(), deleted);
    ASSERT_NE(task, 0);
    EXPECT_FALSE(deleted);
    CTask made;
    ASSERT_TRUE(made.ReadOID(task));
    ASSERT_TRUE(made.LoadData(false));
    EXPECT_EQ(made.Subject(), u"Write report");
    EXPECT_EQ(made.StartDate(), today + 2);
    EXPECT_EQ(made.DueDate(), today + 4);
    EXPECT_EQ(made.Body(), u"Draft first");
    EXPECT_TRUE(Open<IAppointment>(appointment.Oid())) << "kept on No";
    EXPECT_TRUE(CLinks::HasLinks(appointment.Oid()) && CLinks::HasLinks(task)) << "kept items are linked both ways";

    made.SetPriority(u"B", u"3");
    ASSERT_TRUE(made.Save());
    host.QueueAnswer(IDYES);
    const long back = CAppTaskTools::ConvertTaskToAppointment(task, deleted);
    ASSERT_NE(back, 0);
    EXPECT_TRUE(deleted);
    EXPECT_FALSE(Open<ITask>(task));
    EXPECT_FALSE(CLinks::HasLinks(appointment.Oid())) << "the deleted task's links went with it";
    CLinks::LinkItems(back, appointment.Oid());
    CAppointment first = Loaded(appointment.Oid());
    EXPECT_EQ(first.Delete(first.Start(), true), kApptDeletedSeries);
    EXPECT_FALSE(CLinks::HasLinks(back)) << "deleting an appointment removes its links";
    CAppointment again = Loaded(back);
    EXPECT_EQ(again.Subject(), u"B03: Write report");
    EXPECT_NEAR(again.Start(), today + 4 + 8.0 / 24, 1e-6);
    EXPECT_EQ(again.Body(), u"Draft first");
    EXPECT_TRUE(again.ReminderSet());
}

TEST_F(AppointmentItemTest, BadInputIsRefusedWithAMessageAndTheStoreUnchanged)
{
    const long kept = NewAppointment(u"Keep", today + 0.5);
    ComRef<IDispatch> taskItem;
    ASSERT_EQ(app->CreateItem(olTaskItem, taskItem.Put()), S_OK);
    auto task = ComRef<ITask>::Query(taskItem.Get());
    ASSERT_EQ(task->Save(), S_OK);
    LONG taskOid = 0;
    task->get_Oid(&taskOid);

    // An OID of another kind, of nothing, and an occurrence of an appointment that does not recur.
    for (const auto& [oid, occurrence] : {std::pair{long{taskOid}, false}, std::pair{0x7FFF1234L, false},
                                          std::pair{kept, true}}) {
        CAppointment appointment;
        const size_t before = host.MessageCount();
        const bool read = appointment.ReadOID(oid, today + 3, occurrence);
        EXPECT_EQ(read, occurrence) << "a single appointment is read whole";
        if (!read) {
            EXPECT_EQ(host.MessageCount(), before + 1);
        }
    }

    // A subject of 10,000 characters is cut to 1,000 on creation and refused on saving.
    const std::u16string longSubject(10000, u'x');
    CAppointment appointment;
    ASSERT_TRUE(appointment.Create(today + 0.5, longSubject.c_str(), 30, nullptr, false));
    EXPECT_EQ(appointment.Subject().size(), 1000u);
    EXPECT_NE(host.LastMessage().text.find(u"1,000"), std::u16string::npos);
    CAppointment edited = Loaded(kept);
    edited.SetSubject(longSubject);
    EXPECT_FALSE(edited.Save());
    EXPECT_EQ(StoredSubject(kept), u"Keep");

    // The item deleted while open: saving and deleting fail with a message, nothing comes back.
    CAppointment open = Loaded(kept);
    ASSERT_EQ(Open<IAppointment>(kept)->Delete(), S_OK);
    open.SetSubject(u"Resurrected");
    const size_t before = host.MessageCount();
    EXPECT_FALSE(open.Save());
    EXPECT_EQ(open.Delete(today, true), 0);
    EXPECT_EQ(host.MessageCount(), before + 2);
    EXPECT_FALSE(Open<IAppointment>(kept));
}

TEST_F(AppointmentItemTest, TheSummaryShowsTheFieldsAsMarkupAndLinksAttendeesWhoAreContacts)
{
    ComRef<IDispatch> created;
    ASSERT_EQ(app->CreateItem(olContactItem, created.Put()), S_OK);
    auto contact = ComRef<IContact>::Query(created.Get());
    ASSERT_EQ(contact->put_Email2Address(OwnedBstr(u"ANN@example.org")), S_OK);
    ASSERT_EQ(contact->Save(), S_OK);
    LONG contactOid = 0;
    contact->get_Oid(&contactOid);

    CAppointment appointment;
    ASSERT_TRUE(appointment.Create(today + 9.0 / 24, u"Q&A <draft>", 60, nullptr, false));
    appointment.SetLocation(u"Hall");
    ASSERT_TRUE(appointment.AddAttendee(u"Ann", u"ann@example.org"));
    ASSERT_TRUE(appointment.AddAttendee(u"Bob", u"bob@example.org"));
    const std::u16string markup = appointment.SummaryMarkup();
    const std::string oid = std::to_string(contactOid);
    const std::u16string link = u"<A=\"OID:" + std::u16string(oid.begin(), oid.end()) + u"l\"><U>";
    const std::vector<std::u16string> parts = {u"<BODY BGCOLOR=#FFFFFF>", u"<B>Q&A <\u200Bdraft></B>",
                                               u"<IMG SRC=213> 15 minutes before", u"Hall", u"</B> - <B>", link,
                                               u"#0000FF>Ann</FONT></U></A>"};
    for (const std::u16string& part : parts)
        EXPECT_NE(markup.find(part), std::u16string::npos) << std::string(part.begin(), part.end());
    EXPECT_EQ(markup.find(u"#0000FF>Bob"), std::u16string::npos) << "no contact, no link";
    EXPECT_NE(markup.find(u"Bob"), std::u16string::npos);
}

}  // namespace

namespace {

class AppointmentSeriesTest : public AppointmentItemTest {
protected:
    // Six Tuesdays from tomorrow at 10:00, a reminder half an hour before each.
    long SixTuesdays()
    {
        CAppointment series;
        EXPECT_TRUE(series.Create(today + 1 + 10.0 / 24, u"Yoga", 60, nullptr, false));
        AppointmentRecurrence weekly;
        weekly.type = olRecursWeekly;
        weekly.dayOfWeekMask = 1 << 2;
        weekly.occurrences = 6;
        weekly.noEnd = false;
        series.SetRecurrence(weekly);
        series.SetExtraAlarms({30});
        EXPECT_TRUE(series.Save());
        return series.Oid();
    }
    static std::vector<int> Tuesdays(long oid, double today)
    {
        std::vector<int> days;
        for (int week = 0; week < 8; ++week) {
            CAppointment probe;
            if (probe.ReadOID(oid, today + 1 + 7 * week, true)) days.push_back(1 + 7 * week);
        }
        return days;
    }
};

TEST_F(AppointmentSeriesTest, BranchingASeriesEndsItTheDayBeforeAndStartsACopyWithTheRest)
{
    const long oid = SixTuesdays();
    CAppointment editor = Loaded(oid);
    const size_t messages = host.MessageCount();
    EXPECT_EQ(editor.BranchSeries(today + 2), 0) << "no occurrence on Wednesday";
    EXPECT_EQ(host.MessageCount(), messages + 1);
    EXPECT_EQ(Tuesdays(oid, today), (std::vector<int>{1, 8, 15, 22, 29, 36}));
    EXPECT_EQ(editor.BranchSeries(today + 1 + 0.5), oid) << "the first day branches nothing";

    const long branch = editor.BranchSeries(today + 15);
    ASSERT_NE(branch, 0);
    ASSERT_NE(branch, oid);
    EXPECT_EQ(editor.Oid(), branch);
    EXPECT_EQ(editor.Start(), today + 15 + 10.0 / 24);
    EXPECT_EQ(Tuesdays(oid, today), (std::vector<int>{1, 8}));
    EXPECT_EQ(Tuesdays(branch, today), (std::vector<int>{15, 22, 29, 36}));
    EXPECT_EQ(AppointmentAlarms::Read(branch), std::vector<LONG>{30});
    EXPECT_EQ(StoredSubject(branch), u"Yoga");
}

TEST_F(AppointmentSeriesTest, TheEditorsRecurrenceQuestionChoosesWhatIsEdited)
{
    struct Case {
        int answer;
        int result;
        bool occurrence;
        std::vector<int> seriesDays;
    };
    const Case cases[] = {
        {kApptEditOccurrence, kApptEditOccurrence, true, {1, 8, 15, 22, 29, 36}},
        {kApptEditSeries, kApptEditSeries, false, {1, 8, 15, 22, 29, 36}},
        {kApptEditFollowing, kApptEditFollowing, false, {1, 8}},
        {kApptEditCancel, kApptEditCancel, false, {1, 8, 15, 22, 29, 36}},
        {7, kApptEditCancel, false, {1, 8, 15, 22, 29, 36}},
    };
    for (const Case& c : cases) {
        const long oid = SixTuesdays();
        CAppointment editor = Loaded(oid);
        host.QueueAskAnswer(c.answer);
        EXPECT_EQ(editor.CheckForRecurrence(today + 15, true, kApptEditSeries), c.result) << c.answer;
        EXPECT_EQ(editor.IsOccurrence(), c.occurrence) << c.answer;
        if (c.occurrence) {
            EXPECT_EQ(editor.OccurrenceDate(), today + 15);
        }
        EXPECT_EQ(Tuesdays(oid, today), c.seriesDays) << c.answer;
        ASSERT_FALSE(host.Questions().empty());
        EXPECT_EQ(host.Questions().back().questionId, u"ApptEditRecurrence");
    }
    const size_t asked = host.Questions().size();
    CAppointment single = Loaded(NewAppointment(u"Once", today + 0.5));
    EXPECT_EQ(single.CheckForRecurrence(today, true, kApptEditOccurrence), kApptEditSeries);
    EXPECT_EQ(host.Questions().size(), asked) << "a single appointment is edited without a question";
}

TEST_F(AppointmentSeriesTest, ApplyingATemplateAsksWhetherItsTimeComesAlong)
{
    CAppointment model;
    ASSERT_TRUE(model.Create(today + 14.5 / 24, u"Review", 45, nullptr, false));
    model.SetLocation(u"Room 2");
    model.SetReminder(5);
    ASSERT_TRUE(model.Save());
    const long templateOid = model.SaveAsTemplate(u"Weekly");
    ASSERT_NE(templateOid, 0);
    struct Case {
        int answer;
        double start;
    };
    for (const Case c : {Case{IDYES, today + 3 + 14.5 / 24}, Case{IDNO, today + 3 + 9.0 / 24}}) {
        CAppointment fresh;
        ASSERT_TRUE(fresh.Create(today + 3 + 9.0 / 24, nullptr, 30, nullptr, false));
        host.QueueAskAnswer(c.answer);
        ASSERT_TRUE(fresh.ApplyTemplate(templateOid));
        EXPECT_EQ(host.Questions().back().questionId, u"TemplateApptApplyTime");
        EXPECT_NEAR(fresh.Start(), c.start, 1e-6) << c.answer;
        EXPECT_NEAR(fresh.End(), c.start + 45.0 / 1440, 1e-6) << c.answer;
        EXPECT_EQ(fresh.Subject(), u"Review");
        EXPECT_EQ(fresh.Location(), u"Room 2");
        EXPECT_EQ(fresh.ReminderMinutes(), 5);
    }
    CAppointment fresh;
    ASSERT_TRUE(fresh.Create(today, nullptr, 30, nullptr, false));
    EXPECT_FALSE(fresh.ApplyTemplate(model.Oid())) << "an ordinary appointment is no template";
}

TEST_F(AppointmentSeriesTest, SummaryColoursFromTheSettingsAreTakenOnlyAsColours)
{
    const long oid = NewAppointment(u"Lunch", today + 0.5);
    const struct {
        const char16_t* setting;
        const char16_t* shown;
    } cases[] = {
        {u"#FF8000", u"COLOR=#FF8000>"},
        {u"#F80", u"COLOR=#F80>"},
        {u"#F0><B", u"COLOR=#000000>"},
        {u"#12\"x=", u"COLOR=#000000>"},
        {u"red", u"COLOR=#000000>"},
        {u"#", u"COLOR=#000000>"},
        {u"#12345678", u"COLOR=#000000>"},
    };
    for (const auto& c : cases) {
        CRegistry settings;
        ASSERT_EQ(settings.OpenKey(HKEY_CURRENT_USER, u"Software\\Corvid\\Kestrel\\Colors"), 0);
        ASSERT_EQ(settings.SetValue(u"SummaryDlgApptForeground", c.setting), 0);
        const std::u16string markup = Loaded(oid).SummaryMarkup();
        EXPECT_NE(markup.find(std::u16string(u"<FONT SIZE=2 ") + c.shown), std::u16string::npos)
            << WideToUtf8(c.setting);
    }
}

TEST_F(AppointmentSeriesTest, TheSummaryWindowAndTheContextMenuActions)
{
    const long oid = NewAppointment(u"Lunch", today + 0.5);
    CAppointment item = Loaded(oid);
    ASSERT_TRUE(item.DisplaySummaryWindow());
    EXPECT_EQ(host.Questions().back().questionId, u"ApptSummary");
    EXPECT_EQ(host.Questions().back().text, item.SummaryMarkup());
    SetSetting(kCav, u"SummaryDlg", 0);
    const size_t asked = host.Questions().size();
    EXPECT_FALSE(item.DisplaySummaryWindow());
    EXPECT_FALSE(item.DoContext(kApptContextSummary, today));
    EXPECT_EQ(host.Questions().size(), asked);
    EXPECT_TRUE(item.DisplaySummaryWindow(reinterpret_cast<HWND>(1))) << "a host window shows it anyway";

    ASSERT_TRUE(item.DoContext(kApptContextToggleMark, today));
    EXPECT_EQ(StoredSubject(oid), u"<\u2022>Lunch</\u2022>");
    ASSERT_TRUE(item.DoContext(kApptContextFree, today));
    EXPECT_EQ(Loaded(oid).BusyStatus(), olFree);
    EXPECT_TRUE(Loaded(oid).IsMarked());
    EXPECT_FALSE(item.DoContext(99, today));
    ASSERT_TRUE(item.DoContext(kApptContextDelete, today));
    EXPECT_FALSE(Open<IAppointment>(oid));
}

}  // namespace

namespace {

TEST_F(AppointmentItemTest, AnOccurrenceIsCopiedAsASingleAppointmentAndASeriesWhole)
{
    const long oid = WeeklyMeeting();
    const double second = today + 8 + 10.0 / 24;
    CAppointment occurrence = Loaded(oid, second, true);
    ASSERT_TRUE(occurrence.IsOccurrence());
    const long single = occurrence.Copy();
    ASSERT_NE(single, 0);
    CAppointment copied = Loaded(single);
    EXPECT_FALSE(copied.IsRecurring());
    EXPECT_NEAR(copied.Start(), second, 1e-6);
    EXPECT_EQ(copied.Subject(), u"Stand-up");

    CAppointment series = Loaded(oid);
    const long whole = series.Copy();
    ASSERT_NE(whole, 0);
    EXPECT_TRUE(Loaded(whole).IsRecurring());
    EXPECT_EQ(Loaded(whole).Recurrence().dayOfWeekMask, 1 << 2);
    EXPECT_TRUE(series.DoContext(kApptContextCopy, today));
}

}  // namespace
