// Per-row status in qelhost run: --status NAME adds NAME_status ("ok", the
// status and its reason, or "missing"), --errors FILE one CSV row per call
// that gave no value; neither changes a figure.
#include "qelhost/runner.h"

namespace qelhost_test {
namespace {

using RowStatus = QelhostRun;

const std::string kLoans =
    "loan,amount,rate,term\n"
    "A,1000,0.01,12\n"   // a payment
    "B,1000,,12\n"       // a missing rate: two arguments missing
    "C,1000,0.01,0\n"    // no payments to spread the loan over
    "D,1000,0.01,12\n";

TEST_F(RowStatus, StatusColumnSaysWhyPerRow) {
    const fs::path in = file("status.csv", kLoans);
    const std::vector<std::string> computes = {"run", in.string(), "-c", "p = MORT(amount, ., rate, term)", "-c",
                                               "twice = p * 2"};
    const Outcome plain = qelhost(computes);
    std::vector<std::string> args = computes;
    args.insert(args.end(), {"--status", "p", "--status", "twice"});
    const Outcome o = qelhost(args);
    ASSERT_EQ(o.status, 0) << o.err;
    const auto lines = lines_of(o.out), before = lines_of(plain.out);
    ASSERT_EQ(lines.size(), 5u) << o.out;
    EXPECT_EQ(lines[0], "loan,amount,rate,term,p,twice,p_status,twice_status");
    const struct {
        size_t line;
        const char* statuses;  // of p and of twice
    } rows[] = {
        {1, ",ok,ok"},
        {2, ",\"STATUS_INVALID_ARGS: exactly one argument must be missing, 2 are\",missing"},
        {3, ",STATUS_INVALID_ARGS: to compute the payment the rate 0.01 must be above -1 and the number of "
            "payments 0 above 0,missing"},
        {4, ",ok,ok"},
    };
    for (const auto& r : rows) {
        // The figures are those of the run without --status.
        const std::string& line = lines[r.line];
        EXPECT_EQ(line, before[r.line] + r.statuses);
    }
}

TEST_F(RowStatus, ErrorsFileHasOneRowPerRefusal) {
    const fs::path in = file("errors.csv", kLoans);
    const fs::path errors = dir_ / "refusals.csv";
    const Outcome o = qelhost({"run", in.string(), "-c", "p = MORT(amount, ., rate, term)", "-c",
                               "d = DEPSL(1, amount, term)", "--errors", errors.string()});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto lines = lines_of(slurp(errors));
    const std::vector<std::string> expected = {
        "row,column,call,status,marked,reason",
        "2,p,\"MORT(amount, ., rate, term)\",STATUS_INVALID_ARGS,,\"exactly one argument must be missing, 2 are\"",
        "3,p,\"MORT(amount, ., rate, term)\",STATUS_INVALID_ARGS,,to compute the payment the rate 0.01 must be "
        "above -1 and the number of payments 0 above 0",
        "3,d,\"DEPSL(1, amount, term)\",STATUS_INVALID_ARGS,argument 3 (life),the life is 0; the life must be at "
        "least 1.491668147e-154 (a zero or negative life has no straight line)",
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(RowStatus, BadRequestsEndWithStatusTwoAndLeaveFilesAlone) {
    const fs::path in = file("bad.csv", kLoans);
    const fs::path kept = file("kept.csv", "old\n");
    const struct {
        std::vector<std::string> extra;
        const char* message;
    } cases[] = {
        {{"--status", "pay"}, "--status pay: no column of that name is computed (did you mean p?)"},
        {{"--errors", (dir_ / "no-such-folder" / "e.csv").string()}, "no-such-folder"},
        {{"--status", "amount", "--errors", kept.string()}, "--status amount"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"run", in.string(), "-c", "p = MORT(amount, ., rate, term)"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const Outcome o = qelhost(args);
        EXPECT_EQ(o.status, 2) << c.message;
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
        EXPECT_EQ(slurp(kept), "old\n");
    }
}

}  // namespace
}  // namespace qelhost_test
