// CRegistry in text-file mode and registry mode. Sections: Values and keys in a file;
// Sharing and saving the file; The data directory; Registry mode; Import, export and append.
#include "storage/c_registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/error_codes.h"
#include "platform/files/files.h"
#include "platform/text/utf8.h"
#include "storage/registry_functions.h"
#include "tests/storage/settings_test_support.h"

namespace {

constexpr const char16_t* kKestrel = u"Software\\Corvid\\Kestrel";
constexpr const char16_t* kFile = u"\\Test\\Settings.txt";
constexpr const char* kHostFile = "Test/Settings.txt";

// A value read back, or "<error N>".
std::u16string Text(CRegistry& store, LPCWSTR name, LONG size = 0)
{
    WCHAR text[400] = {};
    const LONG result = store.QueryValue(name, text, size);
    return result ? u"<error " + Utf8ToWide(std::to_string(result)) + u">" : std::u16string(text);
}
std::string Number(CRegistry& store, LPCWSTR name)
{
    ULONG number = 0;
    const LONG result = store.QueryValue(name, &number);
    return result ? "<error " + std::to_string(result) + ">" : std::to_string(number);
}

class TextStore : public SettingsSandbox {
protected:
    std::string FileText() const
    {
        std::string bytes = ReadHostFile(kHostFile);
        std::string text;  // the UTF-16 file's ASCII, for readable expectations
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) text.push_back(bytes[i]);
        return text;
    }
    void WriteFileText(const std::u16string& text) const { MakeHostFile(kHostFile, Utf16File(text)); }
};

// ---- Values and keys in a file --------------------------------------------

TEST_F(TextStore, ValuesOfBothKindsAndTheirFailures)
{
    CRegistry store(REGISTRY_TYPE_FILE, kFile);
    ULONG number = 7;
    WCHAR text[16];
    EXPECT_EQ(store.SetValue(u"a", 1ul), E_FAIL);
    EXPECT_EQ(store.QueryValue(u"a", &number), E_FAIL);
    EXPECT_EQ(store.KeyRef(), -1);

    ULONG disposition = 0;
    ASSERT_EQ(store.OpenKey(HKEY_CURRENT_USER, kKestrel, &disposition), 0);
    EXPECT_EQ(disposition, static_cast<ULONG>(REG_CREATED_NEW_KEY));
    EXPECT_EQ(store.SetValue(u"Count", 42ul), 0);
    EXPECT_EQ(store.SetValue(u"Name", u"Kestrel settings"), 0);
    EXPECT_EQ(store.SetValue(nullptr, u"default"), 0);

    EXPECT_EQ(Number(store, u"count"), "42") << "names compare without case";
    int signedNumber = 0;
    EXPECT_EQ(store.SetValue(u"Neg", 0xFFFFFFFFul), 0);
    EXPECT_EQ(store.QueryValue(u"Neg", &signedNumber), 0);
    EXPECT_EQ(signedNumber, -1);
    EXPECT_EQ(Text(store, u"Name", 9), u"Kestrel ") << "size counts the terminator";
    EXPECT_EQ(Text(store, u"Name"), u"Kestrel settings");
    EXPECT_EQ(Text(store, u"Name", 16), u"Kestrel setting")
        << "exactly the buffer's length: the terminator takes the last";
    EXPECT_EQ(Text(store, u"@", 64), u"default");

    // The other kind, or a missing value, is a failed query that leaves the output alone.
    number = 7;
    EXPECT_EQ(store.QueryValue(u"Name", &number), E_FAIL);
    EXPECT_EQ(number, 7u);
    EXPECT_EQ(store.QueryValue(u"Count", text, 16), E_FAIL);
    EXPECT_EQ(store.QueryValue(u"Missing", &number), E_FAIL);
    ULONG kind = 0;
    EXPECT_EQ(store.QueryValueType(u"Count", &kind), 0);
    EXPECT_EQ(kind, static_cast<ULONG>(REG_DWORD));
    EXPECT_EQ(store.QueryValueType(u"Name", &kind), 0);
    EXPECT_EQ(kind, static_cast<ULONG>(REG_SZ));

    EXPECT_EQ(store.SetValue(u"Count", u"many"), 0);
    EXPECT_EQ(store.QueryValue(u"Count", &number), E_FAIL);
    EXPECT_EQ(store.DeleteValue(u"Count"), 0);
    EXPECT_EQ(store.DeleteValue(u"Count"), E_FAIL);
    EXPECT_EQ(store.QueryValueType(u"Count", &kind), E_FAIL);

    BYTE bytes[4] = {};
    EXPECT_EQ(store.SetBinValue(u"b", bytes, 4), E_FAIL) << "a settings file holds no binary values";
    EXPECT_EQ(store.QueryBinValue(u"b", bytes, 4), E_FAIL);

    // A value whose line the reader would skip is refused, not lost at the next load.
    const std::u16string longest(8096 - 6 - 3, u'x');  // "Long"="xx...x" is a line of 8,096
    EXPECT_EQ(store.SetValue(u"Long", longest.c_str()), 0);
    EXPECT_EQ(store.SetValue(u"Long", (longest + u"x").c_str()), E_INVALIDARG);
    EXPECT_EQ(store.SetValue(std::u16string(8080, u'n').c_str(), 1ul), E_INVALIDARG);
    EXPECT_EQ(store.OpenKey(nullptr, std::u16string(8095, u's').c_str()), E_INVALIDARG);

    store.SetValue(u"Width", 120ul);
    ULONG width = 0, height = 0, name = 0;
    KSREG entries[] = {{u"Width", &width, 1}, {u"Height", &height, 2}, {u"Name", &name, 3}};
    EXPECT_EQ(store.QueryArray(entries, 3), 0);
    EXPECT_EQ(std::vector<ULONG>({width, height, name}), std::vector<ULONG>({120, 2, 3}));
}

