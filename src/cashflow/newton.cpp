// newtonSplit, newtonPol: the Newton iterations of the IRR root finder.
//
// newtonSplit (one sign change).  With p(x) = low(x) + x^k high(x) from
// Decompose, the root is the zero of
//   f(t)  = ln|low(e^t)| - ln|high(e^t)| - k t,
//   f'(t) = x low'(x)/low(x) - x high'(x)/high(x) - k,   x = e^t,
// which is monotone, so Newton from t = ln(start) = 0 (x = 1) converges to
// the unique positive root; every iterate x = e^t is positive.  The
// logarithms take the evaluations' exponents, so no part ever overflows.
// Converged when a step |dt| <= tolerance; at most limit (40) steps.
//
// newtonPol (several sign changes).  Plain Newton x' = x - p/p' on the full
// polynomial, kept on one side of 1: from below every iterate stays in
// (0, 1] (a step leaving it halves the previous iterate), from above every
// iterate stays above 1 (a step leaving it adds 1 to the previous iterate).
// Converged when |p| (mantissa) < scale or |p/p'| < tolerance; the root is
// then the last x'.  A run during which any evaluation lost the far end of
// the polynomial fails, since its root cannot be trusted.
#include "cashflow/polynomial.h"

#include <cmath>

namespace qelfin::cashflow {

namespace {

constexpr double kStartBelow = 0.999999999999;  // just below x = 1 (rate just above 0)
constexpr double kStartAbove = 1.000000000001;  // just above x = 1 (rate just below 0)

}  // namespace

int32_t newtonSplit(IrrWork* w) {
    Polynomial* high = w->high;
    Polynomial* low = w->low;
    const double k = static_cast<double>(w->split);
    const double tol = w->tolerance;

    double t = std::log(w->start);
    for (int32_t step = 0; step < w->limit; ++step) {
        const double x = std::exp(t);
        EvalPol(high, x);
        EvalPol(low, x);
        const double f = (std::log(std::fabs(low->val)) + static_cast<double>(low->exponent)) -
                         (std::log(std::fabs(high->val)) + static_cast<double>(high->exponent)) - k * t;
        const double df = x * low->der1 / low->val - x * high->der1 / high->val - k;
        const double delta = -f / df;
        t = t + delta;
        if (std::fabs(delta) <= tol) {
            w->root = std::exp(t);
            return 0;
        }
    }
    return kNewtonSplitNoConvergence;
}

bool newtonPol(IrrWork* w, NewtonSide side, double scale) {
    Polynomial* full = w->full;
    const double tol = w->tolerance;

    full->far_end_lost = 0;
    double x = side == NewtonSide::kFromBelow ? kStartBelow : kStartAbove;
    for (int32_t step = 0; step < w->limit; ++step) {
        EvalPol(full, x);
        const double r = full->val / full->der1;
        const double next = x - r;
        if (std::fabs(full->val) < scale || std::fabs(r) < tol) {
            if (full->far_end_lost) return false;
            w->root = next;
            return true;
        }
        if (side == NewtonSide::kFromBelow)
            x = (next <= 0 || next > 1) ? x / 2 : next;
        else
            x = next > 1 ? next : x + 1;
    }
    return false;
}

}  // namespace qelfin::cashflow
