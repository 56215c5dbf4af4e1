// CeDbRecord: one record of an object-store database (see platform/objectstore/cedb.h)
// as the array of typed property values the engine reads and writes, and the
// conversions between those values and the library's types.
//
// The record buffer is one block: the CEPROPVAL array, then the strings
// (with terminators) and blobs (each padded to an even size) that the entries
// point into. A buffer read by the engine, or handed over by a caller, was
// made with LocalAlloc and is freed with LocalFree; a buffer the record
// rebuilt itself is the library's and freed with delete[]. A blob that grows
// past its room goes to a LocalAlloc block of its own, which the record frees
// (for property indexes below kCeDbRecordMaxOwnBlobs; beyond that the buffer
// is rebuilt instead).
//
// Properties are addressed by index into the array, or by number and type
// ((number << 16) | type), looked up by FindProp.
#pragma once

#include "foundation/ce_string.h"
#include "platform/base/export.h"
#include "platform/base/types.h"
#include "platform/objectstore/cedb.h"

inline constexpr int kCeDbRecordMaxOwnBlobs = 50;

class CeDb;

class KSTOOLS_API CeDbRecord {
public:
    CeDbRecord();
    virtual ~CeDbRecord();
    CeDbRecord(const CeDbRecord&) = delete;
    CeDbRecord& operator=(const CeDbRecord&) = delete;

    CEOID GetOid() const { return m_oid; }
    void SetOid(CEOID oid) { m_oid = oid; }
    WORD GetCount() const { return m_count; }
    DWORD GetSize() const { return m_size; }
    CEPROPVAL* GetProps() const { return m_props; }
    // The database handle the record was read from; null for a new record.
    HANDLE GetDatabase() const { return m_database; }
    // The buffer is freed with LocalFree (it came from the engine or a caller).
    bool IsPlatformBuffer() const { return m_platformBuffer; }

    // Frees the buffer and the blobs of its own; the record is then empty
    // (oid 0, no properties, no database).
    void Reset();
    // Takes over a LocalAlloc buffer of size bytes holding count entries.
    void Attach(CEOID oid, WORD count, DWORD size, CEPROPVAL* props, HANDLE database);

    // The index of the entry with this propid, -1 when there is none.
    int FindProp(CEPROPID propid) const;
    // The same, looking first at index hint: a record read by a list of
    // identifiers holds the entries in the order of the list.
    int FindProp(CEPROPID propid, int hint) const;
    // The entry itself, read in place (strings and blobs without a copy);
    // null when the record lacks the property or it is marked not found.
    const CEPROPVAL* Stored(CEPROPID propid) const { return StoredAt(FindProp(propid)); }
    const CEPROPVAL* StoredAt(int index) const { return Present(index) ? &m_props[index] : nullptr; }

    // Getters: false when the index is outside the array or the entry is
    // marked CEDB_PROPNOTFOUND. The number getters read the union's 16-bit,
    // 32-bit or 8-byte member whatever the entry's type (bool: the 32-bit
    // value is non-zero).
    bool GetIndexVal(int index, SHORT& value) const;
    bool GetIndexVal(int index, USHORT& value) const;
    bool GetIndexVal(int index, LONG& value) const;
    bool GetIndexVal(int index, ULONG& value) const;
    bool GetIndexVal(int index, double& value) const;
    bool GetIndexVal(int index, bool& value) const;
    bool GetIndexVal(int index, FILETIME& value) const;
    // A blob entry's bytes copied into a new zero-filled LocalAlloc block of
    // the count rounded up to even (2 bytes when empty), which the caller
    // frees with LocalFree. {0, null} and false when absent or not a blob.
    bool GetIndexVal(int index, CEBLOB* value) const;
    bool GetIndexVal(int index, CEBLOB& value) const;
    // A string entry copied into the caller's buffer `text` points to (an
    // empty string for a null value); the buffer must be large enough. For
    // any other entry false and, when text is not null, an empty buffer.
    bool GetIndexVal(int index, WCHAR*& text) const;
    // Any entry as text (see PropertyText). False and an empty string when the
    // entry is absent; false and the string unchanged for an unknown type.
    bool GetIndexVal(int index, CeString& text) const;

