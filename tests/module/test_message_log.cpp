// The message-log stub: it clears byte 30 of the host block in gcb word 1
// and hands its own arguments, doubles included, unchanged to the host's
// log routine at service vector 30, slot 70.
#include "host/module.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

namespace {

using namespace qelfin::host;
using LogStub = void (*)(int32_t, int32_t, ...);

class MessageLog : public ::testing::TestWithParam<const char*> {
protected:
    Host host;
    Module module{host};
};

TEST_P(MessageLog, ForwardsNote201WithItsDoubleIntact) {
    auto stub = module.symbol<LogStub>(GetParam());
    // Rates whose bits would suffer from any conversion on the way.
    const double rates[] = {0.1, -0.0, 5e-324, std::numeric_limits<double>::max(), -1.0 / 3.0,
                            std::bit_cast<double>(QELFIN_MISSING_BITS)};
    for (double rate : rates) {
        host.clear_notes();
        host.set_tss_byte30(0xFF);
        stub(744, 201, rate, "INTRR");
        EXPECT_EQ(host.tss_byte30(), 0);
        const auto notes = host.notes();
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_EQ(notes[0].set, 744);
        EXPECT_EQ(notes[0].id, 201);
        EXPECT_EQ(std::bit_cast<uint64_t>(notes[0].rate), std::bit_cast<uint64_t>(rate));
        EXPECT_EQ(notes[0].function, "INTRR");
    }
}

TEST_P(MessageLog, ForwardsNote202) {
    auto stub = module.symbol<LogStub>(GetParam());
    host.set_tss_byte30(0x7F);
    stub(744, 202, "IRR");
    EXPECT_EQ(host.tss_byte30(), 0);
    const auto notes = host.notes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].id, 202);
    EXPECT_EQ(notes[0].function, "IRR");
    EXPECT_NE(notes[0].text.find("IRR"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(BothNames, MessageLog, ::testing::Values("xpmlog", "_xpmlog_30_70"));

}  // namespace
