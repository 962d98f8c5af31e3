// Lists the host's functions as the SQL script must declare them: one line
// "name argument ... [VARIADIC list]" per function, lower case, sorted by
// name, with the catalogue's argument names, which SQL uses verbatim.
#include "host/catalogue.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

int main() {
    std::vector<std::string> lines;
    for (const auto& f : qelfin::host::functions()) {
        std::string line(f.name);
        std::transform(line.begin(), line.end(), line.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        for (int32_t i = 0; i < f.leading; ++i) line += " " + std::string(f.arguments[i]);
        if (f.series) line += " VARIADIC " + std::string(f.element);
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    for (const auto& line : lines) std::printf("%s\n", line.c_str());
}
