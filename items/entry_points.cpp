// The library's life cycle and accessors (items/kstools_entry.h).
//
// The state is process-wide and, as the callers are meant to use it from
// their main thread only, not locked.
#include <cstdlib>
#include <cstring>

#include "categories/full_category_list.h"
#include "grid/grid_alignment.h"
#include "items/hidpi_scaling.h"
#include "items/kstools_entry.h"
#include "items/show_error.h"
#include "platform/base/os_version.h"
#include "platform/files/registry.h"
#include "platform/gdi/display_metrics.h"
#include "platform/gdi/fonts.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/system_metrics.h"
#include "platform/messaging/window.h"
#include "platform/modules/libraries.h"
#include "platform/modules/string_resources.h"
#include "platform/objectmodel/pocket_outlook.h"
#include "platform/text/wide_string.h"
#include "storage/c_outlook.h"
#include "storage/c_registry.h"
#include "storage/corvid_directory.h"

static_assert(sizeof(KSSYSTEMTIME) == sizeof(SYSTEMTIME));

int g_HIDPI_LogPixelsX = 0;
int g_HIDPI_LogPixelsY = 0;
int g_HIDPI_IconPixels = 0;
int g_HIDPI_IconPixels_Special = 0;
int g_HIDPI_BorderPixels = 0;
int g_HIDPI_KSFontScale = 1;
int g_bSquareScreen = 0;

namespace {

constexpr const WCHAR* kSuiteKey = u"Software\\Corvid\\Kestrel";
constexpr const WCHAR* kDefaultResources = u"\\WINDOWS\\KSResources.dll";

struct KSToolsState {
    bool initialised = false;
    int count = 0;
    HMODULE resources = nullptr;
    HBRUSH windowBrush = nullptr;
    HFONT boldFont = nullptr;
    COutlook* store = nullptr;
    bool ownsStore = false;  // a store handed to InitKSTools, deleted by UnInitKSTools
};

KSToolsState g_state;

// A string value of the suite's key under the current user, empty when missing.
std::u16string SuiteString(LPCWSTR name)
{
    CRegistry settings(REGISTRY_TYPE_REGISTRY);
    std::u16string text;
    if (settings.Exists(HKEY_CURRENT_USER, kSuiteKey) != 1 || settings.QueryText(name, text) != 0) return {};
    return text;
}

// A DWORD of "\Software\Corvid" under the local machine that may only be 0 or 2.
void ReadAlignment(LPCWSTR name, bool (*set)(DWORD))
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"\\Software\\Corvid", 0, 0, &key) != ERROR_SUCCESS) return;
    DWORD value = 0, type = 0, size = sizeof value;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size) == ERROR_SUCCESS &&
        type == REG_DWORD && (value == 0 || value == 2))
        set(value);
    RegCloseKey(key);
}

void CopyOut(KSWCHAR* buffer, const std::u16string& text, size_t capacity)
{
    size_t n = std::min(text.size(), capacity - 1);
    std::memcpy(buffer, text.data(), n * sizeof(WCHAR));
    buffer[n] = 0;
}

}  // namespace

void HIDPI_InitScaling()
{
    if (g_HIDPI_LogPixelsX != 0) return;
    g_HIDPI_LogPixelsX = platform::DisplayLogPixels();
    g_HIDPI_LogPixelsY = platform::DisplayLogPixels();
    // Small icons are 16 pixels at 96 dots per inch.
    g_HIDPI_IconPixels = GetSystemMetrics(SM_CXSMICON);
    g_HIDPI_IconPixels_Special = HidpiSpecialIconPixels(g_HIDPI_IconPixels);
    g_HIDPI_BorderPixels = GetSystemMetrics(SM_CXBORDER);
    g_HIDPI_KSFontScale = g_HIDPI_LogPixelsY / 96;
    g_bSquareScreen = platform::DisplayWidth() == platform::DisplayHeight();
}

int HidpiSpecialIconPixels(int iconPixels) { return iconPixels == 32 ? 24 : iconPixels == 16 ? 13 : iconPixels; }

int PlatformCodeForVersion(DWORD major, DWORD minor, DWORD build)
{
    switch (major) {
    case 3: return build > 11000 ? 2 : 0;
    case 4: return 3;
    case 5: return minor == 2 ? 5 : 4;
    default: return 0;
    }
}

