#include "platform/objectmodel/outlook_task.h"

#include <gtest/gtest.h>

#include "platform/objectmodel/outlook_minutes.h"
#include "platform/recurrence/recurrence_pattern_blob.h"
#include "tests/platform/objectmodel/outlook_item_test_support.h"
#include "tests/platform/objectstore/cedb_test_support.h"

using namespace outlooktest;

namespace {

ComRef<ITask> NewTask() { return MakeItem<ITask>(kTasksDatabase, 0, MakeOutlookTask); }
ComRef<ITask> OpenTask(CEOID oid) { return MakeItem<ITask>(kTasksDatabase, oid, MakeOutlookTask); }

RawProp Raw(CEOID oid, CEPROPID id) { return ReadRaw(kTasksDatabase, oid, id); }

std::uint64_t RawTime(CEOID oid, CEPROPID id) { return platform::FileTimeValue(Raw(oid, id).val.val.filetime); }
std::uint64_t Midnight(WORD y, WORD m, WORD d) { return platform::FileTimeValue(LocalFileTime(y, m, d)); }

// A saved weekly task starting on Tuesday 10 March 2026, due a day later.
CEOID SaveWeeklyTask(LONG occurrences = 0)
{
    ComRef<ITask> task = NewTask();
    PutText(task, &ITask::put_Subject, u"Water plants");
    task->put_StartDate(Ole(2026, 3, 10));
    task->put_DueDate(Ole(2026, 3, 11));
    ComRef<IRecurrencePattern> pattern;
    EXPECT_EQ(task->GetRecurrencePattern(pattern.Put()), S_OK);
    pattern->put_RecurrenceType(olRecursWeekly);
    if (occurrences) pattern->put_Occurrences(occurrences);
    pattern.Reset();
    EXPECT_EQ(task->Save(), S_OK);
    return OidOf(task);
}

using OutlookTaskTest = OutlookItemTest;

TEST_F(OutlookTaskTest, EveryPropertyRoundTripsThroughTheModelAndTheRecord)
{
    ComRef<ITask> task = NewTask();
    PutText(task, &ITask::put_Subject, u"File the report");
    PutText(task, &ITask::put_Body, u"Two copies");
    task->put_StartDate(Ole(2026, 3, 10, 15, 45));  // kept as the whole day
    task->put_DueDate(Ole(2026, 3, 12));
    task->put_Importance(olImportanceHigh);
    task->put_Sensitivity(olPrivate);
    task->put_ReminderSet(VARIANT_TRUE);
    task->put_ReminderTime(Ole(2026, 3, 12, 8, 30));
    task->put_ReminderOptions(olDialog | olSound);
    PutText(task, &ITask::put_ReminderSoundFile, u"\\Windows\\alarm.wav");
    task->put_TeamTask(VARIANT_TRUE);
    PutText(task, &ITask::put_Categories, u"Work, Home");
    const CEOID oid = SaveAndClose(task);
    ASSERT_NE(oid, 0u);
    platform::CloseObjectStore();

    ComRef<ITask> read = OpenTask(oid);
    ASSERT_NE(read.Get(), nullptr);
    EXPECT_EQ(Text(read, &ITask::get_Subject), u"File the report");
    EXPECT_EQ(Text(read, &ITask::get_Body), u"Two copies");
    EXPECT_EQ(Text(read, &ITask::get_Categories), u"Work, Home");
    EXPECT_EQ(Text(read, &ITask::get_ReminderSoundFile), u"\\Windows\\alarm.wav");
    EXPECT_DATE(Get(read, &ITask::get_StartDate), Ole(2026, 3, 10));
    EXPECT_DATE(Get(read, &ITask::get_DueDate), Ole(2026, 3, 12));
    EXPECT_DATE(Get(read, &ITask::get_ReminderTime), Ole(2026, 3, 12, 8, 30));
    EXPECT_EQ(Get(read, &ITask::get_DateCompleted), kNoOleDate);
    EXPECT_EQ(Get(read, &ITask::get_Importance), olImportanceHigh);
    EXPECT_EQ(Get(read, &ITask::get_Sensitivity), olPrivate);
    EXPECT_EQ(Get(read, &ITask::get_ReminderOptions), olDialog | olSound);
    EXPECT_EQ(Get(read, &ITask::get_ReminderSet), VARIANT_TRUE);
    EXPECT_EQ(Get(read, &ITask::get_TeamTask), VARIANT_TRUE);
    EXPECT_EQ(Get(read, &ITask::get_Complete), VARIANT_FALSE);
    EXPECT_EQ(Get(read, &ITask::get_IsRecurring), VARIANT_FALSE);
    read.Reset();

    // What the loaders read: local midnights, stored importance 1, the note as text.
    EXPECT_EQ(RawTime(oid, kTaskStartDate), Midnight(2026, 3, 10));
    EXPECT_EQ(RawTime(oid, kTaskDueDate), Midnight(2026, 3, 12));
    EXPECT_EQ(Raw(oid, kTaskImportance).val.val.lVal, 1);
    EXPECT_EQ(Raw(oid, kTaskSensitivity).val.val.iVal, 2);
    EXPECT_EQ(Raw(oid, kTaskReminderSet).val.val.iVal, 1);
    EXPECT_EQ(Raw(oid, kTaskSubject).text, u"File the report");
    const std::vector<BYTE> note = Raw(oid, kItemNote).bytes;
    EXPECT_EQ(std::string(note.begin(), note.end()), std::string("Two copies", 11));
    EXPECT_FALSE(Raw(oid, kTaskRecurrencePattern).found);
    EXPECT_EQ(Raw(oid, kItemCategories).bytes, (std::vector<BYTE>{0x03, 0, 0, 0})) << "two categories, indices 0 and 1";
}

TEST_F(OutlookTaskTest, ImportanceIsStoredHighFirstAndTheCompletionDateFollowsComplete)
{
    for (LONG importance : {olImportanceLow, olImportanceNormal, olImportanceHigh}) {
        ComRef<ITask> task = NewTask();
        task->put_Importance(importance);
        ASSERT_EQ(task->Save(), S_OK);
        EXPECT_EQ(Raw(OidOf(task), kTaskImportance).val.val.lVal, 3 - importance) << importance;
    }
    ComRef<ITask> task = NewTask();
    EXPECT_EQ(task->put_Importance(3), E_INVALIDARG);
    EXPECT_EQ(task->put_Importance(-1), E_INVALIDARG);
    const CEOID oid = SaveAndClose(task);
    EXPECT_EQ(Raw(oid, kTaskImportance).val.val.lVal, 2) << "a new task is normal";

    // Stored values the loaders also accept: anything but 1 and 3 is normal.
    const std::pair<LONG, LONG> stored[] = {
        {1, olImportanceHigh}, {2, olImportanceNormal}, {3, olImportanceLow}, {7, olImportanceNormal}};
    for (auto [raw, expected] : stored) {
        ASSERT_TRUE(WriteRaw(kTasksDatabase, oid, {cedbtest::I4(PropIdNumber(kTaskImportance), raw)}));
        ComRef<ITask> read = OpenTask(oid);
        EXPECT_EQ(Get(read, &ITask::get_Importance), expected) << raw;
    }

    ComRef<ITask> done = NewTask();
    done->put_Complete(VARIANT_TRUE);
    ASSERT_EQ(done->Save(), S_OK);
    const CEOID doneOid = OidOf(done);
    EXPECT_DATE(Get(done, &ITask::get_DateCompleted), platform::TodayOleDate());
    EXPECT_EQ(Raw(doneOid, kTaskComplete).val.val.iVal, 1);
    EXPECT_TRUE(Raw(doneOid, kTaskDateCompleted).found);

    done->put_Complete(VARIANT_FALSE);
    ASSERT_EQ(done->Save(), S_OK);
    EXPECT_EQ(Raw(doneOid, kTaskComplete).val.val.iVal, 0);
    EXPECT_FALSE(Raw(doneOid, kTaskDateCompleted).found);

    // A completion date given with the flag is kept.
    done->put_Complete(VARIANT_TRUE);
    done->put_DateCompleted(Ole(2025, 12, 24));
    ASSERT_EQ(done->Save(), S_OK);
    done.Reset();
    EXPECT_EQ(RawTime(doneOid, kTaskDateCompleted), Midnight(2025, 12, 24));
}

TEST_F(OutlookTaskTest, InvalidValuesFailTheSaveAndLeaveTheRecord)
{
    ComRef<ITask> task = NewTask();
    PutText(task, &ITask::put_Subject, u"Kept");
    task->put_StartDate(Ole(2026, 5, 1));
    task->put_DueDate(Ole(2026, 5, 2));
    ASSERT_EQ(task->Save(), S_OK);
    const CEOID oid = OidOf(task);

    PutText(task, &ITask::put_Subject, u"Lost");
    task->put_DueDate(Ole(2026, 4, 30));
    EXPECT_EQ(task->Save(), E_INVALIDDATES) << "due before start";
    task->put_DueDate(Ole(3001, 1, 1));
    EXPECT_EQ(task->Save(), E_INVALIDDATES) << "beyond 2999";
    task->put_DueDate(kNoOleDate);
    task->put_ReminderSet(VARIANT_TRUE);
    EXPECT_EQ(task->Save(), E_INVALIDREMINDERTIME) << "a reminder without a due date or time";
    task->put_ReminderSet(VARIANT_FALSE);
    ComRef<IRecurrencePattern> pattern;
    task->GetRecurrencePattern(pattern.Put());
    pattern->put_RecurrenceType(olRecursDaily);
    pattern->put_Interval(0);
    EXPECT_EQ(task->Save(), E_INVALIDRECURRENCE);
    pattern->put_Interval(999);
    EXPECT_EQ(task->Save(), E_INVALIDRECURRENCE);
    pattern.Reset();
    task.Reset();

    EXPECT_EQ(Raw(oid, kTaskSubject).text, u"Kept");
    EXPECT_EQ(RawTime(oid, kTaskDueDate), Midnight(2026, 5, 2));
    EXPECT_FALSE(Raw(oid, kTaskRecurrencePattern).found);
    EXPECT_FALSE(Raw(oid, kTaskReminderSet).found);

    // A subject as long as the priority renumbering writes (4,047 characters) is no invalid value.
    const std::u16string longest = u"A12|7: " + std::u16string(4040, u's');
    task = OpenTask(oid);
    PutText(task, &ITask::put_Subject, longest.c_str());
    EXPECT_EQ(task->Save(), S_OK);
    task.Reset();
    EXPECT_EQ(Raw(oid, kTaskSubject).text, longest);
}

TEST_F(OutlookTaskTest, RecurringTaskStoresItsPatternAndCompletingItLeavesACopyAndMovesOn)
{
    const CEOID oid = SaveWeeklyTask();
    EXPECT_EQ(Raw(oid, kTaskRecurring).val.val.iVal, 1);
    const std::vector<BYTE> bytes = Raw(oid, kTaskRecurrencePattern).bytes;
    platform::RecurrencePatternBlob blob;
    ASSERT_TRUE(
        platform::RecurrenceBlobUsable(platform::DecodeRecurrencePatternBlob(bytes.data(), bytes.size(), blob)));
    EXPECT_EQ(blob.frequency, platform::kRecurFrequencyWeekly);
    EXPECT_EQ(blob.weekdayMask, 1u << 2) << "Tuesday, the start's weekday";

    ASSERT_TRUE(WriteRaw(kTasksDatabase, oid, {cedbtest::I4(PropIdNumber(kTaskNotificationHandle), 5)}));
    ComRef<ITask> task = OpenTask(oid);
    task->put_Complete(VARIANT_TRUE);
    ASSERT_EQ(task->Save(), S_OK);
    EXPECT_EQ(OidOf(task), oid);
    task.Reset();
    ASSERT_EQ(RecordCount(kTasksDatabase), 2);

    // The task itself now stands on the next Tuesday, open and recurring.
    EXPECT_EQ(RawTime(oid, kTaskStartDate), Midnight(2026, 3, 17));
    EXPECT_EQ(RawTime(oid, kTaskDueDate), Midnight(2026, 3, 18));
    EXPECT_EQ(Raw(oid, kTaskComplete).val.val.iVal, 0);
    EXPECT_FALSE(Raw(oid, kTaskDateCompleted).found);
    EXPECT_EQ(Raw(oid, kTaskRecurring).val.val.iVal, 1);

    // The copy is the finished occurrence, complete and not recurring.
    HANDLE db = cedbtest::OpenDb(PimDatabases::Oid(kTasksDatabase));
    const std::vector<CEOID> oids = cedbtest::Order(db);
    CloseHandle(db);
    const CEOID copy = oids[0] == oid ? oids[1] : oids[0];
    EXPECT_EQ(Raw(copy, kTaskComplete).val.val.iVal, 1);
    EXPECT_TRUE(Raw(copy, kTaskDateCompleted).found);
    EXPECT_EQ(RawTime(copy, kTaskStartDate), Midnight(2026, 3, 10));
    EXPECT_EQ(Raw(copy, kTaskSubject).text, u"Water plants");
    EXPECT_FALSE(Raw(copy, kTaskRecurrencePattern).found);
    EXPECT_FALSE(Raw(copy, kTaskRecurring).found);
    EXPECT_FALSE(Raw(copy, kTaskNotificationHandle).found) << "the alarm stays with the live task";

    task = OpenTask(oid);
    task->ClearRecurrencePattern();
    ASSERT_EQ(task->Save(), S_OK);
    task.Reset();
    EXPECT_FALSE(Raw(oid, kTaskRecurrencePattern).found);
    EXPECT_FALSE(Raw(oid, kTaskRecurring).found);
}

TEST_F(OutlookTaskTest, SkippingLeavesNoCopyAndCompletingTheLastOccurrenceCompletesTheTask)
{
    const CEOID oid = SaveWeeklyTask(2);
    ComRef<ITask> task = OpenTask(oid);
    ASSERT_EQ(task->SkipRecurrence(), S_OK);
    EXPECT_EQ(RecordCount(kTasksDatabase), 1);
    EXPECT_EQ(RawTime(oid, kTaskStartDate), Midnight(2026, 3, 17));
    EXPECT_EQ(task->SkipRecurrence(), E_FAIL) << "two occurrences only";
    task->put_Complete(VARIANT_TRUE);
    ASSERT_EQ(task->Save(), S_OK);
    EXPECT_EQ(Get(task, &ITask::get_IsRecurring), VARIANT_FALSE);
    task.Reset();
    EXPECT_EQ(RecordCount(kTasksDatabase), 1);
    EXPECT_EQ(Raw(oid, kTaskComplete).val.val.iVal, 1);
    EXPECT_EQ(RawTime(oid, kTaskStartDate), Midnight(2026, 3, 17));
    EXPECT_FALSE(Raw(oid, kTaskRecurrencePattern).found);
    EXPECT_EQ(NewTask()->SkipRecurrence(), E_FAIL) << "not recurring";
}

}  // namespace
