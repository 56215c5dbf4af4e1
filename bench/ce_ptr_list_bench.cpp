// Sequential positional reads of a CePtrList (each one step from the cached
// current node) against indexing a std::vector.
#include <benchmark/benchmark.h>

#include <vector>

#include "foundation/ce_ptr_list.h"

namespace {

constexpr int kElements = 1000;

void BM_ListSequentialAt_Ours(benchmark::State& state)
{
    CePtrList<LONG> list(0);
    for (LONG i = 0; i < kElements; ++i) list.Append(i);
    for (auto _ : state) {
        LONG sum = 0;
        for (int pos = 0; pos < kElements; ++pos) sum += list.GetAt(pos);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kElements);
}
BENCHMARK(BM_ListSequentialAt_Ours);

void BM_ListSequentialAt_Peer(benchmark::State& state)
{
    std::vector<LONG> vec;
    for (LONG i = 0; i < kElements; ++i) vec.push_back(i);
    for (auto _ : state) {
        LONG sum = 0;
        for (int pos = 0; pos < kElements; ++pos) sum += vec[static_cast<size_t>(pos)];
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kElements);
}
BENCHMARK(BM_ListSequentialAt_Peer);

}  // namespace

BENCHMARK_MAIN();
