// CNotesThread: construction, settings, the folder-state and note-data
// stores, the filters and the load. The tree is built in
// notes_thread_tree.cpp.
#include "engine/notes_thread.h"

#include <algorithm>
#include <cmath>

#include "categories/category_filter.h"
#include "foundation/wildmat.h"
#include "engine/note_blob_text.h"
#include "engine/scoped_data_lock.h"
#include "platform/files/registry.h"
#include "platform/files/special_folders.h"
#include "platform/ink/ink_note.h"
#include "platform/ink/ink_rich_text.h"
#include "platform/kernel/thread.h"
#include "platform/locale/compare_string.h"
#include "platform/locale/locale_id.h"
#include "platform/messaging/messages.h"
#include "platform/text/wide_string.h"

namespace {

std::u16string Upper(std::u16string text)
{
    for (char16_t& c : text) c = towupper(c);
    return text;
}

// Whether a name's last four characters are ext (lower-case ASCII) but
// for the case of ASCII letters. Such a tail equals ext in every locale's
// case-blind comparison, so the common names skip the locale.
bool IsExtensionByAsciiCase(const WCHAR* tail, const char16_t* ext)
{
    for (int i = 0; i < 4; ++i) {
        const char16_t c = tail[i] >= u'A' && tail[i] <= u'Z' ? static_cast<char16_t>(tail[i] + (u'a' - u'A')) : tail[i];
        if (c != ext[i]) return false;
    }
    return true;
}

}  // namespace

CNotesThread::CNotesThread() : m_library(NotesLibrary::Get())
{
    SetSettingsKey(kNotesSettingsKey);
    WCHAR documents[MAX_PATH] = {};
    if (SHGetSpecialFolderPath(nullptr, documents, CSIDL_PERSONAL, FALSE)) m_documentsPath = documents;
    SettingChange();
}

CNotesThread::~CNotesThread()
{
    // PostKill is ours: the thread must stop while this object is whole.
    Stop(true);
    m_list.clear();
}

void CNotesThread::SettingChange()
{
    ReadCategoryRestrictSettings();
    m_bShowAllFolders = 0;
    m_filterPrivacy = kNotesPrivacyAll;
    m_onDate = kNotesNoDate;
    m_sortKey = kNotesSortSubject;
    m_bDescending = 1;
    CRegistry settings;
    if (settings.Exists(HKEY_CURRENT_USER, GetSettingsKey()) != 1) return;
    ULONG value = 0;
    if (settings.QueryValue(u"ShowAllFolders", &value) == 0) m_bShowAllFolders = value;
    int privacy = 0;
    if (settings.QueryValue(u"NV_FilterPrivacy", &privacy) == 0) m_filterPrivacy = privacy;
    if (settings.QueryValue(u"NV_Date", &value) == 0) m_onDate = value;
    if (settings.QueryValue(u"dwSort", &value) == 0) m_sortKey = value;
    if (settings.QueryValue(u"bDescending", &value) == 0) m_bDescending = value;
}

int CNotesThread::InitiateLinksDB()
{
    if (!m_folderState) {
        m_folderState = std::make_unique<CRegistry>(kNoteFolderStateFile);
        m_folderState->OpenKey(HKEY_CURRENT_USER, kNoteFolderStateKey);
    }
    if (!m_noteData) m_noteData = std::make_unique<CRegistry>(kNoteDataFile);
    return 1;
}

DWORD CNotesThread::IsFolderOpen(const WCHAR* path)
{
    InitiateLinksDB();
    ULONG state = 0;
    if (!path || m_folderState->QueryValue(path, &state) != 0 || state == 0xFFFFFFFF) state = 0;
    state &= kNoteFolderOpen | kNoteFolderHidden;
    // A search looks into every folder.
    if (IsCompareString()) state |= kNoteFolderOpen;
    return state;
}

void CNotesThread::SetFolderState(const WCHAR* path, DWORD state)
{
    InitiateLinksDB();
    if (path) m_folderState->SetValue(path, state);
}

void CNotesThread::FlushFolderState()
{
    if (m_folderState) m_folderState->SaveINIFile(1);
}

bool CNotesThread::SetCompareString(const WCHAR* text, bool substring, bool contents, bool wildcard)
{
    if (!text || !*text) {
        ClearCompareString();
        return false;
    }
    m_search = Upper(text);
    m_bSubstring = substring;
    m_bContents = contents;
    m_bWildcard = wildcard;
    return true;
}

void CNotesThread::ClearCompareString()
{
    m_search.clear();
    m_bSubstring = m_bContents = m_bWildcard = false;
}

void CNotesThread::SetDateOn(double date)
{
    m_onDate = date;
    CRegistry settings;
    if (settings.OpenKey(HKEY_CURRENT_USER, GetSettingsKey()) == 0)
        settings.SetValue(u"NV_Date", static_cast<ULONG>(std::floor(date)));
}

