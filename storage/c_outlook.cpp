#include "storage/c_outlook.h"

#include <cstdint>
#include <string>

#include "platform/kernel/scoped_critical_section.h"
#include "platform/messaging/window.h"
#include "platform/modules/string_resources.h"
#include "platform/objectstore/cedb.h"
#include "platform/ui/ui_host.h"

namespace {

constexpr const WCHAR* kCannotCreate = u"Cannot create the object";
constexpr const WCHAR* kCannotLogon = u"Cannot logon to the Pocket Outlook Database.";
constexpr const WCHAR* kCatastrophic = u"Pocket Outlook API: Catastrophic failure.";
constexpr const WCHAR* kInvalidArguments = u"Pocket Outlook API: one or more arguments are invalid.";

constexpr UINT kSaveErrorUnknown = 40443;

void ShowError(HWND owner, const std::u16string& text)
{
    MessageBoxW(owner, text.c_str(), nullptr, MB_OK | MB_ICONERROR);
}

std::u16string LoadResourceText(UINT id)
{
    const WCHAR* text = nullptr;
    int length = LoadStringW(nullptr, id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || !text) return {};
    return std::u16string(text, static_cast<size_t>(length));
}

// The string resource that explains a save error of the object model, or 0.
UINT SaveErrorResource(long hr)
{
    switch (static_cast<std::uint32_t>(hr)) {
        case 0x80040066u:
            return 40433;
        case 0x80040067u:
            return 40434;
        case 0x80040068u:
            return 40435;
        case 0x8004006Au:
            return 40436;
        case 0x8004006Bu:
            return 40437;
        case 0x8004006Cu:
            return 40438;
        case 0x8004006Du:
            return 40439;
        case 0x80040069u:
            return 40440;
        case 0x80040064u:
            return 40442;
        default:
            return 0;
    }
}

std::u16string DecimalText(long value)
{
    std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace

COutlook::~COutlook() { Close(); }

COutlook& COutlook::GetOutlookObject()
{
    // Never destroyed: the object model's own state may be gone by the time
    // static destructors run, and a logoff then would touch it.
    static COutlook* const shared = new COutlook;
    return *shared;
}

HRESULT COutlook::CreateApplication(IPOutlookApp** app)
{
    return CoCreateInstance(CLSID_Application, nullptr, CLSCTX_INPROC_SERVER, IID_IPOutlookApp,
                            reinterpret_cast<void**>(app));
}

platform::ComRef<IPOutlookApp> COutlook::AcquireApp() const
{
    std::lock_guard<std::mutex> guard(m_appGuard);
    return platform::ComRef<IPOutlookApp>::Share(m_app.Get());
}

bool COutlook::IsOpen() const
{
    std::lock_guard<std::mutex> guard(m_appGuard);
    return static_cast<bool>(m_app);
}

bool COutlook::Open()
{
    HWND parent = nullptr;
    const WCHAR* failure = nullptr;
    {
        // A thread that finds the lock taken leaves the logon to its holder.
        platform::ScopedCriticalSection logon(m_lock.Section(), std::try_to_lock);
        if (!logon.Acquired()) return IsOpen();
        parent = ParentWindow();
        failure = IsOpen() ? nullptr : LogOn(parent);
    }
    // Told only once the lock is free: a user reading the message keeps no
    // other thread from logging on, and a message loop run by the box cannot
    // re-enter a logon half done.
    if (failure) ShowError(parent, failure);
    return failure == nullptr;
}

const WCHAR* COutlook::LogOn(HWND parent)
{
    platform::ComRef<IPOutlookApp> app;
    HRESULT hr = CreateApplication(app.Put());
    if (FAILED(hr) || !app) return kCannotCreate;
    const HWND logonWindow = parent ? parent : GetForegroundWindow();
    hr = app->Logon(static_cast<LONG>(reinterpret_cast<std::intptr_t>(logonWindow)));
    if (FAILED(hr)) return kCannotLogon;
    std::lock_guard<std::mutex> guard(m_appGuard);
    m_app = std::move(app);
    return nullptr;
}

void COutlook::Close()
{
    platform::ComRef<IPOutlookApp> app;
    {
        std::lock_guard<std::mutex> guard(m_appGuard);
        app = std::move(m_app);
    }
    if (!app) return;
    app->Logoff();
}

HRESULT COutlook::GetItemFromOid(long oid, IDispatch** item)
{
    if (!IsOpen()) Open();
    const platform::ComRef<IPOutlookApp> app = AcquireApp();
    if (!app) return kNoOutlookApplication;
    return app->GetItemFromOid(static_cast<LONG>(oid), item);
}

HRESULT COutlook::CreateItem(int kind, IDispatch** item)
{
    if (!IsOpen()) Open();
    const platform::ComRef<IPOutlookApp> app = AcquireApp();
    if (!app) return kNoOutlookApplication;
    return app->CreateItem(kind, item);
}

HRESULT COutlook::GetDefaultFolder(int folder, IFolder** result)
{
    HRESULT hr = kNoOutlookApplication;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt > 0) {
            // A stale session: log on afresh before the second try.
            Close();
        }
        if (!IsOpen()) Open();
        const platform::ComRef<IPOutlookApp> app = AcquireApp();
        // No application at all: the user has been told why, or another
        // thread is logging on. A second attempt would only repeat the
        // message, or log off the session that thread has just made.
        if (!app) return kNoOutlookApplication;
        hr = app->GetDefaultFolder(folder, result);
        if (SUCCEEDED(hr)) return hr;
    }
    return hr;
}

HRESULT COutlook::GetTimeZoneInformationFromIndex(int index, TIME_ZONE_INFORMATION* tzi)
{
    const platform::ComRef<IPOutlookApp> app = AcquireApp();
    if (!app) return E_FAIL;
    return app->GetTimeZoneInformationFromIndex(index, tzi);
}

void COutlook::SetParentWindow(HWND parent)
{
    std::lock_guard<std::mutex> guard(m_appGuard);
    m_parent = parent;
}

HWND COutlook::ParentWindow() const
{
    std::lock_guard<std::mutex> guard(m_appGuard);
    return m_parent;
}

int COutlook::GetKSItemType(long oid)
{
    CEOIDINFO record{};
    if (!CeOidGetInfo(static_cast<CEOID>(oid), &record) || record.wObjType != OBJTYPE_RECORD) return kKSItemNone;
    CEOIDINFO database{};
    if (!CeOidGetInfo(record.infRecord.oidParent, &database) || database.wObjType != OBJTYPE_DATABASE) {
        return kKSItemNone;
    }
    switch (database.infDatabase.szDbaseName[0]) {
        case u'A':
            return kKSItemAppointment;
        case u'C':
            return kKSItemContact;
        case u'T':
            return kKSItemTask;
        default:
            return kKSItemNone;
    }
}

bool COutlook::DisplayPIMSaveError(long hr)
{
    const auto code = static_cast<std::uint32_t>(hr);
    // Success needs no word, and the platform tells of a lack of memory itself.
    if (code == 0 || code == 0x8007000Eu) return false;
    std::u16string text;
    if (code == 0x8000FFFFu) {
        text = kCatastrophic;
    } else if (code == 0x80070057u) {
        text = kInvalidArguments;
    } else if (UINT id = SaveErrorResource(hr)) {
        text = LoadResourceText(id);
    } else {
        text = LoadResourceText(kSaveErrorUnknown) + DecimalText(static_cast<std::int32_t>(code));
    }
    ShowError(GetOutlookObject().ParentWindow(), text);
    return true;
}
