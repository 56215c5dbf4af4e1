// Loading and saving a settings file of 10,000 values in 500 sections, against
// reading and writing the same bytes with plain POSIX calls.
//
// The file lives in a private data directory (KSTOOLS_HOME) made for the run.
// A save of the store re-reads the file, merges, and writes it durably (new
// file, fsync, rename, fsync of the folder); its peer writes the same bytes
// the same way in plain POSIX calls. The peers that overwrite in place, with
// and without fsync, are measured for information only.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_home.h"
#include "platform/files/data_directory.h"
#include "platform/files/durable_file.h"
#include "storage/c_registry.h"
#include "storage/ini_file.h"

namespace {

constexpr int kSections = 500;
constexpr int kValuesPerSection = 20;
constexpr const WCHAR* kDevicePath = u"\\Corvid\\Settings.txt";

const char16_t* const kViews[] = {
    u"TV",    u"SV",    u"CV",       u"AV", u"CAV\\TLV", u"NV\\FolderState", u"Colors\\Categories",
    u"Fonts", u"Menus", u"DayColors"};
const char16_t* const kTexts[] = {u"Tahoma,8,400,0", u"\\My Documents\\Notes\\Business\\Quarterly review.pwi",
                                  u"Subject;Due date;Priority;Categories", u"#FFE0C0", u"Work, Personal, Holiday"};

std::u16string Number(int n)
{
    std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
}

// The data directory, the device path of the file and its host path; the
// file is written once, the first time it is asked for.
struct BenchFile {
    benchpeer::BenchHome home;
    std::string hostPath;

    BenchFile()
    {
        hostPath = platform::DeviceRootDirectory() + "/Corvid/Settings.txt";
        CRegistry store(REGISTRY_TYPE_FILE, kDevicePath, 0);
        for (int s = 0; s < kSections; ++s) {
            std::u16string subkey = u"Software\\Corvid\\Kestrel\\";
            subkey += kViews[s % 10];
            subkey += u"\\Col" + Number(s);
            store.OpenKey(HKEY_CURRENT_USER, subkey.c_str());
            for (int v = 0; v < kValuesPerSection; ++v) {
                std::u16string name = (v % 2 ? u"Width" : u"Caption") + Number(v);
                if (v % 2) {
                    store.SetValue(name.c_str(), static_cast<ULONG>(s * 37 + v));
                } else {
                    store.SetValue(name.c_str(), kTexts[(s + v) % 5]);
                }
            }
        }
        if (store.SaveINIFile(1) != 0) std::abort();
        CRegistry::INIFile written(kDevicePath);
        written.Load();
        size_t values = 0;
        for (size_t i = 0; i < written.SectionCount(); ++i) values += written.SectionAt(i).ValueCount();
        if (written.SectionCount() != kSections || values != kSections * kValuesPerSection) std::abort();
    }
};

BenchFile& File()
{
    static BenchFile file;
    return file;
}

std::string ReadAll(const std::string& path)
{
    std::string bytes;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) std::abort();
    struct stat info {};
    fstat(fd, &info);
    bytes.resize(static_cast<size_t>(info.st_size));
    size_t got = 0;
    while (got < bytes.size()) {
        ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    close(fd);
    bytes.resize(got);
    return bytes;
}

void WriteAll(const std::string& path, const std::string& bytes, bool sync)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) std::abort();
    size_t put = 0;
    while (put < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + put, bytes.size() - put);
        if (n <= 0) std::abort();
        put += static_cast<size_t>(n);
    }
    if (sync) fsync(fd);
    close(fd);
}

// What the store does when a file is first attached: a private copy loads it.
void BM_SettingsLoad_Ours(benchmark::State& state)
{
    File();
    for (auto _ : state) {
        CRegistry store(REGISTRY_TYPE_FILE, kDevicePath, 0);
        benchmark::DoNotOptimize(store.SubKeyCount());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(ReadAll(File().hostPath).size()));
}
BENCHMARK(BM_SettingsLoad_Ours)->Unit(benchmark::kMicrosecond);

