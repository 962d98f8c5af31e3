// qelfin_crosscmp: compares the results of the two builds on the
// cross-build table.
//
//   qelfin_crosscmp TABLE RESULTS-A RESULTS-B
//
// What must agree, call by call:
//   - whether the routine exists, the status (or error word), the argument
//     marked, the number of marks, and the notes (ids and function names);
//   - every output (result, second output, note rates) bit for bit, unless
//     the call used exp, log or pow on either build;
//   - where it did, the runners measured on both builds how far the output
//     moves when every exp, log and pow result moves by one unit in the last
//     place.  An output that does not move (libm only decided a bound) must
//     agree bit for bit; one that moves must agree within kUlps units in the
//     last place or within kSpread times the largest move.  The second rule
//     covers results that magnify a libm difference, such as a rate
//     computed as exp(x) - 1 for a small x.  NaNs and infinities must be
//     identical.
// Prints a summary per function and every disagreement; exits 1 on any.
#include "tests/robustness/cross/cross_table.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using qelfin::cross::from_hex;
using qelfin::cross::split;

constexpr uint64_t kUlps = 4;
constexpr double kSpread = 4.0;

struct Result {
    bool absent = false;
    std::string status, marks, notes;
    long libm = 0;
    std::vector<double> out, up, down, alternate;
    std::string text;
};

std::vector<double> doubles(const std::string& s) {
    std::vector<double> v;
    if (s.empty()) return v;
    for (const auto& h : split(s, ',')) v.push_back(std::bit_cast<double>(from_hex(h)));
    return v;
}

Result parse(const std::string& line) {
    Result r;
    r.text = line;
    std::istringstream in(line);
    std::string index, tok;
    in >> index >> r.status;
    if (r.status == "absent") {
        r.absent = true;
        return r;
    }
    in >> r.marks >> r.notes;
    while (in >> tok) {
        const std::string value = tok.substr(2);
        if (tok.rfind("L=", 0) == 0) r.libm = std::stol(value);
        if (tok.rfind("O=", 0) == 0) r.out = doubles(value);
        if (tok.rfind("P=", 0) == 0) r.up = doubles(value);
        if (tok.rfind("Q=", 0) == 0) r.down = doubles(value);
        if (tok.rfind("R=", 0) == 0) r.alternate = doubles(value);
    }
    return r;
}

int64_t ordered(double x) {
    const auto b = std::bit_cast<int64_t>(x);
    return b < 0 ? std::numeric_limits<int64_t>::min() - b : b;
}

uint64_t ulps(double a, double b) {
    const int64_t x = ordered(a), y = ordered(b);
    return x > y ? static_cast<uint64_t>(x) - static_cast<uint64_t>(y) : static_cast<uint64_t>(y) - static_cast<uint64_t>(x);
}

// How far output j moves when libm's results move by one ulp; infinite
// when it moves to or from a NaN or an infinity, or disappears.
double spread(const Result& r, size_t j) {
    double s = 0;
    for (const auto* moved : {&r.up, &r.down, &r.alternate}) {
        if (moved->empty()) continue;
        if (j >= moved->size()) return HUGE_VAL;
        const double m = (*moved)[j], o = r.out[j];
        if (std::bit_cast<uint64_t>(m) == std::bit_cast<uint64_t>(o)) continue;
        if (!std::isfinite(m) || !std::isfinite(o)) return HUGE_VAL;
        s = std::max(s, std::fabs(m - o));
    }
    return s;
}

