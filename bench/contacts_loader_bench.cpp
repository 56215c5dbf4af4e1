// The contact list on 20,000 contacts.
//
//   ContactsLoad: Ours is a new CContactsThread (so its category cache is
//     empty) loading the file-as list on its worker thread, driven by a
//     LoaderHost: the cache read in one pass and sorted, then the first page
//     of 40 rows, up to the page-filled report. Peer: one plain SQLite query
//     over the same stored rows, the five cached properties (categories
//     blob, file-as, given name, surname, company) decoded by hand into
//     structs, and std::sort by file-as with an ICU collator set up as the
//     list's strict order is (identical strength, normalisation on,
//     punctuation not ignorable).
//   TypedSearchStep: one keystroke of the typed search on the loaded cache:
//     the first entry from the previous match whose given name, surname or
//     file-as begins with the typed letters (ignoring case and accents).
//     Names are typed letter by letter; each step starts where the last one
//     matched. TypedSearchMiss: a text no name begins with, so the step
//     tries every entry (the worst case).
//   PeakMemory_*: one load of each in isolation, in KiB per 1,000 contacts:
//     how far the resident set grew (VmHWM after resetting it; memory freed
//     by earlier cases is reused, so this can stay low), and what the
//     allocator held (every arena, mallinfo2) with the result in hand.
//
// Before anything is timed, the cache order is checked against the peer's.
// The store lives in a private data directory (KSTOOLS_HOME) made for the run.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sqlite3.h>
#include <unicode/coll.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_home.h"
#include "bench/process_memory.h"
#include "bench/stored_record_walk.h"
#include "categories/category_records.h"
#include "engine/contacts_thread.h"
#include "engine/loader_host.h"
#include "platform/base/error_codes.h"
#include "platform/files/data_directory.h"
#include "platform/locale/locale_id.h"
#include "platform/objectmodel/pim_databases.h"
#include "platform/objectstore/cedb.h"
#include "platform/objectstore/store_schema.h"
#include "platform/text/utf8.h"

namespace {

constexpr int kContacts = 20000;
constexpr DWORD kLoadTimeoutMs = 120000;

const char16_t* const kGiven[] = {u"Anna",  u"Émile",  u"bruno", u"Chloé", u"David", u"Erik",  u"Fatima", u"Greta",
                                  u"Hiro",  u"Ingrid", u"Jonas", u"Karin", u"Lars",  u"Maria", u"Noor",   u"Olga",
                                  u"Pablo", u"Quinn",  u"Rosa",  u"Sven",  u"Tomás", u"Ulla",  u"Vera",   u"Wim"};
const char16_t* const kSurnames[] = {u"Andersson", u"Berg",   u"Castillo", u"Dubois", u"Eriksson", u"Fischer",
                                     u"García",    u"Hansen", u"Ivanov",   u"Jensen", u"Kowalski", u"Larsen",
                                     u"Müller",    u"Nagy",   u"O'Brien",  u"Petrov", u"Quist",    u"Rossi",
                                     u"Schmidt",   u"Tanaka", u"Ünal",     u"Varga",  u"Weber",    u"Young"};
const char16_t* const kCompanies[] = {u"Acme",    u"Blue Heron", u"Cobalt", u"Fernwood",
                                      u"Granite", u"Juniper",    u"Maple",  u"Northwind"};

std::u16string Number(int n) { return Utf8ToWide(std::to_string(n)); }

struct ContactStore {
    benchpeer::BenchHome home;
    CEOID contactsDb = 0;

