// The IRR root finder on its own: evaluation as mantissa and exponent, the
// far-end flag, zero stripping, the split at the sign change and the three
// iterations.  Reference values come from long double sums and from the
// roots a polynomial was built from.
#include "cashflow/polynomial.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace qelfin::cashflow;

// A zero-stripped polynomial over coefficients the test owns.
Polynomial make_polynomial(std::vector<double>& c) {
    Polynomial p;
    std::memset(&p, 0, sizeof p);
    p.coef = c.data();
    p.degree = static_cast<int32_t>(c.size()) - 1;
    EXPECT_TRUE(stripZeros(&p));
    return p;
}

// A work record laid out as the solver lays it out.
struct Work {
    IrrWork w;
    explicit Work(std::vector<double>& c) {
        std::memset(&w, 0, sizeof w);
        w.full = &w.polynomials[0];
        w.high = &w.polynomials[1];
        w.low = &w.polynomials[2];
        w.tolerance = 1e-10;
        w.start = 1.0;
        w.limit = 40;
        *w.full = make_polynomial(c);
        for (double a : c) w.full->max_abs = std::fmax(w.full->max_abs, std::fabs(a));
    }
};

// Coefficients of prod (x - r_j) times lead, lowest power first.
std::vector<double> from_roots(std::initializer_list<double> roots, double lead = 1.0) {
    std::vector<double> c{lead};
    for (double r : roots) {
        std::vector<double> next(c.size() + 1, 0.0);
        for (size_t i = 0; i < c.size(); ++i) {
            next[i + 1] += c[i];
            next[i] -= r * c[i];
        }
        c = next;
    }
    return c;
}

// Positive coefficients without pattern-free structure: 1 + (i mod 7)/8.
std::vector<double> smooth_coefficients(int32_t degree) {
    std::vector<double> c(static_cast<size_t>(degree) + 1);
    for (int32_t i = 0; i <= degree; ++i) c[static_cast<size_t>(i)] = 1.0 + (i % 7) / 8.0;
    return c;
}

// p^(k)(x) / x^n in long double: sum over i of i(i-1)..(i-k+1) a_i y^(n-i+k),
// y = 1/x, summed from the largest power of y down (Horner in y).
long double scaled_derivative(const std::vector<double>& a, long double x, int k) {
    const long double y = 1.0L / x;
    const auto n = static_cast<int32_t>(a.size()) - 1;
    long double s = 0.0L;
    for (int32_t i = 0; i <= n; ++i) {
        long double f = a[static_cast<size_t>(i)];
        for (int j = 0; j < k; ++j) f *= static_cast<long double>(i - j);
        s = s * y + f;
    }
    for (int j = 0; j < k; ++j) s *= y;
    return s;
}

// ---------------------------------------------------------------------------
// Evaluation far from 1: the exponent keeps every degree finite.

struct FarPoint {
    int32_t degree;
    double x;
};

void PrintTo(const FarPoint& p, std::ostream* os) { *os << "degree " << p.degree << " at " << p.x; }

class EvalFar : public ::testing::TestWithParam<FarPoint> {};

TEST_P(EvalFar, MantissaAndExponentGiveTheValueAndDerivatives) {
    const FarPoint fp = GetParam();
    std::vector<double> c = smooth_coefficients(fp.degree);
    Polynomial p = make_polynomial(c);
    evalPolLaguerre(&p, fp.x);

    const long double L = fp.degree * logl(fabsl(fp.x));
    ASSERT_EQ(p.exponent, static_cast<int32_t>(L));
    const long double sigma = (fp.degree % 2 != 0 && fp.x < 0) ? -1.0L : 1.0L;
    const long double scale = sigma * expl(L - p.exponent);  // x^n = scale e^E
    const double values[3] = {p.val, p.der1, p.der2};
    for (int k = 0; k < 3; ++k) {
        ASSERT_TRUE(std::isfinite(values[k])) << "derivative " << k;
        const long double expected = scaled_derivative(c, fp.x, k) * scale;
        EXPECT_NEAR(static_cast<double>(values[k] / expected), 1.0, 1e-11) << "derivative " << k;
    }

    // EvalPol is the same evaluation without the second derivative.
    Polynomial q = make_polynomial(c);
    EvalPol(&q, fp.x);
    EXPECT_EQ(q.val, p.val);
    EXPECT_EQ(q.der1, p.der1);
    EXPECT_EQ(q.exponent, p.exponent);
}

