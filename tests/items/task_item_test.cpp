// The task item: what it saves is read back by the tasks loader, an independent reader of the same
// records; alarms are checked in the notification store, extra fields in the raw record.
#include <gtest/gtest.h>

#include "engine/tasks_compare.h"
#include "engine/tasks_thread.h"
#include "items/c_task.h"
#include "platform/modules/libraries.h"
#include "platform/objectmodel/outlook_save_check.h"
#include "platform/objectstore/user_notifications.h"
#include "tests/engine/test_loader.h"
#include "tests/items/item_test_support.h"
#include "tests/support/scripted_ui_host.h"

using namespace itemtest;

namespace {

constexpr const WCHAR* kTv = u"Software\\Corvid\\Kestrel\\TV";

class TaskItemTest : public ItemSandbox {
protected:
    // A saved task made through CTask.
    long NewTask(const std::u16string& subject, double due)
    {
        CTask task;
        EXPECT_TRUE(task.Create(due, subject.c_str(), nullptr, false));
        EXPECT_TRUE(task.Save());
        return task.Oid();
    }
    static CTask Loaded(long oid)
    {
        CTask task;
        EXPECT_TRUE(task.ReadOID(oid));
        EXPECT_TRUE(task.LoadData(false));
        return task;
    }
    // The task's row as the tasks loader lists it (everything shown).
    struct Row {
        std::u16string letter, number, subject;
        double due = 0;
        int percent = 0;
        bool complete = false;
        bool reminder = false;
    };
    std::vector<std::pair<long, Row>> ListedTasks()
    {
        SetSetting(kTv, u"bShowCompleted", 1);
        SetSetting(kTv, u"bShowUndated", 1);
        CTasksThread loader;
        EXPECT_TRUE(loadertest::RunLoad(loader));
        std::vector<std::pair<long, Row>> rows;
        for (DATATASKS* row : loader.GetDataList()) {
            if (row->IsHeader()) continue;
            rows.push_back({static_cast<long>(row->oid),
                            {row->priorityLetter, row->priorityNumber, row->subject ? row->subject : u"", row->dueDate,
                             row->percentComplete, row->complete != 0, row->reminderSet != 0}});
        }
        return rows;
    }
    Row ListedTask(long oid)
    {
        for (auto& [id, row] : ListedTasks())
            if (id == oid) return row;
        ADD_FAILURE() << "task " << oid << " is not listed";
        return {};
    }
    static std::optional<HANDLE> AlarmOf(long oid)
    {
        const auto stored = StoredProp(static_cast<CEOID>(oid), kTaskNotificationHandle);
        if (!stored) return std::nullopt;
        return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(stored->val.ulVal));
    }
    struct Alarm {
        std::u16string application, title, text, sound;
        double time = 0;
        DWORD actions = 0;
    };
    static std::optional<Alarm> Notification(HANDLE handle)
    {
        UINT needed = 0;
        CeGetUserNotification(handle, 0, &needed, nullptr);
        if (!needed) return std::nullopt;
        std::vector<std::uint64_t> buffer(needed / 8 + 1);
        auto* bytes = reinterpret_cast<BYTE*>(buffer.data());
        if (!CeGetUserNotification(handle, needed, &needed, bytes)) return std::nullopt;
        const auto* header = reinterpret_cast<CE_NOTIFICATION_INFO_HEADER*>(bytes);
        Alarm alarm;
        alarm.application = header->pcent->lpszApplication ? header->pcent->lpszApplication : u"";
        alarm.time = kstest::Ole(header->pcent->stStartTime);
        alarm.title = header->pceun->pwszDialogTitle;
        alarm.text = header->pceun->pwszDialogText;
        alarm.sound = header->pceun->pwszSound;
        alarm.actions = header->pceun->ActionFlags;
        return alarm;
    }
    ScriptedUiHost host;
};

