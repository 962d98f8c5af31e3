#include "host/columns.h"

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

namespace qelfin::host {

namespace {

// An argument whose value moves with the row.
struct Moving {
    ArgDescriptor* descriptor;
    const double* data;
    ptrdiff_t stride;
};

void check_outputs(size_t rows, const ColumnOutputs& out) {
    if (out.value == nullptr && rows > 0) throw std::invalid_argument("no result column");
}

std::string count_error(int32_t takes, size_t given) {
    return "the call site takes " + std::to_string(takes) + " arguments, " + std::to_string(given) + " given";
}

// Binds the columns to the block's first arguments; those that move are
// added to `moving`.
void bind_columns(CallSite& site, std::span<const Column> args, std::vector<Moving>& moving) {
    for (size_t k = 0; k < args.size(); ++k) {
        site.bind(static_cast<int32_t>(k), args[k].data);
        if (args[k].stride != 0) moving.push_back({&site.block()->args[k], args[k].data, args[k].stride});
    }
}

// The row loop: `point(r)` points the block at row r's values, then the
// entry is called and its outcome written.  The interrupt is asked when
// 20 ms have passed, the clock read every 256 rows.
template <class Point>
ColumnSummary run_rows(CallSite& site, size_t rows, const ColumnOutputs& out, Point point) {
    using Clock = std::chrono::steady_clock;
    constexpr auto kBlockTime = std::chrono::milliseconds(20);
    ColumnSummary summary;
    auto asked = Clock::now();
    RouteNotes route(site.note_sink());
    for (size_t r = 0; r < rows; ++r) {
        if (out.interrupt != nullptr && r % 256 == 255 && Clock::now() - asked >= kBlockTime) {
            if (out.interrupt->stop(out.interrupt->context)) {
                summary.interrupted = true;
                break;
            }
            asked = Clock::now();
        }
        point(r);
        if (out.row != nullptr) *out.row = r;
        const CallSite::Outcome o = site.call_routed();
        out.value[r] = o.value;
        if (out.status != nullptr) out.status[r] = o.status;
        if (out.marked != nullptr) out.marked[r] = o.marked;
        if (o.status == 0)
            ++summary.ok;
        else
            ++summary.failed;
    }
    return summary;
}

void point_moving(const std::vector<Moving>& moving, ptrdiff_t row) {
    for (const Moving& m : moving) m.descriptor->value = const_cast<double*>(m.data + row * m.stride);
}

}  // namespace

ColumnSummary evaluate_columns(CallSite& site, std::span<const Column> args, size_t rows, const ColumnOutputs& out) {
    if (args.size() != static_cast<size_t>(site.arg_count()))
        throw std::invalid_argument(count_error(site.arg_count(), args.size()));
    check_outputs(rows, out);
    // One allocation per evaluation, none per row.
    std::vector<Moving> moving;
    moving.reserve(args.size());
    bind_columns(site, args, moving);
    return run_rows(site, rows, out, [&](size_t r) { point_moving(moving, static_cast<ptrdiff_t>(r)); });
}

ColumnSummary evaluate_series(CallSite& site, std::span<const Column> leading, const SeriesBlock& series,
                              size_t rows, const ColumnOutputs& out) {
    const int32_t takes = site.arg_count();
    if (leading.size() + series.elements != static_cast<size_t>(takes))
        throw std::invalid_argument(count_error(takes, leading.size() + series.elements));
    if ((series.starts == nullptr) != (series.lengths == nullptr))
        throw std::invalid_argument("a series block of rows of their own lengths needs both starts and lengths");
    check_outputs(rows, out);
    std::vector<Moving> moving;
    moving.reserve(leading.size());
    bind_columns(site, leading, moving);
    FunctionArgs* const block = site.block();
    ArgDescriptor* const elements = block->args + leading.size();
    const auto first = static_cast<int32_t>(leading.size());

    if (series.starts == nullptr) {
        return run_rows(site, rows, out, [&](size_t r) {
            point_moving(moving, static_cast<ptrdiff_t>(r));
            const double* p = series.base + static_cast<ptrdiff_t>(r) * series.row_stride;
            for (size_t j = 0; j < series.elements; ++j, p += series.element_stride)
                elements[j].value = const_cast<double*>(p);
        });
    }
    for (size_t r = 0; r < rows; ++r)
        if (series.lengths[r] < 0 || static_cast<size_t>(series.lengths[r]) > series.elements)
            throw std::invalid_argument("row " + std::to_string(r) + " holds more elements than the site takes");
    const ColumnSummary summary = run_rows(site, rows, out, [&](size_t r) {
        point_moving(moving, static_cast<ptrdiff_t>(r));
        const double* p = series.base + series.starts[r];
        const int32_t n = series.lengths[r];
        for (int32_t j = 0; j < n; ++j, p += series.element_stride) elements[j].value = const_cast<double*>(p);
        block->arg_count = first + n;
    });
    block->arg_count = takes;
    return summary;
}

}  // namespace qelfin::host
