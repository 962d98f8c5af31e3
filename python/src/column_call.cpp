// A call site per vectorized call, of the caller kind that writes every
// note, so that each row whose series changed sign more than once is known.
#include "column_call.h"

namespace qelfin::python {

host::ColumnSummary evaluate_call_site(const host::Module& module, int function, std::span<const host::Column> leading,
                                       const host::SeriesBlock* series, size_t rows, const host::ColumnOutputs& out,
                                       host::NoteSink* notes) {
    const size_t count = leading.size() + (series != nullptr ? series->elements : 0);
    host::CallSite site(module, function, static_cast<int32_t>(count));
    site.set_note_sink(notes);
    return series != nullptr ? host::evaluate_series(site, leading, *series, rows, out)
                             : host::evaluate_columns(site, leading, rows, out);
}

}  // namespace qelfin::python