TEST(TaskItemRules, ComposedSubjectsAndStatuses)
{
    struct Case {
        const char16_t *letter, *number;
        int days;
        bool pad;
        std::u16string stored;
    } const cases[] = {
        {u"A", u"1", 0, true, u"A01: Call"},   {u"A", u"1", 0, false, u"A1: Call"},
        {u"B", u"12", 7, true, u"B12|7: Call"}, {u"", u"", 7, true, u"|7: Call"},
        {u"C", u"", 0, true, u"C: Call"},       {u"", u"", 0, true, u"Call"},
        {u"", u"", -5, true, u"Call"},
    };
    for (const Case& c : cases) EXPECT_EQ(CTask::ComposeSubject(c.letter, c.number, c.days, u"Call", c.pad), c.stored);

    struct {
        unsigned short percentage;
        TASK_STATUS status;
    } const statuses[] = {{0, TASK_STATUS_NOT_STARTED}, {1, TASK_STATUS_IN_PROGRESS}, {99, TASK_STATUS_IN_PROGRESS},
                          {100, TASK_STATUS_COMPLETE},  {101, TASK_STATUS_WAITING},     {102, TASK_STATUS_NONE}};
    for (auto s : statuses) EXPECT_EQ(CTask::PercentageToStatus(s.percentage), s.status) << s.percentage;

    CTask task;
    struct {
        const char16_t *letter, *number;
        bool ok;
    } const priorities[] = {{u"z", u"99", true}, {u"", u"", true},      {u"A", u"07", true}, {u"AB", u"1", false},
                            {u"1", u"1", false}, {u"A", u"123", false}, {u"B", u"x", false}};
    for (auto p : priorities) EXPECT_EQ(task.SetPriority(p.letter, p.number), p.ok);
    EXPECT_EQ(task.PriorityLetter() + task.PriorityNumber(), u"A7") << "refused priorities change nothing";
}

TEST_F(TaskItemTest, SavedSubjectsReadBackTheSameInTheItemAndTheList)
{
    struct Case {
        std::u16string subject;  // as typed, code included
        int padding;
        std::u16string stored, letter, number, plain;
        int days;
    } const cases[] = {
        {u"A1: Call", 1, u"A01: Call", u"A", u"1", u"Call", 0},
        {u"A1: Call", 0, u"A1: Call", u"A", u"1", u"Call", 0},
        {u"B12|7: Water plants", 1, u"B12|7: Water plants", u"B", u"12", u"Water plants", 7},
        {u"Meeting: 10:00", 1, u"Meeting: 10:00", u"", u"", u"Meeting: 10:00", 0},
        {u"|-5: Odd", 1, u"|-5: Odd", u"", u"", u"|-5: Odd", 0},
        {u"?9: Garbage", 1, u"?9: Garbage", u"", u"", u"?9: Garbage", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.subject.begin(), c.subject.end()));
        SetSetting(kTv, u"bPriorityPadding", c.padding);
        const long oid = NewTask(c.subject, today + 2);
        CTask task = Loaded(oid);
        EXPECT_EQ(task.Subject(), c.plain);
        EXPECT_EQ(task.PriorityLetter(), c.letter);
        EXPECT_EQ(task.PriorityNumber(), c.number);
        EXPECT_EQ(task.RegenerateDays(), c.days);
        auto item = Open<ITask>(oid);
        EXPECT_EQ(Text(item.Get(), &ITask::get_Subject), c.stored);
        const Row row = ListedTask(oid);
        EXPECT_EQ(row.subject, c.plain);
        EXPECT_EQ(row.letter, c.letter);
        EXPECT_EQ(row.due, today + 2);
    }
}

TEST_F(TaskItemTest, NewTaskReminderFollowsTheDefaultTime)
{
    // The clock stands at 10:00 on 7 December 2026.
    struct Case {
        std::optional<int> minutes;
        double due;  // offset from today, or kNoOleDate
        bool reminder;
        double expectedDue, expectedTime;  // offsets from today
    } const cases[] = {
        {std::nullopt, 3, false, 3, 0},     {949998, 3, false, 3, 0},
        {540, kNoOleDate, true, 1, 1.375},  // 09:00 has passed today: tomorrow
        {720, kNoOleDate, true, 0, 0.5},    {540, 3, true, 3, 3.375},
        {540, 0, false, 0, 0},              {540, -2, false, -2, 0},
        {630, kNoOleDate, true, 0, 0.4375},  // 10:30 is still to come, in the same hour
        {600, kNoOleDate, true, 1, 1 + 600.0 / 1440},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.minutes.value_or(-1));
        SCOPED_TRACE(c.due);
        if (c.minutes) SetSetting(kTv, u"ReminderDefaultTime", static_cast<ULONG>(*c.minutes));
        CTask task;
        ASSERT_TRUE(task.Create(c.due == kNoOleDate ? kNoOleDate : today + c.due, u"Pay", nullptr, false));
        EXPECT_EQ(task.ReminderSet(), c.reminder);
        EXPECT_DOUBLE_EQ(task.DueDate(), today + c.expectedDue);
        if (c.reminder) {
            EXPECT_NEAR(task.ReminderTime(), today + c.expectedTime, 1e-6);
        }
    }
}

