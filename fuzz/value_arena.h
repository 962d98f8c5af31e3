// Where the harness keeps what it hands the module: values and texts in an
// arena made read-only for the call (texts from the top down, the first
// ending at a page never accessible), the block on the heap at exactly its
// size, so that the address sanitizer sees a read beyond its descriptors.
#pragma once

#include "fuzz/byte_input.h"

#include <qelfin/qelfin.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace qelfin::fuzz {

class ValueArena {
public:
    explicit ValueArena(size_t bytes = size_t{4} << 20);
    ~ValueArena();
    ValueArena(const ValueArena&) = delete;
    ValueArena& operator=(const ValueArena&) = delete;

    void open();  // writable and empty
    void seal();  // read-only until the next open()

    // A copy of `size` bytes, from the bottom up.
    const void* put(const void* bytes, size_t size, size_t align);
    const double* put_doubles(std::span<const double> xs) {
        return static_cast<const double*>(put(xs.data(), xs.size_bytes(), alignof(double)));
    }
    const uint8_t* put_text(const std::string& text);  // from the top down

private:
    void protect(int prot);
    uint8_t* base_ = nullptr;
    size_t size_ = 0;
    size_t low_ = 0;
    size_t high_ = 0;
    // The pages sealed last, [0, sealed_low_) and [sealed_high_, size_): only what was used.
    size_t sealed_low_ = 0;
    size_t sealed_high_ = 0;
};

// How a block is decorated beyond its arguments.
struct BlockDecor {
    uint8_t caller_kind = 0;
    int32_t* call_state = nullptr;
    uint64_t host_seed = 0;  // nonzero: host words, host bytes and host flag bits filled from it
    int32_t premark = 0;     // 1-based argument carrying ARG_INVALID before the call, 0 for none
};

class TestBlock {
public:
    // `length` arguments, argument i being values[i % values.size()].  Values
    // go into the arena (which must be open); each argument gets a value of
    // its own, but the repeats of a character value share its text.
    TestBlock(ValueArena& arena, std::span<const ArgValue> values, int32_t length, const BlockDecor& decor);
    ~TestBlock();
    TestBlock(const TestBlock&) = delete;
    TestBlock& operator=(const TestBlock&) = delete;

    FunctionArgs* get() { return block_; }
    const FunctionArgs* get() const { return block_; }
    size_t bytes() const { return bytes_; }

    // The first eight bytes behind argument i's value pointer (1-based), whatever its type.
    double read_as_double(int32_t i) const;
    bool marked(int32_t i) const { return (block_->args[i - 1].flags & ARG_INVALID) != 0; }

    // Header and descriptors with the ARG_INVALID bits and call_state
    // cleared: what a call must leave exactly as it was.
    std::vector<uint8_t> fixed_part() const;

private:
    FunctionArgs* block_ = nullptr;
    size_t bytes_ = 0;
};

}  // namespace qelfin::fuzz
