// zirr_s, zirr: the internal rate of return of count cash flows read through
// a callback, as a rate per base period of freq cash-flow periods.
//
// Method.  The cash flows are the coefficients of p(x) = c_0 + c_1 x + ...
// in the discount factor x = 1/(1 + r).  They are read once into an array
// from a toolkit scratch pool created for the call (missing flows count as
// 0), zero flows are stripped from both ends, and the sign changes decide
// the road (polynomial.h):
//   none          no rate (code 1)
//   one           Decompose and newtonSplit: the unique positive root
//   two or more   newtonPol from below 1, from above 1, then laguerrePol;
//                 the first root accepted is reported, so a rate >= 0
//                 (root in (0, 1]) is preferred to a negative one
// The root becomes the rate (1/x^freq) - 1, or -ln x for continuous
// compounding (freq = 0).  The pool, with the array, is destroyed on every
// path after it was created.
//
// Codes: 0 rate written; -999 invalid request (nothing created or called);
// 1 no pool or array, no sign change, or Laguerre failed; -1000 every flow
// zero or missing; -995/-994 from Decompose; -993 newtonSplit did not
// converge; -997 the root cannot be converted into a rate.
//
// A root that is not a number.  Only a Laguerre step can give one (an
// evaluation that overflows, as huge finite flows may make it).  On finite
// flows it goes on to the conversion like any root: continuous compounding
// refuses it (it is not > 0), zpower hands it back unchanged for freq = 1
// and through pow for other frequencies, and the rate is then not a number,
// with code 0.  The one guard: a series holding an infinite flow gives
// -997 for such a root, since no rate can come of an infinite cash flow.
#include "cashflow/polynomial.h"
#include "entry/entry.h"

#include <cmath>
#include <cstring>

