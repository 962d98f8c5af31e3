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

#include <cmath>

namespace {

constexpr double kBig = 5.643803094122288e+102;      // cube root of the largest double
constexpr double kSmall = 1.491668147e-154;          // just above 2^-511: zero rate, smallest divisor
constexpr double kTiny = 2.812644285236322e-102;     // ten times the cube root of the smallest normal
constexpr double kHugeResidual = 1.3407807929943e+154;  // about the square root of the largest double
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
    if (r <= kLowestRateF || r > kBig || n <= 0 || n > kBig || std::fabs(p) > kBig) return refuse(err);
    *err = 0;
    if (std::fabs(r) < kSmall) return p * n;
    const double power = zpower(1 + r, n + 1, err);
    if (*err != 0 || std::fabs(power) > kBig) return refuse(err);
    return (power - (1 + r)) * p / r;
}

double payment(double f, double r, double n, int32_t* err) {
    if (r <= kLowestRateP || r > kBig || n < kSmall || std::fabs(f) > kBig) return refuse(err);
    *err = 0;
    if (std::fabs(r) < kSmall) return f / n;
    const double power = zpower(1 + r, n + 1, err);
    if (*err != 0) return refuse(err);
    const double d = power - (1 + r);
    if (std::fabs(d) < kSmall) return refuse(err);
    return f * r / d;
}

double rate(double f, double p, double n, int32_t* err) {
    if (f <= kSmall || f > kBig || p <= kSmall || p > kBig || n <= kSmall || n > kBig) return refuse(err);
    const double target = f / p;
    double r = kStartRate;
    for (int steps = 0;;) {
        const double a = 1 + r;
        const double power = zpower(a, n + 1, err);
        if (*err != 0) return refuse(err);
        if (std::fabs(power - a) > kBig || std::fabs(r) < kTiny) return refuse(err);
        const double g = (power - a) / r;
        if (std::fabs(g - target) < kTolerance) return r;
        if (std::fabs(power) > kBig || std::fabs(a) < kTiny) return refuse(err);
        const double slope = ((n + 1) * power / a - 1 - g) / r;
        if (std::fabs(g - target) > kHugeResidual || std::fabs(slope) < kSmall) return refuse(err);
        r = r - (g - target) / slope;
        if (++steps == kMaxSteps) return refuse(err);
    }
}

double periods(double f, double p, double r, int32_t* err) {
    if (f <= 0 || f > kBig || p <= kSmall || p > kBig || r <= kLowestRateN || r >= kBig) return refuse(err);
    const double x = f * r / p + (1 + r);
    if (x <= 0) return refuse(err);
    const double log_growth = std::log(1 + r);
    if (std::fabs(log_growth) < kSmall) return refuse(err);
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
