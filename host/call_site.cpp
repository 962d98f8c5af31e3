#include "host/call_site.h"

#include <bit>
#include <stdexcept>
#include <string>

namespace qelfin::host {

CallSite::CallSite(const Module& module, int function, int32_t arg_count, uint8_t caller_kind)
    : module_(&module), function_(function), entry_(module.entry(function)) {
    if (arg_count < 0) throw std::invalid_argument("a call has no negative number of arguments");
    const size_t n = static_cast<size_t>(arg_count);
    const size_t bytes = sizeof(FunctionArgs) + n * sizeof(ArgDescriptor);
    storage_ = std::make_unique<uint64_t[]>((bytes + 7) / 8);
    block_ = reinterpret_cast<FunctionArgs*>(storage_.get());
    block_->call_state = nullptr;
    block_->caller_kind = caller_kind;
    block_->arg_count = arg_count;
    capacity_ = arg_count;
    for (size_t i = 0; i < n; ++i) block_->args[i].flags = ARG_NUMERIC;
    bind_own_values();
}

namespace {
constexpr double kMissing = std::bit_cast<double>(QELFIN_MISSING_BITS);
}  // namespace

double* CallSite::own_values() {
    if (!values_) {
        values_ = std::make_unique<double[]>(capacity_ == 0 ? 1 : static_cast<size_t>(capacity_));
        for (int32_t i = 0; i < capacity_; ++i) values_[static_cast<size_t>(i)] = kMissing;
    }
    return values_.get();
}

void CallSite::bind_own_values() {
    for (int32_t i = 0; i < capacity_; ++i) bind(i, values_ ? &values_[static_cast<size_t>(i)] : &kMissing);
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
      storage_(std::move(other.storage_)),
      values_(std::move(other.values_)),
      block_(other.block_),
      capacity_(other.capacity_),
      sink_(other.sink_) {
    other.block_ = nullptr;
}

CallSite::~CallSite() {
    if (block_ != nullptr && block_->call_state != nullptr)
        module_->host().counter_service().release(block_->call_state);
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