namespace {

using namespace qelfin::cashflow;
using qelfin::entry::is_missing;

constexpr int32_t kInvalidRequest = -999;
constexpr int32_t kNoRate = 1;
constexpr int32_t kAllZero = -1000;
constexpr int32_t kAllZeroSignChanges = -994;
constexpr int32_t kNotConvertible = -997;

constexpr int32_t kMinFlows = 2;
constexpr int32_t kMaxFlows = 32767;

constexpr double kTolerance = 1e-10;  // Newton step in ln x; Newton scale factor
constexpr double kNewtonStart = 1.0;  // x = 1: rate 0
constexpr int32_t kStepLimit = 40;    // steps per Newton run

// Scratch pool parameter record and name, and the allocation flags.
constexpr uint32_t kPoolParm[3] = {0x80000000u, 0, 0};
constexpr char kPoolName[] = "WORKPOOL";
constexpr uint32_t kPoolAllocateFlags = 0x80000000u;

// The toolkit's scratch pools, reached through the handle mcn_main copied:
// the toolkit and each pool are arrays of routine words.
template <class F>
F toolkit_word(void* object, int word) {
    return reinterpret_cast<F>(static_cast<void**>(object)[word]);
}

void* create_pool() {
    void* toolkit = Exported_RZHandle;
    if (toolkit == nullptr) return nullptr;
    return toolkit_word<ToolkitCreatePool>(toolkit, TOOLKIT_CREATE_POOL)(toolkit, kPoolParm, 0, kPoolName);
}

double* allocate_flows(void* pool, int32_t count) {
    void* block = toolkit_word<ToolkitAllocate>(pool, TOOLKIT_POOL_ALLOCATE)(
        pool, static_cast<size_t>(count) * sizeof(double), kPoolAllocateFlags);
    return static_cast<double*>(block);
}

void destroy_pool(void* pool) { toolkit_word<ToolkitDestroyPool>(pool, TOOLKIT_POOL_DESTROY)(pool); }

// Counts the sign changes of a_0..a_n (zeros change nothing) and records the
// largest |a_i| for Laguerre's acceptance test.
int32_t count_sign_changes(Polynomial* full) {
    const double* a = full->coef;
    bool negative = a[0] < 0;
    int32_t changes = 0;
    for (int32_t i = 1; i <= full->degree; ++i) {
        if (negative ? a[i] > 0 : a[i] < 0) {
            ++changes;
            negative = !negative;
        }
    }
    full->max_abs = zvamx(a, full->degree + 1);
    return changes;
}

// Finds the root of a series with two or more sign changes; 0 or the code.
int32_t solve_several_changes(IrrWork* w) {
    const double scale = kTolerance * zvamx(w->full->coef, w->full->degree);
    if (newtonPol(w, NewtonSide::kFromBelow, scale)) return 0;
    if (newtonPol(w, NewtonSide::kFromAbove, scale)) return 0;
    return laguerrePol(w);
}

// Rate per base period from the discount factor x; 0 or kNotConvertible.
int32_t rate_from_root(double x, double freq, bool infinite_flow, double* rate) {
    if (infinite_flow && std::isnan(x)) return kNotConvertible;
    if (freq == 0) {
        if (!(x > 0)) return kNotConvertible;
        *rate = -std::log(x);
        return 0;
    }
    int32_t err = 0;
    const double y = zpower(x, freq, &err);
    if (err != 0 || y == 0) return kNotConvertible;
    *rate = 1.0 / y - 1.0;
    return 0;
}

// Reads the series into the pool's array and finds the rate; 0 or the code.
int32_t solve_series(ZirrParams* params, IrrWork* w) {
    const int32_t count = params->count;
    bool infinite_flow = false;
    for (int32_t i = 0; i < count; ++i) {
        const double c = params->callback(i, params->context);
        w->cashflows[i] = is_missing(c) ? 0.0 : c;
        infinite_flow = infinite_flow || std::isinf(c);
    }

    Polynomial* full = w->full;
    full->coef = w->cashflows;
    if (!stripZeros(full)) {
        params->sign_changes = kAllZeroSignChanges;
        return kAllZero;
    }
    params->sign_changes = count_sign_changes(full);

    if (params->sign_changes == 0) return kNoRate;
    if (params->sign_changes == 1) {
        const int32_t code = Decompose(w);
        if (code != 0) return code;
        const int32_t split_code = newtonSplit(w);
        if (split_code != 0) return split_code;
    } else {
        params->multiple = 1;
        const int32_t code = solve_several_changes(w);
        if (code != 0) return code;
    }
    double rate = 0.0;
    const int32_t code = rate_from_root(w->root, params->freq, infinite_flow, &rate);
    if (code != 0) return code;
    params->rate = rate;
    return 0;
}

}  // namespace

extern "C" QELFIN_API int32_t zirr_s(ZirrParams* params) {
    params->sign_changes = 0;
    params->multiple = 0;
    const double freq = params->freq;
    if (is_missing(freq) || freq < 0 || params->count < kMinFlows || params->count > kMaxFlows ||
        params->callback == nullptr)
        return kInvalidRequest;

    IrrWork w;
    std::memset(&w, 0, sizeof w);
    w.tolerance = kTolerance;
    w.start = kNewtonStart;
    w.limit = kStepLimit;
    w.full = &w.polynomials[0];
    w.high = &w.polynomials[1];
    w.low = &w.polynomials[2];
    w.full->degree = params->count - 1;

    w.pool = create_pool();
    if (w.pool == nullptr) return kNoRate;
    w.cashflows = allocate_flows(w.pool, params->count);
    if (w.cashflows == nullptr) {
        destroy_pool(w.pool);
        return kNoRate;
    }
    const int32_t code = solve_series(params, &w);
    destroy_pool(w.pool);
    return code;
}

extern "C" QELFIN_API double zirr(double freq, int32_t count, ValueCallback callback, void* context, int32_t* err) {
    ZirrParams params{};
    params.freq = freq;
    params.count = count;
    params.callback = callback;
    params.context = context;
    params.rate = 0.0;
    *err = zirr_s(&params);
    return *err == 0 ? params.rate : qelfin::entry::kMissing;
}
