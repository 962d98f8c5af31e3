// qelhost schedule: a loan's amortization schedule or an asset's
// depreciation table, period by period, then a totals line; the host
// library makes it (host/schedule.h), bank-style with --decimals.
//
//   schedule 'MORT(250000, ., 0.045/12, 360)'       period, payment, interest, principal, balance
//   schedule 'MORT(250000, 1300, 0.045/12, .)' --decimals 2
//   schedule 'DEPDB(., 50000, 10, 2)'               period, depreciation, accumulated, book_value
#include "commands.h"
#include "csv.h"
#include "json.h"
#include "number_text.h"
#include "one_call.h"
#include "output_file.h"
#include "rounding.h"

#include <cstdio>

namespace qelhost {

namespace {

using qelfin::host::Schedule;

void write_csv(std::string& out, const Schedule& t, int precision) {
    auto number = [&](double x) {
        if (precision >= 0)
            append_fixed(out, x, precision, "");
        else
            append_number(out, x, "");
    };
    for (size_t c = 0; c < t.columns.size(); ++c) {
        if (c) out += ',';
        append_field(out, t.columns[c], ',');
    }
    out += '\n';
    for (const auto& row : t.rows) {
        append_number(out, row[0], "");
        for (size_t c = 1; c < row.size(); ++c) {
            out += ',';
            number(row[c]);
        }
        out += '\n';
    }
    out += "total";
    for (size_t c = 1; c < t.totals.size(); ++c) {
        out += ',';
        number(t.totals[c]);
    }
    out += '\n';
}

void write_json(std::string& out, const Schedule& t) {
    auto object = [&](const std::vector<double>& row, bool total) {
        out += '{';
        for (size_t c = 0; c < t.columns.size(); ++c) {
            if (c) out += ',';
            append_json_string(out, t.columns[c]);
            out += ':';
            if (c == 0 && total)
                append_json_string(out, "total");
            else
                append_json_number(out, row[c]);
        }
        out += "}\n";
    };
    for (const auto& row : t.rows) object(row, false);
    object(t.totals, true);
}

}  // namespace

int schedule(const Module& module, const ScheduleOptions& options) {
    const OneCall c = one_call(
        module, options.expression, options.caller_kind, options.hints,
        [](const qelfin::host::FunctionInfo& f) { return f.name == "MORT" || f.family == "Depreciation"; },
        "schedule takes one call of MORT or of a depreciation function, such as "
        "MORT(250000, ., 0.045/12, 360) or DEPDB(., 50000, 10, 2)");
    const std::string_view name = c.function->name;
    if (name != "MORT" && !is_missing(c.args[0]))
        throw UsageError("leave the period missing: schedule " + std::string(name) + "(., " +
                         std::string(c.function->arguments[1]) + ", ...) gives every period");
    const Schedule t = schedule_of(module, c, options.decimals);
    std::string out;
    if (options.json)
        write_json(out, t);
    else
        write_csv(out, t, options.precision >= 0 ? options.precision : options.decimals);
    write_standard_output(out);
    return 0;
}

Schedule schedule_of(const Module& module, const OneCall& c, int decimals) {
    const std::span<const double> args(c.args);
    try {
        if (c.function->name == "MORT") return qelfin::host::loan_schedule(module, args, decimals);
        return qelfin::host::depreciation_schedule(module, c.function->name, args.subspan(1), decimals);
    } catch (const qelfin::host::ScheduleError& e) {
        throw UsageError(e.what());
    }
}

}  // namespace qelhost
