// The test stand-in: the embeddable host with services that record what
// the module asks of them, refuse or fail on demand, and report what was
// never given back.  Tests and fuzz targets load the module through it, so
// they exercise the same control block, trampolines and loader as users.
//
//   host pools     log every request; can be told to refuse; blocks live
//                  as long as the Host (new ones filled with kFill)
//   toolkit        scratch pools that track their blocks, can be told to
//                  fail create or allocate, and report pools never destroyed
//   message log    keeps every note written outside a call, with the
//                  host's texts
//
// Unlike the default services these lock: tests call from many threads.
#pragma once

#include "host/host.h"
#include "host/module.h"

#include <mutex>
#include <string>
#include <vector>

namespace qelfin::standin {

using host::Note;

class Pool final : public host::PoolService {
public:
    static constexpr unsigned char kFill = 0xA5;
    struct Request {
        size_t size;
        uint32_t flags;
        bool granted;
    };

    Pool() = default;
    ~Pool() override;
    Pool(const Pool&) = delete;
    Pool& operator=(const Pool&) = delete;

    void* allocate(size_t size, uint32_t flags) override;
    void release(void* block) override;

    void set_refuse(bool refuse);           // refuse every request from now on
    std::vector<Request> requests() const;  // every request, in order
    void clear_requests();
    size_t outstanding() const;             // blocks granted and not released

private:
    mutable std::mutex mutex_;
    bool refuse_ = false;
    std::vector<Request> requests_;
    std::vector<void*> blocks_;
};

class Toolkit final : public host::ScratchService {
public:
    struct Creation {
        uint32_t parm[3];
        int32_t zero;
        std::string name;
    };

    Toolkit() = default;
    ~Toolkit() override;
    Toolkit(const Toolkit&) = delete;
    Toolkit& operator=(const Toolkit&) = delete;

    host::ScratchPool* create(const uint32_t parm[3], int32_t zero, const char* name) override;
    void* allocate(host::ScratchPool* pool, size_t size, uint32_t flags) override;
    void destroy(host::ScratchPool* pool) override;

    void set_fail_create(bool fail);
    void set_fail_allocate(bool fail);
    int created() const;                 // pools created so far
    int destroyed() const;               // pools destroyed so far
    int live_pools() const;              // created and not destroyed
    std::vector<Creation> creations() const;
    std::vector<size_t> allocations() const;  // sizes of granted pool blocks, in order
    void reset_counts();

private:
    struct TrackedPool;
    mutable std::mutex mutex_;
    bool fail_create_ = false;
    bool fail_allocate_ = false;
    int created_ = 0;
    int destroyed_ = 0;
    std::vector<TrackedPool*> live_;
    std::vector<Creation> creations_;
    std::vector<size_t> allocations_;
};

class Host final : public host::Host, private host::NoteSink {
public:
    Host();
    ~Host() override = default;

    Pool& vector_pool() { return vector_pool_; }    // gcb word 10
    Pool& counter_pool() { return counter_pool_; }  // gcb word 5
    Toolkit& toolkit() { return toolkit_; }         // gcb word 82

    // Every note written outside a call (since the host was made or since
    // clear_notes); the notes of a call come with its CallResult.
    std::vector<Note> notes() const;
    void clear_notes();

private:
    void note(const Note& n) override;

    Pool counter_pool_;
    Pool vector_pool_;
    Toolkit toolkit_;
    mutable std::mutex notes_mutex_;
    std::vector<Note> notes_;
};

}  // namespace qelfin::standin
