// A call site per vectorized call: the module's note limit (ten, then note
// 202) holds for the whole call, as for one column of a data step.
#include "column_call.h"

namespace qelfin::python {

std::vector<host::Note> evaluate_call_site(const host::Module& module, int function,
                                           std::span<const host::Column> args, size_t rows,
                                           const host::ColumnOutputs& out) {
    host::CallSite site(module, function, static_cast<int32_t>(args.size()), kDataStepCaller);
    host::NoteList notes;
    site.set_note_sink(&notes);
    host::evaluate_columns(site, args, rows, out);
    return std::move(notes.notes);
}

}  // namespace qelfin::python
