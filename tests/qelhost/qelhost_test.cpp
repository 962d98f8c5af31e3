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

// ---------------------------------------------------------------- eval

TEST_F(Qelhost, EvaluatesArithmeticItself) {
    // Precedence, associativity, unary minus, missing values, division by
    // zero, names in any case and the shortest round-trip form of each result.
    const struct { const char* expression; const char* shown; } cases[] = {
        {"2*(3+4)", "14"},        {"2+3*4", "14"},    {"-(2+3)*4", "-20"},   {"2-3-4", "-5"},
        {"8/4/2", "1"},           {"--3", "3"},       {"1/3", "0.3333333333333333"},
        {"0.1+0.2", "0.30000000000000004"},           {"2.5e-9", "2.5e-09"}, {". + 1", "."},
        {"2 * (.)", "."},         {"0/4", "0"},
        {"1/(2-2) + 5", ".\n  division by zero: the result is missing"},
        // Function names in any case, one call site each: the same figure.
        {"Mort(50000, ., 0.005, 360) - MORT(50000, ., 0.005, 360) + mort(1, ., 0, 4)", "0.25"},
    };
    for (const auto& c : cases) {
        const Outcome o = qelhost({"eval", c.expression});
        EXPECT_EQ(o.status, 0) << c.expression << "\n" << o.err;
        EXPECT_EQ(o.out, std::string(c.expression) + " = " + c.shown + "\n") << c.expression;
    }
}

TEST_F(Qelhost, IrrFigureWithItsNote) {
    // -100 + 230 v - 132 v^2 = 0 has the roots 1 + r = 1.1 and 1.2; the
    // series changes sign twice, so note 201 comes with the rate found.
    const Outcome o = qelhost({"eval", "IRR(1, -100, 230, -132)", "--json"});
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string value_key = R"j("value":)j";
    EXPECT_NEAR(std::strtod(o.out.c_str() + o.out.find(value_key) + value_key.size(), nullptr), 10.0, 1e-9);
    const std::string note_key = R"j("notes":[{"set":744,"id":201,"rate":)j";
    const size_t note = o.out.find(note_key);
    ASSERT_NE(note, std::string::npos) << o.out;
    EXPECT_NEAR(std::strtod(o.out.c_str() + note + note_key.size(), nullptr), 0.1, 1e-11) << o.out;
}

// ---------------------------------------------------------------- errors

