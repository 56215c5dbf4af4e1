// CNotesThread: building the tree of roots, folders and notes, opening and
// closing folders, refreshing one folder or database, and the sort.
#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "engine/notes_thread.h"
#include "engine/scoped_data_lock.h"
#include "platform/files/kept_folder_listing.h"
#include "platform/kernel/thread.h"
#include "platform/locale/compare_string.h"
#include "platform/modules/string_resources.h"
#include "platform/time/system_time.h"
#include "platform/time/time_zone.h"

namespace {

using platform::FindHandle;

// Entries of a folder listed between two looks at the stop event.
constexpr int kStopLookEntries = 16;

FILETIME LocalTime(const FILETIME& utc)
{
    FILETIME local{0, 0};
    if (!FileTimeToLocalFileTime(&utc, &local)) return utc;
    return local;
}

FILETIME FileTimeOf(const SYSTEMTIME& time)
{
    FILETIME out{0, 0};
    if (!SystemTimeToFileTime(&time, &out)) return FILETIME{0, 0};
    return out;
}

std::u16string Join(const WCHAR* folder, const WCHAR* name)
{
    std::u16string path = folder ? folder : u"";
    path += u'\\';
    path += name;
    return path;
}

// Sub-folders of the suite that are never notes folders.
bool IsSkippedFolder(const WCHAR* name) { return lstrcmpiW(name, u"Templates") == 0 || lstrcmpiW(name, u"Corvid") == 0; }

// A guard against a library whose searches never end.
constexpr int kMaxLibraryItems = 100000;

}  // namespace

DATANOTES* CNotesThread::NewRow()
{
    m_list.push_back(std::make_unique<DATANOTES>());
    DATANOTES* row = m_list.back().get();
    row->id = m_nextId++;
    return row;
}

void CNotesThread::AttachChild(DATANOTES* row, DATANOTES* parent)
{
    row->parent = parent;
    row->parentId = parent->id;
    row->depth = static_cast<SHORT>(parent->depth + 1);
    if (!row->folder) row->expanded = parent->expanded;
    parent->children.push_back(row);
}

DATANOTES* CNotesThread::AddRoot(const std::u16string& path, const FILETIME& created, const FILETIME& modified)
{
    const DWORD state = IsFolderOpen(path.c_str());
    const bool hidden = (state & kNoteFolderHidden) != 0;
    if (hidden && !m_bShowAllFolders) return nullptr;
    DATANOTES* row = NewRow();
    row->folder = 1;
    row->shown = 1;
    row->name = path.c_str();
    row->path = path.c_str();
    row->hiddenFolder = hidden ? kNoteHiddenFolderMark : 0;
    row->created = created;
    row->modified = modified;
    m_rootPaths.push_back(path);
    if (state & kNoteFolderOpen) {
        row->expanded = 1;
        AddFolderContents(path.c_str(), row, true);
    }
    return row;
}

void CNotesThread::AddMyDocumentsRoot()
{
    if (m_documentsPath.empty()) return;
    FILETIME created{0, 0}, modified{0, 0};
    WIN32_FIND_DATAW found{};
    FindHandle self(FindFirstFileW(m_documentsPath.c_str(), &found));
    if (self.Valid()) {
        created = LocalTime(found.ftCreationTime);
        modified = LocalTime(found.ftLastWriteTime);
    }
    AddRoot(m_documentsPath, created, modified);
}

int CNotesThread::AddStorageCards()
{
    int cards = 0;
    WIN32_FIND_DATAW card{};
    FindHandle find(FindFirstFlashCard(&card));
    if (!find.Valid()) return 0;
    do {
        if (Stopping()) break;
        const std::u16string root = Join(Join(u"", card.cFileName).c_str(), kNotesDocumentsFolderName);
        AddRoot(root, LocalTime(card.ftCreationTime), LocalTime(card.ftLastWriteTime));
        ++cards;
    } while (FindNextFlashCard(find.Get(), &card));
    return cards;
}

