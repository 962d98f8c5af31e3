// The numeric primitives, called through their exported names as the
// solvers' callers see them.  The library pow, exp and log are measured
// beside them for scale.
#include "bench/bench_support.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using qelfin::bench::loaded_module;

using qelfin::host::Module;

template <class F>
F exported(const char* name) {
    return loaded_module().symbol<F>(name);
}

using Power = double (*)(double, double, int32_t*);
using Unary = double (*)(double);
using Binary = double (*)(double, double);
using Reduce = double (*)(const double*, int32_t);
using AllBytes = int (*)(int, const uint8_t*, int32_t);

// zpower(x, y) for the arguments of the benchmark.
void power(benchmark::State& state, double x, double y) {
    const Power zpower = exported<Power>("zpower");
    for (auto _ : state) {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(y);
        int32_t err;
        benchmark::DoNotOptimize(zpower(x, y, &err));
    }
}
BENCHMARK_CAPTURE(power, whole_1_05_pow_10, 1.05, 10.0);
BENCHMARK_CAPTURE(power, whole_1_05_pow_360, 1.05, 360.0);
BENCHMARK_CAPTURE(power, fraction_1_05_pow_360_5, 1.05, 360.5);
BENCHMARK_CAPTURE(power, too_large_10_pow_400, 10.0, 400.0);

void library_pow(benchmark::State& state, double x, double y) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(y);
        benchmark::DoNotOptimize(std::pow(x, y));
    }
}
BENCHMARK_CAPTURE(library_pow, libm_1_05_pow_360, 1.05, 360.0);

void unary(benchmark::State& state, const char* name, double x) {
    const Unary f = exported<Unary>(name);
    for (auto _ : state) {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(f(x));
    }
}
BENCHMARK_CAPTURE(unary, zexpm1_series_0_005, "zexpm1", 0.005);
BENCHMARK_CAPTURE(unary, zexpm1_library_1_8, "zexpm1", -1.8);
BENCHMARK_CAPTURE(unary, zln1px_series_0_005, "zln1px", 0.005);
BENCHMARK_CAPTURE(unary, zln1px_library_0_5, "zln1px", 0.5);
BENCHMARK_CAPTURE(unary, zqlog_123_4, "zqlog", 123.4);

void library_exp(benchmark::State& state) {
    double x = -1.8;
    for (auto _ : state) {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(std::exp(x));
    }
}
BENCHMARK(library_exp);

void library_log(benchmark::State& state) {
    double x = 123.4;
    for (auto _ : state) {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(std::log(x));
    }
}
BENCHMARK(library_log);

void ln_sum_of_exp(benchmark::State& state) {
    const Binary f = exported<Binary>("zlnSumOfExp");
    double a = 3.0, b = -1.5;
    for (auto _ : state) {
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(b);
        benchmark::DoNotOptimize(f(a, b));
    }
}
BENCHMARK(ln_sum_of_exp);

// The reductions over n doubles; bytes processed are reported.
void reduction(benchmark::State& state, const char* name) {
    const Reduce f = exported<Reduce>(name);
    const int32_t n = static_cast<int32_t>(state.range(0));
    std::vector<double> x(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) x[static_cast<size_t>(i)] = (i % 3 ? 1.5 : -2.25) * (i + 1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(x.data());
        benchmark::DoNotOptimize(f(x.data(), n));
    }
    state.SetBytesProcessed(state.iterations() * n * static_cast<int64_t>(sizeof(double)));
}
BENCHMARK_CAPTURE(reduction, zvasum, "zvasum")->Arg(16)->Arg(1000);
BENCHMARK_CAPTURE(reduction, zvamx, "zvamx")->Arg(16)->Arg(1000);

void all_blank(benchmark::State& state) {
    const AllBytes f = exported<AllBytes>("vzatl");
    const std::vector<uint8_t> text(static_cast<size_t>(state.range(0)), ' ');
    for (auto _ : state) {
        benchmark::DoNotOptimize(text.data());
        benchmark::DoNotOptimize(f(' ', text.data(), static_cast<int32_t>(text.size())));
    }
}
BENCHMARK(all_blank)->Arg(8)->Arg(64);

}  // namespace
