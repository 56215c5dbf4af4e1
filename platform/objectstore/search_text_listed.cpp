// search_text_listed(list, start): a table-valued function over the OIDs a
// search listed, from the start-th on, one row per OID in the list's order.
// `list` is a std::vector<CEOID> bound with sqlite3_bind_pointer under
// kListedOidsPointer; anything else lists nothing. The walk over listed
// matches joins it with the records: reading the list in place costs a
// counter per row, where a recursive query writes and deletes a row of a
// queue table for each.
#include <sqlite3.h>

#include <algorithm>
#include <vector>

#include "platform/objectstore/internal/search_text_store.h"

namespace platform::cedb {
namespace {

enum Column { kOid, kList, kStart };

struct ListedCursor {
    sqlite3_vtab_cursor base{};  // first: SQLite hands this back as the cursor
    const CEOID* oids = nullptr;
    sqlite3_int64 count = 0;
    sqlite3_int64 at = 0;
};

ListedCursor& Of(sqlite3_vtab_cursor* cursor) { return *reinterpret_cast<ListedCursor*>(cursor); }

int Connect(sqlite3* db, void*, int, const char* const*, sqlite3_vtab** table, char**)
{
    const int rc = sqlite3_declare_vtab(db, "CREATE TABLE x(oid INTEGER, list HIDDEN, start HIDDEN)");
    if (rc != SQLITE_OK) return rc;
    *table = static_cast<sqlite3_vtab*>(sqlite3_malloc(sizeof(sqlite3_vtab)));
    if (!*table) return SQLITE_NOMEM;
    **table = sqlite3_vtab{};
    return SQLITE_OK;
}

int Disconnect(sqlite3_vtab* table)
{
    sqlite3_free(table);
    return SQLITE_OK;
}

// The list must be given; the start is the second argument when given too
// (idxNum 1), else 0.
int BestIndex(sqlite3_vtab*, sqlite3_index_info* info)
{
    int list = -1, start = -1;
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        if (c.op != SQLITE_INDEX_CONSTRAINT_EQ) continue;
        if (c.iColumn == kList) {
            if (!c.usable) return SQLITE_CONSTRAINT;
            list = i;
        } else if (c.iColumn == kStart && c.usable) {
            start = i;
        }
    }
    if (list < 0) return SQLITE_CONSTRAINT;
    info->aConstraintUsage[list].argvIndex = 1;
    info->aConstraintUsage[list].omit = 1;
    if (start >= 0) {
        info->aConstraintUsage[start].argvIndex = 2;
        info->aConstraintUsage[start].omit = 1;
    }
    info->idxNum = start >= 0 ? 1 : 0;
    info->estimatedCost = 1;
    info->estimatedRows = 100;
    return SQLITE_OK;
}

int Open(sqlite3_vtab*, sqlite3_vtab_cursor** cursor)
{
    auto* c = static_cast<ListedCursor*>(sqlite3_malloc(sizeof(ListedCursor)));
    if (!c) return SQLITE_NOMEM;
    *c = ListedCursor{};
    *cursor = &c->base;
    return SQLITE_OK;
}

int Close(sqlite3_vtab_cursor* cursor)
{
    sqlite3_free(&Of(cursor));
    return SQLITE_OK;
}

int Filter(sqlite3_vtab_cursor* cursor, int idxNum, const char*, int, sqlite3_value** argv)
{
    ListedCursor& c = Of(cursor);
    const auto* list = static_cast<const std::vector<CEOID>*>(sqlite3_value_pointer(argv[0], kListedOidsPointer));
    c.oids = list ? list->data() : nullptr;
    c.count = list ? static_cast<sqlite3_int64>(list->size()) : 0;
    // A start before the list is its beginning, one past it an empty walk.
    c.at = idxNum == 1 ? std::clamp<sqlite3_int64>(sqlite3_value_int64(argv[1]), 0, c.count) : 0;
    return SQLITE_OK;
}

int Next(sqlite3_vtab_cursor* cursor)
{
    ++Of(cursor).at;
    return SQLITE_OK;
}

int Eof(sqlite3_vtab_cursor* cursor) { return Of(cursor).at >= Of(cursor).count; }

int ColumnOf(sqlite3_vtab_cursor* cursor, sqlite3_context* context, int column)
{
    const ListedCursor& c = Of(cursor);
    if (column == kOid) sqlite3_result_int64(context, c.oids[c.at]);
    // The list is not shown back as a value; a start is where this row is.
    if (column == kStart) sqlite3_result_int64(context, c.at);
    return SQLITE_OK;
}

int Rowid(sqlite3_vtab_cursor* cursor, sqlite3_int64* rowid)
{
    *rowid = Of(cursor).at;
    return SQLITE_OK;
}

// Eponymous only (no xCreate): it exists in every schema as the function and
// cannot be made into a stored table.
const sqlite3_module kListedModule = {
    .iVersion = 0,
    .xCreate = nullptr,
    .xConnect = Connect,
    .xBestIndex = BestIndex,
    .xDisconnect = Disconnect,
    .xDestroy = nullptr,
    .xOpen = Open,
    .xClose = Close,
    .xFilter = Filter,
    .xNext = Next,
    .xEof = Eof,
    .xColumn = ColumnOf,
    .xRowid = Rowid,
};

}  // namespace

int RegisterSearchTextListed(sqlite3* db)
{
    return sqlite3_create_module_v2(db, "search_text_listed", &kListedModule, nullptr, nullptr);
}

}  // namespace platform::cedb
