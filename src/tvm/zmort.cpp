// zmort(a, p, r, n, which, err): the quantity `which` (1 a, 2 p, 3 r, 4 n)
// of a loan of a repaid by n payments p at the end of each period at rate r,
//   p = a r / (1 - (1 + r)^-n),   p = a / n for a rate of zero;
// the value passed in position `which` is not read.
//
// (1 + r)^-n is taken as e^-t with t = n ln(1 + r), through zln1px and
// zexpm1, so that rates near zero keep their precision; |r| < 1e-10 uses
// the zero-rate formulas.  The rate is found by Newton's method on
//   g(x) = (1 - (1 + x)^-n) / x - a / p,
// the present value of a payment of 1 less a / p, which falls as x rises,
// starting from x0 = p/a - a/(n^2 p) (floored at -0.8); a step that would
// reach -1 or below is replaced by the midpoint of x and -1.
//
// Returns 0.0 with a positive code on failure:
//   1  rate <= -1 or term out of range computing a or p
//   2  a, p or n not positive computing r
//   3  a or p below 2^-511, or rate <= -1, computing n
//   4  payment not above the interest r a: the loan is never repaid
//   5  payments add up to less than the loan (would need a negative rate)
//   6  the rate search did not converge in 100 steps
#include <qelfin/qelfin.h>
#include "numeric/limits.h"

#include <cmath>

namespace {

using qelfin::numeric::kRootOfSmallest;

constexpr double kLowestRate = -1.0;              // rates at or below are refused
constexpr double kZeroRate = 1e-10;               // |r| below: the zero-rate formulas
constexpr double kTolerance = 1e-9;               // zero-rate test on x0, convergence test on g
constexpr double kStartFloor = -0.8;              // lowest starting rate
constexpr int kMaxSteps = 100;                    // Newton steps before giving up
constexpr double kRepaidBound = 0.9999999999;     // r a / p at or above: interest eats the payment

double refuse(int32_t* err, int32_t code) {
    *err = code;
    return 0.0;
}

// Rate x with (1 - (1 + x)^-n) / x = q (q = a / p, a <= p n).
double solve_rate(double a, double p, double n, int32_t* err) {
    const double q = a / p;
    const double x0 = p / a - a / ((n * n) * p);
    *err = 0;
    if (std::fabs(x0) < kTolerance) return 0.0;
    double x = std::fmax(x0, kStartFloor);
    for (int step = 0; step < kMaxSteps; ++step) {
        const double t = zln1px(x) * n;
        const double discount = std::exp(-t);   // (1 + x)^-n
        const double less_one = zexpm1(-t);     // (1 + x)^-n - 1
        const double g = (-less_one) / x - q;
        if (std::fabs(g) < kTolerance) return x;
        const double slope = ((discount * n) / (1.0 + x)) / x + less_one / (x * x);
        const double next = x - g / slope;
        x = next <= kLowestRate ? (x + kLowestRate) * 0.5 : next;
    }
    return refuse(err, 6);
}

}  // namespace

extern "C" QELFIN_API double zmort(double a, double p, double r, double n, int32_t which, int32_t* err) {
    switch (which) {
        case 1: {
            if (r <= kLowestRate || n < 0) return refuse(err, 1);
            *err = 0;
            if (std::fabs(r) < kZeroRate) return p * n;
            const double t = zln1px(r) * n;
            const double e = zexpm1(-t);
            return (-(e * p)) / r;
        }
        case 2: {
            if (r <= kLowestRate || n <= 0) return refuse(err, 1);
            *err = 0;
            if (std::fabs(r) < kZeroRate) return a / n;
            const double t = zln1px(r) * n;
            const double e = zexpm1(-t);
            return (r * a) / (-e);
        }
        case 3:
            if (a <= 0 || p <= 0 || n <= 0) return refuse(err, 2);
            if (a > p * n) return refuse(err, 5);
            return solve_rate(a, p, n, err);
        case 4:
            if (a <= kRootOfSmallest || p <= kRootOfSmallest || r <= kLowestRate) return refuse(err, 3);
            if (r * (a / p) >= kRepaidBound) return refuse(err, 4);
            *err = 0;
            if (std::fabs(r) < kZeroRate) return a / p;
            return (-zln1px((-(a * r)) / p)) / zln1px(r);
        default:
            *err = 0;
            return 0.0;
    }
}
