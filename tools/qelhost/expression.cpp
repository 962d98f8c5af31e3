// The expression language of qelhost: a lexer and a recursive-descent
// parser into a flat tree of numbers, columns, operators and function calls;
// each call is checked against the function catalogue for its arity.
#include "expression.h"
#include "rounding.h"
#include "printable.h"

#include "host/catalogue.h"

#include <cctype>
#include <algorithm>
#include <cmath>
#include <span>

#include "number_text.h"

namespace qelhost {

namespace {

using qelfin::host::argument_list;
using qelfin::host::FunctionInfo;
using qelfin::host::function_index;
using qelfin::host::functions;

enum class Tok { number, missing, name, quoted, lparen, rparen, comma, plus, minus, star, slash, run, equals, end };

struct Token {
    Tok kind = Tok::end;
    size_t position = 0;
    size_t length = 0;
    std::string text;     // name or unquoted column name
    double number = 0.0;  // Tok::number
};

bool name_start(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool name_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool digit(char c) { return c >= '0' && c <= '9'; }

std::string describe(const Token& t, std::string_view text) {
    if (t.kind == Tok::end) return "the end of the expression";
    return "'" + std::string(text.substr(t.position, t.length)) + "'";
}

class Lexer {
public:
    Lexer(std::string_view text, size_t start) : text_(text), at_(start) {}

    Token next() {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
        Token t;
        t.position = at_;
        if (at_ >= text_.size()) return t;
        const char c = text_[at_];
        if (digit(c) || (c == '.' && at_ + 1 < text_.size() && digit(text_[at_ + 1]))) return number(t);
        if (name_start(c)) {
            size_t end = at_;
            while (end < text_.size() && name_char(text_[end])) ++end;
            t.kind = Tok::name;
            t.text = std::string(text_.substr(at_, end - at_));
            return finish(t, end);
        }
        if (c == '"') return quoted(t);
        if (c == '.') {
            if (at_ + 1 < text_.size() && text_[at_ + 1] == '.') {
                t.kind = Tok::run;
                return finish(t, at_ + 2);
            }
            t.kind = Tok::missing;
            return finish(t, at_ + 1);
        }
        switch (c) {
            case '(': t.kind = Tok::lparen; break;
            case ')': t.kind = Tok::rparen; break;
            case ',': t.kind = Tok::comma; break;
            case '+': t.kind = Tok::plus; break;
            case '-': t.kind = Tok::minus; break;
            case '*': t.kind = Tok::star; break;
            case '/': t.kind = Tok::slash; break;
            case '=': t.kind = Tok::equals; break;
            default:
                throw ExpressionError("syntax error: unexpected character '" + std::string(1, c) + "'", at_, 1);
        }
        return finish(t, at_ + 1);
    }

private:
    Token finish(Token& t, size_t end) {
        t.length = end - at_;
        at_ = end;
        return t;
    }

    // digits [. digits] [e [sign] digits], or . digits [exponent]; a point
    // followed by another point ends the number ("1..5" is not a number).
    Token number(Token& t) {
        size_t end = at_;
        while (end < text_.size() && digit(text_[end])) ++end;
        if (end < text_.size() && text_[end] == '.' && !(end + 1 < text_.size() && text_[end + 1] == '.')) {
            ++end;
            while (end < text_.size() && digit(text_[end])) ++end;
        }
        if (end < text_.size() && (text_[end] == 'e' || text_[end] == 'E')) {
            size_t exp = end + 1;
            if (exp < text_.size() && (text_[exp] == '+' || text_[exp] == '-')) ++exp;
            if (exp < text_.size() && digit(text_[exp])) {
                end = exp;
                while (end < text_.size() && digit(text_[end])) ++end;
            } else {
                throw ExpressionError("syntax error: the exponent of this number has no digits", at_, exp - at_);
            }
        }
        if (end < text_.size() && name_char(text_[end]))
            throw ExpressionError("syntax error: a name cannot start with a digit", at_, end + 1 - at_);
        const std::string_view literal = text_.substr(at_, end - at_);
        if (read_number(literal, t.number) != CellKind::number)
            throw ExpressionError("number out of the range of a double", at_, end - at_);
        t.kind = Tok::number;
        return finish(t, end);
    }

    // "column name", with "" standing for one quote inside.
    Token quoted(Token& t) {
        size_t end = at_ + 1;
        for (;;) {
            if (end >= text_.size())
                throw ExpressionError("syntax error: the quoted column name is not closed", at_, end - at_);
            if (text_[end] == '"') {
                if (end + 1 < text_.size() && text_[end + 1] == '"') {
                    t.text += '"';
                    end += 2;
                    continue;
                }
                ++end;
                break;
            }
            t.text += text_[end++];
        }
        t.kind = Tok::quoted;
        return finish(t, end);
    }

    std::string_view text_;
    size_t at_;
};

class Parser {
public:
    Parser(Tree& tree, const Scope& scope, std::string_view text, size_t start, int32_t expression)
        : tree_(tree), scope_(scope), text_(text), lexer_(text, start), expression_(expression) {
        advance();
    }

    int32_t parse() {
        if (token_.kind == Tok::end) throw ExpressionError("syntax error: the expression is empty", token_.position, 1);
        const int32_t root = expr();
        if (token_.kind != Tok::end) {
            std::string hint;
            if (token_.kind == Tok::rparen) hint = " (a ')' without its '(')";
            if (token_.kind == Tok::run)
                throw ExpressionError("'..' makes a run of columns, which is only an argument of a function, as in "
                                      "NPV(rate, 1, c0..c40)",
                                      token_.position, token_.length);
            throw ExpressionError("syntax error: unexpected " + describe(token_, text_) + hint, token_.position,
                                  token_.length);
        }
        return root;
    }

private:
    void advance() { token_ = lexer_.next(); }

    // A node is one level deeper than its deepest operand or argument.
    int32_t add(Node n, std::span<const int32_t> operands = {}) {
        const int32_t own[] = {n.a, n.b};
        if (operands.empty() && n.op != Op::number && n.op != Op::column && n.op != Op::call) operands = own;
        for (const int32_t o : operands)
            if (o >= 0) n.depth = std::max(n.depth, tree_.nodes[static_cast<size_t>(o)].depth + 1);
        if (n.depth > kMaxDepth) too_deep();
        tree_.nodes.push_back(n);
        return static_cast<int32_t>(tree_.nodes.size() - 1);
    }

    int32_t binary(Op op, int32_t l, int32_t r) {
        Node n;
        n.op = op;
        n.a = l;
        n.b = r;
        return add(n);
    }

    [[noreturn]] void too_deep() const {
        throw ExpressionError("the expression nests more than " + std::to_string(kMaxDepth) +
                                  " levels deep (parentheses, calls, signs and operators one after another)",
                              token_.position, token_.length);
    }

    // Counts the levels the parser is inside of, so that its recursion stays
    // bounded before any node is made ("((((1))))" makes one node).
    struct Level {
        explicit Level(Parser& p) : parser(p) {
            if (++parser.levels_ > kMaxDepth) parser.too_deep();
        }
        ~Level() { --parser.levels_; }
        Parser& parser;
    };

    int32_t expr() {
        const Level level(*this);
        int32_t l = term();
        while (token_.kind == Tok::plus || token_.kind == Tok::minus) {
            const Op op = token_.kind == Tok::plus ? Op::add : Op::subtract;
            advance();
            l = binary(op, l, term());
        }
        return l;
    }

    int32_t term() {
        int32_t l = unary();
        while (token_.kind == Tok::star || token_.kind == Tok::slash) {
            const Op op = token_.kind == Tok::star ? Op::multiply : Op::divide;
            advance();
            l = binary(op, l, unary());
        }
        return l;
    }

    int32_t unary() {
        if (token_.kind == Tok::minus) {
            const Level level(*this);
            advance();
            Node n;
            n.op = Op::negate;
            n.a = unary();
            return add(n);
        }
        if (token_.kind == Tok::plus) {
            const Level level(*this);
            advance();
            return unary();
        }
        return primary();
    }

    int32_t primary() {
        const Token t = token_;
        switch (t.kind) {
            case Tok::number: {
                advance();
                Node n;
                n.number = t.number;
                return add(n);
            }
            case Tok::missing: {
                advance();
                Node n;
                n.number = kMissing;
                return add(n);
            }
            case Tok::lparen: {
                advance();
                const int32_t inner = expr();
                expect(Tok::rparen, "')' to close the '(' at position " + std::to_string(t.position + 1));
                return inner;
            }
            case Tok::name:
                advance();
                if (token_.kind == Tok::lparen) return call(t);
                return column(t);
            case Tok::quoted:
                advance();
                return column(t);
            case Tok::run:
                throw ExpressionError("syntax error: '..' joins two column names, as in c0..c40", t.position,
                                      t.length);
            default:
                throw ExpressionError("syntax error: expected a number, '.', a name or '(', found " +
                                          describe(t, text_),
                                      t.position, t.length);
        }
    }

    void expect(Tok kind, const std::string& what) {
        if (token_.kind != kind)
            throw ExpressionError("syntax error: expected " + what + ", found " + describe(token_, text_),
                                  token_.position, token_.length);
        advance();
    }

    int32_t column(const Token& t) {
        Node n;
        n.op = Op::column;
        try {
            n.a = scope_.find(t.text, t.position, t.length);
        } catch (const ExpressionError&) {
            if (t.kind == Tok::name && function_index(t.text))
                throw ExpressionError(t.text + " is a function: write " + t.text + "(...)", t.position, t.length);
            throw;
        }
        return add(n);
    }

    // round(x, n): x to n decimals, n a whole number from -15 to 15.
    int32_t round_call(const Token& name) {
        advance();  // '('
        Node n;
        n.op = Op::round;
        n.a = expr();
        expect(Tok::comma, "',' and the number of decimals of round(x, n)");
        const Token decimals = token_;
        n.b = expr();
        const Node& d = tree_.nodes[static_cast<size_t>(n.b)];
        if (d.op == Op::number && !(d.number == std::floor(d.number) && std::fabs(d.number) <= kMaxDecimals))
            throw ExpressionError("round(x, n) takes a whole number of decimals from -15 to 15",
                                  decimals.position, token_.position - decimals.position);
        expect(Tok::rparen, "')' to close the '(' of " + name.text);
        return add(n);
    }

    int32_t call(const Token& name) {
        if (qelfin::host::edit_distance(name.text, "round") == 0) return round_call(name);
        const auto index = function_index(name.text);
        if (!index) throw ExpressionError(unknown_function(name.text), name.position, name.length);
        const size_t open = token_.position;
        advance();  // '('
        CallText c;
        c.function = *index;
        c.expression = expression_;
        if (token_.kind != Tok::rparen) {
            for (;;) {
                argument(c.args);
                if (token_.kind == Tok::comma) {
                    advance();
                    continue;
                }
                if (token_.kind == Tok::rparen) break;
                throw ExpressionError("syntax error: expected ',' or ')' to close the '(' of " + name.text +
                                          " at position " + std::to_string(open + 1) + ", found " +
                                          describe(token_, text_),
                                      token_.position, token_.length);
            }
        }
        const size_t end = token_.position + token_.length;
        advance();  // ')'
        c.text = std::string(text_.substr(name.position, end - name.position));

        const FunctionInfo& f = functions()[static_cast<size_t>(*index)];
        const auto given = static_cast<int32_t>(c.args.size());
        if ((!f.series && given != f.leading) || (f.series && given < f.leading)) {
            const std::string name_upper(f.name);
            throw ExpressionError(name_upper + (f.series ? " takes at least " : " takes ") +
                                      std::to_string(f.leading) + " arguments (" + argument_list(f) + "), " +
                                      std::to_string(given) + " given",
                                  name.position, end - name.position);
        }
        tree_.calls.push_back(std::move(c));
        Node n;
        n.op = Op::call;
        n.a = static_cast<int32_t>(tree_.calls.size() - 1);
        return add(n, tree_.calls.back().args);
    }

    // One argument; a run "first..last" adds one argument per column.
    void argument(std::vector<int32_t>& args) {
        if (token_.kind == Tok::name || token_.kind == Tok::quoted) {
            const Token first = token_;
            Lexer peek = lexer_;
            if (peek.next().kind == Tok::run) {
                advance();  // the name
                advance();  // '..'
                const Token last = token_;
                if (last.kind != Tok::name && last.kind != Tok::quoted)
                    throw ExpressionError("syntax error: a run of columns ends in a column name, found " +
                                              describe(last, text_),
                                          last.position, last.length);
                advance();
                const int32_t from = scope_.find(first.text, first.position, first.length);
                const int32_t to = scope_.find(last.text, last.position, last.length);
                if (to < from)
                    throw ExpressionError("the run of columns " + first.text + ".." + last.text +
                                              " runs backwards: " + last.text + " comes before " + first.text +
                                              " in the file",
                                          first.position, last.position + last.length - first.position);
                for (int32_t slot = from; slot <= to; ++slot) {
                    Node n;
                    n.op = Op::column;
                    n.a = slot;
                    args.push_back(add(n));
                }
                return;
            }
        }
        args.push_back(expr());
    }

    Tree& tree_;
    const Scope& scope_;
    std::string_view text_;
    Lexer lexer_;
    Token token_;
    int32_t expression_;
    int32_t levels_ = 0;
};

bool same_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

int32_t Scope::find(std::string_view name, size_t position, size_t length) const {
    int32_t exact = -1, folded = -1;
    int exact_count = 0, folded_count = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name) {
            if (exact < 0) exact = static_cast<int32_t>(i);
            ++exact_count;
        } else if (same_ignoring_case(names[i], name)) {
            if (folded < 0) folded = static_cast<int32_t>(i);
            ++folded_count;
        }
    }
    const std::string quoted = "'" + std::string(name) + "'";
    int32_t slot = exact;
    if (exact_count > 1)
        throw ExpressionError("the " + what + " name " + quoted + " appears more than once in the header",
                              position, length);
    if (exact < 0) {
        if (folded_count > 1)
            throw ExpressionError("the " + what + " name " + quoted +
                                      " matches several columns that differ only in case; write it exactly",
                                  position, length);
        slot = folded;
    }
    if (slot < 0) {
        for (const std::string& n : later)
            if (n == name || same_ignoring_case(n, name))
                throw ExpressionError("the " + what + " " + quoted + " is computed by a later --compute; put that "
                                      "one first",
                                      position, length);
        if (visible == 0)
            throw ExpressionError("unknown name " + quoted + ": " + no_columns, position, length);
        std::vector<std::string_view> candidates(names.begin(), names.begin() + static_cast<long>(visible));
        const std::string_view nearest = nearest_name(name, candidates);
        std::string message = "unknown " + what + " " + quoted;
        if (!nearest.empty()) message += " (did you mean " + printable(nearest) + "?)";
        throw ExpressionError(message, position, length);
    }
    if (static_cast<size_t>(slot) >= visible)
        throw ExpressionError("the " + what + " " + quoted + " is computed by a later --compute", position, length);
    return slot;
}

int32_t parse_expression(Tree& tree, const Scope& scope, std::string_view text, size_t start, int32_t expression) {
    Parser p(tree, scope, text, start, expression);
    return p.parse();
}

ComputeHead parse_compute_head(std::string_view text) {
    Lexer lexer(text, 0);
    const Token name = lexer.next();
    if (name.kind != Tok::name && name.kind != Tok::quoted)
        throw ExpressionError("syntax error: a --compute starts with the name of the column to compute, as in "
                              "'payment = MORT(...)'",
                              name.position, name.length);
    const Token equals = lexer.next();
    if (equals.kind != Tok::equals)
        throw ExpressionError("syntax error: expected '=' after the column name " + name.text + ", found " +
                                  describe(equals, text),
                              equals.position, equals.length);
    if (name.text.empty()) throw ExpressionError("the column name is empty", name.position, name.length);
    return {name.text, equals.position + equals.length};
}

}  // namespace qelhost
