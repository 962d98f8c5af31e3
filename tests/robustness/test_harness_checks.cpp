// The harness's checks against a module that breaks one rule per function
// (faulty_module.cpp): each broken rule is reported, the functions that
// behave pass, and a write through a value pointer stops the process.
#include "fuzz/harness.h"
#include "fuzz/seeds.h"

#include <gtest/gtest.h>

namespace {

using namespace qelfin::fuzz;

std::string reports_of(const std::string& line) {
    Harness harness(QELFIN_FAULTY_MODULE);
    std::string reports;
    harness.on_failure([&](const std::string& report) { reports += report; });
    const Seed seed = encode_seed(line);
    harness.run(seed.bytes.data(), seed.bytes.size(), seed.target == SeedTarget::kEntries);
    return reports;
}

TEST(HarnessChecks, ReportsEachBrokenRuleAndPassesTheRest) {
    const std::pair<const char*, const char*> cases[] = {
        {"COMPOUND 100 . 0.05 10", "status is not one of the four codes"},
        {"DACCDB 1 1000 5 2", "result not written"},
        {"DACCDBSL 1 1000 5 2", "MISSING returned with status 0"},
        {"DACCSL 1 1000 5", "2 arguments marked"},
        {"DACCSYD 1 1000 5", "the block changed beyond the marks and call_state"},
        {"DEPDB 1 1000 5 2", "a toolkit pool outlived the call"},
        {"zpower 2 3", "error word 9"},
        {"znpv 0.1 1 -100 110", "callback asked for index 2 as read 1 of a series of 2"},
        {"IRR 1 -100 110", ""}, {"NPV 5 1 100 . 100", ""}, {"SAVING . 100 0.05 10", ""},
    };
    for (const auto& [call, reported] : cases) {
        const std::string reports = reports_of(call);
        if (*reported == '\0')
            EXPECT_EQ(reports, "") << call;
        else
            EXPECT_NE(reports.find(reported), std::string::npos) << call << " should report \"" << reported << "\":\n"
                                                                 << reports;
    }
}

TEST(HarnessChecks, AWriteThroughAValuePointerFaults) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(reports_of("DACCTAB 1 1000 0.5"), "");
}

}  // namespace
