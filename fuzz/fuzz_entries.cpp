// libFuzzer target: the seventeen entries and the three scans on argument
// blocks made from the input, with host pool and toolkit failures.
#include "fuzz/harness.h"

#include <cstddef>
#include <cstdint>

namespace {
qelfin::fuzz::Harness* g_harness = nullptr;
}

// The module is loaded before fuzzing starts, so that libFuzzer sees its
// coverage counters from the first input on.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_harness = new qelfin::fuzz::Harness(qelfin::fuzz::module_path_from_environment());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    g_harness->run_entries(data, size);
    return 0;
}