void BM_SettingsLoad_Peer(benchmark::State& state)
{
    const std::string& path = File().hostPath;
    for (auto _ : state) {
        std::string bytes = ReadAll(path);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(ReadAll(path).size()));
}
BENCHMARK(BM_SettingsLoad_Peer)->Unit(benchmark::kMicrosecond);

// The parse alone, to tell it from the file calls around it.
void BM_SettingsParse(benchmark::State& state)
{
    std::string bytes = ReadAll(File().hostPath);
    CRegistry::INIFile file(u"\\unused.txt");
    for (auto _ : state) {
        file.Parse(bytes.data(), bytes.size());
        benchmark::DoNotOptimize(file.SectionCount());
    }
}
BENCHMARK(BM_SettingsParse)->Unit(benchmark::kMicrosecond);

// One changed value, then a forced save: reload, merge, format, durable write.
void BM_SettingsSave_Ours(benchmark::State& state)
{
    File();
    CRegistry store(REGISTRY_TYPE_FILE, kDevicePath, 0);
    store.OpenKey(HKEY_CURRENT_USER, u"Software\\Corvid\\Kestrel\\TV\\Col250");
    ULONG counter = 0;
    for (auto _ : state) {
        store.SetValue(u"Width1", ++counter);
        if (store.SaveINIFile(1) != 0) state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_SettingsSave_Ours)->Unit(benchmark::kMicrosecond);

// The whole crash-safe sequence the store's save ends with, in plain POSIX
// calls: a new file, flushed, renamed over the old one, and the folder
// flushed so that the rename lasts.
void DurableWrite(const std::string& path, const std::string& bytes)
{
    const std::string folder = path.substr(0, path.find_last_of('/'));
    WriteAll(path + ".saving", bytes, true);
    if (rename((path + ".saving").c_str(), path.c_str()) != 0) std::abort();
    int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    fsync(dir);
    close(dir);
}

// The save's peer writes the same bytes with the same durability.
void BM_SettingsSave_Peer(benchmark::State& state)
{
    std::string bytes = ReadAll(File().hostPath);
    std::string path = File().hostPath + ".peer";
    for (auto _ : state) DurableWrite(path, bytes);
}
BENCHMARK(BM_SettingsSave_Peer)->Unit(benchmark::kMicrosecond);

// For information: the same bytes overwritten in place and flushed (not
// crash safe: a crash midway leaves a torn file).
void BM_SettingsSaveInPlace_Peer(benchmark::State& state)
{
    std::string bytes = ReadAll(File().hostPath);
    std::string path = File().hostPath + ".peer";
    for (auto _ : state) WriteAll(path, bytes, true);
}
BENCHMARK(BM_SettingsSaveInPlace_Peer)->Unit(benchmark::kMicrosecond);

// The durable write alone, against the platform's.
void BM_SettingsDurableWrite_Peer(benchmark::State& state)
{
    std::string bytes = ReadAll(File().hostPath);
    std::string path = File().hostPath + ".peer";
    for (auto _ : state) DurableWrite(path, bytes);
}
BENCHMARK(BM_SettingsDurableWrite_Peer)->Unit(benchmark::kMicrosecond);

// That sequence through the platform's durable write, the save's last step.
void BM_SettingsDurableWrite_Ours(benchmark::State& state)
{
    std::string bytes = ReadAll(File().hostPath);
    for (auto _ : state) {
        if (platform::ReplaceFileContents(u"\\Corvid\\Replace.txt", bytes.data(), bytes.size()) != 0)
            state.SkipWithError("replace failed");
    }
}
BENCHMARK(BM_SettingsDurableWrite_Ours)->Unit(benchmark::kMicrosecond);

void BM_SettingsSaveNoSync_Peer(benchmark::State& state)
{
    std::string bytes = ReadAll(File().hostPath);
    std::string path = File().hostPath + ".peer";
    for (auto _ : state) WriteAll(path, bytes, false);
}
BENCHMARK(BM_SettingsSaveNoSync_Peer)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
