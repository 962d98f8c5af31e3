// Expressions as qelhost reads them:
//
//   expr     := term {("+" | "-") term}
//   term     := unary {("*" | "/") unary}
//   unary    := ("-" | "+") unary | primary
//   primary  := number | "." | call | column | "(" expr ")"
//   call     := NAME "(" [argument {"," argument}] ")"     NAME one of the 17, any case
//             | "round" "(" expr "," expr ")"              to a number of decimals (rounding.h)
//   argument := expr | column ".." column                   a run of columns, in file order
//   column   := NAME | '"' text '"'
//   compute  := column "=" expr                             (for run --compute)
//
// "." is a missing value.  Names are resolved while parsing: a call to its
// function (checking the number of arguments once runs are expanded), a
// column to its slot in the row.  Every call becomes one call site.
//
// Parsing and evaluating recurse once per level of nesting, so an
// expression may nest at most kMaxDepth levels: parentheses, calls and
// signs inside each other, and operators applied one after another (a sum
// of many terms is that many levels deep).  A deeper one is an error.
#pragma once

#include "diagnostics.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qelhost {

inline constexpr int32_t kMaxDepth = 1000;

enum class Op : uint8_t { number, column, call, negate, add, subtract, multiply, divide, round };

struct Node {
    Op op = Op::number;
    double number = 0.0;  // Op::number
    int32_t a = -1;       // column slot, call site, or the (left) operand (round: the value)
    int32_t b = -1;       // the right operand (round: the decimals)
    int32_t depth = 1;    // levels from this node down to its deepest leaf
};

// A textual call: one function, its arguments as nodes, its place in the text.
struct CallText {
    int function = 0;            // index in the function vector (0..16)
    std::vector<int32_t> args;   // one node per argument, runs expanded
    std::string text;            // the call as written, e.g. "MORT(amount, ., rate/12, term)"
    int32_t expression = 0;      // which parsed expression it belongs to
};

// All expressions of one command, parsed into one store of nodes.
struct Tree {
    std::vector<Node> nodes;
    std::vector<CallText> calls;
};

// The columns an expression may name: slots 0..visible-1 of `names`, in file
// order (the input columns, then the columns computed so far).
struct Scope {
    std::vector<std::string> names;
    size_t visible = 0;
    std::string what = "column";  // how a name is called in messages
    std::string no_columns = "there are no columns here";  // said of any name when none is visible
    std::vector<std::string> later;  // names computed after the expression being parsed

    // Slot of a name, exact first, then ignoring case.  Errors (unknown,
    // ambiguous, computed later) are thrown at [position, position + length).
    int32_t find(std::string_view name, size_t position, size_t length) const;
};

// Parses the expression that starts at byte `start` of `text` and runs to
// its end into the tree, and returns its root node.  Error positions are
// offsets into `text`.
int32_t parse_expression(Tree& tree, const Scope& scope, std::string_view text, size_t start, int32_t expression);

// Splits "name = expression" into the column name (unquoted) and the offset
// of the expression text.
struct ComputeHead {
    std::string name;
    size_t expression_offset;
};
ComputeHead parse_compute_head(std::string_view text);

}  // namespace qelhost
