// The stand-in host: everything a real host offers the module, in memory.
//
//   control block  gcb words 0 (service vectors, the log at [30][70]),
//                  1 (the block whose byte 30 the log stub clears), 5 and 10
//                  (host pools) and 82 (the toolkit)
//   host pools     log every request; can be told to refuse
//   toolkit        scratch pools that track their blocks, can be told to
//                  fail create or allocate, and report pools never destroyed
//   message log    captures notes with the host's texts for set 744
//
// A Host must outlive the modules loaded into it.  Pools and the log lock
// internally, so entries may be called from several threads at once.
#pragma once

#include <qelfin/qelfin.h>

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace qelfin::host {

// One message the module wrote to the host's log.
struct Note {
    int32_t set = 0;
    int32_t id = 0;
    bool has_rate = false;  // note 201 carries the rate found
    double rate = 0.0;
    std::string function;   // "IRR" or "INTRR"
    std::string text;       // the host's catalogue text, arguments filled in
};

// The host's catalogue text of a note of set 744.
std::string note_text(const Note& note);

// A host memory pool (gcb words 5 and 10).  Blocks live as long as the Host;
// new blocks are filled with kFill so that untouched words can be seen.
class Pool {
public:
    static constexpr unsigned char kFill = 0xA5;
    struct Request {
        size_t size;
        uint32_t flags;
        bool granted;
    };

    Pool();
    ~Pool();
    Pool(const Pool&) = delete;
    Pool& operator=(const Pool&) = delete;

    HostPool* handle() { return &handle_.base; }
    void set_refuse(bool refuse);              // refuse every request from now on
    std::vector<Request> requests() const;     // every request, in order
    void clear_requests();

private:
    static void* allocate(HostPool* pool, size_t size, uint32_t flags);
    struct Handle {
        HostPool base;  // what the module sees
        Pool* owner;
    } handle_;
    mutable std::mutex mutex_;
    bool refuse_ = false;
    std::vector<Request> requests_;
    std::vector<void*> blocks_;
};

// The host toolkit (gcb word 82): creates scratch pools (toolkit word 6);
// each pool allocates (pool word 3) and is destroyed whole (pool word 2).
class Toolkit {
public:
    struct Creation {
        uint32_t parm[3];
        int32_t zero;
        std::string name;
    };

    Toolkit();
    ~Toolkit();
    Toolkit(const Toolkit&) = delete;
    Toolkit& operator=(const Toolkit&) = delete;

    void* handle() { return handle_.words.data(); }
    void set_fail_create(bool fail);
    void set_fail_allocate(bool fail);
    int created() const;                 // pools created so far
    int destroyed() const;               // pools destroyed so far
    int live_pools() const;              // created and not destroyed
    std::vector<Creation> creations() const;
    std::vector<size_t> allocations() const;  // sizes of granted pool blocks, in order
    void reset_counts();

private:
    struct ScratchPool;
    static void* create(void* toolkit, const uint32_t parm[3], int32_t zero, const char* name);
    static void destroy(void* pool);
    static void* allocate(void* pool, size_t size, uint32_t flags);

    struct Handle {
        std::array<void*, 8> words;  // what the module sees
        Toolkit* owner;
    } handle_{};
    mutable std::mutex mutex_;
    bool fail_create_ = false;
    bool fail_allocate_ = false;
    int created_ = 0;
    int destroyed_ = 0;
    std::vector<ScratchPool*> live_;
    std::vector<Creation> creations_;
    std::vector<size_t> allocations_;
};

class Host {
public:
    Host();
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    void** control_block() { return gcb_.data(); }
    void* pidb() { return pidb_.data(); }
    Pool& vector_pool() { return vector_pool_; }    // gcb word 10
    Pool& counter_pool() { return counter_pool_; }  // gcb word 5
    Toolkit& toolkit() { return toolkit_; }         // gcb word 82

    // Byte 30 of the block in gcb word 1, which the log stub clears.
    unsigned char tss_byte30() const { return tss_[30]; }
    void set_tss_byte30(unsigned char b) { tss_[30] = b; }

    // Every note written since the host was made (or since clear_notes).
    std::vector<Note> notes() const;
    void clear_notes();

    // Makes this host the one whose log receives the module's notes.
    void activate();

    // Notes written on this thread are also collected here while a
    // collector is set (one call of the call API).
    static void collect_on_this_thread(std::vector<Note>* sink);

private:
    static void log(int32_t set, int32_t id, ...);
    void record(Note note);

    std::array<void*, 96> gcb_{};
    std::array<void*, 31> service_vectors_{};
    std::array<void*, 71> service_vector30_{};
    std::array<unsigned char, 64> tss_{};
    std::array<unsigned char, 64> pidb_{};
    Pool counter_pool_;
    Pool vector_pool_;
    Toolkit toolkit_;
    mutable std::mutex notes_mutex_;
    std::vector<Note> notes_;
};

}  // namespace qelfin::host
