// The records' search text: building it, keeping its table, and the
// extension call that finds the records holding a search's pieces.
#include "platform/objectstore/search_text_index.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/kernel/handle.h"
#include "platform/objectstore/internal/cedb_database_handle.h"
#include "platform/objectstore/internal/search_text_store.h"
#include "platform/text/byte_search.h"
#include "platform/text/utf8.h"
#include "platform/text/wide_string.h"

namespace platform::cedb {
namespace {

// Raised whenever what goes into a search text changes (the fold, the
// separator, the properties taken): volumes of an older version are filled
// again when opened. 2: the table's triggers; rows of version 1 may be stale.
constexpr std::int64_t kSearchTextVersion = 2;

// Rows keyed by database then record: a search reads one database's rows
// as one run of the table, and never the records' property blobs.
const char* const kSearchTextTable =
    "DROP TABLE IF EXISTS search_text;"
    "DROP TRIGGER IF EXISTS search_text_delete; DROP TRIGGER IF EXISTS search_text_insert;"
    "DROP TRIGGER IF EXISTS search_text_update;"
    "CREATE TABLE search_text(db INTEGER NOT NULL, oid INTEGER NOT NULL, text TEXT NOT NULL,"
    "  PRIMARY KEY(db, oid)) WITHOUT ROWID;"
    // Any write of a record, by whatever program, drops its row, so that a
    // build that knows nothing of the table never leaves a stale text; our
    // own write path writes the row again in the same transaction. A record
    // without a row is a candidate of every search (CeFindSearchTextOids).
    "CREATE TRIGGER search_text_delete AFTER DELETE ON records BEGIN"
    "  DELETE FROM search_text WHERE db = old.db AND oid = old.oid; END;"
    "CREATE TRIGGER search_text_insert AFTER INSERT ON records BEGIN"
    "  DELETE FROM search_text WHERE db = new.db AND oid = new.oid; END;"
    "CREATE TRIGGER search_text_update AFTER UPDATE OF db, props ON records BEGIN"
    "  DELETE FROM search_text WHERE db = old.db AND oid = old.oid; END;";

// Whether text holds piece (not empty).
bool Holds(std::string_view text, std::string_view piece) { return FindBytes(text, piece) != std::string_view::npos; }

bool IsPhonePunctuation(char c) { return c == ' ' || c == '-' || c == '(' || c == ')'; }

// Whether text holds piece with phone punctuation of text stepped over
// between (not before) its characters. Bytes of UTF-8: the punctuation is
// ASCII, which never stands inside a longer character.
bool HoldsSpread(std::string_view text, std::string_view piece)
{
    // Starts are found by memchr: most texts hold the first byte in few places.
    for (size_t start = 0; start < text.size(); ++start) {
        const auto* first = static_cast<const char*>(std::memchr(text.data() + start, piece[0], text.size() - start));
        if (!first) return false;
        start = static_cast<size_t>(first - text.data());
        size_t at = start + 1, matched = 1;
        while (matched < piece.size() && at < text.size()) {
            if (text[at] == piece[matched]) {
                ++at;
                ++matched;
            } else if (IsPhonePunctuation(text[at])) {
                ++at;
            } else {
                break;
            }
        }
        if (matched == piece.size()) return true;
    }
    return false;
}

// Whether text holds every piece of list (UTF-8 pieces, each ended by a
// zero byte).
bool HoldsPieces(std::string_view text, DWORD flags, std::string_view list)
{
    for (size_t at = 0; at < list.size();) {
        const char* end = static_cast<const char*>(std::memchr(list.data() + at, 0, list.size() - at));
        const size_t length = end ? static_cast<size_t>(end - (list.data() + at)) : list.size() - at;
        const std::string_view piece(list.data() + at, length);
        at += length + 1;
        if (piece.empty() || Holds(text, piece)) continue;
        if ((flags & CEDB_SEARCHTEXT_PHONEFORMS) && HoldsSpread(text, piece)) continue;
        return false;
    }
    return true;
}

// search_text_has(text, flags, pieces): 1 when text holds every piece of
// pieces (HoldsPieces).
void SearchTextHas(sqlite3_context* context, int, sqlite3_value** argv)
{
    const auto* data = static_cast<const char*>(static_cast<const void*>(sqlite3_value_text(argv[0])));
    const std::string_view text(data ? data : "", static_cast<size_t>(sqlite3_value_bytes(argv[0])));
    const auto flags = static_cast<DWORD>(sqlite3_value_int64(argv[1]));
    const auto* list = static_cast<const char*>(sqlite3_value_blob(argv[2]));
    const std::string_view pieces(list ? list : "", list ? static_cast<size_t>(sqlite3_value_bytes(argv[2])) : 0);
    sqlite3_result_int(context, HoldsPieces(text, flags, pieces) ? 1 : 0);
}

// The search texts a volume keeps in memory, with their OIDs and ends, take
// at most this many bytes all together; a database that does not fit is
// searched in the file.
constexpr size_t kMaxCopiedText = 16u << 20;

// The folded pieces, UTF-8, each ended by a zero byte, longest first (the
// longer a piece, the fewer texts hold it); a piece is cut at unpaired
// surrogates (a search text spells those as U+FFFD).
std::string PieceList(const std::vector<std::u16string>& pieces)
{
    std::vector<std::string> cut;
    for (const std::u16string& typed : pieces) {
        std::u16string folded(typed.c_str());
        _wcslwr(folded.data());
        size_t from = 0;
        auto flush = [&](size_t to) {
            if (to > from) cut.push_back(WideToUtf8(std::u16string_view(folded).substr(from, to - from)));
        };
        for (size_t i = 0; i < folded.size(); ++i) {
            const char16_t c = folded[i];
            const bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
            if (high && i + 1 < folded.size() && folded[i + 1] >= 0xDC00 && folded[i + 1] <= 0xDFFF) {
                ++i;
            } else if (high || low) {
                flush(i);
                from = i + 1;
            }
        }
        flush(folded.size());
    }
    std::stable_sort(cut.begin(), cut.end(), [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    std::string list;
    for (const std::string& piece : cut) list.append(piece).push_back(0);
    return list;
}

}  // namespace

std::string SearchTextOf(const std::vector<StoredProp>& props)
{
    std::u16string text;
    for (const StoredProp& prop : props) {
        if (TypeFromPropID(prop.id) != CEVT_LPWSTR || !prop.data) continue;
        if (!text.empty()) text += kSearchTextSeparator;
        const size_t start = text.size();
        text.resize(start + prop.length);
        std::memcpy(text.data() + start, prop.data, prop.length * sizeof(char16_t));
        // A search sees a string up to its first terminator.
        const size_t stop = text.find(u'\0', start);
        if (stop != std::u16string::npos) text.resize(stop);
        _wcslwr(text.data() + start);
    }
    return WideToUtf8(text);
}

int RegisterSearchTextFunction(sqlite3* db)
{
    const int rc = sqlite3_create_function_v2(db, "search_text_has", 3, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                              SearchTextHas, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return rc;
    return RegisterSearchTextListed(db);
}

bool FileDataVersion(sqlite3* db, unsigned int* version)
{
    return sqlite3_file_control(db, "main", SQLITE_FCNTL_DATA_VERSION, version) == SQLITE_OK;
}


// ERROR_SUCCESS when the volume's search text is of this version or newer (a
// newer build's table is kept as it is: it knows what it wrote),
// ERROR_INVALID_FUNCTION when it is missing or older.
DWORD SearchTextIsCurrent(Volume& volume)
{
    Statement st(volume.Statements(), "SELECT value FROM meta WHERE key = 'search_text'");
    const int rc = st.Step();
    if (rc == SQLITE_ROW) return st.Int(0) >= kSearchTextVersion ? ERROR_SUCCESS : ERROR_INVALID_FUNCTION;
    return rc == SQLITE_DONE ? ERROR_INVALID_FUNCTION : MapSqliteError(rc);
}

DWORD EnsureSearchText(Volume& volume)
{
    const DWORD current = SearchTextIsCurrent(volume);
    if (current != ERROR_INVALID_FUNCTION) return current;
    // A fill that fails does not keep the store from opening: it is undone,
    // the version stays unset, and searches fail (their callers then read
    // every record) until an opening fills it.
    Transaction fill(volume.Db(), true);
    if (fill.Status()) return ERROR_SUCCESS;
    if (sqlite3_exec(volume.Db(), kSearchTextTable, nullptr, nullptr, nullptr) != SQLITE_OK) return ERROR_SUCCESS;
    Statement all(volume.Statements(), "SELECT oid, db, props FROM records");
    std::vector<StoredProp> props;
    int rc;
    while ((rc = all.Step()) == SQLITE_ROW) {
        // A damaged record cannot be read by a search either: it gets an empty text.
        if (DecodeRecord(all.Bytes(2), props) != ERROR_SUCCESS) props.clear();
        if (WriteSearchText(volume, static_cast<CEOID>(all.Int(1)), static_cast<CEOID>(all.Int(0)), props))
            return ERROR_SUCCESS;
    }
    if (rc != SQLITE_DONE) return ERROR_SUCCESS;
    Statement version(volume.Statements(), "INSERT OR REPLACE INTO meta(key, value) VALUES ('search_text', ?1)");
    if (version.Bind(1, kSearchTextVersion).Run() == ERROR_SUCCESS) fill.Commit();
    return ERROR_SUCCESS;
}

DWORD WriteSearchText(Volume& volume, CEOID db, CEOID oid, const std::vector<StoredProp>& props)
{
    Statement st(volume.Statements(), "INSERT OR REPLACE INTO search_text(db, oid, text) VALUES (?1, ?2, ?3)");
    // No table: its fill failed when the volume was opened. The record goes
    // without a text, which searches take as a candidate.
    if (!st.Ok()) return ERROR_SUCCESS;
    return st.Bind(1, db).Bind(2, oid).BindText(3, SearchTextOf(props)).Run();
}

// Whether a narrowed walk over the search text sees every record of the
// database: the table is current and each record has its text (a program
// that does not keep the table leaves records without one). The delete and
// update triggers leave no text without its record, so equal counts suffice.
// The counts cost a walk of the database's rows: an answer "covered" is kept
// with the file's data version, which moves with every commit by any
// connection, and holds until the file changes.
DWORD SearchTextCoversDatabase(Volume& volume, CEOID db)
{
    Transaction read(volume.Db(), false);
    if (read.Status()) return read.Status();
    // First a statement: the data version is read when the read begins.
    if (const DWORD current = SearchTextIsCurrent(volume)) return current;
    // Inside a transaction already open the counts see its writes, which an
    // undo takes back without moving the data version: such an answer is
    // neither taken from the kept ones nor kept.
    unsigned int version = 0;
    const bool versioned = !read.Nested() && FileDataVersion(volume.Db(), &version);
    auto& covered = volume.SearchTextCovered();
    const auto known = covered.find(db);
    if (versioned && known != covered.end() && known->second == version) return ERROR_SUCCESS;
    Statement counts(volume.Statements(), "SELECT (SELECT count(*) FROM records WHERE db = ?1) = "
                                          "(SELECT count(*) FROM search_text WHERE db = ?1)");
    const int rc = counts.Bind(1, db).Step();
    if (rc != SQLITE_ROW) return MapSqliteError(rc);
    if (!counts.Int(0)) {
        covered.erase(db);
        return ERROR_INVALID_FUNCTION;
    }
    if (versioned) covered[db] = version;
    return ERROR_SUCCESS;
}

// The search texts of the volume's databases as last read, in OID order:
// the texts one after another, each ending where `ends` says.
struct SearchTextCopies {
    struct Copy {
        unsigned int version = 0;
        // Set when the texts did not fit at this version: the next search
        // at the same version goes to the file without reading them again.
        bool tooLarge = false;
        // Set by the first search at this version, which searches the file:
        // texts are copied only for a second search before the next change,
        // so a file that changes between every two searches is not read twice
        // per search.
        bool seenOnce = false;
        std::vector<CEOID> oids;
        std::vector<std::uint32_t> ends;
        std::string texts;

        size_t Bytes() const
        {
            return texts.capacity() + oids.capacity() * sizeof(CEOID) + ends.capacity() * sizeof(std::uint32_t);
        }
    };
    std::map<CEOID, Copy> databases;
};

// The records of db whose search text holds the pieces of list, found in
// the copy of its texts, which is read again when the file has changed
// since. Nothing (the caller searches the file) for an empty list, inside a
// transaction already open (its writes do not move the data version), when
// the database's coverage was not found at this same version, or for texts
// too large to copy.
std::shared_ptr<const SearchTextMatches> ListSearchTextMatches(Volume& volume, CEOID db, const std::string& list,
                                                              DWORD flags)
{
    if (list.empty()) return nullptr;
    Transaction read(volume.Db(), false);
    if (read.Status() || read.Nested() || SearchTextIsCurrent(volume) != ERROR_SUCCESS) return nullptr;
    unsigned int version = 0;
    if (!FileDataVersion(volume.Db(), &version)) return nullptr;
    const auto covered = volume.SearchTextCovered().find(db);
    if (covered == volume.SearchTextCovered().end() || covered->second != version) return nullptr;
    auto& kept = volume.SearchTextCopiesKept();
    if (!kept) kept = std::make_shared<SearchTextCopies>();
    // Copies read at another version are stale.
    std::erase_if(kept->databases, [version](const auto& entry) { return entry.second.version != version; });
    auto found = kept->databases.find(db);
    if (found == kept->databases.end()) {
        SearchTextCopies::Copy seen;
        seen.version = version;
        seen.seenOnce = true;
        kept->databases.emplace(db, std::move(seen));
        return nullptr;
    }
    if (found->second.seenOnce) {
        kept->databases.erase(found);
        size_t budget = kMaxCopiedText;
        for (const auto& [other, otherCopy] : kept->databases) budget -= std::min(budget, otherCopy.Bytes());
        SearchTextCopies::Copy copy;
        copy.version = version;
        Statement st(volume.Statements(), "SELECT oid, text FROM search_text WHERE db = ?1 ORDER BY oid");
        st.Bind(1, db);
        int rc;
        size_t used = 0;
        while ((rc = st.Step()) == SQLITE_ROW) {
            const std::string_view text = st.Bytes(1);
            used += text.size() + sizeof(CEOID) + sizeof(std::uint32_t);
            if (used > budget) {
                copy = SearchTextCopies::Copy{};
                copy.version = version;
                copy.tooLarge = true;
                rc = SQLITE_DONE;
                break;
            }
            copy.oids.push_back(static_cast<CEOID>(st.Int(0)));
            copy.texts.append(text);
            copy.ends.push_back(static_cast<std::uint32_t>(copy.texts.size()));
        }
        if (rc != SQLITE_DONE) return nullptr;
        copy.oids.shrink_to_fit();
        copy.ends.shrink_to_fit();
        copy.texts.shrink_to_fit();
        found = kept->databases.emplace(db, std::move(copy)).first;
    }
    if (found->second.tooLarge) return nullptr;
    auto matches = std::make_shared<SearchTextMatches>();
    matches->version = version;
    const SearchTextCopies::Copy& copy = found->second;
    const auto text = [&copy](size_t i) {
        const std::uint32_t start = i ? copy.ends[i - 1] : 0;
        return std::string_view(copy.texts).substr(start, copy.ends[i] - start);
    };
    // The first piece is the longest. Unless a spread form may hold it,
    // only the texts where it occurs are looked at: it is searched for in
    // all of them at once (an occurrence across two texts does not count).
    const std::string_view first(list.c_str());
    if ((flags & CEDB_SEARCHTEXT_PHONEFORMS) || first.empty()) {
        for (size_t i = 0; i < copy.oids.size(); ++i)
            if (HoldsPieces(text(i), flags, list)) matches->oids.push_back(copy.oids[i]);
        return matches;
    }
    const std::string_view all(copy.texts);
    size_t i = 0;
    for (size_t at = FindBytes(all, first); at != std::string_view::npos; at = FindBytes(all, first, at)) {
        i = static_cast<size_t>(std::upper_bound(copy.ends.begin() + static_cast<std::ptrdiff_t>(i), copy.ends.end(), at) -
                                copy.ends.begin());
        if (at + first.size() > copy.ends[i]) {
            ++at;
            continue;
        }
        if (HoldsPieces(text(i), flags, list)) matches->oids.push_back(copy.oids[i]);
        at = copy.ends[i];
        ++i;
        if (i == copy.oids.size()) break;
    }
    return matches;
}

}  // namespace platform::cedb

using namespace platform::cedb;

BOOL CeFindSearchTextOids(HANDLE db, const std::vector<std::u16string>& pieces, DWORD flags, std::vector<CEOID>* oids)
{
    if (!oids || (flags & ~CEDB_SEARCHTEXT_PHONEFORMS)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    oids->clear();
    auto handle = platform::LookupHandleAs<DatabaseHandle>(db);
    if (!handle) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const std::string list = PieceList(pieces);
    Volume& volume = handle->GetVolume();
    std::lock_guard lock(volume.Mutex());
    DWORD err = handle->BeginCall();
    if (!err) {
        Transaction read(volume.Db(), false);
        err = read.Status();
        if (!err) err = SearchTextIsCurrent(volume);
        // The records whose text matches, and those without a text (written
        // by a program that does not keep the table), which the caller checks
        // in full.
        Statement st(volume.Statements(),
                     "SELECT oid FROM search_text WHERE db = ?1 AND (length(?3) = 0 OR search_text_has(text, ?2, ?3)) "
                     "UNION ALL SELECT oid FROM records AS r WHERE db = ?1 AND NOT EXISTS "
                     "(SELECT 1 FROM search_text AS s WHERE s.db = ?1 AND s.oid = r.oid) ORDER BY oid");
        st.Bind(1, handle->Db()).Bind(2, flags).BindBlob(3, list);
        int rc = SQLITE_DONE;
        while (!err && (rc = st.Step()) == SQLITE_ROW) oids->push_back(static_cast<CEOID>(st.Int(0)));
        if (!err && rc != SQLITE_DONE) err = MapSqliteError(rc);
    }
    if (err) {
        oids->clear();
        SetLastError(err);
        return FALSE;
    }
    return TRUE;
}

BOOL CeRestrictToSearchText(HANDLE db, const std::vector<std::u16string>& pieces, DWORD flags)
{
    if (flags & ~CEDB_SEARCHTEXT_PHONEFORMS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto handle = platform::LookupHandleAs<DatabaseHandle>(db);
    if (!handle) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::string list = PieceList(pieces);
    std::lock_guard lock(handle->GetVolume().Mutex());
    DWORD err = handle->BeginCall();
    if (!err) err = SearchTextCoversDatabase(handle->GetVolume(), handle->Db());
    if (!err) {
        auto matches = ListSearchTextMatches(handle->GetVolume(), handle->Db(), list, flags);
        err = handle->Position().Restrict(std::move(list), flags, std::move(matches));
    }
    if (err) {
        SetLastError(err);
        return FALSE;
    }
    return TRUE;
}
