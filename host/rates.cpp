// Every rate of return: sign changes of the module's NPV polynomial over
// the discount factor, bracketed on a grid and bisected (see rates.h).
#include "host/rates.h"

#include <algorithm>
#include <cmath>

namespace qelfin::host {

namespace {

constexpr double kStep = 1.0 / 1024;  // grid step in ln v
constexpr int kFirstSteps = 64, kFewestSteps = 1024, kMostSteps = 65536;

struct Point {
    double v, q, d;  // discount factor, Q(v), Q'(v)
};

int sign(double x) { return (x > 0) - (x < 0); }

class Polynomial {
public:
    Polynomial(const Module& module, std::span<const double> flows)
        : n_(static_cast<int32_t>(flows.size())), block_(arguments(flows)),
          netpvd_(module.symbol<decltype(&::netpvd)>("netpvd")) {}

    Point at(double v) {
        Point p{v, 0, 0};
        netpvd_(n_, v, &p.q, &p.d, block_.get());
        return p;
    }

    // Bisects [a, b] (Q of opposite signs at the ends, or Q' when on_slope)
    // down to adjacent doubles.
    Point bisect(Point a, Point b, bool on_slope) {
        auto value = [&](const Point& p) { return on_slope ? p.d : p.q; };
        for (;;) {
            const double m = a.v + (b.v - a.v) / 2;
            if (m <= a.v || m >= b.v) break;
            const Point p = at(m);
            if (value(p) == 0) return p;
            (sign(value(p)) == sign(value(a)) ? a : b) = p;
        }
        return std::fabs(value(a)) <= std::fabs(value(b)) ? a : b;
    }

private:
    static std::vector<Arg> arguments(std::span<const double> flows) {
        std::vector<Arg> args{0.0, 0.0};  // netpvd reads the flows from argument 3 on
        args.insert(args.end(), flows.begin(), flows.end());
        return args;
    }

    int32_t n_;
    ArgBlock block_;
    decltype(&::netpvd) netpvd_;
};

// The discount factors bounding every positive root (Cauchy), or false when
// Q has none (fewer than two non-zero flows).
bool root_bounds(std::span<const double> flows, double& low, double& high) {
    auto nonzero = [](double c) { return c == c && c != 0; };
    const auto first = std::find_if(flows.begin(), flows.end(), nonzero);
    const auto last = std::find_if(flows.rbegin(), flows.rend(), nonzero);
    if (first == flows.end() || &*first == &*last) return false;
    double over_first = 0, over_last = 0;
    for (auto c = first; c != flows.end(); ++c) {
        if (!nonzero(*c)) continue;
        if (c != first) over_first = std::max(over_first, std::fabs(*c / *first));
        if (&*c != &*last) over_last = std::max(over_last, std::fabs(*c / *last));
    }
    low = 0.5 / (1 + over_first);
    high = 2 * (1 + over_last);
    return true;
}

// The sign changes of Q over the grid of `steps` even steps in ln v from
// t_low to t_high, each bisected: ascending discount factors.
std::vector<double> scan(Polynomial& q, double t_low, double t_high, int steps) {
    std::vector<double> roots;
    Point before = q.at(std::exp(t_low));
    for (int k = 1; k <= steps; ++k) {
        const Point p = q.at(k == steps ? std::exp(t_high) : std::exp(t_low + (t_high - t_low) * k / steps));
        if (p.q == 0 && before.q != 0) continue;  // a root on the grid: bracketed from the next point
        if (std::isnan(p.q) || std::isnan(before.q) || before.q == 0) {
            before = p;  // nothing is seen across an overflow
            continue;
        }
        if (sign(p.q) != sign(before.q)) {
            roots.push_back(q.bisect(before, p, false).v);
        } else if (sign(before.d) == -sign(before.q) && sign(p.d) == sign(p.q)) {
            // Q turns back towards zero inside the step: two roots when it crosses.
            const Point turn = q.bisect(before, p, true);
            if (sign(turn.q) == -sign(p.q)) {
                roots.push_back(q.bisect(before, turn, false).v);
                roots.push_back(q.bisect(turn, p, false).v);
            }
        }
        before = p;
    }
    return roots;
}

// Sign changes of the non-zero flows (a missing flow counts as 0).
int sign_changes(std::span<const double> flows) {
    int changes = 0, last = 0;
    for (const double c : flows) {
        const int s = c == c ? sign(c) : 0;
        if (s != 0 && last != 0 && s != last) ++changes;
        if (s != 0) last = s;
    }
    return changes;
}

}  // namespace

std::vector<double> every_rate(const Module& module, double freq, std::span<const double> flows) {
    if (!(freq >= 0)) throw RatesError("the frequency must be 0 or more and not missing");
    if (freq == 0 && std::any_of(flows.begin(), flows.end(), [](double c) { return c != c; }))
        throw RatesError("with frequency 0 (continuous discounting) no cash flow may be missing");
    double low = 0, high = 0;
    if (flows.size() < 2 || !root_bounds(flows, low, high)) return {};
    const double t_low = std::max(std::log(low), -700.0), t_high = std::min(std::log(high), 700.0);
    const int most = static_cast<int>(std::clamp(std::ceil((t_high - t_low) / kStep), double(kFewestSteps),
                                                 double(kMostSteps)));
    // Descartes: no more positive roots than sign changes of the flows.
    // Coarse grids first; a grid that finds that many has found them all.
    const int bound = sign_changes(flows);
    Polynomial q(module, flows);
    std::vector<double> roots;  // ascending discount factors
    for (int steps = std::min(kFirstSteps, most);; steps = std::min(2 * steps, most)) {
        roots = scan(q, t_low, t_high, steps);
        if (static_cast<int>(roots.size()) >= bound || steps == most) break;
    }
    std::vector<double> rates;
    const auto zpower = module.symbol<decltype(&::zpower)>("zpower");
    for (auto v = roots.rbegin(); v != roots.rend(); ++v) {
        int32_t err = 0;
        const double y = freq == 0 ? 1 : zpower(*v, freq, &err);
        if (err != 0 || y == 0 || std::isinf(y)) continue;
        const double rate = freq == 0 ? -std::log(*v) : 1 / y - 1;
        if (rates.empty() || rate != rates.back()) rates.push_back(rate);
    }
    return rates;
}

std::vector<double> irr_rates(const Module& module, double freq, std::span<const double> flows) {
    std::vector<double> rates = every_rate(module, freq, flows);
    for (double& r : rates) r *= 100.0;
    return rates;
}

}  // namespace qelfin::host
