#include "tools/kstools/sample/sample_notes.h"

#include <string>
#include <vector>

#include "engine/notes_library.h"
#include "engine/notes_thread.h"
#include "items/c_alarm_note.h"
#include "platform/base/last_error.h"
#include "platform/files/files.h"
#include "platform/files/find_files.h"
#include "platform/files/plugin_libraries.h"
#include "platform/files/special_folders.h"
#include "platform/ink/ink_note.h"
#include "platform/kernel/handle.h"
#include "platform/modules/libraries.h"
#include "platform/text/utf8.h"
#include "storage/c_registry.h"
#include "tools/kstools/cli_context.h"

namespace kstools {
namespace {

constexpr const WCHAR* kSampleCard = u"Storage Card";
constexpr ULONGLONG kTicksPerHour = 36000000000ULL;

struct SampleNote {
    const WCHAR* folder;  // below the documents folder of its root
    const WCHAR* name;
    const WCHAR* text;
    int drawing;  // 0 none, 1 a tick, 2 a house
    const WCHAR* category;
    bool isPrivate;
    int alarmHours;  // 0: no alarm
    bool onCard;
};

constexpr SampleNote kSampleNotes[] = {
    {u"", u"Shopping.pwi", u"Milk, bread, coffee beans, batteries", 1, u"Personal", false, 0, false},
    {u"", u"Sketch.pwi", u"", 2, nullptr, false, 0, false},
    {u"", u"Empty page.pwi", u"", 0, nullptr, false, 0, false},
    {u"Work", u"Meeting notes.pwi", u"Budget review: move the launch to May.\nAsk Dana about the venue.", 0,
     u"Work, Meetings", false, 26, false},
    {u"Work", u"Phone numbers.pwi", u"Front desk 555-0100\nWorkshop 555-0142", 0, u"Work", false, 0, false},
    {u"Personal", u"Diary.pwi", u"A quiet day. Walked to the lake.", 1, u"Personal", true, 0, false},
    {u"Trip", u"Packing list.pwi", u"Passport, charger, rain jacket", 1, u"Travel", false, 3, true},
};

// The notes of the external notes program's "Notebook" database.
struct SampleExternalNote {
    const WCHAR* title;
    const WCHAR* text;
    const WCHAR* category;
};

constexpr const WCHAR* kSampleNotebook = u"Notebook";
constexpr SampleExternalNote kSampleExternalNotes[] = {
    {u"Ideas", u"A shelf for the hall.\nAsk about the bike trailer.", u"Personal"},
    {u"Recipes", u"Lentil soup: lentils, carrots, cumin, lemon.", nullptr},
    {u"Call list", u"Plumber on Monday, then the school.", u"Work"},
};

void Fail(const std::u16string& path, DWORD error)
{
    throw CommandError("cannot write the sample note " + WideToUtf8(path) + " (error " + std::to_string(error) + ")");
}

platform::InkNote InkOf(const SampleNote& sample)
{
    platform::InkNote note;
    note.text = sample.text;
    if (sample.drawing == 1) {
        note.strokes.push_back({RGB(0, 128, 0), 3, {{180, 250}, {195, 270}, {225, 225}}});
    } else if (sample.drawing == 2) {
        note.strokes.push_back({RGB(0, 0, 160), 2, {{60, 200}, {60, 280}, {180, 280}, {180, 200}, {60, 200}}});
        note.strokes.push_back({RGB(160, 0, 0), 2, {{50, 205}, {120, 140}, {190, 205}}});
        note.strokes.push_back({RGB(0, 0, 0), 1, {{105, 280}, {105, 240}, {135, 240}, {135, 280}}});
    }
    return note;
}

// A second of silence as a WAV file (8 kHz, 8-bit mono).
std::vector<BYTE> SilentWave()
{
    constexpr DWORD kSamples = 8000;
    std::vector<BYTE> out;
    auto put = [&](const char* text) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(text[i]));
    };
    auto put32 = [&](DWORD v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(v >> (8 * i)));
    };
    auto put16 = [&](WORD v) {
        out.push_back(static_cast<BYTE>(v));
        out.push_back(static_cast<BYTE>(v >> 8));
    };
    put("RIFF");
    put32(36 + kSamples);
    put("WAVE");
    put("fmt ");
    put32(16);
    put16(1);
    put16(1);
    put32(8000);
    put32(8000);
    put16(1);
    put16(8);
    put("data");
    put32(kSamples);
    out.insert(out.end(), kSamples, 0x80);
    return out;
}

void WriteBytes(const std::u16string& path, const std::vector<BYTE>& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) Fail(path, GetLastError());
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!ok || written != bytes.size()) Fail(path, error);
}

void MakeFolder(const std::u16string& path)
{
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES && !CreateDirectoryW(path.c_str(), nullptr))
        Fail(path, GetLastError());
}

