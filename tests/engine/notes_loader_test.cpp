// The notes loader's filters, sort keys, damaged state and attribute files, the external notes library, and the
// empty ink note that the has-note test recognises.
#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "engine/note_emptiness.h"
#include "platform/modules/libraries.h"
#include "platform/text/wide_string.h"
#include "tests/engine/notes_tree.h"

using namespace notestest;

namespace {

constexpr ULONGLONG kHour = 36000000000ULL;
constexpr ULONGLONG kBase = 133000000000000000ULL;

// Four notes in one open folder with sizes, attributes and texts that order differently under every key.
class NotesFolder : public NotesSandbox {
protected:
    void SetUp() override
    {
        NotesSandbox::SetUp();
        Ink(u"\\My Documents\\Beta.pwi", u"Call the plumber about the sink");
        Ink(u"\\My Documents\\alpha.pwi", u"Shopping: milk, bread");
        File(u"\\My Documents\\Gamma.wav", 5000);
        Ink(u"\\My Documents\\Delta.pwi", std::u16string(1500, u'x'));
        Folder(u"\\My Documents\\Zed");
        Folder(u"\\My Documents\\Aardvark");
        State(u"\\My Documents", kNoteFolderOpen);
        Attributes(u"\\My Documents\\Beta.pwi", u"Work", true, kBase + 3 * kHour);
        Attributes(u"\\My Documents\\alpha.pwi", u"Home, Work", false, kBase + 1 * kHour);
        Attributes(u"\\My Documents\\Gamma.wav", u"Errands", true, kBase + 2 * kHour);
    }
    Lines Notes(CNotesThread& loader)
    {
        LoaderHost host;
        Lines names;
        for (const std::string& line : Load(loader, host))
            if (line.rfind("1 ", 0) == 0) names.push_back(line.substr(2));
        return names;
    }
};

// A tiny external notes program: two databases (one without a name), the first with three notes, one of
// them without an OID.
struct FakeLibrary {
    static DWORD FindNextDatabase(DWORD h) { return h < 2 ? h + 1 : 0; }
    static LONG GetDatabaseOid(DWORD h) { return h == 1 ? 7001 : 7002; }
    static int GetDatabaseName(DWORD h, WCHAR* name)
    {
        if (h != 1) return 0;
        wcsncpy(name, u"Notebook", kNotesLibraryNameChars);
        return 8;
    }
    static void CloseFind(DWORD) { ++closed; }
    static DWORD FindNextNote(LONG db, DWORD h, DWORD) { return db == 7001 && h < 3 ? h + 1 : 0; }
    static int GetNoteData(DWORD h, PWN_NOTE_RECORD* r)
    {
        if (r->size != sizeof *r) return 0;
        r->oid = h == 2 ? 0 : 500 + h;
        wcsncpy(r->title, h == 1 ? u"Recipe" : u"Ideas", kNotesLibraryTextChars);
        wcsncpy(r->category, h == 1 ? u"Kitchen" : u"Work", kNotesLibraryTextChars);
        r->colourIndex = h == 1 ? 3 : 9;
        r->isPrivate = h == 3;
        r->created = SYSTEMTIME{2024, 5, 0, 1, 8, 0, 0, 0};
        return 1;
    }
    static WCHAR* Preview(LONG, LONG note)
    {
        const std::u16string text = note == 501 ? u"{\\rtf1\\ansi Two {\\b eggs}\\par and fl\\'6fur}" : u"plain";
        auto* out = new WCHAR[text.size() + 1];
        std::copy(text.begin(), text.end(), out);
        out[text.size()] = 0;
        return out;
    }
    static inline int closed = 0;
};

}  // namespace

