// Present value over 10, 1,000 and 100,000 flows: NPV called through the
// function vector as a host calls it, beside a plain discounting loop over
// an array of the same flows, znpv called with an opaque value callback,
// and the missing-value count NPV makes first.  Every row reports the time per cash flow (ns_per_flow).
#include "bench/bench_support.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

using qelfin::bench::loaded_module;

using qelfin::host::Arg;
using qelfin::host::ArgBlock;

constexpr double kRatePercent = 5.0;  // 5 % per base period, one flow per period

std::vector<double> flows(int64_t n) {
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> amount(-1000.0, 1000.0);
    std::vector<double> c(static_cast<size_t>(n));
    for (double& x : c) x = amount(gen);
    return c;
}

void per_flow(benchmark::State& state, int64_t n) {
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["ns_per_flow"] = benchmark::Counter(static_cast<double>(state.iterations() * n) * 1e-9,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// NPV(5, 1, c0, ..., c(n-1)) through the function vector.
void BM_NpvEntry(benchmark::State& state) {
    const int64_t n = state.range(0);
    const std::vector<double> c = flows(n);
    std::vector<Arg> args{kRatePercent, 1.0};
    args.insert(args.end(), c.begin(), c.end());
    ArgBlock block(args);
    const FunctionEntry npv = loaded_module().entry("NPV");
    double result = 0;
    for (auto _ : state) {
        const uint32_t status = npv(block.get(), &result);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(result);
    }
    per_flow(state, n);
}

// The floor: Horner's scheme over a plain array, S = c[i] + S * v.
void BM_PlainLoop(benchmark::State& state) {
    const int64_t n = state.range(0);
    const std::vector<double> c = flows(n);
    double v = 1.0 / (1.0 + kRatePercent / 100.0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(v);
        const double* p = c.data();
        double s = 0;
        for (int64_t i = n - 1; i >= 0; --i) s = p[i] + s * v;
        benchmark::DoNotOptimize(s);
    }
    per_flow(state, n);
}

// znpv as exported, reading each flow through an opaque callback.
double read_flow(int32_t i, void* context) { return static_cast<const double*>(context)[i]; }

void BM_ZnpvOpaqueCallback(benchmark::State& state) {
    const int64_t n = state.range(0);
    std::vector<double> c = flows(n);
    const auto znpv_fn = loaded_module().symbol<decltype(&znpv)>("znpv");
    for (auto _ : state) {
        int32_t err = 0;
        const double value = znpv_fn(kRatePercent / 100.0, 1.0, static_cast<int32_t>(n), &read_flow, c.data(), &err);
        benchmark::DoNotOptimize(value);
        benchmark::DoNotOptimize(err);
    }
    per_flow(state, n);
}

// The count of missing arguments NPV makes before discounting, alone.
void BM_NpvMissingScan(benchmark::State& state) {
    const int64_t n = state.range(0);
    const std::vector<double> c = flows(n);
    std::vector<Arg> args{kRatePercent, 1.0};
    args.insert(args.end(), c.begin(), c.end());
    ArgBlock block(args);
    const auto scan = loaded_module().symbol<decltype(&fncnmis)>("fncnmis");
    double result = 0;
    for (auto _ : state) {
        const uint32_t status = scan(block.get(), &result);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(result);
    }
    per_flow(state, n);
}

BENCHMARK(BM_NpvEntry)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK(BM_PlainLoop)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK(BM_ZnpvOpaqueCallback)->Arg(10)->Arg(1000)->Arg(100000);
BENCHMARK(BM_NpvMissingScan)->Arg(10)->Arg(1000)->Arg(100000);

}  // namespace
