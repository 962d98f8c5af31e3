// Random assets, every method: the depreciation of a period is the difference
// of the accumulated depreciation at its ends; the accumulated depreciation
// agrees with a long double computation written period by period; the asset
// is written off where the method says.
#include "depreciation/depreciation_test.h"

#include <algorithm>
#include <functional>
#include <random>

namespace deptest {
namespace {

using ArgsAt = std::function<std::vector<Arg>(double p)>;
constexpr int kAssets = 150;

struct Random {
    std::mt19937_64 g;
    double operator()(double a, double b) { return std::uniform_real_distribution<double>(a, b)(g); }
    int whole(int a, int b) { return std::uniform_int_distribution<int>(a, b)(g); }
};

// DEP(p) against DACC(p) - DACC(p - 1), DACC(p) against fraction * v.
void expect_consistent(const std::string& pair, const ArgsAt& args, double p, double v, long double fraction) {
    const double now = value("DACC" + pair, args(p)), before = value("DACC" + pair, args(p - 1));
    EXPECT_NEAR(value("DEP" + pair, args(p)), now - before, 1e-12 * std::fabs(v)) << "DEP" << pair << " at " << p;
    EXPECT_NEAR(now, static_cast<double>(fraction * v), 1e-11 * std::fabs(v)) << "DACC" << pair << " at " << p;
}

TEST(ScheduleProperties, DecliningBalance) {
    Random u{std::mt19937_64(11)};
    for (int i = 0; i < kAssets; ++i) {
        const double y = u(0.5, 30), r = u(0.1, 3), v = u(-1e6, 1e6), p = u(-1, 1.5 * y + 2);
        if (r == y && p > 0 && p < 2) continue;  // 0^0
        // Each whole period takes f of the book value, a part period accrues
        // linearly; nothing is left once f x reaches 1 with f >= 1.
        const long double f = static_cast<long double>(r) / y;
        long double book = 1, x = p;
        for (; x >= 1; x -= 1) book -= f * book;
        const long double fraction = p <= 0 ? 0 : (f >= 1 && p * f >= 1 ? 1 : 1 - book + f * book * x);
        expect_consistent("DB", [&](double t) { return std::vector<Arg>{t, v, y, r}; }, p, v, fraction);
    }
}

// Factors of at least 1: declining balance until straight line over the
// remaining periods gives strictly more; written off at the life.
TEST(ScheduleProperties, DecliningBalanceSwitch) {
    Random u{std::mt19937_64(12)};
    for (int i = 0; i < kAssets; ++i) {
        const int y = u.whole(3, 40), p = u.whole(1, y + 2);
        const double r = u(1, 3), v = u(-1e6, 1e6);
        const ArgsAt args = [&](double t) { return std::vector<Arg>{t, v, y, r}; };
        const long double f = static_cast<long double>(r) / y;
        long double book = 1, straight = 0;
        for (int k = 1; k <= std::min(p, y); ++k) {
            const long double remaining = book / (y - k + 1);
            if (straight == 0 && remaining > f * book * (1 + 1e-9L)) straight = remaining;
            book -= straight != 0 ? straight : std::min(f * book, book);
        }
        expect_consistent("DBSL", args, p, v, 1 - book);
        EXPECT_EQ(value("DACCDBSL", args(y)), v);
        double total = 0;
        for (int k = 1; k <= y + 1; ++k) total += value("DEPDBSL", args(k));
        EXPECT_NEAR(total, v, 1e-12 * y * std::fabs(v));
    }
}

// Straight line, and sum-of-years'-digits by adding the weight y - k per unit
// of time of each period k; both written off at the life.
TEST(ScheduleProperties, StraightLineAndSumOfYearsDigits) {
    Random u{std::mt19937_64(13)};
    const auto weight = [](long double t, long double y) {
        long double w = 0;
        for (long double k = 0; k < t; k += 1) w += (y - k) * std::min(1.0L, t - k);
        return w;
    };
    for (int i = 0; i < kAssets; ++i) {
        const double y = u(0.2, 25), v = u(-1e6, 1e6), p = u(-1, y + 2);
        const ArgsAt args = [&](double t) { return std::vector<Arg>{t, v, y}; };
        expect_consistent("SL", args, p, v, std::clamp<long double>(p / static_cast<long double>(y), 0, 1));
        expect_consistent("SYD", args, p, v, p <= 0 ? 0 : weight(std::min(p, y), y) / weight(y, y));
        for (const char* acc : {"DACCSL", "DACCSYD"}) {
            EXPECT_EQ(value(acc, args(y)), v) << acc;
            EXPECT_EQ(value(acc, args(y + 1)), v) << acc;
        }
    }
}

// A table summing to 1: written off over the table, and no further after it.
TEST(ScheduleProperties, Table) {
    Random u{std::mt19937_64(14)};
    for (int i = 0; i < kAssets; ++i) {
        std::vector<double> t(static_cast<size_t>(u.whole(1, 12)));
        long double sum = 0;
        for (double& x : t) sum += x = u(0, 1);
        for (double& x : t) x = static_cast<double>(x / sum);
        const double v = u(-1e6, 1e6), p = u(-1, t.size() + 2.0), m = static_cast<double>(t.size());
        const ArgsAt args = [&](double x) {
            std::vector<Arg> a{x, v};
            a.insert(a.end(), t.begin(), t.end());
            return a;
        };
        long double fraction = 0;
        for (size_t j = 0; j < t.size() && p > j; ++j) fraction += t[j] * std::min<long double>(1, p - j);
        expect_consistent("TAB", args, p, v, fraction);
        EXPECT_NEAR(value("DACCTAB", args(m)), v, 1e-13 * m * std::fabs(v));
        EXPECT_EQ(value("DACCTAB", args(m + 0.5)), value("DACCTAB", args(m)));
    }
}

}  // namespace
}  // namespace deptest
