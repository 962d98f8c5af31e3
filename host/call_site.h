// A call site: one textual call of one function with a fixed number of
// arguments (such as IRR(1, c0..c5)), made once and then called row after
// row with new values, as a data step calls the same expression on every
// observation.  Its argument block is built once and reused; the module's
// call_state word in it (the IRR/INTRR note counter) persists across rows,
// so the limit of ten notes holds per call site; the site releases that
// word through the host's counter pool when it goes, since the module never
// frees it.  Notes written by the site's calls go to its own sink.
//
// The block and the site's own values come from a pool (the C heap by
// default; the C API gives the embedding's, in the site's context).  The
// block grows by half again when the site needs more arguments than it
// holds, so that a window frame growing a row at a time copies its
// descriptors a logarithmic number of times, not once per row.
//
// A call site is used by one thread at a time.
#pragma once

#include "host/module.h"
#include "host/services.h"

#include <qelfin/qelfin_host.h>

#include <cstdint>
#include <memory>
#include <string_view>

namespace qelfin::host {

class CallSite {
public:
    CallSite(const Module& module, int function, int32_t arg_count, uint8_t caller_kind = 0,
             PoolService* memory = nullptr);
    CallSite(const Module& module, std::string_view function, int32_t arg_count, uint8_t caller_kind = 0);
    ~CallSite();
    CallSite(CallSite&& other) noexcept;
    CallSite& operator=(CallSite&&) = delete;
    CallSite(const CallSite&) = delete;
    CallSite& operator=(const CallSite&) = delete;

    int function() const { return function_; }
    int32_t arg_count() const { return block_->arg_count; }
    FunctionArgs* block() const { return block_; }
    const Module& module() const { return *module_; }

    // Argument i (0-based) reads its value from *value from now on; the
    // value must stay in place while the site is called.
    void bind(int32_t i, const double* value) { block_->args[i].value = const_cast<double*>(value); }
    // The site's own storage for argument i, bound to argument i.  The
    // storage (MISSING at first) is made on the first use, for the leading
    // arguments only while no later one is asked for, so that a site whose
    // list is always bound to columns (a long series) holds no copy of it.
    double& value(int32_t i) {
        double* own = own_values(i + 1);
        bind(i, &own[i]);
        return own[i];
    }
    // The own storage of the first `count` arguments, each bound to it.
    double* values(int32_t count);

    // The same site with another number of arguments: the arguments kept
    // keep their bindings and the note counter; new ones read MISSING.
    // Throws std::bad_alloc with the site as it was.
    void resize(int32_t arg_count);

    // Points every argument back at the site's own storage, or at one
    // MISSING where the site has none (after a column evaluation, whose
    // columns may go away).
    void bind_own_values();

    // Notes of this site's calls go to `sink` (null: the host's sink).
    void set_note_sink(NoteSink* sink) { sink_ = sink; }
    NoteSink* note_sink() const { return sink_; }

    // The one outcome of a call, shared with the C API: status, value
    // (MISSING unless the status is 0), argument marked (1-based, 0: none).
    using Outcome = qelfin_outcome;

    // One entry call on the arguments as bound.
    Outcome call() {
        const RouteNotes route(sink_);
        return call_routed();
    }
    // The same without rerouting notes (the column loop routes once).
    Outcome call_routed() {
        Outcome r{0, 0.0, 0};
        r.status = entry_(block_, &r.value);
        if (r.status != 0) r.marked = take_mark();
        Host::throw_if_note_lost();
        return r;
    }

private:
    int32_t take_mark();  // first marked argument, and clears every mark
    double* own_values(int32_t count);  // storage for at least `count` arguments
    void* allocate(size_t bytes);
    void init_arguments(int32_t from, int32_t to);  // numeric, bound as bind_own_values does

    const Module* module_;
    int function_;
    FunctionEntry entry_;
    PoolService* memory_;
    FunctionArgs* block_ = nullptr;  // header and descriptors
    double* values_ = nullptr;       // made by the first value()
    int32_t capacity_ = 0;           // descriptors allocated
    int32_t value_count_ = 0;        // own values allocated
    NoteSink* sink_ = nullptr;
};

}  // namespace qelfin::host
