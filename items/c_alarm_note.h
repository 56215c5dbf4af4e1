// CAlarmNote: one note, read, edited, saved, copied, moved and deleted.
//
// Notes of the suite's own kind are files: ink notes (".pwi", kind 9) and
// other files that carry note attributes only (kind 10, their contents are
// never written here). Their category, privacy and alarm live in the
// attribute file "NoteData.txt" of the data directory, a settings file with
// one key per note named by the note's full path:
//   "Category"     string, absent when empty
//   "AHDT","ALDT"  high and low 32 bits of the alarm time (a local-time
//                  FILETIME); taken only when both are there
//   "Private"      DWORD, absent when 0
//   "AlarmHandle"  DWORD, the user notification that pops the note up
//                  ("\WINDOWS\KSNotification.exe" with the note's path)
// A note of kind 12 lives in a database of the external notes program and is
// reached through its library (engine/notes_library.h); without the library
// such notes cannot be opened.
//
// The hidden ink control of the device is the ink stand-in
// (platform/ink/ink_note.h): a note's data is the bytes of its ink file.
// Questions go through the UI host: the alarm dialog is the question
// kNoteAlarmQuestion. Errors are shown as message boxes (resource strings
// 40470 no note loaded, 44505 no free name, and "Error Saving Note") and the
// operation ends without changes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/time/system_time.h"

inline constexpr LONG kAlarmNoteInk = 9;
inline constexpr LONG kAlarmNoteAttributesOnly = 10;
inline constexpr LONG kAlarmNoteExternal = 12;

inline constexpr UINT kNoteNotLoadedString = 40470;
inline constexpr UINT kNoteCopyMarkerString = 44027;
inline constexpr UINT kNoteNoFreeNameString = 44505;
inline constexpr const WCHAR* kNoteSaveErrorText = u"Error Saving Note";
inline constexpr const WCHAR* kNoteAlarmProgram = u"\\WINDOWS\\KSNotification.exe";
// The alarm dialog: asked with the proposed time as text and, as the default
// answer, the proposed time in minutes since 1 January 2000 00:00 (local);
// the answer is the chosen time in the same unit, negative for cancel.
inline constexpr std::u16string_view kNoteAlarmQuestion = u"NoteAlarm";
// Where the external notes program keeps its settings; the value
// "DatabaseVolume" says it can take notes moved between its databases.
inline constexpr const WCHAR* kExternalNotesSettingsKey = u"Software\\PWNotes";
// Longest file path a note may take; CheckForDupe stops at 250.
inline constexpr size_t kNotePathLimit = 260;
inline constexpr size_t kNoteDupeLimit = 250;

// Minutes since 1 January 2000 00:00 of a local time, and back; the form of
// the alarm dialog's answers.
KSTOOLS_API long AlarmDialogMinutes(const SYSTEMTIME& time);
KSTOOLS_API SYSTEMTIME AlarmDialogTime(long minutes);

// The pages of the note editor (DisplayEditor).
inline constexpr int kNoteEditorNote = 0;
inline constexpr int kNoteEditorProperties = 1;
inline constexpr int kNoteEditorAlarm = 2;
// The editor's questions on the properties page: the folder, answered with
// its index among the folders offered (negative: keep the folder), and
// privacy, answered IDYES or IDNO.
inline constexpr std::u16string_view kNoteFolderQuestion = u"NoteFolder";
inline constexpr std::u16string_view kNotePrivateQuestion = u"NotePrivate";

class KSTOOLS_API CAlarmNote {
public:
    CAlarmNote();
    ~CAlarmNote();
    CAlarmNote(const CAlarmNote&) = delete;
    CAlarmNote& operator=(const CAlarmNote&) = delete;

    // ---- opening ----
    // A file note (kind 9 or 10) at a device path; false, and not loaded,
    // when the file does not exist.
    bool ReadNote(const WCHAR* path, LONG kind);
    // A note of the external program's database (kind 12); false when the
    // library is absent or has no such note.
    bool ReadNote(LONG database, LONG oid, const WCHAR* title);
    // Reads the note's data and attributes. False (with a message) when no
    // note was read or its data cannot be read.
    bool LoadNote();

    // ---- saving ----
    // Writes the note: the ink file (kind 9) and the attributes, or the
    // external program's record (kind 12).
    bool Save();
    // Asks for an alarm time (kNoteAlarmQuestion) and stores it; false when
    // cancelled or not stored.
    bool SetAlarm();
    // The time the alarm dialog proposes: the stored alarm, or, when there is
    // none or it lies in the past or after 31 December 2999, now plus one
    // hour on the minute.
    SYSTEMTIME ProposedAlarm() const;

