// The registry calls: key handles, path parsing and the callers' buffer rules
// on top of the database in registry_store.cpp.
#include "platform/files/registry.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/files/internal/registry_store.h"
#include "platform/base/slot_table.h"

namespace platform {
namespace {

constexpr std::uint32_t kRegistryHandleTag = 3;
constexpr std::uintptr_t kRootHandleBase = 0x80000000u;

struct OpenKey {
    RegistryKeyId id;
};

// Open key handles. A handle only names a key id; closing it frees the slot.
class KeyHandleTable {
public:
    HKEY Add(RegistryKeyId id)
    {
        std::lock_guard lock(mutex_);
        std::uint32_t value = table_.Add(std::make_shared<OpenKey>(OpenKey{id}));
        return reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(value));
    }
    bool Remove(HKEY key)
    {
        std::lock_guard lock(mutex_);
        return table_.Remove(HandleValue(key)) != nullptr;
    }
    // 0 when the handle is not an open key.
    RegistryKeyId Lookup(HKEY key)
    {
        std::lock_guard lock(mutex_);
        auto open = table_.Lookup(HandleValue(key));
        return open ? open->id : 0;
    }
    size_t Count()
    {
        std::lock_guard lock(mutex_);
        return table_.Count();
    }

private:
    std::mutex mutex_;
    SlotTable<OpenKey> table_{kRegistryHandleTag};
};

KeyHandleTable& Handles()
{
    static KeyHandleTable* table = new KeyHandleTable();
    return *table;
}

bool IsRootHandle(HKEY key)
{
    auto v = reinterpret_cast<std::uintptr_t>(key);
    return v >= kRootHandleBase && v < kRootHandleBase + kRootKeyCount;
}

// The key id behind a handle: a root or an open key; 0 for anything else.
RegistryKeyId Resolve(HKEY key)
{
    if (IsRootHandle(key))
        return kFirstRootKeyId + static_cast<RegistryKeyId>(reinterpret_cast<std::uintptr_t>(key) - kRootHandleBase);
    return Handles().Lookup(key);
}

// Splits "a\b\c" into its parts. One leading and one trailing backslash are
// allowed; an empty part in the middle or an overlong part is refused.
DWORD SplitPath(LPCWSTR path, std::vector<std::u16string>* parts)
{
    parts->clear();
    if (!path) return ERROR_SUCCESS;
    std::u16string_view rest(path);
    if (!rest.empty() && rest.front() == u'\\') rest.remove_prefix(1);
    if (!rest.empty() && rest.back() == u'\\') rest.remove_suffix(1);
    if (rest.empty()) return ERROR_SUCCESS;
    for (;;) {
        size_t end = rest.find(u'\\');
        std::u16string_view part = rest.substr(0, end);
        if (part.empty() || part.size() > REG_MAX_NAME_CHARS) return ERROR_INVALID_PARAMETER;
        parts->emplace_back(part);
        if (end == std::u16string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    return ERROR_SUCCESS;
}

std::u16string_view ValueName(LPCWSTR name) { return name ? std::u16string_view(name) : std::u16string_view(); }

void StoreFileTime(std::int64_t t, PFILETIME out)
{
    if (!out) return;
    out->dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(t) & 0xFFFFFFFFu);
    out->dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(t) >> 32);
}

// Copies a value's data under the callers' rules: no buffer asks for the size
// only, a small buffer gets ERROR_MORE_DATA and the size needed.
DWORD CopyData(const RegistryValue& value, LPDWORD type, LPBYTE data, LPDWORD dataSize)
{
    if (data && !dataSize) return ERROR_INVALID_PARAMETER;
    if (type) *type = value.type;
    if (!dataSize) return ERROR_SUCCESS;
    auto needed = static_cast<DWORD>(value.data.size());
    DWORD available = *dataSize;
    *dataSize = needed;
    if (!data) return ERROR_SUCCESS;
    if (available < needed) return ERROR_MORE_DATA;
    if (needed) std::memcpy(data, value.data.data(), needed);
    return ERROR_SUCCESS;
}

// Copies a name into a buffer of *chars characters; on success *chars is the
// length without terminator.
DWORD CopyName(const std::u16string& name, LPWSTR buffer, LPDWORD chars)
{
    if (!buffer || !chars) return ERROR_INVALID_PARAMETER;
    if (*chars <= name.size()) return ERROR_MORE_DATA;
    std::memcpy(buffer, name.data(), name.size() * sizeof(WCHAR));
    buffer[name.size()] = 0;
    *chars = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

}  // namespace

std::string RegistryDatabasePath() { return RegistryStore::Instance().Path(); }

void CloseRegistryDatabase() { RegistryStore::Instance().Close(); }

size_t OpenRegistryKeyCount() { return Handles().Count(); }

}  // namespace platform

