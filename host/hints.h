// Plausibility hints: values the module accepts and computes with, but that
// more likely are a slip (a percent where a fraction per period is meant, a
// fraction where NPV takes a percent, a rate where the declining-balance
// methods take a multiple of the straight-line rate, a fractional number of
// payments).  A hint never changes a figure; which argument is checked, and
// what the hint says, come from the catalogue.
#pragma once

#include "host/catalogue.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace qelfin::host {

// Whether x draws the hint p.
bool implausible(Plausibility p, double x);

// The first of n values data[0], data[stride], ... that draws the hint p,
// or n when none does (one pass, the rule chosen once: a column costs
// about what reading it costs).
size_t first_implausible(Plausibility p, const double* data, ptrdiff_t stride, size_t n);

// "MORT: rate 4.5 per period looks like a percent; MORT takes a fraction
// per period (0.05 is 5 %)" for leading argument `position` (1-based) with
// value x, or empty when x is plausible.
std::string plausibility_hint(const FunctionInfo& f, int32_t position, double x);

}  // namespace qelfin::host
