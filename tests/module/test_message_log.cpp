// The message-log stub, under both its names: it clears byte 30 of the host
// block in gcb word 1 and hands its own arguments, doubles included,
// unchanged to the host's log routine at service vector 30, slot 70.
#include "host/detail/abi.h"
#include "host/standin/standin.h"

#include <gtest/gtest.h>

#include <bit>
#include <limits>

namespace {

using namespace qelfin::host;

TEST(MessageLog, ForwardsNotes201And202) {
    qelfin::standin::Host host;
    Module module(host);
    for (const char* name : {"xpmlog", "_xpmlog_30_70"}) {
        auto stub = module.symbol<void (*)(int32_t, int32_t, ...)>(name);
        // Rates whose bits would suffer from any conversion on the way.
        for (const double rate : {0.1, -0.0, 5e-324, std::numeric_limits<double>::max(), -1.0 / 3.0,
                                  std::bit_cast<double>(QELFIN_MISSING_BITS)}) {
            host.clear_notes();
            qelfin::host::detail::HostAbi::set_tss_byte30(host, 0xFF);
            stub(744, 201, rate, "INTRR");
            EXPECT_EQ(qelfin::host::detail::HostAbi::tss_byte30(host), 0) << name;
            const auto notes = host.notes();
            ASSERT_EQ(notes.size(), 1u) << name;
            EXPECT_TRUE(notes[0].set == 744 && notes[0].id == 201 && notes[0].function == "INTRR") << name;
            EXPECT_EQ(std::bit_cast<uint64_t>(notes[0].rate), std::bit_cast<uint64_t>(rate)) << name;
        }
        host.clear_notes();
        qelfin::host::detail::HostAbi::set_tss_byte30(host, 0x7F);
        stub(744, 202, "IRR");
        EXPECT_EQ(qelfin::host::detail::HostAbi::tss_byte30(host), 0) << name;
        const auto notes = host.notes();
        ASSERT_EQ(notes.size(), 1u) << name;
        EXPECT_TRUE(notes[0].id == 202 && notes[0].function == "IRR") << name;
    }
}

}  // namespace
