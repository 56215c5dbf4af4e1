#include "storage/ce_db.h"

#include <algorithm>
#include <cstring>

#include "platform/base/error_codes.h"
#include "platform/kernel/handle.h"
#include "platform/base/last_error.h"
#include "platform/ui/out_of_memory_notice.h"
#include "platform/text/wide_string.h"
#include "storage/trace_log.h"

namespace {

// Copies at most chars - 1 characters of text and terminates.
void CopyCut(WCHAR* out, size_t chars, const WCHAR* text)
{
    size_t n = 0;
    if (text)
        for (; n + 1 < chars && text[n]; ++n) out[n] = text[n];
    out[n] = 0;
}

// A position or a signed step as a seek value: sign-extended, so the engine
// reads -1 as -1 whether it takes the low 32 bits or the whole value.
DWORD_PTR SeekAmount(int n) { return static_cast<DWORD_PTR>(static_cast<INT_PTR>(n)); }

}  // namespace

CeDb::CeDb()
    : m_hDB(INVALID_HANDLE_VALUE), m_oid(0), m_volume{}, m_mountStatus(0), m_volumeName{},
      m_session(INVALID_HANDLE_VALUE), m_notifyRequest(nullptr), m_ownsMount(false)
{}

CeDb::~CeDb()
{
    Close();
    UnMountVolume();
}

// ---- volumes ----

bool CeDb::MountVolume(const WCHAR* volume)
{
    if (!volume || !*volume) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (Mounted() && _wcsicmp(m_volumeName, volume) == 0) return true;
    UnMountVolume();
    m_mountStatus = 0;
    CEGUID guid{};
    if (!CeMountDBVol(&guid, volume, CEDB_OPEN_ALWAYS)) {
        m_mountStatus = static_cast<SHORT>(GetLastError() & 0xFFFF);
        return false;
    }
    m_volume = guid;
    m_ownsMount = true;
    CopyCut(m_volumeName, kCeDbVolumeNameChars, volume);
    return true;
}

bool CeDb::MountVolume(CeDb* other, const WCHAR* volume, bool addReference)
{
    if (!other) {
        if (!volume) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        return MountVolume(volume);
    }
    if (other == this) return true;
    UnMountVolume();
    m_mountStatus = 0;
    if (other->Mounted() && addReference) {
        CEGUID guid{};
        // Mounting the same file again gives the same GUID and one more mount.
        if (!CeMountDBVol(&guid, other->m_volumeName, CEDB_OPEN_EXISTING)) {
            m_mountStatus = static_cast<SHORT>(GetLastError() & 0xFFFF);
            return false;
        }
        m_ownsMount = true;
    }
    m_volume = other->m_volume;
    std::memcpy(m_volumeName, other->m_volumeName, sizeof m_volumeName);
    m_session = other->m_session;
    return true;
}

void CeDb::UnMountVolume()
{
    if (Mounted() && m_ownsMount) CeUnmountDBVol(&m_volume);
    CREATE_SYSTEMGUID(&m_volume);
    m_volumeName[0] = 0;
    m_ownsMount = false;
}

bool CeDb::MatchDatabaseGUID(CEGUID guid) const
{
    return guid.Data1 == m_volume.Data1 && guid.Data2 == m_volume.Data2 && guid.Data3 == m_volume.Data3 &&
           guid.Data4 == m_volume.Data4;
}

// ---- databases ----

bool CeDb::Create(const WCHAR* name, ULONG type, USHORT sortCount, SORTORDERSPEC* sorts)
{
    CEDBASEINFO info{};
    info.dwFlags = CEDB_VALIDNAME;
    CopyCut(info.szDbaseName, CEDB_MAXDBASENAMELEN, name);
    if (sorts) {
        info.dwFlags |= CEDB_VALIDSORTSPEC;
        info.wNumSortOrder = std::min<USHORT>(sortCount, CEDB_MAXSORTORDER);
        std::copy(sorts, sorts + info.wNumSortOrder, info.rgSortSpecs);
    }
    if (type) {
        info.dwFlags |= CEDB_VALIDTYPE;
        info.dwDbaseType = type;
    }
    m_oid = CeCreateDatabaseEx(&m_volume, &info);
    m_name = name;
    return m_oid != 0;
}

bool CeDb::FinishOpen(HANDLE handle, HWND notify)
{
    m_hDB = handle;
    if (!IsOpen()) {
        m_hDB = INVALID_HANDLE_VALUE;
        return false;
    }
    if (notify) {
        m_notifyRequest = new CENOTIFYREQUEST{};
        m_notifyRequest->dwSize = sizeof(CENOTIFYREQUEST);
        m_notifyRequest->hwnd = notify;
    }
    return true;
}

