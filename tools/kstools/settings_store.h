// The store that `kstools settings` works on: the default settings file,
// another file of the same format, or the registry, all through CRegistry.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "storage/c_registry.h"
#include "tools/kstools/file_argument.h"
#include "tools/kstools/settings_key.h"

namespace kstools {

struct SettingsStoreOptions {
    bool registry = false;
    std::string file;  // empty: the default settings file
};

// One value as read. kind is REG_SZ (REG_EXPAND_SZ reads as REG_SZ), REG_DWORD,
// or another registry type, which has no form in a settings file.
struct SettingsEntry {
    std::u16string name;  // "@" for the key's default value
    ULONG kind = REG_SZ;
    ULONG number = 0;
    std::u16string text;
};

// A key (a section of a file) and its values in their order.
struct SettingsKeyValues {
    std::u16string section;
    std::vector<SettingsEntry> values;
};

class SettingsStore {
public:
    // A missing file is an error with Need::Existing; the default settings
    // file may always be missing (an empty store).
    SettingsStore(const SettingsStoreOptions& options, FileArgument::Need need);

    bool IsRegistry() const { return !m_file; }
    CRegistry& Registry() { return *m_store; }
    // "the registry" or the file's path, for messages.
    std::string Name() const;

    // Makes an existing key the open key; false when it is missing.
    bool Open(const SettingsKey& key);
    // Opens the key, creating it when missing.
    void Create(const SettingsKey& key);
    // A value of the open key; nullopt when it is missing.
    std::optional<SettingsEntry> Read(const std::u16string& name);
    // The name CRegistry takes for a value: "@" is the key's default value,
    // which the registry names with null.
    LPCWSTR ValueName(const std::u16string& name) const;

    // The key and its sub-keys with their values: a file's sections named by
    // the key or beginning with it and a backslash, in file order; the
    // registry's keys depth first. Null key: the whole file, or everything
    // under HKEY_CURRENT_USER. nullopt when neither the key nor a sub-key exists.
    std::optional<std::vector<SettingsKeyValues>> ReadTree(const SettingsKey* key);

    // The device path of the file (file stores only).
    const std::u16string& FilePath() const { return m_file->DevicePath(); }

    // Writes the changes: the file is saved (and a file of this computer
    // replaced by the saved copy), the registry's open key flushed. Throws
    // CommandError when that fails.
    void Save();

private:
    SettingsEntry ReadOpen(const std::u16string& name, ULONG kind);
    std::u16string ReadText(LPCWSTR name);
    void CollectKey(const std::u16string& section, std::vector<SettingsKeyValues>& out);
    bool CollectRegistryTree(HKEY root, const std::u16string& subkey, std::vector<SettingsKeyValues>& out);

    std::unique_ptr<FileArgument> m_file;  // outlives m_store, which works on its path
    std::unique_ptr<CRegistry> m_store;
};

// A status of CRegistry in words: "error 2", "general failure".
std::string DescribeStatus(LONG status);

}  // namespace kstools
