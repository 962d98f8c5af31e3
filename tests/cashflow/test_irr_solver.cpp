// The IRR solver zirr_s and its by-value form zirr, called through the
// built module with a callback over a vector: codes, counts, the road taken
// by the number of sign changes, the scratch pool on every path, and the
// rate of random realistic series against a root found independently by
// bisection in long double.
#include "host/module.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace qelfin::host;

// Cash flows read through the callback; every read is counted and must come
// in the order 0, 1, ..., count - 1.
struct Flows {
    std::vector<double> c;
    int32_t reads = 0;
    bool in_order = true;

    static double read(int32_t i, void* context) {
        auto* self = static_cast<Flows*>(context);
        if (i != self->reads) self->in_order = false;
        ++self->reads;
        return self->c[static_cast<size_t>(i)];
    }
};

class Solver : public ::testing::Test {
protected:
    Host host;
    Module m{host};
    decltype(&zirr_s) solve = m.symbol<decltype(&zirr_s)>("zirr_s");
    decltype(&zirr) solve_value = m.symbol<decltype(&zirr)>("zirr");

    // zirr_s on the flows with the outputs preset to garbage.
    int32_t run(Flows& f, double freq, ZirrParams* out, int32_t count = -1) {
        *out = ZirrParams{};
        out->freq = freq;
        out->count = count < 0 ? static_cast<int32_t>(f.c.size()) : count;
        out->callback = &Flows::read;
        out->context = &f;
        out->sign_changes = 77;
        out->multiple = 77;
        out->rate = -12345.0;
        return solve(out);
    }
};

const double kMissing = std::bit_cast<double>(QELFIN_MISSING_BITS);
const double kNaN = std::nan("");

// ---------------------------------------------------------------------------
// Figures of single series.

struct RateCase {
    const char* name;
    std::vector<double> c;
    double freq;
    int32_t code;
    int32_t sign_changes;
    int32_t multiple;
    long double rate;  // when code is 0
};

TEST_F(Solver, Figures) {
    const long double sqrt11 = sqrtl(1.1L);
    const RateCase cases[] = {
        {"one period", {-100, 110}, 1, 0, 1, 0, 0.1L},
        {"two periods a year", {-100, 110}, 2, 0, 1, 0, 0.21L},
        {"continuous", {-100, 110}, 0, 0, 1, 0, logl(1.1L)},
        {"fractional frequency", {-100, 110}, 0.5, 0, 1, 0, sqrt11 - 1},
        {"missing acts as zero", {-100, kMissing, 110}, 1, 0, 1, 0, sqrt11 - 1},
        {"NaN acts as zero", {-100, kNaN, 110}, 1, 0, 1, 0, sqrt11 - 1},
        {"trailing zeros", {-100, 0, 110, 0, -0.0}, 1, 0, 1, 0, sqrt11 - 1},
        {"borrower", {100, -110}, 1, 0, 1, 0, 0.1L},
        {"two rates, lower found", {-100, 230, -132}, 1, 0, 2, 1, 0.1L},
        {"no sign change", {100, 50}, 1, 1, 0, 0, 0},
        {"no sign change, negative", {-100, 0, -50}, 1, 1, 0, 0, 0},
        {"no real root", {1, -3, 3}, 1, 1, 2, 1, 0},
        {"all zero", {0, -0.0, 0}, 1, -1000, -994, 0, 0},
        {"all missing", {kMissing, kNaN}, 1, -1000, -994, 0, 0},
    };
    for (const RateCase& k : cases) {
        SCOPED_TRACE(k.name);
        Flows f{k.c};
        ZirrParams p;
        ASSERT_EQ(run(f, k.freq, &p), k.code);
        EXPECT_EQ(p.sign_changes, k.sign_changes);
        EXPECT_EQ(p.multiple, k.multiple);
        EXPECT_EQ(f.reads, static_cast<int32_t>(k.c.size()));
        EXPECT_TRUE(f.in_order);
        if (k.code != 0) {
            EXPECT_EQ(p.rate, -12345.0);  // untouched
        } else {
            EXPECT_NEAR(p.rate, static_cast<double>(k.rate), 1e-14);
        }
    }

    // Leading zeros are skipped: the same rate as without them, about 6.3941%.
    Flows with{{0, 0, 0, -100, 50, 60}}, without{{-100, 50, 60}};
    ZirrParams a, b;
    ASSERT_EQ(run(with, 1, &a), 0);
    ASSERT_EQ(run(without, 1, &b), 0);
    EXPECT_EQ(a.rate, b.rate);
    const long double x = (-50.0L + sqrtl(2500.0L + 24000.0L)) / 120.0L;  // 60x^2 + 50x - 100 = 0
    EXPECT_NEAR(a.rate, static_cast<double>(1 / x - 1), 1e-14);
}

