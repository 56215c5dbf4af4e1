// Writes records into an object-store database from a second process (several writers, killed writers).
//   write <database> <first> <count> [oid]: adds records first.. (creating the database), "acked <n> <oid>"
//       each; with an OID, writes each over that record instead.
//   bulk <database> <first> <count>: as write, all in one transaction.
//   delete <database> <n>: deletes record n, "deleted <n> <oid>".
//   drop <database>: deletes the database.
//   serve <database>: per input line "go <first>" forks a writer that prints "ready <pid>", adds n, n+1, ...
//       and after every fourth deletes the one three before ("deleted <n>") until killed; then "gone".
// Record n holds RecordValues(n) (cedb_writer_records.h), sorted on its number. Exit 1: failure, 2: usage.
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "platform/base/error_codes.h"
#include "platform/base/last_error.h"
#include "platform/objectstore/cedb.h"
#include "platform/text/utf8.h"
#include "tests/helpers/cedb_writer_records.h"

namespace {

int Fail(const char* what)
{
    std::fprintf(stderr, "ks_cedb_writer: %s failed (%u)\n", what, static_cast<unsigned>(GetLastError()));
    return 1;
}

HANDLE OpenOrCreate(const std::u16string& name)
{
    SORTORDERSPEC sort{cedb_writer::kNumberProp, 0};
    CeCreateDatabase(name.c_str(), 0, 1, &sort);  // another writer may have made it first
    CEOID oid = 0;
    return CeOpenDatabase(&oid, name.c_str(), cedb_writer::kNumberProp, 0, nullptr);
}

bool Add(HANDLE db, long n, CEOID over = 0)
{
    cedb_writer::RecordValues values(n);
    CEOID oid = CeWriteRecordProps(db, over, 3, values.props);
    if (!oid) return false;
    std::printf("acked %ld %u\n", n, oid);
    std::fflush(stdout);
    return true;
}

int Write(const std::u16string& name, long first, long count, CEOID over)
{
    HANDLE db = OpenOrCreate(name);
    if (db == INVALID_HANDLE_VALUE) return Fail("open");
    for (long n = first; n < first + count; ++n)
        if (!Add(db, n, over)) return Fail("write");
    CloseHandle(db);
    return 0;
}

int Bulk(const std::u16string& name, long first, long count)
{
    HANDLE db = OpenOrCreate(name);
    if (db == INVALID_HANDLE_VALUE) return Fail("open");
    const BOOL ok = platform::RunObjectStoreTransaction(nullptr, [&] {
        for (long n = first; n < first + count; ++n)
            if (!Add(db, n)) return false;
        return true;
    });
    CloseHandle(db);
    return ok ? 0 : Fail("bulk write");
}

int DeleteOne(const std::u16string& name, long n)
{
    HANDLE db = OpenOrCreate(name);
    if (db == INVALID_HANDLE_VALUE) return Fail("open");
    CEPROPVAL key{};
    key.propid = cedb_writer::kNumberProp;
    key.val.lVal = static_cast<LONG>(n);
    CEOID victim = CeSeekDatabase(db, CEDB_SEEK_VALUEFIRSTEQUAL, reinterpret_cast<DWORD_PTR>(&key), nullptr);
    if (!victim || !CeDeleteRecord(db, victim)) return Fail("delete");
    std::printf("deleted %ld %u\n", n, victim);
    CloseHandle(db);
    return 0;
}

int Drop(const std::u16string& name)
{
    CEOID oid = 0;
    HANDLE db = CeOpenDatabase(&oid, name.c_str(), 0, 0, nullptr);
    if (db == INVALID_HANDLE_VALUE) return Fail("open");
    CloseHandle(db);
    return CeDeleteDatabase(oid) ? 0 : Fail("drop");
}

[[noreturn]] void Loop(const std::u16string& name, long first)
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    HANDLE db = OpenOrCreate(name);
    if (db == INVALID_HANDLE_VALUE) std::_Exit(Fail("open"));
    std::printf("ready %ld\n", static_cast<long>(getpid()));
    std::fflush(stdout);
    for (long n = first;; ++n) {
        if (!Add(db, n)) std::_Exit(Fail("write"));
        if ((n - first) % 4 == 3) {
            CEPROPVAL key{};
            key.propid = cedb_writer::kNumberProp;
            key.val.lVal = static_cast<LONG>(n - 3);
            CEOID victim = CeSeekDatabase(db, CEDB_SEEK_VALUEFIRSTEQUAL, reinterpret_cast<DWORD_PTR>(&key), nullptr);
            if (!victim || !CeDeleteRecord(db, victim)) std::_Exit(Fail("delete"));
            std::printf("deleted %ld\n", n - 3);
            std::fflush(stdout);
        }
    }
}

int Serve(const std::u16string& name)
{
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line.rfind("go ", 0) != 0) continue;
        long first = std::strtol(line.c_str() + 3, nullptr, 10);
        std::fflush(stdout);
        pid_t child = fork();
        if (child < 0) return Fail("fork");
        if (child == 0) Loop(name, first);
        int status = 0;
        waitpid(child, &status, 0);
        std::printf("gone\n");
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if ((argc == 5 || argc == 6) && std::strcmp(argv[1], "write") == 0)
        return Write(Utf8ToWide(argv[2]), std::strtol(argv[3], nullptr, 10), std::strtol(argv[4], nullptr, 10),
                     argc == 6 ? static_cast<CEOID>(std::strtoul(argv[5], nullptr, 10)) : 0);
    if (argc == 5 && std::strcmp(argv[1], "bulk") == 0)
        return Bulk(Utf8ToWide(argv[2]), std::strtol(argv[3], nullptr, 10), std::strtol(argv[4], nullptr, 10));
    if (argc == 3 && std::strcmp(argv[1], "serve") == 0) return Serve(Utf8ToWide(argv[2]));
    if (argc == 3 && std::strcmp(argv[1], "drop") == 0) return Drop(Utf8ToWide(argv[2]));
    if (argc == 4 && std::strcmp(argv[1], "delete") == 0)
        return DeleteOne(Utf8ToWide(argv[2]), std::strtol(argv[3], nullptr, 10));
    std::fprintf(stderr,
                 "usage: ks_cedb_writer write <database> <first> <count> [oid] | bulk <database> <first> <count> | delete <database> <n> | drop "
                 "<database> | serve <database>\n");
    return 2;
}
