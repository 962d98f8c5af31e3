// The toolkit of the stand-in host: scratch pools that keep track of their
// blocks and free them all when destroyed.  Pools never destroyed are
// reported by live_pools() and freed with the toolkit.
#include "host/host.h"

#include <algorithm>
#include <cstdlib>

namespace qelfin::host {

struct Toolkit::ScratchPool {
    std::array<void*, 4> words{};  // first member: the module sees this
    Toolkit* owner = nullptr;
    std::vector<void*> blocks;
};

namespace {
template <class F>
void* word_of(F* function) {
    return reinterpret_cast<void*>(function);
}
}  // namespace

Toolkit::Toolkit() {
    handle_.words[TOOLKIT_CREATE_POOL] = word_of(&Toolkit::create);
    handle_.owner = this;
}

Toolkit::~Toolkit() {
    for (ScratchPool* pool : live_) {
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

void* Toolkit::create(void* toolkit, const uint32_t parm[3], int32_t zero, const char* name) {
    Toolkit* self = reinterpret_cast<Handle*>(toolkit)->owner;
    std::lock_guard lock(self->mutex_);
    self->creations_.push_back({{parm[0], parm[1], parm[2]}, zero, name ? name : ""});
    if (self->fail_create_) return nullptr;
    auto* pool = new ScratchPool;
    pool->owner = self;
    pool->words[TOOLKIT_POOL_DESTROY] = word_of(&Toolkit::destroy);
    pool->words[TOOLKIT_POOL_ALLOCATE] = word_of(&Toolkit::allocate);
    self->live_.push_back(pool);
    ++self->created_;
    return pool->words.data();
}

void Toolkit::destroy(void* handle) {
    auto* pool = reinterpret_cast<ScratchPool*>(handle);
    Toolkit* self = pool->owner;
    std::lock_guard lock(self->mutex_);
    for (void* block : pool->blocks) std::free(block);
    self->live_.erase(std::remove(self->live_.begin(), self->live_.end(), pool), self->live_.end());
    ++self->destroyed_;
    delete pool;
}

void* Toolkit::allocate(void* handle, size_t size, uint32_t /*flags*/) {
    auto* pool = reinterpret_cast<ScratchPool*>(handle);
    Toolkit* self = pool->owner;
    std::lock_guard lock(self->mutex_);
    if (self->fail_allocate_) return nullptr;
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) return nullptr;
    pool->blocks.push_back(block);
    self->allocations_.push_back(size);
    return block;
}

}  // namespace qelfin::host