INSTANTIATE_TEST_SUITE_P(Degrees, EvalFar,
                         ::testing::Values(FarPoint{1000, 2.0}, FarPoint{1000, -2.0}, FarPoint{999, -2.0},
                                           FarPoint{32766, 2.0}, FarPoint{32766, -2.0}, FarPoint{32765, -2.0},
                                           FarPoint{360, 1.0}, FarPoint{360, 1.07}, FarPoint{3, -1.5}),
                         [](const ::testing::TestParamInfo<FarPoint>& point) {
                             const double x = point.param.x;
                             std::string at = std::to_string(std::fabs(x));
                             at = at.substr(0, at.find_last_not_of('0') + 1);
                             if (at.back() == '.') at.pop_back();
                             for (char& ch : at)
                                 if (ch == '.') ch = '_';
                             return "degree" + std::to_string(point.param.degree) + (x < 0 ? "_at_minus" : "_at_") + at;
                         });

TEST(EvalPol, Degree1000AtTwoHasExponent693) {
    std::vector<double> c = smooth_coefficients(1000);
    Polynomial p = make_polynomial(c);
    EvalPol(&p, 2.0);
    EXPECT_EQ(p.exponent, 693);
    EXPECT_GT(p.val, 0.0);
    EvalPol(&p, -2.0);
    EXPECT_EQ(p.exponent, 693);
    EXPECT_GT(p.val, 0.0);  // even degree: sigma = +1 and a_n dominates
}

// Inside the unit interval the results are the Horner sums over a_i, i a_i
// and i (i-1) a_i themselves (not the running form d = d x + p, which
// differs in the last bits), with exponent 0.
TEST(EvalPol, InsideUnitIntervalIsPlainHorner) {
    std::vector<double> c = {-1000.0, 37.5, 41.25, 0.1, -3.3, 80.0, 80.0, 95.5, 1e-3, 120.0, 1100.0};
    const int32_t n = static_cast<int32_t>(c.size()) - 1;
    for (double x : {0.0, 0.3, 0.9, 0.999999999999, -0.7}) {
        double v = c[static_cast<size_t>(n)];
        double d = n * c[static_cast<size_t>(n)], d2 = n * (n - 1.0) * c[static_cast<size_t>(n)];
        for (int32_t i = n - 1; i >= 0; --i) {
            v = v * x + c[static_cast<size_t>(i)];
            if (i >= 1) d = d * x + i * c[static_cast<size_t>(i)];
            if (i >= 2) d2 = d2 * x + (i * (i - 1.0)) * c[static_cast<size_t>(i)];
        }
        Polynomial p = make_polynomial(c);
        evalPolLaguerre(&p, x);
        EXPECT_EQ(p.exponent, 0) << x;
        EXPECT_EQ(p.val, v) << x;
        EXPECT_EQ(p.der1, d) << x;
        EXPECT_EQ(p.der2, d2) << x;
    }
}

TEST(EvalPol, LowDegrees) {
    std::vector<double> constant = {-7.0};
    Polynomial p = make_polynomial(constant);
    for (double x : {0.5, 3.0}) {
        evalPolLaguerre(&p, x);
        EXPECT_EQ(p.val * std::exp(p.exponent), -7.0) << x;
        EXPECT_EQ(p.der1, 0.0) << x;
        EXPECT_EQ(p.der2, 0.0) << x;
    }
    std::vector<double> line = {-100.0, 110.0};
    Polynomial q = make_polynomial(line);
    evalPolLaguerre(&q, 0.5);
    EXPECT_EQ(q.val, -45.0);
    EXPECT_EQ(q.der1, 110.0);
    EXPECT_EQ(q.der2, 0.0);
    evalPolLaguerre(&q, 4.0);  // exponent 1: 4 = 1.386 e^1
    EXPECT_EQ(q.exponent, 1);
    EXPECT_NEAR(q.val * std::exp(1.0), 340.0, 1e-12);
    EXPECT_NEAR(q.der1 * std::exp(1.0), 110.0, 1e-12);
}

