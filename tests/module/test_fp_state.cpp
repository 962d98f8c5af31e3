// The module leaves the floating-point control state as it found it: the
// control bits of MXCSR (masks, rounding, flush-to-zero, denormals-are-zero)
// and the x87 control word are unchanged after calls of every entry, on
// failing and succeeding paths.
#include "host/standin/standin.h"

#include <gtest/gtest.h>

#include <xmmintrin.h>

namespace {

using namespace qelfin::host;

uint16_t x87_control_word() {
    uint16_t cw;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    return cw;
}

TEST(FloatingPointState, EntriesLeaveControlWordsUntouched) {
    qelfin::standin::Host host;
    Module module(host);
    const uint16_t cw = x87_control_word();
    const uint32_t csr = _mm_getcsr() & ~0x3Fu;  // without the sticky exception flags
    const std::vector<std::vector<Arg>> calls = {
        {100, Arg::missing(), 0.05, 10}, {1, 1000, 5, 2}, {1, -100, 110, -5}, {5, 1, -100, 50, 60},
        {1.5, 1000, 0.4, 0.3, 0.3},     {0, 0, 0, 0},    {Arg::missing(), 1, 2, 3}};
    for (const auto& f : functions())
        for (const auto& args : calls) {
            module.call(f.name, std::span<const Arg>(args));
            EXPECT_EQ(x87_control_word(), cw) << f.name;
            EXPECT_EQ(_mm_getcsr() & ~0x3Fu, csr) << f.name;
        }
}

}  // namespace
