// CeDb: one database of the object-store engine (platform/objectstore/cedb.h) with the
// volume it lives in: mounting, creating, opening, seeking, reading, writing
// and deleting records, and changing the database's description.
//
// A CeDb and the records read through it belong to one thread (each loader
// opens its own); the engine serialises access across threads and processes.
// Failures come back as false or as an OID of 0, with the platform's last
// error set; HandleError traces that error.
#pragma once

#include "foundation/ce_string.h"
#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/objectstore/cedb.h"
#include "platform/text/bstr.h"
#include "storage/ce_db_record.h"

// Where change notifications of an open database go, in the platform's
// shape. CeDb makes one when a database is opened with a window to notify
// and releases it on Close.
struct CENOTIFYREQUEST {
    DWORD dwSize;  // sizeof(CENOTIFYREQUEST)
    HWND hwnd;     // the window the engine posts DB_CEOID_* messages to
    DWORD dwFlags;
    HANDLE hHeap;  // heap for notification details; null: the process heap
    DWORD dwParam;
};

inline constexpr int kCeDbVolumeNameChars = 256;

class KSTOOLS_API CeDb {
public:
    // Closed, nothing mounted.
    CeDb();
    // Closes the database and unmounts the volume.
    virtual ~CeDb();
    CeDb(const CeDb&) = delete;
    CeDb& operator=(const CeDb&) = delete;

    // ---- volumes ----
    // Mounts the volume file at a device path (created when missing). True at
    // once when that volume is already the one mounted; otherwise the current
    // one is unmounted first. On failure the mount status holds the platform
    // error (low 16 bits) and the object store is used.
    bool MountVolume(const WCHAR* volume);
    // Takes over other's volume (GUID, name, session). With addReference the
    // volume is mounted once more for this object, so that each object
    // unmounts its own mount; without, this object borrows other's mount and
    // never unmounts it. Without other, mounts volume. False when both are
    // null.
    bool MountVolume(CeDb* other, const WCHAR* volume, bool addReference);
    // Unmounts a volume this object mounted; the volume becomes the object
    // store (all zero) in any case.
    void UnMountVolume();
    bool MatchDatabaseGUID(CEGUID guid) const;
    const CEGUID& GetVolume() const { return m_volume; }
    const WCHAR* GetVolumeName() const { return m_volumeName; }
    // 0 after a successful mount, else the low 16 bits of its error.
    SHORT GetMountStatus() const { return m_mountStatus; }

    // ---- databases ----
    // Creates a database in the volume: the name (cut to 31 characters), the
    // type when non-zero, and with sorts the first min(sortCount, 4) sort
    // orders. Keeps the new OID and the name. True when the OID is non-zero.
    bool Create(const WCHAR* name, ULONG type, USHORT sortCount, SORTORDERSPEC* sorts);
    // Opens by name or OID, closing any database open before. sortPropId 0
    // reads in the first sort order; any other value must be the propid of
    // one of the database's sort orders. A non-null notify window receives
    // the engine's change messages. True when the handle is valid.
    bool Open(const WCHAR* name, ULONG sortPropId, ULONG flags, HWND notify);
    bool Open(ULONG oid, ULONG sortPropId, ULONG flags, HWND notify);
    bool IsOpen() const;
    // Closes the handle and releases the notification request.
    void Close();
    void CloseSession();
    // Writes go to the store at once; nothing to commit.
    bool Commit() { return true; }
    CENOTIFYREQUEST* GetNotificationRequest() const { return m_notifyRequest; }
    HANDLE GetHandle() const { return m_hDB; }
    CEOID GetOid() const { return m_oid; }
    const WCHAR* GetName() const { return m_name; }

    // ---- records ----
    // Writes the record as a new one; its OID becomes the new OID (0 on
    // failure). True when non-zero.
    bool AddRec(CeDbRecord& record);
    // Writes the record's entries into the stored record of its OID
    // (entries marked CEDB_PROPDELETE remove their property).
    bool UpdateRec(CeDbRecord& record);
    // Reads the current record: the count properties named by propIds, or
    // every property for count 0 and null propIds. The record's old buffer
    // is freed and the engine allocates the new one. True when the OID, the
    // buffer and the count are all non-zero.
    bool ReadRec(CeDbRecord& record, USHORT count, ULONG* propIds);
    // The same into buffer (LocalAlloc, size bytes), which the record then
    // owns; a buffer that is too small fails with ERROR_INSUFFICIENT_BUFFER.
    bool ReadRec(CeDbRecord& record, CEPROPVAL* buffer, ULONG size, USHORT count, ULONG* propIds);
    bool DeleteRecord(ULONG oid);

    // Closes, then deletes the database. False when there is no OID.
    bool Delete();
    // Closes an open database, then changes the description of database oid
    // as far as info's flags say.
    bool SetInfo(ULONG oid, CEDBASEINFO* info);
    bool SetLastModified(FILETIME time);
    bool SetName(const WCHAR* name);
    bool SetDbaseType(ULONG type);
    // The record count as the engine reports it (16 bits); 0 when unknown.
    int GetNumRecords() const;
    // The name of the database holding record recordOid, as a new BSTR the
    // caller frees; null when the OID is not a record.
    BSTR GetDatabaseNameFromOID(ULONG recordOid) const;

    // ---- seeks: the OID reached, 0 when there is none ----
    CEOID SeekTo(ULONG oid);
    CEOID SeekBegin(int n);
    CEOID SeekFirst() { return SeekBegin(0); }
    CEOID SeekEnd(int n);
    CEOID SeekLast() { return SeekEnd(0); }
    CEOID SeekCurrent(int n);
    CEOID SeekNext() { return SeekCurrent(1); }
    CEOID SeekPrev() { return SeekCurrent(-1); }
    // Value seeks compare value with the sort order the database was opened
    // with; the USHORT is not used.
    CEOID SeekSmallerRec(CEPROPVAL* value, USHORT unused = 1);
    CEOID SeekRec(CEPROPVAL* value, USHORT unused = 1);
    CEOID SeekGreaterRec(CEPROPVAL* value, USHORT unused = 1);
    CEOID SeekNextRec(CEPROPVAL* value, USHORT unused = 1);
    // Any seek: value is the position, OID or CEPROPVAL pointer the type asks
    // for; index (optional) receives the position reached.
    CEOID Seek(ULONG type, DWORD_PTR value, USHORT unused, ULONG* index);

    // Traces the thread's last error as "<context> DB(<name>): <what>" (some
    // codes silently; 112 as the out-of-memory notice) and returns it. The
    // last error is left as it was.
    DWORD HandleError(const WCHAR* context);

private:
    bool FinishOpen(HANDLE handle, HWND notify);
    bool GetObjectInfo(CEOID oid, CEOIDINFO& info) const;
    bool Mounted() const { return !CHECK_SYSTEMGUID(&m_volume); }

    HANDLE m_hDB;
    CEOID m_oid;
    CEGUID m_volume;
    SHORT m_mountStatus;
    WCHAR m_volumeName[kCeDbVolumeNameChars];
    CeString m_name;
    HANDLE m_session;
    CENOTIFYREQUEST* m_notifyRequest;
    // This object mounted m_volume itself and unmounts it.
    bool m_ownsMount;
};
