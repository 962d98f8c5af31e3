#include "fuzz/value_arena.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

namespace qelfin::fuzz {

namespace {

size_t page_size() { return static_cast<size_t>(sysconf(_SC_PAGESIZE)); }

}  // namespace

ValueArena::ValueArena(size_t bytes) {
    const size_t page = page_size();
    size_ = (bytes + page - 1) / page * page;
    void* p = mmap(nullptr, size_ + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    base_ = static_cast<uint8_t*>(p);
    if (mprotect(base_ + size_, page, PROT_NONE) != 0) throw std::runtime_error("cannot make the guard page");
    high_ = size_;
    sealed_high_ = size_;
}

ValueArena::~ValueArena() { munmap(base_, size_ + page_size()); }

void ValueArena::protect(int prot) {
    if ((sealed_low_ > 0 && mprotect(base_, sealed_low_, prot) != 0) ||
        (sealed_high_ < size_ && mprotect(base_ + sealed_high_, size_ - sealed_high_, prot) != 0))
        throw std::runtime_error("cannot change the arena's protection");
}

void ValueArena::open() {
    protect(PROT_READ | PROT_WRITE);
    low_ = 0;
    high_ = size_;
}

void ValueArena::seal() {
    const size_t page = page_size();
    sealed_low_ = std::min((low_ + page - 1) / page * page, size_);
    sealed_high_ = std::max(high_ / page * page, sealed_low_);
    protect(PROT_READ);
}

const void* ValueArena::put(const void* bytes, size_t size, size_t align) {
    const size_t at = (low_ + align - 1) / align * align;
    if (at + std::max<size_t>(size, 1) > high_) throw std::length_error("value arena full");
    low_ = at + std::max<size_t>(size, 1);
    if (size > 0) std::memcpy(base_ + at, bytes, size);
    return base_ + at;
}

const uint8_t* ValueArena::put_text(const std::string& text) {
    if (high_ < low_ + text.size()) throw std::length_error("value arena full");
    high_ -= text.size();
    std::memcpy(base_ + high_, text.data(), text.size());
    return base_ + high_;
}

TestBlock::TestBlock(ValueArena& arena, std::span<const ArgValue> values, int32_t length, const BlockDecor& decor) {
    if (length < 0 || (length > 0 && values.empty())) throw std::invalid_argument("no values for the block");
    bytes_ = sizeof(FunctionArgs) + static_cast<size_t>(length) * sizeof(ArgDescriptor);
    block_ = static_cast<FunctionArgs*>(std::malloc(bytes_));
    if (block_ == nullptr) throw std::bad_alloc();
    std::memset(block_, 0, bytes_);
    uint64_t seed = decor.host_seed;  // the host's words and bits: the same on every replay
    if (seed != 0) {
        block_->host_word0 = reinterpret_cast<void*>(static_cast<uintptr_t>(splitmix64(seed)));
        block_->host_word1 = reinterpret_cast<void*>(static_cast<uintptr_t>(splitmix64(seed)));
        const uint64_t b = splitmix64(seed);
        block_->host_bytes[0] = static_cast<uint8_t>(b);
        block_->host_bytes[1] = static_cast<uint8_t>(b >> 8);
        block_->host_bytes[2] = static_cast<uint8_t>(b >> 16);
    }
    block_->call_state = decor.call_state;
    block_->caller_kind = decor.caller_kind;
    block_->arg_count = length;

    std::vector<const uint8_t*> texts(values.size(), nullptr);
    for (size_t i = 0; i < static_cast<size_t>(length); ++i) {
        const size_t source = i % values.size();
        const ArgValue& a = values[source];
        ArgDescriptor& d = block_->args[i];
        // Host bits: anything but the two bits whose meaning is fixed.
        const uint32_t host_bits =
            seed != 0 ? static_cast<uint32_t>(splitmix64(seed)) & ~(ARG_NUMERIC | ARG_INVALID) : 0;
        if (a.numeric) {
            d.flags = host_bits | ARG_NUMERIC;
            d.value = const_cast<double*>(arena.put_doubles({&a.number, 1}));
        } else {
            const uint8_t*& text = texts[source];
            if (text == nullptr) text = arena.put_text(a.text);
            const uint64_t h = seed != 0 ? splitmix64(seed) : 0;
            CharValue c;
            std::memset(&c, 0, sizeof c);  // padding included: the first eight bytes are read as a double
            c.host[0] = static_cast<uint8_t>(h), c.host[1] = static_cast<uint8_t>(h >> 8);
            c.length = static_cast<uint16_t>(a.text.size());
            c.bytes = text;
            d.flags = host_bits;
            d.value = const_cast<void*>(arena.put(&c, sizeof c, alignof(CharValue)));
        }
    }
    if (decor.premark >= 1 && decor.premark <= block_->arg_count) block_->args[decor.premark - 1].flags |= ARG_INVALID;
}

TestBlock::~TestBlock() { std::free(block_); }

double TestBlock::read_as_double(int32_t i) const {
    double x;
    std::memcpy(&x, block_->args[i - 1].value, sizeof x);
    return x;
}

std::vector<uint8_t> TestBlock::fixed_part() const {
    std::vector<uint8_t> out(bytes_);
    std::memcpy(out.data(), block_, bytes_);
    auto* copy = reinterpret_cast<FunctionArgs*>(out.data());
    copy->call_state = nullptr;
    for (int32_t i = 0; i < copy->arg_count; ++i) copy->args[i].flags &= ~ARG_INVALID;
    return out;
}

}  // namespace qelfin::fuzz
