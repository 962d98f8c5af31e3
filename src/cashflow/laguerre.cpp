// laguerrePol: Laguerre's method on the full cash-flow polynomial, the last
// resort for a series with several sign changes.
//
// Method.  The step x - n / (G +- sqrt((n-1)(n H - G^2))), G = p'/p,
// H = G^2 - p''/p, multiplied through by |p|/n:
//   D = c2 (c2 p'^2 - p p''),  c1 = 1/n, c2 = 1 - c1,
//   dx = |p| / (c1 g +- sqrt(D)),  g = sign(p) p',
// the sign chosen to make the denominator larger.  The mantissas of the
// evaluation serve as they are, since every term carries the same e^E.
// Starts: 0.99, then zranuniValues[0..3].  A start whose D is negative is
// abandoned.  A point is accepted when |p| < 1e-12 max|a_i| or when the
// step is below 1e-12 |x| (or not a number).  The 40 evaluations are shared
// by all starts, and a root is good only if found within the first 39.
#include "cashflow/polynomial.h"

#include <cmath>

namespace qelfin::cashflow {

const double zranuniValues[10] = {
    0.3629244535057, 0.7451947130008, 0.8310586730163, 0.2762771729735, 0.1838237541652,
    0.7288826889027, 0.0778925298145, 0.734318205963,  0.7072535379358, 0.7640795124527,
};

namespace {

constexpr double kFirstStart = 0.99;
constexpr int32_t kRestarts = 4;            // zranuniValues[0..3]
constexpr double kLaguerreTolerance = 1e-12;
constexpr int32_t kEvaluationBudget = 40;   // over all starts

}  // namespace

int32_t laguerrePol(IrrWork* w) {
    Polynomial* full = w->full;
    const double n = static_cast<double>(full->degree);
    const double M = full->max_abs;
    const double c1 = 1.0 / n;
    const double c2 = 1.0 - c1;

    int32_t evaluations = 0;
    for (int32_t start = 0; start <= kRestarts; ++start) {
        double x = start == 0 ? kFirstStart : zranuniValues[start - 1];
        bool accepted = false;
        for (;;) {
            ++evaluations;
            evalPolLaguerre(full, x);
            const double p = full->val;
            const double p1 = full->der1;
            const double p2 = full->der2;
            const double sigma = p > 0 ? 1.0 : -1.0;
            const double a = sigma * p;
            const double g = sigma * p1;
            if (kLaguerreTolerance * M > a) {  // |p| negligible
                accepted = true;
                break;
            }
            const double D = c2 * (c2 * p1 * p1 - p * p2);
            if (D < 0) break;  // no real step from here: abandon this start
            const double R = std::sqrt(D);
            const double denominator = g > 0 ? c1 * g + R : c1 * g - R;
            const double dx = a / denominator;
            x = x - dx;
            const double bound = kLaguerreTolerance * std::fabs(x);
            const double step = std::fabs(dx);
            if (bound >= step || std::isnan(bound) || std::isnan(step)) {  // step negligible
                accepted = true;
                break;
            }
            if (evaluations >= kEvaluationBudget) return 1;
        }
        if (accepted) {
            w->root = x;
            return evaluations >= kEvaluationBudget ? 1 : 0;
        }
    }
    return 1;
}

}  // namespace qelfin::cashflow
