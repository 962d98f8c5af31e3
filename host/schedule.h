// Schedules, period by period, for every surface (qelhost, PostgreSQL,
// Python): a loan's amortization from MORT and an asset's depreciation from
// a depreciation function pair, with totals.
//
//   loan_schedule(module, {250000, MISSING, 0.045 / 12, 360})      every figure from the module
//   loan_schedule(module, {250000, 1300, 0.045 / 12, MISSING}, 2)  bank-style, to the cent
//   depreciation_schedule(module, "DB", {50000, 10, 2})            DEPDB and DACCDB per period
//
// Unrounded (decimals < 0), every figure comes from the module.  A loan's
// balance after period k is MORT's amount for the same payment and rate over
// the remaining n - k payments; the principal of a period is what the
// balance fell by and the interest the rest of the payment.  When n is not
// whole (a payment given, the number of payments computed), the balance
// left after the whole payments is repaid one period later by MORT's
// payment for it over one period: a smaller last payment.  A depreciation
// table calls the pair's period and accumulated entries (DEPxx and DACCxx)
// for every period of the life (of the list of fractions for TAB).
//
// Bank-style (decimals d >= 0) the module gives the loan's four quantities
// and the host rounds, with round_decimals (half away from zero on the
// shortest decimal form):
//   - the amount and the payment are rounded to d decimals;
//   - each period's interest is round(balance * rate, d), the principal is
//     payment - interest, the balance falls by the principal;
//   - the last payment is the balance plus its interest, so the balance
//     ends at exactly 0: at payment n when n is whole (larger or smaller
//     than the others by what rounding the payment left over), or, when n
//     is not whole, at the first period whose balance plus interest does
//     not exceed the payment in magnitude (a smaller last payment); a
//     rounded payment that repays the loan before payment n also ends it
//     there.
// A bank-style depreciation table rounds the accumulated depreciation to d
// decimals; each period's depreciation is the difference of two rounded
// accumulated figures and the book value the rounded value less the
// accumulated, so the column adds up to the total exactly.
#pragma once

#include "host/module.h"

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qelfin::host {

// A request no schedule can be made for, with the reason in the
// function's terms.
struct ScheduleError : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

// Longest schedule, in periods: a longer one is surely a slip.
inline constexpr double kMostSchedulePeriods = 100000;

struct Schedule {
    // "period", then payment, interest, principal, balance (a loan) or
    // depreciation, accumulated, book_value (an asset).
    std::vector<std::string_view> columns;
    std::vector<std::vector<double>> rows;  // the first cell is the period, 1, 2, ...
    std::vector<double> totals;             // NaN where a total means nothing (period, balance)
};

// args: amount, payment, rate, periods; at most one missing (NaN), which
// MORT computes first.  decimals < 0: unrounded.
Schedule loan_schedule(const Module& module, std::span<const double> args, int decimals = -1);

// method: DB, DBSL, SL, SYD, TAB, or a function name of the pair (DEPDB,
// DACCDB, ...), any case; args: the function's arguments after the period
// (value, life[, factor], or value and the fractions).
Schedule depreciation_schedule(const Module& module, std::string_view method, std::span<const double> args,
                               int decimals = -1);

}  // namespace qelfin::host
