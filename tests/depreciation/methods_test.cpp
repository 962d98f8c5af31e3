// The five depreciation pairs: schedules with part periods and periods beyond
// the life, the bounds of every argument at the value and the next double,
// the order of the checks and the argument marked, and the failures that blame
// no argument.
#include "depreciation/depreciation_test.h"

namespace deptest {
namespace {

constexpr double kMinLife = 1.491668147e-154;     // also the smallest switch factor of DBSL
constexpr double kMax = 1.3407807929943e+154;     // DB: largest life and rate factor; SYD: largest value
constexpr double kLimit = 2147483647.0;           // DBSL: life, period and rate factor stay below
constexpr double kMaxPeriod = 9007199254740992.0;  // SYD
constexpr double kMaxLife = 5.643803094122288e+102;  // SYD
constexpr double kUlp = 2.220446049250313e-16;     // 2^-52: TAB's largest sum is 1 + 3 ulps
constexpr double kDenorm = 4.9406564584124654e-324;

struct Figure { std::string_view fn; std::vector<Arg> args; double expected; };  // to a relative 1e-13

std::vector<Figure> figures() {
    std::vector<Figure> f = {
        // Life 5, rate factor 2 (f = 0.4); the balance keeps declining after the life.
        {"DACCDB", {0.5, 1000, 5, 2}, 200}, {"DACCDB", {1.5, 1000, 5, 2}, 520}, {"DACCDB", {6, 1000, 5, 2}, 953.344},
        {"DEPDB", {1.5, 1000, 5, 2}, 320},  {"DEPDB", {6, 1000, 5, 2}, 31.104}, {"DACCDB", {1, -1000, 5, 2}, -400},
        // Rate factor above the life: written off within a period.
        {"DACCDB", {0.25, 1000, 1, 2}, 500}, {"DACCDB", {0.5, 1000, 1, 2}, 1000}, {"DACCDB", {7, 1000, 1, 2}, 1000},
        {"DEPDB", {0.25, 1000, 1, 2}, 500},  {"DEPDB", {0.5, 1000, 1, 2}, 1000},  {"DEPDB", {1, 1000, 1, 2}, 1000},
        {"DEPDB", {1.25, 1000, 1, 2}, 500},  {"DEPDB", {1.5, 1000, 1, 2}, 0},     {"DEPDB", {4, 1000, 1, 2}, 0},
        {"DACCDB", {1, 1000, 5, 5}, 1000},   {"DEPDB", {2.5, 1000, 5, 5}, 0},  // f = 1 outside 0 < x < 1
        {"DACCDB", {1, 1000, kMinLife, 2}, 1000}, {"DACCDB", {1, 1000, kMax, kMax}, 1000},
        {"DEPDB", {1, 1000, 5, kMax}, 1000}, {"DACCDB", {3, 1000, 5, kDenorm}, 0},
        // DBSL, life 10 factor 2 below; life 5 factor 2 switches in period 4, factor 1.5 in period 3.
        {"DEPDBSL", {4, 1000, 5, 2}, 108}, {"DEPDBSL", {5, 1000, 5, 2}, 108}, {"DEPDBSL", {6, 1000, 5, 2}, 0},
        {"DEPDBSL", {1, 1000, 5, 1.5}, 300}, {"DEPDBSL", {2, 1000, 5, 1.5}, 210},
        {"DEPDBSL", {3, 1000, 5, 1.5}, 490.0 / 3}, {"DEPDBSL", {5, 1000, 5, 1.5}, 490.0 / 3},
        {"DEPDBSL", {1, 1000, 10, 1}, 100}, {"DEPDBSL", {10, 1000, 10, 1}, 100},  // straight line: f = 1 / 10
        {"DEPDBSL", {1, 1000, 10, 10}, 1000}, {"DEPDBSL", {2, 1000, 10, 10}, 0}, {"DACCDBSL", {2, 1000, 10, 10}, 1000},
        {"DACCDBSL", {0, 1000, 10, 2}, 0},   {"DACCDBSL", {40, 1000, 10, 2}, 1000},
        // Below the smallest switch factor plain straight line; at it 1 - f rounds to 1 and all is written off.
        {"DACCDBSL", {3, 1000, 10, down(kMinLife)}, 300}, {"DACCDBSL", {3, 1000, 10, kDenorm}, 300},
        {"DACCDBSL", {3, 1000, 10, kMinLife}, 1000},
        // The whole-number test has a tolerance; the value passing it is used as it stands.
        {"DEPDBSL", {1, 1000, 5 + 4e-13, 2}, static_cast<double>(2000.0L / (5 + 4e-13))},
        {"DACCDBSL", {1, 1000, 5 - 4e-13, 2}, static_cast<double>(2000.0L / (5 - 4e-13))},
        {"DACCDBSL", {1, 1000, 4e-13, 2}, 1000}, {"DACCDBSL", {-2147483648.0, 1000, 5, 2}, 0},
        {"DACCDBSL", {kLimit - 1, 1000, 5, 2}, 1000}, {"DACCDBSL", {2, 1000, 5, down(kLimit)}, 1000},
        // SL, life 5 and 4.5; no upper bound on the life.
        {"DACCSL", {2.5, 1000, 5}, 500}, {"DACCSL", {7, 1000, 5}, 1000},  {"DEPSL", {0.5, 1000, 5}, 100},
        {"DEPSL", {5.5, 1000, 5}, 100},  {"DEPSL", {6, 1000, 5}, 0},
        {"DEPSL", {5, 1000, 4.5}, 1000 * 0.5 / 4.5}, {"DEPSL", {5.5, 1000, 4.5}, 0}, {"DACCSL", {4.5, 1000, 4.5}, 1000},
        {"DACCSL", {1, 1000, kMinLife}, 1000}, {"DACCSL", {1, 1000, 1e300}, 1e-297}, {"DEPSL", {1, -1000, 4}, -250},
        // SYD, life 5 (digits total 15) and 4.5 (4.5 + 3.5 + 2.5 + 1.5 + 0.5 * 0.5 = 12.25).
        {"DACCSYD", {2.5, 1500, 5}, 1050}, {"DACCSYD", {9, 1500, 5}, 1500}, {"DEPSYD", {2.5, 1500, 5}, 350},
        {"DEPSYD", {6, 1500, 5}, 0},
        {"DACCSYD", {1, 1000, 4.5}, 1000 * 4.5 / 12.25},  {"DACCSYD", {2, 1000, 4.5}, 1000 * 8 / 12.25},
        {"DACCSYD", {4, 1000, 4.5}, 1000 * 12 / 12.25},   {"DACCSYD", {4.25, 1000, 4.5}, 1000 * 12.125 / 12.25},
        {"DACCSYD", {4.5, 1000, 4.5}, 1000},              {"DEPSYD", {2, 1000, 4.5}, 1000 * 3.5 / 12.25},
        {"DEPSYD", {5, 1000, 4.5}, 1000 * 0.25 / 12.25},  {"DEPSYD", {5.5, 1000, 4.5}, 0},
        {"DACCSYD", {0.5, 1000, 0.5}, 1000}, {"DACCSYD", {0.25, 1000, 0.5}, 500},
        {"DACCSYD", {kMaxPeriod, 1000, 5}, 1000}, {"DACCSYD", {1, kMax, 5}, kMax / 3},
        {"DEPSYD", {1, -kMax, 5}, -kMax / 3},
        {"DACCSYD", {1, 1000, kMinLife}, 1000}, {"DACCSYD", {kMinLife / 2, 1000, kMinLife}, 500},
        {"DACCSYD", {1, 1000, kMaxLife}, static_cast<double>(2000 / (static_cast<long double>(kMaxLife) + 1))},
        // TAB; the sum 0.2 + 0.4 + 0.3 + 0.1 comes to 1.0000000000000002 and passes.
        {"DACCTAB", {1.5, 1000, 0.4, 0.3, 0.2, 0.1}, 550}, {"DACCTAB", {5, 1000, 0.4, 0.3, 0.2, 0.1}, 1000},
        {"DACCTAB", {3, 1000, 0.4}, 400},                  {"DEPTAB", {1.5, 1000, 0.4, 0.3, 0.2, 0.1}, 350},
        {"DEPTAB", {4.5, 1000, 0.4, 0.3, 0.2, 0.1}, 50},   {"DEPTAB", {5, 1000, 0.4, 0.3, 0.2, 0.1}, 0},
        {"DACCTAB", {0.5, 1000, 0.6, 0.6}, 300},          {"DEPTAB", {0.5, 1000, 0.6, 0.6}, 300},  // sum over t(0)
        {"DACCTAB", {4, 1000, 0.2, 0.4, 0.3, 0.1}, 1000}, {"DEPTAB", {4, 1000, 0.2, 0.4, 0.3, 0.1}, 100},
        {"DACCTAB", {2, 1000, 1, 3 * kUlp}, 1000 * (1 + 3 * kUlp)}, {"DEPTAB", {1, 1000, 1, -0.0, 0}, 1000},
    };
    // DBSL, life 10 factor 2: period 6 gives 65.536 either way and stays on
    // the declining balance; the switch comes in period 7.
    const double dep[] = {200, 160, 128, 102.4, 81.92, 65.536, 65.536, 65.536, 65.536, 65.536, 0, 0};
    const double acc[] = {200, 360, 488, 590.4, 672.32, 737.856, 803.392, 868.928, 934.464, 1000, 1000};
    for (int p = 1; p <= 12; ++p) f.push_back({"DEPDBSL", {p, 1000, 10, 2}, dep[p - 1]});
    for (int p = 1; p <= 11; ++p) f.push_back({"DACCDBSL", {p, 1000, 10, 2}, acc[p - 1]});
    // Factor 0.5: T = -7.999999999999, s = -7; the balance 0.95^-8 is spread over 18 periods.
    const long double gross = 1000.0L / powl(0.95L, 8);
    f.push_back({"DACCDBSL", {1, 1000, 10, 0.5}, static_cast<double>(1000 - gross * 9 / 18)});
    for (int p = 2; p <= 10; ++p) f.push_back({"DEPDBSL", {p, 1000, 10, 0.5}, static_cast<double>(gross / 18)});
    return f;
}

TEST(Depreciation, Figures) {
    for (const Figure& f : figures()) {
        SCOPED_TRACE(testing::Message() << f.fn << "(" << f.args[0].number << ", " << f.args[2].number << ", ...)");
        EXPECT_NEAR(value(f.fn, f.args), f.expected, 1e-13 * std::fabs(f.expected) + 1e-300);
    }
    EXPECT_NE(value("DEPDBSL", {1, 1000, 5 + 4e-13, 2}), 400.0);
    EXPECT_EQ(value("DACCDB", {1, kInf, 5, 2}), kInf);  // an infinite value is not missing
    // Period 0 or before: nothing, from every function.
    const std::pair<std::string, std::vector<Arg>> tails[] = {{"DB", {1000, 5, 2}}, {"DBSL", {1000, 10, 2}},
                                                              {"SL", {1000, 5}},    {"SYD", {1500, 5}},
                                                              {"TAB", {1000, 0.5, 0.5}}};
    for (const auto& [pair, tail] : tails)
        for (const char* kind : {"DACC", "DEP"})
            for (const double p : {0.0, -0.5, -kInf}) {
                if (pair == "DBSL" && p != 0) continue;  // not a whole number there
                std::vector<Arg> args{p};
                args.insert(args.end(), tail.begin(), tail.end());
                EXPECT_EQ(value(kind + pair, args), 0.0) << kind << pair << " " << p;
            }
}

// A row names a pair ("DB": DACCDB and DEPDB) or one function.
TEST(Depreciation, RefusalsInTheirOrder) {
    const uint32_t I = STATUS_INVALID_ARGS, R = STATUS_RESULT_MISSING;
    const Arg M = kMissing, Q = kQuietNaN;
    const struct { std::string_view fn; std::vector<Arg> args; uint32_t status; int32_t marked; } refusals[] = {
        {"DB", {M, M, 5, 2}, I, 1}, {"DB", {1, Q, 5, 2}, I, 2}, {"DB", {1, 1000, M, 0}, I, 3},
        {"DB", {1, 1000, 5, M}, I, 4},
        {"DB", {1, M, -5, 0}, I, 2}, {"DB", {1, 1000, -5, 0}, I, 3},  // missing tests, then life, then factor
        {"DB", {1, 1000, down(kMinLife), 2}, I, 3}, {"DB", {1, 1000, up(kMax), 2}, I, 3},
        {"DB", {1, 1000, 5, 0}, I, 4}, {"DB", {1, 1000, 5, up(kMax)}, I, 4},
        {"DACCDB", {0.5, 1000, 5, 5}, R, 0}, {"DEPDB", {0.5, 1000, 5, 5}, R, 0},  // f = 1: 0^0 for 0 < x < 1
        {"DEPDB", {1.5, 1000, 5, 5}, R, 0},
        {"DBSL", {M, M, M, M}, I, 1}, {"DBSL", {1, Q, 5.5, 0}, I, 2}, {"DBSL", {1, 1000, M, 0}, I, 3},
        {"DBSL", {1, 1000, 5, M}, I, 4}, {"DBSL", {M, 1000, 5.5, 2}, I, 1},  // missing tests first,
        {"DBSL", {2.5, 1000, 5.5, 0}, I, 3}, {"DBSL", {2.5, 1000, 5, 0}, I, 1},  // then life, period, factor
        {"DBSL", {1, 1000, 5 + 5e-13, 2}, I, 3}, {"DBSL", {1, 1000, 0, 2}, I, 3}, {"DBSL", {1, 1000, kLimit, 2}, I, 3},
        {"DBSL", {1 + 5e-13, 1000, 5, 2}, I, 1}, {"DBSL", {-1, 1000, 5, 2}, I, 1}, {"DBSL", {kLimit, 1000, 5, 2}, I, 1},
        {"DBSL", {1, 1000, 5, 0}, I, 4}, {"DBSL", {1, 1000, 5, kLimit}, I, 4},
        {"DBSL", {1e-13, 1000, 5, 10}, R, 0},  // f = 2 and a period within the tolerance of 0: (-1)^1e-13
        {"SL", {M, M, M}, I, 1}, {"SL", {1, M, Q}, I, 2}, {"SL", {1, 1000, M}, I, 3}, {"SL", {1, 1000, 0}, I, 3},
        {"SL", {1, 1000, down(kMinLife)}, I, 3}, {"SL", {1, 1000, -kInf}, I, 3},
        {"SYD", {M, M, M}, I, 1}, {"SYD", {up(kMaxPeriod), M, 5}, I, 1},  // period range before value missing
        {"SYD", {kInf, 1000, 5}, I, 1}, {"SYD", {1, Q, M}, I, 2},
        {"SYD", {1, up(kMax), M}, I, 3},  // life missing before value range
        {"SYD", {1, up(kMax), 0}, I, 2}, {"SYD", {1, -up(kMax), 5}, I, 2}, {"SYD", {1, 1000, down(kMinLife)}, I, 3},
        {"SYD", {1, 1000, up(kMaxLife)}, I, 3},
        {"TAB", {M, M, 0.5}, I, 1}, {"TAB", {1, Q, M}, I, 2}, {"TAB", {1, 1000, 0.5, 0.2, M}, I, 5},
        {"TAB", {0, 1000, 0.5, M, 1.5}, I, 4},  // missing before the range check
        {"TAB", {1, 1000}, I, 0},               // no table
        {"TAB", {0, 1000, 0.5, 1.5}, I, 0}, {"TAB", {-1, 1000, 0.5, -0.1}, I, 0},  // every entry, whatever the period
        {"TAB", {1, 1000, 0.5, 0.5, up(1.0)}, I, 0}, {"TAB", {1, 1000, 0.5, 0.5, -kDenorm}, I, 0},
        {"TAB", {1, 1000, 0.6, 0.6}, I, 0},  // the sum covers periods 1 .. floor(p) + 1
        {"TAB", {2, 1000, 1, 4 * kUlp}, I, 0}, {"TAB", {9, 1000, 0.5, 0.3, 0.3}, I, 0},
    };
    for (const auto& c : refusals) {
        const std::string fn(c.fn);
        const bool one = fn.starts_with("DACC") || fn.starts_with("DEP");
        for (const std::string& name : one ? std::vector{fn} : std::vector{"DACC" + fn, "DEP" + fn}) {
            SCOPED_TRACE(testing::Message() << name << "(" << c.args[0].number << ", ...) case " << (&c - refusals));
            const CallResult r = call(name, c.args);
            EXPECT_EQ(r.status, c.status);
            EXPECT_EQ(r.marked, c.marked);
            EXPECT_LE(r.mark_count, 1);
            EXPECT_TRUE(qelfin::test::is_missing_bits(r.value));
        }
    }
}

// The table solvers refuse an empty table or no callback (1), and give
// MISSING with error 0 for a missing period.
TEST(Depreciation, TableSolversOwnRefusals) {
    static const double table[] = {0.5, 0.5};
    const ValueCallback read = [](int32_t i, void*) { return table[i]; };
    for (const char* name : {"zdctab", "zdptab"}) {
        const auto solve = module().symbol<decltype(&zdctab)>(name);
        int32_t err = -7;
        EXPECT_EQ(solve(1, 1000, 2, read, nullptr, &err), 500.0) << name;
        EXPECT_EQ(err, 0);
        const struct {
            double p;
            int32_t m;
            ValueCallback fn;
            int32_t code;
        } cases[] = {{1.0, 0, read, 1}, {1.0, 2, nullptr, 1}, {std::nan(""), 0, read, 0}};
        for (const auto& c : cases) {
            err = -7;
            EXPECT_TRUE(std::isnan(solve(c.p, 1000, c.m, c.fn, nullptr, &err))) << name;
            EXPECT_EQ(err, c.code) << name;
        }
    }
}

// y / r = 1e10: the switch period s is about -9e9, far outside the range of
// a 32-bit integer, and s - 1 goes to the power as a double.
TEST(Depreciation, SwitchPeriodBeyondThe32BitRange) {
    const double y = 1e9, r = 0.1, f = r / y;
    const long double s = std::ceil((2.000000000001 + y) - y / r);
    ASSERT_LT(s, -4e9L);
    const long double fraction = 1 - powl(static_cast<long double>(1.0 - f), s - 1) * (y - 1) / (y + 1 - s);
    EXPECT_NEAR(value("DACCDBSL", {1, 1000, y, r}), static_cast<double>(1000 * fraction), 1e-9);
}

}  // namespace
}  // namespace deptest
