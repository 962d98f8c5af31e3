#include "host/arg_block.h"

#include <bit>

namespace qelfin::host {

double missing_value() { return std::bit_cast<double>(QELFIN_MISSING_BITS); }

Arg Arg::missing() { return Arg(missing_value()); }

Arg Arg::chars(std::string s) {
    Arg a(0.0);
    a.numeric = false;
    a.text = std::move(s);
    return a;
}

ArgBlock::ArgBlock(std::span<const Arg> args, uint8_t caller_kind, int32_t* call_state) {
    const size_t bytes = sizeof(FunctionArgs) + args.size() * sizeof(ArgDescriptor);
    storage_ = std::make_unique<uint64_t[]>((bytes + 7) / 8);
    block_ = reinterpret_cast<FunctionArgs*>(storage_.get());
    block_->call_state = call_state;
    block_->caller_kind = caller_kind;
    block_->arg_count = static_cast<int32_t>(args.size());

    // Values first, so that the vectors never move once pointed to.
    numbers_.reserve(args.size());
    chars_.reserve(args.size());
    texts_.reserve(args.size());
    for (size_t i = 0; i < args.size(); ++i) {
        ArgDescriptor& d = block_->args[i];
        if (args[i].numeric) {
            numbers_.push_back(args[i].number);
            d.flags = ARG_NUMERIC;
            d.value = &numbers_.back();
        } else {
            texts_.push_back(args[i].text);
            CharValue cv{};
            cv.length = static_cast<uint16_t>(texts_.back().size());
            cv.bytes = reinterpret_cast<const uint8_t*>(texts_.back().data());
            chars_.push_back(cv);
            d.flags = 0;
            d.value = &chars_.back();
        }
    }
}

bool ArgBlock::marked(int32_t i) const { return (block_->args[i - 1].flags & ARG_INVALID) != 0; }

int32_t ArgBlock::first_marked() const {
    for (int32_t i = 1; i <= block_->arg_count; ++i)
        if (marked(i)) return i;
    return 0;
}

int32_t ArgBlock::mark_count() const {
    int32_t n = 0;
    for (int32_t i = 1; i <= block_->arg_count; ++i) n += marked(i) ? 1 : 0;
    return n;
}

void ArgBlock::clear_marks() {
    for (int32_t i = 1; i <= block_->arg_count; ++i) block_->args[i - 1].flags &= ~ARG_INVALID;
}

}  // namespace qelfin::host