void CNotesThread::AddHPCDatabases()
{
    if (!m_library.HasDatabases()) return;
    DWORD last = 0;
    int guard = 0;
    for (DWORD handle = m_library.findNextDatabase(0); handle != 0 && handle != last && guard < kMaxLibraryItems;
         handle = m_library.findNextDatabase(handle), ++guard) {
        last = handle;
        if (Stopping()) break;
        const LONG oid = m_library.getDatabaseOid(handle);
        WCHAR name[kNotesLibraryNameChars + 1] = {};
        if (oid == 0 || m_library.getDatabaseName(handle, name) <= 0) continue;
        name[kNotesLibraryNameChars] = 0;
        const DWORD state = IsFolderOpen(name);
        const bool hidden = (state & kNoteFolderHidden) != 0;
        if (hidden && !m_bShowAllFolders) continue;
        DATANOTES* row = NewRow();
        row->id = static_cast<DWORD>(oid);
        row->kind = kNoteKindDatabase;
        row->folder = 1;
        row->shown = 1;
        row->name = name;
        row->path = name;
        row->hiddenFolder = hidden ? kNoteHiddenFolderMark : 0;
        if (state & kNoteFolderOpen) {
            row->expanded = 1;
            AddHPCDatabase(oid, row);
        }
    }
    if (last != 0 && m_library.closeFindDBHandle) m_library.closeFindDBHandle(last);
}

void CNotesThread::AddHPCDatabase(LONG oid, DATANOTES* row)
{
    if (!m_library.HasDatabases() || !row) return;
    DWORD last = 0;
    int guard = 0;
    for (DWORD handle = m_library.findNextNote(oid, 0, kNotesLibraryNoteProps);
         handle != 0 && handle != last && guard < kMaxLibraryItems;
         handle = m_library.findNextNote(oid, handle, kNotesLibraryNoteProps), ++guard) {
        last = handle;
        if (Stopping()) break;
        PWN_NOTE_RECORD record{};
        record.size = sizeof record;
        if (m_library.getNoteData(handle, &record) != 1 || record.oid == 0) continue;
        record.title[kNotesLibraryTextChars - 1] = 0;
        record.category[kNotesLibraryTextChars - 1] = 0;
        auto note = std::make_unique<DATANOTES>();
        note->id = record.oid;
        note->kind = kNoteKindDatabase;
        note->name = record.title;
        note->categories = record.category;
        note->isPrivate = record.isPrivate != 0 ? 1 : 0;
        note->colour = NoteColourOfIndex(record.colourIndex);
        note->reservedOne = static_cast<LONG>(record.reserved);
        note->created = FileTimeOf(record.created);
        note->modified = FileTimeOf(record.modified);
        if (record.category[0] != 0 &&
            std::find(m_categoryNames.begin(), m_categoryNames.end(), record.category) == m_categoryNames.end())
            m_categoryNames.emplace_back(record.category);
        // The search of the contents needs the parent to name the database.
        note->parent = row;
        if (!FilterNote(note.get())) continue;
        note->shown = 1;
        AttachChild(note.get(), row);
        m_list.push_back(std::move(note));
    }
    if (last != 0 && m_library.closeFindNoteHandle) m_library.closeFindNoteHandle(last);
}

