// qelfin_crossgen: writes the cross-build table, one call per line in the
// text form of the harness's seeds (fuzz/seeds.h), which the runner of each
// build hands to the robustness harness (qelfin_crossrun).
//
//   qelfin_crossgen [CALLS [SEED]]      default 300000 calls, seed 20240611
//
// The calls are mostly of the kind users make (amounts, rates, periods and
// series in their usual ranges, the quantity to solve for left missing),
// with a share of the guard constants, extremes and NaNs of the fuzzer, so
// that both the arithmetic and the argument checks are compared.  The
// generator is deterministic; it runs on one build and its table is read by
// both, so its own arithmetic never has to agree across builds.
#include "fuzz/byte_input.h"

#include <qelfin/qelfin.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Rng {
    uint64_t s;
    uint64_t next() {
        uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double unit() { return static_cast<double>(next() >> 11) * 0x1p-53; }
    double uniform(double a, double b) { return a + (b - a) * unit(); }
    int integer(int a, int b) { return a + static_cast<int>(next() % static_cast<uint64_t>(b - a + 1)); }
    bool chance(double p) { return unit() < p; }
    double cents(double a, double b) { return std::round(uniform(a, b) * 100) / 100; }
    // A value from the fuzzer's table of bounds, guards, NaNs and extremes.
    double special() {
        const auto table = qelfin::fuzz::special_values();
        const double x = table[next() % table.size()];
        return chance(0.3) ? -x : x;
    }
    // Usually `usual`, sometimes a special value.
    double or_special(double usual, double p = 0.06) { return chance(p) ? special() : usual; }
};

const double kMissing = std::bit_cast<double>(QELFIN_MISSING_BITS);

// A value as the seed reader reads it back, bit for bit: the shortest
// decimal (strtod is correctly rounded on both builds), NaNs by their bits.
std::string value_text(double x) {
    char buf[40];
    if (x != x) {
        std::snprintf(buf, sizeof buf, "0x%016llx", static_cast<unsigned long long>(std::bit_cast<uint64_t>(x)));
        return buf;
    }
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, x).ptr);
}

// One line; a list longer than a record holds explicitly repeats its first
// kExplicitValues values to its length.
void emit(const std::string& name, const std::string& site, const std::vector<double>& v) {
    std::string line = name + site;
    const size_t explicit_values = std::min(v.size(), static_cast<size_t>(qelfin::fuzz::kExplicitValues));
    for (size_t i = 0; i < explicit_values; ++i) line += " " + value_text(v[i]);
    if (v.size() > explicit_values) line += " *" + std::to_string(v.size());
    std::puts(line.c_str());
}

// Leaves quantity `which` (0-based) missing; now and then none or two.
void solve_for(Rng& r, std::vector<double>& q, int which) {
    q[static_cast<size_t>(which)] = kMissing;
    if (r.chance(0.02)) q[static_cast<size_t>((which + 1) % 4)] = kMissing;
    if (r.chance(0.02)) q[static_cast<size_t>(which)] = r.uniform(1, 100);
}

double rate(Rng& r) {
    switch (r.integer(0, 5)) {
        case 0: return r.uniform(0, 0.02);
        case 1: return r.uniform(0, 0.25);
        case 2: return r.uniform(-0.5, 0.5);
        case 3: return std::ldexp(1.0, -r.integer(12, 60)) * (r.chance(0.5) ? 1 : -1);
        case 4: return std::round(r.uniform(0, 20)) / 100;
        default: return r.uniform(0, 3);
    }
}

double periods(Rng& r) {
    switch (r.integer(0, 3)) {
        case 0: return r.integer(0, 40);
        case 1: return r.integer(1, 600);
        case 2: return std::round(r.uniform(0, 100) * 4) / 4;
        default: return r.uniform(0, 400);
    }
}

