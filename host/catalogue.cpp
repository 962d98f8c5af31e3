// The catalogue of the seventeen functions, in the order of the function
// vector (alphabetical by name), and the look-ups around it.
#include "host/catalogue.h"
#include "host/catalogue_rules.h"

#include <qelfin/qelfin.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <vector>

namespace qelfin::host {

namespace {

using W = WhenMissing;

// ---------------------------------------------------------------- arguments

// Time value of money: four quantities, any one of which is computed.
constexpr ArgumentInfo kRatePerPeriod = {"rate", "interest rate per period", Unit::rate_fraction, W::computed,
                                         Plausibility::fraction_rate};
constexpr ArgumentInfo kPeriods = {"periods", "number of periods; need not be a whole number", Unit::periods,
                                   W::computed};

// Cash flows.
constexpr ArgumentInfo kFrequency = {
    "freq",
    "number of cash flows per base period (the period the rate is given for): 1 for yearly flows at a yearly "
    "rate, 12 for monthly flows at a yearly rate; 0 makes the rate continuously compounded per interval "
    "between two flows",
    Unit::frequency, W::refused};
constexpr ArgumentInfo kCashFlow = {
    "flows",
    "the cash flows c0, c1, ... in time order, equally spaced; c0 falls at time zero and is not discounted, "
    "each later flow one interval (1/freq of a base period) after the one before",
    Unit::currency, W::as_zero};

// Depreciation.
constexpr ArgumentInfo kPeriod = {
    "period",
    "the period whose depreciation is asked for, counted from the start of the life; a fractional period "
    "accrues its share linearly; 0 or below gives 0",
    Unit::periods, W::refused};
constexpr ArgumentInfo kWholePeriod = {"period",
                                       "the period whose depreciation is asked for, a whole number counted from "
                                       "the start of the life; 0 or below gives 0",
                                       Unit::periods, W::refused};
constexpr ArgumentInfo kValue = {
    "value",
    "the depreciable amount; there is no salvage argument: to keep a salvage value, pass the cost minus it",
    Unit::currency, W::refused};
constexpr ArgumentInfo kLife = {"life", "number of periods of the asset's life; may be fractional", Unit::periods,
                                W::refused};
constexpr ArgumentInfo kWholeLife = {"life", "number of periods of the asset's life, a whole number", Unit::periods,
                                     W::refused};
constexpr ArgumentInfo kRateFactor = {
    "factor",
    "the declining-balance fraction per period is factor / life: 2 is double-declining balance, 1.5 "
    "is 150 % declining balance",
    Unit::factor, W::refused, Plausibility::rate_factor};
constexpr ArgumentInfo kTableEntry = {
    "fractions",
    "the fraction of the value written off in period 1, 2, ... in order; each from 0 to 1", Unit::value_fraction,
    W::refused};

constexpr ArgumentInfo kNone = {};

// ---------------------------------------------------------------- statuses

constexpr StatusInfo kCompoundStatuses[] = {
    {0, "the argument left missing was computed"},
    {STATUS_RESULT_MISSING, "not exactly one argument is missing (none, or two or more)"},
    {STATUS_INVALID_ARGS,
     "the three values given have no answer, no argument marked: a negative amount, a rate at or below "
     "-0.999999999, a negative number of periods, a growth factor (1 + rate)^periods out of range, or, to "
     "compute the rate or the periods, an amount not above 0 (and for the periods a rate not above 0)"},
};

constexpr StatusInfo kMortStatuses[] = {
    {0, "the argument left missing was computed"},
    {STATUS_INVALID_ARGS,
     "not exactly one argument is missing, or the values given have no answer, no argument marked: a rate at "
     "or below -1; to compute the amount, negative periods; to compute the payment, periods not above 0; to "
     "compute the rate, an amount, payment or periods not above 0, or payments adding up to less than the "
     "loan; to compute the periods, a payment that does not exceed the interest on the loan (it would never "
     "be repaid)"},
};

constexpr StatusInfo kSavingStatuses[] = {
    {0, "the argument left missing was computed"},
    {STATUS_INVALID_ARGS,
     "not exactly one argument is missing, or the values given have no answer, no argument marked: a rate at "
     "or below about -1, an amount, payment, rate or number of periods beyond 5.6e102, periods not above 0, "
     "to compute the rate a final or payment not above 0 or a search that does not converge in 100 "
     "steps, to compute the periods a rate of 0"},
};

constexpr StatusInfo kNpvStatuses[] = {
    {0, "the present value was computed; missing cash flows counted as 0"},
    {STATUS_RESULT_MISSING,
     "the rate or freq is missing, or a cash flow is missing while the rate or freq is 0"},
    {STATUS_INVALID_ARGS,
     "freq is negative (argument 2 marked); or, no argument marked: the rate is negative or at least "
     "70978.2712893384 percent (ln of the largest double), there are no cash flows, every cash flow is missing, "
     "or a cash flow exceeds 1.3407807929942597e152 in magnitude"},
};

constexpr StatusInfo kNetpvStatuses[] = {
    {0, "the present value was computed; missing cash flows counted as 0"},
    {STATUS_RESULT_MISSING,
     "the rate or freq is missing, or a cash flow is missing while the rate or freq is 0"},
    {STATUS_INVALID_ARGS,
     "freq is negative (argument 2 marked); or, no argument marked: the rate is negative or at least "
     "709.782712893384 (ln of the largest double), there are no cash flows, every cash flow is missing, or a "
     "cash flow exceeds 1.3407807929942597e152 in magnitude"},
};

constexpr StatusInfo kIrrStatuses[] = {
    {0, "the rate was found; when the flows change sign more than once, note 201 gives the rate and says it may "
        "not be the only one"},
    {STATUS_RESULT_MISSING, "a cash flow is missing while freq is 0"},
    {STATUS_INVALID_ARGS,
     "freq is missing or negative (argument 1 marked); or, no argument marked: fewer than two cash "
     "flows or more than 32767, every flow 0, no sign change, or no rate found"},
    {STATUS_NO_MEMORY, "the host pool refused the 4-byte counter of notes for this call site"},
};

constexpr StatusInfo kDbStatuses[] = {
    {0, "the depreciation was computed"},
    {STATUS_RESULT_MISSING,
     "factor equals the life and the period lies strictly between 0 and 1 (0 to the power 0)"},
    {STATUS_INVALID_ARGS,
     "an argument is missing (the first one marked); the life is outside 1.491668147e-154 .. "
     "1.3407807929943e154 (argument 3 marked); factor is not above 0 or above 1.3407807929943e154 "
     "(argument 4 marked)"},
};

constexpr StatusInfo kDepDbStatuses[] = {
    {0, "the depreciation was computed"},
    {STATUS_RESULT_MISSING,
     "factor equals the life and the period lies strictly between 0 and 1 or between 1 and 2 (0 to "
     "the power 0)"},
    kDbStatuses[2],
};

constexpr StatusInfo kDbslStatuses[] = {
    {0, "the depreciation was computed"},
    {STATUS_RESULT_MISSING, "the power of the remaining balance could not be computed"},
    {STATUS_INVALID_ARGS,
     "an argument is missing (the first one marked); the life is not a whole number from 1 to 2147483646 "
     "(argument 3 marked, tested before the period); the period is not a whole number below 2147483647 "
     "(argument 1 marked); factor is not above 0 or not below 2147483647 (argument 4 marked)"},
};

constexpr StatusInfo kSlStatuses[] = {
    {0, "the depreciation was computed"},
    {STATUS_INVALID_ARGS,
     "an argument is missing (the first one marked); the life is below 1.491668147e-154, zero and negative "
     "lives included (argument 3 marked)"},
};

constexpr StatusInfo kSydStatuses[] = {
    {0, "the depreciation was computed"},
    {STATUS_INVALID_ARGS,
     "an argument is missing (the first one marked; a missing life before a value out of range); the period "
     "is above 2^53 (argument 1 marked); the value exceeds 1.3407807929943e154 in magnitude (argument 2 "
     "marked); the life is outside 1.491668147e-154 .. 5.643803094122288e102 (argument 3 marked)"},
};

constexpr StatusInfo kTabStatuses[] = {
    {0, "the depreciation was computed"},
    {STATUS_INVALID_ARGS,
     "the period, the value or an entry of fractions is missing (the first one marked); or, no argument marked: "
     "no fractions, an entry below 0 or above 1, or the entries of periods 1 to the period + 1 adding up to "
     "more than 1"},
};

// ---------------------------------------------------------------- help texts

constexpr std::string_view kCompoundHelp =
    "f = a (1 + r)^n. Give three of the four arguments and leave one missing ('.'): the function returns it. "
    "The rate is a fraction per compounding period, not a percent.";

constexpr std::string_view kMortHelp =
    "p = a r / (1 - (1 + r)^-n), and p = a / n at a rate of 0. Payments fall at the END of each period. Leave "
    "one argument missing ('.'): the function returns it; a missing rate is found by Newton iteration, which stops when the equation holds to "
    "within 1e-9: reproducible to the bit, not exact. The rate "
    "is a fraction per period: an annual percentage paid monthly is divided by 1200.";

constexpr std::string_view kSavingHelp =
    "f = p ((1 + r)^(n+1) - (1 + r)) / r, and f = p n at a rate of 0. Payments fall at the START of each "
    "period, so the last one still earns a period's interest (MORT's payments fall at the end). Leave one "
    "argument missing ('.'): the function returns it; a missing rate is found by Newton iteration from 0.01, which stops when the equation holds "
    "to within 1e-9: reproducible to the bit, not exact.";

constexpr std::string_view kNpvHelp =
    "NPV = c0 + c1 v + c2 v^2 + ..., with v = (1 + r/100)^(-1/freq), or v = e^(-r/100) at freq 0. The "
    "rate is in PERCENT per base period; NETPV takes it as a fraction. The value is at the time of the first "
    "flow, which is not discounted. A missing cash flow counts as 0, unless the rate or freq is 0: "
    "then the result is missing.";

constexpr std::string_view kNetpvHelp =
    "NETPV = c0 + c1 v + c2 v^2 + ..., with v = (1 + r)^(-1/freq), or v = e^(-r) at freq 0. The rate "
    "is a FRACTION per base period; NPV takes it in percent. The value is at the time of the first flow, which "
    "is not discounted. A missing cash flow counts as 0, unless the rate or freq is 0: then the result "
    "is missing.";

constexpr std::string_view kIrrHelp =
    "The rate r per base period at which c0 + c1 v + c2 v^2 + ... = 0 with v = (1 + r)^(-1/freq), or "
    "v = e^(-r) at freq 0. IRR answers in PERCENT, INTRR as a fraction. A missing cash flow counts as 0, "
    "except at freq 0, when the result is missing. Flows that change sign more than once may have several "
    "rates: the module then writes note 201 with the rate it found (for caller kinds 0x48, 0x58, 0x68 and 0x88 "
    "at most ten times per call site, the tenth followed by note 202). The rate is found by an iterative "
    "root search that stops at a step below 1e-10: reproducible to the bit, not exact.";

constexpr std::string_view kIntrrHelp =
    "The rate r per base period at which c0 + c1 v + c2 v^2 + ... = 0 with v = (1 + r)^(-1/freq), or "
    "v = e^(-r) at freq 0. INTRR answers as a FRACTION, IRR in percent. A missing cash flow counts as 0, "
    "except at freq 0, when the result is missing. Flows that change sign more than once may have several "
    "rates: the module then writes note 201 with the rate it found (for caller kinds 0x48, 0x58, 0x68 and 0x88 "
    "at most ten times per call site, the tenth followed by note 202). The rate is found by an iterative "
    "root search that stops at a step below 1e-10: reproducible to the bit, not exact.";

constexpr std::string_view kDbHelp =
    "Each full period writes off the fraction f = factor / life of the remaining book value: after n "
    "whole periods value (1 - (1 - f)^n) is written off, and within a period depreciation accrues linearly. "
    "There is no salvage value and no stop at the life: the balance keeps declining after the life and is "
    "written off whole only when f is 1 or more.";

constexpr std::string_view kDbslHelp =
    "Declining balance with the fraction factor / life of the remaining book value per period, switching "
    "to straight line over the remaining periods in the first period in which straight line gives more; the "
    "value is written off whole by the end of the life. Period and life are whole numbers. No salvage value.";

constexpr std::string_view kSlHelp =
    "Equal shares of value / life per period; a fractional period accrues its share linearly and periods after "
    "the life give 0. No salvage value.";

constexpr std::string_view kSydHelp =
    "Each period's share is proportional to the life remaining at its start: for a life of 5, periods 1 to 5 "
    "write off 5/15, 4/15, 3/15, 2/15 and 1/15 of the value. Period and life may be fractional. No salvage "
    "value.";

constexpr std::string_view kTabHelp =
    "fractions[j] is the fraction of the value written off in period j. A fractional period takes its share "
    "of the next one linearly; after the last the total stays. The entries of periods 1 to the period + 1 "
    "may add up to at most 1 (three units in the last place allowed over).";

// ---------------------------------------------------------------- the table

// Fills the plain argument list (names, count, element) from the details.
// The reasons of each function's refusals (catalogue_rules.h), by name.
constexpr FunctionInfo with_reasons(FunctionInfo f) {
    namespace r = rules;
    const std::string_view n = f.name;
    struct Entry {
        std::string_view name;
        r::Rules rules;
        std::string_view solver;
        std::span<const SolverCondition> conditions;
        std::span<const SolverErrorInfo> errors;
    };
    const Entry table[] = {
        {"COMPOUND", r::kNone, "zcmpnd", r::kCompoundConditions, r::kCompound},
        {"MORT", r::kNone, "zmort", r::kMortConditions, r::kMort},
        {"SAVING", r::kNone, "zsaving", r::kSavingConditions, r::kSaving},
        {"DACCDB", r::kDb, "", {}, {}},
        {"DEPDB", r::kDb, "", {}, {}},
        {"DACCDBSL", r::kDbsl, "", {}, {}},
        {"DEPDBSL", r::kDbsl, "", {}, {}},
        {"DACCSL", r::kSl, "", {}, {}},
        {"DEPSL", r::kSl, "", {}, {}},
        {"DACCSYD", r::kSyd, "", {}, {}},
        {"DEPSYD", r::kSyd, "", {}, {}},
        {"DACCTAB", r::kNone, "", {}, {}},
        {"DEPTAB", r::kNone, "", {}, {}},
        {"NPV", r::kNpv, "", {}, {}},
        {"NETPV", r::kNpv, "", {}, {}},
        {"IRR", r::kIrr, "", {}, {}},
        {"INTRR", r::kIrr, "", {}, {}},
    };
    for (const Entry& e : table) {
        if (e.name != n) continue;
        f.rules = e.rules;
        f.solver = e.solver;
        f.solver_conditions = e.conditions;
        f.solver_errors = e.errors;
    }
    if (f.series && f.shape == Shape::series && f.family == "Depreciation") f.list_rule = r::kTableEntryRule;
    return f;
}

constexpr FunctionInfo complete(FunctionInfo f) {
    f.leading = 0;
    for (const ArgumentInfo& a : f.details) {
        if (a.name.empty()) break;
        f.arguments[f.leading++] = a.name;
    }
    f.series = f.list.has_value();
    f.element = f.series ? f.list->name : std::string_view{};
    return with_reasons(f);
}

constexpr std::string_view kTvm = "Time value of money";
constexpr std::string_view kCashFlows = "Cash flows";
constexpr std::string_view kDepreciation = "Depreciation";

constexpr FunctionInfo tvm(std::string_view name, std::string_view entry, std::string_view summary,
                           std::array<ArgumentInfo, 4> details, std::string_view help,
                           std::span<const StatusInfo> statuses, ExampleInfo example) {
    FunctionInfo f{};
    f.name = name;
    f.entry = entry;
    f.shape = Shape::exactly_one_missing;
    f.family = kTvm;
    f.summary = summary;
    f.details = details;
    f.result = "the argument left missing";
    f.result_unit = Unit::same_as_missing;
    f.help = help;
    f.statuses = statuses;
    f.example = example;
    return complete(f);
}

constexpr FunctionInfo series(std::string_view name, std::string_view entry, std::string_view family,
                              std::string_view summary, std::array<ArgumentInfo, 4> details, ArgumentInfo list,
                              std::string_view result, Unit result_unit, std::string_view help,
                              std::span<const StatusInfo> statuses, ExampleInfo example) {
    FunctionInfo f{};
    f.name = name;
    f.entry = entry;
    f.shape = Shape::series;
    f.family = family;
    f.summary = summary;
    f.details = details;
    f.list = list;
    f.result = result;
    f.result_unit = result_unit;
    f.help = help;
    f.statuses = statuses;
    f.example = example;
    return complete(f);
}

constexpr FunctionInfo depreciation(std::string_view name, std::string_view entry, std::string_view summary,
                                    std::array<ArgumentInfo, 4> details, bool accumulated, std::string_view help,
                                    std::span<const StatusInfo> statuses, ExampleInfo example) {
    FunctionInfo f{};
    f.name = name;
    f.entry = entry;
    f.shape = Shape::pass_through;
    f.family = kDepreciation;
    f.summary = summary;
    f.details = details;
    f.result = accumulated ? "the depreciation accumulated from the start of the life through the period"
                           : "the depreciation of the one period";
    f.result_unit = Unit::currency;
    f.help = help;
    f.statuses = statuses;
    f.example = example;
    return complete(f);
}

constexpr std::array<ArgumentInfo, 4> kCompoundArgs = {
    ArgumentInfo{"initial", "the amount at the start", Unit::currency, W::computed},
    ArgumentInfo{"final", "the amount it grows to after the periods", Unit::currency, W::computed},
    kRatePerPeriod, kPeriods};
constexpr std::array<ArgumentInfo, 4> kMortArgs = {
    ArgumentInfo{"amount", "the amount of the loan", Unit::currency, W::computed},
    ArgumentInfo{"payment", "the payment made at the END of each period", Unit::currency, W::computed},
    kRatePerPeriod, ArgumentInfo{"periods", "number of payments; need not be a whole number", Unit::periods,
                                 W::computed, Plausibility::whole_payments}};
constexpr std::array<ArgumentInfo, 4> kSavingArgs = {
    ArgumentInfo{"final", "the amount reached at the end of the last period", Unit::currency,
                 W::computed},
    ArgumentInfo{"payment", "the payment made at the START of each period", Unit::currency, W::computed},
    kRatePerPeriod, kPeriods};
constexpr std::array<ArgumentInfo, 4> kNpvArgs = {
    ArgumentInfo{"rate", "discount rate per base period, in percent", Unit::rate_percent, W::refused,
                 Plausibility::percent_rate},
    kFrequency, kNone, kNone};
constexpr std::array<ArgumentInfo, 4> kNetpvArgs = {
    ArgumentInfo{"rate", "discount rate per base period, as a fraction", Unit::rate_fraction, W::refused,
                 Plausibility::fraction_rate},
    kFrequency, kNone, kNone};
constexpr ArgumentInfo kIrrFlow = {
    "flows",
    "the cash flows c0, c1, ... in time order, equally spaced, at least two and changing sign at least once; "
    "c0 falls at time zero, each later flow 1/freq of a base period after the one before",
    Unit::currency, W::as_zero};
constexpr std::array<ArgumentInfo, 4> kIrrArgs = {kFrequency, kNone, kNone, kNone};
constexpr std::array<ArgumentInfo, 4> kDbArgs = {kPeriod, kValue, kLife, kRateFactor};
constexpr std::array<ArgumentInfo, 4> kDbslArgs = {kWholePeriod, kValue, kWholeLife, kRateFactor};
constexpr std::array<ArgumentInfo, 4> kSlArgs = {kPeriod, kValue, kLife, kNone};
constexpr std::array<ArgumentInfo, 4> kTabArgs = {kPeriod, kValue, kNone, kNone};

constexpr std::string_view kNpvResult = "the present value of the flows at the time of the first one";

constexpr std::array<FunctionInfo, QELFIN_FUNCTION_COUNT> kFunctions = {
    tvm("COMPOUND", "fnccomp", "Compound interest: initial, final, rate or number of periods.",
        kCompoundArgs, kCompoundHelp, kCompoundStatuses,
        {"COMPOUND(100, ., 0.05, 10)",
         "100 at 5 % a period grows to {:2} in 10 periods"}),
    depreciation("DACCDB", "fncdcb", "Declining-balance depreciation accumulated through a period.", kDbArgs, true,
                 kDbHelp, kDbStatuses,
                 {"DACCDB(3, 1000, 5, 2)",
         "double-declining balance over 5 periods writes off {:0} of 1000 in the first 3 ({DEPDB(1, 1000, 5, 2):0}, "
                                  "{DEPDB(2, 1000, 5, 2):0} and {DEPDB(3, 1000, 5, 2):0})"}),
    depreciation("DACCDBSL", "fncdcbs",
                 "Declining-balance depreciation switching to straight line, accumulated through a period.",
                 kDbslArgs, true, kDbslHelp, kDbslStatuses,
                 {"DACCDBSL(5, 1000, 10, 2)",
         "double-declining balance over 10 periods writes off {:2} of 1000 in the first 5"}),
    depreciation("DACCSL", "fncdcsl", "Straight-line depreciation accumulated through a period.", kSlArgs, true,
                 kSlHelp, kSlStatuses,
                 {"DACCSL(2.5, 1000, 5)",
         "half of a 5-period life writes off half of 1000, {:0}"}),
    depreciation("DACCSYD", "fncdcsy", "Sum-of-years'-digits depreciation accumulated through a period.", kSlArgs,
                 true, kSydHelp, kSydStatuses,
                 {"DACCSYD(3, 1500, 5)",
         "over a life of 5, periods 1 to 3 write off 5/15 + 4/15 + 3/15 of 1500, {:0}"}),
    series("DACCTAB", "fncdctb", kDepreciation, "Depreciation from a table of fractions, accumulated through a "
           "period.", kTabArgs, kTableEntry,
           "the depreciation accumulated from the start of the life through the period", Unit::currency, kTabHelp,
           kTabStatuses,
           {"DACCTAB(1.5, 1000, 0.4, 0.3, 0.2, 0.1)",
         "period 1 writes off 0.4 of 1000 and half of period 2 adds half of 0.3: {:0} in all"}),
    depreciation("DEPDB", "fncdpb", "Declining-balance depreciation of one period.", kDbArgs, false, kDbHelp,
                 kDepDbStatuses,
                 {"DEPDB(2, 1000, 5, 2)",
         "double-declining balance over 5 periods writes off 40 % of the remaining value a period: "
                                  "{DEPDB(1, 1000, 5, 2):0} in period 1, {:0} in period 2"}),
    depreciation("DEPDBSL", "fncdpbs", "Declining-balance depreciation switching to straight line, of one "
                 "period.", kDbslArgs, false, kDbslHelp, kDbslStatuses,
                 {"DEPDBSL(4, 1000, 5, 2)",
         "after {DEPDBSL(1, 1000, 5, 2):0}, {DEPDBSL(2, 1000, 5, 2):0} and {DEPDBSL(3, 1000, 5, 2):0} in "
                                  "periods 1 to 3, the rest is spread evenly over periods 4 and 5: {:0} each"}),
    depreciation("DEPSL", "fncdpsl", "Straight-line depreciation of one period.", kSlArgs, false, kSlHelp,
                 kSlStatuses, {"DEPSL(1, 1000, 5)",
         "1000 over a life of 5 periods, {:0} each"}),
    depreciation("DEPSYD", "fncdpsy", "Sum-of-years'-digits depreciation of one period.", kSlArgs, false, kSydHelp,
                 kSydStatuses, {"DEPSYD(2, 1500, 5)",
         "over a life of 5, period 2 writes off 4/15 of 1500, {:0}"}),
    series("DEPTAB", "fncdptb", kDepreciation, "Depreciation from a table of fractions, of one period.", kTabArgs,
           kTableEntry, "the depreciation of the one period", Unit::currency, kTabHelp, kTabStatuses,
           {"DEPTAB(1.5, 1000, 0.4, 0.3, 0.2, 0.1)",
         "the period from 0.5 to 1.5: half of period 1 (0.4) and half of period 2 (0.3) of 1000, {:0}"}),
    series("INTRR", "fncinrr", kCashFlows, "Internal rate of return of equally spaced cash flows, as a fraction.",
           kIrrArgs, kIrrFlow, "the internal rate of return per base period, as a fraction", Unit::rate_fraction,
           kIntrrHelp, kIrrStatuses,
           {"INTRR(1, -100, 110)",
         "paying 100 now for 110 a period later returns {:2} a period"}),
    series("IRR", "fncirr", kCashFlows, "Internal rate of return of equally spaced cash flows, in percent.",
           kIrrArgs, kIrrFlow, "the internal rate of return per base period, in percent", Unit::rate_percent,
           kIrrHelp, kIrrStatuses,
           {"IRR(2, -100, 110)",
         "two flows per base period: 10 % per half period is {:2} % per base period"}),
    tvm("MORT", "fncmort", "Loan repayment: amount, payment, rate or number of payments of an annuity loan.",
        kMortArgs, kMortHelp, kMortStatuses,
        {"MORT(50000, ., 0.005, 360)",
         "a loan of 50000 at 0.5 % a month (6 % a year) is repaid in 360 months by {:2} a month"}),
    series("NETPV", "fncntpv", kCashFlows, "Net present value of equally spaced cash flows, rate as a fraction.",
           kNetpvArgs, kCashFlow, kNpvResult, Unit::currency, kNetpvHelp, kNetpvStatuses,
           {"NETPV(0.1, 1, -100, 60, 60.5)",
         "-100 now, 60 in a year and 60.5 in two, at 10 % a year: -100 + {NETPV(0.1, 1, 0, 60):2} + "
             "{NETPV(0.1, 1, 0, 0, 60.5):2} = {:2}"}),
    series("NPV", "fncnpv", kCashFlows, "Net present value of equally spaced cash flows, rate in percent.", kNpvArgs,
           kCashFlow, kNpvResult, Unit::currency, kNpvHelp, kNpvStatuses,
           {"NPV(10, 1, -100, 60, 60.5)",
         "-100 now, 60 in a year and 60.5 in two, at 10 % a year: -100 + {NPV(10, 1, 0, 60):2} + "
             "{NPV(10, 1, 0, 0, 60.5):2} = {:2}"}),
    tvm("SAVING", "fncsav", "Savings plan: final, payment, rate or number of periods.", kSavingArgs,
        kSavingHelp, kSavingStatuses,
        {"SAVING(., 100, 0.05, 10)",
         "100 paid at the start of each of 10 periods at 5 % a period reaches {:2}"}),
};

bool same_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::span<const FunctionInfo> functions() { return kFunctions; }

std::optional<int> function_index(std::string_view name) {
    for (size_t i = 0; i < kFunctions.size(); ++i)
        if (same_ignoring_case(kFunctions[i].name, name)) return static_cast<int>(i);
    return std::nullopt;
}

size_t edit_distance(std::string_view a, std::string_view b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const bool same = std::toupper(static_cast<unsigned char>(a[i - 1])) ==
                              std::toupper(static_cast<unsigned char>(b[j - 1]));
            const size_t next = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = row[j];
            row[j] = next;
        }
    }
    return row[b.size()];
}

