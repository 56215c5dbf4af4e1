// The few COM entry points the object model needs. Initialisation is
// counted per thread but not required: there are no apartments, so
// CoCreateInstance works on any thread. An application object and what it
// hands out are used by one thread at a time (callers serialise, as COutlook
// does under its lock).
#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/outlook_app.h"
#include "platform/objectmodel/pocket_outlook.h"

namespace {
thread_local int initializations = 0;
}

HRESULT CoInitializeEx(LPVOID, DWORD flags)
{
    if (flags & ~(COINIT_APARTMENTTHREADED | 0x4u | 0x8u)) return E_INVALIDARG;
    return initializations++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize()
{
    if (initializations > 0) --initializations;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD, REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (!IsEqualCLSID(clsid, CLSID_Application)) return REGDB_E_CLASSNOTREG;
    const auto app = platform::ComRef<OutlookApp>::Adopt(new OutlookApp());
    return app->QueryInterface(iid, object);
}