void tvm(Rng& r, const char* name) {
    const double amount = r.chance(0.5) ? r.cents(1, 1e6) : std::round(r.uniform(1, 1000)) * 100;
    const double i = rate(r), n = periods(r);
    std::vector<double> q(4);
    const std::string f = name;
    if (f == "COMPOUND") {
        q = {amount, amount * std::pow(1 + i, n) * (r.chance(0.8) ? 1 : r.uniform(0.5, 2)), i, n};
    } else if (f == "MORT") {
        const double pay = i == 0 ? amount / n : amount * i / (1 - std::pow(1 + i, -n));
        q = {amount, std::round(pay * (r.chance(0.7) ? 1 : r.uniform(0.5, 2)) * 100) / 100, i, n};
    } else {
        const double pay = r.cents(1, 5000);
        const double fv = i == 0 ? pay * n : pay * (std::pow(1 + i, n + 1) - (1 + i)) / i;
        q = {std::round(fv * (r.chance(0.8) ? 1 : r.uniform(0.5, 2)) * 100) / 100, pay, i, n};
    }
    for (auto& x : q) x = r.or_special(x, 0.04);
    solve_for(r, q, r.integer(0, 3));
    emit(name, "", q);
}

std::vector<double> flows(Rng& r, int m, bool several_changes, double missing_share) {
    std::vector<double> c;
    const double scale = std::pow(10.0, r.integer(1, 6));
    c.push_back(-r.cents(0.1, 1) * scale);
    for (int k = 1; k < m; ++k) {
        double x = r.cents(0, 0.4) * scale;
        if (several_changes && r.chance(0.25)) x = -x;
        if (r.chance(0.05)) x = 0;
        if (r.chance(missing_share)) x = kMissing;
        c.push_back(r.or_special(x, 0.005));
    }
    if (r.chance(0.05)) std::swap(c.front(), c.back());
    return c;
}

int series_length(Rng& r) { return r.chance(0.01) ? r.integer(100, 400) : r.integer(1, 30); }

// No call site, or one of four, each of one caller kind: two that limit
// IRR's notes and two that do not.
std::string site(Rng& r) {
    if (r.chance(0.4)) return "";
    static const char* const sites[] = {" @48:0", " @88:1", " @00:2", " @01:3"};
    return sites[r.integer(0, 3)];
}

double frequency(Rng& r) {
    static const double usual[] = {1, 1, 1, 2, 4, 12, 0, 0.5, 0.25, 1.5, 52, 365};
    return r.or_special(r.chance(0.1) ? r.uniform(0, 10) : usual[r.integer(0, 11)], 0.03);
}

void npv(Rng& r, const char* name, bool percent) {
    std::vector<double> v = {r.or_special(percent ? r.uniform(0, 30) : rate(r), 0.04), frequency(r)};
    const auto c = flows(r, series_length(r), r.chance(0.5), 0.03);
    v.insert(v.end(), c.begin(), c.end());
    emit(name, "", v);
}

void irr(Rng& r, const char* name) {
    std::vector<double> v = {frequency(r)};
    const auto c = flows(r, series_length(r) + 1, r.chance(0.3), 0.02);
    v.insert(v.end(), c.begin(), c.end());
    emit(name, site(r), v);
}

void depreciation(Rng& r, const char* name, int arity, bool whole) {
    const double life = whole || r.chance(0.6) ? r.integer(1, 40) : std::round(r.uniform(0.25, 40) * 4) / 4;
    double period =
        r.chance(0.7) ? r.integer(-1, static_cast<int>(life) + 2) : std::round(r.uniform(-1, life + 2) * 4) / 4;
    if (r.chance(0.05)) period = r.uniform(0, life);
    static const double factors[] = {2, 1.5, 1, 0.5, 3, 1.25};
    const double factor = r.chance(0.8) ? factors[r.integer(0, 5)] : r.uniform(0.05, 5);
    std::vector<double> v = {period, r.cents(0, 1e6), life, factor};
    v.resize(static_cast<size_t>(arity));
    for (auto& x : v) x = r.or_special(x, 0.05);
    emit(name, "", v);
}

void table(Rng& r, const char* name) {
    const int m = r.integer(1, 20);
    std::vector<double> t;
    double total = 0;
    for (int k = 0; k < m; ++k) total += t.emplace_back(r.unit());
    const double keep = r.chance(0.8) ? 1.0 : r.uniform(0.5, 1.2);
    for (auto& x : t) x = r.or_special(std::round(x / total * keep * 1e4) / 1e4, 0.01);
    std::vector<double> v = {
        r.or_special(r.chance(0.6) ? r.integer(-1, m + 2) : std::round(r.uniform(-1, m + 2) * 8) / 8),
        r.or_special(r.cents(0, 1e6))};
    v.insert(v.end(), t.begin(), t.end());
    emit(name, "", v);
}