    ContactStore()
    {
        platform::SetUserLocaleName("en-US");
        if (!PimDatabases::Ensure()) std::abort();
        contactsDb = PimDatabases::Oid(kContactsDatabase);
        for (const char16_t* name : {u"Business", u"Family", u"Personal"}) {
            if (AddCategoryRecord(name) != ERROR_SUCCESS) std::abort();
        }
        CEOID oid = contactsDb;
        HANDLE db = CeOpenDatabaseEx(nullptr, &oid, nullptr, 0, 0, nullptr);
        if (db == INVALID_HANDLE_VALUE) std::abort();
        for (int i = 0; i < kContacts; ++i) {
            std::u16string given = kGiven[i % 24], surname = kSurnames[(i / 24) % 24];
            if (i >= 576) surname += u" " + Number(i / 576);
            std::u16string fileAs = surname + u", " + given, company = kCompanies[i % 8];
            std::u16string phone = u"+1 (555) 01" + Number(i % 100), email = given + u"@example.com";
            const BYTE blob[4] = {static_cast<BYTE>(1u << (i % 3)), 0, 0, 0};
            std::vector<CEPROPVAL> p;
            auto add = [&](CEPROPID id) -> CEVALUNION& {
                p.push_back(CEPROPVAL{});
                p.back().propid = id;
                return p.back().val;
            };
            add(kContactFirstName).lpwstr = given.data();
            add(kContactLastName).lpwstr = surname.data();
            add(kContactFileAs).lpwstr = fileAs.data();
            if (i % 3 != 0) add(kContactCompanyName).lpwstr = company.data();
            add(kContactMobileTelephoneNumber).lpwstr = phone.data();
            add(kContactEmail1Address).lpwstr = email.data();
            if (i % 5 != 0) add(kItemCategories).blob = {sizeof blob, const_cast<BYTE*>(blob)};
            if (!CeWriteRecordProps(db, 0, static_cast<WORD>(p.size()), p.data())) std::abort();
        }
        CloseHandle(db);
    }
};

ContactStore& Store()
{
    static ContactStore store;
    return store;
}

// Loads the file-as list with a new loader: the cache and the first page.
std::unique_ptr<CContactsThread> LoadFirstPage(LoaderHost& host)
{
    auto loader = std::make_unique<CContactsThread>();
    loader->Settings().displayFormat = kContactsFileAs;
    loader->SetManualSettings(true);
    loader->SetNotifyWindow(host.Window());
    if (!host.Run(*loader, kLoadTimeoutMs) || loader->GetLastRowRead() != kContactsPageRows) return nullptr;
    return loader;
}

// ---- the peer ----

struct PeerContact {
    DWORD oid = 0;
    std::vector<BYTE> categories;
    std::u16string fileAs, given, surname, company;
};

class Peer {
public:
    Peer()
    {
        if (sqlite3_open_v2(platform::ObjectStorePath().c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
            sqlite3_prepare_v2(db_, "SELECT oid, props FROM records WHERE db = ?1", -1, &records_, nullptr) !=
                SQLITE_OK)
            std::abort();
        UErrorCode err = U_ZERO_ERROR;
        collator_.reset(icu::Collator::createInstance(icu::Locale("en_US"), err));
        collator_->setStrength(icu::Collator::IDENTICAL);
        collator_->setAttribute(UCOL_NORMALIZATION_MODE, UCOL_ON, err);
        collator_->setAttribute(UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, err);
        if (U_FAILURE(err)) std::abort();
    }
    ~Peer()
    {
        sqlite3_finalize(records_);
        sqlite3_close(db_);
    }

    std::vector<PeerContact> Load()
    {
        std::vector<PeerContact> contacts;
        sqlite3_bind_int64(records_, 1, Store().contactsDb);
        while (sqlite3_step(records_) == SQLITE_ROW) {
            PeerContact c;
            c.oid = static_cast<DWORD>(sqlite3_column_int64(records_, 0));
            const auto* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(records_, 1));
            benchpeer::WalkRecord(bytes, static_cast<size_t>(sqlite3_column_bytes(records_, 1)),
                                  [&](CEPROPID id, const unsigned char* p, size_t length) {
                                      auto text = [&] {
                                          return std::u16string(reinterpret_cast<const char16_t*>(p), length / 2);
                                      };
                                      if (id == kItemCategories) c.categories.assign(p, p + length);
                                      if (id == kContactFileAs) c.fileAs = text();
                                      if (id == kContactFirstName) c.given = text();
                                      if (id == kContactLastName) c.surname = text();
                                      if (id == kContactCompanyName) c.company = text();
                                  });
            contacts.push_back(std::move(c));
        }
        sqlite3_reset(records_);
        std::sort(contacts.begin(), contacts.end(), [this](const PeerContact& a, const PeerContact& b) {
            UErrorCode err = U_ZERO_ERROR;
            return collator_->compare(reinterpret_cast<const UChar*>(a.fileAs.data()),
                                      static_cast<int32_t>(a.fileAs.size()),
                                      reinterpret_cast<const UChar*>(b.fileAs.data()),
                                      static_cast<int32_t>(b.fileAs.size()), err) == UCOL_LESS;
        });
        return contacts;
    }

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* records_ = nullptr;
    std::unique_ptr<icu::Collator> collator_;
};

// Empty when the loader's cache holds the peer's contacts in the peer's order.
const std::string& AgreementError()
{
    static const std::string error = [] {
        Store();
        LoaderHost host;
        const std::unique_ptr<CContactsThread> loader = LoadFirstPage(host);
        if (!loader) return std::string("the loader did not fill its first page");
        const std::vector<PeerContact> peer = Peer().Load();
        const auto& cache = loader->CatCache();
        if (cache.size() != peer.size()) return "the cache holds " + std::to_string(cache.size()) + " contacts";
        for (size_t i = 0; i < cache.size(); ++i) {
            if (CCatCache::View(cache[i]->fileAs) != peer[i].fileAs)
                return "the orders differ at " + std::to_string(i) + ": " +
                       WideToUtf8(CCatCache::View(cache[i]->fileAs)) + " against " + WideToUtf8(peer[i].fileAs);
        }
        return std::string();
    }();
    return error;
}

void BM_ContactsLoad_Ours(benchmark::State& state)
{
    if (!AgreementError().empty()) return state.SkipWithError(AgreementError().c_str());
    LoaderHost host;
    for (auto _ : state) {
        if (!LoadFirstPage(host)) return state.SkipWithError("the load did not fill its first page");
    }
    state.SetItemsProcessed(state.iterations() * kContacts);
}
BENCHMARK(BM_ContactsLoad_Ours)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ContactsLoad_Peer(benchmark::State& state)
{
    if (!AgreementError().empty()) return state.SkipWithError(AgreementError().c_str());
    Peer peer;
    for (auto _ : state) benchmark::DoNotOptimize(peer.Load());
    state.SetItemsProcessed(state.iterations() * kContacts);
}
BENCHMARK(BM_ContactsLoad_Peer)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- the typed search ----

void TypeStep(benchmark::State& state, const std::vector<std::u16string>& texts)
{
    if (!AgreementError().empty()) return state.SkipWithError(AgreementError().c_str());
    LoaderHost host;
    const std::unique_ptr<CContactsThread> loader = LoadFirstPage(host);
    if (!loader) return state.SkipWithError("the load did not fill its first page");
    const std::vector<CCatCache*> walk = loader->WalkOrder();
    size_t next = 0;
    int start = 0;
    for (auto _ : state) {
        const std::u16string& text = texts[next];
        const int found = loader->FindCatCacheItem(walk, text, start, false);
        benchmark::DoNotOptimize(found);
        // Letter by letter: a longer text goes on from the last match, a new
        // name starts from the top.
        next = (next + 1) % texts.size();
        start = texts[next].size() > text.size() && found >= 0 ? found : 0;
    }
}

void BM_TypedSearchStep(benchmark::State& state)
{
    std::vector<std::u16string> texts;
    for (std::u16string name : {u"young", u"schmid", u"emile", u"TANAK", u"quis"}) {
        for (size_t n = 1; n <= name.size(); ++n) texts.push_back(name.substr(0, n));
    }
    TypeStep(state, texts);
}
BENCHMARK(BM_TypedSearchStep)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_TypedSearchMiss(benchmark::State& state) { TypeStep(state, {u"zzq"}); }
BENCHMARK(BM_TypedSearchMiss)->Unit(benchmark::kMicrosecond)->UseRealTime();

// ---- memory ----

template <typename Load>
void PeakMemory(benchmark::State& state, Load load)
{
    if (!AgreementError().empty()) return state.SkipWithError(AgreementError().c_str());
    for (auto _ : state) {
        malloc_trim(0);
        std::ofstream("/proc/self/clear_refs") << "5";
        const long base = benchpeer::StatusKiB("VmRSS");
        const struct mallinfo2 before = mallinfo2();
        long long held = 0;
        load([&] {
            const struct mallinfo2 now = mallinfo2();
            held = static_cast<long long>(now.uordblks + now.hblkhd) -
                   static_cast<long long>(before.uordblks + before.hblkhd);
        });
        const long peak = benchpeer::StatusKiB("VmHWM");
        if (base < 0 || peak < 0) return state.SkipWithError("the memory figures could not be read");
        state.counters["rss_peak_KiB_per_1000_contacts"] = static_cast<double>(peak - base) * 1000.0 / kContacts;
        state.counters["held_KiB_per_1000_contacts"] = static_cast<double>(held) / 1024.0 * 1000.0 / kContacts;
    }
}

void BM_PeakMemory_ContactsLoad(benchmark::State& state)
{
    PeakMemory(state, [](auto inHand) {
        LoaderHost host;
        const std::unique_ptr<CContactsThread> loader = LoadFirstPage(host);
        inHand();
    });
}
BENCHMARK(BM_PeakMemory_ContactsLoad)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_PeakMemory_ContactsScan(benchmark::State& state)
{
    Peer peer;
    PeakMemory(state, [&](auto inHand) {
        const std::vector<PeerContact> contacts = peer.Load();
        inHand();
    });
}
BENCHMARK(BM_PeakMemory_ContactsScan)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
