// COutlook: the suite's one connection to the Pocket Outlook object model.
//
// The process shares one COutlook (GetOutlookObject). It logs on lazily: the
// item calls open the application on demand, and a folder request that fails
// logs on afresh and tries once more, since a long-running process can find
// its session gone stale. Logging on happens under a lock that is only taken
// when free at once, so a thread that finds another one logging on does not
// wait but reports "no application" (-1) instead.
#pragma once

#include <mutex>

#include "foundation/ce_critical_section.h"
#include "platform/base/types.h"
#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/pocket_outlook.h"

// Item kinds of the suite, as GetKSItemType reports them.
constexpr int kKSItemNone = 0;
constexpr int kKSItemContact = 2;
constexpr int kKSItemAppointment = 3;
constexpr int kKSItemTask = 4;

// What the item calls return when there is no application to ask.
constexpr HRESULT kNoOutlookApplication = -1;

class COutlook {
public:
    COutlook() = default;
    virtual ~COutlook();
    COutlook(const COutlook&) = delete;
    COutlook& operator=(const COutlook&) = delete;

    // The process's one shared object.
    static COutlook& GetOutlookObject();

    // Creates the application and logs on with the parent window (or the
    // foreground window when none is set), but only when no application
    // exists and the lock is free at once. True when an application exists
    // afterwards. Failures are shown to the user.
    bool Open();
    // Logs off and releases the application (nothing when there is none).
    void Close();
    bool IsOpen() const;

    // Open on demand; kNoOutlookApplication when that fails.
    HRESULT GetItemFromOid(long oid, IDispatch** item);
    HRESULT CreateItem(int kind, IDispatch** item);
    // When the application refuses the request, closes, opens again and
    // tries once more. kNoOutlookApplication, at once, when there is no
    // application to ask.
    HRESULT GetDefaultFolder(int folder, IFolder** result);
    // E_FAIL (0x80004005) when not logged on; never opens.
    HRESULT GetTimeZoneInformationFromIndex(int index, TIME_ZONE_INFORMATION* tzi);

    // The window the logon is made for.
    void SetParentWindow(HWND parent);
    HWND ParentWindow() const;

    // The suite's kind of the record with this OID, from the name of its
    // database: 'A' appointment (3), 'C' contact (2), 'T' task (4), else 0.
    static int GetKSItemType(long oid);
    // Tells the user why a save failed. False when there is nothing to tell
    // (success, or out of memory, which the platform reports itself).
    static bool DisplayPIMSaveError(long hr);

protected:
    // Makes a new application object; the seam tests replace.
    virtual HRESULT CreateApplication(IPOutlookApp** app);

private:
    // Creates the application and logs on; the failure's text, or null.
    // Runs under m_lock.
    const WCHAR* LogOn(HWND parent);
    // The application with a reference of the caller's, or null.
    platform::ComRef<IPOutlookApp> AcquireApp() const;

    mutable std::mutex m_appGuard;  // guards m_app and m_parent
    platform::ComRef<IPOutlookApp> m_app;
    HWND m_parent = nullptr;
    CeCriticalSection m_lock;  // held while logging on
};
