// User notifications kept in the object store.
#include "platform/objectstore/user_notifications.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/objectstore/store_schema.h"
#include "platform/time/clock.h"
#include "tests/platform/objectstore/cedb_test_support.h"
#include "tests/support/last_error_check.h"
#include "tests/support/test_dates.h"

namespace {

using Text = std::optional<std::u16string>;

using kstest::Make;
using kstest::Show;

// A user notification whose strings the test owns.
struct UserNote {
    std::u16string title, text, sound;
    CE_USER_NOTIFICATION un{};
    UserNote(DWORD actions, std::u16string t, std::u16string x, std::u16string s, DWORD maxSound = 0)
        : title(std::move(t)), text(std::move(x)), sound(std::move(s))
    {
        un.ActionFlags = actions;
        un.pwszDialogTitle = title.data();
        un.pwszDialogText = text.data();
        un.pwszSound = sound.data();
        un.nMaxSound = maxSound;
    }
};

CE_NOTIFICATION_TRIGGER Trigger(DWORD type, const char16_t* app, const char16_t* args, SYSTEMTIME start, SYSTEMTIME end)
{
    CE_NOTIFICATION_TRIGGER t{};
    t.dwSize = sizeof t;
    t.dwType = type;
    t.lpszApplication = const_cast<LPWSTR>(app);
    t.lpszArguments = const_cast<LPWSTR>(args);
    t.stStartTime = start;
    t.stEndTime = end;
    return t;
}

// What CeGetUserNotification reported, copied out of its buffer.
struct Info {
    HANDLE handle = nullptr;
    DWORD status = 0;
    DWORD type = 0, event = 0;
    Text application, arguments;
    std::string start, end;
    bool hasUser = false;
    DWORD actions = 0, maxSound = 0, reserved = 0;
    Text title, text, sound;
};

// Checks that every pointer the call wrote points into its own buffer.
bool Inside(const void* p, const BYTE* buffer, UINT size)
{
    auto* b = static_cast<const BYTE*>(p);
    return b >= buffer && b < buffer + size;
}

Text Copy(LPCWSTR s, const BYTE* buffer, UINT size)
{
    if (!s) return std::nullopt;
    EXPECT_TRUE(Inside(s, buffer, size)) << "string outside the buffer";
    return std::u16string(s);
}

std::optional<Info> Get(HANDLE h)
{
    UINT needed = 0;
    SetLastError(0);
    EXPECT_FALSE(CeGetUserNotification(h, 0, &needed, nullptr));
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
    std::vector<std::uint64_t> storage(needed / 8 + 1);
    auto* buffer = reinterpret_cast<BYTE*>(storage.data());
    UINT again = 0;
    if (!CeGetUserNotification(h, needed, &again, buffer)) {
        ADD_FAILURE() << "second call failed with " << GetLastError();
        return std::nullopt;
    }
    EXPECT_EQ(again, needed);
    auto* header = reinterpret_cast<CE_NOTIFICATION_INFO_HEADER*>(buffer);
    Info info;
    info.handle = header->hNotification;
    info.status = header->dwStatus;
    EXPECT_TRUE(Inside(header->pcent, buffer, needed));
    const CE_NOTIFICATION_TRIGGER& t = *header->pcent;
    EXPECT_EQ(t.dwSize, sizeof(CE_NOTIFICATION_TRIGGER));
    info.type = t.dwType;
    info.event = t.dwEvent;
    info.application = Copy(t.lpszApplication, buffer, needed);
    info.arguments = Copy(t.lpszArguments, buffer, needed);
    info.start = Show(t.stStartTime);
    info.end = Show(t.stEndTime);
    if (const CE_USER_NOTIFICATION* u = header->pceun) {
        EXPECT_TRUE(Inside(u, buffer, needed));
        info.hasUser = true;
        info.actions = u->ActionFlags;
        info.maxSound = u->nMaxSound;
        info.reserved = u->dwReserved;
        info.title = Copy(u->pwszDialogTitle, buffer, needed);
        info.text = Copy(u->pwszDialogText, buffer, needed);
        info.sound = Copy(u->pwszSound, buffer, needed);
    }
    return info;
}

std::vector<HANDLE> Handles()
{
    DWORD needed = 0;
    CeGetUserNotificationHandles(nullptr, 0, &needed);
    std::vector<HANDLE> handles(needed);
    EXPECT_TRUE(CeGetUserNotificationHandles(handles.data(), needed, &needed));
    handles.resize(needed);
    return handles;
}

class UserNotificationTest : public CedbSandbox {
protected:
    void SetUp() override
    {
        CedbSandbox::SetUp();
        ASSERT_TRUE(platform::SetPinnedNow(Make(2024, 3, 1, 8, 0)));
    }
    void TearDown() override
    {
        platform::ClearPinnedNow();
        CedbSandbox::TearDown();
    }

