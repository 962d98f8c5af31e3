// Evaluating parsed expressions against the module.
//
// Each textual call is a call site with an argument block of its own, built
// once and reused for every evaluation, as a host keeps one block per call
// site: the call_state the module stores in it (the IRR/INTRR note counter)
// persists across rows, and the caller kind is the one qelhost was given.
// Between calls the host clears the ARG_INVALID marks the module left.
#pragma once

#include "expression.h"
#include "host/module.h"
#include "number_text.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
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
    int64_t nanoseconds = 0;               // time inside the entry (with timing on)
};

struct CallSite {
    CallSite(int function, FunctionEntry entry, size_t arg_count, uint8_t caller_kind);
    CallSite(CallSite&&) = default;

    int function;
    FunctionEntry entry;
    std::unique_ptr<uint64_t[]> storage;  // the block: header and descriptors, 8-byte aligned
    std::unique_ptr<double[]> values;     // the argument values the descriptors point to
    FunctionArgs* block;
    SiteStats stats;
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
    Program(const Module& module, Tree tree, uint8_t caller_kind);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The value of the expression rooted at `root`, with column slot i read
    // from row[i]; MISSING when it has none.
    double evaluate(int32_t root, const double* row);

    const Tree& tree() const { return tree_; }
    const std::vector<CallSite>& sites() const { return sites_; }
    int64_t divisions_by_zero() const { return divisions_by_zero_; }

    // Every entry call is appended to *trace while one is set.
    void set_trace(std::vector<CallOutcome>* trace) { trace_ = trace; }
    // Called for every note as the module writes it.
    void set_note_handler(std::function<void(int32_t site, const Note&)> handler) { on_note_ = std::move(handler); }
    // Measures the time spent inside entries (two clock reads per call).
    void set_timing(bool on) { timing_ = on; }

private:
    double call(int32_t site, const double* row);

    const Module& module_;
    Tree tree_;
    std::vector<CallSite> sites_;
    // Notes of the current call, collected by the host's log.
    struct Collector final : qelfin::host::NoteSink {
        std::vector<Note> notes;
        void note(const Note& n) override { notes.push_back(n); }
    } collector_;
    std::vector<Note>& sink_ = collector_.notes;
    std::vector<CallOutcome>* trace_ = nullptr;
    std::function<void(int32_t, const Note&)> on_note_;
    bool timing_ = false;
    int64_t divisions_by_zero_ = 0;
};

}  // namespace qelhost
