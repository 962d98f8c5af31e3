// libFuzzer target qelfin_fuzz_qelhost: qelhost's expression parser, its CSV
// reader and its evaluator on whatever bytes the fuzzer makes.
//
// An input is an option byte (bits 0-1 the delimiter, the rest the size of
// the windows the CSV is read in), the text of a --compute or of an eval
// expression up to the first byte 0x1E, then a CSV file.  Checked on every
// input:
//   - the CSV read in small windows, as a pipe delivers it, gives the same
//     records, fields, line numbers and unclosed quote as read whole;
//   - every header name written as a CSV field reads back as itself;
//   - a parse either succeeds or throws ExpressionError at a place inside
//     the text (never a crash, however deep the nesting);
//   - every call the evaluation makes keeps the module's contract: a known
//     status, MISSING exactly when the status is not 0, a marked argument
//     the call has, notes only from IRR and INTRR;
//   - each row's value, evaluated over the batch through the column API,
//     is bit for bit the value of the same expression worked out row by row
//     with plain calls of the module;
//   - no scratch pool outlives the evaluation and every call site gives its
//     counter back.
#include "fuzz/harness.h"
#include "qelhost/commands.h"
#include "qelhost/csv.h"
#include "qelhost/program.h"
#include "qelhost/rounding.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using namespace qelhost;

constexpr size_t kMaxRows = 64;
constexpr char kDelimiters[] = {',', ';', '\t', '|'};

qelfin::fuzz::Session* g_loaded = nullptr;   // the first load, kept for the whole run
qelfin::fuzz::Session* g_session = nullptr;  // the input's
std::FILE* g_null = nullptr;

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "qelhost fuzz check failed: %s\n", what.c_str());
    std::abort();
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

struct ReadRecord {
    std::string_view raw;
    int64_t line;
    std::vector<Field> fields;
};

// The records of `text`, read in windows that keep the unfinished record
// and add at least `window` bytes, and as many as they keep (qelhost run's
// input grows so, and a record is scanned a bounded number of times);
// whole when window is 0.
std::vector<ReadRecord> read_csv(std::string_view text, char delimiter, size_t window, int64_t& unclosed) {
    std::vector<ReadRecord> records;
    size_t start = 0, limit = window == 0 ? text.size() : std::min(window, text.size());
    CsvReader reader(text.substr(0, limit), delimiter, limit == text.size());
    std::vector<Field> fields;
    for (;;) {
        Record r;
        fields.clear();
        if (reader.next(fields, r)) {
            records.push_back({r.raw, r.line, {fields.begin() + static_cast<long>(r.first), fields.end()}});
            continue;
        }
        if (reader.at_end()) break;
        start += reader.offset();
        limit = std::min(text.size(), limit + std::max(window, limit - start));
        reader.advance(text.substr(start, limit - start), limit == text.size());
    }
    unclosed = reader.unclosed_quote_line();
    return records;
}

void check_csv(std::string_view text, char delimiter, size_t window, const std::vector<ReadRecord>& whole,
               int64_t whole_unclosed) {
    int64_t unclosed = 0;
    const std::vector<ReadRecord> pieces = read_csv(text, delimiter, window, unclosed);
    if (pieces.size() != whole.size() || unclosed != whole_unclosed)
        fail("the CSV read in windows of " + std::to_string(window) + " bytes gives " + std::to_string(pieces.size()) +
             " records, read whole " + std::to_string(whole.size()));
    for (size_t i = 0; i < whole.size(); ++i) {
        bool same = pieces[i].raw == whole[i].raw && pieces[i].line == whole[i].line &&
                    pieces[i].fields.size() == whole[i].fields.size();
        for (size_t f = 0; same && f < whole[i].fields.size(); ++f)
            same = pieces[i].fields[f].raw == whole[i].fields[f].raw &&
                   pieces[i].fields[f].quoted == whole[i].fields[f].quoted;
        if (!same) fail("record " + std::to_string(i) + " differs when the CSV is read in windows");
    }
}

// A text written as one CSV field reads back as itself.
void check_field_round_trip(std::string_view text, char delimiter) {
    if (text.empty()) return;  // an empty line holds no record
    std::string line;
    append_field(line, text, delimiter);
    line += '\n';
    int64_t unclosed = 0;
    const std::vector<ReadRecord> back = read_csv(line, delimiter, 0, unclosed);
    std::string scratch;
    if (back.size() != 1 || back[0].fields.size() != 1 || field_text(back[0].fields[0], scratch) != text)
        fail("the field written as " + line + " does not read back as itself");
}

// The value of node `index` for one row, from plain calls of the module.
double by_hand(const Tree& tree, int32_t index, const double* row) {
    const Node& n = tree.nodes[static_cast<size_t>(index)];
    switch (n.op) {
        case Op::number: return n.number;
        case Op::column: return row[n.a];
        case Op::call: {
            const CallText& c = tree.calls[static_cast<size_t>(n.a)];
            std::vector<qelfin::host::Arg> args;
            for (const int32_t a : c.args) args.emplace_back(by_hand(tree, a, row));
            const auto& f = qelfin::host::functions()[static_cast<size_t>(c.function)];
            return g_session->module.call(f.name, args).value;
        }
        case Op::negate: {
            const double x = by_hand(tree, n.a, row);
            return is_missing(x) ? kMissing : -x;
        }
        case Op::round: {
            const double x = by_hand(tree, n.a, row), d = by_hand(tree, n.b, row);
            const bool whole = d == std::floor(d) && std::fabs(d) <= kMaxDecimals;
            return is_missing(x) || !whole ? kMissing : round_decimals(x, static_cast<int>(d));
        }
        default: break;
    }
    const double l = by_hand(tree, n.a, row), r = by_hand(tree, n.b, row);
    if (is_missing(l) || is_missing(r)) return kMissing;
    switch (n.op) {
        case Op::add: return l + r;
        case Op::subtract: return l - r;
        case Op::multiply: return l * r;
        default: return r == 0.0 ? kMissing : l / r;
    }
}

