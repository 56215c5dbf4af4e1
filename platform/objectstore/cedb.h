// The object-store database engine (CEDB): volumes holding databases of
// records, each record a set of typed properties, read in the order of one of
// the database's sort orders.
//
// Each volume is one SQLite file (write-ahead log, one transaction per
// change): the object store is "objectstore.db" in the data directory, other
// volumes are files mounted by their device path. Many threads and processes
// may read and write at once; a process killed during a write leaves the
// store as it was before that write. Beside each volume file, "<file>-changes"
// holds a counter that every writer raises, so that readers in other
// processes learn cheaply that what they read ahead may be stale.
//
// Properties are keyed by their whole 32-bit identifier (number and type), so
// a record may hold one number with two types side by side (a task's complete
// flag and its completion date). Strings in sort orders compare with the user
// locale's collation (CEDB_SORT_GENERICORDER: with the root collation, the
// same in every locale); when the user's locale changes, opening a handle
// builds the volume's sort keys again.
//
// Failures set the last error (GetLastError) to the platform's codes:
// ERROR_INVALID_PARAMETER, ERROR_INVALID_HANDLE (also for a handle whose
// database was deleted or whose volume was closed), ERROR_FILE_NOT_FOUND for a
// missing database or volume file, ERROR_NOT_FOUND for a missing record or
// object (and a seek or read that reaches none), ERROR_DUP_NAME for a taken
// name, ERROR_INSUFFICIENT_BUFFER, ERROR_NOT_ENOUGH_MEMORY, ERROR_DISK_FULL,
// ERROR_KEY_DELETED for a record deleted under a handle,
// ERROR_SHARING_VIOLATION when another process holds the volume longer than
// 10 seconds, ERROR_BAD_FORMAT for a file that is not a volume,
// ERROR_FILE_CORRUPT for a damaged volume or record.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/kernel/handle.h"

using CEOID = DWORD;
using CEPROPID = DWORD;
using PCEPROPID = CEPROPID*;

// A mounted volume; all zero is the object store.
struct CEGUID {
    DWORD Data1;
    DWORD Data2;
    DWORD Data3;
    DWORD Data4;
};
using PCEGUID = CEGUID*;
inline void CREATE_SYSTEMGUID(PCEGUID guid) { *guid = CEGUID{0, 0, 0, 0}; }
inline void CREATE_INVALIDGUID(PCEGUID guid) { *guid = CEGUID{0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu}; }
inline bool CHECK_SYSTEMGUID(const CEGUID* g) { return !g->Data1 && !g->Data2 && !g->Data3 && !g->Data4; }

// Value types: the low 16 bits of a property identifier.
constexpr WORD CEVT_I2 = 2;
constexpr WORD CEVT_I4 = 3;
constexpr WORD CEVT_R8 = 5;
constexpr WORD CEVT_BOOL = 11;
constexpr WORD CEVT_UI2 = 18;
constexpr WORD CEVT_UI4 = 19;
constexpr WORD CEVT_LPWSTR = 31;
constexpr WORD CEVT_FILETIME = 64;
constexpr WORD CEVT_BLOB = 65;

constexpr WORD TypeFromPropID(CEPROPID id) { return static_cast<WORD>(id & 0xFFFF); }
constexpr WORD PropIdNumber(CEPROPID id) { return static_cast<WORD>(id >> 16); }
constexpr CEPROPID MAKEPROPID(WORD number, WORD type) { return (static_cast<DWORD>(number) << 16) | type; }

struct CEBLOB {
    DWORD dwCount;
    LPBYTE lpb;
};

union CEVALUNION {
    short iVal;
    USHORT uiVal;
    LONG lVal;
    ULONG ulVal;
    FILETIME filetime;
    LPWSTR lpwstr;
    CEBLOB blob;
    BOOL boolVal;
    double dblVal;
};

// One property of a record.
struct CEPROPVAL {
    CEPROPID propid;
    WORD wLenData;  // unused
    WORD wFlags;    // CEDB_PROPNOTFOUND on reads, CEDB_PROPDELETE on writes
    CEVALUNION val;
};
using PCEPROPVAL = CEPROPVAL*;

constexpr WORD CEDB_PROPNOTFOUND = 0x0100;
constexpr WORD CEDB_PROPDELETE = 0x0200;