TEST_F(TaskItemTest, ReminderIsOneNotificationMovedAndRemovedWithTheTask)
{
    const long oid = NewTask(u"A1: Call Anna", today + 3);
    CTask task = Loaded(oid);
    EXPECT_FALSE(task.ReminderSet());
    task.SetReminder(today + 2 + 17.5 / 24);
    ASSERT_TRUE(task.Save());

    const std::optional<HANDLE> handle = AlarmOf(oid);
    ASSERT_TRUE(handle && *handle);
    auto alarm = Notification(*handle);
    ASSERT_TRUE(alarm);
    EXPECT_EQ(alarm->application, u"TASKS.EXE");
    EXPECT_EQ(alarm->title, u"Task Reminder");
    EXPECT_EQ(alarm->sound, u"Alarm1.wav");
    EXPECT_EQ(alarm->actions, PUN_DIALOG);
    EXPECT_EQ(alarm->text.substr(0, 10), u"Call Anna ") << "the subject and the due date";
    EXPECT_NEAR(alarm->time, today + 2 + 17.5 / 24, 1e-6);
    EXPECT_EQ(StoredProp(oid, kTaskReminderLeadMinutes)->val.lVal, 390) << "minutes before the due day";
    EXPECT_TRUE(ListedTask(oid).reminder);

    // A reload finds the same reminder; moving it keeps the notification, removing it clears it.
    CTask again = Loaded(oid);
    ASSERT_TRUE(again.ReminderSet());
    EXPECT_NEAR(again.ReminderTime(), today + 2 + 17.5 / 24, 1e-6);
    again.SetReminder(today + 1 + 0.25);
    ASSERT_TRUE(again.Save());
    EXPECT_EQ(AlarmOf(oid), handle);
    EXPECT_NEAR(Notification(*handle)->time, today + 1.25, 1e-6);
    again.SetReminder(kNoOleDate);
    ASSERT_TRUE(again.Save());
    EXPECT_FALSE(AlarmOf(oid));
    EXPECT_FALSE(Notification(*handle)) << "the notification is gone";

    // A reminder at midnight of the due day is a lead of 0 minutes, and still a reminder.
    again.SetReminder(today + 3);
    ASSERT_TRUE(again.Save());
    EXPECT_EQ(StoredProp(oid, kTaskReminderLeadMinutes)->val.lVal, 0);
    CTask midnight = Loaded(oid);
    ASSERT_TRUE(midnight.ReminderSet());
    EXPECT_NEAR(midnight.ReminderTime(), today + 3, 1e-6);
    EXPECT_TRUE(AlarmOf(oid));

    // A reminder already past sets no notification.
    again.SetReminder(today - 1 + 0.5);
    ASSERT_TRUE(again.Save());
    EXPECT_FALSE(AlarmOf(oid));
}

