// qelfin_crosscmp: compares the results of the two builds on the
// cross-build table.
//
//   qelfin_crosscmp TABLE RESULTS-A RESULTS-B
//
// What must agree, call by call:
//   - the status (or error word), the argument marked, the number of marks,
//     and the notes (ids and function names);
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
//   - One exception to equal statuses: a search whose acceptance test sits
//     right at its tolerance may succeed on one build and fail on the other.
//     That is accepted only when the build's own status changes to the
//     other build's when libm's results move by one unit in the last place
//     (the runners record the statuses of the moved calls); such calls are
//     counted and listed, not compared further.
// Prints a summary per function, every disagreement and every accepted
// status flip; exits 1 on any disagreement.
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

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> out(1);
    for (char c : s)
        if (c == sep)
            out.emplace_back();
        else
            out.back().push_back(c);
    return out;
}

constexpr uint64_t kUlps = 4;
constexpr double kSpread = 4.0;

struct Moved {
    bool present = false;
    std::string status;
    std::vector<double> out;
};

struct Result {
    std::string status, marks, notes;
    long libm = 0;
    std::vector<double> out;
    Moved up, down, alternate;
    std::string text;
};

std::vector<double> doubles(const std::string& s) {
    std::vector<double> v;
    if (s.empty()) return v;
    for (const auto& h : split(s, ',')) v.push_back(std::bit_cast<double>(std::stoull(h, nullptr, 16)));
    return v;
}

Result parse(const std::string& line) {
    Result r;
    r.text = line;
    std::istringstream in(line);
    std::string index, tok;
    in >> index >> r.status;
    in >> r.marks >> r.notes;
    while (in >> tok) {
        const std::string value = tok.substr(2);
        if (tok.rfind("L=", 0) == 0) r.libm = std::stol(value);
        if (tok.rfind("O=", 0) == 0) r.out = doubles(value);
        Moved* m = tok.rfind("P=", 0) == 0   ? &r.up
                   : tok.rfind("Q=", 0) == 0 ? &r.down
                   : tok.rfind("R=", 0) == 0 ? &r.alternate
                                             : nullptr;
        if (m != nullptr) {
            const size_t slash = value.find('/');
            m->present = true;
            m->status = value.substr(0, slash);
            m->out = doubles(value.substr(slash + 1));
        }
    }
    return r;
}

int64_t ordered(double x) {
    const auto b = std::bit_cast<int64_t>(x);
    return b < 0 ? std::numeric_limits<int64_t>::min() - b : b;
}

uint64_t ulps(double a, double b) {
    const int64_t x = ordered(a), y = ordered(b);
    return x > y ? static_cast<uint64_t>(x) - static_cast<uint64_t>(y)
                 : static_cast<uint64_t>(y) - static_cast<uint64_t>(x);
}

// How far output j moves when libm's results move by one ulp; infinite
// when it moves to or from a NaN or an infinity, or disappears.
double spread(const Result& r, size_t j) {
    double s = 0;
    for (const auto* moved : {&r.up, &r.down, &r.alternate}) {
        if (!moved->present) continue;
        if (moved->status != r.status || j >= moved->out.size()) return HUGE_VAL;
        const double m = moved->out[j], o = r.out[j];
        if (std::bit_cast<uint64_t>(m) == std::bit_cast<uint64_t>(o)) continue;
        if (!std::isfinite(m) || !std::isfinite(o)) return HUGE_VAL;
        s = std::max(s, std::fabs(m - o));
    }
    return s;
}

// Does moving libm's results by one ulp turn r's status into `other`?
bool flips_to(const Result& r, const std::string& other) {
    for (const auto* moved : {&r.up, &r.down, &r.alternate})
        if (moved->present && moved->status == other) return true;
    return false;
}

struct Stats {
    long calls = 0, libm = 0, flips = 0, failures = 0;
    uint64_t max_ulps = 0;  // between results of one sign, where libm moved them
    double max_ratio = 0;   // difference over libm's move, where more than kUlps apart
    void add(const Stats& s) {
        calls += s.calls, libm += s.libm, flips += s.flips, failures += s.failures;
        max_ulps = std::max(max_ulps, s.max_ulps), max_ratio = std::max(max_ratio, s.max_ratio);
    }
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
    long index = 0, shown = 0, failures = 0, flipped = 0;
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
        if (a.status != b.status) {
            if (flips_to(a, b.status) || flips_to(b, a.status)) {
                ++st.flips;
                if (flipped++ < 10)
                    std::printf("status flip explained by libm (call %ld):\n  %s\n  a: %s\n  b: %s\n", index,
                                call.size() > 300 ? (call.substr(0, 300) + " ...").c_str() : call.c_str(), la.c_str(),
                                lb.c_str());
            } else {
                why = "status";
            }
        } else if (a.marks != b.marks) {
            why = "marks";
        } else if (a.notes != b.notes) {
            why = "notes";
        } else if (a.out.size() != b.out.size()) {
            why = "number of outputs";
        } else {
            const bool libm = a.libm > 0 || b.libm > 0;
            st.libm += libm ? 1 : 0;
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
                    // Across zero the count of doubles between the two is
                    // astronomical and says nothing; such pairs are judged
                    // by libm's move alone.
                    if (std::signbit(x) == std::signbit(y)) worst = std::max(worst, u);
                    if (u > kUlps) {
                        const double ratio = std::fabs(x - y) / moves;
                        st.max_ratio = std::max(st.max_ratio, ratio);
                        if (!(ratio <= kSpread))
                            why = out + " differs by " + std::to_string(u) + " ulps, more than libm's share explains";
                    }
                }
            }
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
    Stats total;
    std::printf("%-12s %7s %7s %9s %8s %5s %8s\n", "function", "calls", "libm", "max ulps", "max d/m", "flips",
                "disagree");
    auto row = [](const std::string& name, const Stats& s) {
        std::printf("%-12s %7ld %7ld %9llu %8.3g %5ld %8ld\n", name.c_str(), s.calls, s.libm,
                    static_cast<unsigned long long>(s.max_ulps), s.max_ratio, s.flips, s.failures);
    };
    for (const auto& [name, s] : stats) row(name, s), total.add(s);
    row("all", total);
    std::printf("(libm: calls that used exp, log or pow; max ulps: largest difference in units in the last place\n"
                " between results of one sign; max d/m: largest difference over the move one ulp of libm makes,\n"
                " where more than %llu ulps; flips: status differs, and one ulp of libm flips it on one build)\n",
                static_cast<unsigned long long>(kUlps));
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
