// netpv2(n, rate, freq, result, args) and netpvd(n, v, value, deriv, args):
// the net present value of n evenly spaced cash flows held in arguments
// 3 .. n + 2 of an argument block (argument 3 at time 0), and the
// polynomial Q(v) = sum of c(i) v^i with its derivative.  Only the value
// pointers of those arguments are read, argument 3 even when n is 0; a
// missing flow counts as 0.  No range checks and no failures.
//
// Method: Horner's scheme from c(n-1) down to c1, then c0 + v * S; netpv2
// takes v = (1 + rate)^(-1/freq) by the library pow, or e^-rate when freq is
// 0, negative or NaN (continuous discounting at rate per interval).
#include "entry/entry.h"

#include <cmath>

namespace {

using qelfin::entry::arg_value;
using qelfin::entry::is_missing;

constexpr int32_t kFirstFlow = 3;  // argument of c0

// Cash flow i (0-based), 0 when missing.
double flow(const FunctionArgs* args, int32_t i) {
    const double c = arg_value(args, i + kFirstFlow);
    return is_missing(c) ? 0.0 : c;
}

}  // namespace

extern "C" QELFIN_API void netpv2(int32_t n, double rate, double freq, double* result, FunctionArgs* args) {
    const double v = freq > 0 ? std::pow(1.0 / (1.0 + rate), 1.0 / freq) : std::exp(-rate);
    if (n <= 1) {
        *result = flow(args, 0);
        return;
    }
    double sum = flow(args, n - 1);
    for (int32_t i = n - 2; i >= 1; --i) sum = flow(args, i) + sum * v;
    *result = flow(args, 0) + v * sum;
}

extern "C" QELFIN_API void netpvd(int32_t n, double v, double* value, double* deriv, FunctionArgs* args) {
    if (n <= 1) {
        *value = flow(args, 0);
        *deriv = 0.0;
        return;
    }
    double f = flow(args, n - 1);
    double d = f;
    for (int32_t i = n - 2; i >= 1; --i) {
        f = flow(args, i) + f * v;
        d = d * v + f;
    }
    *value = flow(args, 0) + v * f;
    *deriv = d;
}