TEST_F(TaskItemTest, CompletingARegeneratingTaskMovesItAndLeavesACompletedCopy)
{
    for (int strip : {0, 1}) {
        SCOPED_TRACE(strip);
        SetSetting(kTv, u"RegenTaskCompleteStripPriority", static_cast<ULONG>(strip));
        const long oid = NewTask(u"B2|7: Water plants", today - 1);
        CTask task = Loaded(oid);
        task.SetStartDate(today - 3);
        task.SetReminder(today - 1 + 0.75);  // past: no notification, but the reminder moves along
        ASSERT_TRUE(task.Save());
        ASSERT_TRUE(task.ChangeTaskStatus(TASK_STATUS_COMPLETE));

        CTask moved = Loaded(oid);
        EXPECT_DOUBLE_EQ(moved.DueDate(), today + 7);
        EXPECT_DOUBLE_EQ(moved.StartDate(), today + 5) << "start moves by as many days as the due date";
        EXPECT_FALSE(moved.IsComplete());
        EXPECT_EQ(moved.RegenerateDays(), 7);
        ASSERT_TRUE(moved.ReminderSet());
        EXPECT_NEAR(moved.ReminderTime(), today + 7 + 0.75, 1e-6);
        ASSERT_TRUE(AlarmOf(oid));

        int copies = 0;
        for (auto& [id, row] : ListedTasks()) {
            if (id == oid || !row.complete || row.subject != u"Water plants") continue;
            ++copies;
            EXPECT_EQ(row.letter, strip ? u"" : u"B");
            EXPECT_EQ(row.percent, 100);
            EXPECT_FALSE(AlarmOf(id)) << "the copy has no alarm of its own";
            Open<ITask>(id)->Delete();
        }
        EXPECT_EQ(copies, 1);
        Open<ITask>(oid)->Delete();
    }
}

TEST_F(TaskItemTest, StatusChangesStoreThePercentage)
{
    const long oid = NewTask(u"Report", today + 1);
    struct Step {
        TASK_STATUS status;
        int stored, read;
        bool complete;
    } const steps[] = {
        {TASK_STATUS_IN_PROGRESS, 1, 1, false}, {TASK_STATUS_WAITING, 101, 101, false},
        {TASK_STATUS_COMPLETE, 100, 100, true}, {TASK_STATUS_NOT_STARTED, 0, 0, false},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.status);
        CTask task = Loaded(oid);
        ASSERT_TRUE(task.ChangeTaskStatus(s.status));
        EXPECT_EQ(static_cast<int>(StoredProp(oid, kTaskPercentComplete)->val.ulVal), s.stored);
        CTask back = Loaded(oid);
        EXPECT_EQ(back.Percentage(), s.read);
        EXPECT_EQ(back.IsComplete(), s.complete);
        EXPECT_EQ(ListedTask(oid).complete, s.complete);
    }
    // A new due date chosen as days from today moves the start along; a refused question changes nothing.
    CTask dated = Loaded(oid);
    dated.SetStartDate(today);
    ASSERT_TRUE(dated.Save());
    host.QueueAskAnswer(3);
    ASSERT_TRUE(Loaded(oid).ChangeTaskStatus(TASK_STATUS_CHOOSE_DUE));
    host.QueueAskAnswer(-1);
    EXPECT_FALSE(Loaded(oid).ChangeTaskStatus(TASK_STATUS_CHOOSE_DUE));
    EXPECT_DOUBLE_EQ(Loaded(oid).DueDate(), today + 3);
    EXPECT_DOUBLE_EQ(Loaded(oid).StartDate(), today + 2);
    host.QueueAnswer(IDNO);
    EXPECT_FALSE(Loaded(oid).ChangeTaskStatus(TASK_STATUS_DELETE));
    ASSERT_TRUE(Open<ITask>(oid)) << "kept when the user says no";

    // Stored values the suite never writes read as 0.
    for (ULONG odd : {150u, 100u}) {
        CEPROPVAL p{kTaskPercentComplete, 0, 0, {}};
        p.val.ulVal = odd;
        ASSERT_EQ(kstest::WritePimRecord(kTasksDatabase, {p}, static_cast<CEOID>(oid)), static_cast<CEOID>(oid));
        EXPECT_EQ(Loaded(oid).GetCompletionPercentage(), 0) << odd;
    }
}

