// A small notes program's library ("pwnotesapi.dll") as a plug-in: the
// external notes databases that the notes list and CAlarmNote reach through
// the library loader. Installed by copying libpwnotesapi.so into the
// "plugins" folder of the data directory (platform/files/plugin_libraries.h).
//
// The notes live in "pwnotes.sqlite" of the data directory: databases with
// an OID and a name, notes with an OID, title, category, colour index,
// privacy, times, rich or plain text and an alarm. Handles of the searches
// are OIDs (the next database or note is the one with the next larger OID),
// so a search needs no state. Every call opens the file afresh, so the
// data directory may change between calls.
//
// Besides the calls the suite makes, the plug-in exports
// "PWN_CreateDatabase" (name → OID) for setting up databases.
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <string>

#include "engine/notes_library.h"
#include "platform/files/plugin_libraries.h"

namespace {

KsPluginDataDirectory g_dataDirectory = nullptr;

// Database OIDs start here, note OIDs above kFirstNote.
constexpr sqlite3_int64 kFirstDatabase = 7001;
constexpr sqlite3_int64 kFirstNote = 100001;

class Store {
public:
    Store()
    {
        if (!g_dataDirectory) return;
        std::string folder(g_dataDirectory(nullptr, 0) + 1, '\0');
        folder.resize(g_dataDirectory(folder.data(), folder.size()));
        if (sqlite3_open((folder + "/pwnotes.sqlite").c_str(), &m_db) != SQLITE_OK) Close();
        if (m_db) sqlite3_busy_timeout(m_db, 5000);
        if (m_db && sqlite3_exec(m_db,
                                 "CREATE TABLE IF NOT EXISTS databases(oid INTEGER PRIMARY KEY, name TEXT NOT NULL);"
                                 "CREATE TABLE IF NOT EXISTS notes(oid INTEGER PRIMARY KEY, db INTEGER NOT NULL,"
                                 " title TEXT NOT NULL, category TEXT NOT NULL DEFAULT '', colour INTEGER DEFAULT 0,"
                                 " reserved INTEGER DEFAULT 0, private INTEGER DEFAULT 0, created BLOB,"
                                 " modified BLOB, body TEXT NOT NULL DEFAULT '', alarm BLOB);",
                                 nullptr, nullptr, nullptr) != SQLITE_OK)
            Close();
    }
    ~Store() { Close(); }
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    sqlite3* Db() const { return m_db; }

private:
    void Close()
    {
        if (m_db) sqlite3_close(m_db);
        m_db = nullptr;
    }
    sqlite3* m_db = nullptr;
};

// One statement; Step is true while it yields rows.
class Query {
public:
    Query(const Store& store, const char* sql)
    {
        if (store.Db()) sqlite3_prepare_v2(store.Db(), sql, -1, &m_statement, nullptr);
    }
    ~Query() { sqlite3_finalize(m_statement); }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    Query& Int(int index, sqlite3_int64 value)
    {
        if (m_statement) sqlite3_bind_int64(m_statement, index, value);
        return *this;
    }
    Query& Text(int index, const char16_t* text)
    {
        if (m_statement) sqlite3_bind_text16(m_statement, index, text ? text : u"", -1, SQLITE_TRANSIENT);
        return *this;
    }
    Query& Utf8(int index, const char* text)
    {
        if (m_statement) sqlite3_bind_text(m_statement, index, text ? text : "", -1, SQLITE_TRANSIENT);
        return *this;
    }
    Query& Blob(int index, const void* data, int size)
    {
        if (m_statement) sqlite3_bind_blob(m_statement, index, data, size, SQLITE_TRANSIENT);
        return *this;
    }
    bool Step() { return m_statement && sqlite3_step(m_statement) == SQLITE_ROW; }
    // Runs a statement that yields no rows; the rows it changed.
    int Run(const Store& store)
    {
        if (!m_statement) return 0;
        const int result = sqlite3_step(m_statement);
        return result == SQLITE_DONE ? sqlite3_changes(store.Db()) : 0;
    }
    sqlite3_int64 ColumnInt(int column) const { return sqlite3_column_int64(m_statement, column); }
    std::u16string ColumnText(int column) const
    {
        const auto* text = static_cast<const char16_t*>(sqlite3_column_text16(m_statement, column));
        return text ? std::u16string(text) : std::u16string();
    }
    template <class T>
    void ColumnBlob(int column, T& out) const
    {
        const void* data = sqlite3_column_blob(m_statement, column);
        if (data && sqlite3_column_bytes(m_statement, column) == static_cast<int>(sizeof out))
            std::memcpy(&out, data, sizeof out);
    }

private:
    sqlite3_stmt* m_statement = nullptr;
};

void CopyText(WCHAR* out, size_t capacity, const std::u16string& text)
{
    const size_t n = std::min(text.size(), capacity - 1);
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), out);
    out[n] = 0;
}

