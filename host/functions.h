// What the host knows about the module's seventeen functions: their names
// in the order of the function vector, their arity and the meaning of each
// argument (for messages such as "argument 3 (life)").
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qelfin::host {

struct FunctionInfo {
    std::string_view name;     // as users write it, e.g. "MORT"
    std::string_view entry;    // the module's entry symbol, e.g. "fncmort"
    int32_t leading;           // fixed arguments before the list (all of them when !series)
    bool series;               // a variable-length list follows the leading arguments
    std::string_view arguments[4];  // meanings of the leading arguments
    std::string_view element;  // meaning of a list element ("cash flow", "table entry")
};

// The seventeen functions, index i being vector word i + 1.
std::span<const FunctionInfo> functions();

// Index of a function by name, any case; nullopt if unknown.
std::optional<int> function_index(std::string_view name);

// The known name nearest to a misspelt one (for "did you mean ...").
std::string_view nearest_function(std::string_view name);

// Edit distance between two names, case ignored.
size_t edit_distance(std::string_view a, std::string_view b);

// "argument 3 (life)": position and meaning of argument i (1-based).
std::string describe_argument(const FunctionInfo& f, int32_t i);

}  // namespace qelfin::host