TEST_F(TaskItemTest, CompletingARecurringTaskMovesItToTheNextOccurrenceWithItsReminder)
{
    const long oid = NewTask(u"Backup", today);
    CTask task = Loaded(oid);
    TaskRecurrence weekly;
    weekly.type = olRecursWeekly;
    weekly.interval = 1;
    weekly.dayOfWeekMask = olMonday;  // 7 December 2026 is a Monday
    weekly.patternStart = today;
    task.SetRecurrence(weekly);
    task.SetReminder(today + 1 + 9.0 / 24);
    ASSERT_TRUE(task.Save());
    ASSERT_TRUE(Loaded(oid).IsRecurring());

    CTask again = Loaded(oid);
    ASSERT_TRUE(again.ChangeTaskStatus(TASK_STATUS_COMPLETE));
    CTask next = Loaded(oid);
    EXPECT_DOUBLE_EQ(next.DueDate(), today + 7);
    EXPECT_FALSE(next.IsComplete());
    EXPECT_EQ(next.Percentage(), 0);
    ASSERT_TRUE(next.ReminderSet());
    EXPECT_NEAR(next.ReminderTime(), today + 8 + 9.0 / 24, 1e-6);

    // Every weekday is kept as a weekly pattern of mask 62 and shown as daily.
    TaskRecurrence weekdays;
    weekdays.type = olRecursDaily;
    weekdays.dayOfWeekMask = 62;
    weekdays.patternStart = today;
    next.SetRecurrence(weekdays);
    ASSERT_TRUE(next.Save());
    ComRef<IRecurrencePattern> stored;
    ASSERT_EQ(Open<ITask>(oid)->GetRecurrencePattern(stored.Put()), S_OK);
    LONG type = -1, mask = 0;
    stored->get_RecurrenceType(&type);
    stored->get_DayOfWeekMask(&mask);
    EXPECT_EQ(type, olRecursWeekly);
    EXPECT_EQ(mask, 62);
    EXPECT_EQ(Loaded(oid).Recurrence().type, olRecursDaily);
}

TEST_F(TaskItemTest, ExtraFieldsSurviveAnObjectModelSaveAndTemplatesSplitTheirName)
{
    CTask task;
    POOMCREATEITEM request;
    request.date = today + 4;
    request.subject = u"Plan";
    request.order = 12.5;
    ASSERT_TRUE(task.Create(&request));
    ASSERT_TRUE(task.SetPercentage(40));
    task.SetCategories(u"Work");
    ASSERT_TRUE(task.Save());
    const long oid = task.Oid();
    EXPECT_DOUBLE_EQ(StoredProp(oid, kTaskParent)->val.dblVal, 12.5);

    auto item = Open<ITask>(oid);
    ASSERT_EQ(item->put_Subject(OwnedBstr(u"Plan the year")), S_OK);
    ASSERT_EQ(item->Save(), S_OK);
    EXPECT_DOUBLE_EQ(StoredProp(oid, kTaskParent)->val.dblVal, 12.5);
    EXPECT_EQ(StoredProp(oid, kTaskPercentComplete)->val.ulVal, 40u);
    EXPECT_EQ(Loaded(oid).Categories(), u"Work");
    EXPECT_EQ(ListedTask(oid).percent, 40);

    const long tmpl = Loaded(oid).SaveAsTemplate(u"Yearly");
    ASSERT_NE(tmpl, 0);
    EXPECT_EQ(Text(Open<ITask>(tmpl).Get(), &ITask::get_Subject), u"[TEMPLATE:Yearly]Plan the year");
    CTask loaded = Loaded(tmpl);
    EXPECT_EQ(loaded.TemplateName(), u"Yearly");
    EXPECT_EQ(loaded.Subject(), u"Plan the year");
    EXPECT_DOUBLE_EQ(loaded.DueDate(), kTaskTemplateDue);
    EXPECT_EQ(Loaded(oid).SaveAsTemplate(u""), 0);

    // Without its ']' the subject is no template subject.
    auto broken = Open<ITask>(tmpl);
    ASSERT_EQ(broken->put_Subject(OwnedBstr(u"[TEMPLATE:Yearly")), S_OK);
    ASSERT_EQ(broken->Save(), S_OK);
    EXPECT_EQ(Loaded(tmpl).Subject(), u"[TEMPLATE:Yearly");
    EXPECT_EQ(Loaded(tmpl).TemplateName(), u"");
}

