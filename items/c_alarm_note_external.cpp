// CAlarmNote: notes of the external notes program, reached through its
// library (engine/notes_library.h). The program keeps a note's text as rich
// text; the ink page shows it as plain text.
#include <algorithm>
#include <memory>

#include "engine/notes_library.h"
#include "items/c_alarm_note.h"
#include "platform/ink/ink_note.h"
#include "platform/ink/ink_rich_text.h"
#include "platform/text/wide_string.h"
#include "storage/c_registry.h"

namespace {

// The note's record; false when the library or the note is not there.
bool NoteRecord(const NotesLibrary& library, LONG database, LONG oid, PWN_NOTE_RECORD& record)
{
    record = PWN_NOTE_RECORD{};
    record.size = sizeof record;
    return library.getNoteDataFromOid && oid != 0 && library.getNoteDataFromOid(database, oid, &record) == 1 &&
           record.oid != 0;
}

std::u16string Bounded(const WCHAR* text, size_t capacity)
{
    return std::u16string(text, wcsnlen(text, capacity));
}

void CopyBounded(WCHAR* out, size_t capacity, std::u16string_view text)
{
    const size_t n = std::min(text.size(), capacity - 1);
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), out);
    out[n] = 0;
}

// The note's text from the program, plain.
std::u16string PreviewText(const NotesLibrary& library, LONG database, LONG oid)
{
    if (!library.getNotePreviewText) return {};
    std::unique_ptr<WCHAR[]> text(library.getNotePreviewText(database, oid));
    if (!text) return {};
    std::u16string plain = text.get();
    return platform::IsRichText(plain) ? platform::PlainTextOfRtf(plain) : plain;
}

std::u16string Widened(const std::string& text) { return std::u16string(text.begin(), text.end()); }

}  // namespace

bool CAlarmNote::ReadNote(LONG database, LONG oid, const WCHAR* title)
{
    Reset();
    PWN_NOTE_RECORD record;
    if (!NoteRecord(NotesLibrary::Get(), database, oid, record)) return false;
    m_database = database;
    m_oid = oid;
    m_kind = kAlarmNoteExternal;
    m_title = title && *title ? std::u16string(title) : Bounded(record.title, kNotesLibraryTextChars);
    m_path = m_title;
    m_loaded = true;
    return true;
}

bool CAlarmNote::CreateInDatabase(LONG database, const WCHAR* title, const WCHAR* text, const WCHAR* categories)
{
    Reset();
    std::u16string name = title && *title ? std::u16string(title) : DefaultTitle();
    if (!(title && *title) && name.size() > 4) name.resize(name.size() - 4);
    m_database = database;
    m_kind = kAlarmNoteExternal;
    m_title = m_path = name;
    if (categories) m_category = categories;
    SetText(text ? text : u"");
    m_loaded = true;
    m_dataLoaded = true;
    if (!SaveExternal()) {
        Reset();
        return false;
    }
    return true;
}

bool CAlarmNote::LoadExternal()
{
    const NotesLibrary& library = NotesLibrary::Get();
    PWN_NOTE_RECORD record;
    if (!NoteRecord(library, m_database, m_oid, record)) return false;
    platform::InkNote note;
    note.text = PreviewText(library, m_database, m_oid);
    m_data = platform::SerializeInkNote(note);
    m_category = Bounded(record.category, kNotesLibraryTextChars);
    m_private = record.isPrivate != 0 ? 2 : 0;
    m_dataLoaded = true;
    return true;
}

bool CAlarmNote::SaveExternal()
{
    const NotesLibrary& library = NotesLibrary::Get();
    const std::string rich = platform::RtfOfPlainText(Text());
    PWN_NOTE_RECORD record;
    if (NoteRecord(library, m_database, m_oid, record)) {
        return library.updateNoteProperty &&
               library.updateNoteProperty(m_database, m_oid, kNotesLibraryPropText, Widened(rich).c_str()) &&
               library.updateNoteProperty(m_database, m_oid, kNotesLibraryPropCategory, m_category.c_str());
    }
    if (!library.createNoteFromRtf) return false;
    PWN_NEW_NOTE_RECORD created{};
    created.size = sizeof created;
    CopyBounded(created.title, kNotesLibraryShortTextChars, m_title);
    CopyBounded(created.category, kNotesLibraryShortTextChars, m_category);
    created.richText = rich.c_str();
    created.flags = 1;
    const LONG oid = library.createNoteFromRtf(m_database, &created);
    if (oid == 0) return false;
    m_oid = oid;
    return true;
}

bool CAlarmNote::MoveNote(LONG database, const WCHAR* title)
{
    if (!EnsureLoaded() || m_kind != kAlarmNoteExternal) return false;
    const NotesLibrary& library = NotesLibrary::Get();
    const std::u16string newTitle = title && *title ? std::u16string(title) : m_title;
    if (database == m_database) {
        if (!library.renameNote || !library.renameNote(m_database, m_oid, newTitle.c_str())) return false;
        m_title = m_path = newTitle;
        return true;
    }
    // Another database: only when the program can take it there.
    CRegistry settings(REGISTRY_TYPE_REGISTRY);
    ULONG kind = 0;
    if (settings.Exists(HKEY_CURRENT_USER, kExternalNotesSettingsKey) != 1 ||
        settings.QueryValueType(u"DatabaseVolume", &kind) != 0)
        return false;
    if (!library.deleteNote) return false;
    const LONG oldDatabase = m_database;
    const LONG oldOid = m_oid;
    const std::u16string oldTitle = m_title;
    m_database = database;
    m_oid = 0;
    m_title = newTitle;
    if (!SaveExternal()) {
        m_database = oldDatabase;
        m_oid = oldOid;
        m_title = oldTitle;
        return false;
    }
    library.deleteNote(oldDatabase, oldOid);
    m_path = m_title;
    return true;
}
