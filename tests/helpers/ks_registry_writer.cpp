// ks_registry_writer <key below HKEY_CURRENT_USER> <prefix> <count>: sets <prefix><n> = n for n < count,
// opening the key for each write so two writers interleave; prints "done" (exit 0) or the failing code.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/base/error_codes.h"
#include "platform/files/registry.h"
#include "platform/text/utf8.h"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: ks_registry_writer <key> <prefix> <count>\n");
        return 2;
    }
    std::u16string keyPath = Utf8ToWide(argv[1]);
    std::u16string prefix = Utf8ToWide(argv[2]);
    long count = std::strtol(argv[3], nullptr, 10);
    for (long n = 0; n < count; ++n) {
        HKEY key = nullptr;
        LONG rc =
            RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        if (rc == ERROR_SUCCESS) {
            std::u16string name = prefix + Utf8ToWide(std::to_string(n));
            auto value = static_cast<DWORD>(n);
            rc = RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
            RegCloseKey(key);
        }
        if (rc != ERROR_SUCCESS) {
            std::fprintf(stderr, "write %ld failed: %d\n", n, static_cast<int>(rc));
            return 1;
        }
    }
    std::printf("done\n");
    return 0;
}
