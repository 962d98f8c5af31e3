// Why a call gave no value, in the function's own terms, for every surface
// (qelhost, PostgreSQL, Python).  For an argument the module marked: its
// name, its value and the rule it broke, from the catalogue.  For the
// unmarked refusals of COMPOUND, MORT and SAVING: the entry's own solver
// (zcmpnd, zmort, zsaving, exported by the module) is called with the same
// inputs and the argument being computed, and its error word is translated
// through the catalogue, so that no check is made twice.  Other unmarked
// refusals give what the status means for the function.
//
//   Reasons reasons(module);
//   reasons.explain(mort, {100000, MISSING, 0.005, 360}, status, marked)
//     -> "the payment 400 does not exceed the interest 500 of the first period: the loan is never repaid"
#pragma once

#include "host/module.h"

#include <cstdint>
#include <span>
#include <string>

namespace qelfin::host {

// The kind of one refusal: two calls of one function with equal kinds were
// refused for the same reason (the values in the text may differ).
struct Refusal {
    uint32_t status = 0;
    int32_t marked = 0;        // argument marked invalid (1-based), 0 for none
    bool marked_missing = false;  // the marked argument was missing
    int32_t missing = -1;      // exactly-one-missing functions: arguments missing; -1 otherwise
    int32_t which = 0;         // ... the argument computed, when exactly one was missing
    int32_t solver_error = 0;  // ... the solver's error word on the same inputs
    int32_t cause = 0;         // which case of the catalogue's rule or condition, or of a
                               // series' refusal, applies (1-based); 0 when none is known
    auto operator<=>(const Refusal&) const = default;
};

class Reasons {
public:
    // Resolves the solvers of the exactly-one-missing functions once.
    explicit Reasons(const Module& module);

    // The kind of a refusal: cheap (at most one solver call), no allocation.
    Refusal classify(int function, std::span<const double> args, uint32_t status, int32_t marked) const;
    // Its text.
    std::string text(int function, std::span<const double> args, const Refusal& refusal) const;
    // Both at once; empty for status 0.
    std::string explain(int function, std::span<const double> args, uint32_t status, int32_t marked) const {
        return status == 0 ? std::string() : text(function, args, classify(function, args, status, marked));
    }

private:
    using Solver = double (*)(double, double, double, double, int32_t, int32_t*);
    Solver solvers_[QELFIN_FUNCTION_COUNT] = {};
};

}  // namespace qelfin::host