TEST_F(Solver, InvalidRequestsCallNothing) {
    Flows f{{-100, 110}};
    struct Bad {
        double freq;
        int32_t count;
        bool callback;
    };
    for (const Bad& b : {Bad{kNaN, 2, true}, Bad{kMissing, 2, true}, Bad{-1, 2, true}, Bad{-1e-300, 2, true},
                         Bad{1, 1, true}, Bad{1, 0, true}, Bad{1, -5, true}, Bad{1, 32768, true},
                         Bad{1, 2, false}}) {
        ZirrParams p;
        p = ZirrParams{};
        p.freq = b.freq;
        p.count = b.count;
        p.callback = b.callback ? &Flows::read : nullptr;
        p.context = &f;
        p.sign_changes = 5;
        p.multiple = 5;
        p.rate = 42.0;
        EXPECT_EQ(solve(&p), -999) << b.freq << " " << b.count;
        EXPECT_EQ(p.sign_changes, 0);
        EXPECT_EQ(p.multiple, 0);
        EXPECT_EQ(p.rate, 42.0);
    }
    EXPECT_EQ(f.reads, 0);
    EXPECT_TRUE(host.toolkit().creations().empty());

    int32_t err = 0;
    const double r = solve_value(-1, 2, &Flows::read, &f, &err);
    EXPECT_EQ(err, -999);
    EXPECT_EQ(std::bit_cast<uint64_t>(r), QELFIN_MISSING_BITS);
}

TEST_F(Solver, ByValueForm) {
    Flows f{{-100, 110}};
    int32_t err = 5;
    EXPECT_NEAR(solve_value(1, 2, &Flows::read, &f, &err), 0.1, 1e-15);
    EXPECT_EQ(err, 0);
    Flows g{{100, 50}};
    const double r = solve_value(1, 2, &Flows::read, &g, &err);
    EXPECT_EQ(err, 1);
    EXPECT_EQ(std::bit_cast<uint64_t>(r), QELFIN_MISSING_BITS);
}

// 1 + 1.5x - 0.5x^2 + x^3 = (x + 0.5)(x^2 - x + 2): two sign changes, no
// positive root.  Both Newton runs fail and Laguerre reaches x = -0.5, which
// no continuous or fractional rate can express (-997); a whole frequency
// takes the signed power: 1/(-0.5) - 1 = -3, 1/(-0.5)^2 - 1 = 3.
TEST_F(Solver, NegativeRootFromLaguerre) {
    const std::vector<double> c = {1, 1.5, -0.5, 1};
    struct Case {
        double freq;
        int32_t code;
        double rate;
    };
    for (const Case& k : {Case{1, 0, -3.0}, Case{2, 0, 3.0}, Case{0, -997, 0}, Case{0.5, -997, 0}}) {
        Flows f{c};
        ZirrParams p;
        ASSERT_EQ(run(f, k.freq, &p), k.code) << k.freq;
        EXPECT_EQ(p.sign_changes, 2);
        EXPECT_EQ(p.multiple, 1);
        if (k.code == 0)
            EXPECT_NEAR(p.rate, k.rate, 1e-12) << k.freq;
        else
            EXPECT_EQ(p.rate, -12345.0) << k.freq;
    }
}