std::string argument_name(const FunctionInfo& f, int32_t i) {
    if (i >= 1 && i <= f.leading) return std::string(f.arguments[i - 1]);
    if (f.series && i > f.leading) return std::string(f.element) + "[" + std::to_string(i - f.leading) + "]";
    return "beyond the function's arguments";
}

std::string describe_argument(const FunctionInfo& f, int32_t i) {
    return "argument " + std::to_string(i) + " (" + argument_name(f, i) + ")";
}

std::string argument_list(const FunctionInfo& f) {
    std::string s;
    for (int32_t i = 0; i < f.leading; ++i) {
        if (i) s += ", ";
        s += f.arguments[i];
    }
    if (f.series) s += ", " + std::string(f.element) + "...";
    return s;
}

std::string_view unit_text(Unit unit) {
    switch (unit) {
        case Unit::currency: return "currency";
        case Unit::rate_fraction: return "fraction per period (0.05 is 5 %)";
        case Unit::rate_percent: return "percent per period (5 is 5 %)";
        case Unit::periods: return "number of periods";
        case Unit::frequency: return "cash flows per base period (0: continuous)";
        case Unit::factor: return "multiple of the straight-line rate (2: double-declining)";
        case Unit::value_fraction: return "fraction of the value (0 to 1)";
        case Unit::same_as_missing: return "the unit of the argument left missing";
    }
    return "?";
}

