// Reasons for refusals: the marked argument's rule, the solver's error word
// or the status's meaning, all from the catalogue.
#include "host/reasons.h"

#include "host/catalogue.h"
#include "host/numbers.h"

#include <algorithm>
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
        out += number_text(x);
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

Reasons::Reasons(const Module& module) {
    const auto all = functions();
    for (size_t i = 0; i < all.size(); ++i)
        if (!all[i].solver.empty())
            solvers_[i] = module.symbol<Solver>(std::string(all[i].solver).c_str());
}

namespace {

// Why a series of cash flows was refused with no argument marked, found by
// the checks the entries make, in their order.
enum Cause : int32_t {
    kTooFewFlows = 1,
    kTooManyFlows,
    kEveryFlowZero,
    kNoSignChange,
    kNoRateFound,
    kNegativeRate,
    kRateTooLarge,
    kNoFlows,
    kFlowTooLarge,
    kEveryFlowMissing,
};

constexpr size_t kMinFlows = 2, kMaxFlows = 32767;         // IRR and INTRR
constexpr double kLnOfLargest = 709.782712893384;           // NPV's rate bound, as a fraction
constexpr double kLargestFlow = 1.3407807929942597e+152;   // largest magnitude of an NPV cash flow

bool rate_of_return(const FunctionInfo& f) { return f.family == "Cash flows" && f.leading == 1; }
bool present_value(const FunctionInfo& f) { return f.family == "Cash flows" && f.leading == 2; }
double rate_scale(const FunctionInfo& f) { return f.details[0].unit == Unit::rate_percent ? 100.0 : 1.0; }

// The cause of an unmarked refusal of IRR or INTRR.
int32_t irr_cause(std::span<const double> flows) {
    if (flows.size() < kMinFlows) return kTooFewFlows;
    if (flows.size() > kMaxFlows) return kTooManyFlows;
    bool positive = false, negative = false;
    for (const double c : flows) {
        positive = positive || c > 0;
        negative = negative || c < 0;
    }
    if (!positive && !negative) return kEveryFlowZero;
    return positive && negative ? kNoRateFound : kNoSignChange;
}

// The cause of an unmarked refusal of NPV or NETPV, and the flow at fault.
int32_t npv_cause(const FunctionInfo& f, double rate, std::span<const double> flows, size_t& at) {
    rate /= rate_scale(f);
    if (rate < 0) return kNegativeRate;
    if (rate >= kLnOfLargest) return kRateTooLarge;
    if (flows.empty()) return kNoFlows;
    for (at = flows.size(); at-- > 0;)
        if (std::fabs(flows[at]) > kLargestFlow) return kFlowTooLarge;
    return kEveryFlowMissing;
}

std::string series_text(const FunctionInfo& f, std::span<const double> args, int32_t cause) {
    const std::string name(f.name);
    const std::span<const double> flows = args.subspan(static_cast<size_t>(f.leading));
    const std::string given = std::to_string(flows.size()) + " given";
    switch (cause) {
        case kTooFewFlows: return name + " needs at least two cash flows, " + given;
        case kTooManyFlows: return name + " takes at most 32767 cash flows, " + given;
        case kEveryFlowZero: return "every cash flow is 0 or missing: there is no rate of return";
        case kNoSignChange: {
            const bool positive = std::any_of(flows.begin(), flows.end(), [](double c) { return c > 0; });
            return std::string("the cash flows do not change sign (every one given is ") +
                   (positive ? "positive" : "negative") + " or 0): no rate makes their value 0";
        }
        case kNoRateFound: return "the search found no rate for these cash flows";
        case kNegativeRate: return "the rate is " + number_text(args[0]) + "; the rate must not be negative";
        case kRateTooLarge:
            return "the rate is " + number_text(args[0]) + "; the rate must be below " +
                   number_text(kLnOfLargest * rate_scale(f)) + " (the discount factor would underflow)";
        case kNoFlows: return "there are no cash flows; " + name + " needs at least one";
        case kFlowTooLarge: {
            size_t at = 0;
            npv_cause(f, args[0], flows, at);
            return "the " + argument_name(f, f.leading + static_cast<int32_t>(at) + 1) + " is " +
                   number_text(flows[at]) + "; a cash flow must be at most 1.3407807929942597e152 in magnitude";
        }
        case kEveryFlowMissing: return "every cash flow is missing";
    }
    return {};
}

// The first case of a marked argument's rule that fits its value (1-based).
int32_t rule_case(std::span<const RuleCase> cases, double x) {
    using W = RuleCase::When;
    for (size_t i = 0; i < cases.size(); ++i) {
        const W w = cases[i].when;
        if (w == W::always || (w == W::not_above_zero && !(x > 0)) || (w == W::not_whole && x != std::floor(x)) ||
            (w == W::below_one && x < 1) || (w == W::above_one && x > 1))
            return static_cast<int32_t>(i) + 1;
    }
    return 0;
}

std::string condition_text(const FunctionInfo& f, std::span<const double> args, const SolverCondition& c) {
    using T = SolverCondition::Test;
    const std::string must = c.test == T::not_equal                      ? "must not be " + std::string(c.bound_text)
                             : c.test == T::at_least && c.bound == 0.0 ? std::string("must not be negative")
                             : c.test == T::at_least                   ? "must be at least " + std::string(c.bound_text)
                                                                       : "must be above " + std::string(c.bound_text);
    return "to compute the " + argument_name(f, c.which) + ", the " + argument_name(f, c.argument) + " " + must +
           "; it is " + number_text(args[static_cast<size_t>(c.argument) - 1]);
}

}  // namespace

