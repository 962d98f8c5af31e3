// What qelhost run keeps of the calls that gave no value: per call site
// each kind of refusal (status, marked argument, solver error word) with
// its count, its first rows and the reason of the first, for the summary;
// per row, where asked, a status cell for a computed column (--status) and
// one CSV line per refusal (--errors).
#pragma once

#include "host/reasons.h"
#include "output_file.h"
#include "program.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qelhost {

class RefusalLog {
public:
    // labels[i] names call site i in the summary ("[payment] MORT(...)");
    // status_columns[c] says whether computed column c gets a status cell;
    // errors is the --errors target (empty for none).
    RefusalLog(const Module& module, const Program& program, std::vector<std::string> column_names,
               std::vector<bool> status_columns, const std::string& errors, size_t batch_rows);

    void record(int32_t site, int64_t row, size_t batch_row, std::span<const double> args, uint32_t status,
                int32_t marked);

    // Status cells are kept for one batch at a time.
    void start_batch();
    bool wants_status(size_t column) const { return status_columns_[column]; }
    // "ok", "STATUS_INVALID_ARGS: reason", or "missing" for a value left
    // missing by a missing input or a division by zero.
    std::string_view status_cell(size_t column, size_t batch_row, double value) const;

    // Writes what --errors collected so far; commit() once the run is done.
    void flush();
    void commit();

    // Summary lines of one call site's refusals, each kind with its rows.
    std::string summary(int32_t site) const;

private:
    struct Kind {
        int64_t count = 0;
        std::vector<int64_t> first_rows;
        std::string reason;
    };

    const Program& program_;
    qelfin::host::Reasons reasons_;
    std::vector<std::string> column_names_;
    std::vector<bool> status_columns_;
    std::vector<std::map<qelfin::host::Refusal, Kind>> kinds_;  // per call site
    std::vector<std::vector<std::string>> cells_;               // per computed column, per batch row
    std::unique_ptr<OutputFile> errors_;
    std::string errors_text_;
};

}  // namespace qelhost
