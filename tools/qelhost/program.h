// Evaluating parsed expressions against the module, a batch of rows at a
// time.
//
// Each textual call is a call site of the embeddable host: its argument
// block is built once and reused for every row, so the call_state the
// module stores in it (the IRR/INTRR note counter) persists across rows,
// and the caller kind is the one qelhost was given.  An expression is
// evaluated node by node over the whole batch: a column is read in place
// from the row-major batch, a number is repeated, arithmetic runs over the
// batch, and each call goes through the column API over its argument
// columns.
#pragma once

#include "expression.h"
#include "host/columns.h"
#include "number_text.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <vector>

namespace qelhost {

using qelfin::host::Module;
using qelfin::host::Note;

// Counts kept per call site for the summary.
struct SiteStats {
    int64_t calls = 0;
    int64_t ok = 0;                        // calls that returned status 0
    std::map<uint32_t, int64_t> failures;  // nonzero status code -> calls that returned it
    std::map<int32_t, int64_t> marks;      // argument position -> calls that marked it
    std::map<int32_t, int64_t> notes;      // message id -> notes written
    int64_t note_count = 0;
    int64_t nanoseconds = 0;               // time in the call site (with timing on)
};

// One call site of the program and what its calls gave.
struct Site {
    Site(const Module& module, int function, size_t arg_count, uint8_t caller_kind);

    int function;
    qelfin::host::CallSite call_site;
    SiteStats stats;
    std::vector<int32_t> checked;  // arguments (0-based) with a plausibility check, until a hint is drawn
};

// One entry call as eval reports it.
struct CallOutcome {
    int32_t site = 0;
    std::vector<double> args;
    uint32_t status = 0;
    double value = 0.0;
    std::vector<int32_t> marked;
    std::vector<Note> notes;
};

class Program {
public:
    // Batches hold at most max_rows rows.
    Program(const Module& module, Tree tree, uint8_t caller_kind, size_t max_rows = 1);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The values of the expression rooted at `root` for `rows` rows, row r
    // holding its column slots at batch[r * width ...]; out[r] receives the
    // value of row r (MISSING where it has none).  first_row numbers the
    // batch's first row for notes.
    void evaluate(int32_t root, const double* batch, size_t width, size_t rows, double* out, int64_t first_row = 1);
    // One row.
    double evaluate(int32_t root, const double* row);

    const Tree& tree() const { return tree_; }
    const std::vector<Site>& sites() const { return sites_; }
    int64_t divisions_by_zero() const { return divisions_by_zero_; }

    // Every entry call is appended to *trace while one is set.
    void set_trace(std::vector<CallOutcome>* trace) { trace_ = trace; }
    // Called for every note as the module writes it, with its row number.
    void set_note_handler(std::function<void(int32_t site, int64_t row, const Note&)> handler) {
        on_note_ = std::move(handler);
    }
    // Called for every call that gives no value: its site, row number, row
    // in the batch, arguments, status and marked argument (0 for none).
    using RefusalHandler = std::function<void(int32_t site, int64_t row, size_t batch_row,
                                              std::span<const double> args, uint32_t status, int32_t marked)>;
    void set_refusal_handler(RefusalHandler handler) { on_refusal_ = std::move(handler); }
    // Called once per call site, for the first row whose arguments draw a
    // plausibility hint (host/hints.h), with the hint's text.
    void set_hint_handler(std::function<void(int32_t site, int64_t row, const std::string& hint)> handler) {
        on_hint_ = std::move(handler);
    }
    // Measures the time spent in call sites (two clock reads per batch).
    void set_timing(bool on) { timing_ = on; }

private:
    // Notes of the site being evaluated, with the row of each.
    struct Collector final : qelfin::host::NoteSink {
        size_t row = 0;  // written by the column loop before every call
        std::vector<std::pair<size_t, Note>> notes;
        void note(const Note& n) override { notes.emplace_back(row, n); }
    };

    qelfin::host::Column node(int32_t index, const double* batch, size_t width, size_t rows);
    void hint(int32_t site, std::span<const qelfin::host::Column> args, size_t rows);
    qelfin::host::Column call(int32_t site, double* out, const double* batch, size_t width, size_t rows);

    Tree tree_;
    size_t max_rows_;
    std::vector<Site> sites_;
    std::vector<std::vector<double>> buffers_;  // one batch of values per node that computes
    std::vector<uint32_t> status_;
    std::vector<int32_t> marked_;
    Collector collector_;
    int64_t first_row_ = 1;
    std::vector<CallOutcome>* trace_ = nullptr;
    std::function<void(int32_t, int64_t, const Note&)> on_note_;
    RefusalHandler on_refusal_;
    std::function<void(int32_t, int64_t, const std::string&)> on_hint_;
    std::vector<double> refused_args_;
    bool timing_ = false;
    int64_t divisions_by_zero_ = 0;
};

}  // namespace qelhost
