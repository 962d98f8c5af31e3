// A module that loads like qelfin and breaks the contract on purpose, one
// rule per function, so that the harness's checks can be seen to catch
// what they claim to.  Never built into anything but the harness test.
//
//   COMPOUND  returns a status outside the four codes
//   DACCDB    leaves the result unwritten
//   DACCDBSL  returns MISSING with status 0
//   DACCSL    marks two arguments
//   DACCSYD   marks an argument and returns status 0
//   DACCTAB   changes a host bit of a flag word
//   DEPDB     writes through a value pointer
//   DEPDBSL   sets call_state
//   DEPSL     leaves a toolkit pool alive
//   DEPSYD    writes a note
//   DEPTAB    returns STATUS_NO_MEMORY
//   MORT      marks an argument (MORT never marks)
//   NETPV     marks argument 1 (NETPV may only blame argument 2)
//   INTRR, IRR, NPV, SAVING behave: MISSING and STATUS_RESULT_MISSING
//   fncnmis   counts nothing; zpower reports error 9; znpv reads past the
//             series; zirr_s refuses a valid request
#include <qelfin/qelfin.h>

#include <cstring>

namespace {

void** g_gcb = nullptr;
int32_t g_state = 0;
constexpr uint64_t kMissing = QELFIN_MISSING_BITS;

void set_missing(double* r) { std::memcpy(r, &kMissing, sizeof *r); }
uint32_t behave(FunctionArgs*, double* r) {
    set_missing(r);
    return STATUS_RESULT_MISSING;
}

uint32_t bad_status(FunctionArgs*, double* r) {
    set_missing(r);
    return 7;
}
uint32_t unwritten(FunctionArgs*, double*) { return STATUS_RESULT_MISSING; }
uint32_t missing_ok(FunctionArgs*, double* r) {
    set_missing(r);
    return 0;
}
uint32_t two_marks(FunctionArgs* a, double* r) {
    a->args[0].flags |= ARG_INVALID;
    a->args[1].flags |= ARG_INVALID;
    set_missing(r);
    return STATUS_INVALID_ARGS;
}
uint32_t mark_ok(FunctionArgs* a, double* r) {
    a->args[0].flags |= ARG_INVALID;
    *r = 1.0;
    return 0;
}
uint32_t host_bit(FunctionArgs* a, double* r) {
    a->args[0].flags ^= 0x80000000u;
    set_missing(r);
    return STATUS_RESULT_MISSING;
}
uint32_t write_value(FunctionArgs* a, double* r) {
    *static_cast<double*>(a->args[0].value) = 0.0;
    set_missing(r);
    return STATUS_RESULT_MISSING;
}
uint32_t set_state(FunctionArgs* a, double* r) {
    a->call_state = &g_state;
    set_missing(r);
    return STATUS_RESULT_MISSING;
}
uint32_t leak_pool(FunctionArgs*, double* r) {
    void** toolkit = static_cast<void**>(g_gcb[GCB_TOOLKIT]);
    static const uint32_t parm[3] = {0x80000000u, 0, 0};
    reinterpret_cast<ToolkitCreatePool>(toolkit[TOOLKIT_CREATE_POOL])(toolkit, parm, 0, "WORKPOOL");
    set_missing(r);
    return STATUS_RESULT_MISSING;
}
uint32_t note(FunctionArgs*, double* r) {
    void** vectors = static_cast<void**>(g_gcb[GCB_SERVICE_VECTORS]);
    void** vector30 = static_cast<void**>(vectors[30]);
    reinterpret_cast<MessageLogRoutine>(vector30[70])(QELFIN_MESSAGE_SET, QELFIN_NOTE_SEVERAL_SIGN_CHANGES, 0.1,
                                                      "DEPSYD");
    set_missing(r);
    return STATUS_RESULT_MISSING;
}
uint32_t no_memory(FunctionArgs*, double* r) {
    set_missing(r);
    return STATUS_NO_MEMORY;
}
uint32_t mark_4(FunctionArgs* a, double* r) {
    a->args[3].flags |= ARG_INVALID;
    set_missing(r);
    return STATUS_INVALID_ARGS;
}
uint32_t mark_1(FunctionArgs* a, double* r) {
    a->args[0].flags |= ARG_INVALID;
    set_missing(r);
    return STATUS_INVALID_ARGS;
}

constexpr FunctionEntry kEntries[QELFIN_FUNCTION_COUNT] = {
    bad_status, unwritten, missing_ok, two_marks, mark_ok, host_bit, write_value, set_state, leak_pool,
    note,       no_memory, behave,     behave,    mark_4,  mark_1,   behave,      behave};

void* registration() {
    auto* pool = static_cast<HostPool*>(g_gcb[GCB_VECTOR_POOL]);
    auto* v = static_cast<FunctionVector*>(pool->allocate(pool, sizeof(FunctionVector), 8198));
    if (v != nullptr) std::memcpy(v->entries, kEntries, sizeof kEntries);
    return v;
}

const RegistrationRecord kRecord = {0xFFFF0000u, 0x400, 0x400, "qelwufin", registration, 1, 0x25D3, 0x0241ED61, 15};
const RegistrationRecord* const kRecords[2] = {&kRecord, nullptr};
const ImageInformation kImage = {"QEL_Image_Information=", 0xB0BDEBEDu, 8, "9.03", "", "", kRecords, "", "001"};

}  // namespace

extern "C" {

__attribute__((visibility("default"))) const ImageInformation* mcn_main(void* gcb, void*) {
    g_gcb = static_cast<void**>(gcb);
    return &kImage;
}

__attribute__((visibility("default"))) uint32_t fncnmis(FunctionArgs*, double* r) {
    *r = 0.0;
    return 0;
}

__attribute__((visibility("default"))) double zpower(double, double, int32_t* err) {
    *err = 9;
    return 0.0;
}

__attribute__((visibility("default"))) double znpv(double, double, int32_t m, ValueCallback cb, void* ctx,
                                                   int32_t* err) {
    *err = 0;
    return cb(m, ctx);
}

__attribute__((visibility("default"))) int32_t zirr_s(ZirrParams* p) {
    p->sign_changes = 0;
    p->multiple = 0;
    return -999;
}

}  // extern "C"
