// One call, parsed and its arguments evaluated (see one_call.h).
#include "one_call.h"

#include "program.h"

#include "host/hints.h"

#include <cstdio>

namespace qelhost {

OneCall one_call(const qelfin::host::Module& module, const std::string& expression, uint8_t caller_kind, bool hints,
                 const std::function<bool(const qelfin::host::FunctionInfo&)>& accepted, const std::string& wanted) {
    Scope scope;
    scope.no_columns = "no columns here; write numbers, '.', + - * / and one call";
    Tree tree;
    std::string text = expression;
    text.erase(0, text.find_first_not_of(" \t"));
    int32_t root = 0;
    try {
        root = parse_expression(tree, scope, text, 0, 0);
    } catch (ExpressionError& e) {
        e.source = text;
        throw;
    }
    const Node top = tree.nodes[static_cast<size_t>(root)];
    if (top.op != Op::call) throw UsageError(wanted);
    OneCall c;
    c.function = &qelfin::host::functions()[static_cast<size_t>(tree.calls[static_cast<size_t>(top.a)].function)];
    if (!accepted(*c.function)) throw UsageError(wanted);
    const std::vector<int32_t> arg_nodes = tree.calls[static_cast<size_t>(top.a)].args;
    Program program(module, std::move(tree), caller_kind);
    for (const int32_t a : arg_nodes) c.args.push_back(program.evaluate(a, nullptr));
    if (hints)
        for (size_t i = 0; i < c.args.size(); ++i)
            if (const std::string hint =
                    qelfin::host::plausibility_hint(*c.function, static_cast<int32_t>(i) + 1, c.args[i]);
                !hint.empty())
                std::fprintf(stderr, "qelhost: hint: %s\n", hint.c_str());
    return c;
}

}  // namespace qelhost
