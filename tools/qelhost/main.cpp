// qelhost: the command-line host of the qelfin module.
//
//   qelhost eval EXPR...                    evaluate calls, show value, status, marks, notes
//   qelhost run FILE.csv --compute 'c = EXPR' [-o OUT.csv]
//                                           compute columns over a CSV file, row by row
//   qelhost schedule 'MORT(...)' [--decimals N]  a loan's or an asset's schedule, period by period
//   qelhost rates 'IRR(1, -100, 230, -132)'  every rate where the net present value changes sign
//   qelhost plot profile|schedule CALL -o FILE.svg   a picture of the NPV profile or the schedule
//   qelhost describe [NAME...] [--markdown] the seventeen functions and the records a host reads;
//                                           the reference of the functions named; all as Markdown
//
// It loads the module as a host does (mcn_main, the image and registration
// records, qelwufin) from --module PATH, by default the one built beside it.
// Errors the user can fix end with a message and exit status 2.
#include "commands.h"
#include "diagnostics.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

using namespace qelhost;

uint8_t parse_caller_kind(const std::string& text) {
    size_t used = 0;
    unsigned long value = 0;
    try {
        value = std::stoul(text, &used, 0);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || text.empty() || value > 0xFF)
        throw UsageError("--caller-kind takes a byte, such as 0x48 or 0, not '" + text + "'");
    return static_cast<uint8_t>(value);
}

char parse_delimiter(const std::string& text) {
    if (text == "tab" || text == "\\t") return '\t';
    if (text.size() != 1 || text == "\"" || text == "\n" || text == "\r")
        throw UsageError("--delimiter takes one character (or 'tab'), not '" + text + "'");
    return text[0];
}

