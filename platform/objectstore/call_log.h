// The device's call log: one record per call of the phone, kept in the
// object-store database "KS_CallLog" (its properties are the kCall* rows of
// platform/objectstore/store_schema.h and docs/store-schema.md). The phone
// side adds a call when it ends; the contact list's call-log view reads them
// newest first. The database is made by the first call added; a store without
// it has an empty log.
//
// Failures return 0 or FALSE and set the last error: ERROR_INVALID_PARAMETER
// for a call that cannot be (a direction other than incoming or outgoing, an
// outgoing call marked missed; nothing is stored), or the object store's own
// error.
#pragma once

#include <string>
#include <vector>

#include "platform/base/types.h"
#include "platform/objectstore/cedb.h"

namespace platform {

constexpr DWORD kCallIncoming = 0;
constexpr DWORD kCallOutgoing = 1;

struct CallLogEntry {
    CEOID oid = 0;          // the record; set by reading, ignored by adding
    std::u16string number;  // empty: withheld
    std::u16string name;    // empty: none known
    FILETIME start{};       // UTC
    DWORD durationSeconds = 0;
    DWORD direction = kCallIncoming;
    bool missed = false;  // an incoming call not answered
    CEOID contact = 0;    // the contact's OID; 0 when not known
};

// Stores one call; the new record's OID, or 0.
CEOID AddCallLogEntry(const CallLogEntry& call);

// Replaces out with the calls, newest first (a later start first; of calls
// that began at the same moment, the one added last), at most maxCount of
// them (0: all).
BOOL ReadCallLog(std::vector<CallLogEntry>& out, size_t maxCount = 0);

}  // namespace platform