// The database named name of the notes program, made when missing; 0 when
// the program cannot make it.
LONG NotebookDatabase(const NotesLibrary& library, const WCHAR* name)
{
    for (DWORD h = library.findNextDatabase(0); h; h = library.findNextDatabase(h)) {
        WCHAR found[kNotesLibraryNameChars] = {};
        if (library.getDatabaseName(h, found) && std::u16string(found) == name) {
            const LONG oid = library.getDatabaseOid(h);
            if (library.closeFindDBHandle) library.closeFindDBHandle(h);
            return oid;
        }
    }
    HMODULE module = LoadLibraryW(kNotesLibraryName);
    auto create = reinterpret_cast<LONG (*)(const WCHAR*)>(GetProcAddress(module, "PWN_CreateDatabase"));
    const LONG oid = create ? create(name) : 0;
    if (module) FreeLibrary(module);
    return oid;
}

// Writes the notes program's sample notes when its plug-in is installed,
// replacing notes of the same titles; the number written.
int SeedExternalNotes()
{
    platform::LoadInstalledPlugins();
    NotesLibrary::Reload();
    const NotesLibrary& library = NotesLibrary::Get();
    if (!library.HasDatabases() || !library.createNoteFromRtf) return 0;
    const LONG database = NotebookDatabase(library, kSampleNotebook);
    if (!database) throw CommandError("the notes program cannot make its sample database");
    std::vector<DWORD> replaced;
    for (DWORD h = library.findNextNote(database, 0, kNotesLibraryNoteProps); h;
         h = library.findNextNote(database, h, kNotesLibraryNoteProps)) {
        PWN_NOTE_RECORD record{};
        record.size = sizeof record;
        if (!library.getNoteData(h, &record)) continue;
        for (const SampleExternalNote& sample : kSampleExternalNotes)
            if (std::u16string(record.title) == sample.title) replaced.push_back(record.oid);
    }
    for (DWORD oid : replaced)
        if (library.deleteNote) library.deleteNote(database, static_cast<LONG>(oid));
    int written = 0;
    for (const SampleExternalNote& sample : kSampleExternalNotes) {
        CAlarmNote note;
        if (!note.CreateInDatabase(database, sample.title, sample.text, sample.category))
            throw CommandError("the notes program refused the sample note " + WideToUtf8(sample.title));
        ++written;
    }
    return written;
}

}  // namespace

SampleNotesResult SeedSampleNotes(const FILETIME& now)
{
    SampleNotesResult result;
    WCHAR documents[MAX_PATH] = {};
    if (!SHGetSpecialFolderPath(nullptr, documents, CSIDL_PERSONAL, TRUE)) Fail(u"\\My Documents", GetLastError());
    if (!platform::CreateStorageCard(kSampleCard)) Fail(kSampleCard, GetLastError());
    result.cards = 1;
    const std::u16string cardDocuments = std::u16string(u"\\") + kSampleCard + u"\\" + kNotesDocumentsFolderName;
    MakeFolder(cardDocuments);

    CRegistry noteData(kNoteDataFile);
    const ULONGLONG nowTicks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    for (const SampleNote& sample : kSampleNotes) {
        std::u16string folder = sample.onCard ? cardDocuments : std::u16string(documents);
        if (*sample.folder) {
            folder += u"\\";
            folder += sample.folder;
            MakeFolder(folder);
        }
        const std::u16string path = folder + u"\\" + sample.name;
        const DWORD error = platform::WriteInkFile(path.c_str(), InkOf(sample));
        if (error != ERROR_SUCCESS) Fail(path, error);
        ++result.notes;
        if (!sample.category && !sample.isPrivate && sample.alarmHours == 0) continue;
        if (noteData.OpenKey(HKEY_CURRENT_USER, path.c_str()) != 0) Fail(path, ERROR_ACCESS_DENIED);
        if (sample.category) noteData.SetValue(u"Category", sample.category);
        if (sample.isPrivate) noteData.SetValue(u"Private", 1UL);
        if (sample.alarmHours) {
            const ULONGLONG alarm = nowTicks + sample.alarmHours * kTicksPerHour;
            noteData.SetValue(u"ALDT", static_cast<ULONG>(alarm & 0xFFFFFFFFu));
            noteData.SetValue(u"AHDT", static_cast<ULONG>(alarm >> 32));
        }
    }
    WriteBytes(std::u16string(documents) + u"\\Voice memo.wav", SilentWave());
    ++result.notes;
    if (noteData.SaveINIFile(1) != 0) Fail(kNoteDataFile, GetLastError());

    result.externalNotes = SeedExternalNotes();

    // Both roots and the work folder open, as a first look at the notes window leaves them; the notes
    // program's notebook as well when it was written.
    CRegistry folderState(kNoteFolderStateFile);
    if (folderState.OpenKey(HKEY_CURRENT_USER, kNoteFolderStateKey) != 0) Fail(kNoteFolderStateFile, ERROR_ACCESS_DENIED);
    for (const std::u16string& open : {std::u16string(documents), std::u16string(documents) + u"\\Work", cardDocuments})
        folderState.SetValue(open.c_str(), kNoteFolderOpen);
    if (result.externalNotes) folderState.SetValue(kSampleNotebook, kNoteFolderOpen);
    if (folderState.SaveINIFile(1) != 0) Fail(kNoteFolderStateFile, GetLastError());
    return result;
}

}  // namespace kstools
