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

#include "platform/objectstore/cedb.h"
#include "platform/kernel/handle.h"
#include "platform/base/local_memory.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/objectmodel/pocket_outlook.h"
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

struct Bstr {
    explicit Bstr(const char16_t* text) : value(SysAllocString(text)) {}
    ~Bstr() { SysFreeString(value); }
    BSTR value;
};

void Check(benchmark::State& state, HRESULT hr)
{
    if (FAILED(hr)) state.SkipWithError("the object model refused a call");
}

// Appointment i: every fifth recurs weekly for ten weeks, its second
// occurrence moved by an hour and its fourth deleted.
void CreateAppointment(benchmark::State& state, COutlook& outlook, int i)
{
    IDispatch* created = nullptr;
    Check(state, outlook.CreateItem(olAppointmentItem, &created));
    if (!created) return;
    IAppointment* item = nullptr;
    created->QueryInterface(IID_IAppointment, reinterpret_cast<void**>(&item));
    created->Release();
    const DATE start = kFirstDay + i % 365 + (8 + i % 10) / 24.0;
    Check(state, item->put_Subject(Bstr(kSubjects[i % 8]).value));
    Check(state, item->put_Location(Bstr(kLocations[i % 4]).value));
    Check(state, item->put_Start(start));
    Check(state, item->put_Duration(30 + 15 * (i % 4)));
    if (i % 3 == 0) Check(state, item->put_Categories(Bstr(u"Business").value));
    if (i % 4 == 0) {
        Check(state, item->put_ReminderSet(VARIANT_TRUE));
        Check(state, item->put_ReminderMinutesBeforeStart(15));
    }
    IRecurrencePattern* pattern = nullptr;
    const bool recurring = i % 5 == 0;
    if (recurring) {
        Check(state, item->GetRecurrencePattern(&pattern));
        Check(state, pattern->put_RecurrenceType(olRecursWeekly));
        Check(state, pattern->put_Occurrences(10));
    }
    Check(state, item->Save());
    if (recurring) {
        IAppointment* occurrence = nullptr;
        Check(state, pattern->GetOccurrence(start + 7, &occurrence));
        Check(state, occurrence->put_Start(start + 7 + 1 / 24.0));
        Check(state, occurrence->Save());
        occurrence->Release();
        Check(state, pattern->GetOccurrence(start + 21, &occurrence));
        Check(state, occurrence->Delete());
        occurrence->Release();
        pattern->Release();
    }
    item->Release();
}

// The records of the appointments database, each in its own block as the
// engine hands it out (the property values point into the block).
struct CapturedRecord {
    LPBYTE block = nullptr;
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
        if (!CeReadRecordProps(h, CEDB_ALLOWREALLOC, &record.count, nullptr, &record.block, &size)) break;
        records.push_back(record);
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
            if (!CeWriteRecordProps(h, 0, record.count, reinterpret_cast<CEPROPVAL*>(record.block)))
                state.SkipWithError("a record was not written");
        }
        CloseHandle(h);
    }
    state.SetItemsProcessed(state.iterations() * kAppointments);
}
BENCHMARK(BM_CreateAppointments_Peer)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
