// The robustness harness run in every build: the seed corpus (whose encoder
// checks that each seed decodes as written), every input the fuzzer ever
// failed on (fuzz/regressions), and a fixed stream of pseudo-random and
// mutated inputs.  A contract failure fails the test with its report.
#include "fuzz/byte_input.h"
#include "fuzz/harness.h"
#include "fuzz/seeds.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
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
    const std::vector<Seed> all = read_seed_files({QELFIN_SEED_DIR "/entries.txt", QELFIN_SEED_DIR "/routines.txt"});
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
    for (const std::string target : {"entries", "routines"})
        for (const auto& file : std::filesystem::directory_iterator(QELFIN_REGRESSION_DIR "/" + target)) {
            if (!file.is_regular_file() || file.path().filename().string().front() == '.') continue;
            std::ifstream in(file.path(), std::ios::binary);
            run({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}, target == "entries");
            ++replayed;
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

}  // namespace
