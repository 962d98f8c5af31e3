// fncirr, fncinrr: IRR and INTRR, the internal rate of return of a series of
// cash flows (argument 1 the frequency, arguments 2.. the flows), in percent
// and as a fraction.  Both run the front end Myfncinrr, which checks the
// arguments, solves with zirr_s reading the flows straight from the block,
// and writes note 201 of set 744 to the host's log when the series changes
// sign more than once, since the rate may then not be the only one.
//
// Per-call-site limit: for the caller kinds 0x48, 0x58, 0x68 and 0x88 a
// counter, allocated once from the host pool in gcb word 5 and kept through
// the block's call_state, counts such results; the first ten write note 201,
// the tenth also note 202, later ones nothing.  Other callers get note 201
// every time.
#include "entry/entry.h"
#include "entry/shapes.h"
#include "module/module.h"
#include "numeric/limits.h"

namespace {

using qelfin::numeric::kHostPoolFlags;

using namespace qelfin::entry;

constexpr int32_t kNoteLimit = 10;         // notes 201 per limited call site
constexpr double kPercent = 100.0;

// Caller kinds whose notes are limited per call site.
bool limited_caller(uint8_t kind) { return kind == 0x68 || kind == 0x88 || kind == 0x58 || kind == 0x48; }

// Cash flow i (0-based) is argument i + 2.
double cashflow(int32_t index, void* context) { return series_element<2>(index, context); }

void note_several_sign_changes(double rate, const char* name) {
    xpmlog(QELFIN_MESSAGE_SET, QELFIN_NOTE_SEVERAL_SIGN_CHANGES, rate, name);
}

void note_no_more_notes(const char* name) { xpmlog(QELFIN_MESSAGE_SET, QELFIN_NOTE_NO_MORE_NOTES, name); }

// Note 201 for a result whose series changed sign more than once, limited
// per call site for the limited caller kinds.
void note_result(const FunctionArgs* args, double rate, const char* name) {
    if (!limited_caller(args->caller_kind)) {
        note_several_sign_changes(rate, name);
        return;
    }
    const int32_t notes = ++*args->call_state;
    if (notes < kNoteLimit) {
        note_several_sign_changes(rate, name);
    } else if (notes == kNoteLimit) {
        note_several_sign_changes(rate, name);
        note_no_more_notes(name);
    }
}

// The front end of IRR and INTRR: the rate as a fraction in *result.
uint32_t Myfncinrr(FunctionArgs* args, double* result, const char* name) {
    if (limited_caller(args->caller_kind) && args->call_state == nullptr) {
        auto* pool = static_cast<HostPool*>(qelfin::module::gcb_word(GCB_COUNTER_POOL));
        auto* counter = static_cast<int32_t*>(pool->allocate(pool, sizeof(int32_t), kHostPoolFlags));
        if (counter == nullptr) return STATUS_NO_MEMORY;
        *counter = 0;
        args->call_state = counter;
    }

    double missing = 0.0;
    fncnmis(args, &missing);

    // A block without even the frequency is outside the contract; it is
    // refused rather than read past its end.
    if (args->arg_count < 1) return fail(result, STATUS_INVALID_ARGS);
    const double freq = arg_value(args, 1);
    if (is_missing(freq) || freq < 0) return fail_marked(args, 1, result);
    if (missing != 0.0 && freq == 0) return fail(result, STATUS_RESULT_MISSING);

    ZirrParams params{};
    params.freq = freq;
    params.count = series_length<2>(args);
    params.callback = cashflow;
    params.context = args;
    params.rate = 0.0;
    if (zirr_s(&params) != 0) return fail(result, STATUS_INVALID_ARGS);

    *result = params.rate;
    if (params.sign_changes > 1) note_result(args, params.rate, name);
    return 0;
}

}  // namespace

extern "C" QELFIN_API uint32_t fncirr(FunctionArgs* args, double* result) {
    const uint32_t status = Myfncinrr(args, result, "IRR");
    if (status == 0)
        *result = *result * kPercent;
    else
        *result = kMissing;
    return status;
}

extern "C" QELFIN_API uint32_t fncinrr(FunctionArgs* args, double* result) {
    const uint32_t status = Myfncinrr(args, result, "INTRR");
    if (status != 0) *result = kMissing;
    return status;
}
