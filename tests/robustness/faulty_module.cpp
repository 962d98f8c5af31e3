// A module that loads like qelfin and breaks the contract on purpose, one
// rule per function, for test_harness_checks.cpp alone.
#include <qelfin/qelfin.h>

#include <cstring>

namespace {

void** g_gcb = nullptr;
constexpr uint64_t kMissing = QELFIN_MISSING_BITS;

uint32_t missing(double* r, uint32_t status) {
    std::memcpy(r, &kMissing, sizeof *r);
    return status;
}
uint32_t behave(FunctionArgs*, double* r) { return missing(r, STATUS_RESULT_MISSING); }
uint32_t bad_status(FunctionArgs*, double* r) { return missing(r, 7); }
uint32_t unwritten(FunctionArgs*, double*) { return STATUS_RESULT_MISSING; }
uint32_t missing_ok(FunctionArgs*, double* r) { return missing(r, 0); }
uint32_t two_marks(FunctionArgs* a, double* r) {
    a->args[0].flags |= ARG_INVALID;
    a->args[1].flags |= ARG_INVALID;
    return missing(r, STATUS_INVALID_ARGS);
}
uint32_t host_bit(FunctionArgs* a, double* r) {
    a->args[0].flags ^= 0x80000000u;
    return missing(r, STATUS_RESULT_MISSING);
}
uint32_t write_value(FunctionArgs* a, double* r) {
    *static_cast<double*>(a->args[0].value) = 0.0;
    return missing(r, STATUS_RESULT_MISSING);
}
uint32_t leak_pool(FunctionArgs*, double* r) {
    void** toolkit = static_cast<void**>(g_gcb[GCB_TOOLKIT]);
    static const uint32_t parm[3] = {0x80000000u, 0, 0};
    reinterpret_cast<ToolkitCreatePool>(toolkit[TOOLKIT_CREATE_POOL])(toolkit, parm, 0, "WORKPOOL");
    return missing(r, STATUS_RESULT_MISSING);
}

constexpr FunctionEntry kEntries[QELFIN_FUNCTION_COUNT] = {
    bad_status, unwritten, missing_ok, two_marks, host_bit, write_value, leak_pool, behave, behave,
    behave,     behave,    behave,     behave,    behave,   behave,      behave,    behave};

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

__attribute__((visibility("default"))) double zpower(double, double, int32_t* err) {
    *err = 9;
    return 0.0;
}

__attribute__((visibility("default"))) double znpv(double, double, int32_t m, ValueCallback cb, void* ctx,
                                                   int32_t* err) {
    *err = 0;
    return cb(m, ctx);
}

}  // extern "C"