TEST_F(TextStore, KeysSectionsEnumerationAndSectionNames)
{
    CRegistry store(REGISTRY_TYPE_FILE, kFile);
    ASSERT_EQ(store.OpenKey(HKEY_LOCAL_MACHINE, kKestrel), 0);
    store.SetValue(u"One", 1ul);
    store.SetValue(u"Two", u"2");
    ASSERT_EQ(store.OpenKey(nullptr, u"Plain section"), 0);
    store.SetValue(u"x", 1ul);

    EXPECT_EQ(store.SubKeyCount(), 2);
    WCHAR name[200];
    EXPECT_EQ(store.SubKeyName(0, name, 200), 0);
    EXPECT_EQ(std::u16string(name), u"HKEY_LOCAL_MACHINE\\Software\\Corvid\\Kestrel");
    EXPECT_EQ(store.SubKeyName(1, name, 200), 0);
    EXPECT_EQ(std::u16string(name), u"Plain section");
    EXPECT_EQ(store.SubKeyName(2, name, 200), static_cast<LONG>(ERROR_NO_MORE_ITEMS));

    EXPECT_EQ(store.Exists(HKEY_LOCAL_MACHINE, u"software\\corvid\\KESTREL"), 1);
    EXPECT_EQ(store.Exists(HKEY_CURRENT_USER, kKestrel), 0);
    EXPECT_EQ(store.ValueCount(), 2) << "Exists opens the section";
    EXPECT_EQ(store.ValueName(1, name, 0), 0);
    EXPECT_EQ(std::u16string(name), u"Two");
    EXPECT_EQ(store.ValueName(2, name, 0), static_cast<LONG>(ERROR_NO_MORE_ITEMS));
    EXPECT_EQ(store.ValueName(0, nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(store.SubKeyName(0, nullptr, 0), E_INVALIDARG);
    std::unique_ptr<CeStrList<WCHAR*>> names(store.ValueNames());
    ASSERT_EQ(names->GetCount(), 2);
    EXPECT_EQ(std::u16string(names->GetAt(0)), u"One");
    names->Append(u"\u00C9cole");
    names->Sort();
    EXPECT_EQ(std::u16string(names->GetAt(2)), u"\u00C9cole") << "names compare as _wcsicmp does, not as a locale";
    EXPECT_EQ(names->Find(u"ONE"), 0);
    std::unique_ptr<CeStrList<WCHAR*>> sections(store.SubKeyNames());
    EXPECT_EQ(sections->GetCount(), 2);
    // Names in a file may be longer than the registry's (folder paths).
    const std::u16string longName(300, u'n');
    store.SetValue(longName.c_str(), 1ul);
    names.reset(store.ValueNames());
    ASSERT_EQ(names->GetCount(), 3);
    EXPECT_EQ(std::u16string(names->GetAt(2)), longName);

    ULONG disposition = 0;
    EXPECT_EQ(store.OpenKey(HKEY_LOCAL_MACHINE, kKestrel, &disposition), 0);
    EXPECT_EQ(disposition, static_cast<ULONG>(REG_OPENED_EXISTING_KEY));
    EXPECT_EQ(store.ValueCount(HKEY_CURRENT_USER, u"Fresh"), 0);

    EXPECT_EQ(store.DeleteKey(nullptr, u"Plain section"), 0);
    EXPECT_EQ(store.DeleteKey(nullptr, u"Plain section"), E_FAIL);
    EXPECT_EQ(store.Exists(nullptr, u"Plain section"), 0);
    WCHAR section[100];
    CRegistry::SectionName(HKEY_CLASSES_ROOT, u"a\\b", section, 100);
    EXPECT_EQ(std::u16string(section), u"HKEY_CLASSES_ROOT\\a\\b");
    CRegistry::SectionName(reinterpret_cast<HKEY>(0x1234), u"x", section, 100);
    EXPECT_EQ(std::u16string(section), u"HKEY_CURRENT_USER\\x") << "an unknown root counts as the current user";

    struct {
        const char16_t* section;
        HKEY root;
        const char16_t* subkey;
    } cases[] = {
        {u"HKEY_USERS\\Default\\X", HKEY_USERS, u"Default\\X"},
        {u"hkey_local_machine\\Soft", HKEY_LOCAL_MACHINE, u"Soft"},
        {u"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT, nullptr},
        {u"HKEY_CLASSES_ROOT\\", HKEY_CLASSES_ROOT, nullptr},
        {u"Something else", HKEY_CURRENT_USER, nullptr},
    };
    for (const auto& c : cases) {
        LPCWSTR subkey = u"untouched";
        EXPECT_EQ(CRegistry::GetSectionKey(c.section, &subkey), c.root) << WideToUtf8(c.section);
        if (c.subkey) {
            ASSERT_NE(subkey, nullptr);
            EXPECT_EQ(std::u16string(subkey), c.subkey);
        } else {
            EXPECT_EQ(subkey, nullptr) << WideToUtf8(c.section);
        }
    }
}

// ---- Sharing and saving the file ------------------------------------------

TEST_F(TextStore, TheLastUserOfADirtyFileOrTheProgramsNormalEndWritesIt)
{
    auto first = std::make_unique<CRegistry>(REGISTRY_TYPE_FILE, kFile);
    auto second = std::make_unique<CRegistry>(REGISTRY_TYPE_FILE, kFile);
    auto third = std::make_unique<CRegistry>(REGISTRY_TYPE_FILE, kFile);
    CRegistry own(REGISTRY_TYPE_FILE, kFile, 0);  // a private copy, not shared
    EXPECT_TRUE(CRegistry::INIFileInCache(kFile));
    first->OpenKey(HKEY_CURRENT_USER, kKestrel);
    first->SetValue(u"Shared", 5ul);
    ULONG seen = 0;
    second->OpenKey(HKEY_CURRENT_USER, kKestrel);
    EXPECT_EQ(second->QueryValue(u"Shared", &seen), 0) << "one copy in memory";
    EXPECT_EQ(seen, 5u);
    own.OpenKey(HKEY_CURRENT_USER, kKestrel);
    EXPECT_EQ(own.QueryValue(u"Shared", &seen), E_FAIL);
    second->SetValue(u"Title", u"K");
    second.reset();
    first.reset();
    EXPECT_FALSE(std::filesystem::exists(Host(kHostFile))) << "written only when the last user goes";
    EXPECT_EXIT(std::exit(0), testing::ExitedWithCode(0), "") << "or when the program ends normally";
    EXPECT_NE(FileText().find("\"Title\"=\"K\""), std::string::npos);
    third.reset();  // made no change itself
    EXPECT_EQ(
        FileText(),
        "\r\n[HKEY_CURRENT_USER\\Software\\Corvid\\Kestrel]\r\n\"Shared\"=dword:00000005\r\n\"Title\"=\"K\"\r\n\r\n");
}

TEST_F(TextStore, SavingMergesOnlyWhatThisProcessChanged)
{
    WriteFileText(
        u"\r\n[Mine]\r\n\"keep\"=\"disk\"\r\n\"old\"=\"x\"\r\n\"theirsGone\"=\"1\"\r\n[Theirs]\r\n\"t\"=\"1\"\r\n"
        u"[Gone]\r\n\"g\"=\"1\"\r\n[Dropped]\r\n\"d\"=\"1\"\r\n");
    CRegistry store(REGISTRY_TYPE_FILE, kFile);
    store.OpenKey(nullptr, u"Mine");
    store.SetValue(u"new", u"mem");
    store.DeleteValue(u"old");
    EXPECT_EQ(store.DeleteValue(u"unloaded"), E_FAIL) << "not in memory, yet the deletion counts";
    store.DeleteKey(nullptr, u"Gone");
    EXPECT_EQ(store.DeleteKey(nullptr, u"Reset"), E_FAIL);
    store.OpenKey(nullptr, u"Gone");  // made again: its former values go
    store.SetValue(u"new", u"g");
    // Meanwhile another program rewrites the file: it adds values and sections, and drops some.
    WriteFileText(
        u"\r\n[Mine]\r\n\"keep\"=\"disk2\"\r\n\"old\"=\"x\"\r\n\"added\"=\"there\"\r\n\"unloaded\"=\"u\"\r\n\r\n"
        u"[Theirs]\r\n\"t\"=\"2\"\r\n[Gone]\r\n\"g\"=\"2\"\r\n[Reset]\r\n\"r\"=\"1\"\r\n[Later]\r\n\"l\"=\"1\"\r\n");
    EXPECT_EQ(store.SaveINIFile(1), 0);
    EXPECT_EQ(FileText(),
              "\r\n[Mine]\r\n\"keep\"=\"disk2\"\r\n\"added\"=\"there\"\r\n\"new\"=\"mem\"\r\n\r\n"
              "[Theirs]\r\n\"t\"=\"2\"\r\n\r\n[Later]\r\n\"l\"=\"1\"\r\n\r\n[Gone]\r\n\"new\"=\"g\"\r\n\r\n");
    store.OpenKey(nullptr, u"Theirs");
    EXPECT_EQ(Text(store, u"t"), u"2");
}

TEST_F(TextStore, OpenSectionsAreFoundAgainWhenSectionsMoveAndChangeMarksLastUntilTheFileIsWritten)
{
    CRegistry a(REGISTRY_TYPE_FILE, kFile);
    CRegistry b(REGISTRY_TYPE_FILE, kFile);
    a.OpenKey(nullptr, u"First");
    a.SetValue(u"x", 1ul);
    b.OpenKey(nullptr, u"Second");
    b.SetValue(u"y", 2ul);
    a.DeleteKey(nullptr, u"First");
    EXPECT_EQ(Number(b, u"y"), "2");
    EXPECT_EQ(b.KeyRef(), 0);
    EXPECT_EQ(a.SetValue(u"x", 1ul), E_FAIL) << "the deleted section is not silently re-created";

    CRegistry store(REGISTRY_TYPE_FILE, kFile);
    store.OpenKey(HKEY_CURRENT_USER, kKestrel);
    EXPECT_EQ(store.Updated(HKEY_CURRENT_USER, kKestrel), 0);
    store.SetValue(u"a", 1ul);
    EXPECT_EQ(store.Updated(HKEY_CURRENT_USER, kKestrel), 1);
    EXPECT_EQ(store.QueryValueUpdated(u"a"), 1);
    EXPECT_EQ(store.QueryValueUpdated(u"b"), 0);
    EXPECT_EQ(store.FlushKey(), 0);
    EXPECT_EQ(store.Updated(HKEY_CURRENT_USER, kKestrel), 0);
    EXPECT_EQ(store.QueryValueUpdated(u"a"), 0);
    EXPECT_EQ(Number(store, u"a"), "1") << "the open key survives a save";
}

TEST_F(TextStore, AFailedWriteKeepsTheChangesForTheNextSave)
{
    CRegistry store(REGISTRY_TYPE_FILE, kFile);
    store.OpenKey(nullptr, u"S");
    store.SetValue(u"a", 1ul);
    // A folder where the file should be makes the write fail.
    std::filesystem::create_directories(Host(kHostFile) + "/blocker");
    EXPECT_EQ(store.SaveINIFile(1), E_FAIL);
    EXPECT_EQ(store.QueryValueUpdated(u"a"), 1);
    std::filesystem::remove_all(Host(kHostFile));
    EXPECT_EQ(store.SaveINIFile(0), 0);
    EXPECT_EQ(FileText(), "\r\n[S]\r\n\"a\"=dword:00000001\r\n\r\n");
    // A section the file already holds stays marked when merged with it.
    store.SetValue(u"b", 2ul);
    std::filesystem::create_directories(Host(kHostFile) + ".saving/blocker");
    EXPECT_EQ(store.SaveINIFile(1), E_FAIL);
    EXPECT_EQ(store.Updated(nullptr, u"S"), 1);
    std::filesystem::remove_all(Host(kHostFile) + ".saving");
    CRegistry missing(REGISTRY_TYPE_FILE, u"\\Nowhere\\Deep\\s.txt");
    EXPECT_EQ(missing.SubKeyCount(), 0);
    EXPECT_TRUE(std::filesystem::is_directory(Host("Nowhere/Deep"))) << "the folders are made at once";
    EXPECT_EQ(CRegistry(REGISTRY_TYPE_FILE).SetRegistryType(REGISTRY_TYPE_FILE, nullptr, 1), E_INVALIDARG);
}

// ---- The data directory ---------------------------------------------------

TEST_F(TextStore, TheDefaultFileLivesInTheDataDirectoryARegisteredOneWhileItExists)
{
    {
        CRegistry store;
        EXPECT_EQ(std::u16string(store.INIFileName()), u"\\Application Data\\Corvid\\Settings.txt");
        store.OpenKey(HKEY_CURRENT_USER, kKestrel);
        store.SetValue(u"v", 1ul);
    }
    EXPECT_TRUE(std::filesystem::exists(Host("Application Data/Corvid/Settings.txt")));
    CRegistry registry(REGISTRY_TYPE_REGISTRY);
    ASSERT_EQ(registry.OpenKey(HKEY_CURRENT_USER, kKestrel), 0);
    EXPECT_EQ(Text(registry, u"Corvid_Folder"), u"\\Application Data");
    CreateDirectoryW(u"\\Elsewhere", nullptr);
    {
        CRegistry registry(REGISTRY_TYPE_REGISTRY);
        registry.OpenKey(HKEY_CURRENT_USER, kKestrel);
        registry.SetValue(u"Corvid_Folder", u"\\Elsewhere");
    }
    InitCorvidDirectory();
    EXPECT_EQ(std::u16string(GetCorvidDirectory()), u"\\Application Data") << "a filled directory is kept";
    FreeCorvidDirectory();
    InitCorvidDirectory();
    EXPECT_EQ(std::u16string(GetCorvidDirectory()), u"\\Elsewhere");
    EXPECT_EQ(ResolveSettingsPath(u"%s\\Corvid\\x.reg"), u"\\Elsewhere\\Corvid\\x.reg");
    EXPECT_EQ(ResolveSettingsPath(u"\\Plain\\x.reg"), u"\\Plain\\x.reg");
    RemoveDirectoryW(u"\\Elsewhere");
    FreeCorvidDirectory();
    EXPECT_EQ(std::u16string(GetCorvidDirectory()), u"\\Application Data") << "a vanished folder is not used";
}

// ---- Registry mode --------------------------------------------------------

class RegistryStore : public SettingsSandbox {};

TEST_F(RegistryStore, ValuesKeysAndErrorsAsThePlatformCodesNegated)
{
    CRegistry store(REGISTRY_TYPE_REGISTRY);
    EXPECT_EQ(store.RegistryType(), REGISTRY_TYPE_REGISTRY);
    WCHAR buffer[8];
    for (LONG noKey : {store.QueryValue(u"s", buffer, 8), store.SetValue(u"n", 1ul), store.DeleteValue(u"n"),
                       store.ValueCount(), store.SubKeyName(0, buffer, 8)})
        EXPECT_EQ(noKey, E_FAIL) << "no open key";
    EXPECT_EQ(store.Exists(HKEY_CURRENT_USER, u"Software\\Nothing"), 0);
    EXPECT_EQ(store.DeleteKey(HKEY_CURRENT_USER, u"Software\\Nothing"), -static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    ASSERT_EQ(store.OpenKey(HKEY_CURRENT_USER, u"Software\\Corvid\\Kestrel\\TV"), 0);
    EXPECT_EQ(store.SetValue(u"n", 42ul), 0);
    EXPECT_EQ(store.SetValue(u"s", u"text"), 0);
    BYTE blob[3] = {1, 2, 3};
    EXPECT_EQ(store.SetBinValue(u"b", blob, 3), 0);
    BYTE back[3] = {};
    EXPECT_EQ(store.QueryBinValue(u"b", back, 3), 0);
    EXPECT_EQ(back[2], 3);
    EXPECT_EQ(Number(store, u"n"), "42");
    EXPECT_EQ(Number(store, u"Missing"), "<error -2>") << "the platform's codes negated";
    EXPECT_EQ(Text(store, u"s"), u"text");
    EXPECT_EQ(Text(store, u"s", 4), u"<error -234>");
    EXPECT_EQ(store.ValueCount(), 3);
    WCHAR name[10];
    EXPECT_EQ(store.ValueName(3, name, 10), static_cast<LONG>(ERROR_NO_MORE_ITEMS));
    EXPECT_EQ(store.FlushKey(), 0);

    ASSERT_EQ(store.OpenKey(HKEY_CURRENT_USER, kKestrel), 0);
    EXPECT_EQ(store.SubKeyCount(), 1);
    EXPECT_EQ(store.SubKeyName(0, name, 10), 0);
    EXPECT_EQ(std::u16string(name), u"TV");
    EXPECT_EQ(store.SubKeyName(1, name, 10), static_cast<LONG>(ERROR_NO_MORE_ITEMS));
    EXPECT_EQ(store.Updated(HKEY_CURRENT_USER, kKestrel), 0);
}

TEST_F(RegistryStore, PlainFunctionsRoundTripAndGiveTheirErrors)
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

// ---- Import, export and append --------------------------------------------

TEST_F(RegistryStore, ImportAndExportBetweenFileAndRegistry)
{
    MakeHostFile("In/s.txt",
                 Utf16File(u"[HKEY_CURRENT_USER\\Software\\Corvid\\Kestrel\\CV]\r\n\"n\"=dword:10\r\n"
                           u"\"s\"=\"hello\"\r\n@=\"dflt\"\r\n[HKEY_LOCAL_MACHINE\\Other]\r\n\"x\"=\"y\"\r\n"));
    EXPECT_EQ(CRegistry::ImportINIFile(u"\\In\\s.txt"), 0);
    CRegistry registry(REGISTRY_TYPE_REGISTRY);
    ASSERT_EQ(registry.Exists(HKEY_CURRENT_USER, u"Software\\Corvid\\Kestrel\\CV"), 1);
    EXPECT_EQ(Number(registry, u"n"), "16");
    EXPECT_EQ(Text(registry, u""), u"dflt") << "@ is the key's default value";
    EXPECT_EQ(registry.Exists(HKEY_LOCAL_MACHINE, u"Other"), 1);

    registry.OpenKey(HKEY_CURRENT_USER, u"Software\\Corvid\\Kestrel\\CV\\Deeper");
    registry.SetValue(u"d", 1ul);
    registry.OpenKey(HKEY_CURRENT_USER, u"Software\\CorvidOld");
    registry.SetValue(u"o", 1ul);
    registry.CloseKey();
    // ExportINIFile takes every key whose name begins with the key's, ExportRegistry the key's tree alone.
    EXPECT_EQ(registry.ExportINIFile(HKEY_CURRENT_USER, u"Software\\Corvid", u"\\Out\\e.txt", nullptr), 0);
    EXPECT_EQ(CRegistry::ExportRegistry(HKEY_CURRENT_USER, u"Software\\Corvid", u"\\Out\\r.txt", nullptr), 0);
    for (auto [file, namesakes] : {std::pair{u"\\Out\\e.txt", 1}, std::pair{u"\\Out\\r.txt", 0}}) {
        CRegistry exported(REGISTRY_TYPE_FILE, file);
        ASSERT_EQ(exported.Exists(HKEY_CURRENT_USER, u"Software\\Corvid\\Kestrel\\CV"), 1);
        EXPECT_EQ(Text(exported, u"@"), u"dflt");
        EXPECT_EQ(exported.Exists(HKEY_CURRENT_USER, u"Software\\Corvid\\Kestrel\\CV\\Deeper"), 1);
        EXPECT_EQ(exported.Exists(HKEY_LOCAL_MACHINE, u"Other"), 0);
        EXPECT_EQ(exported.Exists(HKEY_CURRENT_USER, u"Software\\CorvidOld"), namesakes);
    }
}

TEST_F(TextStore, ExportAndAppendBetweenFiles)
{
    {
        CRegistry source(REGISTRY_TYPE_FILE, kFile);
        source.OpenKey(HKEY_CURRENT_USER, u"Software\\Corvid\\Kestrel\\TV");
        source.SetValue(u"a", 1ul);
        source.OpenKey(HKEY_CURRENT_USER, u"Software\\Corvid\\Kestrel\\TV\\GroupState");
        source.SetValue(u"b", u"two");
        source.OpenKey(HKEY_CURRENT_USER, u"Software\\Other");
        source.SetValue(u"c", 3ul);
        EXPECT_EQ(source.ExportINIFile(HKEY_CURRENT_USER, u"Software\\Corvid", u"\\Out\\tv.txt", nullptr), 0);
    }
    CRegistry target(REGISTRY_TYPE_FILE, u"\\Out\\merged.txt");
    EXPECT_EQ(target.AppendINIFile(u"\\Out\\tv.txt", u"Kestrel", u"Merlin"), 0);
    EXPECT_EQ(target.Exists(HKEY_CURRENT_USER, u"Software\\Corvid\\Merlin\\TV\\GroupState"), 1);
    EXPECT_EQ(Text(target, u"b"), u"two");
    EXPECT_EQ(target.Exists(HKEY_CURRENT_USER, u"Software\\Other"), 0) << "outside the exported key";
    EXPECT_EQ(target.SubKeyCount(), 2);
}

}  // namespace
