// qelhost rates: every rate at which a series' net present value changes
// sign, one a line, ascending (host/rates.h says how they are found and
// what the search cannot see).
//
//   rates 'IRR(1, -100, 230, -132)'    10 and 20 (percent; INTRR gives fractions)
#include "commands.h"
#include "number_text.h"
#include "one_call.h"
#include "output_file.h"
#include "rounding.h"

#include "host/rates.h"

#include <cstdio>

namespace qelhost {

std::vector<double> rates_of(const Module& module, const OneCall& c) {
    const std::span<const double> flows = std::span<const double>(c.args).subspan(1);
    try {
        if (c.function->name == "IRR") return qelfin::host::irr_rates(module, c.args[0], flows);
        return qelfin::host::every_rate(module, c.args[0], flows);
    } catch (const qelfin::host::RatesError& e) {
        throw UsageError(std::string(c.function->name) + ": " + e.what());
    }
}

int rates(const Module& module, const RatesOptions& options) {
    const OneCall c = one_call(
        module, options.expression, kDefaultCallerKind, options.hints,
        [](const qelfin::host::FunctionInfo& f) { return f.name == "IRR" || f.name == "INTRR"; },
        "rates takes one call of IRR or INTRR, such as IRR(1, -100, 230, -132)");
    std::string out;
    for (const double rate : rates_of(module, c)) {
        if (options.precision >= 0)
            append_fixed(out, rate, options.precision, ".");
        else
            append_number(out, rate, ".");
        out += '\n';
    }
    write_standard_output(out);
    return 0;
}

}  // namespace qelhost
