// Every call that gives no value says why, in the function's own terms: in
// eval, in the run summary, per row with --status NAME (adding NAME_status)
// and in the --errors file (one CSV row per refusal); none changes a figure.
#include "qelhost/runner.h"

namespace qelhost_test {
namespace {

using Reasons = QelhostRun;

const std::string kLoans =
    "loan,amount,rate,term\n"
    "A,1000,0.01,12\n"   // a payment
    "B,1000,,12\n"       // a missing rate: two arguments missing
    "C,1000,0.01,0\n"    // no payments to spread the loan over
    "D,1000,0.01,12\n";

TEST_F(Reasons, EvalSaysWhyEachCallGaveNoValue) {
    // The figures in the reasons follow from the inputs: MORT's first
    // interest is amount * rate (100000 * 0.005 = 500); 100 * 360 = 36000.
    const struct { const char* call; const char* reason; } cases[] = {
        {"MORT(100000, 400, 0.005, .)",
         "the payment 400 does not exceed the interest 500 of the first period: the loan is never repaid"},
        {"MORT(1, 2, 3, 4)", "exactly one argument must be missing, none is"},
        {"MORT(50000, 100, ., 360)", "add up to 36000, less than the amount 50000"},
        {"MORT(0, 100, ., 12)", "to compute the rate, the amount must be above 0; it is 0"},
        {"COMPOUND(100, 200, 0, .)", "to compute the periods, the rate must be above 0; it is 0"},
        {"COMPOUND(0, 100, ., 10)", "to compute the rate, the initial must be above 0; it is 0"},
        {"SAVING(1000, ., -0.9999999, 10)", "to compute the payment, the rate must be above -0.9999999"},
        {"DEPSL(1, 1000, 0)", ": STATUS_INVALID_ARGS (0x1D804), argument 3 (life) marked invalid: the life is 0; "
                              "the life must be above 0"},
        {"DEPSL(1, 1000, 1e-200)", "the life is 1e-200; the life must be at least 1.491668147e-154"},
        {"DEPDB(1, ., 5, 2)", "argument 2 (value) marked invalid: the value is missing; DEPDB needs it"},
        {"DACCDBSL(1.5, 1000, 5, 2)", "the period is 1.5; the period must be a whole number"},
        {"DEPTAB(1, 1000, 0.5, .)", "argument 4 (fractions[2]) marked invalid: the fractions[2] is missing"},
        {"DEPTAB(1, 1000, 0.6, 0.6)", "one of these: no fractions, an entry below 0"},
        {"NPV(5, -1, 100)", "argument 2 (freq) marked invalid: the freq is -1; the freq must not"},
        {"IRR(1, 100, 50)", "the cash flows do not change sign"},
        {"IRR(1, -100)", "IRR needs at least two cash flows, 1 given"},
        {"INTRR(1, 0, .)", "every cash flow is 0 or missing"},
        {"NPV(-1, 1, -100, 60)", "the rate is -1; the rate must not be negative"},
        {"NETPV(0.1, 1)", "there are no cash flows"},
        {"NPV(5, 1, ., 1e200, 2)", "the flows[2] is 1e+200"},
    };
    for (const auto& c : cases) {
        const Outcome o = qelhost({"eval", c.call});
        EXPECT_EQ(o.status, 0) << c.call << o.err;
        EXPECT_EQ(o.out.rfind(std::string(c.call) + " = .\n  " + c.call + ": STATUS_", 0), 0u) << o.out;
        EXPECT_HAS(o.out, c.reason);
    }
}

TEST_F(Reasons, RunSummaryNamesTheFirstRowsOfEachKind) {
    // A missing input (rows 2, 4, 5, 6) is told apart from a payment too
    // small (row 3); the rows of a kind are named up to three, then "...".
    const fs::path in = file("kinds.csv",
                             "amount,payment,rate\n1000,100,0.01\n1000,,0.01\n100000,400,0.005\n"
                             "1000,,0.01\n,100,0.01\n1000,100,\n");
    const Outcome o = qelhost({"run", in.string(), "-c", "n = MORT(amount, payment, rate, .)"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_HAS(o.err, "    STATUS_INVALID_ARGS in 4 rows (2, 4, 5, ...): exactly one argument must be "
                         "missing, 2 are\n");
    EXPECT_HAS(o.err, "    STATUS_INVALID_ARGS in 1 row (3): the payment 400 does not exceed the interest 500");
}

TEST_F(Reasons, StatusColumnAndErrorsFile) {
    const fs::path in = file("status.csv", kLoans), errors = dir_ / "refusals.csv";
    const std::vector<std::string> computes = {"run", in.string(), "-c", "p = MORT(amount, ., rate, term)", "-c",
                                               "d = DEPSL(1, amount, term)", "-c", "twice = p * 2"};
    const Outcome plain = qelhost(computes);
    std::vector<std::string> args = computes;
    args.insert(args.end(), {"--status", "p", "--status", "d", "--status", "twice", "--errors", errors.string()});
    const Outcome o = qelhost(args);
    ASSERT_EQ(o.status, 0) << o.err;
    const auto lines = lines_of(o.out), before = lines_of(plain.out);
    ASSERT_EQ(lines.size(), 5u) << o.out;
    EXPECT_EQ(lines[0], before[0] + ",p_status,d_status,twice_status");
    const std::string payments_zero = "to compute the payment, the periods must be above 0; it is 0";
    const std::string life_zero = "the life is 0; the life must be above 0";
    // The figures are those of the run without --status.
    const std::string statuses[] = {
        ",ok,ok,ok", ",\"STATUS_INVALID_ARGS: exactly one argument must be missing, 2 are\",ok,missing",
        ",\"STATUS_INVALID_ARGS: " + payments_zero + "\",STATUS_INVALID_ARGS: " + life_zero + ",missing",
        ",ok,ok,ok"};
    for (size_t r = 1; r < 5; ++r) EXPECT_EQ(lines[r], before[r] + statuses[r - 1]);
    const std::vector<std::string> expected = {
        "row,column,call,status,marked,reason",
        "2,p,\"MORT(amount, ., rate, term)\",STATUS_INVALID_ARGS,,\"exactly one argument must be missing, 2 are\"",
        "3,p,\"MORT(amount, ., rate, term)\",STATUS_INVALID_ARGS,,\"" + payments_zero + "\"",
        "3,d,\"DEPSL(1, amount, term)\",STATUS_INVALID_ARGS,argument 3 (life)," + life_zero,
    };
    EXPECT_EQ(lines_of(slurp(errors)), expected);
}

TEST_F(Reasons, BadRequestsEndWithStatusTwoAndLeaveFilesAlone) {
    const fs::path in = file("bad.csv", kLoans);
    const fs::path kept = file("kept.csv", "old\n");
    const struct { std::vector<std::string> extra; const char* message; } cases[] = {
        {{"--status", "pay"}, "--status pay: no column of that name is computed (did you mean p?)"},
        {{"--errors", (dir_ / "no-such-folder" / "e.csv").string()}, "no-such-folder"},
        {{"--status", "amount", "--errors", kept.string()}, "--status amount"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"run", in.string(), "-c", "p = MORT(amount, ., rate, term)"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const Outcome o = qelhost(args);
        EXPECT_EQ(o.status, 2) << c.message;
        EXPECT_HAS(o.err, c.message);
        EXPECT_EQ(slurp(kept), "old\n");
    }
}

}  // namespace
}  // namespace qelhost_test
