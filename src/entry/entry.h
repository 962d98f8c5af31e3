// What every function entry shares: the missing value, the missing test,
// reading argument values, marking the invalid argument and writing a
// failed result.  Entries never write through a value pointer; the only
// writes into the host's block are the ARG_INVALID bit (and, in IRR and
// INTRR, call_state).
#pragma once

#include <qelfin/qelfin.h>

#include <bit>
#include <cstdint>

namespace qelfin::entry {

// MISSING: bytes 00 00 00 00 00 FE FF FF, a quiet NaN with the sign bit set.
inline constexpr double kMissing = std::bit_cast<double>(QELFIN_MISSING_BITS);

// An argument is missing when it is a NaN of any sign and payload;
// infinities are not missing.
inline bool is_missing(double x) { return x != x; }

// The double that argument i (1-based) points to.
inline double arg_value(const FunctionArgs* args, int32_t i) {
    return *static_cast<const double*>(args->args[i - 1].value);
}

// Marks argument i (1-based) as the invalid one: one bit ORed into the
// host's flag word, which the module never clears.
inline void mark_invalid(FunctionArgs* args, int32_t i) { args->args[i - 1].flags |= ARG_INVALID; }

// Writes MISSING and returns the given status.
inline uint32_t fail(double* result, uint32_t status) {
    *result = kMissing;
    return status;
}

// Marks argument i, writes MISSING and returns STATUS_INVALID_ARGS.
inline uint32_t fail_marked(FunctionArgs* args, int32_t i, double* result) {
    mark_invalid(args, i);
    return fail(result, STATUS_INVALID_ARGS);
}

// Writes a computed value and returns success.
inline uint32_t succeed(double* result, double value) {
    *result = value;
    return 0;
}

}  // namespace qelfin::entry
