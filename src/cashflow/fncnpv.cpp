// NPV(rate, freq, c0, c1, ...) and NETPV(rate, freq, c0, c1, ...): the
// present value, at the time of c0, of equally spaced cash flows, freq of
// them per base period (0: continuous discounting).  NPV takes the rate per
// base period in percent, NETPV as a fraction.
//
// Checks, in order: rate or frequency missing, no result; some cash flow
// missing while the rate or the frequency is 0, no result (a missing flow
// only counts as 0 when there is discounting to apply); a negative
// frequency is argument 2's fault.  Everything else (rate range, empty
// series, a flow too large, every flow missing) is znpv's to refuse, and
// gives STATUS_INVALID_ARGS with no argument marked.
#include "cashflow/znpv.h"
#include "entry/shapes.h"

namespace {

using namespace qelfin::entry;

constexpr double kPercent = 100.0;  // NPV's rate is in percent

// The value callback of these entries: cash flow i is argument i + 3.
double cashflow(int32_t index, void* context) { return series_element<3>(index, context); }

template <bool kRateInPercent>
uint32_t present_value_entry(FunctionArgs* args, double* result) {
    double nmiss = 0.0;
    fncnmis(args, &nmiss);

    *result = kMissing;
    const double rate = arg_value(args, 1);
    if (is_missing(rate)) return fail(result, STATUS_RESULT_MISSING);
    const double freq = arg_value(args, 2);
    if (is_missing(freq)) return fail(result, STATUS_RESULT_MISSING);
    if (nmiss != 0.0 && (freq == 0 || rate == 0)) return fail(result, STATUS_RESULT_MISSING);
    if (freq < 0) return fail_marked(args, 2, result);

    // The callback is this file's cashflow, handed over so that it inlines
    // into the discounting loop.
    int32_t err = 0;
    const double value = qelfin::cashflow::znpv(
        kRateInPercent ? rate / kPercent : rate, freq, series_length<3>(args),
        [args](int32_t i) { return cashflow(i, args); }, &err);
    if (err != 0 || is_missing(value)) return fail(result, STATUS_INVALID_ARGS);
    return succeed(result, value);
}

}  // namespace

extern "C" QELFIN_API uint32_t fncnpv(FunctionArgs* args, double* result) {
    return present_value_entry<true>(args, result);
}

extern "C" QELFIN_API uint32_t fncntpv(FunctionArgs* args, double* result) {
    return present_value_entry<false>(args, result);
}
