// A fresh data directory per test, with no settings (or, for StoreSandbox, store) state left over.
#pragma once

#include <string>

#include "platform/files/registry.h"
#include "platform/objectstore/cedb.h"
#include "storage/c_registry.h"
#include "storage/corvid_directory.h"
#include "tests/support/device_sandbox.h"

// The bytes of a UTF-16 LE file with a byte-order mark.
inline std::string Utf16File(const std::u16string& text)
{
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

class SettingsSandbox : public DeviceSandbox {
protected:
    void SetUp() override
    {
        DeviceSandbox::SetUp();
        Forget();
    }
    void TearDown() override
    {
        Forget();
        DeviceSandbox::TearDown();
    }
    static void Forget()
    {
        CRegistry::UnloadINIFileCache();
        FreeCorvidDirectory();
        platform::CloseRegistryDatabase();
    }
};

// The settings sandbox with the object store closed as well.
class StoreSandbox : public SettingsSandbox {
protected:
    void SetUp() override
    {
        SettingsSandbox::SetUp();
        platform::CloseObjectStore();
    }
    void TearDown() override
    {
        platform::CloseObjectStore();
        SettingsSandbox::TearDown();
    }
};
