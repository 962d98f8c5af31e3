// The IRR root finder on its own (compiled into this test): evaluation as
// mantissa and base-e exponent, the far-end flag and the iterations (the
// split at the sign change is taken through zirr_s in irr_test).  References are long double
// sums and the roots a polynomial is made of.
#include "cashflow/polynomial.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

using namespace qelfin::cashflow;

Polynomial stripped(std::vector<double>& c) {
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
        *w.full = stripped(c);
        for (const double a : c) w.full->max_abs = std::fmax(w.full->max_abs, std::fabs(a));
    }
};

// p^(k)(x) / x^n in long double, summed from the largest power of 1/x down.
long double scaled_derivative(const std::vector<double>& a, long double x, int k) {
    long double s = 0.0L;
    for (size_t i = 0; i < a.size(); ++i) {
        long double f = a[i];
        for (int j = 0; j < k; ++j) f *= static_cast<long double>(i) - j;
        s = s / x + f;
    }
    return s / powl(x, k);
}

// Far from 1 the exponent keeps every degree finite: mantissa times e^E is the
// value and both derivatives; EvalPol agrees with evalPolLaguerre.
TEST(EvalPol, MantissaAndExponentFarFromOne) {
    const struct {
        int32_t degree;
        double x;
    } points[] = {{1000, 2.0},   {1000, -2.0},  {999, -2.0}, {32766, 2.0}, {32766, -2.0},
                  {32765, -2.0}, {360, 1.0},    {360, 1.07}, {3, -1.5}};
    for (const auto& fp : points) {
        SCOPED_TRACE(testing::Message() << "degree " << fp.degree << " at " << fp.x);
        std::vector<double> c(static_cast<size_t>(fp.degree) + 1);
        for (size_t i = 0; i < c.size(); ++i) c[i] = 1.0 + static_cast<double>(i % 7) / 8.0;
        Polynomial p = stripped(c), q = stripped(c);
        evalPolLaguerre(&p, fp.x);
        EvalPol(&q, fp.x);
        const long double L = fp.degree * logl(fabsl(fp.x));
        ASSERT_EQ(p.exponent, static_cast<int32_t>(L));
        EXPECT_TRUE(fp.degree != 1000 || p.exponent == 693);  // trunc(1000 ln 2)
        const long double scale = (fp.degree % 2 != 0 && fp.x < 0 ? -1 : 1) * expl(L - p.exponent);  // x^n / e^E
        const double values[3] = {p.val, p.der1, p.der2};
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(static_cast<double>(values[k] / (scaled_derivative(c, fp.x, k) * scale)), 1.0, 1e-11) << k;
        EXPECT_TRUE(q.val == p.val && q.der1 == p.der1 && q.exponent == p.exponent);
    }
}

// 1 + x^60: the far end is lost at 0.5 (0.5^60 ~ 8.7e-19) and at 2 (2^-60),
// not at 0.9 (0.9^60 ~ 1.8e-3).  Evaluations only ever set the flag.
TEST(EvalPol, FarEndLost) {
    std::vector<double> c(61, 0.0);
    c[0] = c[60] = 1.0;
    for (const auto& [x, lost] : {std::pair{0.5, 1}, {0.9, 0}, {2.0, 1}, {1.1, 0}, {-0.5, 1}}) {
        Polynomial p = stripped(c), q = stripped(c);
        EvalPol(&p, x);
        evalPolLaguerre(&q, x);
        EXPECT_TRUE(p.far_end_lost == lost && q.far_end_lost == lost) << x;
    }
    Polynomial p = stripped(c);
    EvalPol(&p, 0.5);
    EvalPol(&p, 0.9);
    EXPECT_EQ(p.far_end_lost, 1);
}

TEST(Iterations, NewtonPol) {
    std::vector<double> both = {1.8, -2.9, 1};  // (x - 0.9)(x - 2): each side finds its own root
    Work w(both);
    ASSERT_TRUE(newtonPol(&w.w, NewtonSide::kFromBelow, 1e-10 * 2.9));
    EXPECT_NEAR(w.w.root, 0.9, 1e-12);
    ASSERT_TRUE(newtonPol(&w.w, NewtonSide::kFromAbove, 1e-10 * 2.9));
    EXPECT_NEAR(w.w.root, 2.0, 1e-12);
    std::vector<double> above = {2, -2.85, 1}, below = {0.2, -0.9, 1};  // roots 1.25, 1.6; 0.4, 0.5: wrong side
    Work a(above), b(below);
    EXPECT_FALSE(newtonPol(&a.w, NewtonSide::kFromBelow, 1e-10 * 2.85));
    EXPECT_FALSE(newtonPol(&b.w, NewtonSide::kFromAbove, 1e-10 * 0.9));

    // 1 - 2x + 1e-9 x^40: near the root at 0.5 x^40 is lost in rounding, so
    // the run from below fails on the far-end flag; the run from above stops
    // at the root near 1.7165 (bisection in long double).
    std::vector<double> c(41, 0.0);
    c[0] = 1.0;
    c[1] = -2.0;
    c[40] = 1e-9;
    Work far(c);
    EXPECT_FALSE(newtonPol(&far.w, NewtonSide::kFromBelow, 2e-10));
    EXPECT_EQ(far.w.full->far_end_lost, 1);
    ASSERT_TRUE(newtonPol(&far.w, NewtonSide::kFromAbove, 2e-10));
    long double lo = 1.5L, hi = 2.0L;
    for (int i = 0; i < 80; ++i) {
        const long double mid = (lo + hi) / 2;
        (1 - 2 * mid + 1e-9L * powl(mid, 40) < 0 ? lo : hi) = mid;
    }
    EXPECT_NEAR(far.w.root, static_cast<double>(lo), 1e-5);
}

TEST(Iterations, LaguerrePol) {
    std::vector<double> none = {1.0, -3.0, 3.0};  // discriminant 9 - 12 < 0: every start abandoned
    Work w(none);
    w.w.root = 123.0;
    EXPECT_EQ(laguerrePol(&w.w), 1);
    EXPECT_EQ(w.w.root, 123.0);
    std::vector<double> c = {5.46, -9.27, 0, 3};  // 3 (x - 0.7)(x - 1.3)(x + 2): lands on one of the roots
    Work v(c);
    ASSERT_EQ(laguerrePol(&v.w), 0);
    const double r = v.w.root;
    EXPECT_LT(std::fmin(std::fabs(r - 0.7), std::fmin(std::fabs(r - 1.3), std::fabs(r + 2.0))), 1e-12) << r;
}

// x^2 (x + 0.9), unstripped: from 0.99 Laguerre closes on the double root 0,
// x falling about fourfold a step and no step negligible, so the value test
// alone decides where it stops.  Lowering M tenfold at a time accepts each
// iterate in turn: one found at evaluation 1 to 39 is the root (0), the one
// found at the 40th is not (1), and after that no root is set.
TEST(Iterations, LaguerreBudgetOfFortyEvaluations) {
    std::vector<double> c = {0, 0, 0.9, 1};
    IrrWork w{};
    w.full = &w.polynomials[0];
    w.full->coef = c.data();
    w.full->degree = 3;
    int found = 0;
    double previous = 2;
    for (double M = 1e13; M > 1e-60; M /= 10) {
        w.full->max_abs = M;
        w.root = 7;
        const int32_t code = laguerrePol(&w);
        if (w.root != 7 && w.root != previous) ++found;
        EXPECT_EQ(code, found < 40 && w.root != 7 ? 0 : 1) << "iterate " << found;
        if (w.root != 7) previous = w.root;
    }
    EXPECT_EQ(found, 40);
}

}  // namespace
