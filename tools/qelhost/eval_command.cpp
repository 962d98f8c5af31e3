// qelhost eval: evaluates expressions and reports every entry call's
// status, mark and notes.
#include "commands.h"
#include "json.h"
#include "output_file.h"
#include "program.h"
#include "rounding.h"

#include "host/rates.h"
#include "host/reasons.h"

#include <cstdio>

namespace qelhost {

namespace {

using qelfin::host::describe_argument;
using qelfin::host::FunctionInfo;
using qelfin::host::functions;
using qelfin::host::status_label;
using qelfin::host::status_name;

std::string reason_of(const qelfin::host::Reasons& reasons, const Program& program, const CallOutcome& c) {
    const int function = program.tree().calls[static_cast<size_t>(c.site)].function;
    return reasons.explain(function, c.args, c.status, c.marked.empty() ? 0 : c.marked.front());
}

void append_text(std::string& out, const Program& program, const qelfin::host::Reasons& reasons, int precision,
                 const std::string& expression, double value, const std::vector<CallOutcome>& calls,
                 int64_t divisions) {
    out += expression;
    out += " = ";
    if (precision >= 0)
        append_fixed(out, value, precision, ".");
    else
        append_number(out, value, ".");
    out += '\n';
    for (const CallOutcome& c : calls) {
        const CallText& text = program.tree().calls[static_cast<size_t>(c.site)];
        const FunctionInfo& f = functions()[static_cast<size_t>(text.function)];
        if (c.status != 0) {
            out += "  " + text.text + ": " + status_label(c.status);
            for (const int32_t position : c.marked)
                out += ", " + describe_argument(f, position) + " marked invalid";
            out += ": " + reason_of(reasons, program, c) + '\n';
        }
        for (const Note& note : c.notes)
            out += "  " + text.text + ": note " + std::to_string(note.id) + ": " + note.text + '\n';
    }
    if (divisions > 0) out += "  division by zero: the result is missing\n";
}

// IRR's rates in percent and INTRR's as fractions; null when none can be sought.
void append_rates(std::string& out, const Module& module, const FunctionInfo& f, const std::vector<double>& args) {
    out += ",\"rates\":";
    try {
        const std::span<const double> flows = std::span<const double>(args).subspan(1);
        const std::vector<double> rates = f.name == "IRR" ? qelfin::host::irr_rates(module, args[0], flows)
                                                          : qelfin::host::every_rate(module, args[0], flows);
        out += '[';
        for (size_t k = 0; k < rates.size(); ++k) {
            if (k) out += ',';
            append_json_number(out, rates[k]);
        }
        out += ']';
    } catch (const qelfin::host::RatesError&) {
        out += "null";
    }
}

void append_json(std::string& out, const Module& module, const Program& program, const qelfin::host::Reasons& reasons,
                 const std::string& expression, double value, const std::vector<CallOutcome>& calls,
                 int64_t divisions) {
    out += "{\"expression\":";
    append_json_string(out, expression);
    out += ",\"value\":";
    append_json_number(out, value);
    out += ",\"calls\":[";
    for (size_t i = 0; i < calls.size(); ++i) {
        const CallOutcome& c = calls[i];
        const CallText& text = program.tree().calls[static_cast<size_t>(c.site)];
        const FunctionInfo& f = functions()[static_cast<size_t>(text.function)];
        if (i) out += ',';
        out += "{\"function\":";
        append_json_string(out, f.name);
        out += ",\"call\":";
        append_json_string(out, text.text);
        out += ",\"arguments\":[";
        for (size_t k = 0; k < c.args.size(); ++k) {
            if (k) out += ',';
            append_json_number(out, c.args[k]);
        }
        out += "],\"status\":" + std::to_string(c.status) + ",\"status_name\":";
        append_json_string(out, c.status == 0 ? "OK" : status_name(c.status));
        out += ",\"reason\":";
        if (c.status == 0)
            out += "null";
        else
            append_json_string(out, reason_of(reasons, program, c));
        out += ",\"value\":";
        append_json_number(out, c.value);
        out += ",\"marked\":[";
        for (size_t k = 0; k < c.marked.size(); ++k) {
            if (k) out += ',';
            out += "{\"position\":" + std::to_string(c.marked[k]) + ",\"meaning\":";
            append_json_string(out, qelfin::host::argument_name(f, c.marked[k]));
            out += '}';
        }
        out += "],\"notes\":[";
        for (size_t k = 0; k < c.notes.size(); ++k) {
            const Note& note = c.notes[k];
            if (k) out += ',';
            out += "{\"set\":" + std::to_string(note.set) + ",\"id\":" + std::to_string(note.id);
            if (note.has_rate) {
                out += ",\"rate\":";
                append_json_number(out, note.rate);
            }
            out += ",\"function\":";
            append_json_string(out, note.function);
            out += ",\"text\":";
            append_json_string(out, note.text);
            out += '}';
        }
        out += ']';
        if (f.name == "IRR" || f.name == "INTRR") append_rates(out, module, f, c.args);
        out += '}';
    }
    out += "],\"divisions_by_zero\":" + std::to_string(divisions) + "}\n";
}

}  // namespace

int evaluate(const Module& module, const EvalOptions& options) {
    // Everything is parsed before anything is called: an error in the third
    // expression leaves the first two uncomputed.
    // Blanks in front mean nothing (and one may stand before a leading minus).
    std::vector<std::string> expressions = options.expressions;
    for (std::string& e : expressions) e.erase(0, e.find_first_not_of(" \t"));
    Scope scope;
    scope.no_columns = "eval has no columns; write numbers, '.', + - * / and function calls";
    Tree tree;
    std::vector<int32_t> roots;
    for (size_t i = 0; i < expressions.size(); ++i) {
        try {
            roots.push_back(parse_expression(tree, scope, expressions[i], 0, static_cast<int32_t>(i)));
        } catch (ExpressionError& e) {
            e.source = expressions[i];
            throw;
        }
    }

    Program program(module, std::move(tree), options.caller_kind);
    const qelfin::host::Reasons reasons(module);
    if (options.hints)
        program.set_hint_handler([](int32_t, int64_t, const std::string& hint) {
            std::fprintf(stderr, "qelhost: hint: %s\n", hint.c_str());
        });
    std::vector<CallOutcome> calls;
    program.set_trace(&calls);
    std::string out;
    for (size_t i = 0; i < roots.size(); ++i) {
        calls.clear();
        const int64_t divisions = program.divisions_by_zero();
        const double value = program.evaluate(roots[i], nullptr);
        const int64_t new_divisions = program.divisions_by_zero() - divisions;
        if (options.json)
            append_json(out, module, program, reasons, expressions[i], value, calls, new_divisions);
        else
            append_text(out, program, reasons, options.precision, expressions[i], value, calls, new_divisions);
    }
    write_standard_output(out);
    return 0;
}

}  // namespace qelhost
