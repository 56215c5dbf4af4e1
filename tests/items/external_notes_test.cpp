// The external notes program's plug-in (libpwnotesapi.so) loaded through the library loader: the notes list
// shows and searches its databases, and CAlarmNote reads, saves, alarms, copies, renames, moves and deletes its
// notes through every call of the library.
#include <gtest/gtest.h>

#include "engine/notes_library.h"
#include "items/c_alarm_note.h"
#include "platform/files/plugin_libraries.h"
#include "platform/modules/libraries.h"
#include "tests/engine/notes_tree.h"
#include "tests/support/locale_pin.h"
#include "tests/support/scripted_ui_host.h"
#include "tests/support/test_dates.h"

namespace {

class ExternalNotesTest : public notestest::NotesSandbox {
protected:
    void SetUp() override
    {
        NotesSandbox::SetUp();
        ASSERT_EQ(platform::LoadPluginLibrary(KSTOOLS_NOTES_PLUGIN), "");
        NotesLibrary::Reload();
        ASSERT_TRUE(NotesLibrary::Get().HasDatabases());
    }
    static LONG CreateDatabase(const WCHAR* name)
    {
        using Fn = LONG (*)(const WCHAR*);
        HMODULE module = LoadLibraryW(kNotesLibraryName);
        auto create = reinterpret_cast<Fn>(GetProcAddress(module, "PWN_CreateDatabase"));
        const LONG oid = create ? create(name) : 0;
        FreeLibrary(module);
        return oid;
    }
    static LONG Make(LONG database, const WCHAR* title, const WCHAR* text, const WCHAR* category)
    {
        CAlarmNote note;
        EXPECT_TRUE(note.CreateInDatabase(database, title, text, category));
        return note.Oid();
    }
    // The titles of a database's notes, through the search calls the notes list makes.
    static std::vector<std::string> Titles(LONG database)
    {
        const NotesLibrary& library = NotesLibrary::Get();
        std::vector<std::string> titles;
        for (DWORD h = library.findNextNote(database, 0, kNotesLibraryNoteProps); h;
             h = library.findNextNote(database, h, kNotesLibraryNoteProps)) {
            PWN_NOTE_RECORD record{};
            record.size = sizeof record;
            EXPECT_EQ(library.getNoteData(h, &record), 1);
            titles.push_back(U8(record.title));
        }
        return titles;
    }
    PinnedLocale locale_{"en-US"};
};

TEST_F(ExternalNotesTest, TheNotesListShowsTheDatabasesAndSearchesTheNotesText)
{
    const LONG db = CreateDatabase(u"Notebook");
    ASSERT_NE(db, 0);
    ASSERT_NE(Make(db, u"Recipe", u"Two eggs\nand {flour}", u"Kitchen"), 0);
    ASSERT_NE(Make(db, u"Ideas", u"Caf\u00e9 plans", u"Work"), 0);
    State(u"Notebook", kNoteFolderOpen);
    CNotesThread loader;
    ASSERT_TRUE(loader.SetCompareString(u"EGGS", true, true, false));
    LoaderHost host;
    const notestest::Lines rows = notestest::Load(loader, host);
    EXPECT_EQ(rows[0], "0 Notebook");
    EXPECT_NE(notestest::Find(loader, u"Recipe"), nullptr);
    EXPECT_EQ(notestest::Find(loader, u"Ideas"), nullptr);
    EXPECT_EQ(std::u16string(notestest::Find(loader, u"Recipe")->categories), u"Kitchen");
}

TEST_F(ExternalNotesTest, ANoteOfTheProgramGoesThroughEveryCallOfItsLibrary)
{
    const LONG db = CreateDatabase(u"Notebook");
    const LONG other = CreateDatabase(u"Archive");
    const LONG oid = Make(db, u"Recipe", u"Two eggs\nand {flour} \\ more", u"Kitchen");

    CAlarmNote note;
    EXPECT_FALSE(note.ReadNote(db, oid + 100, nullptr));
    EXPECT_FALSE(note.ReadNote(other, oid, nullptr));
    ASSERT_TRUE(note.ReadNote(db, oid, nullptr));
    ASSERT_TRUE(note.LoadNote());
    EXPECT_EQ(U8(note.Title()), "Recipe");
    EXPECT_EQ(U8(note.Text()), "Two eggs\nand {flour} \\ more");
    EXPECT_EQ(note.Category(), u"Kitchen");

    note.SetText(u"Three eggs");
    note.SetCategory(u"Baking");
    ASSERT_TRUE(note.Save());
    CAlarmNote reread;
    ASSERT_TRUE(reread.ReadNote(db, oid, nullptr));
    ASSERT_TRUE(reread.LoadNote());
    EXPECT_EQ(U8(reread.Text()), "Three eggs");
    EXPECT_EQ(reread.Category(), u"Baking");

    ScriptedUiHost host;
    const SYSTEMTIME alarm = kstest::Make(2027, 3, 4, 8, 15);
    host.QueueAskAnswer(static_cast<int>(AlarmDialogMinutes(alarm)));
    ASSERT_TRUE(note.SetAlarm());
    PWN_NOTE_RECORD record{};
    record.size = sizeof record;
    ASSERT_EQ(NotesLibrary::Get().getNoteDataFromOid(db, oid, &record), 1);
    EXPECT_EQ(kstest::FileTimeOf(record.alarm), kstest::FileTimeOf(alarm));

    ASSERT_TRUE(note.Copy());
    EXPECT_EQ(Titles(db), (std::vector<std::string>{"Recipe", "Recipe (copy)"}));
    ASSERT_TRUE(note.MoveNote(db, u"Renamed"));
    EXPECT_EQ(Titles(db), (std::vector<std::string>{"Renamed", "Recipe (copy)"}));

    // Another database only when the program says it can take notes there.
    EXPECT_FALSE(note.MoveNote(other, nullptr));
    {
        CRegistry settings(REGISTRY_TYPE_REGISTRY);
        ASSERT_EQ(settings.OpenKey(HKEY_CURRENT_USER, kExternalNotesSettingsKey), 0);
        ASSERT_EQ(settings.SetValue(u"DatabaseVolume", u"\\Storage Card"), 0);
    }
    ASSERT_TRUE(note.MoveNote(other, nullptr));
    EXPECT_EQ(Titles(db), (std::vector<std::string>{"Recipe (copy)"}));
    EXPECT_EQ(Titles(other), (std::vector<std::string>{"Renamed"}));
    CAlarmNote moved;
    ASSERT_TRUE(moved.ReadNote(other, note.Oid(), nullptr));
    ASSERT_TRUE(moved.LoadNote());
    EXPECT_EQ(U8(moved.Text()), "Three eggs");
    EXPECT_EQ(moved.Category(), u"Baking");

    ASSERT_TRUE(moved.Delete());
    EXPECT_TRUE(Titles(other).empty());
    EXPECT_FALSE(moved.ReadNote(other, note.Oid(), nullptr));
}

}  // namespace
