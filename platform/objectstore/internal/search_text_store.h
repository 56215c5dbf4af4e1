// The object store's side of the records' search text (see
// platform/objectstore/search_text_index.h): the table, kept by the write
// path inside its transaction; deleting
// a record (or a database's records) drops its row by trigger.
#pragma once

#include <string>
#include <vector>

#include "platform/objectstore/cedb_record_codec.h"
#include "platform/objectstore/internal/cedb_volume.h"

namespace platform::cedb {

// The search text of a record's properties, UTF-8.
std::string SearchTextOf(const std::vector<StoredProp>& props);
// Registers the matching function and search_text_listed on a new connection.
int RegisterSearchTextFunction(sqlite3* db);
// The table-valued function search_text_listed(list, start): the OIDs of a
// std::vector<CEOID> bound as a pointer of type kListedOidsPointer, from the
// start-th on (search_text_listed.cpp).
inline constexpr char kListedOidsPointer[] = "search_text_listed";
int RegisterSearchTextListed(sqlite3* db);
// Makes the table and its triggers and fills it from every record unless the
// volume already has it in the current version or newer. Inside the caller's
// write transaction; a failed fill is undone and not reported.
DWORD EnsureSearchText(Volume& volume);
DWORD WriteSearchText(Volume& volume, CEOID db, CEOID oid, const std::vector<StoredProp>& props);

// The records of one database whose search text holds a search's pieces,
// ascending, found in the file as it was at its data version `version`.
struct SearchTextMatches {
    unsigned int version = 0;
    std::vector<CEOID> oids;
};

// The data version of the file as the connection's open read sees it.
bool FileDataVersion(sqlite3* db, unsigned int* version);

}  // namespace platform::cedb