extern "C" {

void InitKSTools(void* store, int initializeCom)
{
    if (g_state.initialised) return;
    if (initializeCom && FAILED(CoInitializeEx(nullptr, 0))) ShowError(u"Cannot initialize COM");
    InitCorvidDirectory();
    ResetFullCategoryList();
    HIDPI_InitScaling();
    if (!g_state.resources) {
        // The suite's strings are built in; a resource library is loaded when
        // the installation names one or has one registered, and only a named
        // one that fails to load is an error worth showing.
        bool named = !SuiteString(u"ResourcesLoc").empty();
        WCHAR path[MAX_PATH] = {};
        GetResourcesPath(path);
        g_state.resources = LoadLibraryW(path);
        if (!g_state.resources && named) ShowError();
    }
    ReadAlignment(u"KSGridLeft", &SetGridLeftAlignment);
    ReadAlignment(u"KSGridRight", &SetGridRightAlignment);
    if (!g_state.windowBrush) g_state.windowBrush = CreateSolidBrush(GetSysColor(COLOR_WINDOW));
    if (!g_state.boldFont) {
        LOGFONTW font{};
        font.lfHeight = 13 * g_HIDPI_KSFontScale;
        font.lfWeight = FW_BOLD;
        wcscpy(font.lfFaceName, u"Tahoma");
        g_state.boldFont = CreateFontIndirectW(&font);
    }
    if (store) {
        g_state.store = static_cast<COutlook*>(store);
        g_state.ownsStore = true;
    } else {
        g_state.store = &COutlook::GetOutlookObject();
        g_state.ownsStore = false;
    }
    // The common controls and the shell's start-up call have nothing to
    // stand for here: the platform's controls need no registration.
    g_state.initialised = true;
    ++g_state.count;
    // Unloading the library (or the process's end) tears down what is still
    // set up. Registered here, after the objects it releases were first used,
    // so that it runs before their own destructors do.
    static bool teardownRegistered = false;
    if (!teardownRegistered) teardownRegistered = std::atexit([] { UnInitKSTools(); }) == 0;
}

void UnInitKSTools(void)
{
    if (!g_state.initialised) return;
    if (g_state.count-- != 1) return;
    if (g_state.ownsStore) delete g_state.store;
    g_state.store = nullptr;
    g_state.ownsStore = false;
    if (g_state.windowBrush) DeleteObject(reinterpret_cast<HGDIOBJ>(g_state.windowBrush));
    g_state.windowBrush = nullptr;
    if (g_state.boldFont) DeleteObject(reinterpret_cast<HGDIOBJ>(g_state.boldFont));
    g_state.boldFont = nullptr;
    if (g_state.resources) FreeLibrary(g_state.resources);
    g_state.resources = nullptr;
    FreeCorvidDirectory();
    g_state.initialised = false;
}

int GetKSToolsInitCount(void) { return g_state.count; }

void GetResourcesPath(KSWCHAR* buffer)
{
    if (!buffer) return;
    std::u16string path = SuiteString(u"ResourcesLoc");
    CopyOut(buffer, path.empty() ? std::u16string(kDefaultResources) : path, 200);
}

void GetKSUtilsPath(KSWCHAR* buffer)
{
    if (!buffer) return;
    std::u16string path = SuiteString(u"UtilsInstallDir");
    CopyOut(buffer, path.empty() ? std::u16string(u"\\WINDOWS") : path, MAX_PATH);
}

void* GetOutlookObject(void) { return g_state.store; }

int GetPlatformVersion(void)
{
    static int cached = 0;
    if (cached) return cached;
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExW(&info)) return 0;
    cached = PlatformCodeForVersion(info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber);
    return cached;
}

void* CeGetAppWindow(void)
{
    HWND active = GetActiveWindow();
    return active ? GetAncestor(active, GA_ROOT) : nullptr;
}

void* CeGetAppInstance(void) { return GetModuleHandleW(nullptr); }

}  // extern "C"

HBRUSH KSToolsWindowBrush() { return g_state.windowBrush; }
HFONT KSToolsBoldFont() { return g_state.boldFont; }
HMODULE KSToolsResourceLibrary() { return g_state.resources; }
