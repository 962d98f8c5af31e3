// The default host from four threads at once, each with its own call site: the figures of one
// thread alone, bit for bit (under ThreadSanitizer in x64-tsan: races in the lock-free services).
#include "host/columns.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace {

using namespace qelfin::host;

// IRR over `rows` projects of 1 + 24 values; row r's flows vary with r so
// that series of one and of several sign changes both occur.
std::vector<double> irr_column(const Module& module, size_t rows) {
    std::vector<double> data;
    for (size_t r = 0; r < rows; ++r) {
        data.push_back(1);
        for (int k = 0; k < 24; ++k)
            data.push_back(k == 0 ? -1000.0 - static_cast<double>(r) : (k == 12 && r % 5 == 0 ? -400.0 : 90.0));
    }
    CallSite site(module, "IRR", 25, 0x48);
    NoteList notes;  // kept, not printed
    site.set_note_sink(&notes);
    std::vector<Column> args;
    for (size_t k = 0; k < 25; ++k) args.push_back({data.data() + k, 25});
    std::vector<double> value(rows);
    evaluate_columns(site, args, rows, {value.data()});
    return value;
}

TEST(DefaultHostThreads, SameFiguresAsOneThread) {
    Host host;
    Module module(host);
    const std::vector<double> serial = irr_column(module, 300);
    std::vector<std::vector<double>> results(4);
    std::vector<std::thread> threads;
    for (auto& r : results) threads.emplace_back([&] { r = irr_column(module, 300); });
    for (auto& t : threads) t.join();
    for (const auto& r : results) EXPECT_EQ(std::memcmp(r.data(), serial.data(), serial.size() * 8), 0);  // bits
}

}  // namespace
