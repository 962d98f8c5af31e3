// The argument of schedule, rates and plot: one call of a function whose
// arguments are numbers, '.', + - * / and round(), evaluated once.
#pragma once

#include "commands.h"
#include "diagnostics.h"

#include "host/catalogue.h"
#include "host/schedule.h"

#include <functional>
#include <string>
#include <vector>

namespace qelhost {

using qelfin::host::Module;

struct OneCall {
    const qelfin::host::FunctionInfo* function = nullptr;
    std::vector<double> args;  // MISSING where '.'
};

// Parses `text`; a text that is not one call of a function `accepted` takes
// ends with `wanted` as a UsageError.  Plausibility hints go to standard
// error when `hints`.
OneCall one_call(const qelfin::host::Module& module, const std::string& text, uint8_t caller_kind, bool hints,
                 const std::function<bool(const qelfin::host::FunctionInfo&)>& accepted, const std::string& wanted);

// The schedule of a call of MORT or of a depreciation function (the period
// left missing); a schedule that cannot be made is a UsageError.
qelfin::host::Schedule schedule_of(const qelfin::host::Module& module, const OneCall& c, int decimals);

// Every rate of a call of IRR (in percent) or INTRR (fractions): the
// sign changes of its net present value; a UsageError when none can be
// sought.
std::vector<double> rates_of(const qelfin::host::Module& module, const OneCall& c);

}  // namespace qelhost
