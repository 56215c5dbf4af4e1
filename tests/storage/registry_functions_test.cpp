// The plain registry functions: each opens and closes its key by itself.
#include "storage/registry_functions.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/base/error_codes.h"
#include "tests/storage/settings_test_support.h"

namespace {

class RegistryFunctions : public SettingsSandbox {};

TEST_F(RegistryFunctions, RoundTripsAndTheirErrors)
{
    const char16_t* key = u"Software\\Corvid\\Kestrel\\Fonts";
    ULONG size = 0;
    EXPECT_EQ(GetFromRegistry(HKEY_CURRENT_USER, key, u"Size", &size), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(SetToRegistry(HKEY_CURRENT_USER, key, u"Size", 9), ERROR_SUCCESS);
    EXPECT_EQ(GetFromRegistry(HKEY_CURRENT_USER, key, u"Size", &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 9u);

    EXPECT_EQ(SetToRegistrySZ(HKEY_CURRENT_USER, key, u"Face", u"Tahoma"), ERROR_SUCCESS);
    WCHAR face[7];
    EXPECT_EQ(GetFromRegistrySZ(HKEY_CURRENT_USER, key, u"Face", face, 7), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(face), u"Tahoma");
    EXPECT_EQ(GetFromRegistrySZ(HKEY_CURRENT_USER, key, u"Face", face, 6), static_cast<LONG>(ERROR_MORE_DATA))
        << "the size counts the terminator";

    DWORD subKeys = 9, values = 0;
    EXPECT_EQ(QueryKey(HKEY_CURRENT_USER, key, &subKeys, &values, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 0u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(DeleteRegistryValue(HKEY_CURRENT_USER, key, u"Size"), ERROR_SUCCESS);
    EXPECT_EQ(DeleteRegistryValue(HKEY_CURRENT_USER, key, u"Size"), static_cast<LONG>(ERROR_FILE_NOT_FOUND));

    WCHAR name[kEnumKeyChars];
    EXPECT_EQ(EnumRegistryKeysSZ(HKEY_CURRENT_USER, u"Software\\Corvid\\Kestrel", name, 0), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"Fonts");
    EXPECT_EQ(EnumRegistryKeysSZ(HKEY_CURRENT_USER, u"Software\\Corvid\\Kestrel", name, 1),
              static_cast<LONG>(ERROR_NO_MORE_ITEMS));
    EXPECT_EQ(platform::OpenRegistryKeyCount(), 0u) << "every call closes its key";
}

}  // namespace