TEST_F(Qelhost, ErrorsEndWithStatusTwoAndAClearMessage) {
    const fs::path csv = file("errors.csv", "id,amount,rate\n1,100,5\n");
    const std::string no_file = (dir_ / "no-such.csv").string();
    // Each of `said` must appear in standard error.
    const struct { std::vector<std::string> args; std::vector<std::string> said; } cases[] = {
        {{"eval", "MROT(1, 2, 3, .)"}, {"qelhost: unknown function MROT (did you mean MORT?)\n  MROT(1, 2, 3, .)\n  ^^^^\n"}},
        {{"eval", "MORT(1, 2, 3)"},
         {"qelhost: MORT takes 4 arguments (amount, payment, rate, periods), 3 given\n  MORT(1, 2, 3)\n  ^^^^^^^^^^^^^\n"}},
        {{"eval", "1 + NPV(5)"}, {"NPV takes at least 2 arguments (rate, freq, flows...), 1 given"}},
        {{"eval", "2*(3+"}, {"syntax error", "\n  2*(3+\n       ^\n"}},
        {{"eval", "2 $ 3"}, {"unexpected character '$'", "\n    ^\n"}},
        {{"eval", "(1+2"}, {"expected ')' to close the '(' at position 1"}},
        {{"eval", "1e999"}, {"number out of the range of a double"}},
        {{"eval", "x + 1"}, {"unknown name 'x': eval has no columns"}},
        {{"eval", "MORT"}, {"MORT is a function: write MORT(...)"}},
        {{"eval", "1 + 1", "FOO(1)"}, {"unknown function FOO; the functions are COMPOUND"}},
        {{"eval", "--caller-kind", "300", "1"}, {"--caller-kind takes a byte"}},
        {{"run", no_file, "-c", "a = 1"}, {"cannot read " + no_file}},
        {{"run", dir_.string(), "-c", "a = 1"}, {"it is a directory"}},
        {{"run", csv.string(), "-c", "p = amout * 2"}, {"unknown column 'amout' (did you mean amount?)", "\n      ^^^^^\n"}},
        {{"run", csv.string(), "-c", "p amount"}, {"expected '=' after the column name p"}},
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
        for (const auto& s : c.said) EXPECT_HAS(o.err, s);
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
    EXPECT_HAS(o.err, "qelhost: 8 rows; 8 calls: 0 ok, 8 STATUS_");
    EXPECT_HAS(o.err, "  [p] MORT(., ., r, 12): 8 calls: 0 ok, 8 STATUS_");
    // Each column's malformed cells are reported once, with the first one.
    EXPECT_EQ(count_of(o.err, "column amount:"), 1) << o.err;
    EXPECT_HAS(o.err, "column amount: 1 cell is not a number, read as missing (first: row 3, \"abc\")");
    EXPECT_HAS(o.err, "column rate: 1 cell is not a number, read as missing (first: row 5, \"xyz\")");
    EXPECT_HAS(o.err, "2 rows have a number of cells other than the header's 4 (first: row 4 with 3)");
}

// Read from standard input: columns replaced in place, quoted and case-folded
// names, a byte order mark, another delimiter, a quoted cell over two lines
// (one row), and a run of columns passed as one argument each.
TEST_F(Qelhost, CsvForms) {
    // `said` is on standard error.
    const struct { const char* csv; std::vector<std::string> options; const char* out, *said; } cases[] = {
        {"a,b,c\n1,2,3\n4,x,6\n", {"-c", "b = b * 10", "-c", "d = b + a"}, "a,b,c,d\n1,20,3,21\n4,,6,\n", ""},
        {"\"loan amount\",Rate\n1000,5\n", {"-c", "\"interest due\" = \"loan amount\" * rate / 100"},
         "\"loan amount\",Rate,interest due\n1000,5,50\n", ""},
        {"\xEF\xBB\xBF" "amount,rate\n200,5\n", {"-c", "interest = amount * rate / 100"},
         "\xEF\xBB\xBF" "amount,rate,interest\n200,5,10\n", ""},
        {"x;y\n1,5;2\n3;4\n", {"-d", ";", "-c", "s = x + y", "-c", "t = \"s\" * 2"}, "x;y;s;t\n1,5;2;;\n3;4;7;14\n",
         "column x: 1 cell is not a number, read as missing (first: row 1, \"1,5\")"},
        {"id,note,x\n1,\"two\nlines, one cell\",3\n2,plain,oops\n", {"-c", "y = x + 1"},
         "id,note,x,y\n1,\"two\nlines, one cell\",3,4\n2,plain,oops,\n",
         "column x: 1 cell is not a number, read as missing (first: row 2, \"oops\")"},
        // Binary fractions keep the sums exact: DEPTAB writes off half of
        // 100 in period 1, NPV at rate 0 is the plain sum, 1.
        {"p,v,c0,c1,c2,c3\n1,100,0.5,0.25,0.125,0.125\n", {"-c", "d = DEPTAB(p, v, c0..c3)", "-c", "n = NPV(0, 1, c0..c3)"},
         "p,v,c0,c1,c2,c3,d,n\n1,100,0.5,0.25,0.125,0.125,50,1\n", "  [d] DEPTAB(p, v, c0..c3): 1 call: "},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"run", "-"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const Outcome o = qelhost(args, file("form.csv", c.csv).string());
        ASSERT_EQ(o.status, 0) << c.csv << o.err;
        EXPECT_EQ(o.out, c.out);
        EXPECT_HAS(o.err, c.said);
    }
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
    EXPECT_HAS(o.err, "  [a] IRR(1, c0..c2): 25 calls: 25 ok; 10 notes 201; 1 note 202\n");
    EXPECT_EQ(lines_of(o.out).size(), static_cast<size_t>(rows + 1));

    // A caller kind outside the four that limit notes: a note every row.
    const Outcome every = qelhost({"run", in.string(), "--caller-kind", "0", "-c", "a = IRR(1, c0..c2)"});
    ASSERT_EQ(every.status, 0) << every.err;
    EXPECT_EQ(count_of(every.err, "change sign more than once"), rows);
    EXPECT_EQ(count_of(every.err, "ten such notes"), 0);
}

// ---------------------------------------------------------------- describe

TEST_F(Qelhost, Describe) {
    const Outcome o = qelhost({"describe"});
    ASSERT_EQ(o.status, 0) << o.err;
    const size_t records = o.out.find("\nmodule records\n");
    ASSERT_NE(records, std::string::npos) << o.out;
    const std::string list = o.out.substr(0, records), shown = o.out.substr(records);
    EXPECT_HAS(list, "  14  MORT      fncmort  MORT(amount, payment, rate, periods)\n");
    EXPECT_EQ(count_of(list, "  fnc"), 17);
    EXPECT_HAS(shown, "tag \"QEL_Image_Information=\"  magic 0xB0BDEBED");
    EXPECT_HAS(shown, "version record    9.03.01M2P08152012");

    // describe NAME answers what a first-time caller has to guess otherwise:
    // units, which argument may be left missing, where payments and the
    // first cash flow fall, the salvage value, the statuses.
    const struct { std::vector<std::string> names; std::vector<std::string> said; } cases[] = {
        {{"MORT"},
         {"MORT(amount, payment, rate, periods)", "END of each period", "unit: fraction per period (0.05 is 5 %)",
          "may be left missing: it is then computed", "STATUS_INVALID_ARGS (0x1D804)",
          "MORT(50000, ., 0.005, 360) = 299.775262576"}},
        {{"saving"}, {"SAVING(final, payment, rate, periods)", "START of each period"}},
        {{"NPV", "netpv"},
         {"NPV: ", "NETPV: ", "in PERCENT", "a FRACTION", "c0 falls at time zero", "0 makes the rate continuously",
          "a missing one counts as 0", "STATUS_RESULT_MISSING (0x1D801)"}},
        {{"DEPDB"}, {"no salvage argument", "2 is double-declining", "DEPDB(2, 1000, 5, 2) = 240"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"describe"};
        args.insert(args.end(), c.names.begin(), c.names.end());
        const Outcome one = qelhost(args);
        EXPECT_EQ(one.status, 0) << c.names[0] << "\n" << one.err;
        EXPECT_EQ(one.out.find("module records"), std::string::npos) << c.names[0];
        const std::string out = flattened(one.out);
        for (const auto& s : c.said) EXPECT_HAS(out, s);
    }
}

}  // namespace
