#include "program.h"

#include <chrono>
#include <cmath>

#include "rounding.h"
#include "host/hints.h"

namespace qelhost {

using qelfin::host::Column;

Site::Site(const Module& module, int function_index, size_t arg_count, uint8_t caller_kind)
    : function(function_index), call_site(module, function_index, static_cast<int32_t>(arg_count), caller_kind) {
    const auto& f = qelfin::host::functions()[static_cast<size_t>(function_index)];
    for (int32_t i = 0; i < f.leading && static_cast<size_t>(i) < arg_count; ++i)
        if (f.details[static_cast<size_t>(i)].plausibility != qelfin::host::Plausibility::none) checked.push_back(i);
}

Program::Program(const Module& module, Tree tree, uint8_t caller_kind, size_t max_rows)
    : tree_(std::move(tree)), max_rows_(max_rows == 0 ? 1 : max_rows) {
    sites_.reserve(tree_.calls.size());
    for (const CallText& c : tree_.calls) {
        sites_.emplace_back(module, c.function, c.args.size(), caller_kind);
        sites_.back().call_site.set_note_sink(&collector_);
    }
    buffers_.resize(tree_.nodes.size());
    for (size_t i = 0; i < tree_.nodes.size(); ++i) {
        const Op op = tree_.nodes[i].op;
        if (op != Op::number && op != Op::column) buffers_[i].resize(max_rows_);
    }
    status_.resize(max_rows_);
    marked_.resize(max_rows_);
}

Program::~Program() = default;

void Program::evaluate(int32_t root, const double* batch, size_t width, size_t rows, double* out, int64_t first_row) {
    first_row_ = first_row;
    for (size_t start = 0; start < rows; start += max_rows_) {
        const size_t n = std::min(max_rows_, rows - start);
        const Column c = node(root, batch + start * width, width, n);
        for (size_t r = 0; r < n; ++r) out[start + r] = c.at(r);
        first_row_ += static_cast<int64_t>(n);
    }
}

double Program::evaluate(int32_t root, const double* row) {
    double value = kMissing;
    evaluate(root, row, 0, 1, &value);
    return value;
}

// The values of one node over the batch, as a column.
Column Program::node(int32_t index, const double* batch, size_t width, size_t rows) {
    const Node& n = tree_.nodes[static_cast<size_t>(index)];
    double* const out = buffers_[static_cast<size_t>(index)].data();
    switch (n.op) {
        case Op::number: return {&n.number, 0};
        case Op::column: return {batch + n.a, static_cast<ptrdiff_t>(width)};
        case Op::call: return call(n.a, out, batch, width, rows);
        case Op::negate: {
            const Column x = node(n.a, batch, width, rows);
            for (size_t r = 0; r < rows; ++r) {
                const double v = x.at(r);
                out[r] = is_missing(v) ? kMissing : -v;
            }
            return {out, 1};
        }
        case Op::round: {
            const Column x = node(n.a, batch, width, rows);
            const Column d = node(n.b, batch, width, rows);
            for (size_t r = 0; r < rows; ++r) {
                const double v = x.at(r);
                const double decimals = d.at(r);
                const bool whole = decimals == std::floor(decimals) && std::fabs(decimals) <= kMaxDecimals;
                out[r] = is_missing(v) || !whole ? kMissing : round_decimals(v, static_cast<int>(decimals));
            }
            return {out, 1};
        }
        default: break;
    }
    const Column left = node(n.a, batch, width, rows);
    const Column right = node(n.b, batch, width, rows);
    for (size_t r = 0; r < rows; ++r) {
        const double l = left.at(r);
        const double x = right.at(r);
        // A missing operand makes the result missing (the module's MISSING,
        // not whichever NaN the arithmetic would carry along).
        if (is_missing(l) || is_missing(x)) {
            out[r] = kMissing;
            continue;
        }
        switch (n.op) {
            case Op::add: out[r] = l + x; break;
            case Op::subtract: out[r] = l - x; break;
            case Op::multiply: out[r] = l * x; break;
            default:
                if (x == 0.0) {
                    ++divisions_by_zero_;
                    out[r] = kMissing;
                } else {
                    out[r] = l / x;
                }
        }
    }
    return {out, 1};
}

// Looks for the first row whose arguments draw a hint; one per call site.
void Program::hint(int32_t index, std::span<const Column> args, size_t rows) {
    Site& site = sites_[static_cast<size_t>(index)];
    const auto& f = qelfin::host::functions()[static_cast<size_t>(site.function)];
    for (size_t r = 0; r < rows; ++r)
        for (const int32_t k : site.checked) {
            const Column& c = args[static_cast<size_t>(k)];
            const double x = c.at(r);
            if (!qelfin::host::implausible(f.details[static_cast<size_t>(k)].plausibility, x)) continue;
            site.checked.clear();
            on_hint_(index, first_row_ + static_cast<int64_t>(r), qelfin::host::plausibility_hint(f, k + 1, x));
            return;
        }
}

Column Program::call(int32_t index, double* out, const double* batch, size_t width, size_t rows) {
    Site& site = sites_[static_cast<size_t>(index)];
    const CallText& text = tree_.calls[static_cast<size_t>(index)];
    std::vector<Column> args;  // one small vector per call site and batch, not per row
    args.reserve(text.args.size());
    for (const int32_t a : text.args) args.push_back(node(a, batch, width, rows));

    if (on_hint_ && !site.checked.empty()) hint(index, args, rows);

    const qelfin::host::ColumnOutputs outputs{out, status_.data(), marked_.data(), &collector_.row};
    const auto t0 = timing_ ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point{};
    qelfin::host::evaluate_columns(site.call_site, args, rows, outputs);
    if (timing_)
        site.stats.nanoseconds +=
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - t0).count();

    SiteStats& stats = site.stats;
    stats.calls += static_cast<int64_t>(rows);
    size_t next_note = 0;
    for (size_t r = 0; r < rows; ++r) {
        const uint32_t status = status_[r];
        if (status == 0) {
            ++stats.ok;
        } else {
            ++stats.failures[status];
            if (marked_[r] != 0) ++stats.marks[marked_[r]];
            if (on_refusal_) {
                refused_args_.clear();
                for (const Column& c : args) refused_args_.push_back(c.at(r));
                on_refusal_(index, first_row_ + static_cast<int64_t>(r), r, refused_args_, status, marked_[r]);
            }
        }
        CallOutcome* outcome = nullptr;
        if (trace_ != nullptr) {
            outcome = &trace_->emplace_back();
            outcome->site = index;
            for (const Column& c : args) outcome->args.push_back(c.at(r));
            outcome->status = status;
            outcome->value = out[r];
            if (status != 0 && marked_[r] != 0) outcome->marked.push_back(marked_[r]);
        }
        for (; next_note < collector_.notes.size() && collector_.notes[next_note].first == r; ++next_note) {
            const Note& note = collector_.notes[next_note].second;
            ++stats.note_count;
            ++stats.notes[note.id];
            if (on_note_) on_note_(index, first_row_ + static_cast<int64_t>(r), note);
            if (outcome) outcome->notes.push_back(note);
        }
    }
    collector_.notes.clear();
    return {out, 1};
}

}  // namespace qelhost
