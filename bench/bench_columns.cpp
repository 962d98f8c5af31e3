// The column API against plain entry calls through the vector over the same
// rows: what a host pays per row for binding a row's values, routing notes
// and reading the status and mark, beside the entry call itself.
//
//   Rows_EntryLoop/<function>    the baseline: one prebuilt block, each
//                                row's values copied into it, the entry
//                                called, the result stored
//   Rows_Columns/<function>      evaluate_columns over the same columns,
//                                with the status and marked columns
#include "bench/bench_support.h"
#include "host/columns.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

using qelfin::bench::loaded_module;

using namespace qelfin::host;

constexpr size_t kRows = 4096;

// Row-major rows of one call: a loan payment or a six-flow project.
struct Rows {
    const char* function;
    int32_t width;
    std::vector<double> data;
};

Rows make_rows(const char* function) {
    Rows r{function, 0, {}};
    const double missing = missing_value();
    for (size_t i = 0; i < kRows; ++i) {
        const double x = static_cast<double>(i % 97);
        if (std::string_view(function) == "MORT") {
            r.width = 4;
            r.data.insert(r.data.end(), {50000 + 100 * x, missing, 0.004 + x * 1e-5, 360});
        } else {
            r.width = 7;
            r.data.insert(r.data.end(), {1, -1000 - x, 200, 250, 300 + x, 350, 400});
        }
    }
    return r;
}

void Rows_EntryLoop(benchmark::State& state, const char* function) {
    const Rows rows = make_rows(function);
    CallSite site(loaded_module(), function, rows.width);
    FunctionArgs* const block = site.block();
    const FunctionEntry entry = loaded_module().entry(function);
    std::vector<double> out(kRows);
    for (int32_t k = 0; k < rows.width; ++k) site.value(k);  // bound to the site's own values
    for (auto _ : state) {
        for (size_t r = 0; r < kRows; ++r) {
            const double* row = &rows.data[r * static_cast<size_t>(rows.width)];
            for (int32_t k = 0; k < rows.width; ++k) *static_cast<double*>(block->args[k].value) = row[k];
            double result;
            entry(block, &result);
            out[r] = result;
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kRows));
}

void Rows_Columns(benchmark::State& state, const char* function) {
    const Rows rows = make_rows(function);
    CallSite site(loaded_module(), function, rows.width);
    std::vector<Column> args;
    for (int32_t k = 0; k < rows.width; ++k) args.push_back({rows.data.data() + k, rows.width});
    std::vector<double> out(kRows);
    std::vector<uint32_t> status(kRows);
    std::vector<int32_t> marked(kRows);
    for (auto _ : state) {
        evaluate_columns(site, args, kRows, {out.data(), status.data(), marked.data()});
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kRows));
}

BENCHMARK_CAPTURE(Rows_EntryLoop, MORT, "MORT");
BENCHMARK_CAPTURE(Rows_Columns, MORT, "MORT");
BENCHMARK_CAPTURE(Rows_EntryLoop, IRR, "IRR");
BENCHMARK_CAPTURE(Rows_Columns, IRR, "IRR");

}  // namespace
