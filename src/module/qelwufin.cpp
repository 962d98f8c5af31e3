// The registration entry: hands the host a new function vector holding the
// seventeen entries in the alphabetical order of the function names.
#include "module/module.h"
#include "numeric/limits.h"

namespace {

using qelfin::numeric::kHostPoolFlags;

constexpr FunctionEntry kEntries[QELFIN_FUNCTION_COUNT] = {
    fnccomp,  // COMPOUND
    fncdcb,   // DACCDB
    fncdcbs,  // DACCDBSL
    fncdcsl,  // DACCSL
    fncdcsy,  // DACCSYD
    fncdctb,  // DACCTAB
    fncdpb,   // DEPDB
    fncdpbs,  // DEPDBSL
    fncdpsl,  // DEPSL
    fncdpsy,  // DEPSYD
    fncdptb,  // DEPTAB
    fncinrr,  // INTRR
    fncirr,   // IRR
    fncmort,  // MORT
    fncntpv,  // NETPV
    fncnpv,   // NPV
    fncsav,   // SAVING
};

}  // namespace

extern "C" QELFIN_API void* qelwufin(void) {
    auto* pool = static_cast<HostPool*>(qelfin::module::gcb_word(GCB_VECTOR_POOL));
    auto* vector = static_cast<FunctionVector*>(pool->allocate(pool, sizeof(FunctionVector), kHostPoolFlags));
    if (vector == nullptr) return nullptr;
    // Word 0 belongs to the host: it keeps whatever the allocator left there.
    for (int i = 0; i < QELFIN_FUNCTION_COUNT; ++i) vector->entries[i] = kEntries[i];
    return vector;
}