using namespace platform;

namespace {

// Resolves subKey under key with `lookup` (find or create) and hands out a
// handle to the key reached.
template <typename Lookup>
LONG OpenKeyHandle(HKEY key, LPCWSTR subKey, PHKEY result, Lookup lookup)
{
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    RegistryKeyId base = Resolve(key);
    if (!base) return ERROR_INVALID_HANDLE;
    std::vector<std::u16string> parts;
    if (DWORD err = SplitPath(subKey, &parts)) return static_cast<LONG>(err);
    RegistryKeyId id = 0;
    if (DWORD err = lookup(base, parts, &id)) return static_cast<LONG>(err);
    HKEY handle = Handles().Add(id);
    if (!handle) return ERROR_NOT_ENOUGH_MEMORY;
    *result = handle;
    return ERROR_SUCCESS;
}

}  // namespace

LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY result,
                     LPDWORD disposition)
{
    bool created = false;
    LONG rc = OpenKeyHandle(key, subKey, result, [&](RegistryKeyId base, const auto& parts, RegistryKeyId* id) {
        return RegistryStore::Instance().CreateKey(base, parts, id, &created);
    });
    if (rc == ERROR_SUCCESS && disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return rc;
}

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM, PHKEY result)
{
    return OpenKeyHandle(key, subKey, result, [](RegistryKeyId base, const auto& parts, RegistryKeyId* id) {
        return RegistryStore::Instance().FindKey(base, parts, id);
    });
}

LONG RegCloseKey(HKEY key)
{
    if (IsRootHandle(key)) return ERROR_SUCCESS;
    return Handles().Remove(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegFlushKey(HKEY key)
{
    RegistryKeyId id = Resolve(key);
    if (!id) return ERROR_INVALID_HANDLE;
    if (DWORD err = RegistryStore::Instance().KeyExists(id)) return static_cast<LONG>(err);
    return static_cast<LONG>(RegistryStore::Instance().Checkpoint());
}

LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataSize)
{
    RegistryKeyId id = Resolve(key);
    if (!id) return ERROR_INVALID_HANDLE;
    if (data && !dataSize) return ERROR_INVALID_PARAMETER;
    RegistryValue value;
    if (DWORD err = RegistryStore::Instance().GetValue(id, ValueName(valueName), &value)) return static_cast<LONG>(err);
    return static_cast<LONG>(CopyData(value, type, data, dataSize));
}

LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize)
{
    RegistryKeyId id = Resolve(key);
    if (!id) return ERROR_INVALID_HANDLE;
    if (!data && dataSize) return ERROR_INVALID_PARAMETER;
    if (ValueName(valueName).size() > REG_MAX_NAME_CHARS) return ERROR_INVALID_PARAMETER;
    std::vector<BYTE> stored(data, data + dataSize);
    if (type == REG_DWORD && dataSize != sizeof(DWORD)) return ERROR_INVALID_PARAMETER;
    if (type == REG_SZ) {
        if (dataSize % sizeof(WCHAR)) return ERROR_INVALID_PARAMETER;
        // Readers rely on the terminator being counted in the size.
        if (dataSize < sizeof(WCHAR) || stored[dataSize - 1] != 0 || stored[dataSize - 2] != 0)
            stored.insert(stored.end(), sizeof(WCHAR), 0);
    }
    return static_cast<LONG>(RegistryStore::Instance().SetValue(id, ValueName(valueName), type, stored.data(),
                                                                static_cast<DWORD>(stored.size())));
}

