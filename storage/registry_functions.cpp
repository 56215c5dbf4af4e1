#include "storage/registry_functions.h"

#include "platform/base/error_codes.h"
#include "platform/text/wide_string.h"

namespace {

// Opens (or creates) the key for one call and closes it after.
class OpenedKey {
public:
    OpenedKey(HKEY root, LPCWSTR subkey, bool create)
    {
        m_result = create ? RegCreateKeyExW(root, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key, nullptr)
                          : RegOpenKeyExW(root, subkey, 0, KEY_ALL_ACCESS, &m_key);
        if (m_result != ERROR_SUCCESS) m_key = nullptr;
    }
    ~OpenedKey()
    {
        if (m_key) RegCloseKey(m_key);
    }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;
    LONG Result() const { return m_result; }
    HKEY Key() const { return m_key; }

private:
    HKEY m_key = nullptr;
    LONG m_result;
};

}  // namespace

LONG SetToRegistry(HKEY root, LPCWSTR subkey, LPCWSTR name, ULONG value)
{
    OpenedKey key(root, subkey, true);
    if (key.Result() != ERROR_SUCCESS) return key.Result();
    DWORD data = value;
    return RegSetValueExW(key.Key(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
}

LONG GetFromRegistry(HKEY root, LPCWSTR subkey, LPCWSTR name, ULONG* value)
{
    if (!value) return ERROR_INVALID_PARAMETER;
    OpenedKey key(root, subkey, false);
    if (key.Result() != ERROR_SUCCESS) return key.Result();
    DWORD data = 0;
    DWORD bytes = sizeof(data);
    LONG result = RegQueryValueExW(key.Key(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &bytes);
    if (result == ERROR_SUCCESS) *value = data;
    return result;
}

LONG SetToRegistrySZ(HKEY root, LPCWSTR subkey, LPCWSTR name, LPCWSTR text)
{
    if (!text) text = u"";
    OpenedKey key(root, subkey, true);
    if (key.Result() != ERROR_SUCCESS) return key.Result();
    return RegSetValueExW(key.Key(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>((wcslen(text) + 1) * sizeof(WCHAR)));
}

LONG GetFromRegistrySZ(HKEY root, LPCWSTR subkey, LPCWSTR name, LPWSTR buffer, int size)
{
    if (!buffer || size <= 0) return ERROR_INVALID_PARAMETER;
    OpenedKey key(root, subkey, false);
    if (key.Result() != ERROR_SUCCESS) return key.Result();
    DWORD bytes = static_cast<DWORD>(size) * sizeof(WCHAR);
    return RegQueryValueExW(key.Key(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &bytes);
}

LONG EnumRegistryKeysSZ(HKEY root, LPCWSTR subkey, LPWSTR buffer, ULONG index)
{
    if (!buffer) return ERROR_INVALID_PARAMETER;
    OpenedKey key(root, subkey, false);
    if (key.Result() != ERROR_SUCCESS) return key.Result();
    DWORD chars = kEnumKeyChars;
    return RegEnumKeyExW(key.Key(), index, buffer, &chars, nullptr, nullptr, nullptr, nullptr);
}

LONG DeleteRegistryValue(HKEY root, LPCWSTR subkey, LPCWSTR name)
{
    OpenedKey key(root, subkey, false);
    if (key.Result() != ERROR_SUCCESS) return key.Result();
    return RegDeleteValueW(key.Key(), name);
}

LONG QueryKey(HKEY root, LPCWSTR subkey, DWORD* subKeys, DWORD* values, DWORD* longestSubKey, DWORD* longestValueName)
{
    OpenedKey key(root, subkey, false);
    if (key.Result() != ERROR_SUCCESS) return key.Result();
    return RegQueryInfoKeyW(key.Key(), nullptr, nullptr, nullptr, subKeys, longestSubKey, nullptr, values,
                            longestValueName, nullptr, nullptr, nullptr);
}