SYSTEMTIME Now()
{
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(local.tm_year + 1900);
    st.wMonth = static_cast<WORD>(local.tm_mon + 1);
    st.wDayOfWeek = static_cast<WORD>(local.tm_wday);
    st.wDay = static_cast<WORD>(local.tm_mday);
    st.wHour = static_cast<WORD>(local.tm_hour);
    st.wMinute = static_cast<WORD>(local.tm_min);
    st.wSecond = static_cast<WORD>(local.tm_sec);
    return st;
}

sqlite3_int64 NextOid(const Store& store, const char* sql, sqlite3_int64 first)
{
    Query q(store, sql);
    return q.Step() && q.ColumnInt(0) >= first ? q.ColumnInt(0) + 1 : first;
}

bool DatabaseExists(const Store& store, LONG database)
{
    Query q(store, "SELECT 1 FROM databases WHERE oid = ?");
    return q.Int(1, database).Step();
}

// ---- the library's calls ----

DWORD FindNextDatabase(DWORD handle)
{
    Store store;
    Query q(store, "SELECT oid FROM databases WHERE oid > ? ORDER BY oid LIMIT 1");
    return q.Int(1, handle).Step() ? static_cast<DWORD>(q.ColumnInt(0)) : 0;
}

LONG GetDatabaseOid(DWORD handle) { return static_cast<LONG>(handle); }

int GetDatabaseName(DWORD handle, WCHAR* name)
{
    Store store;
    Query q(store, "SELECT name FROM databases WHERE oid = ?");
    if (!name || !q.Int(1, handle).Step()) return 0;
    const std::u16string text = q.ColumnText(0);
    CopyText(name, kNotesLibraryNameChars, text);
    return static_cast<int>(std::min<size_t>(text.size(), kNotesLibraryNameChars - 1));
}

void CloseFindHandle(DWORD) {}

DWORD FindNextNote(LONG database, DWORD handle, DWORD)
{
    Store store;
    Query q(store, "SELECT oid FROM notes WHERE db = ? AND oid > ? ORDER BY oid LIMIT 1");
    return q.Int(1, database).Int(2, handle).Step() ? static_cast<DWORD>(q.ColumnInt(0)) : 0;
}

bool FillRecord(const Store& store, LONG database, LONG note, PWN_NOTE_RECORD* record)
{
    if (!record || record->size != sizeof *record) return false;
    Query q(store,
            "SELECT oid, title, category, colour, reserved, private, modified, created, alarm FROM notes "
            "WHERE oid = ? AND (? = 0 OR db = ?)");
    if (!q.Int(1, note).Int(2, database).Int(3, database).Step()) return false;
    record->oid = static_cast<DWORD>(q.ColumnInt(0));
    CopyText(record->title, kNotesLibraryTextChars, q.ColumnText(1));
    CopyText(record->category, kNotesLibraryTextChars, q.ColumnText(2));
    record->colourIndex = static_cast<DWORD>(q.ColumnInt(3));
    record->reserved = static_cast<DWORD>(q.ColumnInt(4));
    record->isPrivate = static_cast<DWORD>(q.ColumnInt(5));
    q.ColumnBlob(6, record->modified);
    q.ColumnBlob(7, record->created);
    q.ColumnBlob(8, record->alarm);
    return true;
}

int GetNoteData(DWORD note, PWN_NOTE_RECORD* record)
{
    Store store;
    return FillRecord(store, 0, static_cast<LONG>(note), record) ? 1 : 0;
}

int GetNoteDataFromOid(LONG database, LONG note, PWN_NOTE_RECORD* record)
{
    Store store;
    return FillRecord(store, database, note, record) ? 1 : 0;
}

WCHAR* GetNotePreviewText(LONG database, LONG note)
{
    Store store;
    Query q(store, "SELECT body FROM notes WHERE oid = ? AND db = ?");
    if (!q.Int(1, note).Int(2, database).Step()) return nullptr;
    const std::u16string text = q.ColumnText(0);
    auto* out = new WCHAR[text.size() + 1];
    std::copy(text.begin(), text.end(), out);
    out[text.size()] = 0;
    return out;
}

int UpdateNoteProperty(LONG database, LONG note, DWORD property, const WCHAR* value)
{
    const char* sql = property == kNotesLibraryPropText       ? "UPDATE notes SET body = ?, modified = ? WHERE oid = ? AND db = ?"
                      : property == kNotesLibraryPropCategory ? "UPDATE notes SET category = ?, modified = ? WHERE oid = ? AND db = ?"
                                                              : nullptr;
    if (!sql) return 0;
    Store store;
    const SYSTEMTIME now = Now();
    Query q(store, sql);
    return q.Text(1, value).Blob(2, &now, sizeof now).Int(3, note).Int(4, database).Run(store) == 1 ? 1 : 0;
}

