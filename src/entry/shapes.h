// The three entry shapes.  Each function entry is one of these shapes with
// its solver plugged in, so the argument handling of the seventeen entries
// is written once:
//
//   exactly_one_missing  COMPOUND, MORT, SAVING: four quantities, the caller
//                        leaves one missing and the solver computes it.
//   pass_through         the eight fixed-arity depreciation entries: the
//                        solver checks everything; its error word becomes
//                        the mark and the status.
//   series               NPV, NETPV, IRR, INTRR, DEPTAB, DACCTAB: leading
//                        arguments, then a list the solver reads through a
//                        value callback without copying it.
#pragma once

#include "entry/entry.h"

#include <type_traits>

namespace qelfin::entry {

// Solver of a four-quantity relation: the four values in argument order
// (the missing one still a NaN), the 1-based position to compute and the
// error word.
using QuantitySolver = double (*)(double, double, double, double, int32_t which, int32_t* err);

// Exactly-one-missing shape.  kWrongCount is the status for a call that
// does not leave exactly one argument missing (it differs by function).
// Any solver error gives STATUS_INVALID_ARGS; no argument is ever marked.
template <QuantitySolver solve, uint32_t kWrongCount>
uint32_t exactly_one_missing(FunctionArgs* args, double* result) {
    double q[4];
    int32_t missing = 0;
    int32_t which = 0;
    for (int32_t i = 0; i < 4; ++i) {
        q[i] = arg_value(args, i + 1);
        if (is_missing(q[i])) {
            ++missing;
            which = i + 1;
        }
    }
    if (missing != 1) return fail(result, kWrongCount);
    int32_t err = 0;
    const double value = solve(q[0], q[1], q[2], q[3], which, &err);
    if (err != 0) return fail(result, STATUS_INVALID_ARGS);
    return succeed(result, value);
}

// Turns a pass-through solver's error word into the entry's status: -i
// marks argument i, a positive code means no result without blame.
inline uint32_t status_of_solver_error(FunctionArgs* args, int32_t err) {
    if (err < 0) {
        mark_invalid(args, -err);
        return STATUS_INVALID_ARGS;
    }
    return err == 0 ? 0 : STATUS_RESULT_MISSING;
}

// Pass-through shape for solvers of three or four arguments.  The entry
// tests nothing itself: it reads exactly the solver's arguments, stores the
// solver's value (MISSING whenever the solver reports an error) and
// translates the error word.
template <auto solve>
uint32_t pass_through(FunctionArgs* args, double* result) {
    int32_t err = 0;
    if constexpr (std::is_invocable_r_v<double, decltype(solve), double, double, double, double, int32_t*>) {
        const double p = arg_value(args, 1), v = arg_value(args, 2), y = arg_value(args, 3),
                     r = arg_value(args, 4);
        *result = solve(p, v, y, r, &err);
    } else {
        const double p = arg_value(args, 1), v = arg_value(args, 2), y = arg_value(args, 3);
        *result = solve(p, v, y, &err);
    }
    return status_of_solver_error(args, err);
}

// Series shape: the value callback that reads element i (0-based) of the
// list starting at argument kFirst.  It checks neither the index nor the
// value: a missing element comes back as the NaN the argument holds.
template <int32_t kFirst>
double series_element(int32_t index, void* context) {
    return arg_value(static_cast<const FunctionArgs*>(context), index + kFirst);
}

// Number of list elements in a block whose list starts at argument kFirst.
template <int32_t kFirst>
int32_t series_length(const FunctionArgs* args) {
    return args->arg_count - (kFirst - 1);
}

}  // namespace qelfin::entry
