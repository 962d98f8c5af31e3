// IRR through the function vector, as a host calls it, beside a plain
// baseline: Brent's method on the net present value evaluated by Horner's
// scheme over the same flows held in a vector.
//
//   IRR/<flows>                 one sign change: a level-payment loan
//   IRR_several_sign_changes    a 360-period project with a reinvestment and
//                               a closing cost (three sign changes)
//   Baseline_HornerBrent/<flows>, Baseline_HornerBrent_several_sign_changes
#include "bench/bench_support.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

using qelfin::bench::loaded_module;

using namespace qelfin::host;

// A loan of 100,000 at 0.65% a period repaid in flows - 1 level payments,
// seen by the lender.
std::vector<double> loan(int flows) {
    const double r = 0.0065;
    const double payment = std::round(100000.0 * r / (1 - std::pow(1 + r, -(flows - 1))) * 100) / 100;
    std::vector<double> c(static_cast<size_t>(flows), payment);
    c[0] = -100000.0;
    return c;
}

// 360 periods: an outlay, returns, a reinvestment at period 120 and a
// closing cost at the end.
std::vector<double> several_sign_changes() {
    std::vector<double> c(360, 0.0);
    c[0] = -50000.0;
    for (size_t i = 1; i < 359; ++i) c[i] = 450.0 + static_cast<double>(i % 12) * 10.0;
    c[120] = -20000.0;
    c[359] = -8000.0;
    return c;
}

// Net present value at rate r by Horner's scheme in 1/(1 + r).
double npv(const std::vector<double>& c, double r) {
    const double x = 1.0 / (1.0 + r);
    double s = 0.0;
    for (size_t i = c.size(); i-- > 0;) s = s * x + c[i];
    return s;
}

// Brent's method (inverse quadratic interpolation, secant, bisection) for
// the rate in [a, b] to 1e-12.
double brent_rate(const std::vector<double>& c, double a, double b) {
    constexpr double kTol = 1e-12;
    double fa = npv(c, a), fb = npv(c, b);
    if (fa * fb > 0) return NAN;
    double cc = a, fc = fa, d = b - a, e = d;
    for (int iter = 0; iter < 100; ++iter) {
        if (fb * fc > 0) {
            cc = a;
            fc = fa;
            d = e = b - a;
        }
        if (std::fabs(fc) < std::fabs(fb)) {
            a = b;
            b = cc;
            cc = a;
            fa = fb;
            fb = fc;
            fc = fa;
        }
        const double tol1 = 2 * 2.2e-16 * std::fabs(b) + 0.5 * kTol;
        const double xm = 0.5 * (cc - b);
        if (std::fabs(xm) <= tol1 || fb == 0) return b;
        if (std::fabs(e) >= tol1 && std::fabs(fa) > std::fabs(fb)) {
            double p, q;
            const double s = fb / fa;
            if (a == cc) {
                p = 2 * xm * s;
                q = 1 - s;
            } else {
                const double qq = fa / fc, r = fb / fc;
                p = s * (2 * xm * qq * (qq - r) - (b - a) * (r - 1));
                q = (qq - 1) * (r - 1) * (s - 1);
            }
            if (p > 0) q = -q;
            p = std::fabs(p);
            if (2 * p < std::fmin(3 * xm * q - std::fabs(tol1 * q), std::fabs(e * q))) {
                e = d;
                d = p / q;
            } else {
                d = xm;
                e = d;
            }
        } else {
            d = xm;
            e = d;
        }
        a = b;
        fa = fb;
        b += std::fabs(d) > tol1 ? d : (xm > 0 ? tol1 : -tol1);
        fb = npv(c, b);
    }
    return b;
}

// The baseline's bracket: rates from 0 to 100% a period, which holds the
// rates of both series and spares Brent the overflow of (1 + r)^-n for
// rates near -100%.
constexpr double kLow = 0.0;
constexpr double kHigh = 1.0;

// The frequency 1 followed by the flows.
std::vector<Arg> irr_arguments(const std::vector<double>& c) {
    std::vector<Arg> args;
    args.reserve(c.size() + 1);
    args.emplace_back(1.0);
    for (double v : c) args.emplace_back(v);
    return args;
}

void run_irr(benchmark::State& state, const std::vector<double>& c) {
    Module& m = loaded_module();
    const std::vector<Arg> args = irr_arguments(c);
    ArgBlock block(args);
    const FunctionEntry irr = m.entry("IRR");
    double result = 0.0;
    if (irr(block.get(), &result) != 0) {
        state.SkipWithError("IRR failed");
        return;
    }
    const double baseline = brent_rate(c, kLow, kHigh) * 100.0;
    if (!(std::fabs(result - baseline) < 1e-8)) state.SkipWithError("IRR and the baseline disagree");
    for (auto _ : state) {
        irr(block.get(), &result);
        benchmark::DoNotOptimize(result);
    }
    state.counters["rate%"] = result;
}

void run_baseline(benchmark::State& state, const std::vector<double>& c) {
    for (auto _ : state) {
        double r = brent_rate(c, kLow, kHigh);
        benchmark::DoNotOptimize(r);
    }
    state.counters["rate%"] = brent_rate(c, kLow, kHigh) * 100.0;
}

void IRR(benchmark::State& state) { run_irr(state, loan(static_cast<int>(state.range(0)))); }
void IRR_several_sign_changes(benchmark::State& state) { run_irr(state, several_sign_changes()); }
void Baseline_HornerBrent(benchmark::State& state) { run_baseline(state, loan(static_cast<int>(state.range(0)))); }
void Baseline_HornerBrent_several_sign_changes(benchmark::State& state) {
    run_baseline(state, several_sign_changes());
}

BENCHMARK(IRR)->Arg(12)->Arg(360)->Arg(10000)->Arg(32767)->Unit(benchmark::kMicrosecond);
BENCHMARK(Baseline_HornerBrent)->Arg(12)->Arg(360)->Arg(10000)->Arg(32767)->Unit(benchmark::kMicrosecond);
BENCHMARK(IRR_several_sign_changes)->Unit(benchmark::kMicrosecond);
BENCHMARK(Baseline_HornerBrent_several_sign_changes)->Unit(benchmark::kMicrosecond);

}  // namespace