bool CeDb::Open(const WCHAR* name, ULONG sortPropId, ULONG flags, HWND notify)
{
    Close();
    m_oid = 0;
    m_name = name;
    HANDLE handle = CeOpenDatabaseEx(&m_volume, &m_oid, name, sortPropId, flags, notify);
    return FinishOpen(handle, notify);
}

bool CeDb::Open(ULONG oid, ULONG sortPropId, ULONG flags, HWND notify)
{
    Close();
    m_oid = oid;
    HANDLE handle = CeOpenDatabaseEx(&m_volume, &m_oid, nullptr, sortPropId, flags, notify);
    if (!FinishOpen(handle, notify)) return false;
    // The name, for traces.
    CEOIDINFO info{};
    if (GetObjectInfo(m_oid, info) && info.wObjType == OBJTYPE_DATABASE) m_name = info.infDatabase.szDbaseName;
    return true;
}

bool CeDb::IsOpen() const { return m_hDB && m_hDB != INVALID_HANDLE_VALUE; }

void CeDb::Close()
{
    if (IsOpen()) CloseHandle(m_hDB);
    m_hDB = INVALID_HANDLE_VALUE;
    delete m_notifyRequest;
    m_notifyRequest = nullptr;
}

void CeDb::CloseSession()
{
    if (m_session && m_session != INVALID_HANDLE_VALUE) CloseHandle(m_session);
    m_session = INVALID_HANDLE_VALUE;
}

// ---- records ----

bool CeDb::AddRec(CeDbRecord& record)
{
    CEOID oid = CeWriteRecordProps(m_hDB, 0, record.m_count, record.m_props);
    record.m_oid = oid;
    return oid != 0;
}

bool CeDb::UpdateRec(CeDbRecord& record)
{
    if (!record.m_oid) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return CeWriteRecordProps(m_hDB, record.m_oid, record.m_count, record.m_props) == record.m_oid;
}

bool CeDb::ReadRec(CeDbRecord& record, USHORT count, ULONG* propIds)
{
    record.Reset();
    WORD n = count;
    LPBYTE buffer = nullptr;
    DWORD size = 0;
    CEOID oid = CeReadRecordProps(m_hDB, CEDB_ALLOWREALLOC, &n, propIds, &buffer, &size);
    record.Attach(oid, n, size, reinterpret_cast<CEPROPVAL*>(buffer), m_hDB);
    return oid && buffer && n;
}

bool CeDb::ReadRec(CeDbRecord& record, CEPROPVAL* buffer, ULONG size, USHORT count, ULONG* propIds)
{
    if (buffer != record.m_props) record.Reset();
    WORD n = count;
    LPBYTE bytes = reinterpret_cast<LPBYTE>(buffer);
    DWORD bufferSize = size;
    CEOID oid = CeReadRecordProps(m_hDB, 0, &n, propIds, &bytes, &bufferSize);
    // The record owns the caller's block whatever the outcome.
    record.Attach(oid, oid ? n : 0, size, buffer, m_hDB);
    return oid && buffer && n;
}

bool CeDb::DeleteRecord(ULONG oid) { return CeDeleteRecord(m_hDB, oid) != FALSE; }

bool CeDb::Delete()
{
    Close();
    if (!m_oid) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!CeDeleteDatabaseEx(&m_volume, m_oid)) return false;
    m_oid = 0;
    return true;
}

bool CeDb::SetInfo(ULONG oid, CEDBASEINFO* info)
{
    Close();
    return CeSetDatabaseInfoEx(&m_volume, oid, info) != FALSE;
}

bool CeDb::SetLastModified(FILETIME time)
{
    CEDBASEINFO info{};
    info.dwFlags = CEDB_VALIDMODTIME;
    info.ftLastModified = time;
    return SetInfo(m_oid, &info);
}

bool CeDb::SetName(const WCHAR* name)
{
    CEDBASEINFO info{};
    info.dwFlags = CEDB_VALIDNAME;
    CopyCut(info.szDbaseName, CEDB_MAXDBASENAMELEN, name);
    if (!SetInfo(m_oid, &info)) return false;
    m_name = info.szDbaseName;
    return true;
}

bool CeDb::SetDbaseType(ULONG type)
{
    CEDBASEINFO info{};
    info.dwFlags = CEDB_VALIDTYPE;
    info.dwDbaseType = type;
    return SetInfo(m_oid, &info);
}

bool CeDb::GetObjectInfo(CEOID oid, CEOIDINFO& info) const
{
    CEGUID volume = m_volume;
    return (Mounted() ? CeOidGetInfoEx(&volume, oid, &info) : CeOidGetInfo(oid, &info)) != FALSE;
}

