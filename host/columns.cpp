#include "host/columns.h"

#include <stdexcept>
#include <vector>

namespace qelfin::host {

namespace {

// An argument whose value moves with the row.
struct Moving {
    ArgDescriptor* descriptor;
    const double* data;
    ptrdiff_t stride;
};

}  // namespace

ColumnSummary evaluate_columns(CallSite& site, std::span<const Column> args, size_t rows, const ColumnOutputs& out) {
    FunctionArgs* const block = site.block();
    if (args.size() != static_cast<size_t>(block->arg_count))
        throw std::invalid_argument("the call site takes " + std::to_string(block->arg_count) + " arguments, " +
                                    std::to_string(args.size()) + " columns given");
    if (out.value == nullptr && rows > 0) throw std::invalid_argument("no result column");

    // One allocation per evaluation, none per row.
    std::vector<Moving> moving;
    moving.reserve(args.size());
    for (size_t k = 0; k < args.size(); ++k) {
        site.bind(static_cast<int32_t>(k), args[k].data);
        if (args[k].stride != 0) moving.push_back({&block->args[k], args[k].data, args[k].stride});
    }

    ColumnSummary summary;
    RouteNotes route(site.note_sink());
    for (size_t r = 0; r < rows; ++r) {
        const ptrdiff_t row = static_cast<ptrdiff_t>(r);
        for (const Moving& m : moving) m.descriptor->value = const_cast<double*>(m.data + row * m.stride);
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
    site.bind_own_values();
    return summary;
}

}  // namespace qelfin::host
