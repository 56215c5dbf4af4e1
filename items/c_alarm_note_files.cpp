// CAlarmNote: copying, moving and deleting file notes, free names, new
// notes and their default folder and title.
#include <cstdlib>
#include <cstring>

#include "engine/notes_library.h"
#include "engine/notes_thread.h"
#include "foundation/ce_string.h"
#include "foundation/file_name_text.h"
#include "items/c_alarm_note.h"
#include "items/c_task_settings.h"
#include "platform/files/files.h"
#include "platform/files/special_folders.h"
#include "platform/ink/ink_note.h"
#include "platform/locale/date_format.h"
#include "platform/objectstore/user_notifications.h"
#include "platform/time/clock.h"
#include "platform/ui/ui_host.h"
#include "storage/c_registry.h"

namespace {

bool Exists(const std::u16string& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

WCHAR* MallocCopy(const std::u16string& text)
{
    auto* out = static_cast<WCHAR*>(std::malloc((text.size() + 1) * sizeof(WCHAR)));
    if (out) std::memcpy(out, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
    return out;
}

// The copy marker without the blanks around it.
std::u16string CopyMarker()
{
    CeString marker;
    marker.LoadStringW(kNoteCopyMarkerString);
    std::u16string text = static_cast<const WCHAR*>(marker);
    while (!text.empty() && text.front() == u' ') text.erase(text.begin());
    while (!text.empty() && text.back() == u' ') text.pop_back();
    return text.empty() ? u"(copy)" : text;
}

}  // namespace

WCHAR* CAlarmNote::CheckForDupe(bool test, const WCHAR* path)
{
    if (!path) return nullptr;
    if (test && !Exists(path)) return MallocCopy(path);
    const std::u16string name = m_title.size() > 4 ? m_title.substr(0, m_title.size() - 4) : m_title;
    const std::u16string extension = m_title.size() > 3 ? m_title.substr(m_title.size() - 3) : std::u16string();
    const std::u16string stem = m_folder + u"\\" + name;
    std::u16string candidate = stem + u"." + extension;
    for (int n = 2; Exists(candidate); ++n) {
        candidate = stem + u" (" + task_item::Decimal(n) + u")." + extension;
        if (candidate.size() > kNoteDupeLimit) {
            task_item::ShowString(kNoteNoFreeNameString, MB_ICONERROR);
            return nullptr;
        }
    }
    if (candidate.size() > kNoteDupeLimit) {
        task_item::ShowString(kNoteNoFreeNameString, MB_ICONERROR);
        return nullptr;
    }
    return MallocCopy(candidate);
}

bool CAlarmNote::Copy()
{
    m_copiedPath.clear();
    if (!EnsureLoaded()) return false;
    if (m_kind == kAlarmNoteExternal) {
        const NotesLibrary& library = NotesLibrary::Get();
        return library.createCopy && library.createCopy(m_database, m_oid) != 0;
    }
    const size_t dot = m_path.rfind(u'.');
    const bool hasExtension = dot != std::u16string::npos && dot > m_path.rfind(u'\\');
    std::u16string base = hasExtension ? m_path.substr(0, dot) : m_path;
    const std::u16string extension = hasExtension ? m_path.substr(dot + 1) : std::u16string();
    const std::u16string marker = CopyMarker();
    const auto candidateOf = [&] { return base + u" " + marker + (hasExtension ? u"." + extension : u""); };
    std::u16string target = candidateOf();
    while (Exists(target)) {
        base += u" " + marker;
        target = candidateOf();
        if (target.size() > kNotePathLimit) {
            task_item::ShowString(kNoteNoFreeNameString, MB_ICONERROR);
            return false;
        }
    }
    if (!CopyFileW(m_path.c_str(), target.c_str(), TRUE)) return false;
    // The copy gets the same attributes and an alarm of its own, so that
    // deleting either note leaves the other's alarm alone.
    CAlarmNote copy;
    if (!copy.ReadNote(target.c_str(), m_kind)) return false;
    copy.m_category = m_category;
    copy.m_private = m_private;
    copy.m_alarm = m_alarm;
    copy.m_dataLoaded = true;
    if (!copy.WriteAttributes()) return false;
    m_copiedPath = target;
    return true;
}

bool CAlarmNote::MoveNote(const WCHAR* target)
{
    if (!EnsureLoaded()) return false;
    if (!target || !*target || m_kind == kAlarmNoteExternal) return false;
    const std::u16string oldPath = m_path;
    const std::u16string oldFolder = m_folder;
    const std::u16string oldTitle = m_title;
    SetPath(target);
    WCHAR* freePath = CheckForDupe(true, target);
    const std::u16string newPath = freePath ? freePath : u"";
    std::free(freePath);
    if (newPath.empty() || newPath == oldPath || !MoveFileW(oldPath.c_str(), newPath.c_str())) {
        m_path = oldPath;
        m_folder = oldFolder;
        m_title = oldTitle;
        return false;
    }
    {
        CRegistry store(kNoteDataFile);
        if (store.Exists(HKEY_CURRENT_USER, oldPath.c_str()) == 1) {
            store.DeleteKey(HKEY_CURRENT_USER, oldPath.c_str());
            store.SaveINIFile(1);
        }
    }
    SetPath(newPath);
    return WriteAttributes();
}

bool CAlarmNote::Delete()
{
    if (!m_loaded) {
        task_item::ShowString(kNoteNotLoadedString, MB_ICONERROR);
        return false;
    }
    if (m_kind == kAlarmNoteExternal) {
        const NotesLibrary& library = NotesLibrary::Get();
        if (!library.deleteNote || !library.deleteNote(m_database, m_oid)) return false;
        m_loaded = false;
        return true;
    }
    // The file goes first: a note whose file cannot be deleted (a storage
    // card taken out) keeps its attributes.
    if (!DeleteFileW(m_path.c_str())) return false;
    if (!m_dataLoaded) ReadAttributes();
    if (m_notification) CeClearUserNotification(m_notification);
    m_notification = nullptr;
    CRegistry store(kNoteDataFile);
    if (store.Exists(HKEY_CURRENT_USER, m_path.c_str()) == 1) {
        store.DeleteKey(HKEY_CURRENT_USER, m_path.c_str());
        store.SaveINIFile(1);
    }
    m_loaded = false;
    return true;
}

bool CAlarmNote::Create(HWND parent, const WCHAR* folder, const WCHAR* title, const WCHAR* text,
                        const WCHAR* categories)
{
    Reset();
    m_parent = parent;
    WCHAR defaultFolder[MAX_PATH] = {};
    if (!folder || !*folder) {
        if (!GetDefaultFolder(defaultFolder)) return false;
        folder = defaultFolder;
    }
    std::u16string where = folder;
    while (where.size() > 1 && where.back() == u'\\') where.pop_back();
    if (GetFileAttributesW(where.c_str()) == INVALID_FILE_ATTRIBUTES) CreateDirectoryW(where.c_str(), nullptr);
    const std::u16string name = title && *title ? std::u16string(title) : DefaultTitle();
    SetPath(where + u"\\" + name);
    WCHAR* freePath = CheckForDupe(true, m_path.c_str());
    if (!freePath) return false;
    SetPath(freePath);
    std::free(freePath);
    m_kind = kAlarmNoteInk;
    m_loaded = true;
    m_dataLoaded = true;
    platform::InkNote note;
    if (text) note.text = text;
    m_data = platform::SerializeInkNote(note);
    if (categories) m_category = categories;
    if (!Save()) {
        m_loaded = false;
        return false;
    }
    return true;
}

bool CAlarmNote::GetDefaultFolder(WCHAR* out)
{
    if (!out) return false;
    out[0] = 0;
    {
        CRegistry settings;
        std::u16string folder;
        if (settings.OpenKey(HKEY_CURRENT_USER, kNotesSettingsKey) == 0 &&
            settings.QueryText(u"DefaultFolder", folder) == 0 && !folder.empty() && folder.size() < MAX_PATH) {
            std::memcpy(out, folder.c_str(), (folder.size() + 1) * sizeof(WCHAR));
            return true;
        }
    }
    return SHGetSpecialFolderPath(nullptr, out, CSIDL_PERSONAL, FALSE) != FALSE;
}

std::u16string CAlarmNote::DefaultTitle()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    WCHAR date[80] = {}, time[80] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, 80);
    GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &now, nullptr, time, 80);
    std::u16string title = std::u16string(date) + u" " + time + u"-" + task_item::Decimal(now.wSecond);
    for (char16_t& c : title)
        if (IsFilenameContraband(c)) c = u'_';
    return title + u".pwi";
}
