// CountedLoop: a benchmark's timed loop marked for the instruction counts of
// scripts/bench_instructions.py. Run under callgrind, it dumps the counts so
// far where it is made ("before <case>/<size>") and again where it ends
// ("counted <case>/<size> iterations=<n>"): the second dump holds the
// instructions of the timed loop alone, every thread's (a loader's worker
// included), without the store's filling or the checks around the loop. A
// dump, not callgrind's request to zero the counts: that one zeroes the
// calling thread's only, and a loader's worker would keep the loads before
// the loop. Outside callgrind the requests are a few instructions that do
// nothing; built without valgrind's header, the class is empty.
#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <utility>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#endif

namespace benchpeer {

class CountedLoop {
public:
    // name: the case and its size as scripts/bench_instructions.py pairs
    // them, "CalendarMonth_Ours/50000".
    CountedLoop(const benchmark::State& state, std::string name) : state_(state), name_(std::move(name))
    {
#ifdef CALLGRIND_DUMP_STATS_AT
        const std::string dump = "before " + name_;
        CALLGRIND_DUMP_STATS_AT(dump.c_str());
#endif
    }
    ~CountedLoop()
    {
#ifdef CALLGRIND_DUMP_STATS_AT
        const std::string dump = "counted " + name_ + " iterations=" + std::to_string(state_.iterations());
        CALLGRIND_DUMP_STATS_AT(dump.c_str());
#endif
    }
    CountedLoop(const CountedLoop&) = delete;
    CountedLoop& operator=(const CountedLoop&) = delete;

private:
    const benchmark::State& state_;
    std::string name_;
};

}  // namespace benchpeer
