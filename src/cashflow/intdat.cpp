// intdat(n, freq, rate, args) and intdvq(n, x, value, deriv, args): the
// internal rate of return of n evenly spaced cash flows held in arguments
// 2 .. n + 1 of an argument block (argument 2 at time 0), and the
// polynomial it solves.  Only the value pointers of those arguments are
// read; a missing flow counts as 0.  Neither routine reports a failure.
//
// Polynomial: P(x) = sum of c(j) x^(j - k), j = k .. n + 1, where k is the
// first flow not equal to 0 (a missing flow is not equal to 0 and ends the
// search): leading zero flows are dropped.  P and P' by Horner's scheme.
//
// intdat: Newton's method on the discount factor, in two phases of at most
// 20 steps, each starting at 1: phase 1 keeps the point in (0, 1] (a rate
// of 0 or more), halving it when a step leaves; phase 2 keeps it above 1
// (a rate between -1 and 0), adding 1 when a step falls to 1 or below.
// Convergence when |P| < 1e-8 times the sum of the magnitudes of the
// flows, tested before each step.  The root converts to a rate per base
// period, 1 / root^freq - 1, or to a continuous rate per interval, -ln root,
// when freq <= 0.  No root, or a root below 1e-15 in magnitude, leaves the
// largest double in *rate.
#include "entry/entry.h"

#include <cfloat>
#include <cmath>

namespace {

using qelfin::entry::arg_value;
using qelfin::entry::is_missing;

constexpr int32_t kFirstFlow = 2;          // argument of the flow at time 0
constexpr double kNoRate = DBL_MAX;        // left in *rate when no root is found
constexpr double kTolerance = 1e-08;       // convergence, relative to the sum of |flows|
constexpr double kSmallestSlope = 1e-20;   // floor of |P'| in a Newton step
constexpr double kSmallestRoot = 1e-15;    // smaller roots give no rate
constexpr double kPhase1Shrink = 0.5;      // phase 1 halves a point that leaves (0, 1]
constexpr double kPhase2Step = 1.0;        // phase 2 moves a point that falls to 1 or below
constexpr int32_t kStepsPerPhase = 20;

// Argument j as a cash flow, 0 when missing.
double flow(const FunctionArgs* args, int32_t j) {
    const double c = arg_value(args, j);
    return is_missing(c) ? 0.0 : c;
}

struct Evaluation {
    double value;
    double deriv;
};

// P(x) and P'(x) with leading zero flows dropped.
Evaluation evaluate(int32_t n, double x, const FunctionArgs* args) {
    const int32_t last = n + kFirstFlow - 1;
    int32_t k = kFirstFlow;
    while (k <= last && arg_value(args, k) == 0) ++k;
    if (k > last) return {0.0, 0.0};
    double f = flow(args, last);
    if (k == last) return {f, 0.0};
    double d = f;
    for (int32_t j = last - 1; j > k; --j) {
        f = flow(args, j) + f * x;
        d = d * x + f;
    }
    f = flow(args, k) + f * x;
    return {f, d};
}

// One Newton step x - P(x) / P'(x), the slope floored at +1e-20.
double newton_step(double x, Evaluation e) {
    const double d = std::fabs(e.deriv) < kSmallestSlope ? kSmallestSlope : e.deriv;
    return x - e.value / d;
}

// The root found by the two phases, 0 when neither converges.
double discount_root(int32_t n, const FunctionArgs* args, double tol) {
    double x = 1.0;
    for (int32_t step = 0; step < kStepsPerPhase; ++step) {
        const Evaluation e = evaluate(n, x, args);
        if (std::fabs(e.value) < tol) return x;
        double next = newton_step(x, e);
        if (next <= 0 || next > 1) next = x * kPhase1Shrink;
        x = next;
    }
    double y = 1.0;
    for (int32_t step = 0; step < kStepsPerPhase; ++step) {
        const Evaluation e = evaluate(n, y, args);
        if (std::fabs(e.value) < tol) return y;
        double next = newton_step(y, e);
        if (next <= 1) next = y + kPhase2Step;
        y = next;
    }
    return 0.0;
}

}  // namespace

extern "C" QELFIN_API void intdat(int32_t n, double freq, double* rate, FunctionArgs* args) {
    *rate = kNoRate;
    double magnitude = 0.0;
    for (int32_t j = kFirstFlow; j < n + kFirstFlow; ++j) magnitude = magnitude + std::fabs(flow(args, j));
    const double root = discount_root(n, args, kTolerance * magnitude);
    if (std::fabs(root) < kSmallestRoot) return;
    *rate = freq <= 0 ? -std::log(root) : 1.0 / std::pow(root, freq) - 1.0;
}

extern "C" QELFIN_API void intdvq(int32_t n, double x, double* value, double* deriv, FunctionArgs* args) {
    const Evaluation e = evaluate(n, x, args);
    *value = e.value;
    *deriv = e.deriv;
}