// Sort orders.
constexpr DWORD CEDB_SORT_DESCENDING = 0x00000001;
constexpr DWORD CEDB_SORT_CASEINSENSITIVE = 0x00000002;
constexpr DWORD CEDB_SORT_UNKNOWNFIRST = 0x00000004;
constexpr DWORD CEDB_SORT_GENERICORDER = 0x00000008;

struct SORTORDERSPEC {
    CEPROPID propid;
    DWORD dwFlags;
};

constexpr int CEDB_MAXDBASENAMELEN = 32;
constexpr int CEDB_MAXSORTORDER = 4;

// Which fields of a CEDBASEINFO are meant.
constexpr DWORD CEDB_VALIDNAME = 0x0001;
constexpr DWORD CEDB_VALIDTYPE = 0x0002;
constexpr DWORD CEDB_VALIDSORTSPEC = 0x0004;
constexpr DWORD CEDB_VALIDMODTIME = 0x0008;
constexpr DWORD CEDB_VALIDDBFLAGS = 0x0010;
constexpr DWORD CEDB_VALIDCREATE = CEDB_VALIDNAME | CEDB_VALIDTYPE | CEDB_VALIDSORTSPEC | CEDB_VALIDDBFLAGS;

struct CEDBASEINFO {
    DWORD dwFlags;
    WCHAR szDbaseName[CEDB_MAXDBASENAMELEN];
    DWORD dwDbaseType;
    WORD wNumRecords;  // the low 16 bits of the count
    WORD wNumSortOrder;
    DWORD dwSize;  // bytes the records take
    FILETIME ftLastModified;
    SORTORDERSPEC rgSortSpecs[CEDB_MAXSORTORDER];
};
using PCEDBASEINFO = CEDBASEINFO*;

// Object kinds of CeOidGetInfo.
constexpr WORD OBJTYPE_INVALID = 0;
constexpr WORD OBJTYPE_FILE = 1;
constexpr WORD OBJTYPE_DIRECTORY = 2;
constexpr WORD OBJTYPE_DATABASE = 3;
constexpr WORD OBJTYPE_RECORD = 4;

struct CERECORDINFO {
    CEOID oidParent;  // the database
};

struct CEOIDINFO {
    WORD wObjType;
    WORD wPad;
    union {
        CEDBASEINFO infDatabase;
        CERECORDINFO infRecord;
    };
};
using PCEOIDINFO = CEOIDINFO*;

// Open flags.
constexpr DWORD CEDB_AUTOINCREMENT = 0x00000001;
// Reads the records in OID order whatever sort orders the database has (the
// sort property must then be 0). A walk in OID order follows the file's own
// order, the cheapest there is, for a reader that sorts what it keeps itself;
// value seeks on such a handle fail as on a database without sort orders.
constexpr DWORD CEDB_OIDORDER = 0x00010000;

// Seek types.
constexpr DWORD CEDB_SEEK_CEOID = 0x00000001;
constexpr DWORD CEDB_SEEK_BEGINNING = 0x00000002;
constexpr DWORD CEDB_SEEK_END = 0x00000004;
constexpr DWORD CEDB_SEEK_CURRENT = 0x00000008;
constexpr DWORD CEDB_SEEK_VALUESMALLER = 0x00000010;
constexpr DWORD CEDB_SEEK_VALUEFIRSTEQUAL = 0x00000020;
constexpr DWORD CEDB_SEEK_VALUEGREATER = 0x00000040;
constexpr DWORD CEDB_SEEK_VALUENEXTEQUAL = 0x00000080;

// Read flags.
constexpr DWORD CEDB_ALLOWREALLOC = 0x00000001;

// Mount creation dispositions (as CreateFileW's).
constexpr DWORD CEDB_OPEN_EXISTING = 3;
constexpr DWORD CEDB_OPEN_ALWAYS = 4;

// Change notifications posted to the window given at open (WM_USER + n):
// wParam the OID of the record, lParam the database's OID.
constexpr UINT DB_CEOID_CREATED = 0x0400 + 0x1;
constexpr UINT DB_CEOID_DATABASE_DELETED = 0x0400 + 0x2;
constexpr UINT DB_CEOID_RECORD_DELETED = 0x0400 + 0x3;
constexpr UINT DB_CEOID_CHANGED = 0x0400 + 0x6;

