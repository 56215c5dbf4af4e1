// SetDefaultPIM: which program the device starts for its built-in calendar,
// contacts and tasks buttons, through the shell's launch keys in the
// registry and the start-up folder's shortcut to the built-in program.
#include <unistd.h>

#include <memory>
#include <string>

#include "items/kstools_entry.h"
#include "platform/files/files.h"
#include "platform/files/registry.h"
#include "platform/files/special_folders.h"
#include "platform/kernel/handle.h"
#include "platform/text/utf8.h"
#include "platform/text/wide_string.h"
#include "storage/c_registry.h"

namespace {

constexpr const WCHAR* kSuiteKey = u"Software\\Corvid\\Kestrel";
constexpr const WCHAR* kLaunchKey = u"SOFTWARE\\Microsoft\\Shell\\RAI";

struct HandleCloser {
    void operator()(void* handle) const { CloseHandle(handle); }
};
using OwnedFile = std::unique_ptr<void, HandleCloser>;

std::u16string StartupShortcut()
{
    WCHAR folder[MAX_PATH] = {};
    if (!SHGetSpecialFolderPath(nullptr, folder, CSIDL_STARTUP, TRUE)) return {};
    return std::u16string(folder) + u"\\poutlook.lnk";
}

// A shortcut file of the device: the target's length, '#', the target.
void WriteShortcut(const std::u16string& path, const std::u16string& target)
{
    std::string text = std::to_string(target.size()) + "#" + WideToUtf8(target);
    OwnedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        return;
    }
    DWORD written = 0;
    WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::u16string InstallFolder()
{
    CRegistry suite(REGISTRY_TYPE_REGISTRY);
    std::u16string folder;
    if (suite.Exists(HKEY_CURRENT_USER, kSuiteKey) == 1 && suite.QueryText(u"InstallDir", folder) == 0 &&
        !folder.empty())
        return folder;
    if (GetFileAttributesW(u"\\WINDOWS\\Kestrel.exe") != INVALID_FILE_ATTRIBUTES) return u"\\WINDOWS";
    return {};
}

std::u16string RunningProgram()
{
    char path[4096] = {};
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? Utf8ToWide(std::string_view(path, static_cast<size_t>(n))) : std::u16string(u"kstools");
}

std::u16string Quoted(const std::u16string& text) { return u"\"" + text + u"\""; }

}  // namespace

extern "C" void SetDefaultPIM(int makeDefault)
{
    CRegistry suite(REGISTRY_TYPE_REGISTRY);
    if (suite.OpenKey(HKEY_CURRENT_USER, kSuiteKey) != 0) return;
    suite.SetValue(u"SetupOverride", makeDefault ? 1ul : 0ul);
    CRegistry launch(REGISTRY_TYPE_REGISTRY);
    if (launch.OpenKey(HKEY_LOCAL_MACHINE, kLaunchKey) != 0) return;
    std::u16string shortcut = StartupShortcut();
    if (makeDefault) {
        if (!shortcut.empty()) DeleteFileW(shortcut.c_str());
        std::u16string tab = Quoted(InstallFolder() + u"\\KSTab.exe");
        struct {
            const WCHAR* key;
            const WCHAR* tab;
        } buttons[] = {{u":MSCONTACTS", u" 9"}, {u":MSTASKS", u" 8"}, {u":MSCALENDAR", u" 11"}};
        CRegistry key(REGISTRY_TYPE_REGISTRY);
        if (key.OpenKey(HKEY_LOCAL_MACHINE, (std::u16string(kLaunchKey) + u"\\:MSPOUTLOOK").c_str()) == 0)
            key.SetValue(u"", Quoted(RunningProgram()).c_str());
        for (const auto& button : buttons) {
            CRegistry buttonKey(REGISTRY_TYPE_REGISTRY);
            if (buttonKey.OpenKey(HKEY_LOCAL_MACHINE, (std::u16string(kLaunchKey) + u"\\" + button.key).c_str()) == 0)
                buttonKey.SetValue(u"", (tab + button.tab).c_str());
        }
    } else {
        struct {
            const WCHAR* key;
            const WCHAR* command;
        } buttons[] = {{u":MSCALENDAR", u":MSPOUTLOOK calendar"},
                       {u":MSCONTACTS", u":MSPOUTLOOK contacts"},
                       {u":MSTASKS", u":MSPOUTLOOK tasks"},
                       {u":MSPOUTLOOK", u"poutlook.exe"}};
        for (const auto& button : buttons) {
            CRegistry buttonKey(REGISTRY_TYPE_REGISTRY);
            if (buttonKey.OpenKey(HKEY_LOCAL_MACHINE, (std::u16string(kLaunchKey) + u"\\" + button.key).c_str()) == 0)
                buttonKey.SetValue(u"", button.command);
        }
        if (!shortcut.empty()) WriteShortcut(shortcut, u"\":MSPOUTLOOK\"");
        CRegistry ignore(REGISTRY_TYPE_REGISTRY);
        if (ignore.Exists(HKEY_CURRENT_USER, u"Software\\Corvid\\Kestrel\\Ignore") == 1)
            ignore.DeleteValue(u"MakeKSDefaultPIM");
    }
    suite.FlushKey();
}
