// CStoreChangeWatch: tells a window thread when records of some databases
// change, in this process or any other (the object store posts DB_CEOID_
// messages to the window of each handle opened with one; see cedb.h).
//
// It keeps one handle open on each database it watches, notifying a
// message-only window of its own on the calling thread, and gathers the
// changed records by database. A burst of changes (an import, a sync) comes
// as many messages: WaitForChanges returns once they have settled, so that a
// list is loaded again once per burst, not once per record.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/base/export.h"
#include "platform/base/types.h"
#include "storage/ce_db.h"

struct STORECHANGE {
    CEOID database;  // the database's OID
    CEOID record;    // the record's OID; the database's own for a deleted database; 0: read it all again
    UINT message;    // DB_CEOID_CREATED, DB_CEOID_CHANGED, DB_CEOID_RECORD_DELETED or DB_CEOID_DATABASE_DELETED
};

class KSTOOLS_API CStoreChangeWatch {
public:
    // Called on the watch's thread for each change as its message arrives.
    using Handler = std::function<void(const STORECHANGE&)>;

    CStoreChangeWatch();
    ~CStoreChangeWatch();
    CStoreChangeWatch(const CStoreChangeWatch&) = delete;
    CStoreChangeWatch& operator=(const CStoreChangeWatch&) = delete;

    // Watches the database of that name in the object store; false when it
    // does not open (a missing database is not made).
    bool Watch(const WCHAR* database);
    // Changes go to the handler as they come instead of being gathered for
    // TakeChanges and WaitForChanges.
    void OnChange(Handler handler) { m_handler = std::move(handler); }

    // Pumps this thread's messages until a change has arrived and no other
    // followed for settleMs, or timeoutMs (INFINITE: no limit) pass; the
    // changes gathered since the last call, in arrival order (empty after a
    // time-out).
    std::vector<STORECHANGE> WaitForChanges(DWORD timeoutMs, DWORD settleMs = 100);
    // The changes gathered so far without waiting; they are forgotten.
    std::vector<STORECHANGE> TakeChanges();

    HWND Window() const { return m_hwnd; }

private:
    static LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hwnd = nullptr;
    std::vector<std::unique_ptr<CeDb>> m_databases;
    std::vector<STORECHANGE> m_changes;
    DWORD m_lastChangeTick = 0;
    Handler m_handler;
};
