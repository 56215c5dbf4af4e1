// Creating 10,000 appointments, one in five recurring with a moved and a
// deleted occurrence.
//
//   CreateAppointments: through the object model (COutlook::CreateItem, the
//     fields, the recurrence pattern, Save, then GetOccurrence and Save or
//     Delete for the changed occurrences). Peer: the same final records
//     written straight into "Appointments Database" with CeWriteRecordProps,
//     one write per appointment; the records are those the object model
//     wrote in a first run, read back.
//
// Each iteration starts on a fresh store in a private data directory.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/local_block.h"
#include "platform/kernel/handle.h"
#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/objectmodel/pocket_outlook.h"
#include "platform/objectstore/cedb.h"
#include "platform/text/owned_bstr.h"
#include "storage/c_outlook.h"

namespace {

constexpr int kAppointments = 10000;
constexpr DATE kFirstDay = 46000.0;  // 9 December 2025

const char16_t* const kSubjects[] = {u"Budget review", u"Dentist",       u"Lunch with Sam", u"Sprint planning",
                                     u"Yoga class",    u"Customer call", u"Haircut",        u"Team meeting"};
const char16_t* const kLocations[] = {u"Room 4B", u"Main office", u"Café Rio", u"Online"};

// A fresh, empty data directory for the object store.
// The previous one is removed, so a run leaves at most one behind.
void FreshStore()
{
    static std::string previous;
    platform::CloseObjectStore();
    if (!previous.empty()) std::filesystem::remove_all(previous);
    char pattern[] = "/tmp/kstools-outlook-bench-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    previous = pattern;
    setenv("KSTOOLS_HOME", pattern, 1);
}

void Check(benchmark::State& state, HRESULT hr)
{
    if (FAILED(hr)) state.SkipWithError("the object model refused a call");
}

// Appointment i: every fifth recurs weekly for ten weeks, its second
// occurrence moved by an hour and its fourth deleted.
void CreateAppointment(benchmark::State& state, COutlook& outlook, int i)
{
    platform::ComRef<IDispatch> created;
    Check(state, outlook.CreateItem(olAppointmentItem, created.Put()));
    if (!created) return;
    const auto item = platform::ComRef<IAppointment>::Query(created.Get());
    created.Reset();
    const DATE start = kFirstDay + i % 365 + (8 + i % 10) / 24.0;
    Check(state, item->put_Subject(platform::OwnedBstr(kSubjects[i % 8])));
    Check(state, item->put_Location(platform::OwnedBstr(kLocations[i % 4])));
    Check(state, item->put_Start(start));
    Check(state, item->put_Duration(30 + 15 * (i % 4)));
    if (i % 3 == 0) Check(state, item->put_Categories(platform::OwnedBstr(u"Business")));
    if (i % 4 == 0) {
        Check(state, item->put_ReminderSet(VARIANT_TRUE));
        Check(state, item->put_ReminderMinutesBeforeStart(15));
    }
    platform::ComRef<IRecurrencePattern> pattern;
    const bool recurring = i % 5 == 0;
    if (recurring) {
        Check(state, item->GetRecurrencePattern(pattern.Put()));
        Check(state, pattern->put_RecurrenceType(olRecursWeekly));
        Check(state, pattern->put_Occurrences(10));
    }
    Check(state, item->Save());
    if (recurring) {
        platform::ComRef<IAppointment> occurrence;
        Check(state, pattern->GetOccurrence(start + 7, occurrence.Put()));
        Check(state, occurrence->put_Start(start + 7 + 1 / 24.0));
        Check(state, occurrence->Save());
        Check(state, pattern->GetOccurrence(start + 21, occurrence.Put()));
        Check(state, occurrence->Delete());
    }
}

// The records of the appointments database, each in its own block as the
// engine hands it out (the property values point into the block).
struct CapturedRecord {
    platform::LocalBlock block;
    WORD count = 0;
};

void BM_CreateAppointments_Ours(benchmark::State& state)
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    for (auto _ : state) {
        state.PauseTiming();
        FreshStore();
        COutlook outlook;
        if (!outlook.Open()) state.SkipWithError("no logon");
        state.ResumeTiming();
        for (int i = 0; i < kAppointments; ++i) CreateAppointment(state, outlook, i);
        state.PauseTiming();
        outlook.Close();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kAppointments);
    CoUninitialize();
}
BENCHMARK(BM_CreateAppointments_Ours)->Unit(benchmark::kMillisecond)->Iterations(3);

// Reads every record of the appointments database of the current store.
std::vector<CapturedRecord> ReadAll()
{
    std::vector<CapturedRecord> records;
    CEOID oid = 0;
    HANDLE h = CeOpenDatabase(&oid, kAppointmentsDatabase, 0, CEDB_AUTOINCREMENT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return records;
    for (;;) {
        CapturedRecord record;
        DWORD size = 0;
        if (!CeReadRecordProps(h, CEDB_ALLOWREALLOC, &record.count, nullptr, record.block.InOut(), &size)) break;
        records.push_back(std::move(record));
    }
    CloseHandle(h);
    return records;
}

void BM_CreateAppointments_Peer(benchmark::State& state)
{
    // The records the object model writes, made once on a store of their own.
    static const std::vector<CapturedRecord> records = [&state] {
        FreshStore();
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        std::vector<CapturedRecord> read;
        {
            COutlook outlook;
            if (outlook.Open()) {
                for (int i = 0; i < kAppointments; ++i) CreateAppointment(state, outlook, i);
                outlook.Close();
                read = ReadAll();
            }
        }
        CoUninitialize();
        return read;
    }();
    if (records.size() != static_cast<size_t>(kAppointments)) state.SkipWithError("the records were not captured");
    for (auto _ : state) {
        state.PauseTiming();
        FreshStore();
        PimDatabases::Ensure();
        state.ResumeTiming();
        CEOID oid = 0;
        HANDLE h = CeOpenDatabase(&oid, kAppointmentsDatabase, 0, 0, nullptr);
        for (const CapturedRecord& record : records) {
            if (!CeWriteRecordProps(h, 0, record.count, record.block.As<CEPROPVAL>()))
                state.SkipWithError("a record was not written");
        }
        CloseHandle(h);
    }
    state.SetItemsProcessed(state.iterations() * kAppointments);
}
BENCHMARK(BM_CreateAppointments_Peer)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
