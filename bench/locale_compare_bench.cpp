// Sorting names in the user's locale order: CompareStringW (the locale looked
// up and the thread's collator found on every call) against a collator the
// caller holds itself, configured as CompareStringW configures it for a string
// sort, over the same names. The user's locale is pinned (en-US), as the
// command line's --locale pins it. With two threads sorting at once, any lock on the
// comparison's path shows as the two waiting for each other.
#include <benchmark/benchmark.h>
#include <unicode/coll.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/locale/compare_string.h"
#include "platform/locale/locale_id.h"

namespace {

constexpr size_t kNames = 5000;

// Task-like subjects: a code, a verb and a noun, a number; some accented, some
// hyphenated, in mixed case.
const std::vector<std::u16string>& Names()
{
    static const std::vector<std::u16string> names = [] {
        platform::SetUserLocaleName("en-US");  // as the lists' benchmarks pin it
        const char16_t* verbs[] = {u"Call",    u"write",      u"Review", u"pay", u"R\u00e9sum\u00e9",
                                   u"co-sign", u"\u00c4ndern"};
        const char16_t* nouns[] = {u"invoice", u"Contract", u"caf\u00e9 order", u"plan", u"o'Brien", u"budget"};
        std::mt19937 rng(7);
        std::vector<std::u16string> out;
        for (size_t i = 0; i < kNames; ++i) {
            std::u16string name;
            if (rng() % 4 != 0)
                name = {static_cast<char16_t>(u'A' + rng() % 3), static_cast<char16_t>(u'1' + rng() % 3), u':', u' '};
            name += verbs[rng() % std::size(verbs)];
            name += u' ';
            name += nouns[rng() % std::size(nouns)];
            name += u' ';
            for (char c : std::to_string(rng() % 1000)) name.push_back(static_cast<char16_t>(c));
            out.push_back(std::move(name));
        }
        return out;
    }();
    return names;
}

template <class Less>
void SortNames(benchmark::State& state, Less less)
{
    const std::vector<std::u16string>& names = Names();
    std::vector<const std::u16string*> order;
    for (auto _ : state) {
        state.PauseTiming();
        order.clear();
        for (const auto& n : names) order.push_back(&n);
        state.ResumeTiming();
        std::sort(order.begin(), order.end(), less);
        benchmark::DoNotOptimize(order.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(names.size()));
}

void BM_SortNames_Ours(benchmark::State& state)
{
    SortNames(state, [](const std::u16string* a, const std::u16string* b) {
        return CompareStringW(LOCALE_USER_DEFAULT, SORT_STRINGSORT, a->c_str(), -1, b->c_str(), -1) == CSTR_LESS_THAN;
    });
}
BENCHMARK(BM_SortNames_Ours)->Unit(benchmark::kMillisecond)->UseRealTime()->Threads(1)->Threads(2);

void BM_SortNames_Peer(benchmark::State& state)
{
    UErrorCode err = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(icu::Locale("en_US"), err));
    collator->setAttribute(UCOL_NORMALIZATION_MODE, UCOL_ON, err);
    collator->setStrength(icu::Collator::IDENTICAL);
    if (U_FAILURE(err)) {
        state.SkipWithError("no collator");
        return;
    }
    SortNames(state, [&](const std::u16string* a, const std::u16string* b) {
        UErrorCode e = U_ZERO_ERROR;
        return collator->compare(a->data(), static_cast<int32_t>(a->size()), b->data(), static_cast<int32_t>(b->size()),
                                 e) == UCOL_LESS;
    });
}
BENCHMARK(BM_SortNames_Peer)->Unit(benchmark::kMillisecond)->UseRealTime()->Threads(1)->Threads(2);

// For information: the word sort the lists use (flags 0), which also looks
// for hyphens and apostrophes in both names.
void BM_SortNamesWordSort(benchmark::State& state)
{
    SortNames(state, [](const std::u16string* a, const std::u16string* b) {
        return CompareStringW(LOCALE_USER_DEFAULT, 0, a->c_str(), -1, b->c_str(), -1) == CSTR_LESS_THAN;
    });
}
BENCHMARK(BM_SortNamesWordSort)->Unit(benchmark::kMillisecond)->UseRealTime()->Threads(1)->Threads(2);

}  // namespace

BENCHMARK_MAIN();
