// zvasum, zvamx and vzatl.
#include "numeric/loaded.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace qelfin::test {
namespace {

using Reduce = double (*)(const double*, int32_t);
using AllBytes = int (*)(int, const uint8_t*, int32_t);

Reduce zvasum() { return routine<Reduce>("zvasum"); }
Reduce zvamx() { return routine<Reduce>("zvamx"); }
AllBytes vzatl() { return routine<AllBytes>("vzatl"); }

TEST(Zvasum, SumsMagnitudes) {
    const double x[] = {1, -2, 3};
    EXPECT_EQ(zvasum()(x, 3), 6.0);
    EXPECT_EQ(zvasum()(nullptr, 0), 0.0);
    EXPECT_EQ(zvasum()(nullptr, -5), 0.0);
    // Whole numbers add exactly in any order: every length from 0 to 40
    // covers the partial sums and the tail.
    std::vector<double> v;
    double expected = 0;
    for (int n = 0; n <= 40; ++n) {
        EXPECT_EQ(zvasum()(v.data(), n), expected) << n;
        const double next = (n % 3 == 0 ? -1 : 1) * (n * 7 + 1);
        v.push_back(next);
        expected += std::fabs(next);
    }
}

TEST(Zvamx, LargestMagnitude) {
    const double x[] = {-7, 3};
    EXPECT_EQ(zvamx()(x, 2), 7.0);
    EXPECT_EQ(zvamx()(x + 1, 1), 3.0);
    const double single[] = {-0.5};
    EXPECT_EQ(zvamx()(single, 1), 0.5);
    EXPECT_EQ(zvamx()(nullptr, 0), 0.0);  // reads nothing
    const double late[] = {1, -2, 3, -4, 5, -1e300};
    EXPECT_EQ(zvamx()(late, 6), 1e300);
    EXPECT_EQ(zvamx()(late, 5), 5.0);
}

TEST(Vzatl, AllBytesEqual) {
    const uint8_t blanks[] = {' ', ' ', ' '};
    const uint8_t letter[] = {' ', ' ', 'a'};
    EXPECT_EQ(vzatl()(32, nullptr, 0), 1);
    EXPECT_EQ(vzatl()(32, nullptr, -1), 1);
    EXPECT_EQ(vzatl()(32, blanks, 3), 1);
    EXPECT_EQ(vzatl()(32, letter, 3), 0);
    EXPECT_EQ(vzatl()(32, letter, 2), 1);
    // Bytes are read unsigned; a c outside 0..255 matches nothing.
    const uint8_t high[] = {0xE9, 0xE9};
    EXPECT_EQ(vzatl()(0xE9, high, 2), 1);
    EXPECT_EQ(vzatl()(-23, high, 2), 0);
    EXPECT_EQ(vzatl()(32 + 256, blanks, 3), 0);
    EXPECT_EQ(vzatl()(32 + 256, blanks, 0), 1);
}

// The scan stops at the first byte that differs: with a length running
// past the end of a two-byte buffer it must not read the third byte (the
// sanitized build would report it).
TEST(Vzatl, StopsAtFirstDifference) {
    auto two = std::make_unique<uint8_t[]>(2);
    two[0] = ' ';
    two[1] = 'x';
    EXPECT_EQ(vzatl()(32, two.get(), 1000), 0);
}

}  // namespace
}  // namespace qelfin::test
