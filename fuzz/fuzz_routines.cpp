// libFuzzer target: the exported routines called directly (primitives,
// solvers with the harness's callbacks, zirr_s and zirr, the argument-block
// routines, qelwufin and rzvercn1), with toolkit and vector pool failures.
#include "fuzz/harness.h"

#include <cstddef>
#include <cstdint>

namespace {
qelfin::fuzz::Harness* g_harness = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_harness = new qelfin::fuzz::Harness(qelfin::fuzz::module_path_from_environment());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    g_harness->run_routines(data, size);
    return 0;
}