// Roots 0.8, 0.9 and 1.25 of the discount factor: the run from just below 1
// reports one of the two roots in (0, 1], never the negative rate.
TEST_F(Solver, SeveralSignChangesPreferARateAtLeastZero) {
    // 10 (x - 0.8)(x - 0.9)(x - 1.25), expanded
    Flows f{{-9.0, 10 * (0.72 + 1.0 + 1.125), -29.5, 10.0}};
    ZirrParams p;
    ASSERT_EQ(run(f, 1, &p), 0);
    EXPECT_EQ(p.sign_changes, 3);
    EXPECT_EQ(p.multiple, 1);
    const double r = p.rate;
    EXPECT_TRUE(std::fabs(r - 0.25) < 1e-9 || std::fabs(r - (1 / 0.9 - 1)) < 1e-9) << r;
}

// ---------------------------------------------------------------------------
// The scratch pool: one creation with the parameter record and the name,
// one block of count doubles, destroyed on every path after creation.

TEST_F(Solver, PoolOnEveryPath) {
    const std::vector<std::vector<double>> series = {
        {-100, 110},           // one sign change
        {-100, 230, -132},     // several, Newton
        {1, -3, 3},            // several, Laguerre fails
        {100, 50},             // none
        {0, 0, 0},             // all zero
    };
    for (const auto& c : series) {
        Toolkit& tk = host.toolkit();
        tk.reset_counts();
        Flows f{c};
        ZirrParams p;
        run(f, 1, &p);
        ASSERT_EQ(tk.creations().size(), 1u);
        const Toolkit::Creation made = tk.creations()[0];
        EXPECT_EQ(made.parm[0], 0x80000000u);
        EXPECT_EQ(made.parm[1], 0u);
        EXPECT_EQ(made.parm[2], 0u);
        EXPECT_EQ(made.zero, 0);
        EXPECT_EQ(made.name, "WORKPOOL");
        EXPECT_EQ(tk.allocations(), std::vector<size_t>{c.size() * sizeof(double)});
        EXPECT_EQ(tk.created(), 1);
        EXPECT_EQ(tk.destroyed(), 1);
        EXPECT_EQ(tk.live_pools(), 0);
    }
}

TEST_F(Solver, PoolFailures) {
    Toolkit& tk = host.toolkit();
    Flows f{{-100, 110}};
    ZirrParams p;

    tk.set_fail_create(true);
    EXPECT_EQ(run(f, 1, &p), 1);
    EXPECT_EQ(tk.creations().size(), 1u);
    EXPECT_EQ(tk.created(), 0);
    EXPECT_EQ(tk.live_pools(), 0);
    EXPECT_EQ(f.reads, 0);
    EXPECT_EQ(p.rate, -12345.0);
    tk.set_fail_create(false);

    tk.reset_counts();
    tk.set_fail_allocate(true);
    EXPECT_EQ(run(f, 1, &p), 1);
    EXPECT_EQ(tk.created(), 1);
    EXPECT_EQ(tk.destroyed(), 1);
    EXPECT_EQ(tk.live_pools(), 0);
    EXPECT_EQ(f.reads, 0);
    tk.set_fail_allocate(false);

    tk.reset_counts();
    EXPECT_EQ(run(f, 1, &p), 0);
    EXPECT_EQ(tk.live_pools(), 0);
}

// ---------------------------------------------------------------------------
// Random realistic series with one sign change against long double.

// Sign of p(e^t) = sum c_i e^(i t), by Horner in x for x <= 1 and in 1/x on
// the reversed series above (the sign of x^n q(1/x) is that of q).
int sign_at(const std::vector<double>& c, long double t) {
    const long double x = expl(t);
    long double s = 0.0L;
    if (x <= 1.0L) {
        for (size_t i = c.size(); i-- > 0;) s = s * x + c[i];
    } else {
        const long double y = 1.0L / x;
        for (double a : c) s = s * y + a;
    }
    return s > 0 ? 1 : (s < 0 ? -1 : 0);
}

