// A record write, a deletion and a database creation failing or losing power at each step: the store passes
// its check and holds the old or the new state.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/base/error_codes.h"
#include "platform/kernel/handle.h"
#include "tests/platform/objectstore/cedb_test_support.h"
#include "tests/support/faulty_file_system.h"

using namespace cedbtest;

TEST_F(CedbSandbox, FaultsLeaveTheOldOrTheNewState)
{
    CEOID db = 0, record = 0;
    auto onDb = [&](auto body) {
        HANDLE handle = OpenDb(db);
        const DWORD error = handle == INVALID_HANDLE_VALUE ? GetLastError() : body(handle) ? 0 : GetLastError();
        CloseHandle(handle);
        return error;
    };
    const struct {
        std::function<DWORD()> run;
        std::string oldState, newState;  // the record's properties, and "+" when the database Second exists
    } cases[] = {
        {[&] { return onDb([&](HANDLE h) { return Write(h, record, {Str(1, u"new")}); }); }, "1/LPWSTR='old'",
         "1/LPWSTR='new'"},
        {[&] { return onDb([&](HANDLE h) { return CeDeleteRecord(h, record); }); }, "1/LPWSTR='old'", ""},
        {[] { return CreateDb(u"Second", {}) ? ERROR_SUCCESS : GetLastError(); }, "1/LPWSTR='old'", "1/LPWSTR='old'+"},
    };
    for (const auto& c : cases) {
        FaultedOperation operation;
        operation.prepare = [&] {
            platform::CloseObjectStore();
            for (const char* suffix : {"", "-wal", "-shm"})
                std::filesystem::remove(platform::ObjectStorePath() + suffix);
            db = CreateDb(u"Faults", {});
            onDb([&](HANDLE h) { return record = Write(h, 0, {Str(1, u"old")}); });
            platform::CloseObjectStore();
        };
        operation.run = c.run;
        operation.close = platform::CloseObjectStore;
        operation.state = [&] {
            std::string state = StoreProblems();
            onDb([&](HANDLE h) {
                if (Seek(h, CEDB_SEEK_CEOID, record) == record) state += Read(h).props.at(0);
                return true;
            });
            CEOID second = 0;
            HANDLE handle = CeOpenDatabaseEx(nullptr, &second, u"Second", 0, 0, nullptr);
            if (handle != INVALID_HANDLE_VALUE) state += "+", CloseHandle(handle);
            platform::CloseObjectStore();
            return state == c.oldState ? "old" : state == c.newState ? "new" : state;
        };
        operation.durable = false;  // a commit is flushed at the next checkpoint
        ExpectOldOrNewUnderEveryFault(operation, ERROR_GEN_FAILURE);
    }
}
