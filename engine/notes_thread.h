// CNotesThread: the background loader of the notes list. Notes are files
// (ink and document notes ".pwi", voice notes ".wav", ".pmi" notes) in the
// device's documents folder and in the documents folder of every storage
// card, plus the notes of the external notes program's databases when its
// library is present (engine/notes_library.h). The list is a tree: one root
// row per documents folder and per database, folder rows below them, note
// rows as leaves; the display list holds the rows of open folders
// depth-first.
//
// Folders open, close and hide; their state is kept in "NoteFolderState.txt"
// of the data directory, one number per folder path (bit 0 open, bit 1
// hidden). A note's category, alarm and privacy are read from
// "NoteData.txt", keyed by the note's path. Notes are filtered by privacy,
// category and a typed text (in the name, or in the note's contents), and
// sorted by name, alarm, creation or change time, size or category; folders
// always stay in ascending name order ahead of notes.
//
// Threads: a load runs on the worker under the data lock, taken without
// waiting. Opening and closing folders and refreshing one folder run on the
// window's thread between loads; the refreshes also only try the lock.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/data_notes.h"
#include "engine/ks_data_thread.h"
#include "engine/notes_compare.h"
#include "engine/notes_library.h"
#include "platform/base/export.h"
#include "platform/files/find_files.h"
#include "storage/c_registry.h"

inline constexpr const WCHAR* kNotesSettingsKey = u"Software\\Corvid\\Kestrel\\AV";
inline constexpr const WCHAR* kNoteFolderStateFile = u"%s\\Corvid\\NoteFolderState.txt";
inline constexpr const WCHAR* kNoteFolderStateKey = u"Software\\Corvid\\Kestrel\\NV\\FolderState";
inline constexpr const WCHAR* kNoteDataFile = u"%s\\Corvid\\NoteData.txt";
// The name of an empty folder's placeholder row.
inline constexpr UINT kNotesEmptyFolderString = 42482;
// The documents folder of the device and of each storage card.
inline constexpr const WCHAR* kNotesDocumentsFolderName = u"My Documents";

// Folder state bits.
inline constexpr DWORD kNoteFolderOpen = 1;
inline constexpr DWORD kNoteFolderHidden = 2;

// "NV_FilterPrivacy".
inline constexpr LONG kNotesPrivacyAll = -1;
inline constexpr LONG kNotesPrivacyPublic = 0;
inline constexpr LONG kNotesPrivacyPrivate = 1;

inline constexpr double kNotesNoDate = 949998.0;

class KSTOOLS_API CNotesThread : public CKSDataThread {
public:
    CNotesThread();
    ~CNotesThread() override;

    // ---- configuration (window thread, between loads) ----
    // Reads the settings key: the category restriction, "ShowAllFolders",
    // "NV_FilterPrivacy", "NV_Date", "dwSort", "bDescending". Loads and
    // sorts read it again unless the settings are manual.
    void SettingChange();
    // Manual settings: loads and sorts keep the values set below instead of
    // reading the settings key (a caller with options of its own).
    void SetManualSettings(bool manual) { m_bManualSettings = manual; }
    void SetShowAllFolders(bool show) { m_bShowAllFolders = show ? 1 : 0; }
    void SetFilterPrivacy(LONG privacy) { m_filterPrivacy = privacy; }
    void SetSort(DWORD key, bool descending)
    {
        m_sortKey = key;
        m_bDescending = descending ? 1 : 0;
    }
    void SetNotifyWindow(HWND window) { m_hNotify = window; }
    // Kept listings: folders are listed through platform::KeptFolderListing,
    // whose sizes and write times may be those of an earlier listing (a
    // search, which shows neither).
    void SetKeptListings(bool kept) { m_bKeptListings = kept; }
    HWND GetNotifyWindow() const { return m_hNotify; }
    // Makes the folder-state and note-data stores on first use; always 1.
    int InitiateLinksDB() override;
    // The stored state of a folder path (0 when missing or unreadable);
    // with a search text, every folder reads open.
    DWORD IsFolderOpen(const WCHAR* path);
    // Stores a folder's state (and makes the stores first when needed).
    void SetFolderState(const WCHAR* path, DWORD state);
    // Writes the folder states to their file.
    void FlushFolderState();
    // The typed search. Empty or null text clears it and returns false; the
    // text is kept upper-cased. substring: anywhere in the text, else at its
    // start; contents: the note's text, else its name; wildcard: * and ?.
    bool SetCompareString(const WCHAR* text, bool substring, bool contents, bool wildcard);
    void ClearCompareString();
    bool IsCompareString() const { return !m_search.empty(); }
    // The view's date; setting it writes its whole days as "NV_Date".
    void SetDateOn(double date);
    double GetOnDate() const { return m_onDate; }
    bool ShowAllFolders() const { return m_bShowAllFolders != 0; }
    LONG FilterPrivacy() const { return m_filterPrivacy; }
    DWORD SortKey() const { return m_sortKey; }
    bool SortDescending() const { return m_bDescending != 0; }

