#include "platform/files/registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/error_codes.h"
#include "tests/support/child_process.h"
#include "tests/support/device_sandbox.h"

namespace {

class Registry : public DeviceSandbox {
protected:
    void SetUp() override
    {
        DeviceSandbox::SetUp();
        platform::CloseRegistryDatabase();
        openAtStart_ = platform::OpenRegistryKeyCount();
    }
    void TearDown() override
    {
        EXPECT_EQ(platform::OpenRegistryKeyCount(), openAtStart_) << "key handles leaked";
        platform::CloseRegistryDatabase();
        DeviceSandbox::TearDown();
    }

    static HKEY Create(HKEY root, const char16_t* path, DWORD* disposition = nullptr)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, disposition),
                  ERROR_SUCCESS);
        return key;
    }
    static LONG Open(HKEY root, const char16_t* path, HKEY* key) { return RegOpenKeyExW(root, path, 0, KEY_READ, key); }
    static void SetDword(HKEY key, const char16_t* name, DWORD v)
    {
        EXPECT_EQ(RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4), ERROR_SUCCESS);
    }
    static std::optional<DWORD> GetDword(HKEY key, const char16_t* name)
    {
        DWORD v = 0, type = 0, size = sizeof v;
        if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &size) != ERROR_SUCCESS)
            return std::nullopt;
        EXPECT_EQ(type, REG_DWORD);
        return v;
    }
    template <typename Enum>
    static std::vector<std::u16string> Names(HKEY key, Enum enumerate)
    {
        std::vector<std::u16string> names;
        WCHAR name[300];
        for (DWORD i = 0;; ++i) {
            DWORD chars = 300;
            LONG rc = enumerate(key, i, name, &chars, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_NO_MORE_ITEMS) break;
            EXPECT_EQ(rc, ERROR_SUCCESS);
            if (rc != ERROR_SUCCESS) break;
            names.emplace_back(name, chars);
        }
        return names;
    }
    static std::vector<std::u16string> SubKeys(HKEY key) { return Names(key, RegEnumKeyExW); }
    static std::vector<std::u16string> ValueNames(HKEY key) { return Names(key, RegEnumValueW); }

    size_t openAtStart_ = 0;
};

TEST_F(Registry, OpenRefusesMissingKeysBadPathsAndBadHandlesCreateReportsDispositionAndMatchesWithoutCase)
{
    HKEY corvid = Create(HKEY_CURRENT_USER, u"Software\\Corvid");
    HKEY key = nullptr;
    struct Case {
        HKEY base;
        const char16_t* path;
        LONG expected;
    };
    const std::u16string overlong(REG_MAX_NAME_CHARS + 1, u'x');
    const Case cases[] = {
        {HKEY_CURRENT_USER, u"Software\\Missing", ERROR_FILE_NOT_FOUND},
        {HKEY_LOCAL_MACHINE, u"Software\\Corvid", ERROR_FILE_NOT_FOUND},
        {HKEY_CURRENT_USER, u"Software\\\\Corvid", ERROR_INVALID_PARAMETER},
        {HKEY_CURRENT_USER, overlong.c_str(), ERROR_INVALID_PARAMETER},
        {reinterpret_cast<HKEY>(std::uintptr_t{0x80000004u}), u"Software", ERROR_INVALID_HANDLE},
        {nullptr, u"Software", ERROR_INVALID_HANDLE},
        {corvid, u"Missing", ERROR_FILE_NOT_FOUND},
        {corvid, nullptr, ERROR_SUCCESS},  // a second handle to the same key
        {corvid, u"", ERROR_SUCCESS},
        {HKEY_CURRENT_USER, nullptr, ERROR_SUCCESS},
    };
    for (const auto& c : cases) {
        key = reinterpret_cast<HKEY>(std::uintptr_t{1});
        EXPECT_EQ(Open(c.base, c.path, &key), c.expected);
        if (c.expected == ERROR_SUCCESS) {
            EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        } else {
            EXPECT_EQ(key, nullptr);
        }
    }
    EXPECT_EQ(RegCloseKey(corvid), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(corvid), ERROR_INVALID_HANDLE);  // a closed handle stays closed
    EXPECT_EQ(Open(corvid, nullptr, &key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);

    struct Creation {
        HKEY root;
        const char16_t* path;
        DWORD disposition;
    };
    const Creation creations[] = {
        {HKEY_CURRENT_USER, u"Software\\Corvid\\Kestrel", REG_CREATED_NEW_KEY},  // parents made on the way
        {HKEY_CURRENT_USER, u"SOFTWARE\\corvid\\KESTREL", REG_OPENED_EXISTING_KEY},
        {HKEY_CURRENT_USER, u"\\Software\\Corvid\\Kestrel", REG_OPENED_EXISTING_KEY},
        {HKEY_CURRENT_USER, u"Software\\Corvid\\Kestrel\\", REG_OPENED_EXISTING_KEY},
        {HKEY_CURRENT_USER, u"Software\\Corvid", REG_OPENED_EXISTING_KEY},
        {HKEY_LOCAL_MACHINE, u"Software\\Corvid\\Kestrel", REG_CREATED_NEW_KEY},  // roots are separate trees
        {HKEY_LOCAL_MACHINE, u"\\Software\\Corvid", REG_OPENED_EXISTING_KEY},
        {HKEY_USERS, u"software", REG_CREATED_NEW_KEY},
        {HKEY_CLASSES_ROOT, u"Software", REG_CREATED_NEW_KEY},
    };
    for (const auto& c : creations) {
        DWORD disposition = 0;
        HKEY created = Create(c.root, c.path, &disposition);
        EXPECT_EQ(disposition, c.disposition)
            << std::string(c.path, c.path + std::char_traits<char16_t>::length(c.path));
        RegCloseKey(created);
    }
    HKEY software = nullptr;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, u"software", &software), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(software), std::vector<std::u16string>{u"Corvid"});  // case kept from the first creation
    RegCloseKey(software);
}

