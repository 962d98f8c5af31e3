// The cross-build table: one call per line, written by qelfin_crossgen,
// run by qelfin_crossrun on each build, the outputs compared by
// qelfin_crosscmp.
//
// Table line:   NAME SITE [#N] V...
//   NAME  a function (COMPOUND ... SAVING) or an exported routine (zpower,
//         zexpm1, zln1px, zlnSumOfExp, zqlog, zirr, intdat, intdvq, netpv2,
//         netpvd)
//   SITE  '-' or KK:I: caller kind KK (hex) and call site I of the runner
//   #N    the count a routine takes (zirr, intdat, intdvq, netpv2, netpvd)
//   V     argument values: the shortest decimal that reads back as the same
//         double, or x and the 16 hex digits of the bit pattern for NaNs
//
// Result line:  INDEX STATUS MARKED/MARKS NOTES L=CALLS O=OUT[,OUT] [P=... Q=... R=...]
//   STATUS  entry status or routine error word (hex); "absent" when the
//           module lacks the routine (nothing else follows)
//   NOTES   '-' or id:function pairs joined by '+'
//   L       calls of exp, log and pow made by the call
//   O       outputs as bit patterns: the result (two for intdvq and
//           netpvd), then the rate of every note 201
//   P, Q, R STATUS/OUT[,OUT]: the call again with every exp, log and pow
//           result moved one unit in the last place up (P), down (Q), and
//           alternately up and down (R); only when L > 0
#pragma once

#include <bit>
#include <charconv>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace qelfin::cross {

inline std::string hex(uint64_t b) {
    char buf[20];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(b));
    return buf;
}
inline std::string hex(double x) { return hex(std::bit_cast<uint64_t>(x)); }
inline uint64_t from_hex(const std::string& s) { return std::stoull(s, nullptr, 16); }

// A table value: decimal round-trips through strtod on both builds (it is
// correctly rounded in glibc); NaNs keep their payload in hex.
inline std::string value_text(double x) {
    if (x != x) return "x" + hex(x);
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, x);
    return std::string(buf, r.ptr);
}
inline double value_of(const std::string& t) {
    if (t[0] == 'x') return std::bit_cast<double>(from_hex(t.substr(1)));
    return std::strtod(t.c_str(), nullptr);
}

inline std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : s) {
        if (c == sep) {
            out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    out.push_back(cur);
    return out;
}

struct TableCall {
    std::string name;
    bool has_site = false;
    uint8_t kind = 0;
    int site = 0;
    int32_t count = 0;
    bool has_count = false;
    std::vector<double> values;
};

inline TableCall parse_call(const std::string& line) {
    std::istringstream in(line);
    TableCall c;
    std::string site, tok;
    in >> c.name >> site;
    if (site != "-") {
        const auto parts = split(site, ':');
        c.has_site = true;
        c.kind = static_cast<uint8_t>(std::stoul(parts.at(0), nullptr, 16));
        c.site = std::stoi(parts.at(1));
    }
    while (in >> tok) {
        if (tok[0] == '#') {
            c.has_count = true;
            c.count = std::stoi(tok.substr(1));
        } else {
            c.values.push_back(value_of(tok));
        }
    }
    return c;
}

}  // namespace qelfin::cross
