// The object model logged on for a test, for reading back through it what the
// code under test wrote. Close() logs off and lets the process's session go,
// so that the next test starts with a closed store.
#pragma once

#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/pocket_outlook.h"
#include "storage/c_outlook.h"

namespace kstest {

struct OutlookSession {
    platform::ComRef<IPOutlookApp> app;

    // S_OK, or the result of the first call that failed.
    HRESULT Open()
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        const HRESULT created = CoCreateInstance(CLSID_Application, nullptr, CLSCTX_INPROC_SERVER, IID_IPOutlookApp,
                                                 reinterpret_cast<void**>(app.Put()));
        return created == S_OK ? app->Logon(0) : created;
    }
    void Close()
    {
        if (app) {
            app->Logoff();
            app.Reset();
        }
        COutlook::GetOutlookObject().Close();
        CoUninitialize();
    }
};

}  // namespace kstest