LONG CreateNoteFromRtf(LONG database, const PWN_NEW_NOTE_RECORD* record)
{
    if (!record || record->size != sizeof *record) return 0;
    Store store;
    if (!DatabaseExists(store, database)) return 0;
    const sqlite3_int64 oid = NextOid(store, "SELECT MAX(oid) FROM notes", kFirstNote);
    const SYSTEMTIME now = Now();
    const std::u16string title(record->title, std::find(record->title, record->title + kNotesLibraryShortTextChars, 0));
    const std::u16string category(record->category,
                                  std::find(record->category, record->category + kNotesLibraryShortTextChars, 0));
    Query q(store,
            "INSERT INTO notes(oid, db, title, category, created, modified, body) VALUES(?, ?, ?, ?, ?, ?, ?)");
    q.Int(1, oid).Int(2, database).Text(3, title.c_str()).Text(4, category.c_str());
    q.Blob(5, &now, sizeof now).Blob(6, &now, sizeof now).Utf8(7, record->richText);
    return q.Run(store) == 1 ? static_cast<LONG>(oid) : 0;
}

int CreateNotification(LONG database, LONG note, const SYSTEMTIME* time)
{
    if (!time) return 0;
    Store store;
    Query q(store, "UPDATE notes SET alarm = ? WHERE oid = ? AND db = ?");
    return q.Blob(1, time, sizeof *time).Int(2, note).Int(3, database).Run(store) == 1 ? 1 : 0;
}

LONG CreateCopy(LONG database, LONG note)
{
    Store store;
    const sqlite3_int64 oid = NextOid(store, "SELECT MAX(oid) FROM notes", kFirstNote);
    Query q(store,
            "INSERT INTO notes(oid, db, title, category, colour, reserved, private, created, modified, body, alarm) "
            "SELECT ?, db, title || ' (copy)', category, colour, reserved, private, created, modified, body, alarm "
            "FROM notes WHERE oid = ? AND db = ?");
    return q.Int(1, oid).Int(2, note).Int(3, database).Run(store) == 1 ? static_cast<LONG>(oid) : 0;
}

int RenameNote(LONG database, LONG note, const WCHAR* title)
{
    if (!title || !*title) return 0;
    Store store;
    Query q(store, "UPDATE notes SET title = ? WHERE oid = ? AND db = ?");
    return q.Text(1, title).Int(2, note).Int(3, database).Run(store) == 1 ? 1 : 0;
}

int DeleteNote(LONG database, LONG note)
{
    Store store;
    Query q(store, "DELETE FROM notes WHERE oid = ? AND db = ?");
    return q.Int(1, note).Int(2, database).Run(store) == 1 ? 1 : 0;
}

LONG CreateDatabase(const WCHAR* name)
{
    if (!name || !*name) return 0;
    Store store;
    const sqlite3_int64 oid = NextOid(store, "SELECT MAX(oid) FROM databases", kFirstDatabase);
    Query q(store, "INSERT INTO databases(oid, name) VALUES(?, ?)");
    return q.Int(1, oid).Text(2, name).Run(store) == 1 ? static_cast<LONG>(oid) : 0;
}

template <class Function>
void (*Proc(Function* function))()
{
    return reinterpret_cast<void (*)()>(function);
}

const KsPluginExport kExports[] = {
    {"PWN_FindNextDatabase", Proc(&FindNextDatabase)},
    {"PWN_GetDatabaseOid", Proc(&GetDatabaseOid)},
    {"PWN_GetDatabaseName", Proc(&GetDatabaseName)},
    {"PWN_CloseFindDBHandle", Proc(&CloseFindHandle)},
    {"PWN_FindNextNote", Proc(&FindNextNote)},
    {"PWN_GetNoteData", Proc(&GetNoteData)},
    {"PWN_CloseFindNoteHandle", Proc(&CloseFindHandle)},
    {"PWN_GetNotePreviewText", Proc(&GetNotePreviewText)},
    {"PWN_GetNoteDataFromOID", Proc(&GetNoteDataFromOid)},
    {"PWN_UpdateNoteProperty", Proc(&UpdateNoteProperty)},
    {"PWN_CreateNoteFromRTF", Proc(&CreateNoteFromRtf)},
    {"PWN_CreateNotification", Proc(&CreateNotification)},
    {"PWN_CreateCopy", Proc(&CreateCopy)},
    {"PWN_RenameNote", Proc(&RenameNote)},
    {"PWN_DeleteNote", Proc(&DeleteNote)},
    {"PWN_CreateDatabase", Proc(&CreateDatabase)},
};

const KsPluginInfo kInfo = {u"pwnotesapi.dll", kExports, sizeof kExports / sizeof kExports[0]};

}  // namespace

extern "C" __attribute__((visibility("default"))) const KsPluginInfo* KsPluginLibrary(KsPluginDataDirectory dataDirectory)
{
    g_dataDirectory = dataDirectory;
    return &kInfo;
}