void check_call(const Tree& tree, const CallOutcome& c) {
    const auto& f = qelfin::host::functions()[static_cast<size_t>(tree.calls[static_cast<size_t>(c.site)].function)];
    const std::string call = std::string(f.name) + " with " + std::to_string(c.args.size()) + " arguments";
    const bool known = c.status == 0 || c.status == STATUS_RESULT_MISSING || c.status == STATUS_INVALID_ARGS ||
                       c.status == STATUS_NO_MEMORY;
    if (!known) fail(call + " returned status " + std::to_string(c.status));
    if ((c.status != 0) != same_bits(c.value, kMissing)) fail(call + ": MISSING and the status disagree");
    for (const int32_t m : c.marked)
        if (m < 1 || static_cast<size_t>(m) > c.args.size()) fail(call + " marked argument " + std::to_string(m));
    const bool irr = f.name == "IRR" || f.name == "INTRR";
    if (!c.notes.empty() && (!irr || c.status != 0)) fail(call + " wrote a note");
}

void evaluate(const Tree& parsed, int32_t root, const std::vector<double>& values, size_t width, size_t rows) {
    qelfin::standin::Host& host = g_session->host;
    const size_t counters = host.counter_pool().outstanding();
    {
        Program program(g_session->module, parsed, kDefaultCallerKind, kMaxRows);
        std::vector<CallOutcome> trace;
        program.set_trace(&trace);
        std::vector<double> out(rows);
        program.evaluate(root, values.data(), width, rows, out.data());
        for (const CallOutcome& c : trace) check_call(program.tree(), c);
        for (size_t r = 0; r < rows; ++r) {
            const double expected = by_hand(program.tree(), root, values.data() + r * width);
            if (!same_bits(out[r], expected) && !(is_missing(out[r]) && is_missing(expected)))
                fail("row " + std::to_string(r) + ": the batch gives " + std::to_string(out[r]) +
                     ", plain calls give " + std::to_string(expected));
        }
    }
    if (host.toolkit().live_pools() != 0) fail("a scratch pool outlived the evaluation");
    if (host.counter_pool().outstanding() != counters) fail("a call site kept its counter");
}

}  // namespace

// The module is loaded before fuzzing starts, so that libFuzzer sees its
// coverage counters from the first input on; each input then gets a fresh
// stand-in host (its pools keep their blocks as long as they live).
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_loaded = new qelfin::fuzz::Session(qelfin::fuzz::module_path_from_environment());
    g_null = std::fopen("/dev/null", "w");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    qelfin::fuzz::Session session(qelfin::fuzz::module_path_from_environment());
    g_session = &session;
    const char delimiter = kDelimiters[data[0] & 3];
    const size_t window = 1 + (data[0] >> 2) * 7u;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const size_t split = std::min(rest.find('\x1E'), rest.size());
    const std::string_view text = rest.substr(0, split), csv = rest.substr(std::min(split + 1, rest.size()));

    int64_t unclosed = 0;
    const std::vector<ReadRecord> records = read_csv(csv, delimiter, 0, unclosed);
    check_csv(csv, delimiter, window, records, unclosed);

    // The header names the columns, as run reads it.
    Scope scope;
    std::string scratch;
    if (!records.empty())
        for (const Field& f : records[0].fields) {
            std::string_view name = field_text(f, scratch);
            check_field_round_trip(name, delimiter);
            while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
            while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
            scope.names.emplace_back(name);
        }
    scope.visible = scope.names.size();
    const size_t width = std::max<size_t>(1, scope.names.size());
    const size_t rows = std::min(kMaxRows, records.empty() ? 0 : records.size() - 1);
    std::vector<double> values(width * std::max<size_t>(rows, 1), kMissing);
    for (size_t r = 0; r < rows; ++r)
        for (size_t s = 0; s < scope.names.size() && s < records[r + 1].fields.size(); ++s)
            read_number(field_text(records[r + 1].fields[s], scratch), values[r * width + s]);

    // A --compute when the text has one, else an expression of eval.
    Tree tree;
    int32_t root = -1;
    try {
        size_t start = 0;
        try {
            start = parse_compute_head(text).expression_offset;
        } catch (const ExpressionError&) {
            start = 0;
        }
        root = parse_expression(tree, scope, text, start, 0);
    } catch (ExpressionError& e) {
        if (e.position > text.size() || e.position + e.length > text.size() + 1)
            fail("an error placed at " + std::to_string(e.position) + " in a text of " + std::to_string(text.size()));
        e.source = text;
        report(e, g_null);
        return 0;
    }
    evaluate(tree, root, values, width, std::max<size_t>(rows, 1));
    return 0;
}
