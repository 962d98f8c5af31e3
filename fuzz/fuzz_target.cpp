// libFuzzer target, built as qelfin_fuzz_entries (QELFIN_FUZZ_ENTRIES=1) and
// qelfin_fuzz_routines: every input through the harness.
#include "fuzz/harness.h"

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
    g_harness->run(data, size, QELFIN_FUZZ_ENTRIES);
    return 0;
}
