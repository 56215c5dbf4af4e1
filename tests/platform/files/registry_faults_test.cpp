// Setting a value, deleting one and creating a key failing or losing power at each step: the registry holds
// the old or the new state (a damaged file would fail the reads).
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/base/error_codes.h"
#include "platform/files/registry.h"
#include "tests/support/device_sandbox.h"
#include "tests/support/faulty_file_system.h"

using RegistryFaults = DeviceSandbox;

TEST_F(RegistryFaults, FaultsLeaveTheOldOrTheNewState)
{
    auto onKey = [](const char16_t* name, auto body) {
        HKEY key = nullptr;
        LONG error = RegCreateKeyExW(HKEY_CURRENT_USER, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        if (error != ERROR_SUCCESS) return static_cast<DWORD>(error);
        error = body(key);
        RegCloseKey(key);
        return static_cast<DWORD>(error);
    };
    auto set = [](DWORD v) {
        return [v](HKEY key) { return RegSetValueExW(key, u"a", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4); };
    };
    const struct {
        std::function<DWORD()> run;
        std::string newState;  // "a=<value>" or "", and "+" when the key Second exists
    } cases[] = {
        {[&] { return onKey(u"F", set(2)); }, "a=2"},
        {[&] { return onKey(u"F", [](HKEY key) { return RegDeleteValueW(key, u"a"); }); }, ""},
        {[&] { return onKey(u"Second", [](HKEY) { return ERROR_SUCCESS; }); }, "a=1+"},
    };
    for (const auto& c : cases) {
        FaultedOperation operation;
        operation.prepare = [&] {
            platform::CloseRegistryDatabase();
            for (const char* suffix : {"", "-wal", "-shm"})
                std::filesystem::remove(platform::RegistryDatabasePath() + suffix);
            EXPECT_EQ(onKey(u"F", set(1)), ERROR_SUCCESS);
            platform::CloseRegistryDatabase();
        };
        operation.run = c.run;
        operation.close = platform::CloseRegistryDatabase;
        operation.state = [&] {
            std::string state;
            DWORD v = 0, size = 4;
            const DWORD read = onKey(u"F", [&](HKEY key) {
                const LONG error = RegQueryValueExW(key, u"a", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size);
                return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
            });
            if (read != ERROR_SUCCESS) state = "error " + std::to_string(read);
            if (v) state += "a=" + std::to_string(v);
            HKEY second = nullptr;
            if (RegOpenKeyExW(HKEY_CURRENT_USER, u"Second", 0, KEY_READ, &second) == ERROR_SUCCESS) {
                state += "+";
                RegCloseKey(second);
            }
            platform::CloseRegistryDatabase();
            return state == "a=1" ? "old" : state == c.newState ? "new" : state;
        };
        ExpectOldOrNewUnderEveryFault(operation, ERROR_REGISTRY_IO_FAILED);
    }
    platform::CloseRegistryDatabase();
}