LONG CNotesThread::AddFolder(const WCHAR* path, bool recurse, DATANOTES* parent)
{
    if (!path || !parent) return 0;
    LONG added = 0;
    // A look at the stop event costs more than listing an entry: it is
    // looked at for the first entry and then every kStopLookEntries.
    int entries = 0;
    // One entry; false to stop.
    auto add = [&](const WIN32_FIND_DATAW& found) {
        platform::ThreadCheckPoint();
        if (entries++ % kStopLookEntries == 0 && Stopping()) return false;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (IsSkippedFolder(found.cFileName)) return true;
            const std::u16string full = Join(path, found.cFileName);
            const DWORD state = IsFolderOpen(full.c_str());
            const bool hidden = (state & kNoteFolderHidden) != 0;
            if (hidden && !m_bShowAllFolders) return true;
            DATANOTES* row = NewRow();
            row->folder = 1;
            row->shown = 1;
            row->name = found.cFileName;
            row->path = full.c_str();
            row->created = LocalTime(found.ftCreationTime);
            row->modified = LocalTime(found.ftLastWriteTime);
            row->hiddenFolder = hidden ? kNoteHiddenFolderMark : 0;
            AttachChild(row, parent);
            ++added;
            if ((state & kNoteFolderOpen) && recurse) {
                row->expanded = 1;
                added += AddFolderContents(full.c_str(), row, true);
            }
        } else if (IsValidExtension(found.cFileName)) {
            added += AddPWINote(&found, parent, 0);
        }
        return true;
    };
    if (m_bKeptListings) {
        const auto listing = platform::KeptFolderListing(path);
        for (const WIN32_FIND_DATAW& found : *listing)
            if (!add(found)) break;
        return added;
    }
    const std::u16string pattern = Join(path, u"*.*");
    WIN32_FIND_DATAW found{};
    FindHandle find(FindFirstFileW(pattern.c_str(), &found));
    // A folder that is gone (a card taken out) simply has nothing in it.
    if (!find.Valid()) return 0;
    do {
        if (!add(found)) break;
    } while (FindNextFileW(find.Get(), &found));
    return added;
}

LONG CNotesThread::AddFolderContents(const WCHAR* path, DATANOTES* parent, bool recurse)
{
    LONG added = AddFolder(path, recurse, parent);
    if (parent && parent->children.empty()) {
        DATANOTES* placeholder = NewRow();
        WCHAR text[128] = {};
        LoadStringW(nullptr, kNotesEmptyFolderString, text, static_cast<int>(std::size(text)));
        placeholder->name = text;
        placeholder->shown = 1;
        AttachChild(placeholder, parent);
        ++added;
    }
    return added;
}

LONG CNotesThread::AddPWINote(const WIN32_FIND_DATAW* found, DATANOTES* parent, int)
{
    if (!found || !parent) return 0;
    const LONG kind = KindOfName(found->cFileName);
    if (kind == kNoteKindVoice) ++m_voiceNotes;
    // A search of the names rules most notes out by the name alone, before
    // their times and stored attributes are read.
    if (IsCompareString() && !m_bContents && !NameMatches(found->cFileName)) return 0;
    auto note = std::make_unique<DATANOTES>();
    note->name = found->cFileName;
    note->kind = kind;
    note->path = Join(parent->path, found->cFileName).c_str();
    note->created = LocalTime(found->ftCreationTime);
    note->modified = LocalTime(found->ftLastWriteTime);
    note->size = std::max<DWORD>(1, found->nFileSizeLow / 1024);
    ReadNoteData(note.get());
    if (!FilterNote(note.get())) return 0;
    note->id = m_nextId++;
    note->shown = 1;
    AttachChild(note.get(), parent);
    m_list.push_back(std::move(note));
    return 1;
}

bool CNotesThread::ExpandTreeNode(bool open, DATANOTES* row, bool persist)
{
    if (!row || !row->folder) return false;
    ScopedDataLock lock(*this);
    if (!lock.Acquired()) return false;
    InitiateLinksDB();
    // Whatever was listed below the row goes; opening lists it afresh.
    RemoveChildren(row);
    row->expanded = open ? 1 : 0;
    if (open) {
        if (row->kind == kNoteKindDatabase) {
            AddHPCDatabase(static_cast<LONG>(row->id), row);
        } else {
            AddFolderContents(row->path, row, true);
        }
    }
    if (persist) {
        const DWORD state = (row->hiddenFolder ? kNoteFolderHidden : 0) | (open ? kNoteFolderOpen : 0);
        SetFolderState(row->path, state);
        SortDataList();
        lock.Unlock();
        ReportRows();
        FlushFolderState();
    }
    return true;
}