// Volumes. CeMountDBVol mounts the volume file at a device path (creating it
// with CEDB_OPEN_ALWAYS; its folder must exist) and fills guid; mounting one
// file twice gives the same guid and counts the mounts, and the last
// CeUnmountDBVol closes it (its open handles fail afterwards). Other
// dispositions are ERROR_INVALID_PARAMETER; a folder is ERROR_ACCESS_DENIED.
KSTOOLS_API BOOL CeMountDBVol(PCEGUID guid, LPCWSTR path, DWORD creation);
KSTOOLS_API BOOL CeUnmountDBVol(PCEGUID guid);
// Moves the write-ahead log into the volume file.
KSTOOLS_API BOOL CeFlushDBVol(PCEGUID guid);

// Databases. A null guid means the object store. Names are flat (a
// backslash is an ordinary character), compared without case, at most 31
// characters (longer names are cut).
KSTOOLS_API CEOID CeCreateDatabaseEx(PCEGUID guid, PCEDBASEINFO info);
KSTOOLS_API CEOID CeCreateDatabase(LPCWSTR name, DWORD type, WORD sortCount, SORTORDERSPEC* sorts);
// Opens by OID (*oid non-zero) or by name (then *oid receives the OID).
// sortPropId 0 reads in the first sort order (or in OID order when the
// database has none); any other value must be the propid of one of its sort
// orders (else ERROR_INVALID_PARAMETER); with CEDB_OIDORDER it must be 0.
// The handle's position starts at the first record, whichever that is when
// it is first used, so a loop of reads with CEDB_AUTOINCREMENT needs no seek
// first. Failure gives
// INVALID_HANDLE_VALUE (ERROR_FILE_NOT_FOUND for a missing database).
// notify (may be null) receives DB_CEOID_CREATED, DB_CEOID_CHANGED and
// DB_CEOID_RECORD_DELETED for the changes made through any handle of this
// process on the same database, posted by the writing call; changes made by
// other processes come too, from a watcher thread, within milliseconds of
// their commit (and DB_CEOID_DATABASE_DELETED, wParam the database's OID,
// when another process deletes the database). DB_CEOID_CHANGED with wParam
// 0 names no record: other processes changed more than this process could
// follow one by one (its watcher fell behind the volume's change log), and
// anything kept from the database must be read again.
KSTOOLS_API HANDLE CeOpenDatabaseEx(PCEGUID guid, CEOID* oid, LPCWSTR name, CEPROPID sortPropId, DWORD flags,
                                    HWND notify);
KSTOOLS_API HANDLE CeOpenDatabase(CEOID* oid, LPCWSTR name, CEPROPID sortPropId, DWORD flags, HWND notify);
// Deleting a database, or replacing its sort orders, fails with
// ERROR_SHARING_VIOLATION while a handle of this process has it open.
KSTOOLS_API BOOL CeDeleteDatabaseEx(PCEGUID guid, CEOID oid);
KSTOOLS_API BOOL CeDeleteDatabase(CEOID oid);
KSTOOLS_API BOOL CeSetDatabaseInfoEx(PCEGUID guid, CEOID oid, PCEDBASEINFO info);
KSTOOLS_API BOOL CeSetDatabaseInfo(CEOID oid, PCEDBASEINFO info);
// A database (OBJTYPE_DATABASE with its CEDBASEINFO) or a record
// (OBJTYPE_RECORD with its database); ERROR_NOT_FOUND for neither.
KSTOOLS_API BOOL CeOidGetInfoEx(PCEGUID guid, CEOID oid, PCEOIDINFO info);
KSTOOLS_API BOOL CeOidGetInfo(CEOID oid, PCEOIDINFO info);
// Enumerates the databases of a volume (of one type, or all with type 0):
// CeFindNextDatabaseEx returns their OIDs, then 0 with ERROR_NO_MORE_ITEMS.
KSTOOLS_API HANDLE CeFindFirstDatabaseEx(PCEGUID guid, DWORD type);
KSTOOLS_API CEOID CeFindNextDatabaseEx(HANDLE find, PCEGUID guid);

