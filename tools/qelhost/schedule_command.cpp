// qelhost schedule: a loan's amortization schedule or an asset's
// depreciation table, period by period, every figure from the module.
//
//   schedule MORT(250000, ., 0.045/12, 360)   period, payment, interest, principal, balance
//   schedule DEPDB(., 50000, 10, 2)           period, depreciation, accumulated, book value
//
// A loan's balance after period k is MORT's amount for the same payment
// and rate over the remaining n - k payments; the principal of a period is
// what the balance fell by and the interest the rest of the payment.  A
// depreciation table calls the function's period and accumulated entries
// (DEPxx and DACCxx) for every period of the life (of the table, for
// DEPTAB and DACCTAB).  Then a totals line.
#include "commands.h"
#include "csv.h"
#include "json.h"
#include "program.h"
#include "rounding.h"

#include "host/hints.h"
#include "host/reasons.h"

#include <cmath>
#include <cstdio>

namespace qelhost {

namespace {

using qelfin::host::Arg;
using qelfin::host::CallResult;
using qelfin::host::functions;

constexpr double kMostPeriods = 100000;  // a longer schedule is surely a slip

struct Table {
    std::vector<std::string> columns;
    std::vector<std::vector<double>> rows;  // the first cell is the period
    std::vector<double> totals;             // MISSING where a total means nothing
};

// One call; a call that gives no value ends the command with its reason.
double value_of(const Module& module, const qelfin::host::Reasons& reasons, std::string_view name,
                const std::vector<double>& args) {
    std::vector<Arg> block(args.begin(), args.end());
    const CallResult r = module.call(name, block);
    if (r.ok()) return r.value;
    const int function = *qelfin::host::function_index(name);
    std::string call = std::string(name) + "(";
    for (size_t i = 0; i < args.size(); ++i) call += (i ? ", " : "") + qelfin::host::reason_number(args[i]);
    throw UsageError(call + ") gives no value: " + reasons.explain(function, args, r.status, r.marked));
}

Table loan(const Module& module, const qelfin::host::Reasons& reasons, std::vector<double> args) {
    int missing = 0;
    for (size_t i = 0; i < 4; ++i)
        if (is_missing(args[i])) ++missing;
    if (missing == 1) {
        size_t which = 0;
        while (!is_missing(args[which])) ++which;
        args[which] = value_of(module, reasons, "MORT", args);
    } else {
        value_of(module, reasons, "MORT", args);  // says why
    }
    const double amount = args[0], payment = args[1], rate = args[2], periods = args[3];
    if (periods != std::floor(periods) || periods < 1 || periods > kMostPeriods)
        throw UsageError("a schedule needs a whole number of payments from 1 to 100000, not " +
                         qelfin::host::reason_number(periods));
    Table t;
    t.columns = {"period", "payment", "interest", "principal", "balance"};
    double balance = amount, interest_total = 0, principal_total = 0;
    for (double k = 1; k <= periods; ++k) {
        const double next = value_of(module, reasons, "MORT", {kMissing, payment, rate, periods - k});
        const double principal = balance - next;
        const double interest = payment - principal;
        t.rows.push_back({k, payment, interest, principal, next});
        interest_total += interest;
        principal_total += principal;
        balance = next;
    }
    t.totals = {kMissing, payment * periods, interest_total, principal_total, kMissing};
    return t;
}

Table depreciation(const Module& module, const qelfin::host::Reasons& reasons, const qelfin::host::FunctionInfo& f,
                   std::vector<double> args) {
    if (!is_missing(args[0]))
        throw UsageError("leave the period missing: schedule " + std::string(f.name) + "(., " +
                         std::string(f.arguments[1]) + ", ...) gives every period");
    const std::string_view name = f.name;
    const std::string method(name.substr(name.starts_with("DACC") ? 4 : 3));
    const std::string period_name = "DEP" + method, accumulated_name = "DACC" + method;
    const double value = args[1];
    const double periods = f.series ? static_cast<double>(args.size() - 2) : std::ceil(args[2]);
    if (!(periods >= 1 && periods <= kMostPeriods)) {
        args[0] = 1;
        value_of(module, reasons, name, args);  // a life the function refuses says why
        throw UsageError("a schedule needs a life of 1 to 100000 periods, not " +
                         qelfin::host::reason_number(args[2]));
    }
    Table t;
    t.columns = {"period", "depreciation", "accumulated", "book value"};
    double total = 0, accumulated = 0;
    for (double k = 1; k <= periods; ++k) {
        args[0] = k;
        const double d = value_of(module, reasons, period_name, args);
        accumulated = value_of(module, reasons, accumulated_name, args);
        t.rows.push_back({k, d, accumulated, value - accumulated});
        total += d;
    }
    t.totals = {kMissing, total, accumulated, value - accumulated};
    return t;
}

void write_csv(std::string& out, const Table& t, int precision) {
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

void write_json(std::string& out, const Table& t) {
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
    Scope scope;
    scope.no_columns = "a schedule has no columns; write numbers, '.', + - * / and one call";
    Tree tree;
    std::string text = options.expression;
    text.erase(0, text.find_first_not_of(" \t"));
    int32_t root = 0;
    try {
        root = parse_expression(tree, scope, text, 0, 0);
    } catch (ExpressionError& e) {
        e.source = text;
        throw;
    }
    const Node top = tree.nodes[static_cast<size_t>(root)];
    const auto& all = functions();
    const bool call = top.op == Op::call;
    const auto& f = all[static_cast<size_t>(call ? tree.calls[static_cast<size_t>(top.a)].function : 0)];
    if (!call || (f.name != "MORT" && f.family != "Depreciation"))
        throw UsageError("schedule takes one call of MORT or of a depreciation function, such as "
                         "MORT(250000, ., 0.045/12, 360) or DEPDB(., 50000, 10, 2)");
    const std::vector<int32_t> arg_nodes = tree.calls[static_cast<size_t>(top.a)].args;
    Program program(module, std::move(tree), options.caller_kind);
    std::vector<double> args;
    for (const int32_t a : arg_nodes) args.push_back(program.evaluate(a, nullptr));

    if (options.hints)
        for (size_t i = 0; i < args.size(); ++i)
            if (const std::string hint = qelfin::host::plausibility_hint(f, static_cast<int32_t>(i) + 1, args[i]);
                !hint.empty())
                std::fprintf(stderr, "qelhost: hint: %s\n", hint.c_str());
    const qelfin::host::Reasons reasons(module);
    const Table t = f.name == "MORT" ? loan(module, reasons, args) : depreciation(module, reasons, f, args);
    std::string out;
    if (options.json)
        write_json(out, t);
    else
        write_csv(out, t, options.precision);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : kExitError;
}

}  // namespace qelhost
