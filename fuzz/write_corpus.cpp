// qelfin_fuzz_seeds entries|routines DIR SEED-FILE...: writes the seeds of
// one fuzz target into its corpus directory, one file per seed line.
#include "fuzz/seeds.h"

#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    const bool entries = std::string(argv[1]) == "entries";
    std::filesystem::create_directories(argv[2]);
    int written = 0;  // a malformed seed line ends the program with its message
    for (const auto& seed : qelfin::fuzz::read_seed_files({argv + 3, argv + argc}))
        if ((seed.target == qelfin::fuzz::SeedTarget::kEntries) == entries) {
            std::ofstream out(std::filesystem::path(argv[2]) / ("seed-" + std::to_string(1000 + ++written)),
                              std::ios::binary);
            out.write(reinterpret_cast<const char*>(seed.bytes.data()), std::ssize(seed.bytes));
        }
    return 0;
}
