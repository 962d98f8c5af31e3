// Call sites and the column API against one fresh argument block per call:
// the same bits, statuses and marks row by row, whatever the strides; notes
// limited per call site across rows; call_state and scratch pools given back.
#include "host/columns.h"
#include "host/standin/standin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

using namespace qelfin;
using host::Column;

const double kMiss = host::missing_value(), nan = std::nan("");  // MISSING and another NaN

class Columns : public ::testing::Test {
protected:
    standin::Host standin;
    host::Module module{standin};

    // Evaluates `name` over row-major rows of `width` values through the
    // column API, then checks every row against a fresh-block call.
    void agree(const char* name, int32_t width, const std::vector<double>& rows_data, bool repeat_first = false) {
        const size_t rows = rows_data.size() / static_cast<size_t>(width);
        std::vector<Column> args;
        for (int32_t k = 0; k < width; ++k)
            args.push_back({rows_data.data() + k, (repeat_first && k == 0) ? 0 : width});
        host::CallSite site(module, name, width, 0x48);
        std::vector<double> value(rows);
        std::vector<uint32_t> status(rows);
        std::vector<int32_t> marked(rows);
        const auto summary = host::evaluate_columns(site, args, rows, {value.data(), status.data(), marked.data()});
        for (size_t r = 0; r < rows; ++r) {
            std::vector<host::Arg> one;
            for (const Column& c : args) one.emplace_back(c.at(r));
            const host::CallResult expected = module.call(name, std::span<const host::Arg>(one));
            SCOPED_TRACE(std::string(name) + " row " + std::to_string(r));
            EXPECT_EQ(status[r], expected.status);
            EXPECT_EQ(marked[r], expected.marked);
            EXPECT_EQ(std::bit_cast<uint64_t>(value[r]), std::bit_cast<uint64_t>(expected.value));
        }
        EXPECT_EQ(summary.ok, static_cast<size_t>(std::count(status.begin(), status.end(), 0u)));
        EXPECT_EQ(summary.ok + summary.failed, rows);
        EXPECT_EQ(standin.toolkit().live_pools(), 0);
    }
};

// Rows that succeed, fail with a mark, fail without one, and carry NaNs
// other than MISSING, so that a mark left over from one row would show on
// the next.
TEST_F(Columns, AgreeWithOneCallPerRow) {
    agree("MORT", 4, {50000, kMiss, 0.005, 360, 100000, 400, 0.005, kMiss, kMiss, 299.78, 0.005, 360,
                      1000, kMiss, -2, 12, 1, kMiss, nan, 12, 250000, kMiss, 0.045 / 12, 360});
    agree("DEPDB", 4, {1, 50000, 10, 2, 11, 50000, 10, 2, 3, -5, 10, 2, 3, 50000, 10, nan, 10, 50000, 10, 2});
    agree("IRR", 5, {1, -100, 230, -132, 0, 1, 100, 50, 20, 10, -1, -100, 60, 60, 0, 1, -100, nan, 110, 0});
    // A rate repeated for every row (stride 0), flows moving.
    agree("NPV", 4, {8, -1000, 600, 700, 0, -500, 300, 300, 0, 100, kMiss, 100}, true);
}

