// What the catalogue tells a caller holds for the module: each worked
// example gives its result, and the statuses of failing calls are among
// those listed for the function.  (Computing each argument of COMPOUND, MORT
// and SAVING back is the time-value round-trip tests' business.)
#include "host/catalogue.h"
#include "host/module.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace qelfin::host;

// The arguments of an example call such as "MORT(50000, ., 0.005, 360)".
std::vector<Arg> arguments_of(std::string_view call) {
    std::vector<Arg> args;
    std::string text(call.substr(call.find('(') + 1));
    text.pop_back();  // ')'
    for (size_t start = 0; start <= text.size();) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        const std::string item = text.substr(start, comma - start);
        args.push_back(item.find('.') != std::string::npos && item.find_first_of("0123456789") == std::string::npos
                           ? Arg::missing()
                           : Arg(std::stod(item)));
        start = comma + 1;
    }
    return args;
}

void expect_close(double got, double want, double relative, const std::string& what) {
    EXPECT_LE(std::fabs(got - want), relative * std::max(1.0, std::fabs(want))) << what << ": " << got;
}

class CatalogueAnswers : public ::testing::Test {
protected:
    Host host;
    Module module{host};
};

// The examples' results were worked out by hand or by the closed forms in
// the help texts, not read off the module.
TEST_F(CatalogueAnswers, ExamplesGiveTheirResults) {
    for (const FunctionInfo& f : functions()) {
        const std::string call(f.example.call);
        ASSERT_EQ(call.rfind(std::string(f.name) + "(", 0), 0u) << call;
        const CallResult r = module.call(f.name, arguments_of(call));
        EXPECT_EQ(r.status, 0u) << call;
        expect_close(r.value, f.example.result, 1e-9, call);
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
