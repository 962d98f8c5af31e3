// The catalogue's reasons for refusals: the rule each argument the module
// may mark has to meet, per function, and what the time-value-of-money
// solvers mean by their error words for the argument being computed.
// Included by catalogue.cpp only, where the functions are assembled.
#pragma once

#include "host/catalogue.h"

#include <array>
#include <string_view>

namespace qelfin::host::rules {

using Rules = std::array<std::string_view, 4>;

// Depreciation: only a missing period or value is marked, except where said.
constexpr Rules kDb = {"", "", "the life must be from 1.491668147e-154 to 1.3407807929943e154",
                       "factor must be above 0 and at most 1.3407807929943e154"};
constexpr Rules kDbsl = {"the period must be a whole number below 2147483647", "",
                         "the life must be a whole number from 1 to 2147483646",
                         "factor must be above 0 and below 2147483647"};
constexpr Rules kSl = {"", "", "the life must be at least 1.491668147e-154 (a zero or negative life has no "
                               "straight line)", ""};
constexpr Rules kSyd = {"the period must be at most 9007199254740992 (2^53)",
                        "the value must be at most 1.3407807929943e154 in magnitude",
                        "the life must be from 1.491668147e-154 to 5.643803094122288e102", ""};
constexpr Rules kTab = {"", "", "", ""};
constexpr std::string_view kTableEntryRule = "every entry of fractions must be given";
constexpr Rules kNpv = {"", "freq must not be negative (0 discounts continuously)", "", ""};
constexpr Rules kIrr = {"freq must be given and not negative (0 discounts continuously)", "", "", ""};
constexpr Rules kTvm = {"", "", "", ""};

// zcmpnd reports every refusal as 1; what it refused depends on what is computed.
constexpr SolverErrorInfo kCompound[] = {
    {1, 1, "to compute initial final {2} must not be negative, the rate {3} must be above "
           "-0.999999999 and the periods {4} must not be negative, and the growth factor (1 + rate)^periods must "
           "stay in range"},
    {2, 1, "to compute final initial {1} must not be negative, the rate {3} must be above "
           "-0.999999999 and the periods {4} must not be negative, and the growth factor (1 + rate)^periods must "
           "stay in range"},
    {3, 1, "to compute the rate initial {1} and final {2} must be above 0 and the periods "
           "{4} above 0"},
    {4, 1, "to compute the periods initial {1} and final {2} must be above 0 and the rate "
           "{3} above 0 (at a rate of 0 or below the amount never grows)"},
};

constexpr SolverErrorInfo kMort[] = {
    {1, 1, "to compute the amount the rate {3} must be above -1 and the number of payments {4} not negative"},
    {2, 1, "to compute the payment the rate {3} must be above -1 and the number of payments {4} above 0"},
    {3, 2, "to compute the rate the amount {1}, the payment {2} and the number of payments {4} must all be "
           "above 0"},
    {3, 5, "the payments {2} times {4} add up to {2*4}, less than the amount {1}: that would need a negative "
           "rate"},
    {4, 3, "to compute the number of payments the amount {1} and the payment {2} must be above 0 and the rate "
           "{3} above -1"},
    {4, 4, "the payment {2} does not exceed the interest {1*3} of the first period: the loan is never repaid"},
};

// zsaving reports every refusal as 1.
constexpr SolverErrorInfo kSaving[] = {
    {1, 1, "to compute final the rate {3} must be above -0.99999999, the periods {4} above 0, and "
           "the payment, the rate, the periods and (1 + rate)^(periods + 1) at most 5.6e102 in magnitude"},
    {2, 1, "to compute the payment the rate {3} must be above -0.9999999, the periods {4} above 0, and the "
           "final {1} at most 5.6e102 in magnitude, and the periods must make the plan grow"},
    {3, 1, "to compute the rate final {1}, the payment {2} and the periods {4} must be above 0 and "
           "at most 5.6e102, and the search must settle on a rate within 100 steps"},
    {4, 1, "to compute the periods final {1} must be above 0, the payment {2} above 0, the rate {3} "
           "above -0.999999999 and not 0 (at a rate of 0 use final / payment), and final "
           "must be reachable at that rate"},
};

}  // namespace qelfin::host::rules
