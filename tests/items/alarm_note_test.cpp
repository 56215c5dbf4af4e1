// CAlarmNote on file notes: the attribute file after save, copy, move and delete, the alarm's notification,
// free names, the default folder and title, garbage in the attribute file and a storage card taken out.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <tuple>

#include "items/c_alarm_note.h"
#include "platform/objectstore/user_notifications.h"
#include "tests/engine/notes_tree.h"
#include "tests/support/locale_pin.h"
#include "tests/support/scripted_ui_host.h"
#include "tests/support/test_dates.h"

namespace {

constexpr const char16_t* kNote = u"\\My Documents\\a.pwi";

// What the attribute file holds for one note: the values that are there.
struct Key {
    std::optional<std::u16string> category;
    std::optional<ULONG> high, low, isPrivate, handle;
    bool exists = false;
};

class AlarmNoteTest : public notestest::NotesSandbox {
protected:
    void SetUp() override
    {
        NotesSandbox::SetUp();
        platform::SetPinnedNow(kstest::Make(2026, 12, 7, 10, 17, 42));
        Ink(kNote, u"Buy milk");
    }
    void TearDown() override
    {
        platform::ClearPinnedNow();
        NotesSandbox::TearDown();
    }
    static Key Read(const std::u16string& path)
    {
        Key key;
        CRegistry store(kNoteDataFile);
        if (store.Exists(HKEY_CURRENT_USER, path.c_str()) != 1) return key;
        key.exists = true;
        std::u16string text;
        if (store.QueryText(u"Category", text) == 0) key.category = text;
        const auto number = [&](const WCHAR* name, std::optional<ULONG>& out) {
            ULONG value = 0;
            if (store.QueryValue(name, &value) == 0) out = value;
        };
        number(u"AHDT", key.high);
        number(u"ALDT", key.low);
        number(u"Private", key.isPrivate);
        number(u"AlarmHandle", key.handle);
        return key;
    }
    // The notification's program, argument and start time; empty when the handle names none.
    static std::optional<std::tuple<std::u16string, std::u16string, SYSTEMTIME>> Notification(ULONG handle)
    {
        UINT needed = 0;
        HANDLE h = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(handle));
        CeGetUserNotification(h, 0, &needed, nullptr);
        if (needed == 0) return std::nullopt;
        std::vector<std::uint64_t> buffer(needed / 8 + 1);
        auto* bytes = reinterpret_cast<BYTE*>(buffer.data());
        if (!CeGetUserNotification(h, needed, &needed, bytes)) return std::nullopt;
        const auto* header = reinterpret_cast<CE_NOTIFICATION_INFO_HEADER*>(bytes);
        return std::make_tuple(std::u16string(header->pcent->lpszApplication),
                               std::u16string(header->pcent->lpszArguments), header->pcent->stStartTime);
    }
    static std::unique_ptr<CAlarmNote> Open(const std::u16string& path, LONG kind = kAlarmNoteInk)
    {
        auto note = std::make_unique<CAlarmNote>();
        EXPECT_TRUE(note->ReadNote(path.c_str(), kind)) << U8(path);
        EXPECT_TRUE(note->LoadNote()) << U8(path);
        return note;
    }
    // Saves kNote with a category, privacy and an alarm at 8 December 2026 09:30.
    std::unique_ptr<CAlarmNote> SavedWithAlarm()
    {
        auto note = Open(kNote);
        note->SetCategory(u"Work, Home");
        note->SetPrivate(1);
        const SYSTEMTIME alarm = kstest::Make(2026, 12, 8, 9, 30);
        note->SetAlarmTime(&alarm);
        EXPECT_TRUE(note->Save());
        return note;
    }
    static bool Exists(const std::u16string& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
    PinnedLocale locale_{"en-US"};
};

TEST_F(AlarmNoteTest, SavingKeepsTheAttributesAndANoteWithoutAlarmKeepsNoAlarmValues)
{
    auto note = SavedWithAlarm();
    const Key saved = Read(kNote);
    EXPECT_EQ(saved.category, u"Work, Home");
    EXPECT_EQ(saved.isPrivate, 1u);
    const ULONGLONG alarm = kstest::FileTimeOf(kstest::Make(2026, 12, 8, 9, 30));
    EXPECT_EQ(saved.high, static_cast<ULONG>(alarm >> 32));
    EXPECT_EQ(saved.low, static_cast<ULONG>(alarm));
    ASSERT_TRUE(saved.handle);
    const auto scheduled = Notification(*saved.handle);
    ASSERT_TRUE(scheduled);
    EXPECT_EQ(std::get<0>(*scheduled), kNoteAlarmProgram);
    EXPECT_EQ(std::get<1>(*scheduled), kNote);
    EXPECT_EQ(std::get<2>(*scheduled).wHour, 9);

    // Read back by another object: the same text and attributes.
    auto again = Open(kNote);
    EXPECT_EQ(again->Text(), u"Buy milk");
    EXPECT_EQ(again->Category(), u"Work, Home");
    EXPECT_EQ(kstest::FileTimeOf(again->AlarmTime()), alarm);

    again->SetAlarmTime(nullptr);
    again->SetPrivate(0);
    again->SetCategory(u"");
    again->SetText(u"Buy oat milk");
    ASSERT_TRUE(again->Save());
    const Key cleared = Read(kNote);
    EXPECT_TRUE(cleared.exists);
    EXPECT_FALSE(cleared.category || cleared.high || cleared.low || cleared.isPrivate || cleared.handle);
    EXPECT_FALSE(Notification(*saved.handle));  // the old alarm is gone with it
    EXPECT_EQ(Open(kNote)->Text(), u"Buy oat milk");
}

TEST_F(AlarmNoteTest, CopiesLandBesideTheNoteWithItsAttributesAndNeverOverwrite)
{
    auto note = SavedWithAlarm();
    ASSERT_TRUE(note->Copy());
    const std::u16string first = note->CopiedPath();
    ASSERT_TRUE(note->Copy());
    const std::u16string second = note->CopiedPath();
    EXPECT_EQ(U8(first), "\\My Documents\\a (copy).pwi");
    EXPECT_EQ(U8(second), "\\My Documents\\a (copy) (copy).pwi");
    for (const std::u16string& copy : {first, second}) {
        EXPECT_EQ(Open(copy)->Text(), u"Buy milk");
        const Key key = Read(copy);
        EXPECT_EQ(key.category, u"Work, Home");
        EXPECT_EQ(key.low, Read(kNote).low);
        ASSERT_TRUE(key.handle);
        EXPECT_NE(key.handle, Read(kNote).handle);  // an alarm of its own
        EXPECT_EQ(std::get<1>(*Notification(*key.handle)), copy);
    }
    // Deleting a copy leaves the original's alarm alone.
    ASSERT_TRUE(Open(first)->Delete());
    EXPECT_TRUE(Notification(*Read(kNote).handle));
    EXPECT_EQ(Open(kNote)->Category(), u"Work, Home");
}

TEST_F(AlarmNoteTest, MovingTakesTheAttributesAlongAndATakenNameGetsANumber)
{
    Ink(u"\\My Documents\\Work\\a.pwi", u"other");
    auto note = SavedWithAlarm();
    const ULONG oldHandle = *Read(kNote).handle;
    ASSERT_TRUE(note->MoveNote(u"\\My Documents\\Work\\a.pwi"));
    const std::u16string moved = u"\\My Documents\\Work\\a (2).pwi";
    EXPECT_EQ(U8(note->Path()), U8(moved));
    EXPECT_FALSE(Exists(kNote));
    EXPECT_FALSE(Read(kNote).exists);
    EXPECT_FALSE(Notification(oldHandle));
    const Key key = Read(moved);
    EXPECT_EQ(key.category, u"Work, Home");
    ASSERT_TRUE(key.handle);
    EXPECT_EQ(std::get<1>(*Notification(*key.handle)), moved);  // rescheduled for the new path
    EXPECT_EQ(Open(moved)->Text(), u"Buy milk");

}

TEST_F(AlarmNoteTest, DeletingRemovesTheFileTheKeyAndTheAlarm)
{
    auto note = SavedWithAlarm();
    Attributes(u"\\My Documents\\other.pwi", u"Keep");
    const ULONG handle = *Read(kNote).handle;
    ASSERT_TRUE(note->Delete());
    EXPECT_FALSE(Exists(kNote));
    EXPECT_FALSE(Read(kNote).exists);
    EXPECT_FALSE(Notification(handle));
    EXPECT_EQ(Read(u"\\My Documents\\other.pwi").category, u"Keep");

    ScriptedUiHost host;
    CAlarmNote never;
    EXPECT_FALSE(never.ReadNote(kNote, kAlarmNoteInk));  // gone
    EXPECT_FALSE(never.Delete());
    EXPECT_EQ(U8(host.LastMessage().text), "The note could not be loaded.");

    // A file with attributes only: its contents are never written.
    File(u"\\My Documents\\memo.wav", 300);
    auto memo = Open(u"\\My Documents\\memo.wav", kAlarmNoteAttributesOnly);
    memo->SetCategory(u"Voice");
    ASSERT_TRUE(memo->Save());
    EXPECT_EQ(ReadHostFile("My Documents/memo.wav"), std::string(300, 'x'));
    EXPECT_EQ(Read(u"\\My Documents\\memo.wav").category, u"Voice");
}

TEST_F(AlarmNoteTest, GarbageLinesInTheAttributeFileAreSkipped)
{
    Attributes(u"\\My Documents\\other.pwi", u"Keep", true);
    Attributes(kNote, u"Work", true, kstest::FileTimeOf(kstest::Make(2026, 12, 9, 8, 0)));
    {
        std::ofstream out(HostOfSettingsFile(kNoteDataFile), std::ios::app | std::ios::binary);
        out << "\n\x01\x02 not a line\n\"AHDT\"=\"soon\"\n[unclosed\n=\n\"Category\"\n\"Private\"=dword:zz\n";
    }
    CRegistry::UnloadINIFileCache();
    auto note = Open(kNote);
    EXPECT_EQ(note->Category(), u"Work");
    EXPECT_NE(note->Private(), 0u);
    note->SetCategory(u"Work, Errands");
    ASSERT_TRUE(note->Save());
    CRegistry::UnloadINIFileCache();
    EXPECT_EQ(Read(kNote).category, u"Work, Errands");
    EXPECT_EQ(Read(u"\\My Documents\\other.pwi").category, u"Keep");
}

TEST_F(AlarmNoteTest, AStorageCardTakenOutBetweenLoadsLosesNothing)
{
    Card(u"Storage Card");
    const std::u16string onCard = u"\\Storage Card\\My Documents\\c.pwi";
    Ink(onCard, u"on the card");
    Attributes(onCard, u"Card");
    auto note = Open(onCard);
    std::filesystem::remove_all(Host("Storage Card"));

    ScriptedUiHost host;
    EXPECT_FALSE(note->LoadNote());
    note->SetCategory(u"Changed");
    EXPECT_FALSE(note->Save());
    EXPECT_EQ(U8(host.LastMessage().text), "Error Saving Note");
    EXPECT_FALSE(note->Delete());
    EXPECT_FALSE(note->MoveNote(u"\\My Documents\\c.pwi"));
    EXPECT_EQ(Read(onCard).category, u"Card");  // kept for when the card comes back
    CAlarmNote again;
    EXPECT_FALSE(again.ReadNote(onCard.c_str(), kAlarmNoteInk));
}

TEST_F(AlarmNoteTest, TheAlarmDialogProposesAnHourFromNowOnTheMinuteUnlessAFutureAlarmIsStored)
{
    auto note = Open(kNote);
    const struct {
        std::optional<SYSTEMTIME> stored;
        SYSTEMTIME proposed;
    } cases[] = {
        {std::nullopt, kstest::Make(2026, 12, 7, 11, 17)},
        {kstest::Make(2026, 12, 7, 9, 0), kstest::Make(2026, 12, 7, 11, 17)},     // in the past
        {kstest::Make(2026, 12, 24, 18, 5), kstest::Make(2026, 12, 24, 18, 5)},  // kept
    };
    for (const auto& c : cases) {
        note->SetAlarmTime(c.stored ? &*c.stored : nullptr);
        const SYSTEMTIME p = note->ProposedAlarm();
        EXPECT_EQ(kstest::FileTimeOf(p), kstest::FileTimeOf(c.proposed)) << p.wDay << " " << p.wHour << ":" << p.wMinute;
        EXPECT_EQ(p.wSecond + p.wMilliseconds, 0);
    }

    ScriptedUiHost host;
    note->SetAlarmTime(nullptr);
    host.QueueAskAnswer(-1);
    EXPECT_FALSE(note->SetAlarm());
    EXPECT_FALSE(Read(kNote).high);
    const SYSTEMTIME chosen = kstest::Make(2027, 1, 2, 7, 45);
    host.QueueAskAnswer(static_cast<int>(AlarmDialogMinutes(chosen)));
    ASSERT_TRUE(note->SetAlarm());
    ASSERT_EQ(host.Questions().size(), 2u);
    EXPECT_EQ(host.Questions()[1].questionId, kNoteAlarmQuestion);
    EXPECT_EQ(AlarmDialogTime(host.Questions()[1].defaultAnswer).wHour, 11);
    EXPECT_EQ(Read(kNote).low, static_cast<ULONG>(kstest::FileTimeOf(chosen)));
}

TEST_F(AlarmNoteTest, NewNotesTakeTheDefaultFolderAndTitleAndFreeNames)
{
    WCHAR folder[MAX_PATH] = {};
    ASSERT_TRUE(CAlarmNote::GetDefaultFolder(folder));
    EXPECT_EQ(U8(folder), "\\My Documents");
    EXPECT_EQ(U8(CAlarmNote::DefaultTitle()), "12_7_2026 10_17 AM-42.pwi");

    CAlarmNote made;
    ASSERT_TRUE(made.Create(nullptr, nullptr, nullptr, u"first", u"Ideas"));
    EXPECT_EQ(U8(made.Path()), "\\My Documents\\12_7_2026 10_17 AM-42.pwi");
    CAlarmNote same;
    ASSERT_TRUE(same.Create(nullptr, nullptr, nullptr, u"second", nullptr));
    EXPECT_EQ(U8(same.Path()), "\\My Documents\\12_7_2026 10_17 AM-42 (2).pwi");
    EXPECT_EQ(Open(made.Path())->Category(), u"Ideas");

    loadertest::SetSetting(kNotesSettingsKey, u"DefaultFolder", u"\\Notes");
    CAlarmNote elsewhere;
    ASSERT_TRUE(elsewhere.Create(nullptr, nullptr, u"plan.pwi", u"", nullptr));
    EXPECT_EQ(U8(elsewhere.Path()), "\\Notes\\plan.pwi");

    // Free names: the path itself when free and asked to test it, else numbered; a name too long gives none.
    auto note = Open(kNote);
    const struct {
        bool test;
        const char16_t* path;
        const char* free;
    } cases[] = {
        {true, u"\\My Documents\\new.pwi", "\\My Documents\\new.pwi"},
        {true, kNote, "\\My Documents\\a (2).pwi"},
        {false, u"\\My Documents\\new.pwi", "\\My Documents\\a (2).pwi"},
    };
    for (const auto& c : cases) {
        std::unique_ptr<WCHAR, decltype(&std::free)> got(note->CheckForDupe(c.test, c.path), &std::free);
        ASSERT_NE(got, nullptr);
        EXPECT_EQ(U8(got.get()), c.free);
    }
    EXPECT_EQ(note->CheckForDupe(true, nullptr), nullptr);
    const std::u16string longName = u"\\My Documents\\" + std::u16string(232, u'n') + u".pwi";
    Ink(longName);
    ScriptedUiHost host;
    auto crowded = Open(longName);
    EXPECT_EQ(crowded->CheckForDupe(true, longName.c_str()), nullptr);
    EXPECT_EQ(U8(host.LastMessage().text), "There is no free file name for the note. Rename or delete some notes.");
}

TEST_F(AlarmNoteTest, TheEditorsPagesMoveTheNoteSetPrivacyAndTheAlarmAndCancelChangesNothing)
{
    ScriptedUiHost host;
    CreateDirectoryW(u"\\My Documents\\Work", nullptr);
    Ink(u"\\My Documents\\Work\\a.pwi", u"Already here");
    const std::vector<std::u16string> folders = {u"\\My Documents", u"\\My Documents\\Work"};
    auto note = Open(kNote);

    // Cancel on the first page: nothing asked further, nothing written.
    host.QueueAnswer(IDCANCEL);
    EXPECT_FALSE(note->DisplayEditor(kNoteEditorProperties, folders));
    EXPECT_TRUE(host.Questions().empty());
    EXPECT_FALSE(Read(kNote).exists);
    EXPECT_NE(host.LastMessage().text.find(u"Buy milk"), std::u16string::npos) << "the page shows the note";

    // Properties: the second folder (whose "a.pwi" is taken) and private.
    host.QueueAnswer(IDOK);
    host.QueueAskAnswer(1);
    host.QueueAskAnswer(IDYES);
    ASSERT_TRUE(note->DisplayEditor(kNoteEditorProperties, folders));
    ASSERT_EQ(host.Questions().size(), 2u);
    EXPECT_EQ(host.Questions()[0].questionId, kNoteFolderQuestion);
    EXPECT_EQ(host.Questions()[0].defaultAnswer, 0) << "the note's own folder is proposed";
    EXPECT_EQ(note->Path(), u"\\My Documents\\Work\\a (2).pwi");
    EXPECT_FALSE(Exists(kNote));
    EXPECT_EQ(Read(note->Path()).isPrivate, 1u);
    EXPECT_EQ(Open(u"\\My Documents\\Work\\a.pwi")->Text(), u"Already here");

    // Keeping the folder and answering no makes it public again; the alarm page sets an alarm.
    host.QueueAnswer(IDOK);
    host.QueueAskAnswer(-1);
    host.QueueAskAnswer(IDNO);
    ASSERT_TRUE(note->DisplayEditor(kNoteEditorProperties, folders));
    EXPECT_FALSE(Read(note->Path()).isPrivate);
    EXPECT_EQ(note->Path(), u"\\My Documents\\Work\\a (2).pwi");
    host.QueueAnswer(IDOK);
    host.QueueAskAnswer(static_cast<int>(AlarmDialogMinutes(kstest::Make(2026, 12, 9, 7, 0))));
    ASSERT_TRUE(note->DisplayEditor(kNoteEditorAlarm, folders));
    EXPECT_TRUE(Read(note->Path()).handle);
    EXPECT_NE(note->EditorText().find(u"Alarm: 2026-12-09 07:00"), std::u16string::npos) << U8(note->EditorText());

    // A note never read: the not-loaded message and no questions.
    CAlarmNote empty;
    const size_t asked = host.Questions().size();
    EXPECT_FALSE(empty.DisplayEditor(kNoteEditorNote, folders));
    EXPECT_EQ(host.Questions().size(), asked);
}

}  // namespace
