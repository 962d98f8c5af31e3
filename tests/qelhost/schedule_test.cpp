// qelhost schedule: an amortization schedule and a depreciation table for
// every depreciation function, as CSV or JSON lines, with a totals line;
// a call the module refuses ends with its reason and exit status 2.
#include "qelhost/runner.h"

#include <cmath>
#include <cstdlib>

namespace qelhost_test {
namespace {

using Schedule = QelhostRun;

std::vector<std::vector<double>> numbers(const std::string& csv) {
    std::vector<std::vector<double>> rows;
    for (const std::string& line : lines_of(csv)) {
        std::vector<double> row;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) row.push_back(cell.empty() ? NAN : std::atof(cell.c_str()));
        rows.push_back(row);
    }
    return rows;
}

TEST_F(Schedule, LoanScheduleRepaysTheLoan) {
    // 1000 at 1 % a month over 12 months: the first interest is 10, the
    // balance ends at 0 and the principals add up to the loan.
    const Outcome o = qelhost({"schedule", "MORT(1000, ., 0.01, 12)"});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto lines = lines_of(o.out);
    ASSERT_EQ(lines.size(), 14u) << o.out;
    EXPECT_EQ(lines[0], "period,payment,interest,principal,balance");
    const auto rows = numbers(o.out);
    double balance = 1000;
    for (size_t k = 1; k <= 12; ++k) {
        EXPECT_EQ(rows[k][0], static_cast<double>(k));
        EXPECT_NEAR(rows[k][2], balance * 0.01, 1e-9) << k;  // interest on the balance before
        EXPECT_NEAR(rows[k][2] + rows[k][3], rows[k][1], 1e-9);
        balance = rows[k][4];
    }
    EXPECT_NEAR(balance, 0.0, 1e-9);
    EXPECT_EQ(lines[13].rfind("total,", 0), 0u);
    EXPECT_NEAR(numbers(lines[13]).at(0).at(3), 1000.0, 1e-9);
    // Any one of the four may be the one computed: the same schedule.
    const Outcome by_amount = qelhost({"schedule", "MORT(., 88.84878867834169, 0.01, 12)", "--precision", "2"});
    EXPECT_EQ(lines_of(by_amount.out).at(12), "12,88.85,0.88,87.97,0.00");
}

TEST_F(Schedule, DepreciationTableForEveryMethod) {
    // Value 1000, life 5 (rate factor 2): figures worked by hand from each
    // method's definition; the last column is the book value.  A DACC name
    // gives the table of its pair.
    const struct { const char* call; std::vector<double> depreciation; } cases[] = {
        {"DEPSL(., 1000, 5)", {200, 200, 200, 200, 200}},
        {"DEPSYD(., 1500, 5)", {500, 400, 300, 200, 100}},
        {"DEPDB(., 1000, 5, 2)", {400, 240, 144, 86.4, 51.84}},
        {"DEPDBSL(., 1000, 5, 2)", {400, 240, 144, 108, 108}},
        {"DACCDBSL(., 1000, 5, 2)", {400, 240, 144, 108, 108}},
        {"DEPTAB(., 1000, 0.4, 0.3, 0.2, 0.1)", {400, 300, 200, 100}},
    };
    for (const auto& c : cases) {
        const Outcome o = qelhost({"schedule", c.call});
        ASSERT_EQ(o.status, 0) << c.call << o.err;
        const auto rows = numbers(o.out);
        ASSERT_EQ(rows.size(), c.depreciation.size() + 2) << c.call << "\n" << o.out;
        const double value = std::string(c.call).find("1500") != std::string::npos ? 1500 : 1000;
        double accumulated = 0;
        for (size_t k = 0; k < c.depreciation.size(); ++k) {
            accumulated += c.depreciation[k];
            EXPECT_NEAR(rows[k + 1][1], c.depreciation[k], 1e-9) << c.call << " period " << k + 1;
            EXPECT_NEAR(rows[k + 1][2], accumulated, 1e-9) << c.call;
            EXPECT_NEAR(rows[k + 1][3], value - accumulated, 1e-9) << c.call;
        }
        EXPECT_NEAR(rows.back()[1], accumulated, 1e-9) << c.call;  // the totals line
    }
}

TEST_F(Schedule, JsonAndRefusals) {
    const Outcome j = qelhost({"schedule", "DEPSL(., 1000, 2)", "--json"});
    const std::vector<std::string> expected = {
        R"({"period":1,"depreciation":500,"accumulated":500,"book_value":500})",
        R"({"period":2,"depreciation":500,"accumulated":1000,"book_value":0})",
        R"({"period":"total","depreciation":1000,"accumulated":1000,"book_value":0})",
    };
    EXPECT_EQ(lines_of(j.out), expected);
    const struct { const char* call; const char* message; } refused[] = {
        {"MORT(100000, 400, 0.005, .)", "the payment 400 does not exceed the interest 500"},
        {"MORT(1000, ., 0.01, 200000)", "from 1 to 100000 payments"},
        {"DEPSL(1, 1000, 5)", "leave the period missing"},
        {"NPV(5, 1, 100)", "schedule takes one call of MORT or of a depreciation function"},
    };
    for (const auto& c : refused) {
        const Outcome o = qelhost({"schedule", c.call, "--decimals", "2"});
        EXPECT_EQ(o.status, 2) << c.call;
        EXPECT_EQ(o.out, "") << c.call;
        EXPECT_HAS(o.err, c.message);
    }
}

TEST_F(Schedule, BankStyleAndEveryRate) {
    // A given payment runs until the loan is paid: ceil(n) rows, the last
    // payment smaller, the balance at 0.00.
    const Outcome n = qelhost({"eval", "MORT(250000, 1300, 0.045/12, .)"});
    const double periods = std::atof(n.out.substr(n.out.find("= ") + 2).c_str());
    const Outcome o = qelhost({"schedule", "MORT(250000, 1300, 0.045/12, .)", "--decimals", "2"});
    const auto rows = numbers(o.out);
    ASSERT_EQ(rows.size(), static_cast<size_t>(std::ceil(periods)) + 2) << o.err;
    EXPECT_LT(rows[rows.size() - 2][1], 1300);
    EXPECT_HAS(lines_of(o.out).at(rows.size() - 2), ",0.00");
    // IRR(1, -100, 230, -132) is -100 (1 - 1.1 v)(1 - 1.2 v): 10 % and 20 %.
    const Outcome r = qelhost({"rates", "IRR(1, -100, 230, -132)"});
    const auto rates = numbers(r.out);
    ASSERT_EQ(rates.size(), 2u) << r.out << r.err;
    EXPECT_NEAR(rates[0][0], 10, 1e-12);
    EXPECT_NEAR(rates[1][0], 20, 1e-12);
    EXPECT_HAS(qelhost({"eval", "--json", "INTRR(1, -100, 230, -132)"}).out, "\"rates\":[");
    EXPECT_EQ(qelhost({"rates", "NPV(5, 1, 100)"}).status, 2);
}

}  // namespace
}  // namespace qelhost_test
