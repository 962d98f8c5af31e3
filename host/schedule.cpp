// Loan and depreciation schedules: the module's figures period by period,
// rounded bank-style on request (the rules are in schedule.h).
#include "host/schedule.h"

#include "host/decimals.h"
#include "host/numbers.h"
#include "host/reasons.h"

#include <cctype>
#include <cmath>

namespace qelfin::host {

namespace {

constexpr double kNaN = NAN;

// One call; a call that gives no value (or a NaN) ends the schedule with
// its reason.
double value_of(const Module& module, const Reasons& reasons, std::string_view name, std::span<const double> args) {
    const std::vector<Arg> block(args.begin(), args.end());
    const CallResult r = module.call(name, block);
    if (r.ok() && !std::isnan(r.value)) return r.value;
    std::string call = std::string(name) + "(";
    for (size_t i = 0; i < args.size(); ++i) call += (i ? ", " : "") + number_text(args[i]);
    if (r.ok()) throw ScheduleError(call + ") gives no number (the figures overflow)");
    const int function = *function_index(name);
    throw ScheduleError(call + ") gives no value: " + reasons.explain(function, args, r.status, r.marked));
}

double mort(const Module& module, const Reasons& reasons, double amount, double payment, double rate,
            double periods) {
    const double args[] = {amount, payment, rate, periods};
    return value_of(module, reasons, "MORT", args);
}

// Rounds to d decimals, or leaves x as it is when d < 0.
double rounded(double x, int d) { return d < 0 ? x : round_decimals(x, d); }

void add_totals(Schedule& t, int decimals) {
    t.totals.assign(t.columns.size(), 0.0);
    for (const auto& row : t.rows)
        for (size_t c = 1; c < row.size(); ++c) t.totals[c] += row[c];
    for (double& x : t.totals) x = rounded(x, decimals);
    t.totals[0] = kNaN;
}

// The bank-style loan: rounded figures, the last payment takes the rest.
void rounded_loan(Schedule& t, double amount, double payment, double rate, double periods, int d) {
    const bool whole = periods == std::floor(periods);
    payment = round_decimals(payment, d);
    double balance = round_decimals(amount, d);
    for (double k = 1; balance != 0; ++k) {
        if (k > kMostSchedulePeriods)
            throw ScheduleError("the payment " + number_text(payment) + " rounded to " + std::to_string(d) +
                                " decimals does not repay the loan within 100000 periods");
        const double interest = round_decimals(balance * rate, d);
        if (std::fabs(balance + interest) <= std::fabs(payment) || (whole && k == periods)) {
            t.rows.push_back({k, round_decimals(balance + interest, d), interest, balance, 0.0});
            break;
        }
        const double principal = round_decimals(payment - interest, d);
        balance = round_decimals(balance - principal, d);
        t.rows.push_back({k, payment, interest, principal, balance});
    }
}

}  // namespace

Schedule loan_schedule(const Module& module, std::span<const double> given, int decimals) {
    const Reasons reasons(module);
    double args[4] = {given[0], given[1], given[2], given[3]};
    int missing = 0;
    for (const double x : args) missing += std::isnan(x) ? 1 : 0;
    if (missing == 1) {
        double* which = args;
        while (!std::isnan(*which)) ++which;
        *which = value_of(module, reasons, "MORT", args);
    } else {
        value_of(module, reasons, "MORT", args);  // says why
    }
    const double amount = args[0], payment = args[1], rate = args[2], periods = args[3];
    if (!(periods > 0 && periods <= kMostSchedulePeriods))
        throw ScheduleError("a schedule needs from 1 to 100000 payments, not " + number_text(periods));
    Schedule t;
    t.columns = {"period", "payment", "interest", "principal", "balance"};
    if (decimals >= 0) {
        rounded_loan(t, amount, payment, rate, periods, decimals);
    } else {
        double balance = amount;
        const double whole = std::floor(periods);
        for (double k = 1; k <= whole; ++k) {
            const double next = mort(module, reasons, kNaN, payment, rate, periods - k);
            t.rows.push_back({k, payment, payment - (balance - next), balance - next, next});
            balance = next;
        }
        if (whole != periods) {  // the rest, repaid one period later
            const double last = mort(module, reasons, balance, kNaN, rate, 1);
            t.rows.push_back({whole + 1, last, last - balance, balance, 0.0});
        }
    }
    add_totals(t, decimals);
    t.totals[4] = kNaN;
    return t;
}

Schedule depreciation_schedule(const Module& module, std::string_view method, std::span<const double> args,
                               int decimals) {
    std::string upper;
    for (const char c : method) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper.starts_with("DACC"))
        upper.erase(0, 4);
    else if (upper.starts_with("DEP"))
        upper.erase(0, 3);
    const std::string period_name = "DEP" + upper, accumulated_name = "DACC" + upper;
    const std::optional<int> index = function_index(period_name);
    if (!index || functions()[static_cast<size_t>(*index)].family != "Depreciation")
        throw ScheduleError("no depreciation method " + std::string(method) +
                            ": take DB, DBSL, SL, SYD or TAB (or a function name such as DEPDB)");
    const FunctionInfo& f = functions()[static_cast<size_t>(*index)];
    const size_t fixed = static_cast<size_t>(f.leading) - 1;
    if (args.size() < fixed || (!f.series && args.size() > fixed))
        throw ScheduleError(period_name + " takes " + std::to_string(fixed) + (f.series ? " or more" : "") +
                            " arguments after the period (" + argument_list(f) + "), not " +
                            std::to_string(args.size()));
    const Reasons reasons(module);
    std::vector<double> call(args.size() + 1);
    std::copy(args.begin(), args.end(), call.begin() + 1);
    const double value = args[0];
    const double periods = f.series ? static_cast<double>(args.size() - 1) : std::ceil(args[1]);
    if (!(periods >= 1 && periods <= kMostSchedulePeriods)) {
        call[0] = 1;
        value_of(module, reasons, period_name, call);  // a life the function refuses says why
        throw ScheduleError("a schedule needs a life of 1 to 100000 periods, not " +
                            number_text(f.series ? periods : args[1]));
    }
    Schedule t;
    t.columns = {"period", "depreciation", "accumulated", "book_value"};
    double before = 0;
    for (double k = 1; k <= periods; ++k) {
        call[0] = k;
        double depreciation = value_of(module, reasons, period_name, call);
        const double accumulated = rounded(value_of(module, reasons, accumulated_name, call), decimals);
        if (decimals >= 0) depreciation = round_decimals(accumulated - before, decimals);
        t.rows.push_back({k, depreciation, accumulated, rounded(rounded(value, decimals) - accumulated, decimals)});
        before = accumulated;
    }
    add_totals(t, decimals);
    t.totals[2] = t.rows.back()[2];
    t.totals[3] = t.rows.back()[3];
    return t;
}

}  // namespace qelfin::host