Refusal Reasons::classify(int function, std::span<const double> args, uint32_t status, int32_t marked) const {
    const FunctionInfo& f = functions()[static_cast<size_t>(function)];
    Refusal r;
    r.status = status;
    r.marked = marked;
    if (status == 0) return r;
    if (marked > 0) {
        const double x = static_cast<size_t>(marked) <= args.size() ? args[static_cast<size_t>(marked) - 1] : NAN;
        r.marked_missing = missing(x);
        if (!r.marked_missing && marked <= f.leading) r.cause = rule_case(f.rules[static_cast<size_t>(marked) - 1], x);
        return r;
    }
    if (status == STATUS_INVALID_ARGS && rate_of_return(f) && !args.empty()) {
        r.cause = irr_cause(args.subspan(1));
        return r;
    }
    if (status == STATUS_INVALID_ARGS && present_value(f) && args.size() >= 2) {
        size_t at = 0;
        r.cause = npv_cause(f, args[0], args.subspan(2), at);
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
    for (size_t i = 0; i < f.solver_conditions.size(); ++i) {
        const SolverCondition& c = f.solver_conditions[i];
        if (c.which == r.which && !c.holds(args[static_cast<size_t>(c.argument) - 1])) {
            r.cause = static_cast<int32_t>(i) + 1;
            return r;
        }
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
            refusal.cause > 0 ? f.rules[static_cast<size_t>(refusal.marked) - 1][static_cast<size_t>(refusal.cause) - 1].text
            : refusal.marked > f.leading ? f.list_rule
                                          : status_meaning(f, refusal.status);
        const double value = static_cast<size_t>(refusal.marked) <= args.size()
                                 ? args[static_cast<size_t>(refusal.marked) - 1]
                                 : std::nan("");
        return "the " + name + " is " + number_text(value) + "; " + std::string(rule);
    }
    if (f.family == "Cash flows" && refusal.cause > 0) return series_text(f, args, refusal.cause);
    if (refusal.missing >= 0 && refusal.missing != 1) return missing_count_reason(refusal.missing);
    if (refusal.cause > 0) return condition_text(f, args, f.solver_conditions[static_cast<size_t>(refusal.cause) - 1]);
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
