#include "items/journal_dialog.h"

#include "items/c_journal.h"
#include "platform/time/clock.h"
#include "platform/ui/ui_host.h"

CeString CJournalDialog::Describe(const CJournalData& entry)
{
    CeString text;
    text.Format(u"%s\n%04u-%02u-%02u %02u:%02u", static_cast<const WCHAR*>(entry.m_subject),
                static_cast<unsigned>(entry.m_start.wYear), static_cast<unsigned>(entry.m_start.wMonth),
                static_cast<unsigned>(entry.m_start.wDay), static_cast<unsigned>(entry.m_start.wHour),
                static_cast<unsigned>(entry.m_start.wMinute));
    if (!entry.m_parentText.IsEmpty()) {
        text += u"\n";
        text += entry.m_parentText;
    }
    const CeString notes = entry.NotesText();
    if (!notes.IsEmpty() && notes.Compare(entry.m_subject) != 0) {
        text += u"\n\n";
        text += notes;
    }
    return text;
}

int CJournalDialog::Show(HWND owner, CJournalData& entry)
{
    const CeString text = Describe(entry);
    if (MessageBoxW(owner, text, u"Journal", MB_OKCANCEL) != IDOK) return IDCANCEL;
    const int minutes = AskUser(kJournalDurationQuestion, u"Duration in minutes", static_cast<int>(entry.m_duration));
    if (minutes >= 0) entry.m_duration = static_cast<ULONG>(minutes);
    CJournal::WriteEntry(entry, entry.m_record == 0);
    return IDOK;
}

CEOID CJournalDialog::Collect(HWND owner, CEOID parent, const WCHAR* parentText, const WCHAR* subject)
{
    CJournalData entry;
    GetLocalTime(&entry.m_start);
    entry.m_created = entry.m_start;
    entry.m_parent = parent;
    if (parentText) entry.m_parentText = parentText;
    if (subject) entry.m_subject = subject;
    if (Show(owner, entry) != IDOK) return 0;
    return entry.m_record;
}
