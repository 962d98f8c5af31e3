// End-to-end tests of qelhost: the built binary is run as a user runs it,
// and its standard output, standard error and exit status are checked.
#include "qelhost/runner.h"

#include <cmath>
#include <cstdlib>

namespace {

using namespace qelhost_test;
using Qelhost = QelhostRun;

// The text with every run of blanks and line breaks as one blank, so that
// a phrase is found wherever the reference wraps it.
std::string flattened(const std::string& text) {
    std::string s;
    for (const char c : text) {
        const bool blank = c == ' ' || c == '\n';
        if (!blank || (!s.empty() && s.back() != ' ')) s += blank ? ' ' : c;
    }
    return s;
}

int count_of(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}


// ---------------------------------------------------------------- eval

TEST_F(Qelhost, EvaluatesArithmeticItself) {
    // Precedence, associativity, unary minus, missing values and the
    // shortest round-trip form of each result.
    const struct {
        const char* expression;
        const char* shown;
    } cases[] = {
        {"2*(3+4)", "14"},
        {"2+3*4", "14"},
        {"-(2+3)*4", "-20"},
        {"2-3-4", "-5"},
        {"8/4/2", "1"},
        {"--3", "3"},
        {"-(-3)", "3"},
        {"+-3", "-3"},
        {"0.1+0.2", "0.30000000000000004"},
        {"1/3", "0.3333333333333333"},
        {"1e6", "1000000"},
        {"2.5e-9", "2.5e-09"},
        {".5*.5", "0.25"},
        {".", "."},
        {". + 1", "."},
        {"-.", "."},
        {"2 * (.)", "."},
    };
    for (const auto& c : cases) {
        const Outcome o = qelhost({"eval", c.expression});
        EXPECT_EQ(o.status, 0) << c.expression << "\n" << o.err;
        EXPECT_EQ(o.out, std::string(c.expression) + " = " + c.shown + "\n") << c.expression;
    }
}

TEST_F(Qelhost, DivisionByZeroIsMissingAndSaidSo) {
    const Outcome o = qelhost({"eval", "1/0", "1/(2-2) + 5", "0/4"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out,
              "1/0 = .\n  division by zero: the result is missing\n"
              "1/(2-2) + 5 = .\n  division by zero: the result is missing\n"
              "0/4 = 0\n");
}

TEST_F(Qelhost, FunctionNamesInAnyCaseCallTheSameEntry) {
    const Outcome upper = qelhost({"eval", "MORT(1000, ., 0.01, 12)", "NPV(5, 1, -100, 60, 60)"});
    const Outcome lower = qelhost({"eval", "mort(1000, ., 0.01, 12)", "Npv(5, 1, -100, 60, 60)"});
    ASSERT_EQ(upper.status, 0) << upper.err;
    ASSERT_EQ(lower.status, 0) << lower.err;
    const auto u = lines_of(upper.out), l = lines_of(lower.out);
    ASSERT_EQ(u.size(), l.size());
    for (size_t i = 0; i < u.size(); ++i) {
        // Same value and the same status lines; only the echo differs.
        const std::string ut = u[i].substr(u[i].find(')')), lt = l[i].substr(l[i].find(')'));
        EXPECT_EQ(ut, lt);
    }
}

TEST_F(Qelhost, JsonGivesOneObjectPerExpression) {
    const Outcome o = qelhost({"eval", "--json", "2*(3+4)", "MORT(50000, ., 0.005, 360)", "1/0"});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto lines = lines_of(o.out);
    ASSERT_EQ(lines.size(), 3u) << o.out;
    EXPECT_EQ(lines[0], R"j({"expression":"2*(3+4)","value":14,"calls":[],"divisions_by_zero":0})j");
    EXPECT_EQ(lines[1].rfind(R"j({"expression":"MORT(50000, ., 0.005, 360)","value":)j", 0), 0u) << lines[1];
    EXPECT_NE(lines[1].find(R"j("calls":[{"function":"MORT","call":"MORT(50000, ., 0.005, 360)",)j"
                            R"j("arguments":[50000,null,0.005,360],"status":)j"),
              std::string::npos)
        << lines[1];
    EXPECT_NE(lines[1].find(R"j("marked":[],"notes":[]}],"divisions_by_zero":0})j"), std::string::npos) << lines[1];
    EXPECT_EQ(lines[2], R"j({"expression":"1/0","value":null,"calls":[],"divisions_by_zero":1})j");
}

TEST_F(Qelhost, MortFigure) {
    const Outcome o = qelhost({"eval", "MORT(50000, ., 0.005, 360)"});
    ASSERT_EQ(o.status, 0);
    const std::string prefix = "MORT(50000, ., 0.005, 360) = ";
    ASSERT_EQ(o.out.rfind(prefix, 0), 0u) << o.out;
    const double shown = std::strtod(o.out.c_str() + prefix.size(), nullptr);
    // p = a r / (1 - (1 + r)^-n), in extended precision.
    const long double r = 0.005L;
    const long double expected = 50000.0L * r / (1.0L - std::pow(1.0L + r, -360.0L));
    EXPECT_NEAR(shown, static_cast<double>(expected), 1e-9);
    EXPECT_NEAR(shown, 299.775262576, 1e-9);
}

TEST_F(Qelhost, IrrFigureWithItsNote) {
    const Outcome o = qelhost({"eval", "IRR(1, -100, 230, -132)", "--json"});
    ASSERT_EQ(o.status, 0) << o.err;
    // -100 + 230 v - 132 v^2 = 0 has the roots 1 + r = 1.1 and 1.2; the
    // series changes sign twice, so note 201 comes with the rate found.
    const std::string value_key = R"j("value":)j";
    const double value = std::strtod(o.out.c_str() + o.out.find(value_key) + value_key.size(), nullptr);
    EXPECT_NEAR(value, 10.0, 1e-9) << o.out;
    const std::string note_key = R"j("notes":[{"set":744,"id":201,"rate":)j";
    const size_t note = o.out.find(note_key);
    ASSERT_NE(note, std::string::npos) << o.out;
    EXPECT_NEAR(std::strtod(o.out.c_str() + note + note_key.size(), nullptr), 0.1, 1e-11) << o.out;
    EXPECT_NE(o.out.find(R"j("function":"IRR","text":"NOTE: The cash flows given to IRR change sign)j"),
              std::string::npos)
        << o.out;

    const Outcome text = qelhost({"eval", "IRR(1, -100, 230, -132)"});
    EXPECT_NE(text.out.find("\n  IRR(1, -100, 230, -132): note 201: NOTE: "), std::string::npos) << text.out;
}

TEST_F(Qelhost, FailedCallNamesStatusAndMarkedArgument) {
    const Outcome o = qelhost({"eval", "DEPSL(1, 1000, 0) + 1"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out,
              "DEPSL(1, 1000, 0) + 1 = .\n"
              "  DEPSL(1, 1000, 0): STATUS_INVALID_ARGS (0x1D804), argument 3 (life) marked invalid: the life is 0; "
              "the life must be at least 1.491668147e-154 (a zero or negative life has no straight line)\n");
}

// ---------------------------------------------------------------- errors

TEST_F(Qelhost, ErrorsEndWithStatusTwoAndAClearMessage) {
    const fs::path csv = file("errors.csv", "id,amount,rate\n1,100,5\n");
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> said;  // each must appear in standard error
    } cases[] = {
        {{"eval", "MROT(1, 2, 3, .)"}, {"qelhost: unknown function MROT (did you mean MORT?)\n  MROT(1, 2, 3, .)\n  ^^^^\n"}},
        {{"eval", "MORT(1, 2, 3)"},
         {"qelhost: MORT takes 4 arguments (amount, payment, rate, periods), 3 given\n  MORT(1, 2, 3)\n  ^^^^^^^^^^^^^\n"}},
        {{"eval", "1 + NPV(5)"}, {"NPV takes at least 2 arguments (rate, frequency, cash flow, ...), 1 given"}},
        {{"eval", "2*(3+"}, {"syntax error", "\n  2*(3+\n       ^\n"}},
        {{"eval", "2 $ 3"}, {"unexpected character '$'", "\n    ^\n"}},
        {{"eval", "(1+2"}, {"expected ')' to close the '(' at position 1"}},
        {{"eval", "1+2)"}, {"a ')' without its '('"}},
        {{"eval", "1e"}, {"the exponent of this number has no digits"}},
        {{"eval", "1e999"}, {"number out of the range of a double"}},
        {{"eval", "x + 1"}, {"unknown name 'x': eval has no columns"}},
        {{"eval", "MORT"}, {"MORT is a function: write MORT(...)"}},
        {{"eval", "1 + 1", "FOO(1)"}, {"unknown function FOO; the functions are COMPOUND"}},
        {{"eval", "--caller-kind", "300", "1"}, {"--caller-kind takes a byte"}},
        {{"run", (dir_ / "no-such.csv").string(), "-c", "a = 1"}, {"cannot read " + (dir_ / "no-such.csv").string()}},
        {{"run", dir_.string(), "-c", "a = 1"}, {"it is a directory"}},
        {{"run", csv.string(), "-c", "p = amout * 2"}, {"unknown column 'amout' (did you mean amount?)", "\n      ^^^^^\n"}},
        {{"run", csv.string(), "-c", "p amount"}, {"expected '=' after the column name p"}},
        {{"run", csv.string(), "-c", "p = MORT(amount, ., ate / 12, 12)"}, {"unknown column 'ate' (did you mean rate?)"}},
        {{"run", csv.string(), "-c", "p = principal * 2"}, {"unknown column 'principal'\n"}},
        {{"run", csv.string(), "-c", "a = b + 1", "-c", "b = 2"}, {"the column 'b' is computed by a later --compute; put that one first", "\n      ^\n"}},
        {{"run", csv.string(), "-c", "x = DEPSL(id..rate, 1)"}, {"DEPSL takes 3 arguments (period, value, life), 4 given"}},
        {{"run", csv.string(), "-c", "x = NPV(5, 1, rate..id)"}, {"runs backwards: id comes before rate"}},
        {{"run", csv.string(), "-c", "x = id..rate"}, {"'..' makes a run of columns, which is only an argument of a function"}},
        {{"run", csv.string()}, {"--compute is required"}},
        {{"run", csv.string(), "-c", "a = 1", "-o", (dir_ / "no-dir" / "out.csv").string()}, {"cannot write"}},
        {{"--module", (dir_ / "nothing.so").string(), "describe"}, {"cannot load module"}},
        {{"describe", "MROT"}, {"qelhost: unknown function MROT (did you mean MORT?)\n"}},
        {{"describe", "--markdown", "MORT"}, {"--markdown writes the whole reference"}},
        {{}, {"A subcommand is required"}},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const auto& a : c.args) shown += " '" + a + "'";
        const Outcome o = qelhost(c.args);
        EXPECT_EQ(o.status, 2) << shown << "\n" << o.err;
        EXPECT_EQ(o.out, "") << shown;  // nothing computed before an error
        for (const auto& s : c.said) EXPECT_NE(o.err.find(s), std::string::npos) << shown << "\n" << o.err;
        EXPECT_EQ(o.err.find("terminate"), std::string::npos) << shown;
    }
}

// ---------------------------------------------------------------- run

TEST_F(Qelhost, CsvInAndOutWithMissingAndMalformedCells) {
    const fs::path in = file("book.csv",
                             "id,name,amount,rate\r\n"
                             "1,\"Smith, J\",100,5\r\n"
                             "2,\"O\"\"Brien\",.,6\n"
                             "3,plain,abc,7\n"
                             "\n"
                             "4,short,50\n"
                             "5,x,20,xyz\n"
                             "6,y, 30 ,-2e1\n"
                             "7,z,,+8\n"
                             "8,w,1,2,extra\n");
    const fs::path out = dir_ / "book.out.csv";
    const Outcome o = qelhost({"run", in.string(), "-c", "twice = amount * 2", "-c", "r = rate / 100", "-c",
                               "back = twice / 2", "-c", "p = MORT(., ., r, 12)", "-o", out.string()});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "");
    // Every row in order; input cells as they stood; a failed call (two
    // missing arguments) and missing operands give empty cells.
    EXPECT_EQ(slurp(out),
              "id,name,amount,rate,twice,r,back,p\n"
              "1,\"Smith, J\",100,5,200,0.05,100,\n"
              "2,\"O\"\"Brien\",.,6,,0.06,,\n"
              "3,plain,abc,7,,0.07,,\n"
              "4,short,50,,100,,50,\n"
              "5,x,20,xyz,40,,20,\n"
              "6,y, 30 ,-2e1,60,-0.2,30,\n"
              "7,z,,+8,,0.08,,\n"
              "8,w,1,2,2,0.02,1,\n");
    EXPECT_NE(o.err.find("qelhost: 8 rows; 8 calls: 0 ok, 8 STATUS_"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("  [p] MORT(., ., r, 12): 8 calls: 0 ok, 8 STATUS_"), std::string::npos) << o.err;
    // Each column's malformed cells are reported once, with the first one.
    EXPECT_EQ(count_of(o.err, "column amount:"), 1) << o.err;
    EXPECT_NE(o.err.find("column amount: 1 cell is not a number, read as missing (first: row 3, \"abc\")"),
              std::string::npos);
    EXPECT_NE(o.err.find("column rate: 1 cell is not a number, read as missing (first: row 5, \"xyz\")"),
              std::string::npos);
    EXPECT_NE(o.err.find("2 rows have a number of cells other than the header's 4 (first: row 4 with 3)"),
              std::string::npos)
        << o.err;
}

TEST_F(Qelhost, QuotedCellsMaySpanLines) {
    // A record is counted as one row however many lines its quoted cells take.
    const fs::path in = file("lines.csv", "id,note,x\n1,\"two\nlines, one cell\",3\n2,plain,oops\n");
    const Outcome o = qelhost({"run", in.string(), "-c", "y = x + 1"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "id,note,x,y\n1,\"two\nlines, one cell\",3,4\n2,plain,oops,\n");
    EXPECT_NE(o.err.find("qelhost: 2 rows;"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("column x: 1 cell is not a number, read as missing (first: row 2, \"oops\")"),
              std::string::npos)
        << o.err;
}

TEST_F(Qelhost, MarksOfOneRowDoNotCarryIntoTheNext) {
    // The block is reused: row 1 marks the life, row 2 the value; each mark
    // is counted once only if the host clears the marks between calls.
    const fs::path in = file("marks.csv", "year,value,life\n1,1000,0\n1,.,5\n1,1000,5\n");
    const Outcome o = qelhost({"run", in.string(), "-c", "d = DEPSL(year, value, life)"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.err.find("  [d] DEPSL(year, value, life): 3 calls: 1 ok, 2 STATUS_INVALID_ARGS; "
                         "argument 2 (value) marked 1 time; argument 3 (life) marked 1 time\n"),
              std::string::npos)
        << o.err;
    EXPECT_EQ(lines_of(o.out).at(3), "1,1000,5,200");
}

TEST_F(Qelhost, ComputedColumnReplacesAnInputColumnInPlace) {
    const fs::path in = file("replace.csv", "a,b,c\n1,2,3\n4,x,6\n");
    const Outcome o = qelhost({"run", in.string(), "-c", "b = b * 10", "-c", "d = b + a"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "a,b,c,d\n1,20,3,21\n4,,6,\n");
}

TEST_F(Qelhost, ColumnNamesQuotedAndCaseFolded) {
    const fs::path in = file("names.csv", "\"loan amount\",Rate\n1000,5\n");
    const Outcome o = qelhost({"run", in.string(), "-c", "\"interest due\" = \"loan amount\" * rate / 100"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "\"loan amount\",Rate,interest due\n1000,5,50\n");
}

TEST_F(Qelhost, ByteOrderMarkIsNotPartOfTheFirstName) {
    const fs::path in = file("mark.csv", "\xEF\xBB\xBF" "amount,rate\n200,5\n");
    const Outcome o = qelhost({"run", in.string(), "-c", "interest = amount * rate / 100"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "\xEF\xBB\xBF" "amount,rate,interest\n200,5,10\n");
}

TEST_F(Qelhost, ReadsStandardInputAndOtherDelimiters) {
    const fs::path in = file("semicolon.csv", "x;y\n1,5;2\n3;4\n");
    const Outcome o = qelhost({"run", "-", "-d", ";", "-c", "s = x + y", "-c", "t = \"s\" * 2"}, in.string());
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "x;y;s;t\n1,5;2;;\n3;4;7;14\n");
    EXPECT_NE(o.err.find("column x: 1 cell is not a number, read as missing (first: row 1, \"1,5\")"),
              std::string::npos)
        << o.err;
}

TEST_F(Qelhost, RunOfColumnsPassesEachAsOneArgument) {
    // c0..c3 is four arguments in file order: with the period and value of
    // DEPTAB the block holds six.
    const fs::path in = file("run.csv", "p,v,c0,c1,c2,c3\n1,100,0.5,0.25,0.125,0.125\n");
    const Outcome o = qelhost({"run", in.string(), "-c", "d = DEPTAB(p, v, c0..c3)", "-c", "n = NPV(0, 1, c0..c3)"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.err.find("  [d] DEPTAB(p, v, c0..c3): 1 call: "), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("  [n] NPV(0, 1, c0..c3): 1 call: "), std::string::npos) << o.err;
    // Binary fractions keep the sums exact: the first period writes off
    // half of 100, and at rate 0 the present value is the plain sum, 1.
    EXPECT_EQ(lines_of(o.out).at(1), "1,100,0.5,0.25,0.125,0.125,50,1");
}

TEST_F(Qelhost, TenNotesPerCallSiteOverManyRows) {
    std::string csv = "id,c0,c1,c2\n";
    const int rows = 25;
    for (int i = 1; i <= rows; ++i) csv += std::to_string(i) + ",-100,230,-132\n";
    const fs::path in = file("signs.csv", csv);

    // Two textual calls are two call sites: ten notes 201 each, then one 202.
    const Outcome o = qelhost({"run", in.string(), "-c", "a = IRR(1, c0..c2)", "-c", "b = IRR(1, c0, c1, c2) * 1"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(count_of(o.err, "change sign more than once"), 20) << o.err;
    EXPECT_EQ(count_of(o.err, "ten such notes"), 2) << o.err;
    EXPECT_EQ(count_of(o.err, "qelhost: row 10: [a] IRR(1, c0..c2): NOTE: IRR has written ten such notes"), 1)
        << o.err;
    EXPECT_EQ(count_of(o.err, "qelhost: row 11:"), 0) << o.err;
    EXPECT_NE(o.err.find("; 22 notes\n"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("  [a] IRR(1, c0..c2): 25 calls: 25 ok; 10 notes 201; 1 note 202\n"), std::string::npos)
        << o.err;
    EXPECT_EQ(lines_of(o.out).size(), static_cast<size_t>(rows + 1));

    // A caller kind outside the four that limit notes: a note every row.
    const Outcome every = qelhost({"run", in.string(), "--caller-kind", "0", "-c", "a = IRR(1, c0..c2)"});
    ASSERT_EQ(every.status, 0) << every.err;
    EXPECT_EQ(count_of(every.err, "change sign more than once"), rows);
    EXPECT_EQ(count_of(every.err, "ten such notes"), 0);
}

TEST_F(Qelhost, ExamplesRunWithoutLosingRows) {
    const struct {
        const char* file;
        std::vector<std::string> computes;
    } cases[] = {
        {"loans.csv", {"payment = MORT(amount, ., annual_rate/1200, term_months)"}},
        {"projects.csv", {"irr = IRR(1, c0..c8)", "npv = NPV(rate, 1, c0..c8)"}},
        {"assets.csv", {"dep_sl = DEPSL(year, cost - salvage, life_years)", "acc_db = DACCDB(year, cost, life_years, 2)"}},
    };
    for (const auto& c : cases) {
        const std::string path = std::string(QELFIN_EXAMPLES_DIR) + "/" + c.file;
        std::vector<std::string> args = {"run", path};
        for (const auto& compute : c.computes) args.insert(args.end(), {"-c", compute});
        const Outcome o = qelhost(args);
        EXPECT_EQ(o.status, 0) << c.file << "\n" << o.err;
        const auto in = lines_of(slurp(path)), out = lines_of(o.out);
        ASSERT_EQ(out.size(), in.size()) << c.file;
        for (size_t i = 0; i < in.size(); ++i) EXPECT_EQ(out[i].rfind(in[i] + ",", 0), 0u) << c.file << " " << i;
    }
}

TEST_F(Qelhost, DescribeListsTheFunctionsThenTheRecords) {
    const Outcome o = qelhost({"describe"});
    ASSERT_EQ(o.status, 0) << o.err;
    const size_t records = o.out.find("\nmodule records\n");
    ASSERT_NE(records, std::string::npos) << o.out;
    const std::string list = o.out.substr(0, records), shown = o.out.substr(records);
    EXPECT_NE(list.find("  14  MORT      fncmort  MORT(amount, payment, rate, periods)\n"), std::string::npos) << list;
    EXPECT_NE(list.find("  13  IRR       fncirr   IRR(frequency, cash flow, ...)\n"), std::string::npos) << list;
    EXPECT_EQ(count_of(list, "  fnc"), 17);
    EXPECT_NE(shown.find("tag \"QEL_Image_Information=\"  magic 0xB0BDEBED"), std::string::npos) << shown;
    EXPECT_NE(shown.find("registration      qelwufin"), std::string::npos);
    EXPECT_NE(shown.find("version record    9.03.01M2P08152012"), std::string::npos);
    EXPECT_NE(shown.find("\"QEL_VERSION_HOTFIX_NUMBER="), std::string::npos);
}

// describe NAME answers what a first-time caller has to guess otherwise:
// units, which argument may be left missing, where payments and the first
// cash flow fall, what the frequency does, the salvage value, the statuses.
TEST_F(Qelhost, DescribeOneFunctionAnswersTheCallersQuestions) {
    const struct {
        std::vector<std::string> names;
        std::vector<std::string> said;
    } cases[] = {
        {{"MORT"},
         {"MORT(amount, payment, rate, periods)", "END of each period", "unit: fraction per period (0.05 is 5 %)",
          "may be left missing: it is then computed", "STATUS_INVALID_ARGS (0x1D804)",
          "MORT(50000, ., 0.005, 360) = 299.775262576"}},
        {{"saving"}, {"SAVING(final amount, payment, rate, periods)", "START of each period"}},
        {{"NPV", "netpv"},
         {"NPV: ", "NETPV: ", "in PERCENT", "a FRACTION", "c0 falls at time zero", "0 makes the rate continuously",
          "3.. cash flow", "a missing one counts as 0", "STATUS_RESULT_MISSING (0x1D801)", "(argument 2 marked)"}},
        {{"IRR", "INTRR"}, {"IRR answers in PERCENT", "INTRR answers as a FRACTION", "note 201", "STATUS_NO_MEMORY"}},
        {{"DEPDB"},
         {"DEPDB(period, value, life, rate factor)", "no salvage argument", "2 is double-declining",
          "(argument 3 marked)", "DEPDB(2, 1000, 5, 2) = 240"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"describe"};
        args.insert(args.end(), c.names.begin(), c.names.end());
        const Outcome o = qelhost(args);
        EXPECT_EQ(o.status, 0) << c.names[0] << "\n" << o.err;
        EXPECT_EQ(o.out.find("module records"), std::string::npos) << c.names[0];
        const std::string out = flattened(o.out);
        for (const auto& s : c.said) EXPECT_NE(out.find(s), std::string::npos) << s << "\n" << o.out;
    }
}

}  // namespace
