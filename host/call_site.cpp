#include "host/call_site.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

namespace qelfin::host {

namespace {
constexpr double kMissing = std::bit_cast<double>(QELFIN_MISSING_BITS);

size_t block_bytes(int32_t count) { return sizeof(FunctionArgs) + static_cast<size_t>(count) * sizeof(ArgDescriptor); }
}  // namespace

CallSite::CallSite(const Module& module, int function, int32_t arg_count, uint8_t caller_kind, PoolService* memory)
    : module_(&module), function_(function), entry_(module.entry(function)), memory_(memory ? memory : &heap_pool()) {
    if (arg_count < 0) throw std::invalid_argument("a call has no negative number of arguments");
    block_ = static_cast<FunctionArgs*>(allocate(block_bytes(arg_count)));
    block_->call_state = nullptr;
    block_->caller_kind = caller_kind;
    block_->arg_count = arg_count;
    capacity_ = arg_count;
    init_arguments(0, arg_count);
}

void* CallSite::allocate(size_t bytes) {
    void* block = memory_->allocate(bytes, 0);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

void CallSite::init_arguments(int32_t from, int32_t to) {
    for (int32_t i = from; i < to; ++i) {
        block_->args[i].flags = ARG_NUMERIC;
        if (i < value_count_) values_[i] = kMissing;
        bind(i, i < value_count_ ? &values_[i] : &kMissing);
    }
}

// The leading arguments first; any later one asked for makes room for all.
double* CallSite::own_values(int32_t count) {
    if (count <= value_count_) return values_;
    const int32_t leading = functions()[static_cast<size_t>(function_)].leading;
    const int32_t made = count <= leading ? std::min(leading, capacity_) : capacity_;
    auto* grown = static_cast<double*>(allocate(sizeof(double) * static_cast<size_t>(std::max(made, 1))));
    for (int32_t i = 0; i < made; ++i) grown[i] = i < value_count_ ? values_[i] : kMissing;
    for (int32_t i = 0; i < std::min(value_count_, block_->arg_count); ++i)
        if (block_->args[i].value == &values_[i]) bind(i, &grown[i]);
    memory_->release(values_);
    values_ = grown;
    value_count_ = made;
    return values_;
}

double* CallSite::values(int32_t count) {
    double* own = own_values(count);
    for (int32_t i = 0; i < count; ++i) bind(i, &own[i]);
    return own;
}

void CallSite::bind_own_values() {
    for (int32_t i = 0; i < block_->arg_count; ++i) bind(i, i < value_count_ ? &values_[i] : &kMissing);
}

void CallSite::resize(int32_t arg_count) {
    if (arg_count < 0) throw std::invalid_argument("a call has no negative number of arguments");
    const int32_t before = block_->arg_count;
    if (arg_count > capacity_) {
        const int32_t grown = static_cast<int32_t>(
            std::min<int64_t>(INT32_MAX, std::max<int64_t>(arg_count, int64_t{capacity_} + capacity_ / 2)));
        auto* block = static_cast<FunctionArgs*>(allocate(block_bytes(grown)));
        std::memcpy(static_cast<void*>(block), block_, block_bytes(before));
        memory_->release(block_);
        block_ = block;
        capacity_ = grown;
    }
    block_->arg_count = arg_count;
    init_arguments(before, arg_count);
}

CallSite::CallSite(const Module& module, std::string_view function, int32_t arg_count, uint8_t caller_kind)
    : CallSite(module, [&] {
          const auto i = function_index(function);
          if (!i) throw std::invalid_argument("unknown function " + std::string(function));
          return *i;
      }(), arg_count, caller_kind) {}

CallSite::CallSite(CallSite&& other) noexcept
    : module_(other.module_),
      function_(other.function_),
      entry_(other.entry_),
      memory_(other.memory_),
      block_(other.block_),
      values_(other.values_),
      capacity_(other.capacity_),
      value_count_(other.value_count_),
      sink_(other.sink_) {
    other.block_ = nullptr;
    other.values_ = nullptr;
}

CallSite::~CallSite() {
    if (block_ != nullptr && block_->call_state != nullptr)
        module_->host().counter_service().release(block_->call_state);
    memory_->release(values_);
    memory_->release(block_);
}

int32_t CallSite::take_mark() {
    int32_t first = 0;
    for (int32_t i = 0; i < block_->arg_count; ++i) {
        uint32_t& flags = block_->args[i].flags;
        if (flags & ARG_INVALID) {
            if (first == 0) first = i + 1;
            flags &= ~ARG_INVALID;
        }
    }
    return first;
}

}  // namespace qelfin::host