TEST_F(Registry, ValuesKeepTheirTypeAndSizeAndBadWritesAndMissingValuesGiveErrorCodes)
{
    HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Corvid\\Kestrel");
    const char16_t text[] = u"C:\\Notes";
    const BYTE blob[] = {0, 1, 0xFF};
    const DWORD number = 0xA1B2C3D4;
    struct Case {
        const char16_t* name;
        DWORD type;
        const void* data;
        DWORD size;
        DWORD storedSize;
    };
    const Case cases[] = {
        {u"Corvid_Folder", REG_SZ, text, sizeof text, sizeof text},
        {u"NoTerminator", REG_SZ, text, sizeof text - 2, sizeof text},  // the terminator is added
        {u"Empty", REG_SZ, nullptr, 0, 2},
        {u"Flags", REG_DWORD, &number, 4, 4},
        {u"Blob", REG_BINARY, blob, sizeof blob, sizeof blob},
        {u"NoBytes", REG_BINARY, nullptr, 0, 0},
        {nullptr, REG_SZ, text, sizeof text, sizeof text},  // the default value
    };
    for (const auto& c : cases)
        ASSERT_EQ(RegSetValueExW(key, c.name, 0, c.type, static_cast<const BYTE*>(c.data), c.size), ERROR_SUCCESS);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name ? std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)) : "default");
        DWORD type = 0, size = 0;
        ASSERT_EQ(RegQueryValueExW(key, c.name, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
        EXPECT_EQ(std::vector<DWORD>({type, size}), std::vector<DWORD>({c.type, c.storedSize}));
        std::vector<BYTE> buffer(size + 8, 0xEE);
        size = static_cast<DWORD>(buffer.size());
        ASSERT_EQ(RegQueryValueExW(key, c.name, nullptr, &type, buffer.data(), &size), ERROR_SUCCESS);
        EXPECT_EQ(size, c.storedSize);
        if (c.size) {
            EXPECT_EQ(std::memcmp(buffer.data(), c.data, c.size), 0);
        }
        if (c.type == REG_SZ) {
            EXPECT_EQ(buffer[size - 1] | buffer[size - 2], 0) << "terminator";
        }
    }
    // Names compare without case; the empty name is the default value.
    EXPECT_EQ(GetDword(key, u"FLAGS"), number);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, sizeof text);
    EXPECT_EQ(RegQueryValueExW(key, u"corvid_folder", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    RegCloseKey(key);

    HKEY corvid = Create(HKEY_CURRENT_USER, u"Software\\Corvid");
    const BYTE bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    struct Bad {
        DWORD type;
        const BYTE* data;
        DWORD size;
    };
    const Bad refused[] = {{REG_DWORD, bytes, 3}, {REG_DWORD, bytes, 8}, {REG_SZ, bytes, 3}, {REG_BINARY, nullptr, 4}};
    for (const auto& c : refused)
        EXPECT_EQ(RegSetValueExW(corvid, u"Bad", 0, c.type, c.data, c.size), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExW(corvid, u"Bad", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    // A value name may be as long as a key name, and no longer.
    const std::u16string longestName(REG_MAX_NAME_CHARS, u'v');
    EXPECT_EQ(RegSetValueExW(corvid, (longestName + u'v').c_str(), 0, REG_BINARY, bytes, 1), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExW(corvid, longestName.c_str(), 0, REG_BINARY, bytes, 1), ERROR_SUCCESS);

    const char16_t resources[] = u"Resources";
    ASSERT_EQ(
        RegSetValueExW(corvid, u"ResourcesLoc", 0, REG_SZ, reinterpret_cast<const BYTE*>(resources), sizeof resources),
        ERROR_SUCCESS);
    BYTE small[4] = {};
    DWORD kind = 0, needed = sizeof small;
    EXPECT_EQ(RegQueryValueExW(corvid, u"ResourcesLoc", nullptr, &kind, small, &needed), ERROR_MORE_DATA);
    EXPECT_EQ(std::vector<DWORD>({needed, kind}), std::vector<DWORD>({sizeof resources, REG_SZ}));  // the size needed
    EXPECT_EQ(RegQueryValueExW(corvid, u"ResourcesLoc", nullptr, nullptr, small, nullptr), ERROR_INVALID_PARAMETER);

    EXPECT_EQ(RegQueryValueExW(corvid, u"Missing", nullptr, &kind, nullptr, &needed), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueW(corvid, u"RESOURCESLOC"), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(corvid, u"ResourcesLoc", nullptr, &kind, nullptr, &needed), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueW(corvid, u"ResourcesLoc"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(corvid);
}

TEST_F(Registry, EnumerationGivesEveryEntryAndDeleteKeyTakesItsSubKeysAlong)
{
    HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Corvid\\Kestrel\\Menus");
    for (const char16_t* sub : {u"beta", u"Alpha", u"GAMMA"}) RegCloseKey(Create(key, sub));
    SetDword(key, u"Second", 2);
    SetDword(key, u"First", 1);
    SetDword(key, u"Third", 3);
    SetDword(key, u"SECOND", 22);  // an update keeps the place and the name's case

    EXPECT_EQ(SubKeys(key), (std::vector<std::u16string>{u"Alpha", u"beta", u"GAMMA"}));
    EXPECT_EQ(ValueNames(key), (std::vector<std::u16string>{u"Second", u"First", u"Third"}));
    EXPECT_EQ(GetDword(key, u"second"), 22u);

    WCHAR name[8];
    DWORD chars = 6;  // "Second" needs 7 with its terminator
    EXPECT_EQ(RegEnumValueW(key, 0, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    DWORD value = 0, size = 2;
    chars = 8;
    EXPECT_EQ(RegEnumValueW(key, 1, name, &chars, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    chars = 5;  // "Alpha" needs 6
    EXPECT_EQ(RegEnumKeyExW(key, 0, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    chars = 8;
    EXPECT_EQ(RegEnumKeyExW(key, 3, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegEnumValueW(key, 3, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

    const char16_t longText[] = u"a longer string value";
    ASSERT_EQ(RegSetValueExW(key, u"LongestName", 0, REG_SZ, reinterpret_cast<const BYTE*>(longText), sizeof longText),
              ERROR_SUCCESS);
    DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxValue = 0;
    FILETIME written{};
    ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values, &maxValueName,
                               &maxValue, nullptr, &written),
              ERROR_SUCCESS);
    EXPECT_EQ(std::vector<DWORD>({subKeys, maxSubKey, values, maxValueName, maxValue}),
              std::vector<DWORD>({3, 5, 4, 11, sizeof longText}));
    EXPECT_NE(written.dwHighDateTime, 0u);
    RegCloseKey(key);

    HKEY deep = Create(HKEY_CURRENT_USER, u"Software\\Corvid\\Views\\Custom\\One");
    SetDword(deep, u"Width", 80);
    HKEY views = Create(HKEY_CURRENT_USER, u"Software\\Corvid\\Views");
    SetDword(views, u"Count", 1);

    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\Corvid\\Views\\Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"software\\corvid\\views"), ERROR_SUCCESS);
    HKEY opened = nullptr;
    for (const char16_t* path : {u"Software\\Corvid\\Views", u"Software\\Corvid\\Views\\Custom\\One"})
        EXPECT_EQ(Open(HKEY_CURRENT_USER, path, &opened), ERROR_FILE_NOT_FOUND);
    // Handles to the deleted keys fail rather than reach a key made later.
    EXPECT_EQ(GetDword(deep, u"Width"), std::nullopt);
    DWORD width = 5;
    EXPECT_EQ(RegSetValueExW(deep, u"Width", 0, REG_DWORD, reinterpret_cast<BYTE*>(&width), 4), ERROR_KEY_DELETED);
    DWORD disposition = 0;
    HKEY again = Create(HKEY_CURRENT_USER, u"Software\\Corvid\\Views", &disposition);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_EQ(GetDword(again, u"Count"), std::nullopt);  // the old values are gone
    EXPECT_EQ(RegEnumKeyExW(views, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    DWORD deletedChars = 8;
    WCHAR deletedName[8];
    EXPECT_EQ(RegEnumKeyExW(views, 0, deletedName, &deletedChars, nullptr, nullptr, nullptr, nullptr),
              ERROR_KEY_DELETED);

    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u""), ERROR_INVALID_PARAMETER);
    HKEY root = nullptr;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, nullptr, &root), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExW(root, u"Software\\Corvid", 0, KEY_READ, &opened), ERROR_SUCCESS);
    RegCloseKey(opened);
    for (HKEY k : {deep, views, again, root}) RegCloseKey(k);
}

TEST_F(Registry, TwoProcessesLoseNothingChangesPersistAcrossReopeningAndAnUnreadableDatabaseGivesAnError)
{
    HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Corvid\\Kestrel\\Shared");
    SetDword(key, u"Parent", 7);
    constexpr int kWrites = 60;
    const std::string helper = std::string(KSTOOLS_TEST_HELPER_DIR) + "/ks_registry_writer";
    kstest::ChildResult runs[2];
    std::vector<std::thread> writers;
    for (size_t i = 0; i < 2; ++i)
        writers.emplace_back([&, i] {
            runs[i] =
                kstest::RunChild({helper, "Software\\Corvid\\Kestrel\\Shared", i ? "B" : "A", std::to_string(kWrites)});
        });
    for (auto& w : writers) w.join();
    for (const auto& run : runs) EXPECT_EQ(run.exitCode, 0) << run.err;
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 2u * kWrites + 1);
    for (const char16_t* name : {u"A0", u"B0", u"a59", u"B59"}) EXPECT_TRUE(GetDword(key, name).has_value());
    EXPECT_EQ(GetDword(key, u"A37"), 37u);
    EXPECT_EQ(GetDword(key, u"B41"), 41u);
    EXPECT_EQ(GetDword(key, u"Parent"), 7u);
    RegCloseKey(key);

    HKEY machine = Create(HKEY_LOCAL_MACHINE, u"\\Software\\Corvid");
    SetDword(machine, u"KSGridLeft", 120);
    EXPECT_EQ(RegFlushKey(machine), ERROR_SUCCESS);
    platform::CloseRegistryDatabase();
    EXPECT_EQ(platform::RegistryDatabasePath(), home_ + "/registry.db");
    EXPECT_TRUE(std::filesystem::exists(home_ + "/registry.db"));

    EXPECT_EQ(GetDword(machine, u"KSGridLeft"), 120u);  // the open handle outlives the reopen
    HKEY reopened = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"software\\corvid", &reopened), ERROR_SUCCESS);
    EXPECT_EQ(GetDword(reopened, u"ksgridleft"), 120u);
    RegCloseKey(reopened);
    RegCloseKey(machine);

    platform::CloseRegistryDatabase();
    std::ofstream(home_ + "/registry.db") << std::string(4096, 'x');
    HKEY refused = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software", 0, nullptr, 0, 0, nullptr, &refused, nullptr),
              ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, u"Anything"), std::nullopt);
}

}  // namespace
