// Plausibility hints: values the module accepts and computes with, but that
// more likely are a slip (a percent where a fraction per period is meant, a
// fraction where NPV takes a percent, a rate where the declining-balance
// methods take a multiple of the straight-line rate, a fractional number of
// payments).  A hint never changes a figure; which argument is checked, and
// what the hint says, come from the catalogue.
#pragma once

#include "host/catalogue.h"

#include <cstdint>
#include <string>

namespace qelfin::host {

// Whether x draws the hint p.
bool implausible(Plausibility p, double x);

// "MORT: rate 4.5 per period looks like a percent; MORT takes a fraction
// per period (0.05 is 5 %)" for leading argument `position` (1-based) with
// value x, or empty when x is plausible.
std::string plausibility_hint(const FunctionInfo& f, int32_t position, double x);

}  // namespace qelfin::host
