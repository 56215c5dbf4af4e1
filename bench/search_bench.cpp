// The search over a store of 20,000 contacts, 20,000 tasks, 50,000
// appointments and 2,000 ink notes, for a two-word text found anywhere in a
// field ("blue heron": a company, a task subject, an appointment location
// and some note names hold it).
//
//   Search: Ours is CSearchThread on its worker thread, from the start of
//     the load to the sorted hits handed to the window, driven by a
//     LoaderHost. Peer: a plain SQLite LIKE scan of the same fields: one
//     table of (store, oid, the fields joined by blanks) in a separate
//     in-memory database, filled once before timing, and one
//     "SELECT ... WHERE text LIKE '%blue heron%' ORDER BY store, text".
//   SoundexPer10000Names: SoundexCode over 10,000 names (for information).
//
// Before anything is timed both are run once and must find as many hits.
// Both are timed in the steady state of a store nobody is writing to, as
// the peer's table is filled once before timing: the setup waits until the
// notes folder has been still for longer than a kept folder listing needs
// to be trusted (3 s), so the timed searches reuse the notes listing rather
// than list the folder afresh each time, as they would just after a write.
//
// The store lives in a private data directory (KSTOOLS_HOME) made for the run.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_home.h"
#include "platform/base/error_codes.h"
#include "engine/loader_host.h"
#include "engine/search_thread.h"
#include "platform/files/data_directory.h"
#include "platform/files/files.h"
#include "platform/ink/ink_note.h"
#include "platform/locale/locale_id.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/objectstore/cedb.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/utf8.h"

namespace {

constexpr int kContacts = 20000, kTasks = 20000, kAppointments = 50000, kNotes = 2000;
constexpr DWORD kLoadTimeoutMs = 600000;
const char16_t* const kWords[] = {u"Acme",    u"Blue Heron", u"Cobalt", u"Fernwood",
                                  u"Granite", u"Juniper",    u"Maple",  u"Northwind"};
const char16_t* const kNames[] = {u"Anna", u"Berg", u"Castillo", u"Dubois", u"Eriksson", u"Fischer",
                                  u"Smith", u"Smyth", u"Robert", u"Rupert", u"Tymczak", u"Honeyman"};

std::u16string Number(int n) { return Utf8ToWide(std::to_string(n)); }

struct SearchStore {
    benchpeer::BenchHome home;
    sqlite3* peer = nullptr;

    SearchStore()
    {
        platform::SetUserLocaleName("en-US");
        if (!PimDatabases::Ensure()) std::abort();
        if (sqlite3_open(":memory:", &peer) != SQLITE_OK ||
            sqlite3_exec(peer, "CREATE TABLE f(store INTEGER, oid INTEGER, text TEXT)", nullptr, nullptr, nullptr) !=
                SQLITE_OK)
            std::abort();
        sqlite3_exec(peer, "BEGIN", nullptr, nullptr, nullptr);
        Fill(kContactsDatabase, kContacts, 2, [](int i, Props& p) {
            p.Text(kContactFirstName, kNames[i % 12]);
            p.Text(kContactLastName, kNames[(i / 12) % 12] + Number(i));
            p.Text(kContactFileAs, kNames[(i / 12) % 12] + Number(i) + u", " + kNames[i % 12]);
            p.Text(kContactCompanyName, kWords[i % 8]);
            p.Text(kContactMobileTelephoneNumber, u"+1 (555) 01" + Number(i % 100));
            p.Text(kContactEmail1Address, kNames[i % 12] + Number(i) + u"@example.com");
        });
        Fill(kTasksDatabase, kTasks, 4, [](int i, Props& p) {
            p.Text(kTaskSubject, u"Call " + std::u16string(kWords[i % 8]) + u" about order " + Number(i));
        });
        Fill(kAppointmentsDatabase, kAppointments, 3, [](int i, Props& p) {
            p.Text(kAppointmentSubject, u"Meeting " + Number(i));
            p.Text(kAppointmentLocation, std::u16string(kWords[(i / 3) % 8]) + u" office");
            p.File(kAppointmentStart, 133000000000000000ULL + static_cast<unsigned long long>(i) * 36000000000ULL);
        });
        CreateDirectoryW(u"\\My Documents", nullptr);
        platform::InkNote note;
        note.text = u"a short note";
        for (int i = 0; i < kNotes; ++i) {
            const std::u16string name = std::u16string(kWords[i % 8]) + u" " + Number(i) + u".pwi";
            const std::u16string path = u"\\My Documents\\" + name;
            if (platform::WriteInkFile(path.c_str(), note) != ERROR_SUCCESS) std::abort();
            AddPeerRow(5, static_cast<DWORD>(i), name);
        }
        sqlite3_exec(peer, "COMMIT", nullptr, nullptr, nullptr);
        std::this_thread::sleep_for(std::chrono::milliseconds(3500));
    }
    ~SearchStore() { sqlite3_close(peer); }

