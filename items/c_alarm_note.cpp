// CAlarmNote: opening, loading and saving a note, its attributes and its
// alarm. Copying, moving and deleting are in c_alarm_note_files.cpp, the
// external program's notes in c_alarm_note_external.cpp.
#include "items/c_alarm_note.h"

#include <cstdint>

#include "engine/notes_library.h"
#include "engine/notes_thread.h"
#include "foundation/calendar_math.h"
#include "foundation/ce_string.h"
#include "items/c_task_settings.h"
#include "platform/files/files.h"
#include "platform/ink/ink_note.h"
#include "platform/objectstore/user_notifications.h"
#include "platform/text/wide_string.h"
#include "platform/time/clock.h"
#include "platform/ui/ui_host.h"
#include "storage/c_registry.h"

namespace {

constexpr ULONGLONG kTicksPerMinute = 600000000ULL;
constexpr WORD kNoAlarmYear = 2900;

ULONGLONG Ticks(const SYSTEMTIME& time)
{
    FILETIME ft{};
    if (!SystemTimeToFileTime(&time, &ft)) return 0;
    return platform::FileTimeValue(ft);
}

SYSTEMTIME FromTicks(ULONGLONG ticks)
{
    const FILETIME ft = platform::MakeFileTime(ticks);
    SYSTEMTIME st{};
    FileTimeToSystemTime(&ft, &st);
    return st;
}

ULONGLONG DialogEpoch() { return Ticks(SYSTEMTIME{2000, 1, 6, 1, 0, 0, 0, 0}); }

HANDLE HandleOf(ULONG value) { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value)); }
ULONG ValueOf(HANDLE handle) { return static_cast<ULONG>(reinterpret_cast<uintptr_t>(handle)); }

}  // namespace

long AlarmDialogMinutes(const SYSTEMTIME& time)
{
    const ULONGLONG ticks = Ticks(time);
    const ULONGLONG epoch = DialogEpoch();
    return ticks < epoch ? -1 : static_cast<long>((ticks - epoch) / kTicksPerMinute);
}

SYSTEMTIME AlarmDialogTime(long minutes)
{
    return FromTicks(DialogEpoch() + static_cast<ULONGLONG>(minutes < 0 ? 0 : minutes) * kTicksPerMinute);
}

CAlarmNote::CAlarmNote() = default;
CAlarmNote::~CAlarmNote() = default;

void CAlarmNote::Reset()
{
    m_oid = 0;
    m_database = 0;
    m_title.clear();
    m_path.clear();
    m_folder.clear();
    m_category.clear();
    m_kind = 0;
    m_data.clear();
    m_private = 0;
    m_notification = nullptr;
    m_alarm = SYSTEMTIME{};
    m_loaded = false;
    m_dataLoaded = false;
    m_copiedPath.clear();
}

void CAlarmNote::SetPath(std::u16string path)
{
    m_path = std::move(path);
    const size_t slash = m_path.rfind(u'\\');
    m_folder = slash == std::u16string::npos ? std::u16string() : m_path.substr(0, slash);
    m_title = slash == std::u16string::npos ? m_path : m_path.substr(slash + 1);
}

bool CAlarmNote::ReadNote(const WCHAR* path, LONG kind)
{
    Reset();
    if (!path || !*path || (kind != kAlarmNoteInk && kind != kAlarmNoteAttributesOnly)) return false;
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    SetPath(path);
    m_kind = kind;
    m_loaded = true;
    return true;
}

bool CAlarmNote::EnsureLoaded()
{
    if (!m_loaded) {
        task_item::ShowString(kNoteNotLoadedString, MB_ICONERROR);
        return false;
    }
    return m_dataLoaded || LoadNote();
}

bool CAlarmNote::LoadNote()
{
    if (!m_loaded) {
        task_item::ShowString(kNoteNotLoadedString, MB_ICONERROR);
        return false;
    }
    if (m_kind == kAlarmNoteExternal) return LoadExternal();
    // A note that cannot be read keeps what was loaded before, so that a
    // later save cannot write an empty page over it.
    if (m_kind == kAlarmNoteInk) {
        platform::InkNote note;
        const platform::InkReadError error = platform::ReadInkFile(m_path.c_str(), note);
        if (error != platform::InkReadError::None) {
            const std::string reason = platform::InkReadErrorText(error);
            const std::u16string text = m_path + u": " + std::u16string(reason.begin(), reason.end());
            MessageBoxW(m_parent, text.c_str(), nullptr, MB_OK | MB_ICONERROR);
            return false;
        }
        m_data = platform::SerializeInkNote(note);
    } else {
        m_data.clear();
    }
    ReadAttributes();
    m_dataLoaded = true;
    return true;
}

void CAlarmNote::ReadAttributes()
{
    m_category.clear();
    m_private = 0;
    m_notification = nullptr;
    m_alarm = SYSTEMTIME{};
    CRegistry store(kNoteDataFile);
    if (store.Exists(HKEY_CURRENT_USER, m_path.c_str()) != 1) return;
    WCHAR category[2048] = {};
    if (store.QueryValue(u"Category", category, 2047) == 0) m_category = category;
    ULONG high = 0, low = 0, isPrivate = 0, handle = 0;
    if (store.QueryValue(u"AHDT", &high) == 0 && store.QueryValue(u"ALDT", &low) == 0)
        m_alarm = FromTicks((static_cast<ULONGLONG>(high) << 32) | low);
    if (store.QueryValue(u"Private", &isPrivate) == 0) m_private = isPrivate;
    if (store.QueryValue(u"AlarmHandle", &handle) == 0) m_notification = HandleOf(handle);
}

