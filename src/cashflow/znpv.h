// The body of znpv, the present value of m equally spaced cash flows, as an
// inline template over the way a cash flow is read.  The exported znpv
// instantiates it with its caller's value callback; the NPV and NETPV
// entries instantiate it with their own file-local cashflow, so that the
// read of each flow inlines into the discounting loop.  Either way the
// flows are read once each, from the last to the first, and the sum stops
// at the first flow that is too large.
//
// Method: v = (1 + rate)^(-1/freq) by the guarded power, or e^-rate when
// freq is 0 (continuous discounting); then Horner's scheme S = c(i) + S * v
// from c(m-1) down to c0, S stored as a double after every step.  A missing
// flow counts as 0.  With rate >= 0 we have v <= 1, and with every flow
// bounded by 0.01 * 2^512 the sum cannot overflow.
//
// Error word: 0 ok (the value is still MISSING when the rate or the
// frequency is missing or every flow is missing), 1 rate below 0 or not
// below ln of the largest double, frequency below 0, no flows, or a flow too
// large; otherwise whatever zpower reports.
#pragma once

#include "entry/entry.h"
#include "numeric/limits.h"

#include <cmath>
#include <cstdint>

namespace qelfin::cashflow {

inline constexpr double kLargestFlow = 1.3407807929942597e+152;  // 0.01 * 2^512: largest magnitude of a cash flow

// flow(i) returns cash flow i (0-based), a NaN when it is missing.
template <class Flow>
inline double znpv(double rate, double freq, int32_t m, Flow flow, int32_t* err) {
    using entry::is_missing;
    using entry::kMissing;

    if (is_missing(rate)) {
        *err = 0;
        return kMissing;
    }
    if (rate < 0 || rate >= numeric::kLnOfLargest) {
        *err = 1;
        return kMissing;
    }
    if (is_missing(freq)) {
        *err = 0;
        return kMissing;
    }
    if (freq < 0 || m <= 0) {
        *err = 1;
        return kMissing;
    }

    *err = 0;
    double v;
    if (freq == 0) {
        v = std::exp(-rate);
    } else {
        v = zpower(1.0 / (1.0 + rate), 1.0 / freq, err);
        if (*err != 0) return kMissing;
    }

    // The last flow starts the sum; k counts the flows present.
    double sum = 0.0;
    int32_t k = 0;
    const double last = flow(m - 1);
    if (!is_missing(last)) {
        if (std::fabs(last) > kLargestFlow) {
            *err = 1;
            return kMissing;
        }
        sum = last;
        k = 1;
    }
    for (int32_t i = m - 2; i >= 0; --i) {
        double c = flow(i);
        if (is_missing(c)) {
            c = 0.0;
        } else if (std::fabs(c) > kLargestFlow) {
            *err = 1;
            return kMissing;
        } else {
            ++k;
        }
        sum = c + sum * v;
    }
    return k == 0 ? kMissing : sum;
}

}  // namespace qelfin::cashflow
