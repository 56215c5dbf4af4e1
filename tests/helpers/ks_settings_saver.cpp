// Works on a settings file (<path> as CRegistry takes it, "%s": the data directory) from a second process.
//   fill <path> <saves>: loads, prints "ready <pid>", then <saves> times (0: until killed) writes the next
//       generation (settings_generation.h) into every value, prints "saving", saves, "saved <gen> <us>".
//   serve <path>: per input line runs "fill <path> 0" in a forked process; "gone" once it was killed.
//   edit <path> <tag> <rounds>: each round loads a private copy, sets <tag><round> and Counter<tag> in
//       "...\Shared", Round<round> in "...\Only<tag>" (Pending<round> replacing Pending<round - 1>),
//       re-creates "...\Recreated<tag>" with Round<round> and saves; then "done". Exit 1: failure, 2: usage.
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/text/utf8.h"
#include "storage/c_registry.h"
#include "tests/helpers/settings_generation.h"

namespace {

namespace gen = settings_generation;

const std::u16string kKestrel = u"Software\\Corvid\\Kestrel\\";

int Fail(const char* what, LONG status)
{
    std::fprintf(stderr, "ks_settings_saver: %s failed (0x%lX)\n", what,
                 static_cast<unsigned long>(static_cast<ULONG>(status)));
    return 1;
}

int Fill(const std::u16string& path, long saves)
{
    CRegistry store(REGISTRY_TYPE_FILE, path.c_str());
    if (store.OpenKey(HKEY_CURRENT_USER, gen::SectionKey(0).c_str()) != 0) return Fail("OpenKey", 0);
    ULONG generation = 0;
    store.QueryValue(gen::kGenerationName, &generation);  // none yet: 0
    std::printf("ready %ld\n", static_cast<long>(getpid()));
    std::fflush(stdout);
    for (long n = 0; saves == 0 || n < saves; ++n) {
        ++generation;
        for (int s = 0; s < gen::kSections; ++s) {
            store.OpenKey(HKEY_CURRENT_USER, gen::SectionKey(s).c_str());
            for (int v = 0; v < gen::kValuesPerSection; ++v) {
                std::u16string name = gen::ValueName(v);
                LONG status = gen::IsNumber(s, v) ? store.SetValue(name.c_str(), generation)
                                                  : store.SetValue(name.c_str(), gen::Text(generation, s, v).c_str());
                if (status != 0) return Fail("SetValue", status);
            }
        }
        store.OpenKey(HKEY_CURRENT_USER, gen::SectionKey(0).c_str());
        store.SetValue(gen::kGenerationName, generation);
        std::printf("saving\n");
        std::fflush(stdout);
        auto start = std::chrono::steady_clock::now();
        LONG status = store.SaveINIFile(1);
        if (status != 0) return Fail("SaveINIFile", status);
        auto micros =
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
        std::printf("saved %lu %lld\n", static_cast<unsigned long>(generation), static_cast<long long>(micros));
        std::fflush(stdout);
    }
    return 0;
}

int Serve(const std::u16string& path)
{
    const pid_t server = getpid();
    char line[64];
    while (std::fgets(line, sizeof line, stdin)) {
        std::fflush(stdout);  // nothing buffered may be printed twice
        pid_t child = fork();
        if (child < 0) return Fail("fork", static_cast<LONG>(errno));
        if (child == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != server) _exit(1);  // the server died already
            _exit(Fill(path, 0));
        }
        int status = 0;
        waitpid(child, &status, 0);
        std::printf("gone\n");
        std::fflush(stdout);
    }
    return 0;
}

int Edit(const std::u16string& path, const std::u16string& tag, long rounds)
{
    for (long r = 0; r < rounds; ++r) {
        const std::u16string round = gen::Decimal(static_cast<unsigned long>(r));
        const auto number = static_cast<ULONG>(r);
        CRegistry store(REGISTRY_TYPE_FILE, path.c_str(), 0);
        LONG status = store.OpenKey(HKEY_CURRENT_USER, (kKestrel + u"Shared").c_str());
        if (status == 0) status = store.SetValue((tag + round).c_str(), number);
        if (status == 0) status = store.SetValue((u"Counter" + tag).c_str(), number);
        if (status == 0) status = store.OpenKey(HKEY_CURRENT_USER, (kKestrel + u"Only" + tag).c_str());
        if (status == 0) status = store.SetValue((u"Round" + round).c_str(), number);
        if (status == 0 && r > 0) {
            // Absent only when the last save was lost, which the test sees.
            store.DeleteValue((u"Pending" + gen::Decimal(static_cast<unsigned long>(r - 1))).c_str());
        }
        if (status == 0) status = store.SetValue((u"Pending" + round).c_str(), number);
        if (status != 0) return Fail("editing", status);
        const std::u16string recreated = kKestrel + u"Recreated" + tag;
        if (r > 0 && store.DeleteKey(HKEY_CURRENT_USER, recreated.c_str()) != 0) return Fail("DeleteKey", 0);
        status = store.OpenKey(HKEY_CURRENT_USER, recreated.c_str());
        if (status == 0) status = store.SetValue((u"Round" + round).c_str(), number);
        if (status != 0) return Fail("re-creating", status);
        status = store.SaveINIFile(1);
        if (status != 0) return Fail("SaveINIFile", status);
    }
    std::printf("done\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "fill" && argc == 4) return Fill(Utf8ToWide(argv[2]), std::strtol(argv[3], nullptr, 10));
    if (mode == "serve" && argc == 3) return Serve(Utf8ToWide(argv[2]));
    if (mode == "edit" && argc == 5) {
        return Edit(Utf8ToWide(argv[2]), Utf8ToWide(argv[3]), std::strtol(argv[4], nullptr, 10));
    }
    std::fprintf(stderr,
                 "usage: ks_settings_saver fill <path> <saves>\n"
                 "       ks_settings_saver serve <path>\n"
                 "       ks_settings_saver edit <path> <tag> <rounds>\n");
    return 2;
}
