// Output forms: round(x, n) in expressions, --precision N for eval and run
// (the figure rounded, then written with N decimals), and --json: one object
// per expression or per row, with the full doubles.
#include "qelhost/runner.h"

namespace qelhost_test {
namespace {

using OutputForms = QelhostRun;

TEST_F(OutputForms, RoundWorksOnTheDecimalsAPersonReads) {
    // Half away from zero on the printed decimals: 2.675 is stored just
    // below 2.675, yet reads as 2.675 and rounds as it reads.
    const struct { const char* expression; const char* shown; } cases[] = {
        {"round(2.675, 2)", "2.68"},           {"round(-2.675, 2)", "-2.68"},
        {"round(9999.999999999998, 2)", "10000"}, {"round(0.1 + 0.2, 15)", "0.3"},
        {"round(1250, -2)", "1300"},           {"round(0.0004, 2)", "0"},
        {"round(., 2)", "."},                  {"round(1e300, 2)", "1e+300"},
    };
    for (const auto& c : cases) {
        const Outcome o = qelhost({"eval", c.expression});
        EXPECT_EQ(o.status, 0) << c.expression << o.err;
        EXPECT_EQ(o.out, std::string(c.expression) + " = " + c.shown + "\n");
    }
    for (const char* bad : {"round(1, 2.5)", "round(1, 16)", "round(1)"}) {
        const Outcome o = qelhost({"eval", bad});
        EXPECT_EQ(o.status, 2) << bad;
        EXPECT_EQ(o.out, "") << bad;
    }
}

TEST_F(OutputForms, PrecisionFixesTheDecimalsOfComputedCells) {
    const Outcome e = qelhost({"eval", "--precision", "2", "MORT(50000, ., 0.005, 360)", "10/4", "."});
    EXPECT_EQ(e.out, "MORT(50000, ., 0.005, 360) = 299.78\n10/4 = 2.50\n. = .\n");
    // Input cells stay as they stood; only computed ones are fixed.
    const fs::path in = file("precision.csv", "amount,rate\n1000.5,0.125\n,0.1\n");
    const Outcome o = qelhost({"run", in.string(), "-c", "i = amount * rate", "-c", "rate = rate * 3",
                               "--precision", "3"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "amount,rate,i\n1000.5,0.375,125.063\n,0.300,\n");
    EXPECT_EQ(qelhost({"run", in.string(), "-c", "i = 1", "--precision", "16"}).status, 2);
}

TEST_F(OutputForms, EvalJsonIsOneObjectPerExpression) {
    const Outcome o = qelhost({"eval", "--json", "2*(3+4)", "MORT(1000, ., 0.01, 12)", "MORT(1, ., ., 12)", "1/0"});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto lines = lines_of(o.out);
    ASSERT_EQ(lines.size(), 4u) << o.out;
    EXPECT_EQ(lines[0], R"j({"expression":"2*(3+4)","value":14,"calls":[],"divisions_by_zero":0})j");
    EXPECT_EQ(lines[1].rfind(R"j({"expression":"MORT(1000, ., 0.01, 12)","value":88.848788678341)j", 0), 0u);
    EXPECT_HAS(lines[1], R"j("calls":[{"function":"MORT","call":"MORT(1000, ., 0.01, 12)",)j"
                            R"j("arguments":[1000,null,0.01,12],"status":)j");
    EXPECT_HAS(lines[1], R"j("status_name":"OK","reason":null)j");
    EXPECT_HAS(lines[1], R"j("marked":[],"notes":[]}],"divisions_by_zero":0})j");
    EXPECT_HAS(lines[2], R"j("value":null,)j");
    EXPECT_HAS(lines[2], R"j("reason":"exactly one argument must be missing, 2 are")j");
    EXPECT_EQ(lines[3], R"j({"expression":"1/0","value":null,"calls":[],"divisions_by_zero":1})j");
}

TEST_F(OutputForms, RunJsonIsOneObjectPerRow) {
    const fs::path in = file("rows.json.csv", "id,amount,term\n\"A,1\",1000,12\nB,1000\n");
    const Outcome o = qelhost({"run", in.string(), "-c", "p = MORT(amount, ., 0.01, term)", "--json",
                               "--precision", "2", "--status", "p"});
    ASSERT_EQ(o.status, 0) << o.err;
    const std::vector<std::string> expected = {
        R"({"id":"A,1","amount":"1000","term":"12","p":88.84878867834169,"p_status":"ok"})",
        R"({"id":"B","amount":"1000","term":null,"p":null,)"
        R"("p_status":"STATUS_INVALID_ARGS: exactly one argument must be missing, 2 are"})",
    };
    EXPECT_EQ(lines_of(o.out), expected);
}

}  // namespace
}  // namespace qelhost_test
