// The two solvers of a declining-balance method pair, written once: both
// run the method's argument checks, then
//   accumulated (DACC*) = F(p) * v,
//   period      (DEP*)  = (F(p) - F(p - 1)) * v,
// with F the method's accumulated fraction, each fraction held as a double
// before the subtraction and the product.  A failure of the guarded power
// inside F leaves its code in the error word and gives MISSING.
#pragma once

#include "entry/entry.h"

namespace qelfin::depreciation {

// Error word of the argument checks: 0, or -i for argument i.
using BalanceChecks = int32_t (*)(double p, double v, double y, double r);
// Accumulated fraction after x periods of life y at rate factor r.
using BalanceFraction = double (*)(double x, double y, double r, int32_t* err);

template <BalanceChecks check, BalanceFraction fraction>
double accumulated_depreciation(double p, double v, double y, double r, int32_t* err) {
    *err = check(p, v, y, r);
    if (*err != 0) return entry::kMissing;
    const double a = fraction(p, y, r, err);
    if (*err != 0) return entry::kMissing;
    return a * v;
}

template <BalanceChecks check, BalanceFraction fraction>
double period_depreciation(double p, double v, double y, double r, int32_t* err) {
    *err = check(p, v, y, r);
    if (*err != 0) return entry::kMissing;
    const double a = fraction(p, y, r, err);
    if (*err != 0) return entry::kMissing;
    const double b = fraction(p - 1.0, y, r, err);
    if (*err != 0) return entry::kMissing;
    return (a - b) * v;
}

}  // namespace qelfin::depreciation
