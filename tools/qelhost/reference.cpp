// The function reference, rendered from the catalogue as plain text and as
// Markdown.  Both list the same facts in the same order: signature, help,
// arguments (meaning, unit, what a missing value does), result, statuses
// and a worked example.
#include "reference.h"

#include "host/examples.h"
#include "host/module.h"
#include "host/numbers.h"

#include <cstdio>

namespace qelhost {

namespace {

using qelfin::host::ArgumentInfo;
using qelfin::host::computed_example;
using qelfin::host::ComputedExample;
using qelfin::host::number_text;
using qelfin::host::FunctionInfo;
using qelfin::host::functions;
using qelfin::host::Module;
using qelfin::host::Shape;
using qelfin::host::status_label;

constexpr size_t kWidth = 100;

// Appends `text` wrapped at kWidth columns, each line after the first
// indented by `indent` blanks (the first continues the current line, which
// is assumed to stand at column `indent`).
void append_wrapped(std::string& out, std::string_view text, size_t indent) {
    size_t column = indent;
    bool first = true;
    while (!text.empty()) {
        const size_t blank = text.find(' ');
        const std::string_view word = text.substr(0, blank);
        text = blank == std::string_view::npos ? std::string_view{} : text.substr(blank + 1);
        if (!first && column + 1 + word.size() > kWidth) {
            out += '\n';
            out.append(indent, ' ');
            column = indent;
        } else if (!first) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        first = false;
    }
    out += '\n';
}

std::string signature(const FunctionInfo& f) { return std::string(f.name) + "(" + argument_list(f) + ")"; }

std::string_view shape_text(Shape s) {
    switch (s) {
        case Shape::exactly_one_missing: return "exactly one of the four arguments missing";
        case Shape::pass_through: return "fixed arguments";
        case Shape::series: return "leading arguments and a list";
    }
    return "?";
}

// The arguments as (position, argument) pairs, the list element last with
// its first position ("3.." for NPV's cash flows).
struct Row {
    std::string position;
    const ArgumentInfo* argument;
};

std::vector<Row> rows_of(const FunctionInfo& f) {
    std::vector<Row> rows;
    for (int32_t i = 0; i < f.leading; ++i) rows.push_back({std::to_string(i + 1), &f.details[i]});
    if (f.list) rows.push_back({std::to_string(f.leading + 1) + "..", &*f.list});
    return rows;
}

// Markdown table cells may not hold a bar.
std::string cell(std::string_view text) {
    std::string s;
    for (const char c : text) s += c == '|' ? std::string("\\|") : std::string(1, c);
    return s;
}

std::string anchor(std::string_view name) {
    std::string s;
    for (const char c : name) s += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

std::string reference_text(const Module& module, const FunctionInfo& f) {
    std::string out;
    out += std::string(f.name) + ": ";
    append_wrapped(out, f.summary, f.name.size() + 2);
    out += "\n  " + signature(f) + "\n";
    const auto word = static_cast<size_t>(&f - functions().data()) + 1;
    out += "  vector word " + std::to_string(word) + ", entry " + std::string(f.entry) + ", " +
           std::string(shape_text(f.shape)) + "\n\n  ";
    append_wrapped(out, f.help, 2);

    out += "\narguments\n";
    size_t name_width = 0;
    for (const Row& r : rows_of(f)) name_width = std::max(name_width, r.argument->name.size());
    for (const Row& r : rows_of(f)) {
        std::string head = "  " + r.position;
        head.resize(7, ' ');
        head += std::string(r.argument->name);
        head.resize(7 + name_width + 2, ' ');
        out += head;
        append_wrapped(out, r.argument->meaning, head.size());
        out += std::string(head.size(), ' ');
        append_wrapped(out,
                       "unit: " + std::string(unit_text(r.argument->unit)) + "; " +
                           std::string(when_missing_text(r.argument->when_missing)),
                       head.size());
    }

    out += "\nresult\n  ";
    append_wrapped(out, std::string(f.result) + ", in " + std::string(unit_text(f.result_unit)), 2);

    out += "\nstatuses\n";
    for (const auto& s : f.statuses) {
        std::string head = "  " + status_label(s.status);
        head.resize(35, ' ');
        out += head;
        append_wrapped(out, s.meaning, head.size());
    }

    const ComputedExample e = computed_example(module, f);
    out += "\nexample\n  " + std::string(e.call) + " = " + number_text(e.value) + "\n  ";
    append_wrapped(out, e.sentence, 2);
    return out;
}

std::string overview_text() {
    std::string out;
    const auto fs = functions();
    for (size_t i = 0; i < fs.size(); ++i) {
        char head[64];
        std::snprintf(head, sizeof head, "  %2zu  %-9s %-8s ", i + 1, std::string(fs[i].name).c_str(),
                      std::string(fs[i].entry).c_str());
        out += head + signature(fs[i]) + "\n";
    }
    return out;
}

std::string reference_markdown(const Module& module) {
    std::string out =
        "# The qelfin functions\n\n"
        "<!-- Generated by `qelhost describe --markdown` from the host's function catalogue "
        "(host/catalogue.cpp); a test compares it. Do not edit by hand. -->\n\n"
        "Seventeen functions in three families, in the order of the function vector. Write a missing "
        "argument as `.` in qelhost. Every call returns a status: 0 with the result, or a nonzero status "
        "with the missing value and at most one argument marked invalid. Every figure is reproducible to the "
        "bit: the same inputs give the same bits on every surface (qelhost, PostgreSQL, Python). Solved rates "
        "(MORT, SAVING, IRR, INTRR) are found by iteration within a tolerance; solved periods and amounts come "
        "from closed forms in floating point. The example figures below are the module's, printed in full and "
        "rounded in the sentences.\n\n"
        "| Function | Arguments | What it returns |\n|---|---|---|\n";
    for (const FunctionInfo& f : functions())
        out += "| [" + std::string(f.name) + "](#" + anchor(f.name) + ") | " + cell(argument_list(f)) + " | " +
               cell(f.summary) + " |\n";

    for (const FunctionInfo& f : functions()) {
        const auto word = static_cast<size_t>(&f - functions().data()) + 1;
        out += "\n## " + std::string(f.name) + "\n\n" + std::string(f.summary) + "\n\n";
        out += "`" + signature(f) + "`: " + std::string(f.family) + ", vector word " + std::to_string(word) +
               ", entry `" + std::string(f.entry) + "`, " + std::string(shape_text(f.shape)) + ".\n\n";
        out += std::string(f.help) + "\n\n";
        out += "| # | Argument | Meaning | Unit | Missing |\n|---|---|---|---|---|\n";
        for (const Row& r : rows_of(f))
            out += "| " + r.position + " | " + std::string(r.argument->name) + " | " + cell(r.argument->meaning) +
                   " | " + std::string(unit_text(r.argument->unit)) + " | " +
                   std::string(when_missing_text(r.argument->when_missing)) + " |\n";
        out += "\nResult: " + std::string(f.result) + ", in " + std::string(unit_text(f.result_unit)) + ".\n\n";
        out += "| Status | When |\n|---|---|\n";
        for (const auto& s : f.statuses) out += "| " + status_label(s.status) + " | " + cell(s.meaning) + " |\n";
        const ComputedExample e = computed_example(module, f);
        out += "\nExample: `" + std::string(e.call) + "` = " + number_text(e.value) + ": " + e.sentence + ".\n";
    }
    return out;
}

}  // namespace qelhost