    // An alarm as the task list sets it.
    HANDLE SetReminder(SYSTEMTIME when, std::u16string text = u"Pay the rent")
    {
        UserNote note(PUN_DIALOG, u"Task Reminder", std::move(text), u"Alarm1.wav");
        return CeSetUserNotification(nullptr, u"TASKS.EXE", &when, &note.un);
    }
};

// ---- Setting and reading back ---------------------------------------------

TEST_F(UserNotificationTest, ClassicNotificationRoundTripsEveryFieldAndExtendedTriggersOfEachKind)
{
    SYSTEMTIME when = Make(2024, 3, 15, 9, 30, 12);  // a Friday
    UserNote note(PUN_DIALOG | PUN_SOUND | PUN_REPEAT, u"Task Reminder", u"Call Ana \u00e9\u4e2d", u"Alarm1.wav", 3);
    note.un.dwReserved = 77;
    HANDLE h = CeSetUserNotification(nullptr, u"TASKS.EXE", &when, &note.un);
    ASSERT_NE(h, nullptr);

    Info info = Get(h).value();
    EXPECT_EQ(info.handle, h);
    EXPECT_EQ(info.type, CNT_CLASSICTIME);
    EXPECT_EQ(info.application, Text(u"TASKS.EXE"));
    EXPECT_EQ(info.arguments, std::nullopt);
    EXPECT_EQ(info.start, "2024-03-15 09:30:12.000 dow 5");
    EXPECT_EQ(info.end, info.start);
    ASSERT_TRUE(info.hasUser);
    EXPECT_EQ(info.actions, PUN_DIALOG | PUN_SOUND | PUN_REPEAT);
    EXPECT_EQ(info.title, Text(u"Task Reminder"));
    EXPECT_EQ(info.text, Text(u"Call Ana \u00e9\u4e2d"));
    EXPECT_EQ(info.sound, Text(u"Alarm1.wav"));
    EXPECT_EQ(info.maxSound, 3u);
    EXPECT_EQ(info.reserved, 77u);

    // Null and empty strings stay apart.
    CE_USER_NOTIFICATION un{};
    un.ActionFlags = PUN_LED;
    un.pwszDialogText = const_cast<LPWSTR>(u"");
    info = Get(CeSetUserNotification(nullptr, nullptr, &when, &un)).value();
    EXPECT_EQ(info.application, std::nullopt);
    EXPECT_EQ(info.title, std::nullopt);
    EXPECT_EQ(info.text, Text(u""));
    EXPECT_EQ(info.sound, std::nullopt);

    SYSTEMTIME start = Make(2024, 5, 2, 18, 45);
    CE_USER_NOTIFICATION silent{};
    auto timed = Trigger(CNT_TIME, u"\\WINDOWS\\KSNotification.exe", u"\\My Documents\\note.pwi", start, start);
    info = Get(CeSetUserNotificationEx(nullptr, &timed, &silent)).value();
    EXPECT_EQ(info.type, CNT_TIME);
    EXPECT_EQ(info.arguments, Text(u"\\My Documents\\note.pwi"));
    EXPECT_EQ(info.start, "2024-05-02 18:45:00.000 dow 4");
    EXPECT_EQ(info.end, info.start);
    EXPECT_TRUE(info.hasUser);
    EXPECT_EQ(info.actions, 0u);

    // An end of all zeros means the start; a period keeps its own end.
    UserNote led(PUN_LED, u"t", u"x", u"s");
    auto noEnd = Trigger(CNT_CLASSICTIME, u"a.exe", nullptr, start, SYSTEMTIME{});
    info = Get(CeSetUserNotificationEx(nullptr, &noEnd, &led.un)).value();
    EXPECT_EQ(info.end, info.start);
    auto period = Trigger(CNT_PERIOD, nullptr, nullptr, start, Make(2024, 5, 3, 0, 0));
    info = Get(CeSetUserNotificationEx(nullptr, &period, &led.un)).value();
    EXPECT_EQ(info.end, "2024-05-03 00:00:00.000 dow 5");

    auto event = Trigger(CNT_EVENT, u"sync.exe", u"-x", start, start);
    event.dwEvent = NOTIFICATION_EVENT_SYNC_END;
    info = Get(CeSetUserNotificationEx(nullptr, &event, nullptr)).value();
    EXPECT_EQ(info.type, CNT_EVENT);
    EXPECT_EQ(info.event, NOTIFICATION_EVENT_SYNC_END);
    EXPECT_EQ(info.start, Show(SYSTEMTIME{})) << "events keep no time";
    EXPECT_EQ(info.status, 0u);
}

TEST_F(UserNotificationTest, ReplacingKeepsTheHandleAndDropsWhatTheNewOneLacks)
{
    HANDLE h = SetReminder(Make(2024, 3, 15, 9, 30), u"first");
    HANDLE other = SetReminder(Make(2024, 3, 16, 9, 30), u"other");
    ASSERT_NE(h, nullptr);

    UserNote note(PUN_VIBRATE, u"New title", u"second", u"Beep.wav");
    SYSTEMTIME later = Make(2024, 4, 1, 7, 0);
    EXPECT_EQ(CeSetUserNotification(h, u"TASKS.EXE", &later, &note.un), h);
    Info info = Get(h).value();
    EXPECT_EQ(info.start, "2024-04-01 07:00:00.000 dow 1");
    EXPECT_EQ(info.actions, PUN_VIBRATE);
    EXPECT_EQ(info.text, Text(u"second"));
    EXPECT_EQ(info.sound, Text(u"Beep.wav"));

    // Rescheduled as a program start without a user notification.
    auto t = Trigger(CNT_TIME, u"\\Windows\\app.exe", nullptr, later, later);
    EXPECT_EQ(CeSetUserNotificationEx(h, &t, nullptr), h);
    info = Get(h).value();
    EXPECT_EQ(info.type, CNT_TIME);
    EXPECT_FALSE(info.hasUser);
    EXPECT_EQ(info.application, Text(u"\\Windows\\app.exe"));

    EXPECT_EQ(Handles().size(), 2u);
    EXPECT_EQ(Get(other).value().text, Text(u"other"));
}

// ---- Refused arguments and unknown handles --------------------------------

TEST_F(UserNotificationTest, InvalidArgumentsStoreNothing)
{
    SYSTEMTIME ok = Make(2024, 3, 15, 9, 30);
    UserNote note(PUN_DIALOG, u"t", u"x", u"s");
    auto expectInvalid = [](HANDLE h, const char* what) {
        DWORD error = GetLastError();
        EXPECT_EQ(h, nullptr) << what;
        EXPECT_EQ(error, ERROR_INVALID_PARAMETER) << what;
    };
    expectInvalid(CeSetUserNotification(nullptr, u"a.exe", nullptr, &note.un), "no time");
    expectInvalid(CeSetUserNotification(nullptr, u"a.exe", &ok, nullptr), "classic without notification");
    SYSTEMTIME badMonth = Make(2024, 13, 1, 0, 0);
    expectInvalid(CeSetUserNotification(nullptr, u"a.exe", &badMonth, &note.un), "month 13");
    UserNote badFlags(0x20, u"t", u"x", u"s");
    expectInvalid(CeSetUserNotification(nullptr, u"a.exe", &ok, &badFlags.un), "unknown action bit");

    expectInvalid(CeSetUserNotificationEx(nullptr, nullptr, &note.un), "no trigger");
    auto t = Trigger(CNT_TIME, u"a.exe", nullptr, ok, ok);
    t.dwSize = sizeof t - 1;
    expectInvalid(CeSetUserNotificationEx(nullptr, &t, nullptr), "short dwSize");
    for (DWORD type : {0u, 5u}) {
        t = Trigger(type, u"a.exe", nullptr, ok, ok);
        expectInvalid(CeSetUserNotificationEx(nullptr, &t, &note.un), "unknown type");
    }
    t = Trigger(CNT_TIME, u"", nullptr, ok, ok);
    expectInvalid(CeSetUserNotificationEx(nullptr, &t, &note.un), "timed start without application");
    t = Trigger(CNT_EVENT, u"a.exe", nullptr, ok, ok);
    expectInvalid(CeSetUserNotificationEx(nullptr, &t, nullptr), "event without event");
    t = Trigger(CNT_PERIOD, nullptr, nullptr, ok, Make(2024, 3, 15, 9, 29));
    expectInvalid(CeSetUserNotificationEx(nullptr, &t, &note.un), "period ending before it starts");
    t = Trigger(CNT_PERIOD, nullptr, nullptr, ok, SYSTEMTIME{});
    expectInvalid(CeSetUserNotificationEx(nullptr, &t, &note.un), "period without end");
    t = Trigger(CNT_PERIOD, nullptr, nullptr, ok, ok);
    expectInvalid(CeSetUserNotificationEx(nullptr, &t, nullptr), "period without notification");

    EXPECT_TRUE(Handles().empty());

    // A rejected replacement leaves the old notification as it was.
    HANDLE h = SetReminder(ok, u"kept");
    expectInvalid(CeSetUserNotification(h, u"a.exe", &badMonth, &note.un), "bad replacement");
    EXPECT_EQ(Get(h).value().text, Text(u"kept"));
}

TEST_F(UserNotificationTest, HandlesThatNameNoNotificationAndClearing)
{
    SYSTEMTIME when = Make(2024, 3, 15, 9, 30);
    UINT needed = 0;
    // Before the database exists.
    EXPECT_TRUE(
        FAILS_WITH(CeClearUserNotification(reinterpret_cast<HANDLE>(std::uintptr_t{5})), FALSE, ERROR_INVALID_HANDLE));

    HANDLE h = SetReminder(when);
    HANDLE cleared = SetReminder(Make(2024, 3, 16, 9, 30));
    ASSERT_TRUE(h && cleared);
    ASSERT_TRUE(CeClearUserNotification(cleared));
    CEOID foreignDb = cedbtest::CreateDb(u"Other", {});
    HANDLE other = cedbtest::OpenDb(foreignDb);
    CEOID foreignRecord = cedbtest::Write(other, 0, {cedbtest::UI4(0x7F00, CNT_TIME)});
    CloseHandle(other);
    ASSERT_NE(foreignRecord, 0u);

    std::vector<std::pair<HANDLE, const char*>> bad{
        {nullptr, "null"},
        {INVALID_HANDLE_VALUE, "INVALID_HANDLE_VALUE"},
        {reinterpret_cast<HANDLE>(std::uintptr_t{foreignRecord}), "record of another database"},
        {reinterpret_cast<HANDLE>(std::uintptr_t{foreignDb}), "a database"},
        {reinterpret_cast<HANDLE>(reinterpret_cast<std::uintptr_t>(h) + 1000), "never issued"},
        {cleared, "cleared"},
    };
    UserNote note(PUN_DIALOG, u"t", u"x", u"s");
    for (auto [handle, what] : bad) {
        EXPECT_TRUE(FAILS_WITH(CeGetUserNotification(handle, 0, &needed, nullptr), FALSE, ERROR_INVALID_HANDLE))
            << what;
        EXPECT_TRUE(FAILS_WITH(CeClearUserNotification(handle), FALSE, ERROR_INVALID_HANDLE)) << what;
        if (!handle) continue;  // 0 means "make a new one" when setting
        EXPECT_TRUE(FAILS_WITH(CeSetUserNotification(handle, u"a.exe", &when, &note.un), nullptr, ERROR_INVALID_HANDLE))
            << what;
    }
    EXPECT_EQ(Handles(), std::vector<HANDLE>{h});
    EXPECT_TRUE(Get(h));
    EXPECT_NE(SetReminder(when), cleared) << "a cleared handle's identity is not taken over";
}

// ---- Restarting -----------------------------------------------------------

TEST_F(UserNotificationTest, HandlesAndRecordsSurviveARestart)
{
    HANDLE h = SetReminder(Make(2024, 3, 15, 9, 30), u"after restart");
    ASSERT_NE(h, nullptr);
    platform::CloseObjectStore();

    EXPECT_EQ(Get(h).value().text, Text(u"after restart"));
    EXPECT_EQ(Handles(), std::vector<HANDLE>{h});

    // The record is readable by other tools under the documented properties,
    // the time stored as a local file time.
    CEOID db = 0;
    HANDLE raw = CeOpenDatabaseEx(nullptr, &db, kNotificationsDatabase, 0, 0, nullptr);
    ASSERT_NE(raw, INVALID_HANDLE_VALUE);
    auto oid = static_cast<CEOID>(reinterpret_cast<std::uintptr_t>(h));
    ASSERT_EQ(cedbtest::Seek(raw, CEDB_SEEK_CEOID, oid), oid);
    FILETIME local{};
    SYSTEMTIME when = Make(2024, 3, 15, 9, 30);
    SystemTimeToFileTime(&when, &local);
    auto record = cedbtest::Read(raw, {kNotificationType, kNotificationApplication, kNotificationStart,
                                       kNotificationActions, kNotificationDialogText, kNotificationArguments});
    CloseHandle(raw);
    using cedbtest::Key;
    EXPECT_EQ(record.props, (std::vector<std::string>{
                                Key(kNotificationType) + "4", Key(kNotificationApplication) + "'TASKS.EXE'",
                                Key(kNotificationStart) + "ft " + std::to_string(platform::FileTimeValue(local)),
                                Key(kNotificationActions) + "4", Key(kNotificationDialogText) + "'after restart'",
                                Key(kNotificationArguments) + "missing"}));
}

// ---- Buffers, handle lists and status -------------------------------------

TEST_F(UserNotificationTest, BufferSizeProtocolAndHandlesOrderedByStartTimeWithTheirStatus)
{
    DWORD count = 0;
    HANDLE late = SetReminder(Make(2024, 3, 1, 8, 1));
    HANDLE early = SetReminder(Make(2024, 3, 1, 7, 59));
    HANDLE middle = SetReminder(Make(2024, 3, 1, 8, 0));
    auto t = Trigger(CNT_EVENT, u"a.exe", nullptr, {}, {});
    t.dwEvent = NOTIFICATION_EVENT_WAKEUP;
    HANDLE event = CeSetUserNotificationEx(nullptr, &t, nullptr);
    EXPECT_EQ(Handles(), (std::vector<HANDLE>{event, early, middle, late}));
    // The clock is pinned at 08:00: the status tells whether the time has come.
    EXPECT_EQ(Get(early).value().status, CNS_SIGNALLED);
    EXPECT_EQ(Get(middle).value().status, CNS_SIGNALLED);
    EXPECT_EQ(Get(late).value().status, 0u);

    HANDLE small[3] = {nullptr, nullptr, nullptr};
    EXPECT_TRUE(FAILS_WITH(CeGetUserNotificationHandles(small, 3, &count), FALSE, ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(small[0], nullptr) << "a short buffer is left alone";

    EXPECT_TRUE(FAILS_WITH(CeGetUserNotificationHandles(small, 3, nullptr), FALSE, ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(FAILS_WITH(CeGetUserNotificationHandles(nullptr, 3, &count), FALSE, ERROR_INVALID_PARAMETER));

    HANDLE h = SetReminder(Make(2024, 3, 15, 9, 30), u"abc");
    UINT needed = 0;
    EXPECT_TRUE(FAILS_WITH(CeGetUserNotification(h, 0, &needed, nullptr), FALSE, ERROR_INSUFFICIENT_BUFFER));
    ASSERT_GT(needed,
              sizeof(CE_NOTIFICATION_INFO_HEADER) + sizeof(CE_NOTIFICATION_TRIGGER) + sizeof(CE_USER_NOTIFICATION));

    // One byte short: refused, and nothing written.
    std::vector<std::uint64_t> storage(needed / 8 + 2, 0xABABABABABABABABull);
    auto* buffer = reinterpret_cast<BYTE*>(storage.data());
    UINT reported = 0;
    EXPECT_TRUE(FAILS_WITH(CeGetUserNotification(h, needed - 1, &reported, buffer), FALSE, ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(reported, needed);
    for (UINT i = 0; i < needed; ++i) ASSERT_EQ(buffer[i], 0xAB) << "byte " << i;
    EXPECT_TRUE(CeGetUserNotification(h, needed, &reported, buffer));
    EXPECT_EQ(buffer[needed], 0xAB) << "wrote past what it asked for";

    // Longer strings need exactly that much more room.
    HANDLE longer = SetReminder(Make(2024, 3, 15, 9, 30), u"abcdefgh");
    UINT longerNeeded = 0;
    CeGetUserNotification(longer, 0, &longerNeeded, nullptr);
    EXPECT_EQ(longerNeeded, needed + 5 * sizeof(WCHAR));

    EXPECT_TRUE(FAILS_WITH(CeGetUserNotification(h, needed, nullptr, buffer), FALSE, ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(FAILS_WITH(CeGetUserNotification(h, needed, &reported, nullptr), FALSE, ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(FAILS_WITH(CeGetUserNotification(h, needed, &reported, buffer + 1), FALSE, ERROR_INVALID_PARAMETER))
        << "misaligned buffer";
}

}  // namespace

namespace {

TEST_F(UserNotificationTest, HandledMarkStaysUntilTheNotificationIsSetAgain)
{
    // The clock is pinned at 08:00.
    HANDLE due = SetReminder(Make(2024, 3, 1, 7, 0));
    HANDLE later = SetReminder(Make(2024, 3, 1, 9, 0));
    HANDLE untouched = SetReminder(Make(2024, 3, 1, 6, 0));
    EXPECT_TRUE(MarkUserNotificationHandled(due));
    EXPECT_TRUE(MarkUserNotificationHandled(later));
    struct {
        HANDLE handle;
        DWORD status;
    } const marked[] = {{due, CNS_SIGNALLED | CNS_HANDLED}, {later, CNS_HANDLED}, {untouched, CNS_SIGNALLED}};
    for (const auto& m : marked) EXPECT_EQ(Get(m.handle).value().status, m.status);

    // Setting it again (a moved reminder) makes it pending once more, under the same handle.
    UserNote note(PUN_DIALOG, u"Task Reminder", u"moved", u"Alarm1.wav");
    SYSTEMTIME when = Make(2024, 3, 1, 7, 30);
    EXPECT_EQ(CeSetUserNotification(due, u"TASKS.EXE", &when, &note.un), due);
    EXPECT_EQ(Get(due).value().status, CNS_SIGNALLED);

    EXPECT_TRUE(CeClearUserNotification(untouched));
    EXPECT_TRUE(FAILS_WITH(MarkUserNotificationHandled(untouched), FALSE, ERROR_INVALID_HANDLE));
    EXPECT_TRUE(FAILS_WITH(MarkUserNotificationHandled(nullptr), FALSE, ERROR_INVALID_HANDLE));
    EXPECT_EQ(Handles().size(), 2u) << "marking adds no notification";
}

}  // namespace
