// Every list of the functions outside the catalogue agrees with it: the
// prototypes of the public header, the module's function vector, the export
// map and the export list, and the description in the version record.
#include "catalogue/function_lists.h"

#include "host/module.h"

#include <algorithm>
#include <set>

namespace {

using namespace qelfin::host;
using qelfin::test::captures;
using qelfin::test::expect_catalogue_entries;
using qelfin::test::expect_catalogue_names;
using qelfin::test::section;
using qelfin::test::source_file;

TEST(FunctionLists, CatalogueIsAlphabeticalAndHoldsTheVector) {
    ASSERT_EQ(functions().size(), static_cast<size_t>(QELFIN_FUNCTION_COUNT));
    EXPECT_TRUE(std::is_sorted(functions().begin(), functions().end(),
                               [](const auto& a, const auto& b) { return a.name < b.name; }));
    EXPECT_EQ(function_index("mort"), 13);
    EXPECT_EQ(function_index("MORTX"), std::nullopt);
}

TEST(FunctionLists, HeaderPrototypesInVectorOrder) {
    const std::string entries =
        section(source_file("include/qelfin/qelfin.h"), "/* The seventeen function entries", "\n\n");
    // QELFIN_API uint32_t fncmort(FunctionArgs* args, double* result); /* MORT */
    expect_catalogue_entries("qelfin.h", captures(entries, R"(QELFIN_API uint32_t (\w+)\(FunctionArgs\* args)"));
    expect_catalogue_names("qelfin.h", captures(entries, R"(double\* result\); *\/\* (\w+) \*\/)"));
}

TEST(FunctionLists, FunctionVectorHoldsTheCatalogueEntries) {
    Host host;
    Module module(host);
    std::vector<std::string> in_vector;
    for (int i = 0; i < QELFIN_FUNCTION_COUNT; ++i) {
        std::string name = "?";
        for (const auto& f : functions())
            if (module.raw_symbol(std::string(f.entry).c_str()) == reinterpret_cast<void*>(module.entry(i)))
                name = f.entry;
        in_vector.push_back(name);
    }
    expect_catalogue_entries("the function vector", in_vector);
}

TEST(FunctionLists, ExportMapAndExportListNameEveryEntry) {
    const std::string map = source_file("src/module/qelfin.map");
    expect_catalogue_entries("qelfin.map", captures(section(map, "the seventeen function entries", "/*"),
                                                    R"((fnc\w+);)"));
    // The map and the list the built module is checked against name the
    // same symbols.
    const std::string globals = section(map, "global:", "local:");
    const auto in_map = captures(globals, R"(\b(\w+);)");
    const auto in_list = captures(source_file("tests/module/exported_symbols.txt"), R"((?:^|\n)(\w+))");
    EXPECT_EQ(std::set<std::string>(in_map.begin(), in_map.end()),
              std::set<std::string>(in_list.begin(), in_list.end()));
}

TEST(FunctionLists, VersionDescriptionNamesTheFunctions) {
    Host host;
    Module module(host);
    VersionRecord v{};
    module.symbol<int32_t (*)(VersionRecord*)>("rzvercn1")(&v);
    const std::string description = v.description, prefix = "QEL financial functions ";
    ASSERT_EQ(description.rfind(prefix, 0), 0u) << description;
    expect_catalogue_names("the version description", captures(description.substr(prefix.size()), R"((\S+))"));
}

}  // namespace
