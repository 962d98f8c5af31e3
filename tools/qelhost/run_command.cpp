// qelhost run: computes columns over a CSV file, row by row, as a
// data-processing host does, and writes the input columns and the computed
// ones.  Rows keep their order and none is dropped; a failed call leaves an
// empty cell.  A summary goes to standard error.  Input from a pipe is
// computed as it arrives, and the rows computed go out before the run waits
// for more (input.h).  The output replaces its target only once it is
// complete (output_file.h), so a run onto its own input reads the file as
// it was and a failed or interrupted run leaves the target as it was.
#include "commands.h"
#include "csv.h"
#include "cut_short.h"
#include "input.h"
#include "json.h"
#include "output_file.h"
#include "printable.h"
#include "program.h"
#include "progress.h"
#include "refusals.h"
#include "rounding.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <set>

namespace qelhost {

namespace {

using Clock = std::chrono::steady_clock;
using qelfin::host::describe_argument;
using qelfin::host::functions;
using qelfin::host::status_name;

constexpr size_t kBatchRows = 1024;            // rows read, computed and written together
constexpr size_t kFlushBytes = size_t{1} << 20;  // output is written in blocks of about this size
constexpr size_t kProgressBytes = size_t{8} << 20;  // files at least this large show a progress bar

struct Compute {
    std::string text;  // as given to --compute
    std::string name;
    int32_t slot = 0;
    int32_t root = 0;
    int64_t divisions_by_zero = 0;
};

// Cells of one column that are not numbers.
struct BadCells {
    int64_t count = 0;
    int64_t first_row = 0;
    std::string first_text;
};

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

std::string plural(int64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string status_counts(int64_t ok, const std::map<uint32_t, int64_t>& failures) {
    std::string s = std::to_string(ok) + " ok";
    for (const auto& [status, count] : failures) s += ", " + std::to_string(count) + " " + std::string(status_name(status));
    return s;
}

// Where SIGINT stopped the run: the first row not written.
int interrupted(int64_t row, const std::string& output) {
    const std::string left = output.empty() ? "the rows before it were written" : printable(output) + " was left as it was";
    std::fprintf(stderr, "qelhost: interrupted at row %lld; %s\n", static_cast<long long>(row), left.c_str());
    return kExitInterrupted;
}

// One row as a JSON object: input cells as strings (null when the row has
// no such cell), computed cells as numbers (null when missing), then the
// status cells asked for.
void append_json_row(std::string& out, const std::vector<std::string>& names, size_t input_columns,
                     const std::vector<bool>& replaced, const Record& rec, const std::vector<Field>& fields,
                     const double* row, const std::vector<Compute>& computes, const std::vector<bool>& status_columns,
                     const RefusalLog& refusals, size_t batch_row) {
    std::string scratch;
    out += '{';
    for (size_t s = 0; s < names.size(); ++s) {
        if (s) out += ',';
        append_json_string(out, names[s]);
        out += ':';
        if (s >= input_columns || replaced[s])
            append_json_number(out, row[s]);
        else if (s < rec.count)
            append_json_string(out, field_text(fields[rec.first + s], scratch));
        else
            out += "null";
    }
    for (size_t k = 0; k < computes.size(); ++k)
        if (status_columns[k]) {
            out += ',';
            append_json_string(out, computes[k].name + "_status");
            out += ':';
            append_json_string(out, refusals.status_cell(k, batch_row, row[computes[k].slot]));
        }
    out += "}\n";
}

}  // namespace

int run(const Module& module, const RunOptions& options) {
    const Clock::time_point start = Clock::now();
    stop_on_interrupt();
    Input input(options.input);
    // A byte-order mark (spreadsheets write one) is not part of the first
    // column's name; it is written back in front of the output.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    const bool has_mark = input.window().substr(0, kByteOrderMark.size()) == kByteOrderMark;
    if (has_mark) input.skip(kByteOrderMark.size());
    Clock::duration read_time = Clock::now() - start;
    const char delim = options.delimiter;

    CsvReader reader(input.window(), delim, input.complete());
    std::vector<Field> header_fields;
    Record header;
    while (!reader.next(header_fields, header)) {
        if (reader.at_end() || !input.refill(reader.offset())) {
            if (stop_requested()) return interrupted(1, options.output);
            throw UsageError(options.input + " is empty: the first row must name the columns");
        }
        reader.advance(input.window(), input.complete());
    }

    // Slots: the input columns in file order, then each new computed column.
    Scope scope;
    std::string scratch;
    for (const Field& f : header_fields) {
        std::string_view name = field_text(f, scratch);
        while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
        while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
        scope.names.emplace_back(name);
    }
    const size_t input_columns = scope.names.size();
    scope.visible = input_columns;

    Tree tree;
    std::vector<Compute> computes;
    std::vector<ComputeHead> heads;
    for (const std::string& text : options.computes) {
        try {
            heads.push_back(parse_compute_head(text));
        } catch (ExpressionError& e) {
            e.source = text;
            throw;
        }
    }
    for (size_t k = 0; k < options.computes.size(); ++k) {
        Compute c;
        c.text = options.computes[k];
        c.name = heads[k].name;
        scope.later.clear();
        for (size_t j = k + 1; j < heads.size(); ++j) scope.later.push_back(heads[j].name);
        try {
            c.root = parse_expression(tree, scope, c.text, heads[k].expression_offset, static_cast<int32_t>(k));
        } catch (ExpressionError& e) {
            e.source = c.text;
            throw;
        }
        // A name already there (an input column, or one computed before) is
        // replaced in place; a new one is added after the input columns.
        c.slot = -1;
        for (size_t i = 0; i < scope.names.size(); ++i)
            if (scope.names[i] == c.name) c.slot = static_cast<int32_t>(i);
        if (c.slot < 0) {
            scope.names.push_back(c.name);
            c.slot = static_cast<int32_t>(scope.names.size() - 1);
        }
        scope.visible = scope.names.size();
        computes.push_back(std::move(c));
    }
    const size_t slots = scope.names.size();

    std::vector<bool> replaced(input_columns, false);
    bool any_replaced = false;
    for (const Compute& c : computes)
        if (static_cast<size_t>(c.slot) < input_columns) replaced[static_cast<size_t>(c.slot)] = any_replaced = true;
    std::vector<int32_t> read_slots;  // the input columns some expression reads
    {
        std::set<int32_t> used;
        for (const Node& n : tree.nodes)
            if (n.op == Op::column && static_cast<size_t>(n.a) < input_columns) used.insert(n.a);
        read_slots.assign(used.begin(), used.end());
    }

    // --status names computed columns; each gets NAME_status after the new columns.
    std::vector<bool> status_columns(computes.size(), false);
    std::vector<std::string> compute_names;
    for (const Compute& c : computes) compute_names.push_back(c.name);
    for (const std::string& name : options.status) {
        size_t k = 0;
        while (k < computes.size() && computes[k].name != name) ++k;
        if (k == computes.size()) {
            std::vector<std::string_view> candidates(compute_names.begin(), compute_names.end());
            const std::string_view near = qelfin::host::nearest_name(name, candidates);
            throw UsageError("--status " + printable(name) + ": no column of that name is computed" +
                             (near.empty() ? std::string() : " (did you mean " + std::string(near) + "?)"));
        }
        status_columns[k] = true;
    }

    OutputFile out_file(options.output);
    std::string out;
    out.reserve(kFlushBytes + (kFlushBytes >> 2));
    auto flush = [&] {
        out_file.write(out);
        out.clear();
    };

    // Header: the input header as it stands, then the new columns.
    if (!options.json) {
        if (has_mark) out += kByteOrderMark;
        out += header.raw;
        for (size_t s = input_columns; s < slots; ++s) {
            out += delim;
            append_field(out, scope.names[s], delim);
        }
        for (size_t k = 0; k < computes.size(); ++k)
            if (status_columns[k]) {
                out += delim;
                append_field(out, computes[k].name + "_status", delim);
            }
        out += '\n';
    }
    // A computed cell: the shortest form that reads back, or fixed decimals.
    auto append_computed = [&](double x) {
        if (options.precision < 0)
            append_number(out, x, "");
        else
            append_fixed(out, x, options.precision, "");
    };

    Program program(module, std::move(tree), options.caller_kind, kBatchRows);
    program.set_timing(options.timing);
    Progress progress(options.progress && progress_fits(out_file.fd()) &&
                          (input.total() == 0 || input.total() >= kProgressBytes),
                      input.total());

    RefusalLog refusals(module, program, compute_names, status_columns, options.errors, kBatchRows);
    program.set_refusal_handler([&](int32_t site, int64_t row_number, size_t batch_row, std::span<const double> args,
                                    uint32_t status, int32_t marked) {
        refusals.record(site, row_number, batch_row, args, status, marked);
    });
    const bool any_status = std::find(status_columns.begin(), status_columns.end(), true) != status_columns.end();

    std::vector<std::string> labels;
    for (const CallText& c : program.tree().calls)
        labels.push_back("[" + computes[static_cast<size_t>(c.expression)].name + "] " + c.text);
    program.set_note_handler([&](int32_t site, int64_t row_number, const Note& note) {
        progress.clear();
        std::fprintf(stderr, "qelhost: row %lld: %s: %s\n", static_cast<long long>(row_number),
                     labels[static_cast<size_t>(site)].c_str(), note.text.c_str());
    });
    if (options.hints)
        program.set_hint_handler([&](int32_t site, int64_t row_number, const std::string& hint) {
            progress.clear();
            std::fprintf(stderr, "qelhost: row %lld: %s: hint: %s\n", static_cast<long long>(row_number),
                         labels[static_cast<size_t>(site)].c_str(), hint.c_str());
        });

    std::vector<BadCells> bad(input_columns);
    int64_t short_rows = 0, long_rows = 0, first_ragged_row = 0;
    size_t first_ragged_count = 0;
    std::vector<Field> fields;
    std::vector<Record> records(kBatchRows);
    std::vector<double> values(kBatchRows * slots);
    std::vector<double> results(kBatchRows);
    Clock::duration parse_time{}, evaluate_time{}, write_time{};
    int64_t rows = 0;
    // The next window of input read as it arrives; before the run waits
    // for it, the rows computed so far go out.  False at the end of the
    // input, or when SIGINT asked the run to stop.
    auto next_window = [&] {
        if (reader.at_end() || stop_requested()) return false;
        const Clock::time_point t = Clock::now();
        if (!input.ready()) {
            flush();
            refusals.flush();
        }
        const bool more = input.refill(reader.offset());
        reader.advance(input.window(), input.complete());
        read_time += Clock::now() - t;
        return more;
    };

    for (;;) {
        const Clock::time_point t0 = Clock::now();
        fields.clear();
        size_t n = 0;
        while (n < kBatchRows && reader.next(fields, records[n])) ++n;
        if (n == 0) {
            if (!next_window()) break;
            continue;
        }
        for (size_t r = 0; r < n; ++r) {
            const Record& rec = records[r];
            double* row = &values[r * slots];
            if (rec.count != input_columns) {
                (rec.count < input_columns ? short_rows : long_rows) += 1;
                if (first_ragged_row == 0) {
                    first_ragged_row = rows + static_cast<int64_t>(r) + 1;
                    first_ragged_count = rec.count;
                }
            }
            for (const int32_t slot : read_slots) {
                const size_t s = static_cast<size_t>(slot);
                if (s >= rec.count) {
                    row[s] = kMissing;  // a short row: the cell is not there
                    continue;
                }
                const std::string_view text = field_text(fields[rec.first + s], scratch);
                if (read_number(text, row[s]) == CellKind::not_number) {
                    BadCells& b = bad[s];
                    if (b.count++ == 0) {
                        b.first_row = rows + static_cast<int64_t>(r) + 1;
                        b.first_text = printable(text);
                    }
                }
            }
        }
        const Clock::time_point t1 = Clock::now();
        if (any_status) refusals.start_batch();
        for (Compute& c : computes) {
            const int64_t before = program.divisions_by_zero();
            program.evaluate(c.root, values.data(), slots, n, results.data(), rows + 1);
            for (size_t r = 0; r < n; ++r) values[r * slots + static_cast<size_t>(c.slot)] = results[r];
            c.divisions_by_zero += program.divisions_by_zero() - before;
        }
        const Clock::time_point t2 = Clock::now();
        for (size_t r = 0; r < n && options.json; ++r)
            append_json_row(out, scope.names, input_columns, replaced, records[r], fields, &values[r * slots],
                            computes, status_columns, refusals, r);
        for (size_t r = 0; r < n && !options.json; ++r) {
            const Record& rec = records[r];
            const double* row = &values[r * slots];
            if (!any_replaced && rec.count == input_columns) {
                out += rec.raw;
            } else {
                // Cell by cell: replaced cells, and rows whose number of
                // cells differs from the header's (padded or cut to it).
                for (size_t s = 0; s < input_columns; ++s) {
                    if (s) out += delim;
                    if (replaced[s])
                        append_computed(row[s]);
                    else if (s < rec.count)
                        out += fields[rec.first + s].raw;
                }
            }
            for (size_t s = input_columns; s < slots; ++s) {
                out += delim;
                append_computed(row[s]);
            }
            if (any_status)
                for (size_t k = 0; k < computes.size(); ++k)
                    if (status_columns[k]) {
                        out += delim;
                        append_field(out, refusals.status_cell(k, r, row[computes[k].slot]), delim);
                    }
            out += '\n';
        }
        if (out.size() >= kFlushBytes) {
            flush();
            refusals.flush();
        }
        const Clock::time_point t3 = Clock::now();
        parse_time += t1 - t0;
        evaluate_time += t2 - t1;
        write_time += t3 - t2;
        rows += static_cast<int64_t>(n);
        progress.update(input.dropped() + reader.offset(), rows);
        if (stop_requested()) break;
    }
    if (stop_requested()) {
        // What was computed stays written where the output is written in
        // place; a temporary file is removed as the run unwinds.
        flush();
        refusals.flush();
        progress.clear();
        return interrupted(rows + 1, options.output);
    }
    const Clock::time_point t4 = Clock::now();
    flush();
    refusals.commit();
    out_file.commit();
    write_time += Clock::now() - t4;
    progress.clear();

    // Summary.
    int64_t calls = 0, ok = 0, notes = 0, entry_ns = 0;
    std::map<uint32_t, int64_t> failures;
    for (const Site& site : program.sites()) {
        calls += site.stats.calls;
        ok += site.stats.ok;
        notes += site.stats.note_count;
        entry_ns += site.stats.nanoseconds;
        for (const auto& [status, count] : site.stats.failures) failures[status] += count;
    }
    std::string s = "qelhost: " + plural(rows, "row", "rows") + "; " + plural(calls, "call", "calls");
    if (calls > 0) s += ": " + status_counts(ok, failures);
    s += "; " + plural(notes, "note", "notes") + "\n";
    for (size_t i = 0; i < program.sites().size(); ++i) {
        const SiteStats& st = program.sites()[i].stats;
        const auto& f = functions()[static_cast<size_t>(program.sites()[i].function)];
        s += "  " + labels[i] + ": " + plural(st.calls, "call", "calls");
        if (st.calls > 0) s += ": " + status_counts(st.ok, st.failures);
        for (const auto& [position, count] : st.marks)
            s += "; " + describe_argument(f, position) + " marked " + plural(count, "time", "times");
        for (const auto& [id, count] : st.notes) s += "; " + plural(count, "note", "notes") + " " + std::to_string(id);
        s += '\n';
        s += refusals.summary(static_cast<int32_t>(i));
    }
    for (const Compute& c : computes)
        if (c.divisions_by_zero > 0)
            s += "  [" + c.name + "] " + plural(c.divisions_by_zero, "division", "divisions") +
                 " by zero, the result left missing\n";
    for (size_t col = 0; col < input_columns; ++col) {
        const BadCells& b = bad[col];
        if (b.count == 0) continue;
        s += "  column " + printable(scope.names[col]) + ": " + plural(b.count, "cell is", "cells are") +
             " not a number, read as missing (first: row " + std::to_string(b.first_row) + ", \"" + b.first_text +
             "\")\n";
    }
    if (short_rows + long_rows > 0)
        s += "  " + plural(short_rows + long_rows, "row has", "rows have") + " a number of cells other than the header's " +
             std::to_string(input_columns) + " (first: row " + std::to_string(first_ragged_row) + " with " +
             std::to_string(first_ragged_count) + "); missing cells were read as missing, extra cells dropped\n";
    if (reader.unclosed_quote_line() > 0)
        s += "  the quoted cell opened on line " + std::to_string(reader.unclosed_quote_line()) +
             " is never closed; it runs to the end of the file\n";
    if (options.timing) {
        const double total = seconds(Clock::now() - start);
        char line[400];
        std::snprintf(line, sizeof line,
                      "  time: %.3f s, %.0f rows/s; read %.3f s, parse %.3f s, evaluate %.3f s (inside entries "
                      "%.3f s), write %.3f s\n",
                      total, total > 0 ? static_cast<double>(rows) / total : 0.0, seconds(read_time),
                      seconds(parse_time), seconds(evaluate_time), static_cast<double>(entry_ns) * 1e-9,
                      seconds(write_time));
        s += line;
    }
    std::fputs(s.c_str(), stderr);
    return 0;
}

}  // namespace qelhost
