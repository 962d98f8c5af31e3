// qelhost describe: the seventeen functions and, under their own heading,
// the records a host reads after loading the module; with function names,
// the reference of each; with --markdown, the whole reference as Markdown.
#include "commands.h"
#include "diagnostics.h"
#include "reference.h"

#include <cstdio>
#include <cstring>

namespace qelhost {

namespace {

using qelfin::host::function_index;
using qelfin::host::functions;
using qelfin::host::Module;

std::string text_field(const char* p, size_t n) { return std::string(p, strnlen(p, n)); }

void print_records(const Module& m) {
    const ImageInformation& im = m.image();
    std::printf("  module            %s\n", m.path().c_str());
    std::printf("  image record      tag \"%s\"  magic 0x%08X  word28 %u\n", text_field(im.tag, sizeof im.tag).c_str(),
                im.magic, im.word28);
    std::printf("                    release %s  build %s  date %s  code %s\n",
                text_field(im.release, sizeof im.release).c_str(), text_field(im.build, sizeof im.build).c_str(),
                text_field(im.date, sizeof im.date).c_str(), text_field(im.code, sizeof im.code).c_str());
    std::printf("                    notice \"%s\"\n", im.notice);
    const RegistrationRecord& r = m.registration();
    std::printf("  registration      %s  words 0x%08X 0x%X 0x%X  %u 0x%X 0x%08X %u\n",
                text_field(r.name, sizeof r.name).c_str(), r.w0, r.w4, r.w8, r.w28, r.w32, r.w36, r.w40);
    VersionRecord v{};
    m.symbol<int32_t (*)(VersionRecord*)>("rzvercn1")(&v);
    std::printf("  version record    %s  built %u  %s/%s/%s  platform %s\n", v.version, v.build_time, v.component,
                v.module, v.directory, v.platform);
    std::printf("                    lineage %s\n", v.lineage);
    std::printf("                    root %s  keyword %s  separator %s\n", v.root, v.keyword, v.separator);
    std::printf("                    \"%s\"\n", v.hotfix);
    std::printf("                    \"%s\"\n", v.image_description);
    std::printf("                    %s\n", v.description);
}

}  // namespace

int describe(const Module* module, const DescribeOptions& options) {
    if (options.markdown) {
        if (!options.functions.empty()) throw UsageError("--markdown writes the whole reference: name no function");
        std::fputs(reference_markdown().c_str(), stdout);
    } else if (!options.functions.empty()) {
        std::vector<const qelfin::host::FunctionInfo*> chosen;
        for (const std::string& name : options.functions) {
            const auto i = function_index(name);
            if (!i) throw UsageError(unknown_function(name));
            chosen.push_back(&functions()[static_cast<size_t>(*i)]);
        }
        for (size_t i = 0; i < chosen.size(); ++i) {
            if (i) std::fputs("\n", stdout);
            std::fputs(reference_text(*chosen[i]).c_str(), stdout);
        }
    } else {
        std::printf("functions (qelhost describe NAME for one of them)\n%s\nmodule records\n",
                    overview_text().c_str());
        print_records(*module);
    }
    return std::fflush(stdout) == 0 ? 0 : kExitError;
}

}  // namespace qelhost
