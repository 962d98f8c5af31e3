// The toolkit of the stand-in: scratch pools that keep track of their
// blocks and free them all when destroyed.  Pools never destroyed are
// reported by live_pools() and freed with the toolkit.
#include "host/standin/standin.h"

#include <algorithm>
#include <cstdlib>

namespace qelfin::standin {

struct Toolkit::TrackedPool : host::ScratchPool {
    std::vector<void*> blocks;
};

Toolkit::~Toolkit() {
    for (TrackedPool* pool : live_) {
        for (void* block : pool->blocks) std::free(block);
        delete pool;
    }
}

void Toolkit::set_fail_create(bool fail) {
    std::lock_guard lock(mutex_);
    fail_create_ = fail;
}

void Toolkit::set_fail_allocate(bool fail) {
    std::lock_guard lock(mutex_);
    fail_allocate_ = fail;
}

int Toolkit::created() const {
    std::lock_guard lock(mutex_);
    return created_;
}

int Toolkit::destroyed() const {
    std::lock_guard lock(mutex_);
    return destroyed_;
}

int Toolkit::live_pools() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(live_.size());
}

std::vector<Toolkit::Creation> Toolkit::creations() const {
    std::lock_guard lock(mutex_);
    return creations_;
}

std::vector<size_t> Toolkit::allocations() const {
    std::lock_guard lock(mutex_);
    return allocations_;
}

void Toolkit::reset_counts() {
    std::lock_guard lock(mutex_);
    created_ = destroyed_ = 0;
    creations_.clear();
    allocations_.clear();
}

host::ScratchPool* Toolkit::create(const uint32_t parm[3], int32_t zero, const char* name) {
    std::lock_guard lock(mutex_);
    creations_.push_back({{parm[0], parm[1], parm[2]}, zero, name ? name : ""});
    if (fail_create_) return nullptr;
    auto* pool = new TrackedPool;
    host::bind_scratch_pool(*pool, *this);
    live_.push_back(pool);
    ++created_;
    return pool;
}

void Toolkit::destroy(host::ScratchPool* base) {
    auto* pool = static_cast<TrackedPool*>(base);
    std::lock_guard lock(mutex_);
    for (void* block : pool->blocks) std::free(block);
    live_.erase(std::remove(live_.begin(), live_.end(), pool), live_.end());
    ++destroyed_;
    delete pool;
}

void* Toolkit::allocate(host::ScratchPool* base, size_t size, uint32_t /*flags*/) {
    auto* pool = static_cast<TrackedPool*>(base);
    std::lock_guard lock(mutex_);
    if (fail_allocate_) return nullptr;
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) return nullptr;
    pool->blocks.push_back(block);
    allocations_.push_back(size);
    return block;
}

}  // namespace qelfin::standin