    // Setters store the value and clear the entry's flags; false when the
    // index is outside the array. The number setters refuse string and blob
    // entries, whose value is a pointer into memory the record manages.
    bool SetIndexVal(int index, SHORT value);
    bool SetIndexVal(int index, USHORT value);
    bool SetIndexVal(int index, LONG value);
    bool SetIndexVal(int index, ULONG value);
    bool SetIndexVal(int index, bool value);
    bool SetIndexVal(int index, FILETIME value);
    bool SetIndexVal(int index, double value);
    // Blob entries only: the bytes go into the entry's current room when it
    // is large enough, else into a block of the record's own.
    bool SetIndexVal(int index, CEBLOB value);
    // String entries only (null text counts as empty): copied in place when
    // it fits in the current string, otherwise the buffer is rebuilt with room
    // for it.
    bool SetIndexVal(int index, const WCHAR* text);

    template <class T>
    bool GetIdVal(WORD id, T& value, WORD type) const
    {
        return GetIndexVal(FindProp(MAKEPROPID(id, type)), value);
    }
    template <class T>
    bool SetIdVal(WORD id, T value, WORD type)
    {
        return SetIndexVal(FindProp(MAKEPROPID(id, type)), value);
    }

    // Appends an entry with this propid and a zero value (rebuilding the
    // buffer one entry longer); true at once, changing nothing, when the
    // record already has it. False only when memory runs out or the record
    // is full (65535 entries).
    bool AddProp(WORD id, WORD type);
    // AddProp for each identifier (number in the high 16 bits, type in the
    // low); false when one of them failed.
    bool AddProps(const CEPROPID* propIds, int n);
    // Marks the entry to be deleted from the stored record by the next write
    // (CEDB_PROPDELETE). False when there is no such entry.
    bool RemProp(int index);
    bool RemProp(WORD id, WORD type);

    // Replaces the buffer by a packed copy of count entries and their strings
    // and blobs, in a new block of size bytes (more when the entries need
    // more). props may be this record's own buffer. False for null props
    // with a count, or when memory runs out (the record is then unchanged).
    bool DupProps(const CEPROPVAL* props, WORD count, DWORD size);

    // The text form of one entry: signed or unsigned decimal, a double with 3
    // digits after the point, "true"/"false", the string, a file time as the
    // system locale's short date and short time without seconds (empty when
    // it is not a date before the year 10000), a blob as GetBlob. False for
    // an unknown type.
    static bool PropertyText(const CEPROPVAL& prop, CeString& text);

private:
    friend class CeDb;

    bool Present(int index) const;
    bool SettableNumber(int index) const;
    // Packs count entries of props into a new library buffer of at least
    // minSize bytes; null when memory runs out. *packedSize receives the
    // block's size.
    CEPROPVAL* Pack(const CEPROPVAL* props, WORD count, DWORD minSize, DWORD* packedSize) const;
    // Installs a packed buffer in place of the current one.
    void ReplaceBuffer(CEPROPVAL* props, WORD count, DWORD size);
    void FreeBuffer();
    void FreeOwnBlob(int index);
    // Every blob of the record's own (none to look for in a plain read).
    void FreeOwnBlobs();

    CEOID m_oid;
    WORD m_count;
    DWORD m_size;
    CEPROPVAL* m_props;
    bool m_platformBuffer;
    HANDLE m_database;
    bool m_ownBlob[kCeDbRecordMaxOwnBlobs];
    int m_ownBlobCount;  // entries of m_ownBlob that are set
};

// count bytes as text: each byte as two upper-case hexadecimal digits and a
// space ("0A FF "). Null bytes give an empty string.
KSTOOLS_API CeString GetBlob(ULONG count, const BYTE* bytes);