TEST_F(TaskItemTest, BadInputIsRefusedWithAMessageAndChangesNothing)
{
    const long oid = NewTask(u"Keep me", today + 1);
    CTask none;
    EXPECT_FALSE(none.ReadOID(0));
    EXPECT_FALSE(none.ReadOID(0x7FFF0001));
    ComRef<IDispatch> appointment;
    ASSERT_EQ(app->CreateItem(olAppointmentItem, appointment.Put()), S_OK);
    auto appt = ComRef<IAppointment>::Query(appointment.Get());
    appt->put_Start(today + 0.5);
    ASSERT_EQ(appt->Save(), S_OK);
    LONG apptOid = 0;
    appt->get_Oid(&apptOid);
    EXPECT_FALSE(none.ReadOID(apptOid)) << "an appointment is no task";
    EXPECT_FALSE(none.LoadData(false));
    EXPECT_NE(host.LastMessage().text.find(u"could not be loaded"), std::u16string::npos);
    EXPECT_FALSE(none.Save());
    EXPECT_FALSE(none.ChangeTaskStatus(TASK_STATUS_COMPLETE));

    // A subject of 10,000 characters: creating cuts it after a warning; saving one longer than a
    // text property holds fails whole.
    const std::u16string huge(10000, u'x');
    CTask big;
    ASSERT_TRUE(big.Create(today, huge.c_str(), nullptr, false));
    EXPECT_NE(host.LastMessage().text.find(u"longer than 1,000"), std::u16string::npos);
    CTask task = Loaded(oid);
    task.SetSubject(std::u16string(kOutlookMaxTextLength + 1, u'x'));
    task.SetOrder(3, false);
    const size_t shown = host.MessageCount();
    EXPECT_FALSE(task.Save());
    EXPECT_EQ(host.MessageCount(), shown + 1) << "the save error is shown";
    EXPECT_EQ(Loaded(oid).Subject(), u"Keep me");
    EXPECT_FALSE(StoredProp(oid, kTaskParent)) << "no extra property written after a failed save";

    // Deleted while open.
    CTask open = Loaded(oid);
    ASSERT_EQ(Open<ITask>(oid)->Delete(), S_OK);
    open.SetSubject(u"Changed");
    EXPECT_FALSE(open.Save());
    EXPECT_FALSE(open.CustomDatabaseSave(kTaskSaveOrder)) << "no record to write the extra properties into";
    EXPECT_FALSE(none.ReadOID(oid));
}

BOOL RefusePassword(HWND, LPCWSTR, BOOL) { return FALSE; }
BOOL AcceptPassword(HWND, LPCWSTR, BOOL) { return TRUE; }

TEST_F(TaskItemTest, MakingAPrivateTaskPublicTakesThePasswordWhenOneIsRequired)
{
    const long oid = NewTask(u"Secret", today + 1);
    SetSetting(u"Software\\Corvid\\Kestrel", u"RequirePassword", 1);
    CTask task = Loaded(oid);
    ASSERT_TRUE(task.SetPrivacy(olPrivate));
    EXPECT_EQ(Loaded(oid).Sensitivity(), olPrivate);
    struct Case {
        BOOL (*prompt)(HWND, LPCWSTR, BOOL);
        LONG after;
    } const cases[] = {{RefusePassword, olPrivate}, {AcceptPassword, olNormal}};
    for (const Case& c : cases) {
        ASSERT_TRUE(platform::RegisterLibrary(u"cplmain.cpl", {{"PromptForPasswd", platform::AsFarProc(c.prompt)}}));
        CTask again = Loaded(oid);
        again.SetPrivacy(olNormal);
        EXPECT_EQ(Loaded(oid).Sensitivity(), c.after);
        platform::UnregisterLibrary(u"cplmain.cpl");
    }
    // Without the prompt's library there is no password to ask for.
    ASSERT_TRUE(Loaded(oid).SetPrivacy(olNormal));
    EXPECT_EQ(Loaded(oid).Sensitivity(), olPrivate);
    ASSERT_TRUE(Loaded(oid).SetPrivacy(olNormal));
    EXPECT_EQ(Loaded(oid).Sensitivity(), olNormal);
}

TEST_F(TaskItemTest, SummaryEscapesTheUsersText)
{
    const long oid = NewTask(u"A1: Fix <B> & co", today + 1);
    CTask task = Loaded(oid);
    task.SetBody(u"a<b");
    const std::u16string markup = task.SummaryMarkup();
    EXPECT_NE(markup.find(u"<B>Fix <\u200BB> & co</B>"), std::u16string::npos);
    EXPECT_NE(markup.find(u"a<\u200Bb"), std::u16string::npos);
    EXPECT_EQ(markup.find(u"<B> &"), std::u16string::npos);
    EXPECT_EQ(markup.rfind(u"<BODY BGCOLOR=#FFFFFF>", 0), 0u);
}

}  // namespace

