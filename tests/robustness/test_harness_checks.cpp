// The harness's checks against a module that breaks one rule per function
// (faulty_module.cpp): each broken rule is reported, the functions that
// behave pass, and a write through a value pointer stops the process.
#include "fuzz/harness.h"
#include "fuzz/seeds.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace qelfin::fuzz;

class HarnessChecks : public ::testing::Test {
protected:
    void SetUp() override {
        harness_.on_failure([this](const std::string& report) { reports_ += report; });
    }
    std::string run(const std::string& line) {
        reports_.clear();
        const Seed seed = encode_seed(line);
        if (seed.target == SeedTarget::kEntries)
            harness_.run_entries(seed.bytes.data(), seed.bytes.size());
        else
            harness_.run_routines(seed.bytes.data(), seed.bytes.size());
        return reports_;
    }

    Harness harness_{QELFIN_FAULTY_MODULE};
    std::string reports_;
};

TEST_F(HarnessChecks, ReportsEachBrokenRule) {
    struct Case {
        const char* call;
        const char* reported;
    };
    const Case cases[] = {
        {"COMPOUND 100 . 0.05 10", "status is not one of the four codes"},
        {"DACCDB 1 1000 5 2", "result not written"},
        {"DACCDBSL 1 1000 5 2", "MISSING returned with status 0"},
        {"DACCSL 1 1000 5", "2 arguments marked"},
        {"DACCSYD 1 1000 5", "an argument marked without STATUS_INVALID_ARGS"},
        {"DACCTAB 1 1000 0.5", "the block changed beyond the marks and call_state"},
        {"DEPDBSL 1 1000 5 2", "call_state changed"},
        {"DEPSL 1 1000 5", "a toolkit pool outlived the call"},
        {"DEPSYD 1 1000 5", "1 notes written, 0 expected"},
        {"DEPTAB 1 1000 0.5", "STATUS_NO_MEMORY without a refused counter"},
        {"MORT 1 . 3 4", "argument 4 marked"},
        {"NETPV 0.1 1 -100 110", "argument 1 marked"},
        {"fncnmis 1 . 3", "scan counted 0, expected 1"},
        {"zpower 2 3", "error word 9"},
        {"znpv 0.1 1 -100 110", "callback asked for index 2 as read 1 of a series of 2"},
        {"zirr_s 1 -100 110", "a valid request refused"},
    };
    for (const auto& c : cases) {
        const std::string reports = run(c.call);
        EXPECT_NE(reports.find(c.reported), std::string::npos)
            << c.call << " should report \"" << c.reported << "\", reported:\n"
            << reports;
    }
}

TEST_F(HarnessChecks, PassesWhatKeepsTheContract) {
    for (const char* call : {"IRR 1 -100 110", "INTRR 0 -100 110", "NPV 5 1 100 . 100", "SAVING . 100 0.05 10"})
        EXPECT_EQ(run(call), "") << call;
}

TEST_F(HarnessChecks, AWriteThroughAValuePointerFaults) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(run("DEPDB 1 1000 5 2"), "");
}

}  // namespace
