#include "items/c_journal_data.h"

#include <string>

#include "platform/text/utf8.h"

CJournalData::CJournalData() { Clear(); }

void CJournalData::Clear()
{
    m_record = 0;
    m_subject = u"";
    m_type = u"";
    m_parentText = u"";
    m_text3 = u"";
    m_duration = 0;
    m_pageFlag = false;
    m_start = SYSTEMTIME{};
    m_created = SYSTEMTIME{};
    m_modified = SYSTEMTIME{};
    m_createdMissing = false;
    m_number1 = m_number2 = m_number3 = 0;
    m_parent = 0;
    m_notes.clear();
}

CeString CJournalData::NotesText() const
{
    const std::string bytes(m_notes.begin(), m_notes.end());
    const std::u16string text = Utf8ToWide(bytes);
    return CeString(text.c_str(), static_cast<int>(text.size()));
}

void CJournalData::SetNotesText(const WCHAR* text)
{
    const std::string bytes = text ? WideToUtf8(text) : std::string();
    m_notes.assign(bytes.begin(), bytes.end());
}
