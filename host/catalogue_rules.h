// The catalogue's reasons for refusals: the rule each argument the module
// may mark has to meet, per function, in the words that fit the value
// given ("the life must be above 0" for a life of -1, the exact bound only
// for a value beside it); the condition each argument of COMPOUND, MORT and
// SAVING must meet for the quantity being computed; and what their solvers
// mean by their error words.  Included by catalogue.cpp only, where the
// functions are assembled.
#pragma once

#include "host/catalogue.h"

#include <array>
#include <string_view>

namespace qelfin::host::rules {

using C = RuleCase::When;
using Rules = std::array<std::span<const RuleCase>, 4>;

// Depreciation: only a missing period or value is marked, except where said.
constexpr RuleCase kDbLife[] = {{C::not_above_zero, "the life must be above 0"},
                                {C::above_one, "the life must be at most 1.3407807929943e154"},
                                {C::always, "the life must be at least 1.491668147e-154"}};
constexpr RuleCase kDbFactor[] = {{C::not_above_zero, "the factor must be above 0"},
                                  {C::always, "the factor must be at most 1.3407807929943e154"}};
constexpr RuleCase kDbslPeriod[] = {{C::not_whole, "the period must be a whole number"},
                                    {C::always, "the period must be below 2147483647"}};
constexpr RuleCase kDbslLife[] = {{C::not_whole, "the life must be a whole number"},
                                  {C::below_one, "the life must be at least 1"},
                                  {C::always, "the life must be at most 2147483646"}};
constexpr RuleCase kDbslFactor[] = {{C::not_above_zero, "the factor must be above 0"},
                                    {C::always, "the factor must be below 2147483647"}};
constexpr RuleCase kSlLife[] = {{C::not_above_zero, "the life must be above 0"},
                                {C::always, "the life must be at least 1.491668147e-154"}};
constexpr RuleCase kSydPeriod[] = {{C::always, "the period must be at most 9007199254740992 (2^53)"}};
constexpr RuleCase kSydValue[] = {{C::always, "the value must be at most 1.3407807929943e154 in magnitude"}};
constexpr RuleCase kSydLife[] = {{C::not_above_zero, "the life must be above 0"},
                                 {C::above_one, "the life must be at most 5.643803094122288e102"},
                                 {C::always, "the life must be at least 1.491668147e-154"}};
constexpr RuleCase kFreq[] = {{C::always, "the freq must not be negative (0 discounts continuously)"}};

constexpr Rules kDb = {{{}, {}, kDbLife, kDbFactor}};
constexpr Rules kDbsl = {{kDbslPeriod, {}, kDbslLife, kDbslFactor}};
constexpr Rules kSl = {{{}, {}, kSlLife, {}}};
constexpr Rules kSyd = {{kSydPeriod, kSydValue, kSydLife, {}}};
constexpr Rules kNpv = {{{}, kFreq, {}, {}}};
constexpr Rules kIrr = {{kFreq, {}, {}, {}}};
constexpr Rules kNone = {};
constexpr std::string_view kTableEntryRule = "every entry of fractions must be given";

// What each argument must be for the quantity `which` to be computed, in
// the order the solvers test them: the first one broken is the reason.
using T = SolverCondition::Test;
constexpr SolverCondition kCompoundConditions[] = {
    {1, 2, T::at_least, 0, "0"},       {1, 3, T::above, -0.999999999, "-0.999999999"}, {1, 4, T::at_least, 0, "0"},
    {2, 1, T::at_least, 0, "0"},       {2, 3, T::above, -0.999999999, "-0.999999999"}, {2, 4, T::at_least, 0, "0"},
    {3, 2, T::above, 0, "0"},          {3, 1, T::above, 0, "0"},                       {3, 4, T::above, 0, "0"},
    {4, 2, T::above, 0, "0"},          {4, 1, T::above, 0, "0"},                       {4, 3, T::above, 0, "0"},
};
constexpr SolverCondition kMortConditions[] = {
    {1, 3, T::above, -1, "-1"}, {1, 4, T::at_least, 0, "0"},                            //
    {2, 3, T::above, -1, "-1"}, {2, 4, T::above, 0, "0"},                               //
    {3, 1, T::above, 0, "0"},   {3, 2, T::above, 0, "0"},   {3, 4, T::above, 0, "0"},  //
    {4, 1, T::above, 0, "0"},   {4, 2, T::above, 0, "0"},   {4, 3, T::above, -1, "-1"},
};
constexpr SolverCondition kSavingConditions[] = {
    {1, 3, T::above, -0.99999999, "-0.99999999"},   {1, 4, T::above, 0, "0"},
    {2, 3, T::above, -0.9999999, "-0.9999999"},     {2, 4, T::above, 0, "0"},
    {3, 1, T::above, 0, "0"},                       {3, 2, T::above, 0, "0"},
    {3, 4, T::above, 0, "0"},                       {4, 1, T::above, 0, "0"},
    {4, 2, T::above, 0, "0"},                       {4, 3, T::above, -0.999999999, "-0.999999999"},
    {4, 3, T::not_equal, 0, "0 (at a rate of 0 the periods are final / payment)"},
};

// zcmpnd reports every refusal as 1: beyond the conditions above, a growth
// factor out of range.
constexpr SolverErrorInfo kCompound[] = {
    {1, 1, "to compute the initial, the growth factor (1 + rate)^periods of rate {3} over {4} periods must stay in "
           "range"},
    {2, 1, "to compute the final, the growth factor (1 + rate)^periods of rate {3} over {4} periods must stay in "
           "range"},
    {3, 1, "to compute the rate, the periods {4} must be above 1.491668147e-154"},
    {4, 1, "to compute the periods, the rate {3} must be above 1.491668147e-154 (at a rate of 0 or below the "
           "amount never grows)"},
};

constexpr SolverErrorInfo kMort[] = {
    {1, 1, "to compute the amount, the rate {3} must be above -1 and the periods {4} not negative"},
    {2, 1, "to compute the payment, the rate {3} must be above -1 and the periods {4} above 0"},
    {3, 2, "to compute the rate, the amount {1}, the payment {2} and the periods {4} must all be above 0"},
    {3, 5, "the payments {2} times {4} add up to {2*4}, less than the amount {1}: that would need a negative "
           "rate"},
    {3, 6, "the search for the rate did not settle within 100 steps"},
    {4, 3, "to compute the periods, the amount {1} and the payment {2} must be at least 1.491668147e-154 and "
           "the rate {3} above -1"},
    {4, 4, "the payment {2} does not exceed the interest {1*3} of the first period: the loan is never repaid"},
};

// zsaving reports every refusal as 1: beyond the conditions above, values
// out of range or a search that does not settle.
constexpr SolverErrorInfo kSaving[] = {
    {1, 1, "to compute the final, the payment, the rate and the periods and (1 + rate)^(periods + 1) must be at "
           "most 5.6e102 in magnitude"},
    {2, 1, "to compute the payment, the final {1} must be at most 5.6e102 in magnitude and the periods must make "
           "the plan grow"},
    {3, 1, "to compute the rate, the final {1}, the payment {2} and the periods {4} must be at most 5.6e102, and "
           "the search must settle on a rate within 100 steps"},
    {4, 1, "to compute the periods, the final {1} and the payment {2} must be at most 5.6e102 and the final must be "
           "reachable at the rate {3}"},
};

}  // namespace qelfin::host::rules
