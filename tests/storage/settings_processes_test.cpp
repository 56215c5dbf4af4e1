// Several processes on one settings file: a killed saver leaves one whole save; savers keep each other's changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "storage/ini_file.h"
#include "tests/helpers/settings_generation.h"
#include "tests/storage/settings_test_support.h"
#include "tests/support/child_process.h"
#include "tests/support/served_child.h"

namespace {

namespace gen = settings_generation;

const std::string kSaver = std::string(KSTOOLS_TEST_HELPER_DIR) + "/ks_settings_saver";
constexpr const char* kDevicePath = "\\Corvid\\Crash.txt";
constexpr const char* kHostPath = "Corvid/Crash.txt";

class SettingsCrash : public SettingsSandbox {
protected:
    // The generation of a file whose values all belong to it and whose bytes are the writer's; else 0.
    static unsigned long WholeGeneration(const std::string& bytes)
    {
        CRegistry::INIFile file(u"\\Corvid\\Crash.txt");
        file.Parse(bytes.data(), bytes.size());
        EXPECT_EQ(file.SectionCount(), static_cast<size_t>(gen::kSections));
        if (file.SectionCount() != static_cast<size_t>(gen::kSections)) return 0;
        const auto& first = file.SectionAt(0);
        const CRegistry::INIFile::Value* marker = first.Find(gen::kGenerationName);
        EXPECT_NE(marker, nullptr);
        if (!marker) return 0;
        const unsigned long generation = marker->number;
        int wrong = 0;
        for (int s = 0; s < gen::kSections; ++s) {
            const auto& section = file.SectionAt(static_cast<size_t>(s));
            EXPECT_EQ(section.Name(), u"HKEY_CURRENT_USER\\" + gen::SectionKey(s));
            EXPECT_EQ(section.ValueCount(), static_cast<size_t>(gen::kValuesPerSection + (s == 0 ? 1 : 0)));
            for (int v = 0; v < gen::kValuesPerSection; ++v) {
                const CRegistry::INIFile::Value* value = section.Find(gen::ValueName(v));
                bool right = value && (gen::IsNumber(s, v) ? value->kind == REG_DWORD && value->number == generation
                                                           : value->kind == REG_SZ &&
                                                                 value->text.View() == gen::Text(generation, s, v));
                wrong += right ? 0 : 1;
            }
        }
        EXPECT_EQ(wrong, 0) << "values not of generation " << generation;
        const std::string rewritten = Utf16File(file.Format().substr(1));  // the mark comes back as FF FE
        EXPECT_TRUE(rewritten == bytes) << "the file is not what the writer makes of its content";
        return wrong == 0 && rewritten == bytes ? generation : 0;
    }
    unsigned long WholeGeneration() const { return WholeGeneration(ReadHostFile(kHostPath)); }
};

TEST_F(SettingsCrash, KilledSaverLeavesOneWholeGeneration)
{
    // A first run writes generations 1 to 5 and tells how long a save takes.
    kstest::ChildResult first = kstest::RunChild({kSaver, "fill", kDevicePath, "5"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    std::vector<long> saveMicros;
    for (size_t at = first.out.find("saved "); at != std::string::npos; at = first.out.find("saved ", at + 1)) {
        size_t end = first.out.find('\n', at);
        saveMicros.push_back(std::stol(first.out.substr(first.out.rfind(' ', end) + 1)));
    }
    ASSERT_EQ(saveMicros.size(), 5u) << first.out;
    ASSERT_EQ(WholeGeneration(), 5u);
    std::sort(saveMicros.begin(), saveMicros.end());

    // Half the kills fall in an adapting window, half aim at the short write ending a save.
    double window = std::max(3000.0, static_cast<double>(saveMicros[2]) * 5 / 4);
    double aim = static_cast<double>(saveMicros[2]) / 2;
    std::mt19937 random(20240611);
    std::uniform_real_distribution<double> anywhere(0, 1);
    std::uniform_real_distribution<double> jitter(0.9, 1.1);

    const std::string temp = Host(kHostPath) + ".saving";
    unsigned long last = 5;
    int early = 0;
    int midSave = 0;
    int advanced = 0;
    constexpr int kKills = 200;
    kstest::ServedChild server({kSaver, "serve", kDevicePath});
    ASSERT_TRUE(server.Started()) << server.Error();
    ASSERT_TRUE(server.Request("go"));
    for (int i = 0; i < kKills; ++i) {
        ASSERT_TRUE(server.AwaitReady()) << "before kill " << i;
        ASSERT_EQ(server.NextLine(), "saving");
        const bool aimed = i % 2 == 1;
        const double delay = aimed ? aim * jitter(random) : window * anywhere(random);
        std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long>(delay)));
        server.KillWorker();

        const bool duringWrite = std::filesystem::exists(temp);
        if (duringWrite) std::filesystem::remove(temp);
        // The next saver loads the file while this one's leftovers are checked.
        const std::string left = ReadHostFile(kHostPath);
        if (i + 1 < kKills) {
            ASSERT_TRUE(server.Request("go")) << "after kill " << i;
        }

        const unsigned long now = WholeGeneration(left);
        ASSERT_NE(now, 0u) << "after kill " << i;
        ASSERT_GE(now, last) << "after kill " << i << ": an older save came back";
        const bool completed = now > last;
        const bool beforeWrite = !duringWrite && !completed;
        early += beforeWrite ? 1 : 0;
        midSave += duringWrite ? 1 : 0;
        advanced += completed ? 1 : 0;
        last = now;
        if (aimed) {
            aim = std::max(0.0, aim + (beforeWrite ? 1 : -1) * std::max(100.0, aim / 20));
        } else {
            window *= completed ? 0.94 : 1.03;
        }
    }
    // Every outcome must have happened, or the kills missed part of the save.
    EXPECT_GE(early, kKills / 20) << "kills before the write of a save";
    EXPECT_GE(midSave, kKills / 20) << "kills during the write of a save";
    EXPECT_GE(advanced, kKills / 20) << "kills after a completed save";
    RecordProperty("kills_during_write", midSave);
    RecordProperty("saves_completed", static_cast<int>(last - 5));
}

// A dead saver's lock file and half-written temporary file do not stop the next.
TEST_F(SettingsCrash, LeftoversOfAKilledSaverDoNotBlockTheNext)
{
    MakeHostFile(std::string(kHostPath) + ".saving", "half a file");
    MakeHostFile(std::string(kHostPath) + ".lock", "");
    kstest::ChildResult run = kstest::RunChild({kSaver, "fill", kDevicePath, "2"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(WholeGeneration(), 2u);
    EXPECT_FALSE(std::filesystem::exists(Host(kHostPath) + ".saving"));

    // And the content carries on from the file, not from the leftover.
    run = kstest::RunChild({kSaver, "fill", kDevicePath, "1"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(WholeGeneration(), 3u);
}

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
    // The numbers of a section of the default settings file, as a new process reads them.
    static std::map<std::u16string, ULONG> Numbers(const std::u16string& subkey)
    {
        CRegistry store(REGISTRY_TYPE_FILE, kDefaultSettingsFile, 0);
        std::map<std::u16string, ULONG> values;
        if (!store.Exists(HKEY_CURRENT_USER, (kKestrel + subkey).c_str())) return values;
        for (LONG i = 0; i < store.ValueCount(); ++i) {
            WCHAR name[200] = {};
            EXPECT_EQ(store.ValueName(i, name, 200), 0);
            ULONG number = 0;
            EXPECT_EQ(store.QueryValue(name, &number), 0) << "not a number";
            values[name] = number;
        }
        return values;
    }
    static bool Has(const std::map<std::u16string, ULONG>& values, const std::u16string& name, ULONG n)
    {
        return values.count(name) && values.at(name) == n;
    }
};

// A save that reloaded while the other process was between its reload and write would lose a change.
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
        // Every round's value, and only the last pending one (each round deletes the one before).
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

}  // namespace
