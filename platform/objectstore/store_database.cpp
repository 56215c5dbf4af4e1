#include "platform/objectstore/store_database.h"

#include <cstring>

#include "platform/base/error_codes.h"
#include "platform/text/wide_string.h"

namespace platform {

HANDLE OpenStoreDatabase(LPCWSTR name, const SORTORDERSPEC& sort, bool create)
{
    CEOID oid = 0;
    HANDLE db = CeOpenDatabaseEx(nullptr, &oid, name, 0, 0, nullptr);
    if (db != INVALID_HANDLE_VALUE || !create || GetLastError() != ERROR_FILE_NOT_FOUND) return db;
    CEDBASEINFO info{};
    info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDTYPE | CEDB_VALIDSORTSPEC;
    std::memcpy(info.szDbaseName, name, (wcslen(name) + 1) * sizeof(WCHAR));
    info.wNumSortOrder = 1;
    info.rgSortSpecs[0] = sort;
    if (!CeCreateDatabaseEx(nullptr, &info) && GetLastError() != ERROR_DUP_NAME) return INVALID_HANDLE_VALUE;
    oid = 0;
    return CeOpenDatabaseEx(nullptr, &oid, name, 0, 0, nullptr);
}

}  // namespace platform
