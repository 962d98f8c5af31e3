// The ten depreciation entries, called through the function vector as the
// host calls them, on argument blocks built once.  Each benchmark is one
// entry on a typical asset; the declining-balance cases take a part period
// (so the power runs), the switch method a period after the switch.
#include "bench/bench_support.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using qelfin::bench::loaded_module;

using qelfin::host::Arg;

void call_entry(benchmark::State& state, const char* name, std::vector<Arg> args) {
    const FunctionEntry entry = loaded_module().entry(name);
    qelfin::host::ArgBlock block(args);
    double result = 0;
    for (auto _ : state) {
        const uint32_t status = entry(block.get(), &result);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(result);
    }
    if (entry(block.get(), &result) != 0) state.SkipWithError("the call failed");
}

const std::vector<Arg> kTable{3.5, 10000, 0.2, 0.32, 0.192, 0.1152, 0.1152, 0.0576};

}  // namespace

BENCHMARK_CAPTURE(call_entry, DACCDB, "DACCDB", {7.5, 10000, 10, 2});
BENCHMARK_CAPTURE(call_entry, DEPDB, "DEPDB", {7.5, 10000, 10, 2});
BENCHMARK_CAPTURE(call_entry, DACCDBSL, "DACCDBSL", {8, 10000, 10, 2});
BENCHMARK_CAPTURE(call_entry, DEPDBSL, "DEPDBSL", {8, 10000, 10, 2});
BENCHMARK_CAPTURE(call_entry, DACCSL, "DACCSL", {7.5, 10000, 10});
BENCHMARK_CAPTURE(call_entry, DEPSL, "DEPSL", {7.5, 10000, 10});
BENCHMARK_CAPTURE(call_entry, DACCSYD, "DACCSYD", {7.5, 10000, 10});
BENCHMARK_CAPTURE(call_entry, DEPSYD, "DEPSYD", {7.5, 10000, 10});
BENCHMARK_CAPTURE(call_entry, DACCTAB, "DACCTAB", kTable);
BENCHMARK_CAPTURE(call_entry, DEPTAB, "DEPTAB", kTable);
