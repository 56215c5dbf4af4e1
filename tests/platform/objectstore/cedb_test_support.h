// Shared pieces of the object-store tests: sandbox, property builders, readable reads.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/base/local_block.h"
#include "platform/objectstore/cedb.h"
#include "platform/text/utf8.h"
#include "platform/time/system_time.h"
#include "tests/support/device_sandbox.h"

namespace cedbtest {

// A property of type T numbered n, its value in the union member F.
template <WORD T, auto F, class V>
inline CEPROPVAL Typed(WORD n, V v)
{
    CEPROPVAL p{};
    p.propid = MAKEPROPID(n, T);
    p.val.*F = v;
    return p;
}
inline CEPROPVAL I2(WORD n, short v) { return Typed<CEVT_I2, &CEVALUNION::iVal>(n, v); }
inline CEPROPVAL UI2(WORD n, USHORT v) { return Typed<CEVT_UI2, &CEVALUNION::uiVal>(n, v); }
inline CEPROPVAL I4(WORD n, LONG v) { return Typed<CEVT_I4, &CEVALUNION::lVal>(n, v); }
inline CEPROPVAL UI4(WORD n, ULONG v) { return Typed<CEVT_UI4, &CEVALUNION::ulVal>(n, v); }
inline CEPROPVAL R8(WORD n, double v) { return Typed<CEVT_R8, &CEVALUNION::dblVal>(n, v); }
inline CEPROPVAL Bool(WORD n, BOOL v) { return Typed<CEVT_BOOL, &CEVALUNION::boolVal>(n, v); }
inline CEPROPVAL Time(WORD n, unsigned long long v)
{
    return Typed<CEVT_FILETIME, &CEVALUNION::filetime>(n, platform::MakeFileTime(v));
}
// The text must outlive the write.
inline CEPROPVAL Str(WORD n, const char16_t* text)
{
    return Typed<CEVT_LPWSTR, &CEVALUNION::lpwstr>(n, const_cast<LPWSTR>(text));
}
inline CEPROPVAL Blob(WORD n, const void* bytes, DWORD count)
{
    CEPROPVAL p{};
    p.propid = MAKEPROPID(n, CEVT_BLOB);
    p.val.blob.dwCount = count;
    p.val.blob.lpb = static_cast<LPBYTE>(const_cast<void*>(bytes));
    return p;
}
inline CEPROPVAL Delete(CEPROPID id)
{
    CEPROPVAL p{};
    p.propid = id;
    p.wFlags = CEDB_PROPDELETE;
    return p;
}

inline constexpr WORD kValueTypes[] = {CEVT_I2, CEVT_UI2,      CEVT_I4,     CEVT_UI4, CEVT_BOOL,
                                       CEVT_R8, CEVT_FILETIME, CEVT_LPWSTR, CEVT_BLOB};

// A property's number and type as "1/I2=", the head of what Describe gives.
inline std::string Key(CEPROPID id)
{
    static const char* const kNames[] = {"I2", "UI2", "I4", "UI4", "BOOL", "R8", "FILETIME", "LPWSTR", "BLOB"};
    std::string type = "type " + std::to_string(TypeFromPropID(id));
    for (size_t i = 0; i < std::size(kValueTypes); ++i) {
        if (kValueTypes[i] == TypeFromPropID(id)) type = kNames[i];
    }
    return std::to_string(PropIdNumber(id)) + "/" + type + "=";
}

// "1/I2=-5", "2/LPWSTR='text'", "3/BLOB=[01 02]", "4/I4=missing".
inline std::string Describe(const CEPROPVAL& p)
{
    std::string out = Key(p.propid);
    if (p.wFlags & CEDB_PROPNOTFOUND) return out + "missing";
    char text[64];
    switch (TypeFromPropID(p.propid)) {
        case CEVT_I2:
            return out + std::to_string(p.val.iVal);
        case CEVT_UI2:
            return out + std::to_string(p.val.uiVal);
        case CEVT_I4:
            return out + std::to_string(p.val.lVal);
        case CEVT_UI4:
            return out + std::to_string(p.val.ulVal);
        case CEVT_BOOL:
            return out + "bool " + std::to_string(p.val.boolVal);
        case CEVT_R8:
            std::snprintf(text, sizeof text, "%.17g", p.val.dblVal);
            return out + text;
        case CEVT_FILETIME:
            return out + "ft " + std::to_string(platform::FileTimeValue(p.val.filetime));
        case CEVT_LPWSTR:
            return out + "'" + (p.val.lpwstr ? WideToUtf8(p.val.lpwstr) : std::string("<null>")) + "'";
        case CEVT_BLOB: {
            out += "[";
            for (DWORD i = 0; i < p.val.blob.dwCount; ++i) {
                std::snprintf(text, sizeof text, i ? " %02X" : "%02X", p.val.blob.lpb[i]);
                out += text;
            }
            return out + "]";
        }
        default:
            return out + "?";
    }
}

struct ReadResult {
    CEOID oid = 0;
    DWORD error = 0;
    std::vector<std::string> props;  // Describe() of each entry, in block order
};

// Reads the current record with CEDB_ALLOWREALLOC (ids empty: every property).
inline ReadResult Read(HANDLE db, std::vector<CEPROPID> ids = {})
{
    ReadResult r;
    WORD count = static_cast<WORD>(ids.size());
    platform::LocalBlock buffer;
    DWORD size = 0;
    SetLastError(0);
    r.oid = CeReadRecordProps(db, CEDB_ALLOWREALLOC, &count, ids.empty() ? nullptr : ids.data(), buffer.InOut(), &size);
    r.error = r.oid ? 0 : GetLastError();
    if (r.oid) {
        auto* props = buffer.As<CEPROPVAL>();
        for (WORD i = 0; i < count; ++i) r.props.push_back(Describe(props[i]));
    }
    return r;
}

inline CEOID Write(HANDLE db, CEOID oid, std::vector<CEPROPVAL> props)
{
    return CeWriteRecordProps(db, oid, static_cast<WORD>(props.size()), props.data());
}

inline CEOID CreateDb(const char16_t* name, std::vector<SORTORDERSPEC> sorts, DWORD type = 0, CEGUID* volume = nullptr)
{
    CEDBASEINFO info{};
    info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDTYPE | CEDB_VALIDSORTSPEC;
    std::u16string n(name);
    std::copy(n.begin(), n.begin() + std::min<size_t>(n.size(), CEDB_MAXDBASENAMELEN - 1), info.szDbaseName);
    info.dwDbaseType = type;
    info.wNumSortOrder = static_cast<WORD>(sorts.size());
    std::copy(sorts.begin(), sorts.end(), info.rgSortSpecs);
    return CeCreateDatabaseEx(volume, &info);
}

inline HANDLE OpenDb(CEOID oid, CEPROPID sort = 0, DWORD flags = 0, HWND notify = nullptr, CEGUID* volume = nullptr)
{
    return CeOpenDatabaseEx(volume, &oid, nullptr, sort, flags, notify);
}

inline CEOID Seek(HANDLE db, DWORD type, DWORD_PTR value = 0) { return CeSeekDatabase(db, type, value, nullptr); }
inline CEOID SeekValue(HANDLE db, DWORD type, CEPROPVAL value)
{
    return CeSeekDatabase(db, type, reinterpret_cast<DWORD_PTR>(&value), nullptr);
}

// The OIDs of the database in the handle's order, read from the first record on.
inline std::vector<CEOID> Order(HANDLE db)
{
    std::vector<CEOID> oids;
    for (CEOID oid = Seek(db, CEDB_SEEK_BEGINNING, 0); oid; oid = Seek(db, CEDB_SEEK_CURRENT, 1)) oids.push_back(oid);
    return oids;
}

// Every OID a handle reads with CEDB_AUTOINCREMENT from where it stands.
inline std::vector<CEOID> ReadRest(HANDLE db)
{
    std::vector<CEOID> oids;
    for (ReadResult r = Read(db); r.error == ERROR_SUCCESS; r = Read(db)) oids.push_back(r.oid);
    return oids;
}

// The store's own check: empty when it passes, else its report.
inline std::string StoreProblems(CEGUID* volume = nullptr)
{
    std::string report;
    return platform::CheckObjectStore(volume, report) ? std::string() : report;
}

}  // namespace cedbtest

// A fresh data directory per test, and no volume left open from the last one.
class CedbSandbox : public DeviceSandbox {
protected:
    void SetUp() override
    {
        platform::CloseObjectStore();
        DeviceSandbox::SetUp();
    }
    void TearDown() override
    {
        platform::CloseObjectStore();
        DeviceSandbox::TearDown();
    }
};
