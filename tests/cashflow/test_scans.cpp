// The missing-value scans fncnmis, fnccmis and fncmis: the bit-pattern NaN
// test, character values, empty blocks, and that they neither fail nor
// touch the block.
#include "cashflow/npv_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using qelfin::host::Arg;
using qelfin::host::ArgBlock;
using namespace qelfin::npv_test;

using Scan = decltype(&fncnmis);

struct Scanned {
    uint32_t status;
    double value;
    int32_t marks;
};

Scanned scan(const char* name, ArgBlock& block) {
    const auto f = module().symbol<Scan>(name);
    double out = -1.0;
    const uint32_t status = f(block.get(), &out);
    return {status, out, block.mark_count()};
}

struct Pattern {
    uint64_t bits;
    bool missing;
    const char* what;
};

// Every kind of NaN counts, whatever its sign and payload; infinities and
// the largest finite doubles do not.  The patterns probe each half of the
// test: high word above the exponent mask, and payload only in the low word.
const Pattern kPatterns[] = {
    {QELFIN_MISSING_BITS, true, "MISSING"},
    {0x7FF8000000000000ull, true, "positive quiet NaN"},
    {0xFFF8000000000000ull, true, "negative quiet NaN"},
    {0x7FF0000000000001ull, true, "signalling NaN, payload in the low word only"},
    {0xFFF0000100000000ull, true, "negative NaN, payload in the high word only"},
    {0x7FFFFFFFFFFFFFFFull, true, "largest payload"},
    {0xFFFFFFFFFFFFFFFFull, true, "all bits set"},
    {0x7FF0000000000000ull, false, "+infinity"},
    {0xFFF0000000000000ull, false, "-infinity"},
    {0x7FEFFFFFFFFFFFFFull, false, "largest double"},
    {0xFFEFFFFFFFFFFFFFull, false, "most negative double"},
    {0x0000000000000001ull, false, "smallest subnormal"},
    {0x8000000000000000ull, false, "-0"},
};

TEST(Scans, NumericBitPatterns) {
    for (const Pattern& p : kPatterns) {
        SCOPED_TRACE(p.what);
        // The pattern in each of three positions, beside present values.
        for (int32_t at = 1; at <= 3; ++at) {
            const Arg args[] = {1.0, 2.0, 3.0};
            ArgBlock block(args);
            store_bits(block, at, p.bits);
            const double expected = p.missing ? 1.0 : 0.0;
            for (const char* name : {"fncnmis", "fnccmis"}) {
                const Scanned s = scan(name, block);
                EXPECT_EQ(s.status, 0u) << name;
                EXPECT_EQ(s.value, expected) << name << " at argument " << at;
            }
            const Scanned first = scan("fncmis", block);
            EXPECT_EQ(first.value, at == 1 ? expected : 0.0) << "fncmis, pattern at argument " << at;
            EXPECT_EQ(first.status, 0u);
        }
    }
}

TEST(Scans, CountsEveryArgumentOfAnNpvCall) {
    // Rate, frequency and flows alike: leading arguments are not skipped.
    const Arg args[] = {5.0, 1.0, Arg::missing(), 7.0, Arg::missing()};
    ArgBlock block(args);
    store_bits(block, 3, 0x7FF8000000000000ull);
    EXPECT_EQ(scan("fncnmis", block).value, 2.0);
    store_bits(block, 1, 0xFFF8000000000001ull);
    store_bits(block, 2, 0x7FF4000000000000ull);
    EXPECT_EQ(scan("fncnmis", block).value, 4.0);
}

TEST(Scans, AllOfManyMissing) {
    std::vector<Arg> args(1000, Arg::missing());
    args[500] = Arg(0.0);
    ArgBlock block(args);
    EXPECT_EQ(scan("fncnmis", block).value, 999.0);
    EXPECT_EQ(scan("fnccmis", block).value, 999.0);
}

TEST(Scans, CharacterValues) {
    struct Case {
        std::string text;
        bool missing;
    };
    const Case cases[] = {
        {"   ", true},
        {"", true},
        {" ", true},
        {std::string(300, ' '), true},
        {"A ", false},
        {"  x", false},
        {"x  ", false},
        {"\t", false},  // only the blank counts as blank
        {std::string(1, '\0'), false},
        {std::string("  \xA0", 3), false},
        {"0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("\"" + c.text + "\" of length " + std::to_string(c.text.size()));
        const Arg args[] = {Arg::chars(c.text)};
        ArgBlock block(args);
        const double expected = c.missing ? 1.0 : 0.0;
        EXPECT_EQ(scan("fnccmis", block).value, expected);
        const Scanned first = scan("fncmis", block);
        EXPECT_EQ(first.value, expected);
        EXPECT_EQ(first.status, 0u);
    }
}

TEST(Scans, MixedArguments) {
    // A numeric MISSING, three blanks, length 0, "A " and two present numbers.
    const Arg args[] = {Arg::missing(), Arg::chars("   "), Arg::chars(""), Arg::chars("A "), 0.0, -1e300};
    ArgBlock block(args);
    EXPECT_EQ(scan("fnccmis", block).value, 3.0);
    EXPECT_EQ(scan("fncmis", block).value, 1.0);
}

TEST(Scans, CharacterArgumentFirst) {
    const Arg args[] = {Arg::chars("  x"), Arg::missing()};
    ArgBlock block(args);
    EXPECT_EQ(scan("fncmis", block).value, 0.0);
    EXPECT_EQ(scan("fnccmis", block).value, 1.0);
}

TEST(Scans, EmptyBlock) {
    ArgBlock block(std::span<const Arg>{});
    for (const char* name : {"fncnmis", "fnccmis"}) {
        const Scanned s = scan(name, block);
        EXPECT_EQ(s.status, 0u) << name;
        EXPECT_EQ(s.value, 0.0) << name;
        EXPECT_FALSE(std::signbit(s.value)) << name;
    }
}

TEST(Scans, NeverMarkOrChangeTheBlock) {
    const Arg args[] = {Arg::missing(), 1.0, Arg::missing()};
    ArgBlock block(args);
    std::vector<uint32_t> flags;
    for (int32_t i = 0; i < block.size(); ++i) flags.push_back(block.get()->args[i].flags);
    for (const char* name : {"fncnmis", "fnccmis", "fncmis"}) {
        const Scanned s = scan(name, block);
        EXPECT_EQ(s.status, 0u) << name;
        EXPECT_EQ(s.marks, 0) << name;
    }
    for (int32_t i = 0; i < block.size(); ++i) EXPECT_EQ(block.get()->args[i].flags, flags[i]);
    EXPECT_TRUE(is_module_missing(*static_cast<double*>(block.get()->args[0].value)));
}

}  // namespace
