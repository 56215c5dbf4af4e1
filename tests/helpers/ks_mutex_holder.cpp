// ks_mutex_holder <name> <milliseconds>: takes the named mutex, prints "held", holds it, releases it
// and prints "released" (a second process for the mutex tests).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/kernel/sync_objects.h"
#include "platform/kernel/tick.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: ks_mutex_holder <name> <milliseconds>\n");
        return 2;
    }
    std::u16string name;
    for (const char* p = argv[1]; *p; ++p) name += static_cast<char16_t>(static_cast<unsigned char>(*p));
    auto holdMs = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10));

    HANDLE mutex = CreateMutexW(nullptr, TRUE, name.c_str());
    if (!mutex) {
        std::fprintf(stderr, "cannot create the mutex\n");
        return 1;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS && WaitForSingleObject(mutex, INFINITE) > WAIT_ABANDONED) {
        std::fprintf(stderr, "cannot take the mutex\n");
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(holdMs);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    std::printf("released\n");
    return 0;
}
