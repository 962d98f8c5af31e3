#include "json.h"

#include "number_text.h"

#include <cmath>
#include <cstdio>

namespace qelhost {

void append_json_string(std::string& out, std::string_view s) {
    out += '"';
    for (const char c : s) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
                    out += buf;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

void append_json_number(std::string& out, double x) {
    if (is_missing(x)) {
        out += "null";
    } else if (std::isinf(x)) {
        out += x > 0 ? "\"inf\"" : "\"-inf\"";
    } else {
        append_number(out, x, "null");
    }
}

}  // namespace qelhost