struct Stats {
    long calls = 0, absent = 0, succeeded = 0, libm = 0, libm_identical = 0, libm_within = 0, failures = 0;
    uint64_t max_ulps = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s TABLE RESULTS-A RESULTS-B\n", argv[0]);
        return 2;
    }
    std::ifstream table(argv[1]), fa(argv[2]), fb(argv[3]);
    if (!table || !fa || !fb) {
        std::fprintf(stderr, "cannot read the table or the results\n");
        return 2;
    }
    std::map<std::string, Stats> stats;
    long index = 0, shown = 0, failures = 0;
    std::string call, la, lb;
    while (std::getline(table, call)) {
        if (call.empty()) continue;
        if (!std::getline(fa, la) || !std::getline(fb, lb)) {
            std::printf("the results end at call %ld of the table\n", index);
            return 1;
        }
        const std::string name = call.substr(0, call.find(' '));
        Stats& st = stats[name];
        ++st.calls;
        const Result a = parse(la), b = parse(lb);
        std::string why;
        uint64_t worst = 0;
        bool within = false;
        if (a.absent || b.absent) {
            if (a.absent != b.absent) why = "one build lacks the routine (is a build out of date?)";
            ++st.absent;
        } else if (a.status != b.status) {
            why = "status";
        } else if (a.marks != b.marks) {
            why = "marks";
        } else if (a.notes != b.notes) {
            why = "notes";
        } else if (a.out.size() != b.out.size()) {
            why = "number of outputs";
        } else {
            const bool libm = a.libm > 0 || b.libm > 0;
            st.libm += libm ? 1 : 0;
            st.succeeded += a.status == "0" ? 1 : 0;
            for (size_t j = 0; j < a.out.size() && why.empty(); ++j) {
                const double x = a.out[j], y = b.out[j];
                if (std::bit_cast<uint64_t>(x) == std::bit_cast<uint64_t>(y)) continue;
                const double moves = libm ? std::max(spread(a, j), spread(b, j)) : 0.0;
                const std::string out = "output " + std::to_string(j + 1);
                if (!libm) {
                    why = out + " differs without exp, log or pow";
                } else if (moves == 0) {
                    why = out + " differs, though it does not depend on exp, log or pow";
                } else if (!std::isfinite(x) || !std::isfinite(y)) {
                    why = out + " not finite on one build";
                } else {
                    const uint64_t u = ulps(x, y);
                    worst = std::max(worst, u);
                    if (u > kUlps && !(std::fabs(x - y) <= kSpread * moves))
                        why = out + " differs by " + std::to_string(u) + " ulps, more than libm's share explains";
                    within = true;
                }
            }
            if (libm && why.empty()) (within ? st.libm_within : st.libm_identical) += 1;
            st.max_ulps = std::max(st.max_ulps, worst);
        }
        if (!why.empty()) {
            ++st.failures;
            ++failures;
            if (shown++ < 30)
                std::printf("DISAGREE call %ld (%s):\n  %s\n  a: %s\n  b: %s\n", index, why.c_str(),
                            call.size() > 300 ? (call.substr(0, 300) + " ...").c_str() : call.c_str(), la.c_str(),
                            lb.c_str());
        }
        ++index;
    }
    std::printf("%-12s %8s %7s %8s %8s %10s %10s %9s %8s\n", "function", "calls", "absent", "status 0", "libm",
                "libm same", "libm near", "max ulps", "disagree");
    Stats total;
    for (const auto& [name, s] : stats) {
        std::printf("%-12s %8ld %7ld %8ld %8ld %10ld %10ld %9llu %8ld\n", name.c_str(), s.calls, s.absent, s.succeeded,
                    s.libm, s.libm_identical, s.libm_within, static_cast<unsigned long long>(s.max_ulps), s.failures);
        total.calls += s.calls;
        total.absent += s.absent;
        total.succeeded += s.succeeded;
        total.libm += s.libm;
        total.libm_identical += s.libm_identical;
        total.libm_within += s.libm_within;
        total.max_ulps = std::max(total.max_ulps, s.max_ulps);
    }
    std::printf("%-12s %8ld %7ld %8ld %8ld %10ld %10ld %9llu %8ld\n", "all", total.calls, total.absent,
                total.succeeded, total.libm, total.libm_identical, total.libm_within,
                static_cast<unsigned long long>(total.max_ulps), failures);
    if (std::getline(fa, la) || std::getline(fb, lb)) {
        std::printf("the results hold more lines than the table\n");
        return 1;
    }
    if (failures == 0)
        std::printf("the two builds agree\n");
    else
        std::printf("the two builds DISAGREE on %ld calls\n", failures);
    return failures == 0 ? 0 : 1;
}
