// The registry's SQLite database: keys as rows with a parent, values as rows
// of a key. Every method is one transaction (writes take the write lock at
// once, so two processes never deadlock on a lock upgrade) and returns a
// platform error code. Keys are addressed by their row id; ids are never
// reused, so a stale id is recognised (ERROR_KEY_DELETED). Thread-safe.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/base/types.h"

struct sqlite3;
struct sqlite3_stmt;

namespace platform {

using RegistryKeyId = std::int64_t;

// The row ids of the four root keys (HKEY_CLASSES_ROOT + n has id n + 1).
constexpr RegistryKeyId kFirstRootKeyId = 1;
constexpr RegistryKeyId kRootKeyCount = 4;

struct RegistryValue {
    std::u16string name;
    DWORD type = 0;
    std::vector<BYTE> data;
};

struct RegistryKeyInfo {
    DWORD subKeys = 0;
    DWORD maxSubKeyChars = 0;
    DWORD values = 0;
    DWORD maxValueNameChars = 0;
    DWORD maxValueBytes = 0;
    std::int64_t lastWrite = 0;  // 100 ns units since 1601
};

class RegistryStore {
public:
    static RegistryStore& Instance();

    RegistryStore() = default;
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    std::string Path();
    void Close();

    // The key at the end of `parts` below `base`.
    DWORD FindKey(RegistryKeyId base, const std::vector<std::u16string>& parts, RegistryKeyId* id);
    DWORD CreateKey(RegistryKeyId base, const std::vector<std::u16string>& parts, RegistryKeyId* id, bool* created);
    // Removes the key at the end of `parts` with everything below it.
    DWORD DeleteKey(RegistryKeyId base, const std::vector<std::u16string>& parts);
    DWORD KeyExists(RegistryKeyId key);

    DWORD GetValue(RegistryKeyId key, std::u16string_view name, RegistryValue* value);
    DWORD SetValue(RegistryKeyId key, std::u16string_view name, DWORD type, const BYTE* data, DWORD size);
    DWORD DeleteValue(RegistryKeyId key, std::u16string_view name);
    DWORD ValueAt(RegistryKeyId key, DWORD index, RegistryValue* value);
    DWORD SubKeyAt(RegistryKeyId key, DWORD index, std::u16string* name, std::int64_t* lastWrite);
    DWORD Info(RegistryKeyId key, RegistryKeyInfo* info);
    // Moves the write-ahead log into the database file.
    DWORD Checkpoint();

private:
    class Statement;
    class Transaction;

    DWORD OpenLocked();
    DWORD InitSchemaLocked();
    void CloseLocked();
    sqlite3_stmt* Prepare(const char* sql);
    DWORD KeyExistsLocked(RegistryKeyId key);
    DWORD ChildLocked(RegistryKeyId parent, const std::string& folded, RegistryKeyId* child);
    DWORD WalkLocked(RegistryKeyId base, const std::vector<std::u16string>& parts, RegistryKeyId* id);
    DWORD TouchLocked(RegistryKeyId key);

    std::mutex mutex_;
    sqlite3* db_ = nullptr;
    std::string path_;
    std::unordered_map<const char*, sqlite3_stmt*> statements_;
};

}  // namespace platform
