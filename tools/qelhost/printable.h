// Input text quoted in a message: bytes that are not printable UTF-8 are
// shown as \xHH (a backslash as \\), and a long text is cut, so that binary
// garbage in a file never reaches the terminal raw.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qelhost {

// At most `limit` characters of `text`, then "..." when there were more.
std::string printable(std::string_view text, size_t limit = 40);

}  // namespace qelhost
