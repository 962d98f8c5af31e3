// EvalPol, evalPolLaguerre: the cash-flow polynomial and its derivatives at
// a discount factor x, as mantissas sharing a base-e exponent.
//
// Method.  For |x| < 1 the powers of x only shrink: p, p' and p'' are Horner
// sums over the coefficients a_i, i a_i and i (i-1) a_i, exponent 0.  For
// |x| >= 1 (and for an x that is not a number) x^n would overflow long
// before the largest degree: the reversed polynomial q(y) = y^n p(1/y) and
// its derivatives are Horner sums in y = 1/x, and
//   p(x)   = x^n q
//   p'(x)  = x^n (n q - y q') y
//   p''(x) = x^n ((n q - 2 y q') (n - 1) + y^2 q'') y^2
// with x^n = sigma e^L, L = n ln|x|, carried as the mantissa factor
// m = sigma e^(L - E) and the exponent E = trunc(L).  The only power formed
// is |x|^n or |y|^n of a base at most 1, for the far-end test.
//
// Far-end test: when the coefficient at the far end of the evaluation
// (a_n for |x| < 1, a_0 for |x| >= 1) times its power is smaller than
// PRECISION_GUARD times the coefficient at the near end, the far end is
// lost in rounding and far_end_lost is set.  It is never cleared here.
#include "cashflow/polynomial.h"
#include "numeric/limits.h"

#include <cmath>

namespace qelfin::cashflow {

namespace {

// The integer part of L (>= 0 for every finite x with |x| >= 1).  An L that
// is not a number or beyond the 32-bit range yields the integer-indefinite
// value that the processor's truncating conversion gives for it.
int32_t truncated_exponent(double L) {
    if (!(std::fabs(L) < numeric::kInt32End)) return INT32_MIN;
    return static_cast<int32_t>(L);
}

// x^n = sigma e^L split as m e^E; sigma = -1 for odd n and negative x.
struct PowerScale {
    double m;
    int32_t E;
};

PowerScale power_scale(int32_t n, double x) {
    const double L = static_cast<double>(n) * std::log(std::fabs(x));
    const int32_t E = truncated_exponent(L);
    double m = std::exp(L - static_cast<double>(E));
    if ((n & 1) != 0 && x < 0) m = -m;
    return {m, E};
}

// Far-end test; base is |x| < 1 or |y| <= 1.
void check_far_end(Polynomial* p, double base, double near_abs, double far_abs) {
    if (PRECISION_GUARD * near_abs > std::pow(base, static_cast<double>(p->degree)) * far_abs)
        p->far_end_lost = 1;
}

}  // namespace

void EvalPol(Polynomial* p, double x) {
    const int32_t n = p->degree;
    const double* a = p->coef;

    if (std::fabs(x) < 1.0) {
        double v = a[n];
        double d = 0.0;
        if (n >= 1) {
            d = static_cast<double>(n) * a[n];
            for (int32_t i = n - 1; i >= 1; --i) {
                v = v * x + a[i];
                d = d * x + static_cast<double>(i) * a[i];
            }
            v = v * x + a[0];
        }
        p->val = v;
        p->der1 = d;
        p->exponent = 0;
        check_far_end(p, std::fabs(x), p->first_abs, p->last_abs);
        return;
    }

    const double y = 1.0 / x;
    double q = a[0];
    double qd = 0.0;
    if (n >= 1) {
        qd = static_cast<double>(n) * a[0];
        for (int32_t i = 1; i <= n - 1; ++i) {
            q = q * y + a[i];
            qd = qd * y + static_cast<double>(n - i) * a[i];
        }
        q = q * y + a[n];
    }
    check_far_end(p, std::fabs(y), p->last_abs, p->first_abs);

    const PowerScale s = power_scale(n, x);
    const double dn = static_cast<double>(n);
    p->val = q * s.m;
    p->der1 = (dn * q - y * qd) * y * s.m;
    p->exponent = s.E;
}

void evalPolLaguerre(Polynomial* p, double x) {
    const int32_t n = p->degree;
    const double* a = p->coef;

    if (std::fabs(x) < 1.0) {
        double v = a[n];
        double d = 0.0;
        double d2 = 0.0;
        if (n >= 2) {
            d = static_cast<double>(n) * a[n];
            d2 = static_cast<double>(n) * static_cast<double>(n - 1) * a[n];
            for (int32_t i = n - 1; i >= 2; --i) {
                v = v * x + a[i];
                d = d * x + static_cast<double>(i) * a[i];
                d2 = d2 * x + static_cast<double>(i) * static_cast<double>(i - 1) * a[i];
            }
            v = v * x + a[1];
            d = d * x + a[1];
            v = v * x + a[0];
        } else if (n == 1) {
            d = a[1];
            v = v * x + a[0];
        }
        p->val = v;
        p->der1 = d;
        p->der2 = d2;
        p->exponent = 0;
        check_far_end(p, std::fabs(x), p->first_abs, p->last_abs);
        return;
    }

    const double y = 1.0 / x;
    double q = a[0];
    double qd = 0.0;
    double w = 0.0;
    if (n >= 2) {
        qd = static_cast<double>(n) * a[0];
        w = static_cast<double>(n) * static_cast<double>(n - 1) * a[0];
        for (int32_t i = 1; i <= n - 2; ++i) {
            q = q * y + a[i];
            qd = qd * y + static_cast<double>(n - i) * a[i];
            w = w * y + static_cast<double>(n - i) * static_cast<double>(n - i - 1) * a[i];
        }
        q = q * y + a[n - 1];
        qd = qd * y + a[n - 1];
        q = q * y + a[n];
    } else if (n == 1) {
        qd = a[0];
        q = q * y + a[1];
    }
    check_far_end(p, std::fabs(y), p->last_abs, p->first_abs);

    const PowerScale s = power_scale(n, x);
    const double dn = static_cast<double>(n);
    const double y2 = y * y;
    p->val = q * s.m;
    p->der1 = (dn * q - y * qd) * y * s.m;
    p->der2 = ((dn * q - 2.0 * y * qd) * static_cast<double>(n - 1) + y2 * w) * y2 * s.m;
    p->exponent = s.E;
}

}  // namespace qelfin::cashflow