// A series block read in place (a transposed view, rows in reverse) and
// rows of their own lengths give what one fresh-block call per row gives;
// an interrupt that says stop ends the loop between blocks.
TEST_F(Columns, SeriesBlocksAgreeWithOneCallPerRow) {
    // Flows stored column-major: flow j of series s at data[j * 4 + s].
    const std::vector<double> data = {-100, -50, -1000, 7, 60, 30, 500, kMiss, 60.5, 40, 400, 3, 0, nan, 300, 2};
    auto single = [&](const std::vector<double>& flows) {
        std::vector<host::Arg> args{host::Arg(1.0)};
        for (double f : flows) args.emplace_back(f);
        return module.call("IRR", std::span<const host::Arg>(args));
    };
    const double freq = 1;
    auto expect_rows = [&](const std::vector<double>& value, const std::vector<std::vector<double>>& series) {
        for (size_t r = 0; r < series.size(); ++r) {
            const host::CallResult want = single(series[r]);
            EXPECT_EQ(std::bit_cast<uint64_t>(value[r]), std::bit_cast<uint64_t>(want.value)) << "row " << r;
        }
    };
    const Column lead[] = {{&freq, 0}};
    {  // rows 3, 2, 1, 0: row stride -1, element stride 4
        host::CallSite site(module, "IRR", 5, 0x48);
        std::vector<double> value(4);
        host::evaluate_series(site, lead, {data.data() + 3, -1, 4, 4}, 4, {value.data()});
        std::vector<std::vector<double>> series;
        for (int s = 3; s >= 0; --s) series.push_back({data[s], data[4 + s], data[8 + s], data[12 + s]});
        expect_rows(value, series);
    }
    {  // ragged: series 2 with 4 flows, series 0 with its first 3, series 1 with 2
        const int64_t starts[] = {2, 0, 1};
        const int32_t lengths[] = {4, 3, 2};
        host::CallSite site(module, "IRR", 5, 0x48);
        std::vector<double> value(3);
        host::evaluate_series(site, lead, {data.data(), 0, 4, 4, starts, lengths}, 3, {value.data()});
        expect_rows(value, {{-1000, 500, 400, 300}, {-100, 60, 60.5}, {-50, 30}});
        EXPECT_EQ(site.arg_count(), 5);
    }
    {  // 5,000,000 rows take longer than one block of 20 ms: stopped when first asked
        const double one = 1.0;
        std::vector<double> value(5'000'000);
        int asked = 0;
        host::Interrupt stop{[](void* n) { return ++*static_cast<int*>(n) > 0; }, &asked};
        host::CallSite site(module, "DEPSL", 3, 0);
        const Column cols[] = {{&one, 0}, {&one, 0}, {&one, 0}};
        const auto summary = host::evaluate_columns(site, cols, value.size(), {value.data(), nullptr, nullptr, nullptr, &stop});
        EXPECT_TRUE(summary.interrupted);
        EXPECT_EQ(asked, 1);
        EXPECT_LT(summary.ok + summary.failed, value.size());
    }
}

// Twelve rows of one IRR call site with two sign changes each: ten notes
// 201 and one 202 reach the site's sink, none the host's; a second site
// starts its own count; the counter word goes back with its site.
TEST_F(Columns, NotesLimitedPerCallSiteAcrossRows) {
    std::vector<double> rows;
    for (int r = 0; r < 12; ++r) rows.insert(rows.end(), {1, -100, 230, -132});
    const std::vector<Column> args = {{&rows[0], 4}, {&rows[1], 4}, {&rows[2], 4}, {&rows[3], 4}};
    std::vector<double> value(12);
    for (int site_number = 0; site_number < 2; ++site_number) {
        host::NoteList sink;
        {
            host::CallSite site(module, "IRR", 4, 0x48);
            site.set_note_sink(&sink);
            host::evaluate_columns(site, args, 6, {value.data()});
            host::evaluate_columns(site, args, 6, {value.data() + 6});
            EXPECT_EQ(standin.counter_pool().outstanding(), 1u);
        }
        EXPECT_EQ(standin.counter_pool().outstanding(), 0u);
        ASSERT_EQ(sink.notes.size(), 11u);
        for (size_t i = 0; i < 11; ++i) EXPECT_EQ(sink.notes[i].id, i < 10 ? 201 : 202);
    }
    EXPECT_TRUE(standin.notes().empty());
    for (double v : value) EXPECT_NEAR(v, 10.0, 1e-9);
}

// The default services (C heap, arena scratch pools) give the stand-in's figures.
TEST(DefaultHost, SameFiguresAsTheStandIn) {
    auto figures = [](host::Host& h) {
        host::Module m(h);
        std::vector<uint64_t> out;
        for (size_t n : {6u, 400u, 5000u}) {  // flows: inside one arena, and past it
            std::vector<host::Arg> args(n + 1, host::Arg(1200.0 / static_cast<double>(n)));
            args[0] = 1, args[1] = -1000;
            for (int repeat = 0; repeat < 2; ++repeat)
                out.push_back(std::bit_cast<uint64_t>(m.call("IRR", std::span<const host::Arg>(args)).value));
        }
        return out;
    };
    std::vector<uint64_t> by_standin;
    {
        standin::Host s;
        by_standin = figures(s);
    }
    host::Host plain;
    EXPECT_EQ(figures(plain), by_standin);
    for (uint64_t b : by_standin) EXPECT_TRUE(std::isfinite(std::bit_cast<double>(b)));
}

}  // namespace
