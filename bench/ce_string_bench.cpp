// CeString assignment (which shares the block) and copying (which never
// shares) against std::u16string doing the same work.
#include <benchmark/benchmark.h>

#include <string>

#include "foundation/ce_string.h"

namespace {

// Texts of the benchmark's length argument, different in their first unit.
std::u16string MakeText(benchmark::State& state, char16_t first)
{
    std::u16string text(static_cast<size_t>(state.range(0)), u'x');
    text[0] = first;
    return text;
}

void BM_StringAssign_Ours(benchmark::State& state)
{
    CeString a(MakeText(state, u'a').c_str()), b(MakeText(state, u'b').c_str()), target;
    for (auto _ : state) {
        target = a;
        benchmark::DoNotOptimize(target);
        target = b;
        benchmark::DoNotOptimize(target);
    }
}
BENCHMARK(BM_StringAssign_Ours)->Arg(16)->Arg(256)->Arg(4096);

void BM_StringAssign_Peer(benchmark::State& state)
{
    std::u16string a(MakeText(state, u'a')), b(MakeText(state, u'b')), target;
    for (auto _ : state) {
        target = a;
        benchmark::DoNotOptimize(target);
        target = b;
        benchmark::DoNotOptimize(target);
    }
}
BENCHMARK(BM_StringAssign_Peer)->Arg(16)->Arg(256)->Arg(4096);

void BM_StringCopy_Ours(benchmark::State& state)
{
    CeString a(MakeText(state, u'a').c_str());
    for (auto _ : state) {
        CeString copy(a);
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(BM_StringCopy_Ours)->Arg(16)->Arg(256)->Arg(4096);

void BM_StringCopy_Peer(benchmark::State& state)
{
    std::u16string a(MakeText(state, u'a'));
    for (auto _ : state) {
        std::u16string copy(a);
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(BM_StringCopy_Peer)->Arg(16)->Arg(256)->Arg(4096);

}  // namespace

BENCHMARK_MAIN();
