// Host pools of the stand-in host: every request is logged; a pool can be
// told to refuse.  Blocks are released when the pool goes, as a host
// releases what it handed to a module when it unloads it.
#include "host/host.h"

#include <cstdlib>
#include <cstring>

namespace qelfin::host {

Pool::Pool() : handle_{{&Pool::allocate}, this} {}

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

void* Pool::allocate(HostPool* pool, size_t size, uint32_t flags) {
    Pool* self = reinterpret_cast<Handle*>(pool)->owner;
    std::lock_guard lock(self->mutex_);
    if (self->refuse_) {
        self->requests_.push_back({size, flags, false});
        return nullptr;
    }
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        self->requests_.push_back({size, flags, false});
        return nullptr;
    }
    std::memset(block, kFill, size);
    self->blocks_.push_back(block);
    self->requests_.push_back({size, flags, true});
    return block;
}

}  // namespace qelfin::host
