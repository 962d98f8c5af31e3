// COMPOUND, MORT and SAVING called as a host calls them: the entry pointer
// taken from the function vector, one argument block built beforehand and
// reused for every call.  A hand-written Brent solve of MORT's rate
// equation is measured beside the module's Newton search.
#include "bench/bench_support.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

using qelfin::bench::loaded_module;

using qelfin::host::Arg;
using qelfin::host::ArgBlock;
using qelfin::host::Module;

const Arg kMissing = Arg::missing();

// One entry of the vector on one prebuilt block; the call must answer with
// the expected status.
void entry_call(benchmark::State& state, const char* function, std::vector<Arg> args, uint32_t expected = 0) {
    const FunctionEntry entry = loaded_module().entry(function);
    ArgBlock block(args);
    FunctionArgs* const block_ptr = block.get();
    double result = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(block_ptr);
        const uint32_t status = entry(block_ptr, &result);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(result);
    }
    if (entry(block_ptr, &result) != expected) state.SkipWithError("unexpected status");
}

// The monthly payment of a 30-year loan of 50000 at 0.5 % a month.
double thirty_year_payment() {
    return loaded_module().call("MORT", {50000, Arg::missing(), 0.005, 360}).value;
}

BENCHMARK_CAPTURE(entry_call, COMPOUND_final_amount, "COMPOUND", {100, kMissing, 0.05, 10});
BENCHMARK_CAPTURE(entry_call, COMPOUND_initial_amount, "COMPOUND", {kMissing, 162.88946267774415, 0.05, 10});
BENCHMARK_CAPTURE(entry_call, COMPOUND_rate, "COMPOUND", {100, 200, kMissing, 10});
BENCHMARK_CAPTURE(entry_call, COMPOUND_periods, "COMPOUND", {100, 200, 0.05, kMissing});
BENCHMARK_CAPTURE(entry_call, COMPOUND_none_missing, "COMPOUND", {100, 200, 0.05, 10}, STATUS_RESULT_MISSING);
BENCHMARK_CAPTURE(entry_call, COMPOUND_refused, "COMPOUND", {100, 200, 0.0, kMissing}, STATUS_INVALID_ARGS);

BENCHMARK_CAPTURE(entry_call, MORT_payment, "MORT", {50000, kMissing, 0.005, 360});
BENCHMARK_CAPTURE(entry_call, MORT_amount, "MORT", {kMissing, 299.77526257598776, 0.005, 360});
BENCHMARK_CAPTURE(entry_call, MORT_periods, "MORT", {50000, 299.77526257598776, 0.005, kMissing});

void mort_rate(benchmark::State& state) {
    entry_call(state, "MORT", {50000, thirty_year_payment(), kMissing, 360});
}
BENCHMARK(mort_rate);

BENCHMARK_CAPTURE(entry_call, SAVING_final_amount, "SAVING", {kMissing, 100, 0.05, 10});
BENCHMARK_CAPTURE(entry_call, SAVING_payment, "SAVING", {1320.6787162326284, kMissing, 0.05, 10});
BENCHMARK_CAPTURE(entry_call, SAVING_rate, "SAVING", {1320.6787162326284, 100, kMissing, 10});
BENCHMARK_CAPTURE(entry_call, SAVING_periods, "SAVING", {1320.6787162326284, 100, 0.05, kMissing});

// Baseline: Brent's method (inverse quadratic interpolation, secant and
// bisection, as in Brent 1973) on the same equation,
//   (1 - (1 + x)^-n) / x - a / p = 0,
// bracketed by [1e-6, 1] and stopped at an interval of 1e-12.
double annuity_residual(double x, double n, double q) { return -std::expm1(-n * std::log1p(x)) / x - q; }

double brent_rate(double a, double p, double n) {
    const double q = a / p;
    double lo = 1e-6, hi = 1.0;
    double flo = annuity_residual(lo, n, q), fhi = annuity_residual(hi, n, q);
    double c = lo, fc = flo, d = hi - lo, e = d;
    for (int iter = 0; iter < 100; ++iter) {
        if ((fhi > 0) == (fc > 0)) {
            c = lo;
            fc = flo;
            d = e = hi - lo;
        }
        if (std::fabs(fc) < std::fabs(fhi)) {
            lo = hi;
            hi = c;
            c = lo;
            flo = fhi;
            fhi = fc;
            fc = flo;
        }
        const double tol = 2 * 2.2e-16 * std::fabs(hi) + 0.5e-12;
        const double m = 0.5 * (c - hi);
        if (std::fabs(m) <= tol || fhi == 0) return hi;
        if (std::fabs(e) >= tol && std::fabs(flo) > std::fabs(fhi)) {
            double s = fhi / flo, pp, qq;
            if (lo == c) {
                pp = 2 * m * s;
                qq = 1 - s;
            } else {
                const double t = flo / fc, r = fhi / fc;
                pp = s * (2 * m * t * (t - r) - (hi - lo) * (r - 1));
                qq = (t - 1) * (r - 1) * (s - 1);
            }
            if (pp > 0)
                qq = -qq;
            else
                pp = -pp;
            if (2 * pp < std::fmin(3 * m * qq - std::fabs(tol * qq), std::fabs(e * qq))) {
                e = d;
                d = pp / qq;
            } else {
                d = m;
                e = m;
            }
        } else {
            d = m;
            e = m;
        }
        lo = hi;
        flo = fhi;
        hi += std::fabs(d) > tol ? d : (m > 0 ? tol : -tol);
        fhi = annuity_residual(hi, n, q);
    }
    return hi;
}

void mort_rate_brent_baseline(benchmark::State& state) {
    double a = 50000, p = thirty_year_payment(), n = 360;
    for (auto _ : state) {
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(p);
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(brent_rate(a, p, n));
    }
    if (std::fabs(brent_rate(a, p, n) - 0.005) > 1e-9) state.SkipWithError("Brent missed the rate");
}
BENCHMARK(mort_rate_brent_baseline);

}  // namespace
