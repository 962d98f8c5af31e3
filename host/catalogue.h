// The catalogue of the module's seventeen functions: for each its name, entry
// symbol, vector word and shape; per argument its name, meaning, unit and
// whether it may be left missing; the result's unit; the statuses it can
// return with what each means for it; a short help text and a worked
// example.  Every list of functions outside the module (the host's call API,
// qelhost's parser and reference, docs/functions.md, the export and record
// tests) reads this table or is checked against it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qelfin::host {

// How an entry treats its arguments.
enum class Shape {
    exactly_one_missing,  // four quantities of one equation; the missing one is computed
    pass_through,         // fixed arguments handed to the solver, which blames one by position
    series,               // leading arguments, then a list read from the argument block
};

// The unit an argument or a result is counted in.
enum class Unit {
    currency,          // an amount of money
    rate_fraction,     // a rate per period as a fraction: 0.05 is 5 %
    rate_percent,      // a rate per period in percent: 5 is 5 %
    periods,           // a number of periods, fractions allowed unless said otherwise
    frequency,         // cash flows per base period; 0 discounts continuously
    factor,            // a multiple of the straight-line rate: 2 is double-declining
    value_fraction,    // a fraction of the value, 0 to 1
    same_as_missing,   // the unit of the argument that was left missing
};

// A value the module accepts but that is more likely a slip than meant:
// the hints qelhost draws, never changing a figure.
enum class Plausibility {
    none,
    fraction_rate,   // above 1: a percent where a fraction per period is meant
    percent_rate,    // between 0 and 0.5: a fraction where a percent is meant
    rate_factor,     // above 10: a rate where a multiple of the straight-line rate is meant
    whole_payments,  // not a whole number of payments
};

// What a missing value in an argument does.
enum class WhenMissing {
    refused,   // the call fails
    computed,  // leave exactly one of the four missing: the function returns it
    as_zero,   // counts as 0 (a cash flow), with the exceptions the help text gives
};

struct ArgumentInfo {
    // The argument's one identifier, snake_case, used verbatim by every
    // surface: SQL parameter names, Python keywords, qelhost's describe,
    // eval's JSON and the reasons ("argument 3 (life)").  A list's
    // identifier is plural ("flows", "fractions").
    std::string_view name;
    std::string_view meaning;  // one sentence for the reference
    Unit unit;
    WhenMissing when_missing;
    Plausibility plausibility = Plausibility::none;
};

// What the solver of an exactly-one-missing function means by an error
// word, for the argument being computed.  In the text, {1} .. {4} stand for
// the values of the arguments and {1*3} for the product of two of them.
struct SolverErrorInfo {
    int32_t which;          // the argument computed (1..4)
    int32_t code;           // the solver's error word
    std::string_view text;  // the reason, in the function's terms
};

// The rule an argument the module marked has broken, in the words that
// fit its value: the first case whose `when` holds for the value applies.
struct RuleCase {
    enum class When {
        always,
        not_above_zero,  // the value is 0 or below
        not_whole,       // the value is not a whole number
        below_one,       // the value is below 1
        above_one,       // the value is above 1 (a large value beyond the upper bound)
    };
    When when;
    std::string_view text;
};

// A condition on argument `argument` for computing argument `which` of an
// exactly-one-missing function: "to compute the rate, the initial must be
// above 0".
struct SolverCondition {
    enum class Test { above, at_least, not_equal };
    int32_t which;
    int32_t argument;
    Test test;
    double bound;
    std::string_view bound_text;  // the bound as people read it
    bool holds(double x) const {
        return test == Test::above ? x > bound : test == Test::at_least ? x >= bound : x != bound;
    }
};

struct StatusInfo {
    uint32_t status;           // 0, STATUS_RESULT_MISSING, STATUS_INVALID_ARGS or STATUS_NO_MEMORY
    std::string_view meaning;  // when this function returns it
};

// A worked example: the call and its reading, whose figures are written
// as {} (the call's own, in full), {:N} (rounded to N decimals) or
// {CALL:N} (another call's); host/examples.h computes them, so that every
// figure shown is the module's.
struct ExampleInfo {
    std::string_view call;     // as typed to qelhost eval
    std::string_view reading;  // the call in words
};

struct FunctionInfo {
    std::string_view name;     // as users write it, e.g. "MORT"
    std::string_view entry;    // the module's entry symbol, e.g. "fncmort"
    int32_t leading;           // fixed arguments before the list (all of them when !series)
    bool series;               // a variable-length list follows the leading arguments
    std::string_view arguments[4];  // identifiers of the leading arguments, in order
    std::string_view element;  // identifier of the list ("flows", "fractions")

    Shape shape;
    std::string_view family;                 // "Time value of money", "Cash flows", "Depreciation"
    std::string_view summary;                // one line
    std::array<ArgumentInfo, 4> details;     // the leading arguments (the first `leading` are used)
    std::optional<ArgumentInfo> list;        // the list element of a series function
    std::string_view result;                 // what the result is
    Unit result_unit;
    std::string_view help;                   // conventions a caller has to know
    std::span<const StatusInfo> statuses;    // every status it can return, 0 first
    ExampleInfo example;

    // Why a call gives no value.  The rule each leading argument breaks when
    // the module marks it (empty where only a missing value is marked), and
    // the rule of the list elements; for the exactly-one-missing functions
    // the exported solver the entry calls and what its error words mean.
    std::array<std::span<const RuleCase>, 4> rules;
    std::string_view list_rule;
    std::string_view solver;  // "zmort": the same inputs and `which` give the entry's error word
    std::span<const SolverCondition> solver_conditions;  // tested first, in order
    std::span<const SolverErrorInfo> solver_errors;      // what an error word means beyond them
};

// The seventeen functions, index i being vector word i + 1 (alphabetical).
std::span<const FunctionInfo> functions();

// Index of a function by name, any case; nullopt if unknown.
std::optional<int> function_index(std::string_view name);

// Edit distance between two names, case ignored.
size_t edit_distance(std::string_view a, std::string_view b);

// The candidate closest to `name` by edit distance, case ignored; empty when
// there are no candidates or the nearest is too far off to be a misspelling.
std::string_view nearest_name(std::string_view name, const std::vector<std::string_view>& candidates);

// "unknown function MROT (did you mean MORT?)", or with the list of the
// functions when no name is near.  Every surface says it in these words.
std::string unknown_function(std::string_view name);

// The name of argument i (1-based): "life"; a list element is the list's
// identifier with its place in the list counted from 1, as SQL arrays and
// qelhost's positions count: "flows[2]" is the second cash flow.
std::string argument_name(const FunctionInfo& f, int32_t i);

// "argument 3 (life)": position and name of argument i (1-based).
std::string describe_argument(const FunctionInfo& f, int32_t i);

// The argument list as a signature: "amount, payment, rate, periods" or
// "rate, freq, flows...".
std::string argument_list(const FunctionInfo& f);

// "currency", "fraction per period (0.05 is 5 %)", ...
std::string_view unit_text(Unit unit);

// The reason an exactly-one-missing function gives when `missing` of its
// four arguments are missing instead of one: "exactly one argument must be
// missing, 2 are".
std::string missing_count_reason(int32_t missing);

// What a plausibility hint says after the argument's name and value, with
// the function's name: "per period looks like a percent; MORT takes a
// fraction per period".
std::string plausibility_text(Plausibility p, std::string_view function);

// "left missing: computed", "missing: counts as 0", "may not be missing".
std::string_view when_missing_text(WhenMissing w);

}  // namespace qelfin::host
