// The little JSON qelhost writes: strings, numbers (null for a missing
// value), written straight into a string.
#pragma once

#include <string>
#include <string_view>

namespace qelhost {

void append_json_string(std::string& out, std::string_view s);
// The shortest round-trip number; null when missing; "inf" and "-inf" as
// strings, since JSON has no infinities.
void append_json_number(std::string& out, double x);

}  // namespace qelhost