// Records.
//
// Records are ordered by the handle's sort order, ties by OID. CeSeekDatabase
// moves the handle's position and returns the OID reached, 0 when there is
// none (ERROR_NOT_FOUND; the position is then unchanged):
//   CEDB_SEEK_CEOID        the record value (a record of this database)
//   CEDB_SEEK_BEGINNING    the value-th record from the first (0: the first)
//   CEDB_SEEK_END          the value-th record back from the last (0: the
//                          last; a negative value counts the same way)
//   CEDB_SEEK_CURRENT      value (a signed 32-bit number) records on or back
// Value seeks take a CEPROPVAL* of the sort property's type as the value and
// compare in the handle's sort order, its direction, case rule and collation
// included: "smaller" and "greater" mean earlier and later in that order.
// They only reach records that have the property.
//   CEDB_SEEK_VALUESMALLER    the last record ordered before the value
//   CEDB_SEEK_VALUEFIRSTEQUAL the first record equal to the value
//   CEDB_SEEK_VALUEGREATER    the first record ordered after the value
//   CEDB_SEEK_VALUENEXTEQUAL  the record right after the current one, when it
//                             is equal to the value
// Value seeks on a handle without a sort order fail (ERROR_INVALID_PARAMETER).
// *index (optional) receives the position reached counted from 0.
KSTOOLS_API CEOID CeSeekDatabase(HANDLE db, DWORD seekType, DWORD_PTR value, LPDWORD index);
// Reads the current record's listed properties (all of them when ids is null
// and *count is 0) into one block: the CEPROPVAL array, then strings and
// blobs (each blob padded to an even size). With CEDB_ALLOWREALLOC the block
// is made or grown with LocalAlloc/LocalReAlloc; otherwise it must be large
// enough (ERROR_INSUFFICIENT_BUFFER, *size set to what is needed). A listed
// property the record lacks gets an entry flagged CEDB_PROPNOTFOUND. Returns
// the record's OID; with CEDB_AUTOINCREMENT on the handle the position then
// moves to the next record (the record read may get another sort value
// afterwards without moving the handle). A caller's block that is large enough keeps its
// *size. No current record: ERROR_NOT_FOUND; the current record was deleted:
// ERROR_KEY_DELETED; its stored form is damaged: ERROR_FILE_CORRUPT.
// CeReadRecordPropsEx allocates from `heap` (HeapAlloc) when it is not null.
KSTOOLS_API CEOID CeReadRecordProps(HANDLE db, DWORD flags, LPWORD count, CEPROPID* ids, LPBYTE* buffer, LPDWORD size);
KSTOOLS_API CEOID CeReadRecordPropsEx(HANDLE db, DWORD flags, LPWORD count, CEPROPID* ids, LPBYTE* buffer, LPDWORD size,
                                      HANDLE heap);
// oid 0 adds a record; otherwise the listed properties are merged into the
// stored record and those flagged CEDB_PROPDELETE are removed. Returns the
// record's OID, 0 on failure: ERROR_INVALID_PARAMETER for an unknown value
// type or an OID of another database, ERROR_NOT_FOUND for an OID of no
// record, ERROR_BAD_LENGTH beyond 16 MiB for the record. A null string is
// stored as the empty string. Positions of open handles do not move.
KSTOOLS_API CEOID CeWriteRecordProps(HANDLE db, CEOID oid, WORD count, CEPROPVAL* props);
// Deleting the current record through a handle opened with
// CEDB_AUTOINCREMENT moves that handle on to the record that followed it;
// other handles on the record stay (their reads give ERROR_KEY_DELETED).
KSTOOLS_API BOOL CeDeleteRecord(HANDLE db, CEOID oid);

namespace platform {
// The object store's file: "<data directory>/objectstore.db".
KSTOOLS_API std::string ObjectStorePath();
// Closes every volume connection (tests point KSTOOLS_HOME elsewhere in
// between); open database handles fail afterwards.
KSTOOLS_API void CloseObjectStore();
// Checks a volume (null: the object store): SQLite's own check, then every
// database description and every record decoded, record counts and sizes,
// and the sort keys rebuilt and compared with the stored ones. One line per
// problem goes to `report`, then a summary line. True when nothing is wrong.
KSTOOLS_API bool CheckObjectStore(const CEGUID* guid, std::string& report);
// Runs body as one write transaction of the volume guid names (null: the
// object store): what the calls body makes on this thread write to that
// volume is kept when body returns true, and all of it is undone when body
// returns false or throws. Other threads of the process wait for the volume
// until it ends; other processes see all of the changes or none. Change
// notifications are posted as the calls are made, also for changes then
// undone. FALSE (the last error set) when the transaction cannot start or
// commit, or when body returns false (the last error is then body's).
KSTOOLS_API BOOL RunObjectStoreTransaction(const CEGUID* guid, const std::function<bool()>& body);
}  // namespace platform
