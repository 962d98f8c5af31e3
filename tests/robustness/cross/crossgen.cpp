// qelfin_crossgen CALLS SEED SEED-FILE...: writes the cross-build table, one
// call per line in the seeds' text form: calls of the seed corpus without
// fault injection, their figures moved (fuzz/README.md, "The two builds
// against each other").  Only the x86-64 build runs it.
#include "fuzz/byte_input.h"
#include "fuzz/seeds.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

uint64_t g_state;
double unit() { return static_cast<double>(qelfin::fuzz::splitmix64(g_state) >> 11) * 0x1p-53; }

// A figure written in decimal ('.', inf, nan and bit patterns stay as they are).
bool plain_number(const std::string& w, double& x) {
    if (w.size() < 2 && !std::isdigit(static_cast<unsigned char>(w[0]))) return false;
    if (w.find_first_not_of("0123456789.-+e") != std::string::npos) return false;
    char* end = nullptr;
    x = std::strtod(w.c_str(), &end);
    return end == w.c_str() + w.size() && std::isfinite(x);
}

// The shortest decimal that reads back to x bit for bit (strtod is
// correctly rounded on both builds); NaNs by their bits.
std::string text(double x) {
    char buf[40];
    if (x != x) {
        std::snprintf(buf, sizeof buf, "0x%016llx", static_cast<unsigned long long>(std::bit_cast<uint64_t>(x)));
        return buf;
    }
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, x).ptr);
}

double moved(double x) {
    const double u = unit();
    if (u < 0.04) {
        const auto table = qelfin::fuzz::special_values();
        const double s = table[qelfin::fuzz::splitmix64(g_state) % table.size()];
        return unit() < 0.3 ? -s : s;
    }
    if (u < 0.3) return x;
    const double y = x * (unit() < 0.5 ? 0.9 + 0.2 * unit() : 0.5 + 1.5 * unit());
    return x == std::round(x) ? std::round(y) : y;  // whole numbers (periods, frequencies) stay whole
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return std::fprintf(stderr, "usage: %s CALLS SEED SEED-FILE...\n", argv[0]), 2;
    std::vector<std::string> calls;
    for (const auto& seed : qelfin::fuzz::read_seed_files({argv + 3, argv + argc})) {
        std::istringstream in(seed.text);
        for (std::string call; std::getline(in, call, ';');)
            if (call.find('!') == std::string::npos && call.find_first_not_of(' ') != std::string::npos)
                calls.push_back(call);
    }
    if (calls.empty()) return std::fputs("no calls in the seed files\n", stderr), 2;
    g_state = std::strtoull(argv[2], nullptr, 10);
    for (long n = std::atol(argv[1]), i = 0; i < n; ++i) {
        std::string line;
        double x;
        for (const auto& w : qelfin::fuzz::seed_words(calls[qelfin::fuzz::splitmix64(g_state) % calls.size()]))
            line += (line.empty() ? "" : " ") + (plain_number(w, x) ? text(moved(x)) : w);
        std::puts(line.c_str());
    }
    return 0;
}