void routine(Rng& r) {
    switch (r.integer(0, 9)) {
        case 0: {
            const double x = r.chance(0.5) ? r.uniform(0, 3) : r.uniform(-5, 5);
            const double y = r.chance(0.5) ? r.integer(-200, 400) : r.uniform(-50, 50);
            emit("zpower", "", {r.or_special(x), r.or_special(y)});
            break;
        }
        case 1: emit("zexpm1", "", {r.or_special(r.chance(0.5) ? r.uniform(-0.02, 0.02) : r.uniform(-50, 50))}); break;
        case 2:
            emit("zln1px", "", {r.or_special(r.chance(0.5) ? r.uniform(-0.05, 0.05) : r.uniform(-0.9, 50))});
            break;
        case 3:
            emit("zlnSumOfExp", "", {r.or_special(r.uniform(-800, 800)), r.or_special(r.uniform(-800, 800))});
            break;
        case 4: emit("zqlog", "", {r.or_special(std::ldexp(r.uniform(0.5, 1), r.integer(-60, 60)))}); break;
        case 5: {
            std::vector<double> v = {frequency(r)};
            const auto c = flows(r, series_length(r) + 1, r.chance(0.3), 0.0);
            v.insert(v.end(), c.begin(), c.end());
            emit("zirr", "", v);
            break;
        }
        case 6:
        case 7: {  // intdat, intdvq: flows from argument 2
            const bool dat = r.chance(0.5);
            std::vector<double> v = {dat ? frequency(r) : r.uniform(0.5, 1.5)};
            const auto c = flows(r, series_length(r) + 1, r.chance(0.3), 0.02);
            v.insert(v.end(), c.begin(), c.end());
            emit(dat ? "intdat" : "intdvq", "", v);
            break;
        }
        default: {  // netpv2, netpvd: flows from argument 3
            const bool pv2 = r.chance(0.5);
            std::vector<double> v = {pv2 ? rate(r) : r.uniform(0.5, 1.0), frequency(r)};
            const auto c = flows(r, series_length(r), r.chance(0.5), 0.02);
            v.insert(v.end(), c.begin(), c.end());
            emit(pv2 ? "netpv2" : "netpvd", "", v);
            break;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const long calls = argc > 1 ? std::atol(argv[1]) : 300000;
    Rng r{argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 20240611ull};
    for (long i = 0; i < calls; ++i) {
        switch (r.integer(0, 19)) {
            case 0: tvm(r, "COMPOUND"); break;
            case 1: tvm(r, "MORT"); break;
            case 2: tvm(r, "SAVING"); break;
            case 3: npv(r, "NPV", true); break;
            case 4: npv(r, "NETPV", false); break;
            case 5: irr(r, "IRR"); break;
            case 6: irr(r, "INTRR"); break;
            case 7: depreciation(r, r.chance(0.5) ? "DACCDB" : "DEPDB", 4, false); break;
            case 8: depreciation(r, r.chance(0.5) ? "DACCDBSL" : "DEPDBSL", 4, true); break;
            case 9: depreciation(r, r.chance(0.5) ? "DACCSL" : "DEPSL", 3, false); break;
            case 10: depreciation(r, r.chance(0.5) ? "DACCSYD" : "DEPSYD", 3, false); break;
            case 11: table(r, r.chance(0.5) ? "DACCTAB" : "DEPTAB"); break;
            case 12: tvm(r, "COMPOUND"); break;
            case 13: tvm(r, "MORT"); break;
            case 14: tvm(r, "SAVING"); break;
            case 15: irr(r, r.chance(0.5) ? "IRR" : "INTRR"); break;
            case 16: r.chance(0.5) ? npv(r, "NPV", true) : npv(r, "NETPV", false); break;
            default: routine(r); break;
        }
    }
    return 0;
}
