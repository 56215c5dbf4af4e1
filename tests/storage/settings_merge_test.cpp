// Several processes, and several store objects of one process, on one
// settings file: what each saves reaches the file without undoing the others.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/storage/settings_test_support.h"
#include "tests/support/child_process.h"

namespace {

const std::string kSaver = std::string(KSTOOLS_TEST_HELPER_DIR) + "/ks_settings_saver";
const std::u16string kKestrel = u"Software\\Corvid\\Kestrel\\";
// The default settings file, as the helper takes it.
const std::string kDefaultFile = "%s\\Corvid\\Settings.txt";

std::u16string Decimal(long n)
{
    std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
}

class SettingsMerge : public SettingsSandbox {
protected:
    // The names and numbers of a section of the default settings file, read
    // as a new process would read them; empty when the section is absent.
    static std::vector<std::pair<std::u16string, ULONG>> Numbers(const std::u16string& subkey)
    {
        CRegistry store(REGISTRY_TYPE_FILE, kDefaultSettingsFile, 0);
        std::vector<std::pair<std::u16string, ULONG>> values;
        if (!store.Exists(HKEY_CURRENT_USER, (kKestrel + subkey).c_str())) return values;
        for (LONG i = 0; i < store.ValueCount(); ++i) {
            WCHAR name[200] = {};
            EXPECT_EQ(store.ValueName(i, name, 200), 0);
            ULONG number = 0;
            EXPECT_EQ(store.QueryValue(name, &number), 0) << "not a number";
            values.emplace_back(name, number);
        }
        return values;
    }
    // What another process reads for the value under Software\Corvid\Kestrel.
    static std::string SeenByAnotherProcess(const std::string& subkey, const std::string& name)
    {
        return kstest::RunChild({kSaver, "get", kDefaultFile, "Software\\Corvid\\Kestrel\\" + subkey, name}).out;
    }
    static bool Has(const std::vector<std::pair<std::u16string, ULONG>>& values, const std::u16string& name, ULONG n)
    {
        for (const auto& [valueName, number] : values) {
            if (valueName == name) return number == n;
        }
        return false;
    }
};

// Two processes change the file round after round, each round a fresh load
// and a save, in different sections and in different values of one section.
// A save that reloaded the file while the other process was between its own
// reload and write would drop the other's latest change for good.
TEST_F(SettingsMerge, TwoProcessesSavingTogetherKeepEachOthersChanges)
{
    constexpr long kRounds = 100;
    kstest::ChildResult a, b;
    const std::string rounds = std::to_string(kRounds);
    std::thread first([&] { a = kstest::RunChild({kSaver, "edit", kDefaultFile, "A", rounds}); });
    std::thread second([&] { b = kstest::RunChild({kSaver, "edit", kDefaultFile, "B", rounds}); });
    first.join();
    second.join();
    ASSERT_EQ(a.exitCode, 0) << a.err;
    ASSERT_EQ(b.exitCode, 0) << b.err;

    for (std::u16string tag : {u"A", u"B"}) {
        SCOPED_TRACE(std::string(tag.begin(), tag.end()));
        // One section each: every round's value, and of the pending values
        // only the last, each round deleting the one before.
        auto only = Numbers(u"Only" + tag);
        EXPECT_EQ(only.size(), static_cast<size_t>(kRounds + 1));
        for (long r = 0; r < kRounds; ++r) EXPECT_TRUE(Has(only, u"Round" + Decimal(r), static_cast<ULONG>(r))) << r;
        EXPECT_TRUE(Has(only, u"Pending" + Decimal(kRounds - 1), static_cast<ULONG>(kRounds - 1)));

        // Deleted and created again every round: only the last round's value.
        auto recreated = Numbers(u"Recreated" + tag);
        ASSERT_EQ(recreated.size(), 1u);
        EXPECT_TRUE(Has(recreated, u"Round" + Decimal(kRounds - 1), static_cast<ULONG>(kRounds - 1)));
    }

    // The shared section: each process's values and its last counter.
    auto shared = Numbers(u"Shared");
    EXPECT_EQ(shared.size(), static_cast<size_t>(2 * (kRounds + 1)));
    for (std::u16string tag : {u"A", u"B"}) {
        for (long r = 0; r < kRounds; ++r) EXPECT_TRUE(Has(shared, tag + Decimal(r), static_cast<ULONG>(r))) << r;
        EXPECT_TRUE(Has(shared, u"Counter" + tag, static_cast<ULONG>(kRounds - 1)));
    }
}

// A process holding the file in memory saves only what it changed: sections
// it left alone, and values of a changed section it did not set, take what
// another process saved in the meantime.
TEST_F(SettingsMerge, ChangesOfAnotherProcessSurviveAStaleCopy)
{
    CRegistry seed(REGISTRY_TYPE_FILE, kDefaultSettingsFile, 0);
    seed.OpenKey(HKEY_CURRENT_USER, (kKestrel + u"TV").c_str());
    seed.SetValue(u"Sort", 1u);
    seed.SetValue(u"Font", u"Tahoma");
    seed.OpenKey(HKEY_CURRENT_USER, (kKestrel + u"CV").c_str());
    seed.SetValue(u"View", 1u);
    ASSERT_EQ(seed.SaveINIFile(1), 0);

    CRegistry stale(REGISTRY_TYPE_FILE, kDefaultSettingsFile, 0);  // loaded before the other process runs
    kstest::ChildResult other = kstest::RunChild({kSaver, "edit", kDefaultFile, "X", "1"});
    ASSERT_EQ(other.exitCode, 0) << other.err;

    stale.OpenKey(HKEY_CURRENT_USER, (kKestrel + u"TV").c_str());
    stale.SetValue(u"Sort", 2u);
    ASSERT_EQ(stale.SaveINIFile(1), 0);

    EXPECT_EQ(SeenByAnotherProcess("TV", "Sort"), "dword:2\n");
    EXPECT_EQ(SeenByAnotherProcess("TV", "Font"), "Tahoma\n");
    EXPECT_EQ(Numbers(u"OnlyX").size(), 2u);   // Round0, Pending0
    EXPECT_EQ(Numbers(u"Shared").size(), 2u);  // X0, CounterX
    EXPECT_EQ(Numbers(u"CV").size(), 1u);
}

}  // namespace
