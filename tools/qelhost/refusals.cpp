// Refusals of a run: kinds for the summary, status cells, the errors file.
#include "refusals.h"

#include "csv.h"

#include <algorithm>

namespace qelhost {

namespace {

constexpr size_t kRowsNamed = 3;  // rows named per kind in the summary

}  // namespace

RefusalLog::RefusalLog(const Module& module, const Program& program, std::vector<std::string> column_names,
                       std::vector<bool> status_columns, const std::string& errors, size_t batch_rows)
    : program_(program),
      reasons_(module),
      column_names_(std::move(column_names)),
      status_columns_(std::move(status_columns)),
      kinds_(program.sites().size()) {
    cells_.resize(status_columns_.size());
    for (size_t c = 0; c < cells_.size(); ++c)
        if (status_columns_[c]) cells_[c].resize(batch_rows);
    if (!errors.empty()) {
        errors_ = std::make_unique<OutputFile>(errors);
        errors_text_ = "row,column,call,status,marked,reason\n";
    }
}

void RefusalLog::record(int32_t site, int64_t row, size_t batch_row, std::span<const double> args, uint32_t status,
                        int32_t marked) {
    const CallText& call = program_.tree().calls[static_cast<size_t>(site)];
    const qelfin::host::Refusal refusal = reasons_.classify(call.function, args, status, marked);
    Kind& kind = kinds_[static_cast<size_t>(site)][refusal];
    const bool first = kind.count++ == 0;
    if (kind.first_rows.size() < kRowsNamed) kind.first_rows.push_back(row);
    const size_t column = static_cast<size_t>(call.expression);
    const bool cell = status_columns_[column] && cells_[column][batch_row].empty();
    if (!first && !cell && !errors_) return;

    const std::string reason = reasons_.text(call.function, args, refusal);
    if (first) kind.reason = reason;
    const std::string_view name = qelfin::host::status_name(status);
    if (cell) cells_[column][batch_row] = std::string(name) + ": " + reason;
    if (errors_) {
        const auto& f = qelfin::host::functions()[static_cast<size_t>(call.function)];
        errors_text_ += std::to_string(row) + ',';
        append_field(errors_text_, column_names_[column], ',');
        errors_text_ += ',';
        append_field(errors_text_, call.text, ',');
        errors_text_ += ',';
        errors_text_ += name;
        errors_text_ += ',';
        if (marked > 0) append_field(errors_text_, qelfin::host::describe_argument(f, marked), ',');
        errors_text_ += ',';
        append_field(errors_text_, reason, ',');
        errors_text_ += '\n';
    }
}

void RefusalLog::start_batch() {
    for (std::vector<std::string>& column : cells_)
        for (std::string& cell : column) cell.clear();
}

std::string_view RefusalLog::status_cell(size_t column, size_t batch_row, double value) const {
    if (!is_missing(value)) return "ok";
    const std::string& cell = cells_[column][batch_row];
    return cell.empty() ? std::string_view("missing") : std::string_view(cell);
}

void RefusalLog::flush() {
    if (!errors_) return;
    errors_->write(errors_text_);
    errors_text_.clear();
}

void RefusalLog::commit() {
    if (!errors_) return;
    flush();
    errors_->commit();
}

std::string RefusalLog::summary(int32_t site) const {
    // Kinds in the order their first rows came.
    std::vector<std::pair<const qelfin::host::Refusal*, const Kind*>> order;
    for (const auto& [refusal, kind] : kinds_[static_cast<size_t>(site)]) order.emplace_back(&refusal, &kind);
    std::sort(order.begin(), order.end(),
              [](const auto& a, const auto& b) { return a.second->first_rows[0] < b.second->first_rows[0]; });
    std::string s;
    for (const auto& [refusal_pointer, kind_pointer] : order) {
        const qelfin::host::Refusal& refusal = *refusal_pointer;
        const Kind& kind = *kind_pointer;
        s += "    " + std::string(qelfin::host::status_name(refusal.status)) + " in " + std::to_string(kind.count) +
             (kind.count == 1 ? " row (" : " rows (");
        for (size_t i = 0; i < kind.first_rows.size(); ++i) s += (i ? ", " : "") + std::to_string(kind.first_rows[i]);
        if (kind.count > static_cast<int64_t>(kind.first_rows.size())) s += ", ...";
        s += "): " + kind.reason + '\n';
    }
    return s;
}

}  // namespace qelhost
