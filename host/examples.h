// The catalogue's worked examples, computed by the module.  An example is
// a call, "NAME(number or ., ...)", and a sentence in which {} stands for
// the call's figure in full, {:N} for it rounded to N decimals, and {CALL}
// or {CALL:N} for the figure of another such call.  Every surface that
// shows an example (qelhost describe, docs/functions.md, the Python
// docstrings) shows what this gives, so that no figure in a text is typed
// by hand.
//
//   computed_example(module, mort)
//     -> {"MORT(50000, ., 0.005, 360)", 299.7752625763762,
//         "... is repaid in 360 months by 299.78 a month"}
#pragma once

#include "host/catalogue.h"
#include "host/module.h"

#include <string>
#include <string_view>

namespace qelfin::host {

// The value of one call written as above.  Throws std::invalid_argument
// for a text that is not such a call, and std::runtime_error when the module
// gives no value (an example must have one).
double example_value(const Module& module, std::string_view call);

struct ComputedExample {
    std::string_view call;
    double value;          // the module's figure, for showing in full
    std::string sentence;  // the reading, its figures filled in
};

ComputedExample computed_example(const Module& module, const FunctionInfo& f);

}  // namespace qelfin::host