// p(x) = 1 + x^60: the far end is lost at 0.5 (0.5^60 ~ 8.7e-19) and at 2
// (2^-60), but not at 0.9 (0.9^60 ~ 1.8e-3).  The flag is only ever set.
TEST(EvalPol, FarEndLost) {
    std::vector<double> c(61, 0.0);
    c[0] = 1.0;
    c[60] = 1.0;
    struct Case {
        double x;
        uint8_t lost;
    };
    for (const Case& k : {Case{0.5, 1}, Case{0.9, 0}, Case{2.0, 1}, Case{1.1, 0}, Case{-0.5, 1}}) {
        Polynomial p = make_polynomial(c);
        EvalPol(&p, k.x);
        EXPECT_EQ(p.far_end_lost, k.lost) << k.x;
        Polynomial q = make_polynomial(c);
        evalPolLaguerre(&q, k.x);
        EXPECT_EQ(q.far_end_lost, k.lost) << k.x;
    }
    Polynomial p = make_polynomial(c);
    EvalPol(&p, 0.5);
    EvalPol(&p, 0.9);
    EXPECT_EQ(p.far_end_lost, 1);
}

// ---------------------------------------------------------------------------
// Zero stripping and the split.

TEST(StripZeros, BothEnds) {
    std::vector<double> c = {0.0, -0.0, 0.0, -3.0, 0.0, 5.0, -0.0, 0.0};
    Polynomial p;
    std::memset(&p, 0, sizeof p);
    p.coef = c.data();
    p.degree = 7;
    ASSERT_TRUE(stripZeros(&p));
    EXPECT_EQ(p.lead_zeros, 3);
    EXPECT_EQ(p.trail_zeros, 2);
    EXPECT_EQ(p.degree, 2);
    EXPECT_EQ(p.coef, c.data() + 3);
    EXPECT_EQ(p.first_abs, 3.0);
    EXPECT_EQ(p.last_abs, 5.0);

    std::vector<double> zeros = {0.0, -0.0, 0.0};
    Polynomial z;
    std::memset(&z, 0, sizeof z);
    z.coef = zeros.data();
    z.degree = 2;
    EXPECT_FALSE(stripZeros(&z));

    std::vector<double> inf = {INFINITY, 0.0};
    Polynomial i;
    std::memset(&i, 0, sizeof i);
    i.coef = inf.data();
    i.degree = 1;
    ASSERT_TRUE(stripZeros(&i));
    EXPECT_EQ(i.degree, 0);
    EXPECT_EQ(i.first_abs, INFINITY);
}

struct SplitCase {
    std::vector<double> c;
    int32_t code;
    int32_t k;
    std::vector<double> low;
    int32_t low_trail_zeros;
    std::vector<double> high;
};

TEST(Decompose, Cases) {
    const SplitCase cases[] = {
        {{-1, -2, 3, 4}, 0, 2, {-1, -2}, 0, {3, 4}},
        {{5, 0, 0, -3}, 0, 3, {5}, 2, {-3}},
        {{-100, 110}, 0, 1, {-100}, 0, {110}},
        {{-100, 0, -5, 0, 60, 0, 70}, 0, 4, {-100, 0, -5}, 1, {60, 0, 70}},
        {{7}, -995, 0, {}, 0, {}},
        {{1, 2, 3}, -995, 0, {}, 0, {}},
    };
    for (const SplitCase& s : cases) {
        std::vector<double> c = s.c;
        Work work(c);
        const int32_t code = Decompose(&work.w);
        ASSERT_EQ(code, s.code) << c.size();
        if (code != 0) {
            EXPECT_EQ(work.w.split, code);
            continue;
        }
        EXPECT_EQ(work.w.split, s.k);
        const Polynomial& low = *work.w.low;
        const Polynomial& high = *work.w.high;
        EXPECT_EQ(std::vector<double>(low.coef, low.coef + low.degree + 1), s.low);
        EXPECT_EQ(low.trail_zeros, s.low_trail_zeros);
        EXPECT_EQ(std::vector<double>(high.coef, high.coef + high.degree + 1), s.high);
        EXPECT_EQ(high.coef, c.data() + s.k);
    }
}

