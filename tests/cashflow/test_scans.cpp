// The missing-value scans fncnmis, fnccmis and fncmis.
#include "cashflow/npv_support.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using qelfin::host::Arg;
using qelfin::host::ArgBlock;
using namespace qelfin::npv_test;

// Runs a scan; scans always return 0 and never mark an argument.
double scan(const char* name, ArgBlock& block) {
    double out = -1.0;
    EXPECT_EQ(module().symbol<decltype(&fncnmis)>(name)(block.get(), &out), 0u) << name;
    EXPECT_EQ(block.mark_count(), 0) << name;
    return out;
}

TEST(Scans, NumericBitPatterns) {
    // Any NaN counts, whatever its sign and payload (in the high word only,
    // in the low word only); infinities and finite extremes do not.
    const struct {
        uint64_t bits;
        bool missing;
    } patterns[] = {
        {QELFIN_MISSING_BITS, true},   {0x7FF8000000000000ull, true}, {0xFFF8000000000000ull, true},
        {0x7FF0000000000001ull, true}, {0xFFF0000100000000ull, true}, {0xFFFFFFFFFFFFFFFFull, true},
        {0x7FF0000000000000ull, false}, {0xFFF0000000000000ull, false}, {0x7FEFFFFFFFFFFFFFull, false},
        {0x0000000000000001ull, false}, {0x8000000000000000ull, false},
    };
    for (const auto& p : patterns) {
        for (int32_t at = 1; at <= 3; ++at) {
            SCOPED_TRACE(::testing::Message() << std::hex << p.bits << " in argument " << at);
            const Arg args[] = {1.0, 2.0, 3.0};
            ArgBlock block(args);
            store_bits(block, at, p.bits);  // exact bits: no register may quiet a signalling NaN
            EXPECT_EQ(scan("fncnmis", block), p.missing ? 1.0 : 0.0);
            EXPECT_EQ(scan("fnccmis", block), p.missing ? 1.0 : 0.0);
            EXPECT_EQ(scan("fncmis", block), p.missing && at == 1 ? 1.0 : 0.0);
        }
    }
}

TEST(Scans, LeadingArgumentsCountLikeFlows) {
    const Arg args[] = {5.0, 1.0, std::nan(""), 7.0, Arg::missing()};
    ArgBlock block(args);
    EXPECT_EQ(scan("fncnmis", block), 2.0);
    store_bits(block, 1, 0xFFF8000000000001ull);
    EXPECT_EQ(scan("fncnmis", block), 3.0);
}

TEST(Scans, CharacterValues) {
    // All blanks, length 0 included, is missing; any other byte is not.
    const struct {
        std::string text;
        bool missing;
    } cases[] = {
        {"   ", true}, {"", true}, {std::string(300, ' '), true}, {"A ", false}, {"  x", false},
        {"\t", false}, {std::string(1, '\0'), false}, {"  \xA0", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("\"" + c.text + "\"");
        const Arg args[] = {Arg::chars(c.text), Arg::missing()};
        ArgBlock block(args);
        EXPECT_EQ(scan("fnccmis", block), c.missing ? 2.0 : 1.0);
        EXPECT_EQ(scan("fncmis", block), c.missing ? 1.0 : 0.0);
    }
    const Arg mixed[] = {Arg::missing(), Arg::chars("   "), Arg::chars(""), Arg::chars("A "), 0.0, -1e300};
    ArgBlock block(mixed);
    EXPECT_EQ(scan("fnccmis", block), 3.0);
}

TEST(Scans, EmptyBlock) {
    ArgBlock block(std::span<const Arg>{});
    for (const char* name : {"fncnmis", "fnccmis"}) {
        const double n = scan(name, block);
        EXPECT_EQ(n, 0.0) << name;
        EXPECT_FALSE(std::signbit(n)) << name;
    }
}

}  // namespace
