// Lists the host's functions as the SQL script must declare them: one line
// "name fixed-arguments variadic" per function, lower case, sorted by name.
#include "host/catalogue.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

int main() {
    std::vector<std::string> lines;
    for (const auto& f : qelfin::host::functions()) {
        std::string name(f.name);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        lines.push_back(name + " " + std::to_string(f.leading) + (f.series ? " variadic" : " fixed"));
    }
    std::sort(lines.begin(), lines.end());
    for (const auto& line : lines) std::printf("%s\n", line.c_str());
}