bool CAlarmNote::WriteAttributes()
{
    if (m_notification) {
        CeClearUserNotification(m_notification);
        m_notification = nullptr;
    }
    CRegistry store(kNoteDataFile);
    if (store.OpenKey(HKEY_CURRENT_USER, m_path.c_str()) != 0) return false;
    if (!m_category.empty()) store.SetValue(u"Category", m_category.c_str());
    else store.DeleteValue(u"Category");
    if (!HasAlarm()) {
        store.DeleteValue(u"AHDT");
        store.DeleteValue(u"ALDT");
        store.DeleteValue(u"AlarmHandle");
    } else {
        const ULONGLONG ticks = Ticks(m_alarm);
        store.SetValue(u"AHDT", static_cast<ULONG>(ticks >> 32));
        store.SetValue(u"ALDT", static_cast<ULONG>(ticks));
        CE_NOTIFICATION_TRIGGER trigger{};
        trigger.dwSize = sizeof trigger;
        trigger.dwType = CNT_TIME;
        trigger.lpszApplication = const_cast<LPWSTR>(kNoteAlarmProgram);
        trigger.lpszArguments = m_path.data();
        trigger.stStartTime = m_alarm;
        trigger.stEndTime = m_alarm;
        CE_USER_NOTIFICATION actions{};
        m_notification = CeSetUserNotificationEx(nullptr, &trigger, &actions);
        if (m_notification) store.SetValue(u"AlarmHandle", ValueOf(m_notification));
        else store.DeleteValue(u"AlarmHandle");
    }
    if (m_private != 0) store.SetValue(u"Private", static_cast<ULONG>(m_private));
    else store.DeleteValue(u"Private");
    if (store.SaveINIFile(1) != 0) return false;
    SetFileAttributesW(m_path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return true;
}

bool CAlarmNote::Save()
{
    if (!m_loaded) {
        task_item::ShowString(kNoteNotLoadedString, MB_ICONERROR);
        return false;
    }
    if (m_kind == kAlarmNoteAttributesOnly) return WriteAttributes();
    if (m_kind == kAlarmNoteExternal) return SaveExternal();
    if (!m_data.empty()) {
        platform::InkNote note;
        if (platform::ParseInkNote(m_data.data(), m_data.size(), note) != platform::InkReadError::None ||
            platform::WriteInkFile(m_path.c_str(), note) != ERROR_SUCCESS) {
            MessageBoxW(m_parent, kNoteSaveErrorText, nullptr, MB_OK | MB_ICONERROR);
            return false;
        }
    }
    return WriteAttributes();
}

std::u16string CAlarmNote::Text() const
{
    platform::InkNote note;
    if (m_data.empty() || platform::ParseInkNote(m_data.data(), m_data.size(), note) != platform::InkReadError::None)
        return {};
    return note.text;
}

void CAlarmNote::SetText(std::u16string_view text)
{
    platform::InkNote note;
    if (!m_data.empty()) platform::ParseInkNote(m_data.data(), m_data.size(), note);
    note.text = text;
    m_data = platform::SerializeInkNote(note);
}

bool CAlarmNote::HasAlarm() const { return m_alarm.wYear != 0 && m_alarm.wYear < kNoAlarmYear; }

void CAlarmNote::SetAlarmTime(const SYSTEMTIME* time) { m_alarm = time ? *time : SYSTEMTIME{}; }

SYSTEMTIME CAlarmNote::ProposedAlarm() const
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    if (HasAlarm() && m_alarm.wYear <= 2999 && Ticks(m_alarm) >= Ticks(now)) return m_alarm;
    SYSTEMTIME proposed = now;
    proposed.wSecond = 0;
    proposed.wMilliseconds = 0;
    addtime(&proposed, 3600);
    return proposed;
}

bool CAlarmNote::SetAlarm()
{
    if (!EnsureLoaded()) return false;
    const SYSTEMTIME proposed = ProposedAlarm();
    WCHAR text[160] = {};
    wsprintfW(text, u"Alarm at %04d-%02d-%02d %02d:%02d", proposed.wYear, proposed.wMonth, proposed.wDay,
              proposed.wHour, proposed.wMinute);
    const int chosen = AskUser(kNoteAlarmQuestion, text, static_cast<int>(AlarmDialogMinutes(proposed)));
    if (chosen < 0) return false;
    const SYSTEMTIME previous = m_alarm;
    m_alarm = AlarmDialogTime(chosen);
    if (m_kind == kAlarmNoteExternal) {
        const NotesLibrary& library = NotesLibrary::Get();
        if (!library.createNotification || !library.createNotification(m_database, m_oid, &m_alarm)) {
            m_alarm = previous;
            return false;
        }
        return true;
    }
    return WriteAttributes();
}
