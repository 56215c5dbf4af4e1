// Arbitrary bytes as a text file: opening it (byte-order mark detection) and
// reading its lines in both modes must never read or write out of bounds.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "foundation/ce_file.h"
#include "platform/files/data_directory.h"
#include "platform/files/files.h"

namespace {

// One private data directory for the whole run, removed when the run ends so
// that the seed replays of every test run leave nothing behind in /tmp.
std::string g_fuzzHome;

void RemoveFuzzHome()
{
    std::error_code ignored;
    std::filesystem::remove_all(g_fuzzHome, ignored);
}

void EnsureFuzzHome()
{
    if (!g_fuzzHome.empty()) return;
    char pattern[] = "/tmp/kstools-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    g_fuzzHome = pattern;
    setenv("KSTOOLS_HOME", g_fuzzHome.c_str(), 1);
    std::atexit(RemoveFuzzHome);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    EnsureFuzzHome();
    platform::EnsureDeviceRoot();
    const WCHAR* path = u"\\fuzz.txt";
    {
        CeFile writer;
        if (!writer.Create(path, GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL, TRUE)) return 0;
        if (size) writer.Write(data, static_cast<DWORD>(size));
    }
    for (bool wide : {false, true}) {
        CeFile reader;
        if (!reader.Open(path, GENERIC_READ, 0, FALSE)) continue;
        WCHAR line[64];
        // More reads than the input can have lines: reading wraps to the first line.
        for (size_t i = 0; i < size / 8 + 4; ++i) {
            DWORD n = wide ? reader.ReadULine(line, 64) : reader.ReadLine(line, 64);
            if (n >= 64 || line[n] != 0) std::abort();
        }
    }
    return 0;
}