TEST_F(NotesFolder, FiltersByPrivacyCategoryAndTypedText)
{
    struct Case {
        const char* what;
        LONG privacy;
        const char16_t* category;
        const char16_t* search;
        bool substring, contents, wildcard;
        std::set<std::string> shown;
    } cases[] = {
        {"all", -1, nullptr, nullptr, false, false, false, {"Beta.pwi", "alpha.pwi", "Gamma.wav", "Delta.pwi"}},
        {"public only", 0, nullptr, nullptr, false, false, false, {"alpha.pwi", "Delta.pwi"}},
        {"private only", 1, nullptr, nullptr, false, false, false, {"Beta.pwi", "Gamma.wav"}},
        {"category Work", -1, u"Work", nullptr, false, false, false, {"Beta.pwi", "alpha.pwi"}},
        {"private Work", 1, u"Work", nullptr, false, false, false, {"Beta.pwi"}},
        {"name prefix", -1, nullptr, u"al", false, false, false, {"alpha.pwi"}},
        {"name anywhere", -1, nullptr, u"TA.", true, false, false, {"Beta.pwi", "Delta.pwi"}},
        {"name pattern", -1, nullptr, u"*A.?W?", false, false, true, {"Beta.pwi", "alpha.pwi", "Delta.pwi"}},
        {"text anywhere", -1, nullptr, u"milk", true, true, false, {"alpha.pwi"}},
        // A voice note has no text: compared over the shorter length, an empty text begins with anything.
        {"text prefix", -1, nullptr, u"call the", false, true, false, {"Beta.pwi", "Gamma.wav"}},
    };
    for (const Case& c : cases) {
        loadertest::SetSetting(kNotesSettingsKey, u"NV_FilterPrivacy", static_cast<ULONG>(c.privacy));
        CNotesThread loader;
        if (c.category) {
            auto* selected = new CePtrList<CFullCategory*>;
            selected->Append(new CFullCategory(c.category, 0, 0));
            CCategoryFilterInfo* info = nullptr;
            loader.GetCategoryRestrict(info);
            info->SetSelected(selected);
        }
        if (c.search) {
            EXPECT_TRUE(loader.SetCompareString(c.search, c.substring, c.contents, c.wildcard));
        }
        const Lines rows = Notes(loader);
        std::set<std::string> shown;
        for (const std::string& name : rows)
            if (name != "Aardvark" && name != "Zed" && name != "This folder is empty") shown.insert(name);
        EXPECT_EQ(shown, c.shown) << c.what;
    }
    CNotesThread loader;
    EXPECT_FALSE(loader.SetCompareString(u"", true, false, false));
    EXPECT_FALSE(loader.IsCompareString());
}

TEST_F(NotesFolder, EveryKeySortsNotesBothWaysWithFoldersAheadInNameOrder)
{
    struct Case {
        DWORD key;
        Lines ascending;
    } cases[] = {
        {kNotesSortSubject, {"alpha.pwi", "Beta.pwi", "Delta.pwi", "Gamma.wav"}},
        {kNotesSortAlarm, {"Delta.pwi", "alpha.pwi", "Gamma.wav", "Beta.pwi"}},
        {kNotesSortSize, {"Beta.pwi", "alpha.pwi", "Delta.pwi", "Gamma.wav"}},
        {kNotesSortCategory, {"Delta.pwi", "Gamma.wav", "alpha.pwi", "Beta.pwi"}},
        {77, {"alpha.pwi", "Beta.pwi", "Delta.pwi", "Gamma.wav"}},
    };
    for (const Case& c : cases) {
        for (bool descending : {false, true}) {
            loadertest::SetSetting(kNotesSettingsKey, u"dwSort", c.key);
            loadertest::SetSetting(kNotesSettingsKey, u"bDescending", descending ? 1 : 0);
            CNotesThread loader;
            Lines expected = {"Aardvark", "Zed"};
            if (descending) {
                expected.insert(expected.end(), c.ascending.rbegin(), c.ascending.rend());
            } else {
                expected.insert(expected.end(), c.ascending.begin(), c.ascending.end());
            }
            // Notes of equal size tie; only the folders and the distinct sizes are fixed for that key.
            Lines rows = Notes(loader);
            if (c.key == kNotesSortSize) {
                std::sort(rows.begin() + (descending ? 4 : 2), rows.begin() + (descending ? 6 : 4));
                std::sort(expected.begin() + (descending ? 4 : 2), expected.begin() + (descending ? 6 : 4));
            }
            EXPECT_EQ(rows, expected) << "key " << c.key << (descending ? " descending" : " ascending");
        }
    }
}

TEST_F(NotesFolder, GarbageLinesInTheStateAndAttributeFilesAreSkipped)
{
    State(u"\\My Documents\\Zed", kNoteFolderOpen);
    for (const WCHAR* file : {kNoteFolderStateFile, kNoteDataFile}) {
        std::ofstream out(HostOfSettingsFile(file), std::ios::app | std::ios::binary);
        out << "\n\x01\x02 not a line\n\"\\My Documents\"=dword:zz\n[unclosed\n=\n\"Category\"\n";
    }
    CRegistry::UnloadINIFileCache();
    CNotesThread loader;
    const Lines rows = Notes(loader);
    EXPECT_NE(std::find(rows.begin(), rows.end(), "Beta.pwi"), rows.end());
    const DATANOTES* beta = Find(loader, u"Beta.pwi");
    ASSERT_NE(beta, nullptr);
    EXPECT_EQ(std::u16string(beta->categories), u"Work");
    EXPECT_EQ(beta->isPrivate, 1);
    EXPECT_EQ(beta->hasAlarm, 1);
    EXPECT_EQ(loader.IsFolderOpen(u"\\My Documents\\Zed"), kNoteFolderOpen);
    const DATANOTES* zed = Find(loader, u"Zed");
    ASSERT_NE(zed, nullptr);
    EXPECT_EQ(zed->NumChildren(), 1);  // the placeholder of an empty folder
}