// The periodic rate of the unique positive root, by bisection in ln x.
long double bisection_rate(const std::vector<double>& c) {
    long double lo = -40.0L, hi = 40.0L;
    const int s_lo = sign_at(c, lo);
    EXPECT_EQ(s_lo, -sign_at(c, hi)) << "root outside the bracket";
    for (int i = 0; i < 80 && hi - lo > 1e-17L; ++i) {
        const long double mid = (lo + hi) / 2;
        const int s = sign_at(c, mid);
        if (s == 0) return expl(-mid) - 1;
        (s == s_lo ? lo : hi) = mid;
    }
    return expl(-(lo + hi) / 2) - 1;
}

struct Generator {
    std::mt19937_64 rng;
    explicit Generator(uint64_t seed) : rng(seed) {}

    double uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); }
    int32_t integer(int32_t a, int32_t b) { return std::uniform_int_distribution<int32_t>(a, b)(rng); }
    double cents(double v) { return std::round(v * 100.0) / 100.0; }

    // Number of flows, log-uniform over 2..32767.
    int32_t length() { return static_cast<int32_t>(std::exp(uniform(std::log(2.0), std::log(32767.5)))); }

    // A loan seen by the lender: principal out, level payments back.
    std::vector<double> loan(int32_t flows) {
        const double principal = cents(uniform(1e3, 1e6));
        const double r = uniform(0.0005, 0.03);
        const int32_t n = flows - 1;
        const double payment = cents(principal * r / (1 - std::pow(1 + r, -n)));
        std::vector<double> c(static_cast<size_t>(flows), payment);
        c[0] = -principal;
        return c;
    }

    // A bond bought at a price: coupons, then coupon and face value.
    std::vector<double> bond(int32_t flows) {
        const double coupon = std::round(uniform(0.0, 8.0) * 8) / 8;
        std::vector<double> c(static_cast<size_t>(flows), coupon);
        c[0] = -cents(uniform(70.0, 130.0));
        c.back() += 100.0;
        return c;
    }

    // A project: a few outlays, then returns that grow or fade, some zero.
    std::vector<double> project(int32_t flows) {
        std::vector<double> c(static_cast<size_t>(flows));
        const int32_t outlays = std::min(flows - 1, integer(1, 3));
        double invested = 0.0;
        for (int32_t i = 0; i < outlays; ++i) invested += -(c[static_cast<size_t>(i)] = -cents(uniform(1e4, 1e6)));
        const int32_t returns = flows - outlays;
        const double growth = uniform(-0.02, 0.01);
        double level = invested * uniform(0.5, 3.0) / returns;
        for (int32_t i = outlays; i < flows; ++i) {
            c[static_cast<size_t>(i)] = integer(0, 9) == 0 ? 0.0 : cents(level * uniform(0.5, 1.5));
            level *= 1 + growth;
        }
        if (c.back() == 0.0) c.back() = cents(invested * 0.1);
        return c;
    }
};

#if defined(__i386__) || defined(__SANITIZE_ADDRESS__)
constexpr int kRandomSeries = 36;  // emulated or instrumented: fewer, same roads
#else
constexpr int kRandomSeries = 300;
#endif

TEST_F(Solver, RandomSeriesAgainstBisection) {
    Generator gen(20240611);
    double worst = 0.0;
    for (int k = 0; k < kRandomSeries; ++k) {
        const int32_t flows = k == 0 ? 2 : (k == 1 ? 32767 : gen.length());
        std::vector<double> c;
        switch (k % 3) {
            case 0: c = gen.loan(flows); break;
            case 1: c = gen.bond(flows); break;
            default: c = gen.project(flows); break;
        }
        Flows f{c};
        ZirrParams p;
        const int32_t code = run(f, 1, &p);
        ASSERT_EQ(code, 0) << "series " << k << " of " << flows << " flows";
        ASSERT_EQ(p.sign_changes, 1);
        const long double expected = bisection_rate(c);
        const double error = static_cast<double>(fabsl(p.rate - expected) / (1 + expected));
        worst = std::max(worst, error);
        EXPECT_LT(error, 1e-12) << "series " << k << " of " << flows << " flows, rate " << p.rate;
    }
    std::printf("worst relative error in 1 + r over %d series: %.3g\n", kRandomSeries, worst);
}

}  // namespace
