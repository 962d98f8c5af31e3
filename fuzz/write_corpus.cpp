// qelfin_fuzz_seeds: writes the seed corpus of one fuzz target from the
// text seeds (fuzz/seeds/*.txt), one file per seed line.
//
//   qelfin_fuzz_seeds entries|routines <output directory> <seed file>...
#include "fuzz/seeds.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s entries|routines <output directory> <seed file>...\n", argv[0]);
        return 2;
    }
    const bool entries = std::string(argv[1]) == "entries";
    const std::filesystem::path dir = argv[2];
    std::filesystem::create_directories(dir);
    int written = 0;  // a malformed seed line ends the program with its message
    for (int i = 3; i < argc; ++i)
        for (const auto& seed : qelfin::fuzz::read_seed_file(argv[i])) {
            if ((seed.target == qelfin::fuzz::SeedTarget::kEntries) != entries) continue;
            std::ofstream out(dir / ("seed-" + std::to_string(1000 + ++written)), std::ios::binary);
            out.write(reinterpret_cast<const char*>(seed.bytes.data()), std::ssize(seed.bytes));
        }
    std::printf("%d seeds written to %s\n", written, dir.c_str());
    return 0;
}
