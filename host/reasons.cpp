// Reasons for refusals: the marked argument's rule, the solver's error word
// or the status's meaning, all from the catalogue.
#include "host/reasons.h"

#include "host/catalogue.h"

#include <charconv>
#include <cmath>

namespace qelfin::host {

namespace {

bool missing(double x) { return x != x; }

// Fills {1} .. {4} and {i*j} in a catalogue text with argument values.
std::string fill(std::string_view text, std::span<const double> args) {
    auto value = [&](std::string_view digit) {
        const size_t i = static_cast<size_t>(digit[0] - '1');
        return i < args.size() ? args[i] : std::nan("");
    };
    std::string out;
    for (size_t at = 0; at < text.size();) {
        const size_t open = text.find('{', at);
        const size_t close = open == std::string_view::npos ? open : text.find('}', open);
        if (close == std::string_view::npos) {
            out += text.substr(at);
            break;
        }
        out += text.substr(at, open - at);
        const std::string_view inside = text.substr(open + 1, close - open - 1);
        double x = value(inside.substr(0, 1));
        if (inside.size() == 3 && inside[1] == '*') x *= value(inside.substr(2, 1));
        out += reason_number(x);
        at = close + 1;
    }
    return out;
}

std::string_view status_meaning(const FunctionInfo& f, uint32_t status) {
    for (const StatusInfo& s : f.statuses)
        if (s.status == status) return s.meaning;
    return "the module gave no value";
}

}  // namespace

std::string reason_number(double x) {
    if (missing(x)) return ".";
    // Plain decimals where they stay short (100000, not 1e+05).
    char buf[400];
    const double magnitude = std::fabs(x);
    const bool plain = magnitude == 0.0 || (magnitude >= 1e-6 && magnitude < 1e16);
    const auto r = plain ? std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed)
                         : std::to_chars(buf, buf + sizeof buf, x);
    return std::string(buf, r.ptr);
}

Reasons::Reasons(const Module& module) {
    const auto all = functions();
    for (size_t i = 0; i < all.size(); ++i)
        if (!all[i].solver.empty())
            solvers_[i] = module.symbol<Solver>(std::string(all[i].solver).c_str());
}

Refusal Reasons::classify(int function, std::span<const double> args, uint32_t status, int32_t marked) const {
    Refusal r;
    r.status = status;
    r.marked = marked;
    if (status == 0) return r;
    if (marked > 0) {
        r.marked_missing = static_cast<size_t>(marked) <= args.size() && missing(args[static_cast<size_t>(marked) - 1]);
        return r;
    }
    const Solver solver = solvers_[function];
    if (solver == nullptr || args.size() != 4) return r;
    r.missing = 0;
    for (size_t i = 0; i < 4; ++i)
        if (missing(args[i])) {
            ++r.missing;
            if (r.which == 0) r.which = static_cast<int32_t>(i) + 1;
        }
    if (r.missing != 1) {
        r.which = 0;
        return r;
    }
    int32_t error = 0;
    solver(args[0], args[1], args[2], args[3], r.which, &error);
    r.solver_error = error;
    return r;
}

std::string Reasons::text(int function, std::span<const double> args, const Refusal& refusal) const {
    const FunctionInfo& f = functions()[static_cast<size_t>(function)];
    if (refusal.status == 0) return {};
    if (refusal.marked > 0) {
        const std::string name = argument_name(f, refusal.marked);
        if (refusal.marked_missing) return "the " + name + " is missing; " + std::string(f.name) + " needs it";
        const std::string_view rule =
            refusal.marked <= f.leading ? f.rules[static_cast<size_t>(refusal.marked) - 1] : f.list_rule;
        const double value = static_cast<size_t>(refusal.marked) <= args.size()
                                 ? args[static_cast<size_t>(refusal.marked) - 1]
                                 : std::nan("");
        return "the " + name + " is " + reason_number(value) + "; " +
               std::string(rule.empty() ? status_meaning(f, refusal.status) : rule);
    }
    if (refusal.missing >= 0 && refusal.missing != 1) return missing_count_reason(refusal.missing);
    for (const SolverErrorInfo& e : f.solver_errors)
        if (e.which == refusal.which && e.code == refusal.solver_error) return fill(e.text, args);
    // Where a status covers marked and unmarked refusals, only the unmarked
    // part applies here.
    std::string_view meaning = status_meaning(f, refusal.status);
    constexpr std::string_view kUnmarked = "no argument marked: ";
    if (const size_t at = meaning.find(kUnmarked); at != std::string_view::npos)
        return "one of these: " + std::string(meaning.substr(at + kUnmarked.size()));
    return std::string(meaning);
}

}  // namespace qelfin::host
