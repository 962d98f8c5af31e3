// qelfin_crosscmp TABLE RESULTS-A RESULTS-B: compares the two builds' results
// on the cross-build table by the rules of fuzz/README.md ("The two builds
// against each other"); prints every disagreement and accepted flip and the
// totals, and exits 1 on any disagreement.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr uint64_t kUlps = 4;
constexpr double kSpread = 4.0;

struct Run {
    std::string status;
    std::vector<double> out;
};

// A result line of the runner (crossrun.cpp): the call, then the moved repeats.
struct Result {
    Run call;
    std::string marks, notes;
    long libm = 0;
    std::vector<Run> moved;
};

std::vector<double> doubles(const std::string& s) {
    std::vector<double> v;
    std::istringstream in(s);
    for (std::string h; std::getline(in, h, ',');) v.push_back(std::bit_cast<double>(std::stoull(h, nullptr, 16)));
    return v;
}

Result parse(const std::string& line) {
    Result r;
    std::istringstream in(line);
    std::string index, tok;
    in >> index >> r.call.status >> r.marks >> r.notes;
    while (in >> tok) {
        const std::string value = tok.substr(2);
        if (tok[0] == 'L') r.libm = std::stol(value);
        if (tok[0] == 'O') r.call.out = doubles(value);
        if (tok[0] == 'P' || tok[0] == 'Q' || tok[0] == 'R') {
            const size_t slash = value.find('/');
            r.moved.push_back({value.substr(0, slash), doubles(value.substr(slash + 1))});
        }
    }
    return r;
}

bool is_missing(double x) { return std::bit_cast<uint64_t>(x) == 0xFFFFFE0000000000ull; }

uint64_t ulps(double a, double b) {
    auto ordered = [](double x) {
        const auto i = std::bit_cast<int64_t>(x);
        return i < 0 ? std::numeric_limits<int64_t>::min() - i : i;
    };
    const int64_t x = ordered(a), y = ordered(b);
    return x > y ? static_cast<uint64_t>(x) - static_cast<uint64_t>(y)
                 : static_cast<uint64_t>(y) - static_cast<uint64_t>(x);
}

// How far output j moves when libm's results move by one ulp; infinite when
// it moves to or from a NaN or an infinity, or disappears.
double spread(const Result& r, size_t j) {
    double s = 0;
    for (const Run& m : r.moved) {
        if (m.status != r.call.status || j >= m.out.size()) return HUGE_VAL;
        const double x = m.out[j], o = r.call.out[j];
        if (std::bit_cast<uint64_t>(x) == std::bit_cast<uint64_t>(o)) continue;
        if (!std::isfinite(x) || !std::isfinite(o)) return HUGE_VAL;
        s = std::max(s, std::fabs(x - o));
    }
    return s;
}

// Does moving libm's results by one ulp turn r's status into `other`?
bool flips_to(const Result& r, const std::string& other) {
    return std::any_of(r.moved.begin(), r.moved.end(), [&](const Run& m) { return m.status == other; });
}

// Why the two results disagree, or "" when they agree.
std::string disagreement(const Result& a, const Result& b) {
    if (a.call.status != b.call.status) return "status";
    if (a.marks != b.marks) return "marks";
    if (a.notes != b.notes) return "notes";
    if (a.call.out.size() != b.call.out.size()) return "number of outputs";
    for (size_t j = 0; j < a.call.out.size(); ++j) {
        const double x = a.call.out[j], y = b.call.out[j];
        if (std::bit_cast<uint64_t>(x) == std::bit_cast<uint64_t>(y)) continue;
        // NaNs other than MISSING agree: their sign and payload are the processor's.
        if (std::isnan(x) && std::isnan(y) && !is_missing(x) && !is_missing(y)) continue;
        const bool used_libm = a.libm > 0 || b.libm > 0;  // then the last bits may differ
        if (used_libm && std::isfinite(x) && std::isfinite(y) && ulps(x, y) <= kUlps) continue;
        const double moves = used_libm ? std::max(spread(a, j), spread(b, j)) : 0.0;
        const std::string out = "output " + std::to_string(j + 1);
        if (moves == 0) return out + " differs where exp, log and pow do not move it";
        if (!std::isfinite(x) || !std::isfinite(y)) return out + " not finite on one build";
        if (!(std::fabs(x - y) <= kSpread * moves))
            return out + " differs by " + std::to_string(ulps(x, y)) + " ulps, more than libm's share explains";
    }
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    std::ifstream table(argc > 3 ? argv[1] : ""), fa(argc > 3 ? argv[2] : ""), fb(argc > 3 ? argv[3] : "");
    if (!table || !fa || !fb)
        return std::fprintf(stderr, "usage: %s TABLE RESULTS-A RESULTS-B (all readable)\n", argv[0]), 2;
    long index = 0, libm = 0, failures = 0, flips = 0;
    std::string call, la, lb;
    auto show = [&](const char* what, const std::string& why) {
        std::printf("%s (call %ld%s):\n  %.300s\n  a: %s\n  b: %s\n", what, index, why.c_str(), call.c_str(),
                    la.c_str(), lb.c_str());
    };
    for (; std::getline(table, call); ++index) {
        if (!std::getline(fa, la) || !std::getline(fb, lb)) return std::puts("the results end early"), 1;
        const Result a = parse(la), b = parse(lb);
        libm += a.libm > 0 || b.libm > 0 ? 1 : 0;
        if (a.call.status != b.call.status && (flips_to(a, b.call.status) || flips_to(b, a.call.status))) {
            if (flips++ < 10) show("status flip explained by libm", "");
        } else if (const std::string why = disagreement(a, b); !why.empty()) {
            if (failures++ < 30) show("DISAGREE", ": " + why);
        }
    }
    if (std::getline(fa, la) || std::getline(fb, lb)) return std::puts("the results hold more lines than the table"), 1;
    std::printf("%ld calls, %ld of them used exp, log or pow; %ld status flips explained by libm\n", index, libm,
                flips);
    if (failures == 0) return std::puts("the two builds agree"), 0;
    std::printf("the two builds DISAGREE on %ld calls\n", failures);
    return 1;
}
