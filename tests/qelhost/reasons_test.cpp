// Every call that gives no value says why, in the function's own terms:
// the marked argument's rule, or for COMPOUND, MORT and SAVING the meaning
// of their solver's error word on the same inputs.
#include "qelhost/runner.h"

namespace qelhost_test {
namespace {

using Reasons = QelhostRun;

TEST_F(Reasons, EvalSaysWhyEachCallGaveNoValue) {
    // The figures in the reasons follow from the inputs: MORT's first
    // interest is amount * rate (100000 * 0.005 = 500); 100 * 360 = 36000.
    const struct {
        const char* call;
        const char* reason;
    } cases[] = {
        {"MORT(100000, 400, 0.005, .)",
         "the payment 400 does not exceed the interest 500 of the first period: the loan is never repaid"},
        {"MORT(1, ., ., 12)", "exactly one argument must be missing, 2 are"},
        {"MORT(1, 2, 3, 4)", "exactly one argument must be missing, none is"},
        {"MORT(1000, ., 0.01, 0)", "the number of payments 0 above 0"},
        {"MORT(50000, 100, ., 360)", "add up to 36000, less than the amount 50000"},
        {"MORT(0, 100, ., 12)", "to compute the rate the amount 0, the payment 100"},
        {"MORT(1000, 100, -1, .)", "to compute the number of payments"},
        {"COMPOUND(100, 200, 0, .)", "to compute the periods"},
        {"COMPOUND(0, 100, ., 10)", "to compute the rate the initial amount 0"},
        {"COMPOUND(., ., 0.05, 10)", "exactly one argument must be missing, 2 are"},
        {"SAVING(1000, 100, 0, .)", "to compute the periods"},
        {"SAVING(1000, ., -0.9999999, 10)", "to compute the payment the rate -0.9999999"},
        {"DEPSL(1, 1000, 0)", "argument 3 (life) marked invalid: the life is 0; the life must be at least"},
        {"DEPDB(1, ., 5, 2)", "argument 2 (value) marked invalid: the value is missing; DEPDB needs it"},
        {"DEPDB(1, 1000, 5, 0)", "the rate factor is 0; the rate factor must be above 0"},
        {"DACCDBSL(1.5, 1000, 5, 2)", "the period is 1.5; the period must be a whole number"},
        {"DEPSYD(1, 1e200, 5)", "the value is 1e+200; the value must be at most"},
        {"DEPTAB(1, 1000, 0.5, .)", "argument 4 (table entry 2) marked invalid: the table entry 2 is missing"},
        {"DEPTAB(1, 1000, 0.6, 0.6)", "one of these: no table entries, an entry below 0"},
        {"NPV(5, -1, 100)", "argument 2 (frequency) marked invalid: the frequency is -1; the frequency must not"},
        {"IRR(1, 100, 200)", "one of these: fewer than two cash flows"},
    };
    for (const auto& c : cases) {
        const Outcome o = qelhost({"eval", c.call});
        EXPECT_EQ(o.status, 0) << c.call << o.err;
        EXPECT_NE(o.out.find("STATUS_"), std::string::npos) << c.call << "\n" << o.out;
        EXPECT_NE(o.out.find(c.reason), std::string::npos) << c.call << "\n" << o.out;
    }
}

TEST_F(Reasons, JsonCarriesTheReasonAndNullForAValue) {
    const Outcome o = qelhost({"eval", "--json", "MORT(1, ., ., 12)", "MORT(1000, ., 0.01, 12)"});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto lines = lines_of(o.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find(R"("reason":"exactly one argument must be missing, 2 are")"), std::string::npos);
    EXPECT_NE(lines[1].find(R"("status_name":"OK","reason":null)"), std::string::npos) << lines[1];
}

TEST_F(Reasons, RunSummaryNamesTheFirstRowsOfEachKind) {
    // A missing input (rows 2, 4, 5, 6) is told apart from a payment too
    // small (row 3); the rows of a kind are named up to three, then "...".
    const fs::path in = file("kinds.csv",
                             "amount,payment,rate\n1000,100,0.01\n1000,,0.01\n100000,400,0.005\n"
                             "1000,,0.01\n,100,0.01\n1000,100,\n");
    const Outcome o = qelhost({"run", in.string(), "-c", "n = MORT(amount, payment, rate, .)"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.err.find("    STATUS_INVALID_ARGS in 4 rows (2, 4, 5, ...): exactly one argument must be "
                         "missing, 2 are\n"),
              std::string::npos)
        << o.err;
    EXPECT_NE(o.err.find("    STATUS_INVALID_ARGS in 1 row (3): the payment 400 does not exceed the interest 500"),
              std::string::npos)
        << o.err;
}

}  // namespace
}  // namespace qelhost_test
