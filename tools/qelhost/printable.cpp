// printable: escaping and cutting input text for messages.
#include "printable.h"

#include <cstdint>
#include <cstdio>

namespace qelhost {

namespace {

// Length of the printable UTF-8 character at the start of `s`, 0 when the
// bytes there are not one (a control character, a malformed, overlong or
// surrogate sequence, a C1 control).
size_t printable_length(std::string_view s) {
    const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char c = b(0);
    if (c >= 0x20 && c < 0x7F) return 1;
    const size_t n = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (n == 0 || s.size() < n) return 0;
    uint32_t cp = c & (0x7F >> n);
    for (size_t i = 1; i < n; ++i) {
        if ((b(i) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(i) & 0x3F);
    }
    const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < smallest[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) || cp < 0xA0) return 0;
    return n;
}

}  // namespace

std::string printable(std::string_view text, size_t limit) {
    std::string out;
    size_t shown = 0;
    while (!text.empty()) {
        if (shown++ == limit) return out + "...";
        const size_t n = printable_length(text);
        if (n > 0 && text[0] != '\\') {
            out.append(text.substr(0, n));
            text.remove_prefix(n);
            continue;
        }
        char escaped[8];
        if (text[0] == '\\')
            std::snprintf(escaped, sizeof escaped, "\\\\");
        else
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(text[0]));
        out += escaped;
        text.remove_prefix(1);
    }
    return out;
}

}  // namespace qelhost
