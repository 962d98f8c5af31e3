// Schedules: unrounded loans follow the closed form of the balance; bank-
// style loans keep every rounding rule and end at exactly 0; a given payment
// runs until the loan is paid; rounded depreciation adds up.
#include "host/decimals.h"
#include "host/schedule.h"
#include "host/standin/standin.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace qelfin;
using host::round_decimals;

class Schedules : public ::testing::Test {
protected:
    standin::Host standin;
    host::Module module{standin};
    double mort(double a, double p, double r, double n) { return module.call("MORT", {a, p, r, n}).value; }
};

TEST_F(Schedules, LoansUnroundedAndBankStyle) {
    const struct {
        double amount, payment, rate, periods;
        int decimals;
    } cases[] = {
        {250000, NAN, 0.045 / 12, 360, -1}, {250000, NAN, 0.045 / 12, 360, 2}, {250000, 1300, 0.045 / 12, NAN, -1},
        {250000, 1300, 0.045 / 12, NAN, 2}, {1000, NAN, 0.01, 12, 0},          {5000, NAN, 0.0, 10, 2},
        {-1000, NAN, 0.01, 12, 2},          {1000, NAN, -0.01, 12, 2},  // the lender's side; a negative rate
    };
    for (const auto& c : cases) {
        const double args[] = {c.amount, c.payment, c.rate, c.periods};
        const host::Schedule s = host::loan_schedule(module, args, c.decimals);
        const double payment = std::isnan(c.payment) ? mort(c.amount, NAN, c.rate, c.periods) : c.payment;
        const double periods = std::isnan(c.periods) ? mort(c.amount, c.payment, c.rate, NAN) : c.periods;
        const int d = c.decimals;
        SCOPED_TRACE(testing::Message() << c.amount << " " << payment << " " << periods << " decimals " << d);
        ASSERT_EQ(s.rows.size(), static_cast<size_t>(std::ceil(periods)));
        double balance = d < 0 ? c.amount : round_decimals(c.amount, d), principal = 0;
        for (size_t k = 0; k < s.rows.size(); ++k) {
            const auto& row = s.rows[k];  // period, payment, interest, principal, balance
            const bool last = k + 1 == s.rows.size();
            if (d < 0) {
                // B(k) = A (1+r)^k - P ((1+r)^k - 1) / r, the last payment B(n-1) (1 + r).
                const double g = std::pow(1 + c.rate, static_cast<double>(k + 1));
                const double closed = c.rate == 0 ? c.amount - payment * double(k + 1)
                                                  : c.amount * g - payment * (g - 1) / c.rate;
                EXPECT_NEAR(row[4], last ? 0 : closed, 1e-9 * std::fabs(c.amount)) << k;
                EXPECT_NEAR(row[1], last && periods != std::floor(periods) ? balance * (1 + c.rate) : payment, 1e-9);
                EXPECT_NEAR(row[2] + row[3], row[1], 1e-9);
            } else {
                EXPECT_EQ(row[2], round_decimals(balance * c.rate, d)) << k;
                EXPECT_EQ(row[1], last ? round_decimals(balance + row[2], d) : round_decimals(payment, d)) << k;
                EXPECT_EQ(row[3], last ? balance : round_decimals(row[1] - row[2], d)) << k;
                EXPECT_EQ(row[4], last ? 0.0 : round_decimals(balance - row[3], d)) << k;
            }
            balance = row[4];
            principal += row[3];
        }
        EXPECT_EQ(balance, 0.0);
        EXPECT_NEAR(principal, c.amount, 1e-9 * std::fabs(c.amount));
        EXPECT_NEAR(s.totals[3], c.amount, 1e-9 * std::fabs(c.amount));
    }
    const double never[] = {100000, 400, 0.005, NAN};
    EXPECT_THROW(host::loan_schedule(module, never, 2), host::ScheduleError);
}

TEST_F(Schedules, DepreciationRoundedAddsUp) {
    const double db[] = {50000, 7, 2}, tab[] = {1000, 0.333, 0.3331, 0.3339};
    const struct {
        const char *method, *accumulated;
        std::span<const double> args;
    } cases[] = {{"DB", "DACCDB", db}, {"dacctab", "DACCTAB", tab}};
    for (const auto& [method, accumulated_name, args] : cases) {
        const host::Schedule s = host::depreciation_schedule(module, method, args, 2);
        double sum = 0;
        for (size_t k = 0; k < s.rows.size(); ++k) {
            std::vector<host::Arg> call{double(k + 1)};
            call.insert(call.end(), args.begin(), args.end());
            const double accumulated = module.call(accumulated_name, call).value;
            EXPECT_EQ(s.rows[k][2], round_decimals(accumulated, 2)) << method << k;
            sum += s.rows[k][1];
            EXPECT_EQ(round_decimals(sum, 2), s.rows[k][2]) << method << k;
            EXPECT_EQ(s.rows[k][3], round_decimals(args[0] - s.rows[k][2], 2));
        }
    }
    const double three[] = {1000, 5, 2};
    EXPECT_THROW(host::depreciation_schedule(module, "SL", three), host::ScheduleError);
}

}  // namespace