int CeDb::GetNumRecords() const
{
    CEOIDINFO info{};
    if (!m_oid || !GetObjectInfo(m_oid, info) || info.wObjType != OBJTYPE_DATABASE) return 0;
    return info.infDatabase.wNumRecords;
}

BSTR CeDb::GetDatabaseNameFromOID(ULONG recordOid) const
{
    CEOIDINFO info{};
    if (!recordOid || !GetObjectInfo(recordOid, info) || info.wObjType != OBJTYPE_RECORD) return nullptr;
    CEOIDINFO parent{};
    if (!GetObjectInfo(info.infRecord.oidParent, parent) || parent.wObjType != OBJTYPE_DATABASE) return nullptr;
    return SysAllocString(parent.infDatabase.szDbaseName);
}

// ---- seeks ----

CEOID CeDb::Seek(ULONG type, DWORD_PTR value, USHORT, ULONG* index)
{
    return CeSeekDatabase(m_hDB, type, value, index);
}

CEOID CeDb::SeekTo(ULONG oid) { return CeSeekDatabase(m_hDB, CEDB_SEEK_CEOID, oid, nullptr); }
CEOID CeDb::SeekBegin(int n) { return CeSeekDatabase(m_hDB, CEDB_SEEK_BEGINNING, SeekAmount(n), nullptr); }
CEOID CeDb::SeekEnd(int n) { return CeSeekDatabase(m_hDB, CEDB_SEEK_END, SeekAmount(n), nullptr); }
CEOID CeDb::SeekCurrent(int n) { return CeSeekDatabase(m_hDB, CEDB_SEEK_CURRENT, SeekAmount(n), nullptr); }

CEOID CeDb::SeekSmallerRec(CEPROPVAL* value, USHORT)
{
    return CeSeekDatabase(m_hDB, CEDB_SEEK_VALUESMALLER, reinterpret_cast<DWORD_PTR>(value), nullptr);
}

CEOID CeDb::SeekRec(CEPROPVAL* value, USHORT)
{
    return CeSeekDatabase(m_hDB, CEDB_SEEK_VALUEFIRSTEQUAL, reinterpret_cast<DWORD_PTR>(value), nullptr);
}

CEOID CeDb::SeekGreaterRec(CEPROPVAL* value, USHORT)
{
    return CeSeekDatabase(m_hDB, CEDB_SEEK_VALUEGREATER, reinterpret_cast<DWORD_PTR>(value), nullptr);
}

CEOID CeDb::SeekNextRec(CEPROPVAL* value, USHORT)
{
    return CeSeekDatabase(m_hDB, CEDB_SEEK_VALUENEXTEQUAL, reinterpret_cast<DWORD_PTR>(value), nullptr);
}

// ---- errors ----

DWORD CeDb::HandleError(const WCHAR* context)
{
    DWORD code = GetLastError();
    const WCHAR* what = nullptr;
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_SEEK:
        case ERROR_NOT_FOUND:
            // End of data and missing records: expected, not worth a trace.
            return code;
        case ERROR_DISK_FULL:
            SHShowOutOfMemory(nullptr, 0);
            SetLastError(code);
            return code;
        case ERROR_ACCESS_DENIED:
            what = u"ERROR_ACCESS_DENIED";
            break;
        case ERROR_INVALID_HANDLE:
            what = u"Invalid Database Handle";
            break;
        case ERROR_BAD_LENGTH:
            what = u"Indicates that the data that is to be written exceeds the maximum record size";
            break;
        case ERROR_SHARING_VIOLATION:
            what = u"ERROR_SHARING_VIOLATION";
            break;
        case ERROR_DUP_NAME:
            what = u"ERROR_DUP_NAME";
            break;
        case ERROR_INVALID_PARAMETER:
            what = u"Invalid Parameter";
            break;
        case ERROR_INSUFFICIENT_BUFFER:
            what = u"ERROR_INSUFFICIENT_BUFFER";
            break;
        case ERROR_ALREADY_EXISTS:
            what = u"ERROR_ALREADY_EXISTS";
            break;
        case ERROR_KEY_DELETED:
            what = u"ERROR_KEY_DELETED";
            break;
        default:
            break;
    }
    const WCHAR* where = context ? context : u"";
    const WCHAR* name = m_name;
    if (what)
        CeTraceLog(u"%s DB(%s): %s\n", where, name, what);
    else
        CeTraceLog(u"%s DB(%s): An error occured: %d\n", where, name, static_cast<int>(code));
    return code;
}