void CNotesThread::RemoveChildren(DATANOTES* row, bool)
{
    if (!row || row->children.empty()) return;
    std::unordered_set<const DATANOTES*> doomed;
    std::vector<const DATANOTES*> pending(row->children.begin(), row->children.end());
    while (!pending.empty()) {
        const DATANOTES* next = pending.back();
        pending.pop_back();
        doomed.insert(next);
        pending.insert(pending.end(), next->children.begin(), next->children.end());
    }
    row->children.clear();
    std::erase_if(m_list, [&](const std::unique_ptr<DATANOTES>& r) { return doomed.count(r.get()) != 0; });
}

bool CNotesThread::UpdateFolder(const WCHAR* path, WORD)
{
    if (!path) return false;
    ScopedDataLock lock(*this);
    if (!lock.Acquired()) return false;
    InitiateLinksDB();
    std::u16string folder = path;
    if (!folder.empty() && folder.back() == u'\\') folder.pop_back();
    for (auto it = m_list.rbegin(); it != m_list.rend(); ++it) {
        DATANOTES* row = it->get();
        if (!row->folder || row->kind == kNoteKindDatabase || lstrcmpW(row->path, folder.c_str()) != 0) continue;
        if (!row->expanded) return false;
        RemoveChildren(row);
        AddFolderContents(row->path, row, true);
        SortDataList();
        return true;
    }
    return false;
}

bool CNotesThread::UpdateDatabase(LONG oid)
{
    ScopedDataLock lock(*this);
    if (!lock.Acquired()) return false;
    InitiateLinksDB();
    for (auto it = m_list.rbegin(); it != m_list.rend(); ++it) {
        DATANOTES* row = it->get();
        if (row->kind != kNoteKindDatabase || !row->folder || row->id != static_cast<DWORD>(oid)) continue;
        if (!row->expanded) return false;
        RemoveChildren(row);
        AddHPCDatabase(oid, row);
        SortDataList();
        return true;
    }
    return false;
}

void CNotesThread::SortChildren(DATANOTES* row, NotesCompareFn compare, unsigned long direction)
{
    platform::ThreadCheckPoint();
    std::stable_sort(row->children.begin(), row->children.end(),
                     [&](DATANOTES* a, DATANOTES* b) { return compare(a, b, direction) < 0; });
    for (DATANOTES* child : row->children) SortChildren(child, compare, direction);
}

void CNotesThread::SortDataList()
{
    CRegistry settings;
    if (!m_bManualSettings && settings.Exists(HKEY_CURRENT_USER, GetSettingsKey()) == 1) {
        ULONG value = 0;
        if (settings.QueryValue(u"dwSort", &value) == 0) m_sortKey = value;
        if (settings.QueryValue(u"bDescending", &value) == 0) m_bDescending = value;
    }
    const NotesCompareFn compare = NotesComparison(m_sortKey);
    const unsigned long direction = m_bDescending ? kNotesSortDescending : kNotesSortAscending;
    std::vector<DATANOTES*> roots;
    for (const auto& row : m_list)
        if (!row->parent) roots.push_back(row.get());
    for (DATANOTES* root : roots) SortChildren(root, compare, direction);
    std::stable_sort(roots.begin(), roots.end(),
                     [&](DATANOTES* a, DATANOTES* b) { return compare(a, b, direction) < 0; });

    // Depth-first from the roots; the list's owners move into that order.
    std::unordered_map<const DATANOTES*, size_t> at;
    for (size_t i = 0; i < m_list.size(); ++i) at.emplace(m_list[i].get(), i);
    std::vector<std::unique_ptr<DATANOTES>> ordered;
    ordered.reserve(m_list.size());
    std::vector<DATANOTES*> pending(roots.rbegin(), roots.rend());
    while (!pending.empty()) {
        DATANOTES* row = pending.back();
        pending.pop_back();
        auto found = at.find(row);
        if (found == at.end() || !m_list[found->second]) continue;
        ordered.push_back(std::move(m_list[found->second]));
        pending.insert(pending.end(), row->children.rbegin(), row->children.rend());
    }
    // A row no root reaches would be lost otherwise; it goes last.
    for (auto& row : m_list)
        if (row) ordered.push_back(std::move(row));
    m_list = std::move(ordered);
}
