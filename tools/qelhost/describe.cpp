// qelhost describe: the seventeen functions and, under their own heading,
// the records a host reads after loading the module; with function names,
// the reference of each; with --markdown, the whole reference as Markdown;
// the examples in both are computed by the module.
#include "commands.h"
#include "diagnostics.h"
#include "output_file.h"
#include "reference.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace qelhost {

namespace {

using qelfin::host::function_index;
using qelfin::host::functions;
using qelfin::host::Module;

std::string text_field(const char* p, size_t n) { return std::string(p, strnlen(p, n)); }

// printf onto the end of a string.
[[gnu::format(printf, 2, 3)]] void appendf(std::string& out, const char* format, ...) {
    std::va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(n) + 1);
    std::vsnprintf(out.data() + at, static_cast<size_t>(n) + 1, format, again);
    va_end(again);
    out.resize(at + static_cast<size_t>(n));
}

void print_records(std::string& out, const Module& m) {
    const ImageInformation& im = m.image();
    appendf(out, "  module            %s\n", m.path().c_str());
    appendf(out, "  image record      tag \"%s\"  magic 0x%08X  word28 %u\n", text_field(im.tag, sizeof im.tag).c_str(),
                im.magic, im.word28);
    appendf(out, "                    release %s  build %s  date %s  code %s\n",
                text_field(im.release, sizeof im.release).c_str(), text_field(im.build, sizeof im.build).c_str(),
                text_field(im.date, sizeof im.date).c_str(), text_field(im.code, sizeof im.code).c_str());
    appendf(out, "                    notice \"%s\"\n", im.notice);
    const RegistrationRecord& r = m.registration();
    appendf(out, "  registration      %s  words 0x%08X 0x%X 0x%X  %u 0x%X 0x%08X %u\n",
                text_field(r.name, sizeof r.name).c_str(), r.w0, r.w4, r.w8, r.w28, r.w32, r.w36, r.w40);
    VersionRecord v{};
    m.symbol<int32_t (*)(VersionRecord*)>("rzvercn1")(&v);
    appendf(out, "  version record    %s  built %u  %s/%s/%s  platform %s\n", v.version, v.build_time, v.component,
                v.module, v.directory, v.platform);
    appendf(out, "                    lineage %s\n", v.lineage);
    appendf(out, "                    root %s  keyword %s  separator %s\n", v.root, v.keyword, v.separator);
    appendf(out, "                    \"%s\"\n", v.hotfix);
    appendf(out, "                    \"%s\"\n", v.image_description);
    appendf(out, "                    %s\n", v.description);
}

}  // namespace

int describe(const Module& module, const DescribeOptions& options) {
    std::string out;
    if (options.markdown) {
        if (!options.functions.empty()) throw UsageError("--markdown writes the whole reference: name no function");
        out = reference_markdown(module);
    } else if (!options.functions.empty()) {
        std::vector<const qelfin::host::FunctionInfo*> chosen;
        for (const std::string& name : options.functions) {
            const auto i = function_index(name);
            if (!i) throw UsageError(unknown_function(name));
            chosen.push_back(&functions()[static_cast<size_t>(*i)]);
        }
        for (size_t i = 0; i < chosen.size(); ++i) {
            if (i) out += '\n';
            out += reference_text(module, *chosen[i]);
        }
    } else {
        out = "functions (qelhost describe NAME for one of them)\n" + overview_text() + "\nmodule records\n";
        print_records(out, module);
    }
    write_standard_output(out);
    return 0;
}

}  // namespace qelhost
