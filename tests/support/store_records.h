// Records written straight into the object store, as other programs leave them, for the code under test to read.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "platform/kernel/handle.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/objectstore/cedb.h"

namespace kstest {

// A property list for CeWriteRecordProps; the values point into the caller's data.
struct PropList {
    std::vector<CEPROPVAL> props;
    CEVALUNION& Add(CEPROPID id)
    {
        props.push_back(CEPROPVAL{});
        props.back().propid = id;
        return props.back().val;
    }
    // An empty blob is left out, as the store keeps no empty blobs.
    void Blob(CEPROPID id, std::vector<BYTE>& bytes)
    {
        if (!bytes.empty()) Add(id).blob = CEBLOB{static_cast<DWORD>(bytes.size()), bytes.data()};
    }
};

inline CEPROPVAL Prop(CEPROPID id, const WCHAR* text)
{
    CEPROPVAL p{id, 0, 0, {}};
    p.val.lpwstr = const_cast<LPWSTR>(text);
    return p;
}
inline CEPROPVAL Prop(CEPROPID id, LONG value)
{
    CEPROPVAL p{id, 0, 0, {}};
    p.val.lVal = value;
    return p;
}

// Writes the properties into record oid (0: new) of the object model's database name; its OID, 0 on failure.
inline CEOID WritePimRecord(const WCHAR* name, const std::vector<CEPROPVAL>& props, CEOID oid = 0)
{
    CEOID dbOid = PimDatabases::Oid(name);
    HANDLE db = CeOpenDatabaseEx(nullptr, &dbOid, nullptr, 0, 0, nullptr);
    if (db == INVALID_HANDLE_VALUE) return 0;
    const CEOID written =
        CeWriteRecordProps(db, oid, static_cast<WORD>(props.size()), const_cast<CEPROPVAL*>(props.data()));
    CloseHandle(db);
    return written;
}

// Deletes record oid of the object model's database name.
inline bool DeletePimRecord(const WCHAR* name, CEOID oid)
{
    CEOID dbOid = PimDatabases::Oid(name);
    HANDLE db = CeOpenDatabaseEx(nullptr, &dbOid, nullptr, 0, 0, nullptr);
    if (db == INVALID_HANDLE_VALUE) return false;
    const bool deleted = CeDeleteRecord(db, oid) != 0;
    CloseHandle(db);
    return deleted;
}

// Runs SQL on the object store's file behind the engine's back.
inline void TamperObjectStore(const std::string& sql)
{
    platform::CloseObjectStore();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(platform::ObjectStorePath().c_str(), &db), SQLITE_OK);
    char* message = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK) << (message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
}

}  // namespace kstest