LONG RegDeleteValueW(HKEY key, LPCWSTR valueName)
{
    RegistryKeyId id = Resolve(key);
    if (!id) return ERROR_INVALID_HANDLE;
    return static_cast<LONG>(RegistryStore::Instance().DeleteValue(id, ValueName(valueName)));
}

LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey)
{
    RegistryKeyId base = Resolve(key);
    if (!base) return ERROR_INVALID_HANDLE;
    std::vector<std::u16string> parts;
    if (DWORD err = SplitPath(subKey, &parts)) return static_cast<LONG>(err);
    if (parts.empty()) return ERROR_INVALID_PARAMETER;
    return static_cast<LONG>(RegistryStore::Instance().DeleteKey(base, parts));
}

LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameChars, LPDWORD, LPDWORD type, LPBYTE data,
                   LPDWORD dataSize)
{
    RegistryKeyId id = Resolve(key);
    if (!id) return ERROR_INVALID_HANDLE;
    if (!name || !nameChars || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
    RegistryValue value;
    if (DWORD err = RegistryStore::Instance().ValueAt(id, index, &value)) return static_cast<LONG>(err);
    if (DWORD err = CopyName(value.name, name, nameChars)) return static_cast<LONG>(err);
    return static_cast<LONG>(CopyData(value, type, data, dataSize));
}

LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameChars, LPDWORD, LPWSTR keyClass, LPDWORD classChars,
                   PFILETIME lastWriteTime)
{
    RegistryKeyId id = Resolve(key);
    if (!id) return ERROR_INVALID_HANDLE;
    if (!name || !nameChars) return ERROR_INVALID_PARAMETER;
    std::u16string subKey;
    std::int64_t lastWrite = 0;
    if (DWORD err = RegistryStore::Instance().SubKeyAt(id, index, &subKey, &lastWrite)) return static_cast<LONG>(err);
    if (DWORD err = CopyName(subKey, name, nameChars)) return static_cast<LONG>(err);
    if (keyClass && classChars && *classChars) keyClass[0] = 0;
    if (classChars) *classChars = 0;
    StoreFileTime(lastWrite, lastWriteTime);
    return ERROR_SUCCESS;
}

LONG RegQueryInfoKeyW(HKEY key, LPWSTR keyClass, LPDWORD classChars, LPDWORD, LPDWORD subKeys, LPDWORD maxSubKeyChars,
                      LPDWORD maxClassChars, LPDWORD values, LPDWORD maxValueNameChars, LPDWORD maxValueBytes,
                      LPDWORD securityDescriptorBytes, PFILETIME lastWriteTime)
{
    RegistryKeyId id = Resolve(key);
    if (!id) return ERROR_INVALID_HANDLE;
    RegistryKeyInfo info;
    if (DWORD err = RegistryStore::Instance().Info(id, &info)) return static_cast<LONG>(err);
    if (keyClass && classChars && *classChars) keyClass[0] = 0;
    if (classChars) *classChars = 0;
    if (subKeys) *subKeys = info.subKeys;
    if (maxSubKeyChars) *maxSubKeyChars = info.maxSubKeyChars;
    if (maxClassChars) *maxClassChars = 0;
    if (values) *values = info.values;
    if (maxValueNameChars) *maxValueNameChars = info.maxValueNameChars;
    if (maxValueBytes) *maxValueBytes = info.maxValueBytes;
    if (securityDescriptorBytes) *securityDescriptorBytes = 0;
    StoreFileTime(info.lastWrite, lastWriteTime);
    return ERROR_SUCCESS;
}
