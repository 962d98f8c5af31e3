// The host library's schedules and every rate of return, per call, beside
// the one IRR call they answer (bench_irr.cpp has IRR on the same flows).
//
//   EveryRate/<flows>           every rate of a level-payment loan
//   EveryRate_three_rates       flows built on 5 %, 15 % and 40 % a period
//   LoanSchedule/<decimals>     a 360-payment schedule, unrounded (-1) or to the cent
#include "bench/bench_support.h"

#include "host/rates.h"
#include "host/schedule.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

using qelfin::bench::loaded_module;

void EveryRate(benchmark::State& state) {
    std::vector<double> c(static_cast<size_t>(state.range(0)), 1000.0);
    c[0] = -100000.0 / 360 * static_cast<double>(c.size()) * 0.7;
    for (auto _ : state) benchmark::DoNotOptimize(qelfin::host::every_rate(loaded_module(), 1, c));
}

void EveryRate_three_rates(benchmark::State& state) {
    const std::vector<double> c = {-100, 360, -428.75, 169.05};  // -100 (1 - 1.05 v)(1 - 1.15 v)(1 - 1.4 v)
    for (auto _ : state) benchmark::DoNotOptimize(qelfin::host::every_rate(loaded_module(), 1, c));
}

void LoanSchedule(benchmark::State& state) {
    const double loan[] = {250000, NAN, 0.045 / 12, 360};
    const int decimals = static_cast<int>(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(qelfin::host::loan_schedule(loaded_module(), loan, decimals));
}

}  // namespace

BENCHMARK(EveryRate)->Arg(12)->Arg(360)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(EveryRate_three_rates)->Unit(benchmark::kMicrosecond);
BENCHMARK(LoanSchedule)->Arg(-1)->Arg(2)->Unit(benchmark::kMicrosecond);