    // ---- rows ----
    // Whether a note passes the privacy, category and search filters.
    bool FilterNote(DATANOTES* row);
    // Accepted file names: longer than four characters, ending (without
    // regard to case) in ".wav", ".pwi" or ".pmi".
    static bool IsValidExtension(const WCHAR* name);
    // The kind of an accepted name.
    static LONG KindOfName(const WCHAR* name);
    // The display list, depth-first after a sort.
    const std::vector<std::unique_ptr<DATANOTES>>& GetDataList() const { return m_list; }
    // The paths of the roots of the last load, in order.
    const std::vector<std::u16string>& RootPaths() const { return m_rootPaths; }
    // The database notes' categories seen so far.
    const std::vector<std::u16string>& CategoryNames() const { return m_categoryNames; }
    int VoiceNoteCount() const { return m_voiceNotes; }

    // ---- building the tree (under the data lock) ----
    void AddMyDocumentsRoot();
    // The storage cards' roots; their number.
    int AddStorageCards();
    void AddHPCDatabases();
    void AddHPCDatabase(LONG oid, DATANOTES* row);
    // Lists the folder's entries below parent; the number of rows added.
    LONG AddFolder(const WCHAR* path, bool recurse, DATANOTES* parent);
    // AddFolder, then the placeholder when parent has no children.
    LONG AddFolderContents(const WCHAR* path, DATANOTES* parent, bool recurse);
    // One file note below parent (kept when it passes the filters): 1, else 0.
    LONG AddPWINote(const WIN32_FIND_DATAW* found, DATANOTES* parent, int unused);

    // ---- open, close, refresh (window thread) ----
    // Opens or closes a folder or database row; with persist, stores the
    // state, re-sorts, reports the rows and flushes the state file. False
    // when the row is no folder or the data lock is taken (a load runs).
    bool ExpandTreeNode(bool open, DATANOTES* row, bool persist);
    // Removes row's descendants from the display list (deleting them).
    void RemoveChildren(DATANOTES* row, bool unused = false);
    // Lists an open folder again (one trailing '\' ignored) and re-sorts;
    // false, with nothing done, when the data lock is taken or the folder is
    // not listed or not open.
    bool UpdateFolder(const WCHAR* path, WORD unused = 0);
    bool UpdateDatabase(LONG oid);
    // Sorts each folder's children, then the roots, by "dwSort" and
    // "bDescending", and lays the display list out depth-first.
    void SortDataList();

    // ---- loading ----
    DWORD ThreadProc() override;
    DWORD NotesThreadProc(CeManualEvent* stop, bool resort);
    void PostKill() override;

private:
    // A new row at the end of the display list, with the next running number.
    DATANOTES* NewRow();
    DATANOTES* AddRoot(const std::u16string& path, const FILETIME& created, const FILETIME& modified);
    void AttachChild(DATANOTES* row, DATANOTES* parent);
    // Reads the note's entry of the note-data file.
    void ReadNoteData(DATANOTES* row);
    // The note's text for a contents search (ink text, or the database's
    // preview text as plain text), upper-cased.
    std::u16string NoteTextOf(const DATANOTES* row);
    bool Matches(const std::u16string& upperText) const;
    // Whether a note's name matches the typed text.
    bool NameMatches(const WCHAR* name) const;
    void SortChildren(DATANOTES* row, NotesCompareFn compare, unsigned long direction);
    void ReportRows();
    // The stop event of the running load (null outside a load).
    bool Stopping() const { return m_pStop && StopRequested(m_pStop); }

    HWND m_hNotify = nullptr;
    std::vector<std::unique_ptr<DATANOTES>> m_list;
    std::vector<std::u16string> m_rootPaths;
    std::vector<std::u16string> m_categoryNames;
    std::u16string m_documentsPath;
    NotesLibrary m_library;
    std::unique_ptr<CRegistry> m_folderState;
    std::unique_ptr<CRegistry> m_noteData;
    DWORD m_nextId = 1;
    int m_voiceNotes = 0;
    std::u16string m_search;  // upper-cased
    bool m_bSubstring = false;
    bool m_bContents = false;
    bool m_bWildcard = false;
    DWORD m_bShowAllFolders = 0;
    LONG m_filterPrivacy = kNotesPrivacyAll;
    double m_onDate = kNotesNoDate;
    DWORD m_sortKey = kNotesSortSubject;
    DWORD m_bDescending = 1;
    CeManualEvent* m_pStop = nullptr;
    bool m_bManualSettings = false;
    bool m_bKeptListings = false;
};