TEST_F(NotesFolder, TheExternalLibrarysDatabasesJoinTheTreeWhenItIsThere)
{
    using F = FakeLibrary;
    ASSERT_TRUE(platform::RegisterLibrary(
        kNotesLibraryName, {{"PWN_FindNextDatabase", platform::AsFarProc(&F::FindNextDatabase)},
                            {"PWN_GetDatabaseOid", platform::AsFarProc(&F::GetDatabaseOid)},
                            {"PWN_GetDatabaseName", platform::AsFarProc(&F::GetDatabaseName)},
                            {"PWN_CloseFindDBHandle", platform::AsFarProc(&F::CloseFind)},
                            {"PWN_FindNextNote", platform::AsFarProc(&F::FindNextNote)},
                            {"PWN_GetNoteData", platform::AsFarProc(&F::GetNoteData)},
                            {"PWN_CloseFindNoteHandle", platform::AsFarProc(&F::CloseFind)},
                            {"PWN_GetNotePreviewText", platform::AsFarProc(&F::Preview)}}));
    NotesLibrary::Reload();
    State(u"Notebook", kNoteFolderOpen);
    {
        CNotesThread loader;
        LoaderHost host;
        const Lines rows = Load(loader, host);
        ASSERT_GE(rows.size(), 3u);
        EXPECT_EQ(rows[0], "0 Notebook");  // databases ahead of the documents folders
        const DATANOTES* recipe = Find(loader, u"Recipe");
        ASSERT_NE(recipe, nullptr);
        EXPECT_EQ(recipe->id, 501u);
        EXPECT_EQ(recipe->kind, kNoteKindDatabase);
        EXPECT_EQ(recipe->colour, 0xFF80FFu);
        EXPECT_EQ(Find(loader, u"Ideas")->colour, 0u);
        EXPECT_EQ(Find(loader, u"Ideas")->isPrivate, 1);
        EXPECT_EQ(loader.GetDataList()[0]->NumChildren(), 2);  // the note without an OID is skipped
        EXPECT_EQ(loader.CategoryNames(), (std::vector<std::u16string>{u"Kitchen", u"Work"}));
        EXPECT_EQ(F::closed, 2);

        // The preview's rich text is searched as plain text.
        CNotesThread search;
        search.SetCompareString(u"eggs\nand flour", true, true, false);
        Load(search, host);
        EXPECT_NE(Find(search, u"Recipe"), nullptr);
        EXPECT_EQ(Find(search, u"Ideas"), nullptr);
    }
    NotesLibrary::Reload();
    ASSERT_TRUE(platform::UnregisterLibrary(kNotesLibraryName));
    CNotesThread without;
    LoaderHost host;
    Load(without, host);
    EXPECT_EQ(Find(without, u"Notebook"), nullptr);
    EXPECT_EQ(without.RootPaths(), (std::vector<std::u16string>{u"\\My Documents"}));
}

TEST(NoteFiles, AnEmptyInkPageIsAnEmptyNoteAndOnlyItsNameDecidesTheKind)
{
    platform::InkNote note;
    std::vector<BYTE> bytes = platform::SerializeInkNote(note);
    CEBLOB blob{static_cast<DWORD>(bytes.size()), bytes.data()};
    EXPECT_TRUE(IsNoteEmpty(&blob));
    note.text = u"x";
    bytes = platform::SerializeInkNote(note);
    blob = CEBLOB{static_cast<DWORD>(bytes.size()), bytes.data()};
    EXPECT_FALSE(IsNoteEmpty(&blob));

    struct Case {
        const char16_t* name;
        bool accepted;
        LONG kind;
    } cases[] = {{u"a.pwi", true, kNoteKindInk},   {u"memo.WAV", true, kNoteKindVoice}, {u"x.PmI", true, kNoteKindPmi},
                 {u".pwi", false, kNoteKindInk},   {u"list.txt", false, kNoteKindInk},  {u"pwi", false, kNoteKindInk},
                 {u"a.pwix", false, kNoteKindInk}, {nullptr, false, kNoteKindInk}};
    for (const Case& c : cases) {
        EXPECT_EQ(CNotesThread::IsValidExtension(c.name), c.accepted) << (c.name ? WideToUtf8(c.name) : "null");
        if (c.accepted) {
            EXPECT_EQ(CNotesThread::KindOfName(c.name), c.kind) << WideToUtf8(c.name);
        }
    }
}