std::string missing_count_reason(int32_t missing) {
    if (missing == 0) return "exactly one argument must be missing, none is";
    return "exactly one argument must be missing, " + std::to_string(missing) + (missing == 1 ? " is" : " are");
}

std::string plausibility_text(Plausibility p, std::string_view function) {
    const std::string f(function);
    switch (p) {
        case Plausibility::none: return {};
        case Plausibility::fraction_rate:
            return "per period looks like a percent; " + f + " takes a fraction per period (0.05 is 5 %)";
        case Plausibility::percent_rate:
            return "looks like a fraction; " + f + " takes the rate in percent (5 is 5 %)";
        case Plausibility::rate_factor:
            return "looks like a rate; " + f + " takes a multiple of the straight-line rate (2 is double-declining)";
        case Plausibility::whole_payments:
            return "is not a whole number of payments; " + f + " then ends on a partial period";
    }
    return {};
}

std::string_view when_missing_text(WhenMissing w) {
    switch (w) {
        case WhenMissing::refused: return "may not be missing";
        case WhenMissing::computed: return "may be left missing: it is then computed";
        case WhenMissing::as_zero: return "a missing one counts as 0";
    }
    return "?";
}

namespace {

bool contains_ignoring_case(std::string_view haystack, std::string_view needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           }) != haystack.end();
}

}  // namespace

std::string_view nearest_name(std::string_view name, const std::vector<std::string_view>& candidates) {
    std::string_view best;
    size_t best_distance = SIZE_MAX;
    for (std::string_view c : candidates) {
        const size_t d = edit_distance(name, c);
        if (d < best_distance) {
            best = c;
            best_distance = d;
        }
    }
    // Beyond half the name's length the "nearest" name is no longer a
    // plausible misspelling; a name that holds the one written ("rate" in
    // "annual_rate") is the likelier meaning then.
    if (best_distance <= std::max<size_t>(2, name.size() / 2)) return best;
    for (std::string_view c : candidates)
        if (!name.empty() && contains_ignoring_case(c, name)) return c;
    return {};
}

std::string unknown_function(std::string_view name) {
    std::vector<std::string_view> names;
    for (const auto& f : functions()) names.push_back(f.name);
    const std::string_view nearest = nearest_name(name, names);
    std::string message = "unknown function " + std::string(name);
    if (!nearest.empty()) return message + " (did you mean " + std::string(nearest) + "?)";
    message += "; the functions are";
    for (const std::string_view n : names) message += " " + std::string(n);
    return message;
}

}  // namespace qelfin::host
