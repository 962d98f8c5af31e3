// zsaving(f, p, r, n, which, err): the quantity `which` (1 f, 2 p, 3 r, 4 n)
// of a savings plan with a payment p at the start of each of n periods at
// rate r, reaching
//   f = p ((1 + r)^(n+1) - (1 + r)) / r,   f = p n for a rate of zero;
// the value passed in position `which` is not read.
//
// Inputs and the intermediate power are kept below the cube root of the
// largest double, so that the products that follow cannot overflow.  The
// rate is found by Newton's method on g(r) = ((1 + r)^(n+1) - (1 + r)) / r
// against T = f / p from r = 0.01, with at most 100 updates.
//
// Returns MISSING with error 1 on every refusal (a zpower failure
// included); otherwise error 0.
#include "entry/entry.h"
#include "numeric/limits.h"

#include <cmath>

namespace {

using qelfin::numeric::kCubeRootOfLargest;
using qelfin::numeric::kRootOfLargest;
using qelfin::numeric::kRootOfSmallest;
using qelfin::numeric::kTenCubeRootOfSmallest;

constexpr double kLowestRateF = -0.99999999;         // rates at or below refused computing f
constexpr double kLowestRateP = -0.9999999;          // ... computing p
constexpr double kLowestRateN = -0.999999999;        // ... computing n
constexpr double kStartRate = 0.01;                  // first guess of the rate search
constexpr double kTolerance = 1e-09;                 // |g - T| below: converged
constexpr int kMaxSteps = 100;                       // rate updates before giving up

using qelfin::entry::kMissing;

double refuse(int32_t* err) {
    *err = 1;
    return kMissing;
}

double final_amount(double p, double r, double n, int32_t* err) {
    if (r <= kLowestRateF || r > kCubeRootOfLargest || n <= 0 || n > kCubeRootOfLargest ||
        std::fabs(p) > kCubeRootOfLargest)
        return refuse(err);
    *err = 0;
    if (std::fabs(r) < kRootOfSmallest) return p * n;
    const double power = zpower(1 + r, n + 1, err);
    if (*err != 0 || std::fabs(power) > kCubeRootOfLargest) return refuse(err);
    return (power - (1 + r)) * p / r;
}

double payment(double f, double r, double n, int32_t* err) {
    if (r <= kLowestRateP || r > kCubeRootOfLargest || n < kRootOfSmallest || std::fabs(f) > kCubeRootOfLargest)
        return refuse(err);
    *err = 0;
    if (std::fabs(r) < kRootOfSmallest) return f / n;
    const double power = zpower(1 + r, n + 1, err);
    if (*err != 0) return refuse(err);
    const double d = power - (1 + r);
    if (std::fabs(d) < kRootOfSmallest) return refuse(err);
    return f * r / d;
}

double rate(double f, double p, double n, int32_t* err) {
    if (f <= kRootOfSmallest || f > kCubeRootOfLargest || p <= kRootOfSmallest || p > kCubeRootOfLargest ||
        n <= kRootOfSmallest || n > kCubeRootOfLargest)
        return refuse(err);
    const double target = f / p;
    double r = kStartRate;
    for (int steps = 0;;) {
        const double a = 1 + r;
        const double power = zpower(a, n + 1, err);
        if (*err != 0) return refuse(err);
        if (std::fabs(power - a) > kCubeRootOfLargest || std::fabs(r) < kTenCubeRootOfSmallest) return refuse(err);
        const double g = (power - a) / r;
        if (std::fabs(g - target) < kTolerance) return r;
        if (std::fabs(power) > kCubeRootOfLargest || std::fabs(a) < kTenCubeRootOfSmallest) return refuse(err);
        const double slope = ((n + 1) * power / a - 1 - g) / r;
        if (std::fabs(g - target) > kRootOfLargest || std::fabs(slope) < kRootOfSmallest) return refuse(err);
        r = r - (g - target) / slope;
        if (++steps == kMaxSteps) return refuse(err);
    }
}

double periods(double f, double p, double r, int32_t* err) {
    if (f <= 0 || f > kCubeRootOfLargest || p <= kRootOfSmallest || p > kCubeRootOfLargest || r <= kLowestRateN ||
        r >= kCubeRootOfLargest)
        return refuse(err);
    const double x = f * r / p + (1 + r);
    if (x <= 0) return refuse(err);
    const double log_growth = std::log(1 + r);
    if (std::fabs(log_growth) < kRootOfSmallest) return refuse(err);
    *err = 0;
    return std::log(x) / log_growth - 1;
}

}  // namespace

extern "C" QELFIN_API double zsaving(double f, double p, double r, double n, int32_t which, int32_t* err) {
    switch (which) {
        case 1: return final_amount(p, r, n, err);
        case 2: return payment(f, r, n, err);
        case 3: return rate(f, p, n, err);
        case 4: return periods(f, p, r, err);
        default: return refuse(err);
    }
}
