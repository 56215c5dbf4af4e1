// CAlarmNote: the note editor, headless: its pages are questions to the UI
// host, and what they change is saved as the editor's OK would.
#include "items/c_alarm_note.h"

#include <cstdio>

#include "platform/text/utf8.h"
#include "platform/ui/ui_host.h"

std::u16string CAlarmNote::EditorText()
{
    std::u16string text = m_title;
    if (!m_folder.empty()) text += u"\nFolder: " + m_folder;
    if (!m_category.empty()) text += u"\nCategories: " + m_category;
    if (m_private) text += u"\nPrivate";
    if (HasAlarm()) {
        char when[40];
        std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d", m_alarm.wYear, m_alarm.wMonth, m_alarm.wDay,
                      m_alarm.wHour, m_alarm.wMinute);
        text += u"\nAlarm: ";
        text += Utf8ToWide(when);
    }
    const std::u16string body = Text();
    if (!body.empty()) text += u"\n\n" + body;
    return text;
}

bool CAlarmNote::DisplayEditor(int page, const std::vector<std::u16string>& folders)
{
    if (!EnsureLoaded()) return false;
    if (MessageBoxW(m_parent, EditorText().c_str(), u"Note", MB_OKCANCEL | MB_SETFOREGROUND) != IDOK) return false;
    if (page == kNoteEditorProperties) {
        if (m_kind != kAlarmNoteExternal && !folders.empty()) {
            std::u16string question = u"Folder of the note:";
            int current = -1;
            for (size_t i = 0; i < folders.size(); ++i) {
                char number[24];
                std::snprintf(number, sizeof number, "\n%zu: ", i);
                question += Utf8ToWide(number);
                question += folders[i];
                if (folders[i] == m_folder) current = static_cast<int>(i);
            }
            const int chosen = AskUser(kNoteFolderQuestion, question, current);
            if (chosen >= 0 && static_cast<size_t>(chosen) < folders.size() && chosen != current) {
                const std::u16string target = folders[static_cast<size_t>(chosen)] + u"\\" + m_title;
                if (!MoveNote(target.c_str())) return false;
            }
        }
        const int privateAnswer = AskUser(kNotePrivateQuestion, u"Private note?", m_private ? IDYES : IDNO);
        if (privateAnswer == IDYES && !m_private) m_private = m_kind == kAlarmNoteExternal ? 2 : 1;
        if (privateAnswer == IDNO) m_private = 0;
    } else if (page == kNoteEditorAlarm) {
        if (!SetAlarm()) return false;
    }
    return Save();
}
