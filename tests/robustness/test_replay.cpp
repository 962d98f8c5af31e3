// The robustness harness run in every build (i386 under qemu, the sanitizer
// build included): the seed corpus, every input the fuzzer ever failed on
// (fuzz/regressions), and a fixed stream of pseudo-random and mutated inputs.
// Any contract failure is a test failure with the harness's description of
// the call.
#include "fuzz/byte_input.h"
#include "fuzz/harness.h"
#include "fuzz/seeds.h"

#include <qelfin/qelfin.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace qelfin::fuzz;

class Replay : public ::testing::Test {
protected:
    void SetUp() override {
        harness_.on_failure([this](const std::string& report) { failures_.push_back(report); });
    }
    void run(const std::vector<uint8_t>& bytes, bool entries) { harness_.run(bytes.data(), bytes.size(), entries); }
    void expect_clean(const std::string& what) {
        std::string all;
        for (size_t i = 0; i < failures_.size() && i < 10; ++i) all += failures_[i];
        EXPECT_TRUE(failures_.empty()) << failures_.size() << " contract failures in " << what << ":\n" << all;
    }
    Harness harness_{module_path_from_environment()};
    std::vector<std::string> failures_;
};

// The seeds, then six rounds of the seeds with one to four bits flipped.
TEST_F(Replay, SeedsAndMutatedSeeds) {
    std::vector<Seed> all = read_seed_file(QELFIN_SEED_DIR "/entries.txt");
    const std::vector<Seed> routines = read_seed_file(QELFIN_SEED_DIR "/routines.txt");
    all.insert(all.end(), routines.begin(), routines.end());
    ASSERT_GT(all.size(), 50u);
    uint64_t rng = 7;
    for (int round = 0; round <= 6; ++round)
        for (const auto& seed : all) {
            std::vector<uint8_t> bytes = seed.bytes;
            const int flips = round == 0 ? 0 : 1 + static_cast<int>(splitmix64(rng) % 4);
            for (int k = 0; k < flips && !bytes.empty(); ++k)
                bytes[splitmix64(rng) % bytes.size()] ^= static_cast<uint8_t>(1u << (splitmix64(rng) % 8));
            run(bytes, seed.target == SeedTarget::kEntries);
        }
    expect_clean("the seeds and their mutations");
}

TEST_F(Replay, InputsTheFuzzerFailedOn) {
    int replayed = 0;
    for (const char* target : {"entries", "routines"}) {
        const std::filesystem::path dir = std::filesystem::path(QELFIN_REGRESSION_DIR) / target;
        for (const auto& file : std::filesystem::directory_iterator(dir)) {
            if (!file.is_regular_file() || file.path().filename().string().front() == '.') continue;
            std::ifstream in(file.path(), std::ios::binary);
            const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            run(bytes, std::string(target) == "entries");
            ++replayed;
        }
    }
    expect_clean(std::to_string(replayed) + " regression inputs");
}

TEST_F(Replay, PseudoRandomInputs) {
    uint64_t rng = 20240611;
    for (int i = 0; i < 3000; ++i) {
        std::vector<uint8_t> bytes(splitmix64(rng) % 160);
        for (auto& b : bytes) b = static_cast<uint8_t>(splitmix64(rng));
        run(bytes, i % 2 == 0);
    }
    expect_clean("pseudo-random inputs");
}

// The byte format: what the seed encoder writes decodes to the values given,
// bit for bit, NaN payloads and character arguments included.
TEST(ByteFormat, SeedsDecodeToTheirValues) {
    struct Case {
        const char* line;
        std::vector<ArgValue> args;
    };
    const double missing = std::bit_cast<double>(QELFIN_MISSING_BITS);
    const std::vector<Case> cases = {
        {"COMPOUND 100 . 0.05 10", {{true, 100, {}}, {true, missing, {}}, {true, 0.05, {}}, {true, 10, {}}}},
        {"fnccmis \"  \" \"\" 0x7ff0000000000001",
         {{false, 0, "  "}, {false, 0, ""}, {true, std::bit_cast<double>(0x7FF0000000000001ull), {}}}},
        {"NPV 0.1 -2.5e-310 inf", {{true, 0.1, {}}, {true, -2.5e-310, {}}, {true, HUGE_VAL, {}}}},
    };
    for (const auto& c : cases) {
        const Seed seed = encode_seed(c.line);
        ByteReader in(seed.bytes.data(), seed.bytes.size());
        const OpRecord r = read_record(in);
        EXPECT_TRUE(in.empty()) << c.line;
        ASSERT_EQ(r.length, static_cast<int32_t>(c.args.size())) << c.line;
        auto bits = [](const ArgValue& a) { return std::tuple(a.numeric, std::bit_cast<uint64_t>(a.number), a.text); };
        for (int32_t i = 0; i < r.length; ++i)
            EXPECT_EQ(bits(r.arg(i)), bits(c.args[i])) << c.line << " argument " << i + 1;
    }
}

}  // namespace