// An expression that starts with a minus ("-5*2", "-.5") looks like an
// option to the command-line parser; a blank in front, which expressions
// ignore, keeps it a positional argument.
std::vector<std::string> protect_negative_expressions(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    for (std::string& a : args) {
        const size_t after = a.find_first_not_of('-');
        if (after == 0 || after == std::string::npos) continue;
        const char c = a[after];
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '(' || c == ' ') a.insert(a.begin(), ' ');
    }
    return args;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"qelhost: the command-line host of the qelfin financial-functions module", "qelhost"};
    app.require_subcommand(1);
    app.fallthrough();
    std::string module_path;
    app.add_option("--module", module_path, "the module to load (default: the one built beside qelhost)");

    EvalOptions eval_options;
    std::string eval_caller_kind = "0x48";
    CLI::App* eval_cmd = app.add_subcommand(
        "eval", "Evaluate expressions: MORT(50000, ., 0.005, 360), IRR(1, -100, 230, -132), 2*(3+4) ...");
    eval_cmd->add_option("expressions", eval_options.expressions, "expressions; '.' is a missing value")->required();
    eval_cmd->add_flag("--json", eval_options.json, "one JSON object per expression");
    eval_cmd->add_option("--precision", eval_options.precision, "show values with N decimals (0 to 15)")
        ->check(CLI::Range(0, 15));
    bool eval_no_hints = false, run_no_hints = false, schedule_no_hints = false;
    const char* no_hints_help = "no plausibility hints (a rate above 1 where a fraction is meant, ...)";
    eval_cmd->add_flag("--no-hints", eval_no_hints, no_hints_help);
    eval_cmd->add_option("--caller-kind", eval_caller_kind, "caller kind of the argument blocks")->capture_default_str();

    RunOptions run_options;
    std::string run_caller_kind = "0x48";
    std::string delimiter = ",";
    CLI::App* run_cmd = app.add_subcommand("run", "Compute columns over a CSV file with a header row");
    run_cmd->add_option("file", run_options.input, "the CSV file ('-' for standard input)")->required();
    run_cmd
        ->add_option("-c,--compute", run_options.computes,
                     "'name = expression': a column to compute; columns are names, c0..c40 a run of them")
        ->required()
        ->allow_extra_args(false);  // one expression per --compute
    run_cmd->add_option("-o,--output", run_options.output, "where to write the CSV (default: standard output)");
    run_cmd->add_option("-d,--delimiter", delimiter, "the cell delimiter")->capture_default_str();
    run_cmd->add_option("--caller-kind", run_caller_kind,
                        "caller kind of the argument blocks (0x48, 0x58, 0x68, 0x88 limit IRR notes to ten per "
                        "call site)")
        ->capture_default_str();
    run_cmd->add_flag("--timing", run_options.timing, "add the time spent reading, parsing, evaluating and writing");
    run_cmd->add_option("--status", run_options.status,
                        "a computed column NAME: add NAME_status, 'ok' or the status and why there is no value");
    run_cmd->add_option("--errors", run_options.errors,
                        "write one CSV row per call that gave no value: row, column, call, status, marked, reason");
    run_cmd->add_option("--precision", run_options.precision,
                        "write computed cells with N decimals (0 to 15); JSON keeps full doubles")
        ->check(CLI::Range(0, 15));
    run_cmd->add_flag("--json", run_options.json, "one JSON object per row instead of CSV");
    run_cmd->add_flag("--no-hints", run_no_hints, no_hints_help);
    bool no_progress = false;
    run_cmd->add_flag("--no-progress", no_progress, "no progress bar, even on a terminal");

    ScheduleOptions schedule_options;
    CLI::App* schedule_cmd = app.add_subcommand(
        "schedule", "A loan's amortization schedule, MORT(250000, ., 0.045/12, 360), or a depreciation table, "
                    "DEPDB(., 50000, 10, 2): every period, then the totals");
    schedule_cmd->add_option("call", schedule_options.expression, "the call; leave a depreciation period missing")
        ->required();
    schedule_cmd->add_flag("--json", schedule_options.json, "one JSON object per period, then the totals");
    schedule_cmd->add_option("--precision", schedule_options.precision, "write figures with N decimals (0 to 15)")
        ->check(CLI::Range(0, 15));
    // A number of decimals, 0 to 15, with its flag for no hints.
    auto decimals_and_hints = [&](CLI::App* cmd, const char* name, int& decimals, const char* help, bool& no_hints) {
        cmd->add_option(name, decimals, help)->check(CLI::Range(0, 15));
        cmd->add_flag("--no-hints", no_hints, no_hints_help);
    };
    const char* bank_style = "bank-style: payment and each interest rounded to N decimals (0 to 15), the last "
                             "payment taking the rest so the balance ends at 0";
    decimals_and_hints(schedule_cmd, "--decimals", schedule_options.decimals, bank_style, schedule_no_hints);

    RatesOptions rates_options;
    bool rates_no_hints = false;
    CLI::App* rates_cmd = app.add_subcommand(
        "rates", "Every rate at which the net present value of IRR(...)'s or INTRR(...)'s cash flows changes "
                 "sign, one a line, ascending");
    rates_cmd->add_option("call", rates_options.expression, "the call: IRR(1, -100, 230, -132)")->required();
    decimals_and_hints(rates_cmd, "--precision", rates_options.precision, "write rates with N decimals (0 to 15)",
                       rates_no_hints);

    PlotOptions plot_options;
    bool plot_no_hints = false;
    CLI::App* plot_cmd = app.add_subcommand(
        "plot", "A picture as a standalone SVG file: 'profile IRR(1, -100, 230, -132)', the NPV against the rate "
                "with every rate marked, or 'schedule MORT(...)', a loan's or an asset's schedule");
    plot_cmd->add_option("kind", plot_options.kind, "profile or schedule")->required();
    plot_cmd->add_option("call", plot_options.expression, "the call")->required();
    plot_cmd->add_option("-o,--output", plot_options.output, "the SVG file to write")->required();
    decimals_and_hints(plot_cmd, "--decimals", plot_options.decimals, bank_style, plot_no_hints);

    DescribeOptions describe_options;
    CLI::App* describe_cmd = app.add_subcommand(
        "describe", "The seventeen functions and the module's records; with names, what each function takes, "
                    "returns and reports");
    describe_cmd->add_option("functions", describe_options.functions, "functions to describe: MORT, npv, ...");
    describe_cmd->add_flag("--markdown", describe_options.markdown,
                           "the reference of every function as Markdown (docs/functions.md)");

    try {
        std::vector<std::string> args = protect_negative_expressions(argc, argv);
        std::vector<char*> pointers;
        for (std::string& a : args) pointers.push_back(a.data());
        app.parse(argc, pointers.data());
    } catch (const CLI::ParseError& e) {
        const int rc = app.exit(e);
        return rc == 0 ? 0 : kExitError;
    }

    try {
        eval_options.caller_kind = parse_caller_kind(eval_caller_kind);
        run_options.caller_kind = parse_caller_kind(run_caller_kind);
        run_options.delimiter = parse_delimiter(delimiter);
        run_options.progress = !no_progress;
        eval_options.hints = !eval_no_hints;
        run_options.hints = !run_no_hints;
        schedule_options.hints = !schedule_no_hints;
        rates_options.hints = !rates_no_hints;
        plot_options.hints = !plot_no_hints;

        qelfin::host::Host host;
        std::unique_ptr<qelfin::host::Module> module;
        try {
            module = std::make_unique<qelfin::host::Module>(
                host, module_path.empty() ? qelfin::host::default_module_path() : module_path);
        } catch (const qelfin::host::LoadError& e) {
            throw UsageError(e.what());
        }
        if (*eval_cmd) return evaluate(*module, eval_options);
        if (*run_cmd) return run(*module, run_options);
        if (*schedule_cmd) return schedule(*module, schedule_options);
        if (*rates_cmd) return rates(*module, rates_options);
        if (*plot_cmd) return plot(*module, plot_options);
        if (*describe_cmd) return describe(*module, describe_options);
        return kExitError;
    } catch (const ExpressionError& e) {
        std::fflush(stdout);
        report(e, stderr);
        return kExitError;
    } catch (const UsageError& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "qelhost: %s\n", e.what());
        return kExitError;
    } catch (const std::bad_alloc&) {
        std::fflush(stdout);
        std::fprintf(stderr, "qelhost: out of memory\n");
        return kExitError;
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "qelhost: %s\n", e.what());
        return kExitError;
    }
}