// ---------------------------------------------------------------------------
// The iterations.

TEST(NewtonSplit, SimpleInvestment) {
    std::vector<double> c = {-100.0, 110.0};
    Work work(c);
    ASSERT_EQ(Decompose(&work.w), 0);
    ASSERT_EQ(newtonSplit(&work.w), 0);
    EXPECT_NEAR(work.w.root, 100.0 / 110.0, 1e-15);
}

TEST(NewtonPol, EachSideFindsItsRoot) {
    std::vector<double> c = from_roots({0.9, 2.0});  // 1.8 - 2.9x + x^2
    Work work(c);
    const double scale = 1e-10 * 2.9;
    ASSERT_TRUE(newtonPol(&work.w, NewtonSide::kFromBelow, scale));
    EXPECT_NEAR(work.w.root, 0.9, 1e-12);
    ASSERT_TRUE(newtonPol(&work.w, NewtonSide::kFromAbove, scale));
    EXPECT_NEAR(work.w.root, 2.0, 1e-12);
}

// With roots 1.25 and 1.6 only, a run from below never converges; with
// roots 0.4 and 0.5 only, a run from above never converges.
TEST(NewtonPol, NoRootOnItsSideFails) {
    std::vector<double> above = from_roots({1.25, 1.6});
    Work a(above);
    EXPECT_FALSE(newtonPol(&a.w, NewtonSide::kFromBelow, 1e-10 * 2.85));
    std::vector<double> below = from_roots({0.4, 0.5});
    Work b(below);
    EXPECT_FALSE(newtonPol(&b.w, NewtonSide::kFromAbove, 1e-10 * 0.9));
}

// 1 - 2x + 1e-9 x^40 has a root near 0.5, where x^40 is lost in rounding:
// the run from below converges there but fails on the far-end flag; the run
// from above stops near the root at 1.7165.
TEST(NewtonPol, FarEndLostFailsTheRun) {
    std::vector<double> c(41, 0.0);
    c[0] = 1.0;
    c[1] = -2.0;
    c[40] = 1e-9;
    Work work(c);
    EXPECT_FALSE(newtonPol(&work.w, NewtonSide::kFromBelow, 2e-10));
    EXPECT_EQ(work.w.full->far_end_lost, 1);
    ASSERT_TRUE(newtonPol(&work.w, NewtonSide::kFromAbove, 2e-10));
    // The root above 1 by bisection in long double.
    auto p = [](long double x) { return 1.0L - 2.0L * x + 1e-9L * powl(x, 40); };
    long double lo = 1.5L, hi = 2.0L;
    for (int i = 0; i < 80; ++i) (p((lo + hi) / 2) < 0 ? lo : hi) = (lo + hi) / 2;
    EXPECT_NEAR(work.w.root, static_cast<double>(lo), 1e-5);
}

TEST(LaguerrePol, NoRealRootAbandonsEveryStart) {
    std::vector<double> c = {1.0, -3.0, 3.0};  // discriminant 9 - 12 < 0
    Work work(c);
    work.w.root = 123.0;
    EXPECT_EQ(laguerrePol(&work.w), 1);
    EXPECT_EQ(work.w.root, 123.0);
}

TEST(LaguerrePol, ConvergesToARealRoot) {
    // Roots 0.7, 1.3 and -2: Laguerre from 0.99 lands on one of them.
    std::vector<double> c = from_roots({0.7, 1.3, -2.0}, 3.0);
    Work work(c);
    ASSERT_EQ(laguerrePol(&work.w), 0);
    const double r = work.w.root;
    const double nearest = std::fmin(std::fabs(r - 0.7), std::fmin(std::fabs(r - 1.3), std::fabs(r + 2.0)));
    EXPECT_LT(nearest, 1e-12) << r;
}

}  // namespace
