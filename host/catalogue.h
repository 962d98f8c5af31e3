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

// What a missing value in an argument does.
enum class WhenMissing {
    refused,   // the call fails
    computed,  // leave exactly one of the four missing: the function returns it
    as_zero,   // counts as 0 (a cash flow), with the exceptions the help text gives
};

struct ArgumentInfo {
    std::string_view name;     // short name, as in "argument 3 (life)"
    std::string_view meaning;  // one sentence for the reference
    Unit unit;
    WhenMissing when_missing;
};

struct StatusInfo {
    uint32_t status;           // 0, STATUS_RESULT_MISSING, STATUS_INVALID_ARGS or STATUS_NO_MEMORY
    std::string_view meaning;  // when this function returns it
};

struct ExampleInfo {
    std::string_view call;    // as typed to qelhost eval
    double result;            // what the module returns, to within 1e-9 relative
    std::string_view reading; // the call in words
};

struct FunctionInfo {
    std::string_view name;     // as users write it, e.g. "MORT"
    std::string_view entry;    // the module's entry symbol, e.g. "fncmort"
    int32_t leading;           // fixed arguments before the list (all of them when !series)
    bool series;               // a variable-length list follows the leading arguments
    std::string_view arguments[4];  // names of the leading arguments, in order
    std::string_view element;  // name of a list element ("cash flow", "table entry")

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

// "argument 3 (life)": position and name of argument i (1-based).
std::string describe_argument(const FunctionInfo& f, int32_t i);

// The argument list as a signature: "amount, payment, rate, periods" or
// "rate, frequency, cash flow, ...".
std::string argument_list(const FunctionInfo& f);

// "currency", "fraction per period (0.05 is 5 %)", ...
std::string_view unit_text(Unit unit);

// "left missing: computed", "missing: counts as 0", "may not be missing".
std::string_view when_missing_text(WhenMissing w);

}  // namespace qelfin::host
