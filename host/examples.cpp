// Worked examples: the call parsed into numbers and made through the
// module, the sentence's figures filled in from further calls.
#include "host/examples.h"

#include "host/numbers.h"

#include <charconv>
#include <stdexcept>
#include <vector>

namespace qelfin::host {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

}  // namespace

double example_value(const Module& module, std::string_view call) {
    const size_t open = call.find('(');
    if (open == std::string_view::npos || call.empty() || call.back() != ')')
        throw std::invalid_argument("not a call: " + std::string(call));
    std::vector<Arg> args;
    for (std::string_view rest = call.substr(open + 1, call.size() - open - 2); !rest.empty();) {
        const size_t comma = rest.find(',');
        const std::string_view text = trimmed(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
        double x = 0.0;
        const auto r = std::from_chars(text.data(), text.data() + text.size(), x);
        if (text == ".")
            args.push_back(Arg::missing());
        else if (r.ec == std::errc() && r.ptr == text.data() + text.size())
            args.emplace_back(x);
        else
            throw std::invalid_argument("not a number in " + std::string(call) + ": " + std::string(text));
    }
    const CallResult r = module.call(trimmed(call.substr(0, open)), args);
    if (!r.ok()) throw std::runtime_error("the example " + std::string(call) + " gives no value");
    return r.value;
}

ComputedExample computed_example(const Module& module, const FunctionInfo& f) {
    ComputedExample e{f.example.call, example_value(module, f.example.call), {}};
    const std::string_view text = f.example.reading;
    for (size_t at = 0; at < text.size();) {
        const size_t open = text.find('{', at);
        const size_t close = open == std::string_view::npos ? open : text.find('}', open);
        if (close == std::string_view::npos) {
            e.sentence += text.substr(at);
            break;
        }
        e.sentence += text.substr(at, open - at);
        const std::string_view inside = text.substr(open + 1, close - open - 1);
        const size_t colon = inside.rfind(':');
        const std::string_view call = inside.substr(0, colon);
        const double value = call.empty() ? e.value : example_value(module, call);
        if (colon == std::string_view::npos)
            append_number(e.sentence, value, ".");
        else
            append_fixed(e.sentence, value, std::stoi(std::string(inside.substr(colon + 1))), ".");
        at = close + 1;
    }
    return e;
}

}  // namespace qelfin::host
