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
#include <vector>

namespace {

using namespace qelfin::fuzz;

// splitmix64: the same stream on every build.
struct Stream {
    uint64_t s;
    uint64_t next() {
        uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
};

class Replay : public ::testing::Test {
protected:
    void SetUp() override {
        harness_.on_failure([this](const std::string& report) { failures_.push_back(report); });
    }
    void run(const std::vector<uint8_t>& bytes, bool entries) {
        if (entries)
            harness_.run_entries(bytes.data(), bytes.size());
        else
            harness_.run_routines(bytes.data(), bytes.size());
    }
    void expect_clean(const std::string& what) {
        std::string all;
        for (size_t i = 0; i < failures_.size() && i < 10; ++i) all += failures_[i];
        EXPECT_TRUE(failures_.empty()) << failures_.size() << " contract failures in " << what << ":\n" << all;
    }
    static std::vector<Seed> seeds() {
        std::vector<Seed> all;
        for (const char* file : {"entries.txt", "routines.txt"}) {
            auto some = read_seed_file(std::string(QELFIN_SEED_DIR) + "/" + file);
            all.insert(all.end(), some.begin(), some.end());
        }
        return all;
    }

    Harness harness_{module_path_from_environment()};
    std::vector<std::string> failures_;
};

TEST_F(Replay, SeedCorpus) {
    const auto all = seeds();
    ASSERT_GT(all.size(), 50u);
    for (const auto& seed : all) run(seed.bytes, seed.target == SeedTarget::kEntries);
    expect_clean("the seeds");
}

TEST_F(Replay, InputsTheFuzzerFailedOn) {
    int replayed = 0;
    for (const char* target : {"entries", "routines"}) {
        const std::filesystem::path dir = std::filesystem::path(QELFIN_REGRESSION_DIR) / target;
        if (!std::filesystem::exists(dir)) continue;
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
    Stream rng{20240611};
    for (int i = 0; i < 3000; ++i) {
        std::vector<uint8_t> bytes(rng.next() % 160);
        for (auto& b : bytes) b = static_cast<uint8_t>(rng.next());
        run(bytes, i % 2 == 0);
    }
    expect_clean("pseudo-random inputs");
}

TEST_F(Replay, MutatedSeeds) {
    const auto all = seeds();
    Stream rng{7};
    for (int round = 0; round < 6; ++round) {
        for (const auto& seed : all) {
            std::vector<uint8_t> bytes = seed.bytes;
            const int flips = 1 + static_cast<int>(rng.next() % 4);
            for (int k = 0; k < flips && !bytes.empty(); ++k)
                bytes[rng.next() % bytes.size()] ^= static_cast<uint8_t>(1u << (rng.next() % 8));
            run(bytes, seed.target == SeedTarget::kEntries);
        }
    }
    expect_clean("mutated seeds");
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
        for (int32_t i = 0; i < r.length; ++i) {
            EXPECT_EQ(r.arg(i).numeric, c.args[i].numeric) << c.line << " argument " << i + 1;
            EXPECT_EQ(std::bit_cast<uint64_t>(r.arg(i).number), std::bit_cast<uint64_t>(c.args[i].number))
                << c.line << " argument " << i + 1;
            EXPECT_EQ(r.arg(i).text, c.args[i].text) << c.line << " argument " << i + 1;
        }
    }
}

}  // namespace
