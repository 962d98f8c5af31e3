// Properties over random assets, for every method: the depreciation of a
// period is the difference of the accumulated depreciation at its ends, the
// accumulated depreciation agrees with a long double computation of the
// method written period by period, and it reaches the value at the end of
// the life where the method writes the asset off.
#include "depreciation/depreciation_test.h"

#include <algorithm>
#include <functional>
#include <random>

namespace deptest {
namespace {

using ArgsAt = std::function<std::vector<Arg>(double p)>;
constexpr int kAssets = 150;

double uniform(std::mt19937_64& g, double a, double b) { return std::uniform_real_distribution<double>(a, b)(g); }
int whole(std::mt19937_64& g, int a, int b) { return std::uniform_int_distribution<int>(a, b)(g); }

// DEP(p) against DACC(p) - DACC(p - 1), DACC(p) against fraction * v.
void expect_consistent(std::string_view acc, std::string_view dep, const ArgsAt& args, double p, double v,
                       long double fraction) {
    const double now = value(acc, args(p)), before = value(acc, args(p - 1)), period = value(dep, args(p));
    EXPECT_NEAR(period, now - before, 1e-12 * std::fabs(v)) << dep << " at period " << p;
    EXPECT_NEAR(now, static_cast<double>(fraction * v), 1e-11 * std::fabs(v)) << acc << " at period " << p;
}

// Declining balance: each whole period takes f of the book value, a part
// period accrues linearly, and nothing is left once f * x reaches 1 with f >= 1.
long double declining_balance(long double x, long double y, long double r) {
    const long double f = r / y;
    if (x <= 0) return 0;
    if (f >= 1 && x * f >= 1) return 1;
    long double book = 1;
    for (; x >= 1; x -= 1) book -= f * book;
    return 1 - book + f * book * x;
}

// Switch method for rate factors of at least 1: declining balance until
// straight line over the remaining periods gives strictly more.
long double declining_balance_switch(int x, int y, long double r) {
    const long double f = r / y;
    long double book = 1, straight = 0;
    for (int k = 1; k <= std::min(x, y); ++k) {
        const long double remaining = book / (y - k + 1);
        if (straight == 0 && remaining > f * book * (1 + 1e-9L)) straight = remaining;
        book -= straight != 0 ? straight : std::min(f * book, book);
    }
    return 1 - book;
}

// Sum-of-years'-digits by adding the weights of the periods one by one.
long double sum_of_years_digits(long double x, long double y) {
    auto elapsed = [y](long double t) {
        long double w = 0;
        for (long double k = 0; k < t; k += 1) w += (y - k) * std::min(1.0L, t - k);  // weight per unit time y - k
        return w;
    };
    return std::clamp(x, 0.0L, y) == 0 ? 0 : elapsed(std::min(x, y)) / elapsed(y);
}

long double table_fraction(long double x, const std::vector<double>& t) {
    long double g = 0;
    for (size_t j = 0; j < t.size() && x > j; ++j) g += t[j] * std::min(1.0L, x - j);
    return g;
}

TEST(ScheduleProperties, DecliningBalance) {
    std::mt19937_64 g(11);
    for (int i = 0; i < kAssets; ++i) {
        const double y = uniform(g, 0.5, 30), r = uniform(g, 0.1, 3), v = uniform(g, -1e6, 1e6);
        const double p = uniform(g, -1, 1.5 * y + 2);
        const ArgsAt args = [&](double x) { return std::vector<Arg>{x, v, y, r}; };
        if (r == y && p > 0 && p < 2) continue;  // 0^0
        expect_consistent("DACCDB", "DEPDB", args, p, v, declining_balance(p, y, r));
        if (r >= y && p * (r / y) >= 1) {
            EXPECT_EQ(value("DACCDB", args(p)), v);
        }
    }
}

TEST(ScheduleProperties, DecliningBalanceSwitchWritesOffOverTheLife) {
    std::mt19937_64 g(12);
    for (int i = 0; i < kAssets; ++i) {
        const int y = whole(g, 3, 40), p = whole(g, 1, y + 2);
        const double r = uniform(g, 1, 3), v = uniform(g, -1e6, 1e6);
        const ArgsAt args = [&](double x) { return std::vector<Arg>{x, v, y, r}; };
        expect_consistent("DACCDBSL", "DEPDBSL", args, p, v, declining_balance_switch(p, y, r));
        EXPECT_EQ(value("DACCDBSL", args(y)), v);
        double total = 0;
        for (int k = 1; k <= y + 1; ++k) total += value("DEPDBSL", args(k));
        EXPECT_NEAR(total, v, 1e-12 * y * std::fabs(v));
    }
}

TEST(ScheduleProperties, StraightLineAndSumOfYearsDigitsWriteOffOverTheLife) {
    std::mt19937_64 g(13);
    for (int i = 0; i < kAssets; ++i) {
        const double y = uniform(g, 0.2, 25), v = uniform(g, -1e6, 1e6), p = uniform(g, -1, y + 2);
        const ArgsAt args = [&](double x) { return std::vector<Arg>{x, v, y}; };
        expect_consistent("DACCSL", "DEPSL", args, p, v, std::clamp<long double>(p / (long double)y, 0, 1));
        expect_consistent("DACCSYD", "DEPSYD", args, p, v, sum_of_years_digits(p, y));
        for (const char* acc : {"DACCSL", "DACCSYD"}) {
            EXPECT_EQ(value(acc, args(y)), v) << acc;
            EXPECT_EQ(value(acc, args(y + 1)), v) << acc;
        }
    }
}

TEST(ScheduleProperties, TableSummingToOneWritesOffOverTheTable) {
    std::mt19937_64 g(14);
    for (int i = 0; i < kAssets; ++i) {
        std::vector<double> t(whole(g, 1, 12));
        long double sum = 0;
        for (double& x : t) sum += x = uniform(g, 0, 1);
        for (double& x : t) x = static_cast<double>(x / sum);
        const double v = uniform(g, -1e6, 1e6), p = uniform(g, -1, t.size() + 2.0);
        const ArgsAt args = [&](double x) {
            std::vector<Arg> a{x, v};
            a.insert(a.end(), t.begin(), t.end());
            return a;
        };
        expect_consistent("DACCTAB", "DEPTAB", args, p, v, table_fraction(p, t));
        EXPECT_NEAR(value("DACCTAB", args(t.size())), v, 1e-13 * t.size() * std::fabs(v));
        EXPECT_EQ(value("DACCTAB", args(t.size() + 0.5)), value("DACCTAB", args(t.size())));
    }
}

}  // namespace
}  // namespace deptest
