// A database as its volume stores it (one row of the databases table), and
// the sort-key columns of its records.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/objectstore/cedb_record_codec.h"
#include "platform/objectstore/cedb_sort_key.h"

namespace platform::cedb {

class Volume;

struct DatabaseRow {
    CEOID oid = 0;
    std::u16string name;
    DWORD type = 0;
    std::int64_t modified = 0;  // FILETIME as one number
    std::vector<SORTORDERSPEC> sorts;
    std::int64_t records = 0;
    std::int64_t bytes = 0;
};

// The sort-key column of a sort order: "k0" to "k3".
std::string KeyColumn(int slot);

// The stored form of a database's sort orders (a count, then propid and
// flags of each, little-endian). DecodeSorts: ERROR_FILE_CORRUPT for bytes
// that are not that, or more than CEDB_MAXSORTORDER orders.
std::string EncodeSorts(const std::vector<SORTORDERSPEC>& sorts);
DWORD DecodeSorts(std::string_view bytes, std::vector<SORTORDERSPEC>& sorts);

// Names are unique without regard to case: compared in this form.
std::string FoldName(std::u16string_view name);

std::int64_t NowFileTime();

// Within a transaction on the volume. ERROR_FILE_NOT_FOUND when there is no
// such database (also for an OID that names a record).
DWORD LoadDatabase(Volume& volume, CEOID oid, DatabaseRow& row);
DWORD FindDatabase(Volume& volume, std::u16string_view name, DatabaseRow& row);

// The sort keys of a record under a database's sort orders (unused slots empty).
using RecordKeys = std::array<std::optional<std::string>, CEDB_MAXSORTORDER>;
RecordKeys KeysOf(const SortKeyBuilder& keys, const std::vector<SORTORDERSPEC>& sorts,
                  const std::vector<StoredProp>& props);

// Within a write transaction: builds the sort keys of every record of one
// database (all databases with oid 0) again. ERROR_FILE_CORRUPT when a
// record does not decode.
DWORD RebuildKeys(Volume& volume, CEOID db, const SortKeyBuilder& keys);

}  // namespace platform::cedb