namespace {

TEST_F(TaskItemTest, RenumberingAGroupedListWritesEachGroupsNumbersInListOrder)
{
    const long first = NewTask(u"B7|3: Water plants", today + 1);
    const long second = NewTask(u"B2: Call", today + 2);
    const long third = NewTask(u"A: Pay", today + 3);
    const long loose = NewTask(u"No code", today + 4);
    SetSetting(kTv, u"GroupBy", kTasksGroupPriority);
    SetSetting(kTv, u"TV_Sort0", kTasksSortDueDate);
    CTasksThread loader;
    ASSERT_TRUE(loadertest::RunLoad(loader));

    host.QueueAnswer(IDNO);
    EXPECT_EQ(CTask::PriorityShift(loader.GetDataList()), -1);
    EXPECT_EQ(Text(Open<ITask>(first).Get(), &ITask::get_Subject), u"B07|3: Water plants") << "refused: unchanged";

    host.QueueAnswer(IDYES);
    EXPECT_EQ(CTask::PriorityShift(loader.GetDataList()), 3);
    struct {
        long oid;
        std::u16string stored;
    } const expected[] = {
        {first, u"B01|3: Water plants"}, {second, u"B02: Call"}, {third, u"A01: Pay"}, {loose, u"No code"}};
    for (const auto& e : expected) EXPECT_EQ(Text(Open<ITask>(e.oid).Get(), &ITask::get_Subject), e.stored);
    EXPECT_EQ(ListedTask(second).number, u"2");

    // Without numbers only the letters are written, and nothing is asked.
    SetSetting(kTv, u"bPrioritizeNumbers", 0);
    const size_t asked = host.MessageCount();
    EXPECT_EQ(CTask::PriorityShift(loader.GetDataList()), 3);
    EXPECT_EQ(host.MessageCount(), asked);
    EXPECT_EQ(Text(Open<ITask>(first).Get(), &ITask::get_Subject), u"B|3: Water plants");
}

}  // namespace

namespace {

TEST_F(TaskItemTest, ACopyKeepsTheCodeAndPercentageWithAReminderOfItsOwnAndTheMenuActs)
{
    const long oid = NewTask(u"B12|7: Water plants", today + 3);
    CTask task = Loaded(oid);
    ASSERT_TRUE(task.SetPercentage(40));
    task.SetReminder(today + 2 + 9.0 / 24);
    ASSERT_TRUE(task.Save());
    const long copy = task.Copy();
    ASSERT_NE(copy, 0);
    ASSERT_NE(copy, oid);
    const Row row = ListedTask(copy);
    EXPECT_EQ(row.letter + row.number + u" " + row.subject, u"B12 Water plants");
    EXPECT_EQ(row.percent, 40);
    EXPECT_EQ(Loaded(copy).RegenerateDays(), 7);
    ASSERT_TRUE(AlarmOf(copy) && AlarmOf(oid));
    EXPECT_NE(*AlarmOf(copy), *AlarmOf(oid)) << "deleting one must not silence the other";
    EXPECT_TRUE(Notification(*AlarmOf(oid))) << "the original's alarm stays";

    CTask copied = Loaded(copy);
    EXPECT_TRUE(copied.DoContext(kTaskContextTogglePrivate));
    EXPECT_EQ(Loaded(copy).Sensitivity(), olPrivate);
    EXPECT_TRUE(copied.DoContext(kTaskContextSummary));
    ASSERT_FALSE(host.Questions().empty());
    EXPECT_EQ(host.Questions().back().questionId, u"TaskSummary");
    EXPECT_FALSE(copied.DoContext(0));
    host.QueueAnswer(IDYES);
    EXPECT_TRUE(copied.DoContext(kTaskContextDelete));
    EXPECT_FALSE(Open<ITask>(copy));
    EXPECT_TRUE(Open<ITask>(oid));
}

}  // namespace
