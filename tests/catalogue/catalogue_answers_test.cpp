// What the catalogue tells a caller holds for the module: each worked
// example computes, and the statuses of failing calls are among
// those listed for the function.  (Computing each argument of COMPOUND, MORT
// and SAVING back is the time-value round-trip tests' business.)
#include "host/catalogue.h"
#include "host/examples.h"
#include "host/module.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace qelfin::host;

class CatalogueAnswers : public ::testing::Test {
protected:
    Host host;
    Module module{host};
};

// Every example gives a value and fills every figure of its sentence; a
// text that is not a call of numbers, or a call without a value, is an
// error and never a figure.  (The figures themselves are held against
// closed forms by the function tests, and the docs check compares every
// stated figure with the module's.)
TEST_F(CatalogueAnswers, ExamplesComputeEveryFigure) {
    for (const FunctionInfo& f : functions()) {
        const ComputedExample e = computed_example(module, f);
        EXPECT_EQ(e.call.rfind(std::string(f.name) + "(", 0), 0u) << e.call;
        EXPECT_EQ(e.sentence.find_first_of("{}"), std::string::npos) << e.sentence;
    }
    const struct { const char* call; bool no_value; } bad[] = {
        {"MORT(1, 2, 3, 4)", true}, {"IRR(1, 100, 50)", true}, {"MORT(1, x, 3, .)", false}, {"MORT", false}};
    for (const auto& b : bad) {
        if (b.no_value)
            EXPECT_THROW(example_value(module, b.call), std::runtime_error) << b.call;
        else
            EXPECT_THROW(example_value(module, b.call), std::invalid_argument) << b.call;
    }
}

// A call with every argument missing fails with a status the catalogue
// lists for the function, and so does a call of the four-quantity
// functions with nothing missing.
TEST_F(CatalogueAnswers, FailingCallsReturnListedStatuses) {
    for (const FunctionInfo& f : functions()) {
        ASSERT_FALSE(f.statuses.empty());
        EXPECT_EQ(f.statuses[0].status, 0u) << f.name;
        const auto listed = [&](uint32_t status) {
            for (const auto& s : f.statuses)
                if (s.status == status) return true;
            return false;
        };
        std::vector<Arg> args(static_cast<size_t>(f.leading + (f.series ? 1 : 0)), Arg::missing());
        const CallResult none = module.call(f.name, args);
        EXPECT_TRUE(none.status != 0 && listed(none.status)) << f.name << " all missing: " << none.status;
        if (f.shape == Shape::exactly_one_missing) {
            const CallResult full = module.call(f.name, {1.0, 2.0, 0.05, 10.0});
            EXPECT_TRUE(full.status != 0 && listed(full.status)) << f.name << " none missing: " << full.status;
        }
    }
}

}  // namespace
