// qelhost's fuzz target (fuzz/qelhost_target.cpp) in every build: its seeds
// (deep nesting, long numbers, quotes, NULs, invalid UTF-8, ...) and every
// input it ever failed on, each as it is and four times with bits flipped.
// A failed check aborts with its message.
#include "fuzz/byte_input.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

extern "C" int LLVMFuzzerInitialize(int*, char***);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

TEST(QelhostReplay, SeedsRegressionsAndMutations) {
    LLVMFuzzerInitialize(nullptr, nullptr);
    int inputs = 0;
    uint64_t rng = 11;
    for (const std::string dir : {QELFIN_SEED_DIR "/qelhost", QELFIN_REGRESSION_DIR "/qelhost"}) {
        if (!std::filesystem::is_directory(dir)) continue;
        for (const auto& file : std::filesystem::directory_iterator(dir)) {
            std::ifstream in(file.path(), std::ios::binary);
            const std::vector<uint8_t> seed{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            for (int round = 0; round <= 4; ++round, ++inputs) {
                std::vector<uint8_t> bytes = seed;
                for (int k = 0; k < round && !bytes.empty(); ++k)
                    bytes[qelfin::fuzz::splitmix64(rng) % bytes.size()] ^=
                        static_cast<uint8_t>(1u << (qelfin::fuzz::splitmix64(rng) % 8));
                LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            }
        }
    }
    EXPECT_GE(inputs, 90);
    std::printf("qelhost fuzz target: %d inputs replayed, every check passed\n", inputs);
}
