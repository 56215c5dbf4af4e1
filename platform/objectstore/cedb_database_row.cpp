#include "platform/objectstore/internal/cedb_database_row.h"

#include <cstring>

#include "platform/base/error_codes.h"
#include "platform/objectstore/internal/cedb_volume.h"
#include "platform/text/utf8.h"
#include "platform/text/wide_string.h"
#include "platform/time/clock.h"

namespace platform::cedb {
namespace {

DWORD ReadRow(Statement& st, DatabaseRow& row)
{
    int rc = st.Step();
    if (rc == SQLITE_DONE) return ERROR_FILE_NOT_FOUND;
    if (rc != SQLITE_ROW) return MapSqliteError(rc);
    row.oid = static_cast<CEOID>(st.Int(0));
    row.name = Utf8ToWide(st.Bytes(1));
    row.type = static_cast<DWORD>(st.Int(2));
    row.modified = st.Int(3);
    row.records = st.Int(5);
    row.bytes = st.Int(6);
    return DecodeSorts(st.Bytes(4), row.sorts);
}

constexpr const char* kRowColumns = "SELECT oid, name, type, modified, sorts, records, bytes FROM databases ";

}  // namespace

// Built by appending: gcc 12 warns (-Wrestrict, a false alarm) on a literal plus a temporary here.
std::string KeyColumn(int slot) { return std::string("k").append(std::to_string(slot)); }

std::string EncodeSorts(const std::vector<SORTORDERSPEC>& sorts)
{
    std::string out(1, static_cast<char>(sorts.size()));
    for (const auto& s : sorts) {
        out.append(reinterpret_cast<const char*>(&s.propid), 4);
        out.append(reinterpret_cast<const char*>(&s.dwFlags), 4);
    }
    return out;
}

DWORD DecodeSorts(std::string_view bytes, std::vector<SORTORDERSPEC>& sorts)
{
    sorts.clear();
    if (bytes.empty()) return ERROR_FILE_CORRUPT;
    auto count = static_cast<size_t>(static_cast<unsigned char>(bytes[0]));
    if (count > CEDB_MAXSORTORDER || bytes.size() != 1 + 8 * count) return ERROR_FILE_CORRUPT;
    for (size_t i = 0; i < count; ++i) {
        SORTORDERSPEC s{};
        std::memcpy(&s.propid, bytes.data() + 1 + 8 * i, 4);
        std::memcpy(&s.dwFlags, bytes.data() + 5 + 8 * i, 4);
        if (!IsKnownType(TypeFromPropID(s.propid)) || (s.dwFlags & ~kKnownSortFlags)) return ERROR_FILE_CORRUPT;
        sorts.push_back(s);
    }
    return ERROR_SUCCESS;
}

std::string FoldName(std::u16string_view name)
{
    std::u16string lower(name);
    for (auto& c : lower) c = towlower(c);
    return WideToUtf8(lower);
}

std::int64_t NowFileTime() { return static_cast<std::int64_t>(HostFileTime()); }

DWORD LoadDatabase(Volume& volume, CEOID oid, DatabaseRow& row)
{
    Statement st(volume.Statements(), std::string(kRowColumns) + "WHERE oid = ?1");
    return ReadRow(st.Bind(1, oid), row);
}

DWORD FindDatabase(Volume& volume, std::u16string_view name, DatabaseRow& row)
{
    // Names are stored cut to their first CEDB_MAXDBASENAMELEN - 1 characters.
    name = name.substr(0, CEDB_MAXDBASENAMELEN - 1);
    Statement st(volume.Statements(), std::string(kRowColumns) + "WHERE folded = ?1");
    return ReadRow(st.BindText(1, FoldName(name)), row);
}

RecordKeys KeysOf(const SortKeyBuilder& keys, const std::vector<SORTORDERSPEC>& sorts,
                  const std::vector<StoredProp>& props)
{
    RecordKeys out;
    for (size_t slot = 0; slot < sorts.size() && slot < out.size(); ++slot) {
        const StoredProp* found = nullptr;
        for (const auto& p : props)
            if (p.id == sorts[slot].propid) found = &p;
        out[slot] = keys.RecordKey(sorts[slot], found);
    }
    return out;
}

DWORD RebuildKeys(Volume& volume, CEOID db, const SortKeyBuilder& keys)
{
    std::vector<std::pair<CEOID, std::vector<SORTORDERSPEC>>> databases;
    {
        Statement st(volume.Statements(), "SELECT oid, sorts FROM databases WHERE ?1 = 0 OR oid = ?1");
        st.Bind(1, db);
        int rc;
        while ((rc = st.Step()) == SQLITE_ROW) {
            std::vector<SORTORDERSPEC> sorts;
            if (DWORD err = DecodeSorts(st.Bytes(1), sorts)) return err;
            databases.emplace_back(static_cast<CEOID>(st.Int(0)), std::move(sorts));
        }
        if (rc != SQLITE_DONE) return MapSqliteError(rc);
    }
    for (const auto& [oid, sorts] : databases) {
        // The records are read first, then written: updating rows while a
        // query walks the same table is best avoided.
        std::vector<std::pair<CEOID, RecordKeys>> updates;
        {
            Statement st(volume.Statements(), "SELECT oid, props FROM records WHERE db = ?1");
            st.Bind(1, oid);
            std::vector<StoredProp> props;
            int rc;
            while ((rc = st.Step()) == SQLITE_ROW) {
                if (DWORD err = DecodeRecord(st.Bytes(1), props)) return err;
                updates.emplace_back(static_cast<CEOID>(st.Int(0)), KeysOf(keys, sorts, props));
            }
            if (rc != SQLITE_DONE) return MapSqliteError(rc);
        }
        Statement st(volume.Statements(), "UPDATE records SET k0 = ?2, k1 = ?3, k2 = ?4, k3 = ?5 WHERE oid = ?1");
        for (const auto& [record, recordKeys] : updates) {
            st.Bind(1, record);
            for (int slot = 0; slot < CEDB_MAXSORTORDER; ++slot) {
                if (recordKeys[slot])
                    st.BindBlob(slot + 2, *recordKeys[slot]);
                else
                    st.BindNull(slot + 2);
            }
            if (DWORD err = st.Run()) return err;
            st.Reset();
        }
    }
    return ERROR_SUCCESS;
}

}  // namespace platform::cedb