    struct Props {
        std::vector<CEPROPVAL> props;
        std::vector<std::u16string> texts;
        std::u16string joined;
        void Text(CEPROPID id, const std::u16string& text)
        {
            texts.push_back(text);
            joined += u" " + text;
            props.push_back(CEPROPVAL{});
            props.back().propid = id;
        }
        void File(CEPROPID id, unsigned long long units)
        {
            props.push_back(CEPROPVAL{});
            props.back().propid = id;
            props.back().val.filetime = FILETIME{static_cast<DWORD>(units), static_cast<DWORD>(units >> 32)};
        }
    };

    template <class Make>
    void Fill(const WCHAR* name, int count, int store, Make make)
    {
        CEOID oid = PimDatabases::Oid(name);
        HANDLE db = CeOpenDatabaseEx(nullptr, &oid, nullptr, 0, 0, nullptr);
        if (db == INVALID_HANDLE_VALUE) std::abort();
        for (int i = 0; i < count; ++i) {
            Props p;
            make(i, p);
            size_t t = 0;
            for (CEPROPVAL& v : p.props)
                if (TypeFromPropID(v.propid) == CEVT_LPWSTR) v.val.lpwstr = p.texts[t++].data();
            const CEOID record = CeWriteRecordProps(db, 0, static_cast<WORD>(p.props.size()), p.props.data());
            if (!record) std::abort();
            AddPeerRow(store, record, p.joined);
        }
        CloseHandle(db);
    }

    void AddPeerRow(int store, DWORD oid, const std::u16string& text)
    {
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(peer, "INSERT INTO f VALUES (?1, ?2, ?3)", -1, &insert, nullptr);
        const std::string utf8 = WideToUtf8(text);
        sqlite3_bind_int(insert, 1, store);
        sqlite3_bind_int64(insert, 2, oid);
        sqlite3_bind_text(insert, 3, utf8.c_str(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(insert) != SQLITE_DONE) std::abort();
        sqlite3_finalize(insert);
    }
};

SearchStore& Store()
{
    static SearchStore store;
    return store;
}

int SearchOurs(LoaderHost& host)
{
    CSearchThread search;
    _KSSEARCH p;
    p.contacts = p.tasks = p.calendar = p.notes = 1;
    p.searchText = const_cast<WCHAR*>(u"blue heron");
    if (!search.SetParams(&p)) std::abort();
    search.SetNotifyWindow(host.Window());
    if (!host.Run(search, kLoadTimeoutMs)) std::abort();
    return search.GetDataList().GetCount();
}

// Not inlined, so that a profile can count this call alone.
[[gnu::noinline]] int SearchPeer()
{
    sqlite3_stmt* query = nullptr;
    sqlite3_prepare_v2(Store().peer, "SELECT store, oid FROM f WHERE text LIKE '%blue heron%' ORDER BY store, text",
                       -1, &query, nullptr);
    int hits = 0;
    while (sqlite3_step(query) == SQLITE_ROW) ++hits;
    sqlite3_finalize(query);
    return hits;
}

void CheckAgree()
{
    static const bool checked = [] {
        LoaderHost host;
        const int ours = SearchOurs(host), peer = SearchPeer();
        if (ours != peer || ours == 0) {
            std::fprintf(stderr, "search: ours %d hits, peer %d\n", ours, peer);
            std::abort();
        }
        return true;
    }();
    (void)checked;
}

void BM_Search_Ours(benchmark::State& state)
{
    Store();
    CheckAgree();
    LoaderHost host;
    for (auto _ : state) benchmark::DoNotOptimize(SearchOurs(host));
}
BENCHMARK(BM_Search_Ours)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Search_Peer(benchmark::State& state)
{
    Store();
    CheckAgree();
    for (auto _ : state) benchmark::DoNotOptimize(SearchPeer());
}
BENCHMARK(BM_Search_Peer)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SoundexPer10000Names(benchmark::State& state)
{
    std::vector<std::u16string> names;
    for (int i = 0; i < 10000; ++i) names.push_back(std::u16string(kNames[i % 12]) + kNames[(i / 12) % 12]);
    WCHAR code[kSoundexChars];
    for (auto _ : state)
        for (const auto& name : names) benchmark::DoNotOptimize(SoundexCode(name.c_str(), code));
}
BENCHMARK(BM_SoundexPer10000Names)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
