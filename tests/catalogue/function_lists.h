// Checks that a list of the functions, wherever it is written, names the
// catalogue's seventeen in the catalogue's order.  A new surface (an SQL
// script, a language binding) adds one test that reads its own list and
// hands it to expect_catalogue_names or expect_catalogue_entries.
#pragma once

#include "host/catalogue.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace qelfin::test {

// A file of the source tree, whole.
inline std::string source_file(const std::string& relative) {
    std::ifstream in(std::string(QELFIN_SOURCE_DIR) + "/" + relative, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot read " << relative;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Every first capture group of `pattern` in `text`, in order.
inline std::vector<std::string> captures(const std::string& text, const std::string& pattern) {
    std::vector<std::string> found;
    const std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
        found.push_back((*it)[1].str());
    return found;
}

// The part of `text` from the first `from` to the next `to` after it.
inline std::string section(const std::string& text, const std::string& from, const std::string& to) {
    const size_t start = text.find(from);
    if (start == std::string::npos) {
        ADD_FAILURE() << "no '" << from << "' in the text";
        return {};
    }
    return text.substr(start, text.find(to, start + from.size()) - start);
}

namespace detail {
inline void expect_same(const std::string& surface, const std::vector<std::string>& listed,
                        std::string_view (*field)(const host::FunctionInfo&)) {
    std::vector<std::string> wanted;
    for (const auto& f : host::functions()) wanted.emplace_back(field(f));
    EXPECT_EQ(listed, wanted) << surface << " lists the functions otherwise than the catalogue";
}
}  // namespace detail

// `names` are the function names (COMPOUND ... SAVING) that `surface` lists.
inline void expect_catalogue_names(const std::string& surface, const std::vector<std::string>& names) {
    detail::expect_same(surface, names, [](const host::FunctionInfo& f) { return f.name; });
}

// `entries` are the entry symbols (fnccomp ... fncsav) that `surface` lists.
inline void expect_catalogue_entries(const std::string& surface, const std::vector<std::string>& entries) {
    detail::expect_same(surface, entries, [](const host::FunctionInfo& f) { return f.entry; });
}

}  // namespace qelfin::test