    // ---- files ----
    // A copy beside the note ("name (copy).pwi", never overwriting) with the
    // note's attributes; the note itself stays open. CopiedPath names it.
    bool Copy();
    // Moves a file note to a path (its folder becomes the note's folder; a
    // taken name gets " (2)", " (3)", ...), its attributes with it.
    bool MoveNote(const WCHAR* target);
    // Renames (same database) or moves (another database, when the program
    // allows it) a note of the external program.
    bool MoveNote(LONG database, const WCHAR* title);
    // Deletes the note, its attributes and its alarm. False (with a message)
    // when no note was read, or when the file cannot be deleted (then nothing
    // is lost).
    bool Delete();
    // A free path for the note: path itself when test is set and it does not
    // exist; otherwise the note's folder and title, then the title with
    // " (2)", " (3)", ... before its extension. A malloc'ed string, or null
    // for a null path or when no name within 250 characters is free.
    WCHAR* CheckForDupe(bool test, const WCHAR* path);
    // A new ink note in folder (null: the default folder) named title (null:
    // the default title) holding text and the categories, saved at once.
    // False when it cannot be written.
    bool Create(HWND parent, const WCHAR* folder, const WCHAR* title, const WCHAR* text, const WCHAR* categories);

    // A new note in a database of the external program, titled title (null:
    // the default title without its extension); false when the program
    // cannot make it.
    bool CreateInDatabase(LONG database, const WCHAR* title, const WCHAR* text, const WCHAR* categories);

    // The folder for new notes: "DefaultFolder" of "Software\Corvid\Kestrel\AV",
    // or the documents folder when that is missing or empty. out holds
    // MAX_PATH characters.
    static bool GetDefaultFolder(WCHAR* out);
    // The title of a new ink note: today's short date, the time without
    // seconds and the current second ("%s %s-%d"), then ".pwi"; characters a
    // file name cannot hold become '_'.
    static std::u16string DefaultTitle();

    // ---- the editor ----
    // Shows the note editor through the UI host, opened on page: first the
    // note (title, folder, category, privacy, alarm and text) with OK and
    // Cancel; Cancel changes nothing. The properties page then asks
    // kNoteFolderQuestion among folders (a file note moves into the one
    // chosen, its name made free there) and kNotePrivateQuestion; the alarm
    // page asks for the alarm (SetAlarm). The note is then saved. False when
    // cancelled, not loaded, or a step failed (the steps before it stay).
    bool DisplayEditor(int page, const std::vector<std::u16string>& folders);
    // The text the editor's first page shows.
    std::u16string EditorText();

    // ---- fields ----
    bool IsLoaded() const { return m_loaded; }
    LONG Kind() const { return m_kind; }
    const std::u16string& Path() const { return m_path; }
    const std::u16string& Folder() const { return m_folder; }
    const std::u16string& Title() const { return m_title; }
    const std::u16string& CopiedPath() const { return m_copiedPath; }
    LONG Oid() const { return m_oid; }
    LONG Database() const { return m_database; }
    const std::vector<BYTE>& NotesData() const { return m_data; }
    // The typed text of the note's page (empty for notes without ink data).
    std::u16string Text() const;
    // Replaces the typed text, keeping the strokes.
    void SetText(std::u16string_view text);
    const std::u16string& Category() const { return m_category; }
    void SetCategory(std::u16string_view category) { m_category = category; }
    // 0 public; non-zero private (2 for a note of the external program).
    DWORD Private() const { return m_private; }
    void SetPrivate(DWORD value) { m_private = value; }
    bool HasAlarm() const;
    const SYSTEMTIME& AlarmTime() const { return m_alarm; }
    // Sets the alarm time (null: no alarm); written by Save or SetAlarm.
    void SetAlarmTime(const SYSTEMTIME* time);
    // The notification of the alarm (0: none).
    HANDLE Notification() const { return m_notification; }
    void SetParent(HWND parent) { m_parent = parent; }

private:
    void Reset();
    bool LoadExternal();
    bool SaveExternal();
    bool MoveExternal(LONG database, const WCHAR* title);
    // Reads the note's key of the attribute file.
    void ReadAttributes();
    // Writes the note's key (and schedules the alarm); false when the file
    // cannot be saved.
    bool WriteAttributes();
    bool EnsureLoaded();
    void SetPath(std::u16string path);

    LONG m_oid = 0;
    LONG m_database = 0;
    std::u16string m_title;
    std::u16string m_path;
    std::u16string m_folder;
    std::u16string m_category;
    LONG m_kind = 0;
    std::vector<BYTE> m_data;
    DWORD m_private = 0;
    HANDLE m_notification = nullptr;
    SYSTEMTIME m_alarm{};
    bool m_loaded = false;
    bool m_dataLoaded = false;
    HWND m_parent = nullptr;
    std::u16string m_copiedPath;
};
