// Host pools of the stand-in: every request is logged; a pool can be told
// to refuse.  Blocks are freed when the pool goes, as a host releases what
// it handed to a module when it unloads it; release() only counts.
#include "host/standin/standin.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace qelfin::standin {

Pool::~Pool() {
    for (void* block : blocks_) std::free(block);
}

void Pool::set_refuse(bool refuse) {
    std::lock_guard lock(mutex_);
    refuse_ = refuse;
}

std::vector<Pool::Request> Pool::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void Pool::clear_requests() {
    std::lock_guard lock(mutex_);
    requests_.clear();
}

size_t Pool::outstanding() const {
    std::lock_guard lock(mutex_);
    return blocks_.size();
}

void* Pool::allocate(size_t size, uint32_t flags) {
    std::lock_guard lock(mutex_);
    void* block = refuse_ ? nullptr : std::malloc(size == 0 ? 1 : size);
    requests_.push_back({size, flags, block != nullptr});
    if (block == nullptr) return nullptr;
    std::memset(block, kFill, size);
    blocks_.push_back(block);
    return block;
}

void Pool::release(void* block) {
    if (block == nullptr) return;
    std::lock_guard lock(mutex_);
    const auto it = std::find(blocks_.begin(), blocks_.end(), block);
    if (it == blocks_.end()) return;
    std::free(*it);
    blocks_.erase(it);
}

}  // namespace qelfin::standin
