// Argument blocks as a host builds them: numeric and character arguments,
// a caller kind and the call_state of the call site.  The block and the
// values it points to live as long as the ArgBlock.
#pragma once

#include <qelfin/qelfin.h>

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace qelfin::host {

// One argument: a double (NaN for missing) or a character value.
struct Arg {
    bool numeric = true;
    double number = 0.0;
    std::string text;

    Arg(double x) : number(x) {}  // NOLINT: numbers convert implicitly
    Arg(int x) : number(x) {}     // NOLINT
    static Arg missing();          // the module's MISSING
    static Arg chars(std::string s);
};

// The module's MISSING value, for writing calls such as {100, missing, 0.05, 10}.
double missing_value();

// The state a host keeps for a call site between calls made on fresh
// argument blocks: the caller kind and the call_state word.
struct SiteState {
    uint8_t caller_kind = 0;
    int32_t* call_state = nullptr;
};

class ArgBlock {
public:
    explicit ArgBlock(std::span<const Arg> args, uint8_t caller_kind = 0, int32_t* call_state = nullptr);
    ArgBlock(std::initializer_list<Arg> args, uint8_t caller_kind = 0, int32_t* call_state = nullptr)
        : ArgBlock(std::span<const Arg>(args.begin(), args.size()), caller_kind, call_state) {}
    ArgBlock(const ArgBlock&) = delete;
    ArgBlock& operator=(const ArgBlock&) = delete;

    FunctionArgs* get() { return block_; }
    int32_t size() const { return block_->arg_count; }

    bool marked(int32_t i) const;      // ARG_INVALID set on argument i (1-based)
    int32_t first_marked() const;      // 0 when none
    int32_t mark_count() const;
    void clear_marks();

private:
    std::unique_ptr<uint64_t[]> storage_;  // header and descriptors, 8-byte aligned
    FunctionArgs* block_ = nullptr;
    std::vector<double> numbers_;
    std::vector<CharValue> chars_;
    std::vector<std::string> texts_;
};

}  // namespace qelfin::host