bool CNotesThread::IsValidExtension(const WCHAR* name)
{
    const size_t length = name ? wcslen(name) : 0;
    if (length <= 4) return false;
    const WCHAR* tail = name + length - 4;
    for (const WCHAR* ext : {u".wav", u".pwi", u".pmi"})
        if (IsExtensionByAsciiCase(tail, ext)) return true;
    for (const WCHAR* ext : {u".wav", u".pwi", u".pmi"}) {
        if (CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE | SORT_STRINGSORT, tail, 4, ext, 4) == CSTR_EQUAL)
            return true;
    }
    return false;
}

LONG CNotesThread::KindOfName(const WCHAR* name)
{
    const size_t length = name ? wcslen(name) : 0;
    if (length <= 4) return kNoteKindInk;
    const WCHAR* tail = name + length - 4;
    if (IsExtensionByAsciiCase(tail, u".wav")) return kNoteKindVoice;
    if (IsExtensionByAsciiCase(tail, u".pmi")) return kNoteKindPmi;
    // ".pwi" differs from both in letters, not case, in every locale.
    if (IsExtensionByAsciiCase(tail, u".pwi")) return kNoteKindInk;
    if (CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, tail, 4, u".wav", 4) == CSTR_EQUAL) return kNoteKindVoice;
    if (CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, tail, 4, u".pmi", 4) == CSTR_EQUAL) return kNoteKindPmi;
    return kNoteKindInk;
}

bool CNotesThread::Matches(const std::u16string& text) const
{
    if (m_bWildcard) return wildmat(text.c_str(), m_search.c_str());
    if (m_bSubstring) return text.find(m_search) != std::u16string::npos;
    const size_t n = std::min(text.size(), m_search.size());
    return text.compare(0, n, m_search, 0, n) == 0;
}

std::u16string CNotesThread::NoteTextOf(const DATANOTES* row)
{
    if (row->kind == kNoteKindDatabase) {
        if (!m_library.getNotePreviewText || !row->parent) return {};
        std::unique_ptr<WCHAR[]> text(
            m_library.getNotePreviewText(static_cast<LONG>(row->parent->id), static_cast<LONG>(row->id)));
        if (!text) return {};
        std::u16string plain = text.get();
        if (platform::IsRichText(plain)) plain = platform::PlainTextOfRtf(plain);
        return Upper(std::move(plain));
    }
    platform::InkNote note;
    if (platform::ReadInkFile(row->path, note) != platform::InkReadError::None) return {};
    return Upper(std::move(note.text));
}

bool CNotesThread::FilterNote(DATANOTES* row)
{
    if (!row) return false;
    if (m_filterPrivacy >= 0 && m_filterPrivacy != (row->isPrivate != 0 ? 1 : 0)) return false;
    if (!CategoryFilterHighLevel(static_cast<const WCHAR*>(row->categories), &m_categoryRestrict)) return false;
    if (!IsCompareString()) return true;
    if (m_bContents) return Matches(NoteTextOf(row));
    return NameMatches(row->name);
}

bool CNotesThread::NameMatches(const WCHAR* name) const { return Matches(Upper(name ? name : u"")); }

void CNotesThread::ReadNoteData(DATANOTES* row)
{
    InitiateLinksDB();
    if (m_noteData->Exists(HKEY_CURRENT_USER, row->path) != 1) return;
    std::u16string category;
    if (m_noteData->QueryText(u"Category", category) == 0) row->categories = category.c_str();
    ULONG low = 0, high = 0, isPrivate = 0;
    m_noteData->QueryValue(u"ALDT", &low);
    m_noteData->QueryValue(u"AHDT", &high);
    row->alarm = FILETIME{low, high};
    row->hasAlarm = (low != 0 || high != 0) ? 1 : 0;
    if (m_noteData->QueryValue(u"Private", &isPrivate) == 0) row->isPrivate = isPrivate != 0 ? 1 : 0;
}

DWORD CNotesThread::ThreadProc()
{
    return RunLoaderProtocol(
        m_hNotify, [] { return true; }, [this](CeManualEvent* stop) { return NotesThreadProc(stop, true); });
}

DWORD CNotesThread::NotesThreadProc(CeManualEvent* stop, bool resort)
{
    ScopedDataLock lock(*this);
    if (!lock.Acquired()) return 0;
    SetupThreadResources();
    if (resort && !m_bManualSettings) SettingChange();
    m_pStop = stop;
    m_rootPaths.clear();
    m_voiceNotes = 0;
    m_list.clear();
    InitiateLinksDB();
    AddMyDocumentsRoot();
    AddStorageCards();
    AddHPCDatabases();
    if (resort) SortDataList();
    m_pStop = nullptr;
    // The window reads the list while the report is sent.
    lock.Unlock();
    ReportRows();
    return 1;
}

void CNotesThread::ReportRows()
{
    ReportLoaderData(m_hNotify, LOADER_DATA_COMPLETE, static_cast<LPARAM>(m_list.size()), true);
}

void CNotesThread::PostKill()
{
    m_pStop = nullptr;
    CKSDataThread::PostKill();
    if (m_hNotify) PostMessageW(m_hNotify, WM_LOADER_END, 0, 0);
}
