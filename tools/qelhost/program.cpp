#include "program.h"

#include <chrono>

namespace qelhost {

using qelfin::host::Host;

CallSite::CallSite(int function_index, FunctionEntry function_entry, size_t arg_count, uint8_t caller_kind)
    : function(function_index), entry(function_entry) {
    const size_t bytes = sizeof(FunctionArgs) + arg_count * sizeof(ArgDescriptor);
    storage = std::make_unique<uint64_t[]>((bytes + 7) / 8);
    values = std::make_unique<double[]>(arg_count == 0 ? 1 : arg_count);
    block = reinterpret_cast<FunctionArgs*>(storage.get());
    block->call_state = nullptr;
    block->caller_kind = caller_kind;
    block->arg_count = static_cast<int32_t>(arg_count);
    for (size_t i = 0; i < arg_count; ++i) {
        block->args[i].flags = ARG_NUMERIC;
        block->args[i].value = &values[i];
    }
}

Program::Program(const Module& module, Tree tree, uint8_t caller_kind) : module_(module), tree_(std::move(tree)) {
    sites_.reserve(tree_.calls.size());
    for (const CallText& c : tree_.calls)
        sites_.emplace_back(c.function, module_.entry(c.function), c.args.size(), caller_kind);
    // The host's log hands every note written on this thread to sink_.
    Host::route_notes_on_this_thread(&collector_);
}

Program::~Program() { Host::route_notes_on_this_thread(nullptr); }

double Program::evaluate(int32_t root, const double* row) {
    const Node& n = tree_.nodes[static_cast<size_t>(root)];
    switch (n.op) {
        case Op::number: return n.number;
        case Op::column: return row[n.a];
        case Op::call: return call(n.a, row);
        case Op::negate: {
            const double x = evaluate(n.a, row);
            return is_missing(x) ? kMissing : -x;
        }
        default: break;
    }
    const double l = evaluate(n.a, row);
    const double r = evaluate(n.b, row);
    // A missing operand makes the result missing (the module's MISSING, not
    // whichever NaN the arithmetic would carry along).
    if (is_missing(l) || is_missing(r)) return kMissing;
    switch (n.op) {
        case Op::add: return l + r;
        case Op::subtract: return l - r;
        case Op::multiply: return l * r;
        default:
            if (r == 0.0) {
                ++divisions_by_zero_;
                return kMissing;
            }
            return l / r;
    }
}

double Program::call(int32_t index, const double* row) {
    CallSite& site = sites_[static_cast<size_t>(index)];
    const CallText& text = tree_.calls[static_cast<size_t>(index)];
    const size_t n = text.args.size();
    for (size_t k = 0; k < n; ++k) site.values[k] = evaluate(text.args[k], row);

    // The module never clears a mark it set; a host reusing a block does.
    FunctionArgs* block = site.block;
    for (size_t k = 0; k < n; ++k) block->args[k].flags &= ~ARG_INVALID;

    double result = kMissing;
    uint32_t status;
    if (timing_) {
        const auto t0 = std::chrono::steady_clock::now();
        status = site.entry(block, &result);
        const auto t1 = std::chrono::steady_clock::now();
        site.stats.nanoseconds += std::chrono::duration_cast<std::chrono::nanoseconds>(t1 - t0).count();
    } else {
        status = site.entry(block, &result);
    }

    SiteStats& stats = site.stats;
    ++stats.calls;
    if (status == 0)
        ++stats.ok;
    else
        ++stats.failures[status];
    CallOutcome* outcome = nullptr;
    if (trace_ != nullptr) {
        trace_->emplace_back();
        outcome = &trace_->back();
        outcome->site = index;
        outcome->args.assign(site.values.get(), site.values.get() + n);
        outcome->status = status;
        outcome->value = status == 0 ? result : kMissing;
    }
    if (status != 0) {
        for (size_t k = 0; k < n; ++k) {
            if (block->args[k].flags & ARG_INVALID) {
                ++stats.marks[static_cast<int32_t>(k + 1)];
                if (outcome) outcome->marked.push_back(static_cast<int32_t>(k + 1));
            }
        }
    }
    if (!sink_.empty()) {
        for (const Note& note : sink_) {
            ++stats.note_count;
            ++stats.notes[note.id];
            if (on_note_) on_note_(index, note);
            if (outcome) outcome->notes.push_back(note);
        }
        sink_.clear();
    }
    return status == 0 ? result : kMissing;
}

}  // namespace qelhost
