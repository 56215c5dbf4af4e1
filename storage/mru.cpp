#include "storage/mru.h"

#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/files/files.h"
#include "platform/messaging/list_controls.h"
#include "platform/messaging/window.h"
#include "platform/text/wide_string.h"
#include "platform/ui/menus.h"
#include "storage/c_registry.h"

namespace {

constexpr const WCHAR* kMenusKey = u"Software\\Corvid\\Kestrel\\Menus";
constexpr size_t kKeyChars = 512;

using Entries = std::vector<std::u16string>;

// Saving is read, delete, write: one thread at a time, so that two saves of
// the process do not lose each other's entry.
std::mutex& ListLock()
{
    static std::mutex lock;
    return lock;
}

// The registry path of the named list; false for a missing or overlong name.
bool ListKey(LPCWSTR listName, WCHAR (&key)[kKeyChars])
{
    if (!listName || !*listName) return false;
    return swprintf(key, kKeyChars, u"%s\\%s\\MRU", kMenusKey, listName) > 0;
}

// The value name of position i.
void PositionName(int i, WCHAR (&name)[16]) { swprintf(name, 16, u"%i", i); }

// The values "0", "1", ... of the open key, at most 15; positions that cannot
// be read as text are skipped.
Entries ReadOpenList(CRegistry& registry)
{
    Entries entries;
    LONG count = registry.ValueCount();
    for (int i = 0; i < count && i < kMRUMaxEntries; ++i) {
        WCHAR name[16];
        PositionName(i, name);
        ULONG kind = 0;
        if (registry.QueryValueType(name, &kind) != 0 || kind != REG_SZ) continue;
        std::u16string text;
        if (registry.QueryText(name, text) != 0) continue;
        entries.push_back(std::move(text));
    }
    return entries;
}

// The stored entries; none when the key is missing or has no values.
Entries ReadList(CRegistry& registry, LPCWSTR key)
{
    Entries entries;
    if (registry.Exists(HKEY_CURRENT_USER, key)) entries = ReadOpenList(registry);
    registry.CloseKey();
    return entries;
}

// Replaces the stored list: the key is deleted (with any stray values) and
// made again holding the first 15 entries.
void WriteList(CRegistry& registry, LPCWSTR key, const Entries& entries)
{
    registry.DeleteKey(HKEY_CURRENT_USER, key);
    if (registry.OpenKey(HKEY_CURRENT_USER, key, nullptr) != 0) return;
    for (size_t i = 0; i < entries.size() && i < static_cast<size_t>(kMRUMaxEntries); ++i) {
        WCHAR name[16];
        PositionName(static_cast<int>(i), name);
        registry.SetValue(name, entries[i].c_str());
    }
    registry.CloseKey();
}

bool IsFolder(const std::u16string& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The entries to show; nothing (std::nullopt) when the list has no values.
// With checkFolders, entries that are not existing folders are dropped from
// the stored list as well.
std::optional<Entries> EntriesToShow(LPCWSTR listName, bool checkFolders)
{
    WCHAR key[kKeyChars];
    if (!ListKey(listName, key)) return std::nullopt;
    std::lock_guard lock(ListLock());
    CRegistry registry(REGISTRY_TYPE_REGISTRY);
    Entries entries = ReadList(registry, key);
    if (entries.empty()) return std::nullopt;
    if (checkFolders) {
        size_t before = entries.size();
        std::erase_if(entries, [](const std::u16string& entry) { return !IsFolder(entry); });
        if (entries.size() != before) WriteList(registry, key, entries);
    }
    return entries;
}

// The control a dialog mode fills.
HWND TargetControl(HWND window, int controlId) { return controlId ? GetDlgItem(window, controlId) : window; }

LPARAM TextParam(const std::u16string& text) { return reinterpret_cast<LPARAM>(text.c_str()); }

}  // namespace

void MRUSave(LPCWSTR listName, LPCWSTR entry)
{
    if (!entry || !*entry) return;
    WCHAR key[kKeyChars];
    if (!ListKey(listName, key)) return;
    std::lock_guard lock(ListLock());
    CRegistry registry(REGISTRY_TYPE_REGISTRY);
    Entries order{entry};
    for (std::u16string& stored : ReadList(registry, key))
        if (stored != entry) order.push_back(std::move(stored));
    WriteList(registry, key, order);
}

void MRU(HWND window, LPCWSTR listName, int controlId, int mode, bool checkFolders, CeStrList<WCHAR*>* list)
{
    if (mode == MRU_MODE_MENU) {
        MRU(reinterpret_cast<HMENU>(window), listName, controlId, checkFolders);
        return;
    }
    std::optional<Entries> entries = EntriesToShow(listName, checkFolders);
    if (!entries) return;
    switch (mode) {
        case MRU_MODE_LISTBOX: {
            HWND control = TargetControl(window, controlId);
            for (const std::u16string& entry : *entries) SendMessageW(control, LB_ADDSTRING, 0, TextParam(entry));
            ShowWindow(control, SW_SHOW);
            break;
        }
        case MRU_MODE_COMBOBOX: {
            HWND control = TargetControl(window, controlId);
            SendMessageW(control, CB_RESETCONTENT, 0, 0);
            for (const std::u16string& entry : *entries) SendMessageW(control, CB_ADDSTRING, 0, TextParam(entry));
            ShowWindow(control, SW_SHOW);
            break;
        }
        case MRU_MODE_LIST:
            if (list)
                for (const std::u16string& entry : *entries) list->Append(entry.c_str());
            break;
        default:
            break;
    }
}

void MRU(HMENU menu, LPCWSTR listName, int firstCommandId, bool checkFolders)
{
    std::optional<Entries> entries = EntriesToShow(listName, checkFolders);
    if (!entries) return;
    for (size_t i = 0; i < entries->size(); ++i)
        AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(firstCommandId + static_cast<int>(i)),
                    (*entries)[i].c_str());
}

WCHAR** MRUStrings(LPCWSTR listName, int* count)
{
    if (count) *count = 0;
    Entries entries;
    WCHAR key[kKeyChars];
    if (ListKey(listName, key)) {
        std::lock_guard lock(ListLock());
        CRegistry registry(REGISTRY_TYPE_REGISTRY);
        entries = ReadList(registry, key);
    }
    if (entries.empty()) entries.emplace_back();
    auto** strings = static_cast<WCHAR**>(std::calloc(entries.size(), sizeof(WCHAR*)));
    if (!strings) return nullptr;
    for (size_t i = 0; i < entries.size(); ++i) {
        strings[i] = _wcsdup(entries[i].c_str());
        if (!strings[i]) {
            CleanupMRUStrings(strings, static_cast<int>(i));
            return nullptr;
        }
    }
    if (count) *count = static_cast<int>(entries.size());
    return strings;
}

void CleanupMRUStrings(WCHAR** strings, int count)
{
    if (!strings) return;
    for (int i = 0; i < count; ++i) std::free(strings[i]);
    std::free(strings);
}
