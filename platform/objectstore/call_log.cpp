#include "platform/objectstore/call_log.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/base/local_block.h"
#include "platform/objectstore/store_database.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/wide_string.h"

namespace platform {
namespace {

HANDLE OpenCallLog(bool create)
{
    return OpenStoreDatabase(kCallLogDatabase, SORTORDERSPEC{kCallStart, CEDB_SORT_DESCENDING}, create);
}

CEPROPVAL Value(CEPROPID id)
{
    CEPROPVAL p{};
    p.propid = id;
    return p;
}

const CEPROPVAL* Find(const CEPROPVAL* props, WORD count, CEPROPID id)
{
    for (WORD i = 0; i < count; ++i)
        if (props[i].propid == id && !(props[i].wFlags & CEDB_PROPNOTFOUND)) return &props[i];
    return nullptr;
}

CallLogEntry EntryOf(CEOID oid, const CEPROPVAL* props, WORD count)
{
    CallLogEntry call;
    call.oid = oid;
    if (const CEPROPVAL* p = Find(props, count, kCallNumber); p && p->val.lpwstr) call.number = p->val.lpwstr;
    if (const CEPROPVAL* p = Find(props, count, kCallName); p && p->val.lpwstr) call.name = p->val.lpwstr;
    if (const CEPROPVAL* p = Find(props, count, kCallStart)) call.start = p->val.filetime;
    if (const CEPROPVAL* p = Find(props, count, kCallDuration)) call.durationSeconds = p->val.ulVal;
    // A stored direction this code never writes reads as incoming.
    if (const CEPROPVAL* p = Find(props, count, kCallDirection); p && p->val.ulVal == kCallOutgoing)
        call.direction = kCallOutgoing;
    if (const CEPROPVAL* p = Find(props, count, kCallMissed))
        call.missed = p->val.boolVal != FALSE && call.direction == kCallIncoming;
    if (const CEPROPVAL* p = Find(props, count, kCallContact)) call.contact = p->val.ulVal;
    return call;
}

bool Newer(const CallLogEntry& a, const CallLogEntry& b)
{
    const ULONGLONG ta = static_cast<ULONGLONG>(a.start.dwHighDateTime) << 32 | a.start.dwLowDateTime;
    const ULONGLONG tb = static_cast<ULONGLONG>(b.start.dwHighDateTime) << 32 | b.start.dwLowDateTime;
    return ta != tb ? ta > tb : a.oid > b.oid;
}

}  // namespace

CEOID AddCallLogEntry(const CallLogEntry& call)
{
    if ((call.direction != kCallIncoming && call.direction != kCallOutgoing) ||
        (call.missed && call.direction != kCallIncoming)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::vector<CEPROPVAL> props;
    if (!call.number.empty()) {
        props.push_back(Value(kCallNumber));
        props.back().val.lpwstr = const_cast<LPWSTR>(call.number.c_str());
    }
    if (!call.name.empty()) {
        props.push_back(Value(kCallName));
        props.back().val.lpwstr = const_cast<LPWSTR>(call.name.c_str());
    }
    props.push_back(Value(kCallStart));
    props.back().val.filetime = call.start;
    props.push_back(Value(kCallDuration));
    props.back().val.ulVal = call.durationSeconds;
    props.push_back(Value(kCallDirection));
    props.back().val.ulVal = call.direction;
    props.push_back(Value(kCallMissed));
    props.back().val.boolVal = call.missed ? TRUE : FALSE;
    if (call.contact) {
        props.push_back(Value(kCallContact));
        props.back().val.ulVal = call.contact;
    }
    StoreDatabase db(OpenCallLog(true));
    if (!db.ok()) return 0;
    return CeWriteRecordProps(db.get(), 0, static_cast<WORD>(props.size()), props.data());
}

BOOL ReadCallLog(std::vector<CallLogEntry>& out, size_t maxCount)
{
    out.clear();
    StoreDatabase db(OpenCallLog(false));
    if (!db.ok()) return GetLastError() == ERROR_FILE_NOT_FOUND;  // no log yet: no calls
    try {
        LocalBlock block;
        for (CEOID oid = CeSeekDatabase(db.get(), CEDB_SEEK_BEGINNING, 0, nullptr); oid;
             oid = CeSeekDatabase(db.get(), CEDB_SEEK_CURRENT, 1, nullptr)) {
            WORD count = 0;
            DWORD size = 0;
            if (!CeReadRecordProps(db.get(), CEDB_ALLOWREALLOC, &count, nullptr, block.InOut(), &size)) {
                if (GetLastError() == ERROR_KEY_DELETED) continue;  // deleted by another process meanwhile
                out.clear();
                return FALSE;
            }
            out.push_back(EntryOf(oid, block.As<const CEPROPVAL>(), count));
        }
        if (GetLastError() != ERROR_NOT_FOUND) {  // the walk stopped on a failure, not at the end
            out.clear();
            return FALSE;
        }
        std::stable_sort(out.begin(), out.end(), Newer);
        if (maxCount && out.size() > maxCount) out.resize(maxCount);
    } catch (const std::bad_alloc&) {
        out.clear();
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    return TRUE;
}

}  // namespace platform
